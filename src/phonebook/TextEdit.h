#pragma once

#include <string>
#include <string_view>

// Small text operations used on names and numbers everywhere.

// Sort order of two texts: bytes compared as signed values with 'a'-'z'
// folded to upper case, so bytes 0x80-0xFF sort before all 7-bit characters;
// a text sorts after its own prefix. Returns 1, -1 or 0.
int CompareText(std::string_view a, std::string_view b);

// Deletes every occurrence of `c` in place.
void RemoveChar(char* text, char c);
void RemoveChar(std::string& text, char c);

// Removes leading and trailing blanks (' ') in place.
void TrimBlanks(char* text);
void TrimBlanks(std::string& text);
