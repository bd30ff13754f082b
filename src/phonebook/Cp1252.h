#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>

// Windows-1252, the code page names and files are kept in. 0x80-0x9F hold
// typographic characters (euro sign, quotes, dashes, ...) instead of the C1
// controls of Latin-1; the five unassigned bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D
// map to the C1 controls of the same value, so every byte round-trips.

char16_t cp1252ToUnicodeChar(uint8_t byte);
// -1 when Windows-1252 has no byte for the character.
int unicodeToCp1252Char(char16_t character);

QString cp1252ToUnicode(std::string_view bytes);
// Characters without a byte become '?' (no best-fit mapping); `exact` tells
// whether every character had a byte.
std::string unicodeToCp1252(QStringView text, bool* exact = nullptr);
