#pragma once

#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <cstdint>
#include <vector>

// The slots of the last-dialled or fixed-dialling book, edited in place from
// the side panel. Every slot that changes is marked for the next card write.
struct SideBookSlots
{
    BookEntry* entries = nullptr;
    uint32_t count = 0;

    bool valid() const { return entries != nullptr; }
};

// The slots of `kind` (none for the phone book).
SideBookSlots sideBookSlots(SideBooks& books, PhoneBookKind kind);

// Swaps the contents of slots a and b (texts, TON/NPI, CCP). False when
// either is out of range.
bool swapSideSlots(SideBookSlots book, uint32_t a, uint32_t b);
// Removes slot `slot`: every later slot moves up one place and the last slot
// is cleared. False when `slot` is out of range.
bool deleteSideSlot(SideBookSlots book, uint32_t slot);
// Removes every slot in `rows` (any order, duplicates ignored).
void deleteSideSlots(SideBookSlots book, std::vector<int> rows);
// The first slot whose name and number are both empty, or -1.
int firstFreeSideSlot(SideBookSlots book);
