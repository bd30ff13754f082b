#pragma once

#include "phonebook/OwnedText.h"

#include <array>
#include <cstddef>
#include <cstdint>

// One entry of the fixed-dialling, last-dialled or own-number book. Its texts
// are Windows-1252 (UCS2 names of the card decoded), in wiped buffers.
struct BookEntry
{
    static constexpr std::size_t kTextCapacity = 520;

    BookEntry();

    OwnedText name;
    OwnedText number;
    // The alpha identifier the card held for `name` (hex digits), empty when
    // the entry did not come from the card. A name the code page cannot show
    // (Greek, Cyrillic) reads as '?': while `name` is what the card's name
    // reads as, the card's own bytes are written back, not the '?'.
    OwnedText cardAlpha;
    uint8_t tonNpi = 0xFF;
    uint8_t ccp = 0xFF;
    int32_t recordIndex = -1; // record number on the card minus 1; -1: not in use
    uint32_t dirty = 0;       // 1: changed, must be written to the card

    bool isBlank() const { return name.empty() && number.empty(); }
    // Both texts zeroed, recordIndex -1, dirty 0 (TON/NPI and CCP kept).
    void reset();
    // Marks the entry as not read yet: recordIndex -1, dirty 0.
    void unmark();
};

// The three small books read from the card together with the phone book.
struct SideBooks
{
    static constexpr uint32_t kFdnCapacity = 40;
    static constexpr uint32_t kLndCapacity = 40;
    static constexpr uint32_t kMsisdnCapacity = 10;

    std::array<BookEntry, kFdnCapacity> fdn;
    uint32_t fdnCount = kFdnCapacity;
    std::array<BookEntry, kLndCapacity> lnd;
    uint32_t lndCount = kLndCapacity;
    std::array<BookEntry, kMsisdnCapacity> msisdn;
    uint16_t msisdnCount = 0;

    // Closing the open book empties all entries of the fixed-dialling and
    // last-dialled books (the own numbers stay).
    void clearDialledBooks();
};

// Number of rows a side book shows: `count` entries without the trailing ones
// whose name and number are both empty.
uint32_t shownEntryCount(const BookEntry* entries, uint32_t count);
