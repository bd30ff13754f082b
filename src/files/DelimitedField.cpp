#include "files/DelimitedField.h"

#include "shell/Log.h"

#include <algorithm>
#include <cstring>

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

int getDelimitedField(const char* text, char separator, unsigned field, char* out,
                      std::size_t outSize)
{
    if (out == nullptr || outSize == 0) {
        return 0;
    }
    out[0] = '\0';
    if (text == nullptr) {
        return 0;
    }
    const std::optional<std::string_view> value =
        delimitedField(text, separator, field, outSize - 1);
    if (!value) {
        return 0;
    }
    std::memcpy(out, value->data(), value->size());
    out[value->size()] = '\0';
    return 1;
}

long symbolsNumber(const char* text, char c)
{
    writeLog(LogLevel::Info, "symbols_number", "Start");
    long count = 0;
    if (text != nullptr) {
        for (const char* p = text; *p != '\0'; ++p) {
            if (*p == c) {
                ++count;
            }
        }
    }
    writeLog(LogLevel::Info, "symbols_number", "Success! %ld", count);
    return count;
}
