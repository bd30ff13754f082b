#include "files/ProfileFile.h"

#include <algorithm>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char foldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

int32_t profileIntFromText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Unsigned arithmetic wraps like the 32-bit result of the original call.
    uint32_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        result = result * 10u + static_cast<uint32_t>(c - '0');
    }
    if (negative) {
        result = 0u - result;
    }
    return static_cast<int32_t>(result);
}

bool profileNamesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(x) == foldCase(y);
           });
}

ProfileFile ProfileFile::fromBytes(std::string_view bytes)
{
    ProfileFile file;
    if (bytes.starts_with(kUtf8Bom)) {
        file.m_utf8Bom = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    // One copy of the text; the lines are offsets into it.
    file.m_store.assign(bytes);
    file.m_lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) +
                         1);
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = at;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        Line line;
        file.parseLine(line, at, end - at);
        file.m_lines.push_back(line);
        if (end == bytes.size()) {
            break;
        }
        const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        at = end + (crlf ? 2 : 1);
    }
    return file;
}

void ProfileFile::parseLine(Line& line, std::size_t at, std::size_t size) const
{
    line.text = at;
    line.textSize = static_cast<uint32_t>(size);
    line.kind = Kind::Other;
    line.nameAt = line.nameSize = line.valueAt = line.valueSize = 0;
    const std::string_view whole = text(line);
    const auto offset = [&whole](std::string_view part) {
        return static_cast<uint32_t>(part.data() - whole.data());
    };
    const std::string_view body = trimmed(whole);
    if (body.starts_with('[')) {
        // The name runs to the last ']'; a header without one takes the rest.
        std::string_view name = body.substr(1);
        const std::size_t close = name.rfind(']');
        if (close != std::string_view::npos) {
            name = name.substr(0, close);
        }
        name = trimmed(name);
        line.kind = Kind::Section;
        line.nameAt = offset(name);
        line.nameSize = static_cast<uint32_t>(name.size());
    } else if (const std::size_t eq = body.find('='); eq != std::string_view::npos) {
        const std::string_view name = trimmed(body.substr(0, eq));
        const std::string_view value = trimmed(body.substr(eq + 1));
        line.kind = Kind::Entry;
        line.nameAt = offset(name);
        line.nameSize = static_cast<uint32_t>(name.size());
        line.valueAt = offset(value);
        line.valueSize = static_cast<uint32_t>(value.size());
    }
}

void ProfileFile::setSection(Line& line, std::string_view name)
{
    if (!name.empty() && name.data() >= m_store.data() &&
        name.data() <= m_store.data() + m_store.size()) {
        setSection(line, std::string(name));
        return;
    }
    line.text = m_store.size();
    m_store.append("[").append(name).append("]");
    line.textSize = static_cast<uint32_t>(m_store.size() - line.text);
    line.kind = Kind::Section;
    line.nameAt = 1;
    line.nameSize = static_cast<uint32_t>(name.size());
    line.valueAt = line.valueSize = 0;
}

void ProfileFile::setEntry(Line& line, std::string_view name, std::string_view value)
{
    const auto inStore = [this](std::string_view part) {
        return !part.empty() && part.data() >= m_store.data() &&
               part.data() <= m_store.data() + m_store.size();
    };
    if (inStore(name) || inStore(value)) {
        // Text of this file: copied first, as the store may move while growing.
        setEntry(line, std::string(name), std::string(value));
        return;
    }
    // The value is written as given and read trimmed.
    const std::string_view kept = trimmed(value);
    line.text = m_store.size();
    m_store.append(name).append("=").append(value);
    line.textSize = static_cast<uint32_t>(m_store.size() - line.text);
    line.kind = Kind::Entry;
    line.nameAt = 0;
    line.nameSize = static_cast<uint32_t>(name.size());
    line.valueAt = static_cast<uint32_t>(name.size() + 1 + (kept.data() - value.data()));
    line.valueSize = static_cast<uint32_t>(kept.size());
}

std::string ProfileFile::toBytes() const
{
    std::size_t size = m_utf8Bom ? kUtf8Bom.size() : 0;
    for (const Line& line : m_lines) {
        size += line.textSize + 2;
    }
    std::string bytes;
    bytes.reserve(size);
    if (m_utf8Bom) {
        bytes.append(kUtf8Bom);
    }
    for (const Line& line : m_lines) {
        bytes.append(text(line));
        bytes.append("\r\n");
    }
    return bytes;
}

namespace {

// FNV-1a over the case-folded name, started from the section so that the
// same key in two sections lands apart.
uint32_t nameHash(uint32_t seed, std::string_view name)
{
    uint32_t hash = 2166136261u ^ (seed * 0x9E3779B9u);
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(foldCase(c));
        hash *= 16777619u;
    }
    return hash;
}

constexpr uint32_t kSectionSeed = 0xFFFFFFFFu;

} // namespace

std::size_t ProfileFile::probe(uint32_t hash, Kind kind, uint32_t section,
                               std::string_view name) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.line == kNoLine) {
            return i;
        }
        if (slot.hash == hash) {
            const Line& line = m_lines[slot.line];
            if (line.kind == kind && (kind == Kind::Section || line.section == section) &&
                profileNamesEqual(this->name(line), name)) {
                return i;
            }
        }
    }
}

void ProfileFile::growIndex() const
{
    // At most half full, so that probes stay short.
    std::size_t size = 64;
    while (size < 2 * (m_slotsUsed + 1)) {
        size *= 2;
    }
    if (size <= m_slots.size()) {
        return;
    }
    std::vector<Slot> old(size);
    old.swap(m_slots);
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.line != kNoLine) {
            std::size_t i = slot.hash & mask;
            while (m_slots[i].line != kNoLine) {
                i = (i + 1) & mask;
            }
            m_slots[i] = slot;
        }
    }
}

void ProfileFile::indexLine(std::size_t lineIndex) const
{
    const Line& line = m_lines[lineIndex];
    line.first = false;
    line.section = kNoLine;
    uint32_t hash = 0;
    if (line.kind == Kind::Section) {
        m_indexSection = lineIndex;
        hash = nameHash(kSectionSeed, name(line));
    } else if (line.kind == Kind::Entry && m_indexSection != kNpos) {
        line.section = static_cast<uint32_t>(m_indexSection);
        hash = nameHash(line.section, name(line));
    } else {
        return;
    }
    growIndex();
    const std::size_t i = probe(hash, line.kind, line.section, name(line));
    if (m_slots[i].line == kNoLine) {
        m_slots[i] = Slot{hash, static_cast<uint32_t>(lineIndex)};
        ++m_slotsUsed;
        line.first = true;
    }
}

void ProfileFile::ensureIndex() const
{
    if (m_indexValid) {
        return;
    }
    m_slots.clear();
    m_slotsUsed = 0;
    m_indexSection = kNpos;
    m_hint = 0;
    // Room for every line at once: no rehashing of a large book's keys.
    std::size_t size = 64;
    while (size < 2 * (m_lines.size() + 1)) {
        size *= 2;
    }
    m_slots.assign(size, Slot{});
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        indexLine(i);
    }
    m_indexValid = true;
}

std::size_t ProfileFile::findSection(std::string_view section) const
{
    ensureIndex();
    section = trimmed(section);
    const Slot& slot = m_slots[probe(nameHash(kSectionSeed, section), Kind::Section, 0, section)];
    return slot.line == kNoLine ? kNpos : slot.line;
}

std::size_t ProfileFile::sectionEnd(std::size_t sectionIndex) const
{
    // The last section ends with the file: writing a new file appends there
    // key after key, and must not walk the section each time.
    ensureIndex();
    if (sectionIndex == m_indexSection) {
        return m_lines.size();
    }
    std::size_t i = sectionIndex + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section) {
        ++i;
    }
    return i;
}

std::size_t ProfileFile::findKey(std::size_t sectionIndex, std::string_view key) const
{
    ensureIndex();
    key = trimmed(key);
    // Keys are mostly asked for in file order: look at the next few lines
    // before the table, which keeps a large file's reading in step with memory.
    constexpr std::size_t kHintLines = 4;
    const std::size_t hintEnd = std::min(m_lines.size(), m_hint + kHintLines);
    for (std::size_t i = m_hint; i < hintEnd; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) {
            break;
        }
        if (line.first && line.kind == Kind::Entry && line.section == sectionIndex &&
            profileNamesEqual(name(line), key)) {
            m_hint = i + 1;
            return i;
        }
    }
    const uint32_t section = static_cast<uint32_t>(sectionIndex);
    const Slot& slot = m_slots[probe(nameHash(section, key), Kind::Entry, section, key)];
    if (slot.line == kNoLine) {
        return kNpos;
    }
    m_hint = static_cast<std::size_t>(slot.line) + 1;
    return slot.line;
}

bool ProfileFile::hasSection(std::string_view section) const
{
    return findSection(section) != kNpos;
}

std::vector<std::string_view> ProfileFile::keys(std::string_view section) const
{
    std::vector<std::string_view> names;
    const std::size_t sectionIndex = findSection(section);
    if (sectionIndex == kNpos) {
        return names;
    }
    const std::size_t end = sectionEnd(sectionIndex);
    for (std::size_t i = sectionIndex + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry) {
            names.push_back(name(m_lines[i]));
        }
    }
    return names;
}

std::optional<std::string> ProfileFile::readString(std::string_view section, std::string_view key,
                                                   std::size_t capacity) const
{
    const std::size_t sectionIndex = findSection(section);
    if (sectionIndex == kNpos) {
        return std::nullopt;
    }
    const std::size_t keyIndex = findKey(sectionIndex, key);
    if (keyIndex == kNpos) {
        return std::nullopt;
    }
    std::string_view value = this->value(m_lines[keyIndex]);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    value = value.substr(0, value.find('\0'));
    if (capacity == 0) {
        return std::string();
    }
    return std::string(value.substr(0, capacity - 1));
}

int32_t ProfileFile::readInt(std::string_view section, std::string_view key,
                             int32_t defaultValue) const
{
    const std::optional<std::string> value = readString(section, key, 64);
    if (!value || value->empty()) {
        return defaultValue;
    }
    return profileIntFromText(*value);
}

void ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    const std::size_t sectionIndex = findSection(section);
    if (sectionIndex == kNpos) {
        Line header;
        setSection(header, trimmed(section));
        m_lines.push_back(header);
        Line entry;
        setEntry(entry, trimmed(key), value);
        m_lines.push_back(entry);
        // The index is valid here (findSection built it): extend it.
        indexLine(m_lines.size() - 2);
        indexLine(m_lines.size() - 1);
        return;
    }

    if (const std::size_t keyIndex = findKey(sectionIndex, key); keyIndex != kNpos) {
        // The key keeps its spelling from the file; only its value changes.
        Line& line = m_lines[keyIndex];
        setEntry(line, name(line), value);
        return;
    }

    // After the section's last non-blank line, so blank lines before the next
    // section stay where they are.
    std::size_t insertAt = sectionEnd(sectionIndex);
    while (insertAt > sectionIndex + 1 && trimmed(text(m_lines[insertAt - 1])).empty()) {
        --insertAt;
    }
    Line entry;
    setEntry(entry, trimmed(key), value);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    if (insertAt + 1 == m_lines.size() && m_indexSection == sectionIndex) {
        indexLine(insertAt);
    } else {
        m_indexValid = false; // later lines moved
    }
}
