#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Names between the card's alpha identifiers and the held form of Contact.
//
// Held form: a plain name is Windows-1252 text; a name whose first byte is
// 0x80, 0x81 or 0x82 is one of the card's UCS2 forms, kept byte for byte:
//   0x80: then two bytes per character (high, low) up to a pair FF FF or 00 00;
//   0x81: count, base byte (base = byte * 128), then one byte per character;
//   0x82: count, 16-bit base (high, low), then one byte per character.
// In the 0x81/0x82 forms a byte below 0x80 is the character with that code and a
// byte 0x80 or above is base + (byte & 0x7F).

namespace AlphaForm {
constexpr uint8_t kUcs2Pairs = 0x80;
constexpr uint8_t kUcs2Base8 = 0x81;
constexpr uint8_t kUcs2Base16 = 0x82;
} // namespace AlphaForm

// True when the first byte starts a UCS2 form (0x80, 0x81, 0x82).
bool isUcs2Form(std::string_view held);

// Byte length of a held name, looking at no more than `maxLength` bytes: plain
// and 0x81 names end at their zero byte; 0x80 names at a pair FF FF or 00 00;
// 0x82 names after their count of characters.
std::size_t heldNameLength(const char* held, std::size_t maxLength);

// One GSM default-alphabet byte to Windows-1252 for the 32 letters and signs
// both sets have at different places; other bytes are returned unchanged (the
// legacy address file's names; card names go through CardAlpha.h).
uint8_t gsmToAnsiChar(uint8_t gsm);
// Characters of a held name: UCS2 forms decoded, plain names through Windows-1252.
QString heldNameToUnicode(std::string_view held);
// Display text of a held name in Windows-1252: UCS2 forms decoded and
// converted ('?' for characters the code page lacks), plain names as held.
std::string decodeAlphaToText(std::string_view held);
// C-style form: at most outSize - 1 bytes and a NUL into out. Always 1.
int decodeAlphaToText(std::string_view held, char* out, std::size_t outSize);

// The first character above U+00FF, or 0.
char16_t firstCharAbove255(QStringView wide);

// Held form of a typed name. Without characters above U+00FF the name becomes
// Windows-1252 text (result 2). Otherwise it becomes a UCS2 form (result 1):
// 0x81 when that keeps every character, else 0x82, else 0x80. The output is
// at most outSize - 1 bytes; the rest of the outSize bytes are zeros.
int encodeAlphaFromUnicode(QStringView wide, char* out, std::size_t outSize);
std::string encodeAlphaFromUnicode(QStringView wide, std::size_t maxBytes, int* result = nullptr);

// Held form of a name read from the card or a file: Windows-1252 bytes when the
// code page has every character and the bytes do not start like a UCS2 form (a
// leading euro sign, 0x80, would); otherwise the UCS2 form that keeps every
// character. At most maxBytes.
std::string heldNameFromUnicode(QStringView name, std::size_t maxBytes);
