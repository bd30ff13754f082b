#include "phonebook/Contact.h"

#include "phonebook/AlphaCodec.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

template <std::size_t N> void copyText(char (&field)[N], std::string_view text, std::size_t length)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(length, N - 1));
}

} // namespace

void Contact::setName(std::string_view held)
{
    std::size_t length = std::min(held.size(), NameSize - 1);
    // A 0x80 name keeps whole characters only.
    if (length > 0 && static_cast<uint8_t>(held[0]) == AlphaForm::Ucs2Pairs && length % 2 == 0) {
        --length;
    }
    copyText(name, held, length);
}

void Contact::setNumber(std::string_view text)
{
    copyText(number, text, text.size());
}

std::string_view Contact::heldName() const
{
    return std::string_view(name, heldNameLength(name, NameSize - 1));
}

std::string_view Contact::numberText() const
{
    return std::string_view(number, strnlen(number, NumberSize - 1));
}

void Contact::clear()
{
    *this = Contact();
}

void swapContacts(Contact& a, Contact& b)
{
    std::swap(a, b);
}
