#pragma once

#include "simops/UsimBook.h"

#include <string>
#include <vector>

// What a write makes of the USIM phone book, worked out in memory before the
// first record is sent: the card's records as they are (every record of ADN,
// IAP, ANR, EMAIL, SNE and EXT1 read), the contacts to write, and the mode.
namespace usim {

enum class PlanMode
{
    Replace, // the contacts take records 1, 2, ... of set 1, then set 2; the rest is emptied
    Add,     // the contacts go into free ADN records; records in use stay as they are
};

// What did not fit, for the user: each counted once per contact.
struct PlanLosses
{
    int contactsLeftOver = 0;       // Add: no free ADN record left
    int numbersCut = 0;             // long number without a free EXT1 record: first 20 digits kept
    int extraNumbersDropped = 0;    // more numbers than ANR files or free ANR records
    int emailsDropped = 0;          // more addresses than EMAIL files or free EMAIL records
    int textsCut = 0;               // e-mail or second name longer than its record
    int secondNamesDropped = 0;     // no SNE file
    std::vector<std::string> names; // held names of the contacts concerned (each once)

    bool any() const
    {
        return contactsLeftOver + numbersCut + extraNumbersDropped + emailsDropped + textsCut +
                   secondNamesDropped !=
               0;
    }
};

struct Plan
{
    BookImage target;     // the records as they shall be
    bool tooMany = false; // Replace: more contacts than ADN records; nothing is written
    int contactsPlaced = 0;
    PlanLosses losses;
};

// `current` must hold every record of the files it names.
Plan planWrite(const BookImage& current, const std::vector<const Contact*>& contacts,
               PlanMode mode);

// One record to send: the file (in the image read from the card), the record and its bytes.
struct RecordUpdate
{
    FileImage* file = nullptr; // in `current`
    int record = 0;
    std::vector<uint8_t> data;
    bool emptiesContact = false; // an ADN record that becomes free
};

// The records where `plan.target` differs from `current`, in a safe order: ADN
// records that become free first (nothing points at what is freed after
// them), then EXT1, the type 2 files, the type 1 files and IAP, and the ADN
// records that get a contact last (what they point at is there before them).
std::vector<RecordUpdate> updatesOf(BookImage& current, const Plan& plan);

} // namespace usim
