#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A sectioned key/value text file ("profile" or INI file), held in memory and
// read and changed the way the Windows profile-string functions do it, so that
// phone-book files made on either system read the same:
//  - section and key names are matched without regard to (ASCII) case, and the
//    first occurrence wins: a second section or key of the same name is never seen;
//  - blanks and tabs around names and values are ignored, and a value enclosed
//    in a matching pair of double or single quotes is read without them;
//  - a value is read cut to the caller's capacity (capacity - 1 bytes);
//  - a write replaces the value of an existing key where it stands, appends a
//    new key at the end of its section, and a new section at the end of the file;
//  - lines end in CR LF when written; LF, CR LF and a lone CR are read.
// The text is bytes (Windows-1252); converting values is the caller's business.
// A UTF-8 byte-order mark at the start is noted and kept.
class ProfileFile
{
public:
    ProfileFile() = default;

    // Parses file contents. Never fails: lines that are neither a section header
    // nor a key=value pair are kept as they are and otherwise ignored. The
    // file keeps the text as its own (move it in to spare a copy).
    static ProfileFile fromBytes(std::string bytes);
    // The file contents, every line ended by CR LF, the byte-order mark first
    // when the file had one (or setUtf8Bom(true) was called).
    std::string toBytes() const;

    bool hasUtf8Bom() const { return m_utf8Bom; }
    void setUtf8Bom(bool on) { m_utf8Bom = on; }

    // The value of a key, cut to capacity - 1 bytes (and at a zero byte);
    // nullopt when the section or the key is missing.
    std::optional<std::string> readString(std::string_view section, std::string_view key,
                                          std::size_t capacity = 520) const;
    // An integer value as GetPrivateProfileIntA reads it: optional sign, then
    // decimal digits up to the first other character (no digits give 0).
    // A missing key, or one whose value is empty, gives `defaultValue`.
    int32_t readInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Sets a key, creating it (and its section) when needed. The value is
    // written as given; it must not contain a line end.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    // For a file written from its start, where every key is new: adds the key
    // at the end of the file, under a new section header when `section` is not
    // the last section's name. The file is then the one writeString would
    // give, made without looking anything up. A section of that name further
    // up, or a key the section already has, would be written a second time.
    void appendString(std::string_view section, std::string_view key, std::string_view value);

    bool hasSection(std::string_view section) const;
    // The key names of the (first) section of that name, in file order; a
    // key written twice is listed once per line. Valid while the file is unchanged.
    std::vector<std::string_view> keys(std::string_view section) const;
    // The same, one name at a time, without a list.
    template <typename Visit> void forEachKey(std::string_view section, Visit&& visit) const
    {
        const std::size_t sectionIndex = findSection(section);
        if (sectionIndex == kNpos) {
            return;
        }
        const std::size_t end = sectionEnd(sectionIndex);
        for (std::size_t i = sectionIndex + 1; i < end; ++i) {
            if (m_lines[i].kind == Kind::Entry) {
                visit(name(m_lines[i]));
            }
        }
    }

private:
    static constexpr uint32_t kNoLine = static_cast<uint32_t>(-1);
    static constexpr std::size_t kNpos = static_cast<std::size_t>(-1);

    enum class Kind : uint8_t
    {
        Other,
        Section,
        Entry
    };
    // A line is a stretch of m_store: the file as read, then the text of
    // lines written since (a changed line gets new text there). Offsets, not
    // pointers, so that the store may grow; 32 bits, as the store never
    // reaches 4 GiB (files are read up to some MiB). A large book's file is
    // mostly short lines, so this record is kept small: an entry's value is
    // found again from its name when asked for.
    struct Line
    {
        uint32_t text = 0;     // offset of the line in m_store
        uint32_t textSize = 0; // without the line end
        uint32_t nameAt = 0;   // trimmed section or key name, from `text`
        uint32_t nameSize = 0;
        // Kept by the index, which a reading file builds too.
        mutable uint32_t section = kNoLine; // the section an entry belongs to
        Kind kind = Kind::Other;
        mutable bool first = false; // the first of its name in its section (or in the file)
    };
    static_assert(sizeof(Line) == 24);
    // A slot of the name index: the hash of the folded name and the line.
    struct Slot
    {
        uint32_t hash = 0;
        uint32_t line = kNoLine;
    };

    std::string_view text(const Line& line) const
    {
        return std::string_view(m_store).substr(line.text, line.textSize);
    }
    std::string_view name(const Line& line) const
    {
        return text(line).substr(line.nameAt, line.nameSize);
    }
    // The trimmed value of an entry: what follows the '=' after its name.
    std::string_view value(const Line& line) const;
    // Sets `line` to the text at `at` in m_store, finding its kind and name.
    void parseLine(Line& line, std::size_t at, std::size_t size) const;
    // Makes `line` a new section header or entry, its text appended to the store.
    void setSection(Line& line, std::string_view name);
    void setEntry(Line& line, std::string_view name, std::string_view value);

    // Index of the first section line named `section`, or kNpos.
    std::size_t findSection(std::string_view section) const;
    // Index of the first entry `key` in the section starting at `sectionIndex`, or kNpos.
    std::size_t findKey(std::size_t sectionIndex, std::string_view key) const;
    // One past the last line of the section starting at `sectionIndex`.
    std::size_t sectionEnd(std::size_t sectionIndex) const;

    // An open-addressing table over m_lines (first occurrences only), so that
    // reading or writing a key does not walk the file. It covers the first
    // m_indexedLines lines: lines added at the end are taken in when a name
    // is next looked up; a line inserted further up makes it be built anew.
    void ensureIndex() const;
    // The whole table at once, filled in the order of its slots so that a
    // large file's index is written front to back rather than all over.
    void buildIndex() const;
    void indexLine(std::size_t lineIndex) const;
    void growIndex() const;
    // The slot holding `name` of that kind (in that section), or the empty slot
    // where it would go.
    std::size_t probe(uint32_t hash, Kind kind, uint32_t section, std::string_view name) const;
    // The home slot of a hash: its high bits scaled to the table.
    std::size_t home(uint32_t hash) const
    {
        return static_cast<std::size_t>((uint64_t{hash} * m_slots.size()) >> 32);
    }
    // Throws when the store would grow past what 32-bit offsets reach.
    void reserveStore(std::size_t more);
    // Adds a line at the end (the index takes it in when next used).
    void pushLine(const Line& line);
    // Forgets the index (lines moved); it is built anew when next used.
    void dropIndex();

    std::string m_store;
    std::vector<Line> m_lines;
    mutable std::vector<Slot> m_slots;
    mutable std::size_t m_slotsUsed = 0;
    mutable std::size_t m_indexedLines = 0;
    mutable std::size_t m_indexSection = kNpos; // section of the last line indexed
    mutable std::size_t m_hint = 0;             // line after the last key found
    mutable std::size_t m_foundSection = kNpos; // the section found last, and its name
    mutable std::string m_foundSectionName;
    std::size_t m_lastSection = kNpos; // the last section header line
    bool m_utf8Bom = false;
};

// The integer of a profile text: leading blanks, an optional sign, then
// decimal digits up to the first other character; no digits give 0.
int32_t profileIntFromText(std::string_view text);

// Case-insensitive comparison of ASCII letters, as profile names are compared.
bool profileNamesEqual(std::string_view a, std::string_view b);
