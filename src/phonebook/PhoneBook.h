#pragma once

#include "phonebook/Contact.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Which book the contact list shows (the main window's shownBook).
enum class PhoneBookKind : int
{
    PhoneBook = 1,     // EF ADN 6F3A
    LastDialled = 2,   // EF LND 6F44
    FixedDialling = 3, // EF FDN 6F3B
};

// Any value other than 2 or 3 shows the phone book.
PhoneBookKind phoneBookKindFromInt(int value);
// String-table id of the panel title of a book: 167, 169 or 168.
int phoneBookKindTitleId(PhoneBookKind kind);

// The open phone book: the contacts in display order. The book holds whatever
// a file or a card brings (thousands of contacts from a phone's export); which
// of them fit on a card is the card writer's business.
struct PhoneBook
{
    static constexpr uint32_t kSelected = 2; // the list's selected bit

    std::vector<Contact> contacts;
    uint32_t nextSequence = 1;
    // The list's selection bits, captured just before a card write; rows past
    // its end count as not selected.
    std::vector<uint32_t> selectionState;

    uint32_t contactCount() const { return static_cast<uint32_t>(contacts.size()); }
    bool empty() const { return contacts.empty(); }
    void append(const Contact& contact);
    // Removes row `index`, moving the later rows up. False for a row not in use.
    bool removeAt(uint32_t index);
    // Removes every row whose `remove` bit is set in one pass; rows past the
    // end of `remove` stay. Returns how many were removed.
    uint32_t removeRows(const std::vector<bool>& remove);
    // Empties the book and its selection.
    void clear();
    // Hands out the next sequence number for a new contact.
    uint32_t takeSequence() { return nextSequence++; }

    // Every row unselected.
    void clearSelection() { selectionState.assign(contacts.size(), 0); }
    void setSelected(uint32_t index, bool selected);
    bool isSelected(uint32_t index) const
    {
        return index < selectionState.size() && selectionState[index] == kSelected;
    }
};

// Largest byte length of a held name among the first n contacts (0 for n = 0).
std::size_t longestName(const Contact* contacts, std::size_t n);
// Largest length of the number display form among the first n contacts.
std::size_t longestDisplayNumber(const Contact* contacts, std::size_t n);
