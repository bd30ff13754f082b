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
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        const std::string_view text = bytes.substr(0, end);
        if (end == std::string_view::npos) {
            bytes = {};
        } else {
            const bool crlf =
                bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
            bytes.remove_prefix(end + (crlf ? 2 : 1));
        }

        Line line;
        line.text = std::string(text);
        const std::string_view body = trimmed(text);
        if (body.starts_with('[')) {
            // The name runs to the last ']'; a header without one takes the rest.
            std::string_view name = body.substr(1);
            const std::size_t close = name.rfind(']');
            if (close != std::string_view::npos) {
                name = name.substr(0, close);
            }
            line.kind = Kind::Section;
            line.name = std::string(trimmed(name));
        } else if (const std::size_t eq = body.find('='); eq != std::string_view::npos) {
            line.kind = Kind::Entry;
            line.name = std::string(trimmed(body.substr(0, eq)));
            line.value = std::string(trimmed(body.substr(eq + 1)));
        }
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

std::string ProfileFile::toBytes() const
{
    std::string bytes;
    if (m_utf8Bom) {
        bytes.append(kUtf8Bom);
    }
    for (const Line& line : m_lines) {
        bytes.append(line.text);
        bytes.append("\r\n");
    }
    return bytes;
}

std::string ProfileFile::keyIndexName(std::size_t sectionIndex, std::string_view key)
{
    std::string name = std::to_string(sectionIndex);
    name.push_back('\n');
    for (const char c : key) {
        name.push_back(foldCase(c));
    }
    return name;
}

void ProfileFile::indexLine(std::size_t lineIndex) const
{
    const Line& line = m_lines[lineIndex];
    if (line.kind == Kind::Section) {
        std::string folded;
        for (const char c : line.name) {
            folded.push_back(foldCase(c));
        }
        m_sectionIndex.emplace(std::move(folded), lineIndex);
        m_indexSection = lineIndex;
    } else if (line.kind == Kind::Entry && m_indexSection != kNpos) {
        m_keyIndex.emplace(keyIndexName(m_indexSection, line.name), lineIndex);
    }
}

void ProfileFile::ensureIndex() const
{
    if (m_indexValid) {
        return;
    }
    m_sectionIndex.clear();
    m_keyIndex.clear();
    // One look-up entry per line at most: no rehashing of a large book's keys.
    m_keyIndex.reserve(m_lines.size());
    m_indexSection = kNpos;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        indexLine(i);
    }
    m_indexValid = true;
}

std::size_t ProfileFile::findSection(std::string_view section) const
{
    ensureIndex();
    std::string folded;
    for (const char c : trimmed(section)) {
        folded.push_back(foldCase(c));
    }
    const auto found = m_sectionIndex.find(folded);
    return found == m_sectionIndex.end() ? kNpos : found->second;
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
    const auto found = m_keyIndex.find(keyIndexName(sectionIndex, trimmed(key)));
    return found == m_keyIndex.end() ? kNpos : found->second;
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
            names.push_back(m_lines[i].name);
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
    std::string_view value = m_lines[keyIndex].value;
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
    Line entry;
    entry.kind = Kind::Entry;
    entry.value = std::string(trimmed(value));

    const std::size_t sectionIndex = findSection(section);
    if (sectionIndex == kNpos) {
        Line header;
        header.kind = Kind::Section;
        header.name = std::string(trimmed(section));
        header.text = "[" + header.name + "]";
        m_lines.push_back(std::move(header));
        entry.name = std::string(trimmed(key));
        entry.text = entry.name + "=" + std::string(value);
        m_lines.push_back(std::move(entry));
        // The index is valid here (findSection built it): extend it.
        indexLine(m_lines.size() - 2);
        indexLine(m_lines.size() - 1);
        return;
    }

    if (const std::size_t keyIndex = findKey(sectionIndex, key); keyIndex != kNpos) {
        // The key keeps its spelling from the file; only its value changes.
        Line& line = m_lines[keyIndex];
        line.value = entry.value;
        line.text = line.name + "=" + std::string(value);
        return;
    }

    // After the section's last non-blank line, so blank lines before the next
    // section stay where they are.
    std::size_t insertAt = sectionEnd(sectionIndex);
    while (insertAt > sectionIndex + 1 && trimmed(m_lines[insertAt - 1].text).empty()) {
        --insertAt;
    }
    entry.name = std::string(trimmed(key));
    entry.text = entry.name + "=" + std::string(value);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    if (insertAt + 1 == m_lines.size() && m_indexSection == sectionIndex) {
        indexLine(insertAt);
    } else {
        m_indexValid = false; // later lines moved
    }
}
