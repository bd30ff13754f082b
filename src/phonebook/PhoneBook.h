#pragma once

#include "phonebook/Contact.h"

#include <array>
#include <cstddef>
#include <cstdint>

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

// The open phone book: one fixed table, rows 0 .. contactCount-1 in display order.
struct PhoneBook
{
    static constexpr uint32_t Capacity = 450;
    static constexpr uint32_t Selected = 2; // the list's selected bit

    std::array<Contact, Capacity> contacts{};
    uint32_t contactCount = 0;
    uint32_t nextSequence = 1;
    // The list's selection bits, captured just before a card write.
    std::array<uint32_t, Capacity> selectionState{};

    bool full() const { return contactCount >= Capacity; }
    // Appends a copy of `contact`; false (and nothing changed) when the table is full.
    bool append(const Contact& contact);
    // Removes row `index`, moving the later rows up. False for a row not in use.
    bool removeAt(uint32_t index);
    // Empties the book: contactCount 0, every row cleared, selection cleared.
    void clear();
    // Hands out the next sequence number for a new contact.
    uint32_t takeSequence() { return nextSequence++; }
    bool isSelected(uint32_t index) const
    {
        return index < Capacity && selectionState[index] == Selected;
    }
};

// The card's phone book is used up to 450 records: more than 450 becomes 449.
uint16_t limitAdnRecordCount(uint16_t recordCount);

// Largest byte length of a held name among the first n contacts (0 for n = 0).
std::size_t longestName(const Contact* contacts, std::size_t n);
// Largest length of the number display form among the first n contacts.
std::size_t longestDisplayNumber(const Contact* contacts, std::size_t n);
