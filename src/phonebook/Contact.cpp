#include "phonebook/Contact.h"

#include "phonebook/AlphaCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

struct NumberTypeLabel
{
    NumberType type;
    std::string_view name;
};

constexpr std::array<NumberTypeLabel, 5> kNumberTypeLabels{{
    {NumberType::Cell, "cell"},
    {NumberType::Home, "home"},
    {NumberType::Work, "work"},
    {NumberType::Fax, "fax"},
    {NumberType::Other, "other"},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

template <std::size_t N> void copyText(char (&field)[N], std::string_view text, std::size_t length)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(length, N - 1));
}

} // namespace

std::string_view numberTypeName(NumberType type)
{
    for (const NumberTypeLabel& label : kNumberTypeLabels) {
        if (label.type == type) {
            return label.name;
        }
    }
    return {};
}

std::optional<NumberType> numberTypeFromName(std::string_view name)
{
    for (const NumberTypeLabel& label : kNumberTypeLabels) {
        if (equalsIgnoringCase(label.name, name)) {
            return label.type;
        }
    }
    return std::nullopt;
}

void Contact::setName(std::string_view held)
{
    std::size_t length = std::min(held.size(), kNameSize - 1);
    // A 0x80 name keeps whole characters only.
    if (length > 0 && static_cast<uint8_t>(held[0]) == AlphaForm::kUcs2Pairs && length % 2 == 0) {
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
    return std::string_view(name, heldNameLength(name, kNameSize - 1));
}

std::string_view Contact::numberText() const
{
    return std::string_view(number, strnlen(number, kNumberSize - 1));
}

bool Contact::hasExtras() const
{
    return numberType != NumberType::None || !extraNumbers.empty() || !emails.empty() ||
           !secondName.empty();
}

void Contact::clear()
{
    *this = Contact();
}

void swapContacts(Contact& a, Contact& b)
{
    std::swap(a, b);
}
