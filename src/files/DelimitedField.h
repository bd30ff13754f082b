#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Field `field` (counted from 0) of a text split at `separator`: that many
// separators are skipped (0 when the text has fewer), then the text up to the
// next separator or the end is copied, at most outSize - 1 characters, and the
// output is always terminated (outSize 1 gives an empty text). 1 on success.
int getDelimitedField(const char* text, char separator, unsigned field, char* out,
                      std::size_t outSize);

// The same for C++ callers: nullopt when the text has fewer separators; the
// field cut to `maxLength` characters.
std::optional<std::string_view> delimitedField(std::string_view text, char separator,
                                               unsigned field,
                                               std::size_t maxLength = std::string_view::npos);

// How often `c` occurs in `text` (0 for no text).
long symbolsNumber(const char* text, char c);
