#include "SideBookEditing.h"

#include <algorithm>
#include <utility>

namespace {
// A slot that took new contents: it is written back to its own record, or
// to none when it is empty.
void markMoved(BookEntry& entry, uint32_t slot)
{
    entry.dirty = 1;
    entry.recordIndex = entry.isBlank() ? -1 : static_cast<int32_t>(slot);
}
} // namespace

SideBookSlots sideBookSlots(SideBooks& books, PhoneBookKind kind)
{
    switch (kind) {
    case PhoneBookKind::LastDialled:
        return {books.lnd.data(), std::min<uint32_t>(books.lndCount, SideBooks::kLndCapacity)};
    case PhoneBookKind::FixedDialling:
        return {books.fdn.data(), std::min<uint32_t>(books.fdnCount, SideBooks::kFdnCapacity)};
    case PhoneBookKind::PhoneBook:
        break;
    }
    return {};
}

bool swapSideSlots(SideBookSlots book, uint32_t a, uint32_t b)
{
    if (!book.valid() || a >= book.count || b >= book.count)
        return false;
    BookEntry& first = book.entries[a];
    BookEntry& second = book.entries[b];
    std::swap(first.name, second.name);
    std::swap(first.number, second.number);
    std::swap(first.tonNpi, second.tonNpi);
    std::swap(first.ccp, second.ccp);
    markMoved(first, a);
    markMoved(second, b);
    return true;
}

bool deleteSideSlot(SideBookSlots book, uint32_t slot)
{
    if (!book.valid() || slot >= book.count)
        return false;
    for (uint32_t i = slot; i + 1 < book.count; ++i) {
        BookEntry& to = book.entries[i];
        BookEntry& from = book.entries[i + 1];
        std::swap(to.name, from.name);
        std::swap(to.number, from.number);
        to.tonNpi = from.tonNpi;
        to.ccp = from.ccp;
        markMoved(to, i);
    }
    BookEntry& last = book.entries[book.count - 1];
    last.name.wipe();
    last.number.wipe();
    last.tonNpi = 0xFF;
    last.ccp = 0xFF;
    last.recordIndex = -1;
    last.dirty = 1;
    return true;
}

void deleteSideSlots(SideBookSlots book, std::vector<int> rows)
{
    // From the bottom up, so that the rows still to go keep their places.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row >= 0)
            deleteSideSlot(book, static_cast<uint32_t>(row));
    }
}

int firstFreeSideSlot(SideBookSlots book)
{
    for (uint32_t i = 0; book.valid() && i < book.count; ++i) {
        if (book.entries[i].isBlank())
            return static_cast<int>(i);
    }
    return -1;
}
