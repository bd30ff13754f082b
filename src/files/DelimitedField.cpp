#include "files/DelimitedField.h"

#include <algorithm>

std::optional<std::string_view> delimitedField(std::string_view text, char separator,
                                               unsigned field, std::size_t maxLength)
{
    for (unsigned skipped = 0; skipped < field; ++skipped) {
        const std::size_t at = text.find(separator);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        text.remove_prefix(at + 1);
    }
    const std::size_t end = text.find(separator);
    return text.substr(0, std::min(end, maxLength));
}
