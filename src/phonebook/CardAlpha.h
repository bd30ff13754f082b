#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Names as the card's alpha identifiers code them (phone book, fixed dialling,
// last dialled and own numbers alike):
//   GSM default alphabet: one byte per character, two for the extension table;
//   0x81: count, base byte (base = byte * 128), one byte per character;
//   0x82: count, 16-bit base (high, low), one byte per character;
//   0x80: two bytes per character (high, low), unused bytes 0xFF.
// In the 0x81 and 0x82 forms a byte below 0x80 is a default-alphabet
// character and a byte 0x80 or above is base + (byte & 0x7F).

// The characters of an alpha identifier (its used bytes, see CardAlphaField).
QString decodeCardAlpha(std::string_view alpha);

// The alpha identifier for a name in a field of `alphaLength` bytes, not padded.
struct CardAlpha
{
    std::string bytes;
    std::size_t chars = 0; // characters of the name the bytes hold
    bool cut = false;      // the field could not hold the whole name
};

// A name of default-alphabet characters (extension table included) is written
// in the GSM form, as the card's coding rules ask. Any other name takes the
// shortest of the 0x81, 0x82 and 0x80 forms that holds it. A name that does
// not fit is cut at a character boundary (never half an escape pair or of a
// two-byte character), in the form that keeps the most characters. A NUL
// ends the name.
CardAlpha encodeCardAlpha(QStringView name, std::size_t alphaLength);

// The characters of a side-book entry's name: those of `keptAlphaHex` while
// `cp1252Name` is what they read as (Greek and Cyrillic show as themselves,
// not as '?'), else the Windows-1252 name.
QString entryNameToUnicode(std::string_view cp1252Name, std::string_view keptAlphaHex);
