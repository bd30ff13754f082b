#include "phonebook/SideBooks.h"

BookEntry::BookEntry() : name(kTextCapacity), number(kTextCapacity), cardAlpha(kTextCapacity) {}

void BookEntry::reset()
{
    name.wipe();
    number.wipe();
    cardAlpha.wipe();
    unmark();
}

void BookEntry::unmark()
{
    recordIndex = -1;
    dirty = 0;
}

void SideBooks::clearDialledBooks()
{
    for (BookEntry& entry : fdn) {
        entry.reset();
    }
    for (BookEntry& entry : lnd) {
        entry.reset();
    }
}

uint32_t shownEntryCount(const BookEntry* entries, uint32_t count)
{
    while (count > 0 && entries[count - 1].isBlank()) {
        --count;
    }
    return count;
}
