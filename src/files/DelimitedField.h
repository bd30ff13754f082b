#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Field `field` (counted from 0) of a text split at `separator`: that many
// separators are skipped, then the text up to the next separator or the end,
// cut to `maxLength` characters; nullopt when the text has fewer separators.
std::optional<std::string_view> delimitedField(std::string_view text, char separator,
                                               unsigned field,
                                               std::size_t maxLength = std::string_view::npos);
