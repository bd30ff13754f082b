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

void PhoneBook::append(const Contact& contact)
{
    contacts.push_back(contact);
    if (selectionState.size() + 1 == contacts.size()) {
        selectionState.push_back(0);
    }
}

bool PhoneBook::removeAt(uint32_t index)
{
    if (index >= contacts.size()) {
        return false;
    }
    contacts.erase(contacts.begin() + index);
    if (selectionState.size() != contacts.size() + 1) {
        selectionState.clear();
    } else {
        selectionState.erase(selectionState.begin() + index);
    }
    return true;
}

uint32_t PhoneBook::removeRows(const std::vector<bool>& remove)
{
    const bool withSelection = selectionState.size() == contacts.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        if (i < remove.size() && remove[i]) {
            continue;
        }
        if (kept != i) {
            contacts[kept] = contacts[i];
            if (withSelection) {
                selectionState[kept] = selectionState[i];
            }
        }
        ++kept;
    }
    const auto removed = static_cast<uint32_t>(contacts.size() - kept);
    contacts.resize(kept);
    if (withSelection) {
        selectionState.resize(kept);
    } else {
        selectionState.clear();
    }
    return removed;
}

void PhoneBook::clear()
{
    contacts.clear();
    selectionState.clear();
}

void PhoneBook::setSelected(uint32_t index, bool selected)
{
    if (index >= contacts.size()) {
        return;
    }
    if (selectionState.size() < contacts.size()) {
        selectionState.resize(contacts.size(), 0);
    }
    selectionState[index] = selected ? kSelected : 0;
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
