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
    // nor a key=value pair are kept as they are and otherwise ignored.
    static ProfileFile fromBytes(std::string_view bytes);
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

    bool hasSection(std::string_view section) const;
    // The key names of the (first) section of that name, in file order; a
    // key written twice is listed once per line. Valid while the file is unchanged.
    std::vector<std::string_view> keys(std::string_view section) const;

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
    // pointers, so that the store may grow.
    struct Line
    {
        std::size_t text = 0;   // offset of the line in m_store
        uint32_t textSize = 0;  // without the line end
        uint32_t nameAt = 0;    // trimmed section or key name, from `text`
        uint32_t nameSize = 0;
        uint32_t valueAt = 0;   // trimmed value of an entry, from `text`
        uint32_t valueSize = 0;
        Kind kind = Kind::Other;
        // Kept by the index, which a reading file builds too.
        mutable bool first = false; // the first of its name in its section (or in the file)
        mutable uint32_t section = kNoLine; // the section an entry belongs to
    };
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
    std::string_view value(const Line& line) const
    {
        return text(line).substr(line.valueAt, line.valueSize);
    }
    // Sets `line` to the text at `at` in m_store, finding its kind, name and value.
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
    // reading or writing a key does not walk the file. Rebuilt when lines move.
    void ensureIndex() const;
    void indexLine(std::size_t lineIndex) const;
    void growIndex() const;
    // The slot holding `name` of that kind (in that section), or the empty slot
    // where it would go.
    std::size_t probe(uint32_t hash, Kind kind, uint32_t section, std::string_view name) const;

    std::string m_store;
    std::vector<Line> m_lines;
    mutable std::vector<Slot> m_slots;
    mutable std::size_t m_slotsUsed = 0;
    mutable std::size_t m_indexSection = kNpos; // section of the last line indexed
    mutable std::size_t m_hint = 0;            // line after the last key found
    mutable bool m_indexValid = false;
    bool m_utf8Bom = false;
};

// The integer of a profile text: leading blanks, an optional sign, then
// decimal digits up to the first other character; no digits give 0.
int32_t profileIntFromText(std::string_view text);

// Case-insensitive comparison of ASCII letters, as profile names are compared.
bool profileNamesEqual(std::string_view a, std::string_view b);
