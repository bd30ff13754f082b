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

const ContactExtras kNoExtras;

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

Contact::Contact(const Contact& other)
    : tonNpi(other.tonNpi), ccp(other.ccp), numberType(other.numberType), sequence(other.sequence),
      m_name(other.m_name), m_number(other.m_number),
      m_extras(other.m_extras && !other.m_extras->empty()
                   ? std::make_unique<ContactExtras>(*other.m_extras)
                   : nullptr)
{
}

Contact& Contact::operator=(const Contact& other)
{
    if (this != &other) {
        *this = Contact(other);
    }
    return *this;
}

void Contact::setName(std::string_view held)
{
    std::size_t length = std::min(held.size(), kNameSize - 1);
    // A 0x80 name keeps whole characters only.
    if (length > 0 && static_cast<uint8_t>(held[0]) == AlphaForm::kUcs2Pairs && length % 2 == 0) {
        --length;
    }
    // The length is measured as in a zero-filled record, so a 0x82 name whose
    // count runs past its bytes keeps the zeros that follow them.
    std::array<char, kNameSize> field{};
    std::memcpy(field.data(), held.data(), length);
    m_name.assign(field.data(), heldNameLength(field.data(), kNameSize - 1));
}

void Contact::setNumber(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), kNumberSize - 1));
    m_number.assign(text.substr(0, std::min(text.size(), text.find('\0'))));
}

const ContactExtras& Contact::extras() const
{
    return m_extras ? *m_extras : kNoExtras;
}

ContactExtras& Contact::editExtras()
{
    if (!m_extras) {
        m_extras = std::make_unique<ContactExtras>();
    }
    return *m_extras;
}

bool Contact::hasExtras() const
{
    return numberType != NumberType::None || !extras().empty();
}

void Contact::clear()
{
    *this = Contact();
}

void swapContacts(Contact& a, Contact& b)
{
    std::swap(a, b);
}
