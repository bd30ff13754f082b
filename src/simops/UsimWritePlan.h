#pragma once

#include "simops/UsimBook.h"
#include "simops/WritePlan.h"

#include <string>
#include <vector>

// What a write makes of the USIM phone book, worked out in memory before the
// first record is sent: the card's records as they are (every record of ADN,
// IAP, ANR, EMAIL, SNE and EXT1 read), the contacts to write, and the mode.
namespace usim {

enum class PlanMode
{
    Replace, // the contacts take records 1, 2, ... of set 1, then set 2; the rest is emptied
             // (contacts past the last record are not placed)
    Add,     // the contacts go into free ADN records; records in use stay as they are
};

struct Plan
{
    BookImage target; // the records as they shall be
    // What the write does, for the user: counts, what does not fit or is
    // cut (contact indices); updatesOf adds the changed records.
    WritePlan summary;
    // Per set and ADN record (from 1): the contact it receives, -1 for none.
    std::vector<std::vector<int>> slotContact;
};

// `current` must hold every record of the files it names.
Plan planWrite(const BookImage& current, const std::vector<const Contact*>& contacts,
               PlanMode mode);

// "ADN 4F3A", "EMAIL 4F50": a file of the phone book as the user is told of it.
std::string fileLabel(const PbrFile& file);

// One record to send: the file (in the image read from the card), the record and its bytes.
struct RecordUpdate
{
    FileImage* file = nullptr; // in `current`
    int record = 0;
    std::vector<uint8_t> data;
    bool emptiesContact = false; // an ADN record that becomes free
    int contact = -1;            // an ADN record that receives a contact: its index
};

// The records where `plan.target` differs from `current`, in a safe order: ADN
// records that become free first (nothing points at what is freed after
// them), then EXT1, the type 2 files, the type 1 files and IAP, and the ADN
// records that get a contact last (what they point at is there before them).
// Lists them in plan.summary as well (ADN records in `records`, the others in
// `extensions`), with the counts of new, changed and removed contacts.
std::vector<RecordUpdate> updatesOf(BookImage& current, Plan& plan);

} // namespace usim
