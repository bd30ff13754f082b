#include "phonebook/TextEdit.h"

#include <algorithm>
#include <cstring>

namespace {

int foldedSigned(char c)
{
    const auto value = static_cast<signed char>(c);
    if (value >= 'a' && value <= 'z') {
        return value - 'a' + 'A';
    }
    return value;
}

} // namespace

int compareText(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = foldedSigned(a[i]);
        const int y = foldedSigned(b[i]);
        if (x > y) {
            return 1;
        }
        if (x < y) {
            return -1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() > b.size() ? 1 : -1;
}

void removeChar(char* text, char c)
{
    if (text == nullptr) {
        return;
    }
    char* out = text;
    for (const char* in = text; *in != '\0'; ++in) {
        if (*in != c) {
            *out++ = *in;
        }
    }
    *out = '\0';
}

void removeChar(std::string& text, char c)
{
    std::erase(text, c);
}

void trimBlanks(char* text)
{
    if (text == nullptr) {
        return;
    }
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ') {
        --length;
    }
    std::size_t start = 0;
    while (start < length && text[start] == ' ') {
        ++start;
    }
    std::memmove(text, text + start, length - start);
    text[length - start] = '\0';
}

void trimBlanks(std::string& text)
{
    const std::size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(' '));
}
