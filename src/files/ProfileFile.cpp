#include "files/ProfileFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

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

ProfileFile ProfileFile::fromBytes(std::string bytes)
{
    if (bytes.size() > UINT32_MAX) {
        throw std::length_error("a profile file is read up to 4 GiB");
    }
    ProfileFile file;
    // The text is kept as it came; the lines are offsets into it (after the
    // byte-order mark, which toBytes writes again).
    file.m_store = std::move(bytes);
    const std::string_view all(file.m_store);
    const char* const data = all.data();
    const std::size_t size = all.size();
    std::size_t at = 0;
    if (all.starts_with(kUtf8Bom)) {
        file.m_utf8Bom = true;
        at = kUtf8Bom.size();
    }
    std::size_t lines = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n'));
    if (lines == 0) {
        lines = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\r'));
    }
    file.m_lines.reserve(lines + 1);
    std::size_t lineFeed = 0; // the next LF at or after `at` (size: none)
    bool lineFeedKnown = false;
    while (at < size) {
        if (!lineFeedKnown || lineFeed < at) {
            const void* found = std::memchr(data + at, '\n', size - at);
            lineFeed = found != nullptr
                           ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                           : size;
            lineFeedKnown = true;
        }
        // A CR before the LF ends the line there (CR LF, or a lone CR).
        const void* cr = std::memchr(data + at, '\r', lineFeed - at);
        const std::size_t end = cr != nullptr
                                    ? static_cast<std::size_t>(static_cast<const char*>(cr) - data)
                                    : lineFeed;
        Line line;
        file.parseLine(line, at, end - at);
        file.pushLine(line);
        if (end == size) {
            break;
        }
        const bool crlf = data[end] == '\r' && end + 1 < size && data[end + 1] == '\n';
        at = end + (crlf ? 2 : 1);
    }
    return file;
}

void ProfileFile::pushLine(const Line& line)
{
    if (line.kind == Kind::Section) {
        m_lastSection = m_lines.size();
    }
    m_lines.push_back(line);
}

void ProfileFile::parseLine(Line& line, std::size_t at, std::size_t size) const
{
    line.text = static_cast<uint32_t>(at);
    line.textSize = static_cast<uint32_t>(size);
    line.kind = Kind::Other;
    line.nameAt = line.nameSize = 0;
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
        line.kind = Kind::Entry;
        line.nameAt = offset(name);
        line.nameSize = static_cast<uint32_t>(name.size());
    }
}

std::string_view ProfileFile::value(const Line& line) const
{
    // The name holds no '=' of a line read (it ends before the first one), and
    // a line written has its '=' right after the name.
    const std::string_view rest = text(line).substr(line.nameAt + line.nameSize);
    const std::size_t eq = rest.find('=');
    return eq == std::string_view::npos ? std::string_view() : trimmed(rest.substr(eq + 1));
}

void ProfileFile::reserveStore(std::size_t more)
{
    if (m_store.size() + more > UINT32_MAX) {
        throw std::length_error("a profile file is held up to 4 GiB");
    }
}

void ProfileFile::setSection(Line& line, std::string_view name)
{
    if (!name.empty() && name.data() >= m_store.data() &&
        name.data() <= m_store.data() + m_store.size()) {
        setSection(line, std::string(name));
        return;
    }
    reserveStore(name.size() + 2);
    line.text = static_cast<uint32_t>(m_store.size());
    m_store.append("[").append(name).append("]");
    line.textSize = static_cast<uint32_t>(m_store.size() - line.text);
    line.kind = Kind::Section;
    line.nameAt = 1;
    line.nameSize = static_cast<uint32_t>(name.size());
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
    reserveStore(name.size() + 1 + value.size());
    line.text = static_cast<uint32_t>(m_store.size());
    m_store.append(name).append("=").append(value);
    line.textSize = static_cast<uint32_t>(m_store.size() - line.text);
    line.kind = Kind::Entry;
    line.nameAt = 0;
    line.nameSize = static_cast<uint32_t>(name.size());
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
    const std::size_t size = m_slots.size();
    for (std::size_t i = home(hash);; i = i + 1 == size ? 0 : i + 1) {
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

namespace {

// Slots for `names` names: at most two thirds full, so that probes stay short.
std::size_t slotsFor(std::size_t names)
{
    return names + names / 2 + 64;
}

} // namespace

void ProfileFile::growIndex() const
{
    if (m_slotsUsed + 1 < m_slots.size() - m_slots.size() / 3) {
        return;
    }
    std::vector<Slot> old(slotsFor(2 * (m_slotsUsed + 1)));
    old.swap(m_slots);
    // A slot's place follows its hash, so the old table's order is nearly the
    // new one's: the new table is written front to back.
    for (const Slot& slot : old) {
        if (slot.line != kNoLine) {
            std::size_t i = home(slot.hash);
            while (m_slots[i].line != kNoLine) {
                i = i + 1 == m_slots.size() ? 0 : i + 1;
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

void ProfileFile::buildIndex() const
{
    m_slots.assign(slotsFor(m_lines.size()), Slot{});
    m_slotsUsed = 0;
    m_hint = 0;
    // The section and name hash of every section and entry, in file order.
    std::vector<Slot> names;
    names.reserve(m_lines.size());
    m_indexSection = kNpos;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        // Every name is taken for the first of its kind until one before it
        // turns up (rarely): the table is filled without visiting the lines.
        line.first = true;
        line.section = kNoLine;
        if (line.kind == Kind::Section) {
            m_indexSection = i;
            names.push_back(Slot{nameHash(kSectionSeed, name(line)), static_cast<uint32_t>(i)});
        } else if (line.kind == Kind::Entry && m_indexSection != kNpos) {
            line.section = static_cast<uint32_t>(m_indexSection);
            names.push_back(Slot{nameHash(line.section, name(line)), static_cast<uint32_t>(i)});
        } else {
            line.first = false;
        }
    }
    // Into the table in the order of their home slots, so that it is written
    // front to back, not all over: a counting sort on the hash's high bits,
    // which keeps the lines of one name in file order (the first one wins).
    constexpr unsigned kBucketBits = 8;
    std::vector<uint32_t> starts((std::size_t{1} << kBucketBits) + 1, 0);
    for (const Slot& named : names) {
        ++starts[(named.hash >> (32 - kBucketBits)) + 1];
    }
    for (std::size_t b = 1; b < starts.size(); ++b) {
        starts[b] += starts[b - 1];
    }
    std::vector<Slot> ordered(names.size());
    for (const Slot& named : names) {
        ordered[starts[named.hash >> (32 - kBucketBits)]++] = named;
    }
    names = std::vector<Slot>();
    const auto sameName = [this](const Line& a, const Line& b) {
        return a.kind == b.kind && a.section == b.section && profileNamesEqual(name(a), name(b));
    };
    const std::size_t size = m_slots.size();
    for (const Slot& named : ordered) {
        std::size_t i = home(named.hash);
        while (m_slots[i].line != kNoLine &&
               !(m_slots[i].hash == named.hash &&
                 sameName(m_lines[m_slots[i].line], m_lines[named.line]))) {
            i = i + 1 == size ? 0 : i + 1;
        }
        if (m_slots[i].line == kNoLine) {
            m_slots[i] = named;
            ++m_slotsUsed;
        } else {
            m_lines[named.line].first = false;
        }
    }
    m_indexedLines = m_lines.size();
}

void ProfileFile::ensureIndex() const
{
    if (m_slots.empty()) {
        buildIndex();
        return;
    }
    // Lines added at the end since.
    while (m_indexedLines < m_lines.size()) {
        indexLine(m_indexedLines++);
    }
}

void ProfileFile::dropIndex()
{
    m_foundSection = kNpos;
    m_slots.clear();
    m_slotsUsed = 0;
    m_indexedLines = 0;
}

std::size_t ProfileFile::findSection(std::string_view section) const
{
    ensureIndex();
    section = trimmed(section);
    // A reader asks for the same section key after key.
    if (m_foundSection != kNpos && section == m_foundSectionName) {
        return m_foundSection;
    }
    const Slot& slot = m_slots[probe(nameHash(kSectionSeed, section), Kind::Section, 0, section)];
    if (slot.line == kNoLine) {
        return kNpos;
    }
    // Lines added later never come before it: it stays the first of its name
    // until lines move (dropIndex).
    m_foundSection = slot.line;
    m_foundSectionName.assign(section);
    return slot.line;
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
    forEachKey(section, [&names](std::string_view name) { names.push_back(name); });
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
        pushLine(header);
        Line entry;
        setEntry(entry, trimmed(key), value);
        pushLine(entry);
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
    if (insertAt == m_lines.size()) {
        pushLine(entry);
        return;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    if (m_lastSection != kNpos && m_lastSection >= insertAt) {
        ++m_lastSection;
    }
    dropIndex(); // later lines moved
}

void ProfileFile::appendString(std::string_view section, std::string_view key,
                               std::string_view value)
{
    section = trimmed(section);
    if (m_lastSection == kNpos || !profileNamesEqual(name(m_lines[m_lastSection]), section)) {
        Line header;
        setSection(header, section);
        pushLine(header);
    }
    Line entry;
    setEntry(entry, trimmed(key), value);
    pushLine(entry);
}
