#include "phonebook/PhoneBook.h"

#include "phonebook/DiallingNumber.h"

#include <algorithm>

PhoneBookKind phoneBookKindFromInt(int value)
{
    switch (value) {
    case 2:
        return PhoneBookKind::LastDialled;
    case 3:
        return PhoneBookKind::FixedDialling;
    default:
        return PhoneBookKind::PhoneBook;
    }
}

int phoneBookKindTitleId(PhoneBookKind kind)
{
    switch (kind) {
    case PhoneBookKind::LastDialled:
        return 169;
    case PhoneBookKind::FixedDialling:
        return 168;
    case PhoneBookKind::PhoneBook:
        break;
    }
    return 167;
}

bool PhoneBook::append(const Contact& contact)
{
    if (full()) {
        return false;
    }
    contacts[contactCount] = contact;
    selectionState[contactCount] = 0;
    ++contactCount;
    return true;
}

bool PhoneBook::removeAt(uint32_t index)
{
    if (index >= contactCount) {
        return false;
    }
    std::move(contacts.begin() + index + 1, contacts.begin() + contactCount,
              contacts.begin() + index);
    std::move(selectionState.begin() + index + 1, selectionState.begin() + contactCount,
              selectionState.begin() + index);
    --contactCount;
    contacts[contactCount].clear();
    selectionState[contactCount] = 0;
    return true;
}

void PhoneBook::clear()
{
    for (Contact& contact : contacts) {
        contact.clear();
    }
    selectionState.fill(0);
    contactCount = 0;
}

uint16_t limitAdnRecordCount(uint16_t recordCount)
{
    return recordCount > PhoneBook::Capacity ? PhoneBook::Capacity - 1 : recordCount;
}

std::size_t longestName(const Contact* contacts, std::size_t n)
{
    std::size_t longest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        longest = std::max(longest, contacts[i].heldName().size());
    }
    return longest;
}

std::size_t longestDisplayNumber(const Contact* contacts, std::size_t n)
{
    std::size_t longest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        longest = std::max(longest, numberDisplayForm(contacts[i].numberText()).size());
    }
    return longest;
}
