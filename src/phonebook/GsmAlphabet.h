#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

// The GSM 03.38 default alphabet as the card's alpha identifiers hold it: one
// character per byte with bit 8 zero (not packed), and the extension table
// reached through the escape byte 0x1B (^ { } \ [ ~ ] | euro sign, form feed).

namespace Gsm {
constexpr uint8_t kEscape = 0x1B;
} // namespace Gsm

// The character of a default-alphabet code (bit 8 ignored). The escape code
// itself reads as a blank, as a phone shows an escape it cannot follow.
char16_t gsmDefaultChar(uint8_t code);
// The character that `code` stands for after an escape; 0 when the extension
// table has none there.
char16_t gsmExtensionChar(uint8_t code);

// The card bytes of one character: one default-alphabet byte, the escape and
// an extension byte, or nothing (size 0) when the alphabet lacks the character.
struct GsmCode
{
    uint8_t size = 0;
    std::array<uint8_t, 2> bytes{};
};
GsmCode gsmCodeOf(char16_t character);
// True when the character has a one-byte code in the default table.
bool isGsmDefaultChar(char16_t character);

// Characters of a plain alpha identifier. An escape followed by a code the
// extension table lacks gives that code's default character; two escapes give
// a blank; an escape at the very end is dropped (half of a pair). A byte with
// bit 8 set is not in the alphabet: it reads as the Windows-1252 character,
// which is how earlier versions of this program wrote such letters.
QString gsmToUnicode(std::string_view bytes);
