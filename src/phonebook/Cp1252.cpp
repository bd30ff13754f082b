#include "phonebook/Cp1252.h"

namespace {

// 0x80-0x9F; the unassigned bytes keep their C1 control value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t cp1252ToUnicodeChar(uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

int unicodeToCp1252Char(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return character;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == character) {
            return 0x80 + i;
        }
    }
    return -1;
}

QString cp1252ToUnicode(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char byte : bytes) {
        text.append(QChar(cp1252ToUnicodeChar(static_cast<uint8_t>(byte))));
    }
    return text;
}

std::string unicodeToCp1252(QStringView text, bool* exact)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    bool allMapped = true;
    for (QChar c : text) {
        const int byte = unicodeToCp1252Char(c.unicode());
        if (byte < 0) {
            allMapped = false;
            bytes.push_back('?');
        } else {
            bytes.push_back(static_cast<char>(byte));
        }
    }
    if (exact != nullptr) {
        *exact = allMapped;
    }
    return bytes;
}
