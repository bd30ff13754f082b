#pragma once

#include <QString>

#include <cstddef>
#include <string>

// The held form of a name that arrives as text (a file's value, a CSV field):
// Windows-1252 bytes when the code page has every character and the text does
// not start like a UCS2 form (a leading euro sign, 0x80, would), otherwise one
// of the card's UCS2 forms, so that no character is lost. At most maxBytes.
std::string heldNameFromText(const QString& text, std::size_t maxBytes);
