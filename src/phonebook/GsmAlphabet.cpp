#include "phonebook/GsmAlphabet.h"

#include "phonebook/Cp1252.h"

#include <algorithm>

namespace {

// Code 0x00-0x7F of the default alphabet. 0x1B, the escape, shows as a blank.
constexpr std::array<char16_t, 128> kDefaultTable = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC, // 0x00
    0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8, 0x000D, 0x00C5, 0x00E5, // 0x08
    0x0394, 0x005F, 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8, // 0x10
    0x03A3, 0x0398, 0x039E, 0x0020, 0x00C6, 0x00E6, 0x00DF, 0x00C9, // 0x18
    0x0020, 0x0021, 0x0022, 0x0023, 0x00A4, 0x0025, 0x0026, 0x0027, // 0x20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, // 0x28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, // 0x38
    0x00A1, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, // 0x40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, // 0x48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, // 0x50
    0x0058, 0x0059, 0x005A, 0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7, // 0x58
    0x00BF, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, // 0x60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, // 0x68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, // 0x70
    0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0, // 0x78
};

struct Extension
{
    uint8_t code;
    char16_t character;
};

// The extension table: the code after the escape and its character.
constexpr std::array<Extension, 10> kExtensionTable = {{
    {0x0A, 0x000C},
    {0x14, u'^'},
    {0x28, u'{'},
    {0x29, u'}'},
    {0x2F, u'\\'},
    {0x3C, u'['},
    {0x3D, u'~'},
    {0x3E, u']'},
    {0x40, u'|'},
    {0x65, 0x20AC},
}};

} // namespace

char16_t gsmDefaultChar(uint8_t code)
{
    return kDefaultTable[code & 0x7F];
}

char16_t gsmExtensionChar(uint8_t code)
{
    for (const Extension& entry : kExtensionTable) {
        if (entry.code == code) {
            return entry.character;
        }
    }
    return 0;
}

bool isGsmDefaultChar(char16_t character)
{
    // The escape's slot holds a blank only for reading; the blank is 0x20.
    const auto* found = std::find(kDefaultTable.begin(), kDefaultTable.end(), character);
    return found != kDefaultTable.end();
}

GsmCode gsmCodeOf(char16_t character)
{
    GsmCode code;
    const auto* found = std::find(kDefaultTable.begin(), kDefaultTable.end(), character);
    if (found != kDefaultTable.end()) {
        // The first blank in the table is the escape's; the real blank is 0x20.
        const auto position = character == u' ' ? 0x20 : found - kDefaultTable.begin();
        code.size = 1;
        code.bytes[0] = static_cast<uint8_t>(position);
        return code;
    }
    for (const Extension& entry : kExtensionTable) {
        if (entry.character == character) {
            code.size = 2;
            code.bytes = {Gsm::kEscape, entry.code};
            return code;
        }
    }
    return code;
}

QString gsmToUnicode(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<uint8_t>(bytes[i]);
        if (byte >= 0x80) {
            text.append(QChar(cp1252ToUnicodeChar(byte)));
            continue;
        }
        if (byte != Gsm::kEscape) {
            text.append(QChar(gsmDefaultChar(byte)));
            continue;
        }
        if (i + 1 == bytes.size()) {
            break;
        }
        const auto next = static_cast<uint8_t>(bytes[i + 1]);
        if (next >= 0x80) {
            // Not a pair: the escape reads as a blank, the byte on its own.
            text.append(QChar(u' '));
            continue;
        }
        ++i;
        const char16_t extended = gsmExtensionChar(next);
        text.append(QChar(extended != 0 ? extended : gsmDefaultChar(next)));
    }
    return text;
}
