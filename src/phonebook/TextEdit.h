#pragma once

#include <string>
#include <string_view>

// Small text operations used on names and numbers everywhere.

// Sort order of two texts: bytes compared as signed values with 'a'-'z'
// folded to upper case, so bytes 0x80-0xFF sort before all 7-bit characters;
// a text sorts after its own prefix. Returns 1, -1 or 0.
int compareText(std::string_view a, std::string_view b);

// Deletes every occurrence of `c` in place.
void removeChar(char* text, char c);
void removeChar(std::string& text, char c);

// Removes leading and trailing blanks (' ') in place.
void trimBlanks(char* text);
void trimBlanks(std::string& text);
