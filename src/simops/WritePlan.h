#pragma once

#include "phonebook/Contact.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What a phone-book write will do to the card, worked out before anything is
// sent: which records change (and from what to what), which extension records
// the new long numbers take, and which contacts do not fit. The same plan
// answers the check before writing, the dry run and the confirmation's
// summary, and tells the writer which records to leave alone because their
// bytes are already right.

// The card's phone book as it is now: every addressable record of EF ADN and
// of EF EXT1 (empty when the card has none), and the EXT1 records that other
// books' records name (own numbers), which the write must keep.
struct CardBookImage
{
    std::vector<std::vector<uint8_t>> records;    // EF ADN records 1..n
    std::vector<std::vector<uint8_t>> extensions; // EF EXT1 records 1..m
    std::vector<uint8_t> otherReferences;         // EXT1 record numbers named elsewhere
    std::size_t recordLength() const { return records.empty() ? 0 : records.front().size(); }
};

enum class PlanMode
{
    Overwrite, // the contacts into records 1, 2, ... and every later record emptied
    Add,       // the contacts into the free records; records in use are kept
    Clear      // every record emptied
};

// What a changed record holds, for the listing.
enum class RecordKind
{
    Contact,      // name and number (EF ADN)
    Extension,    // digits past the 20th (EF EXT1)
    SecondNumber, // EF ANR
    Text,         // e-mail address or second name, one per contact record (EF EMAIL, EF SNE)
    LinkedText,   // the same, in a record that ends with the contact's ADN link
    Links         // the record numbers of a contact's linked files (EF IAP)
};

// One record whose bytes change. `contact` is the index of the contact it
// receives in the list given to the plan, -1 for a record that is emptied or
// a record of another file.
struct RecordChange
{
    int record = 0; // from 1
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
    int contact = -1;
    int extension = 0; // ADN: the EXT1 record the new bytes name, 0 for none
    RecordKind kind = RecordKind::Contact;
    // The file, for a card with more than one of a kind ("ADN 4F3A"); empty
    // for EF ADN and EF EXT1 of a SIM's phone book.
    std::string file;
};

struct WritePlan
{
    std::vector<RecordChange> records;    // EF ADN, in record order
    std::vector<RecordChange> extensions; // EF EXT1 (and the USIM phone book's other files)
    int contactsGiven = 0;
    int contactsPlaced = 0;        // contacts that have a record (changed or already there)
    std::vector<int> noRecord;     // contacts left over when the free records ran out
    std::vector<int> noExtension;  // long numbers for which no extension record was free
    std::vector<int> cutNames;     // placed contacts whose name was cut to the field
    // Placed contacts with second numbers, e-mail addresses or a second name:
    // a GSM SIM's phone book holds one name and one number, so they would lose them.
    std::vector<int> extrasDropped;
    // USIM phone book: placed contacts that lose part of what they hold (a
    // long number cut to 20 digits with no EXT1 record free, second numbers,
    // e-mail addresses or a second name with no file or record for them),
    // counted per part lost.
    std::vector<int> partsLost;
    int numbersCut = 0;
    int extraNumbersDropped = 0;
    int emailsDropped = 0;
    int secondNamesDropped = 0;
    // Placed contacts whose e-mail address or second name was cut to its record.
    std::vector<int> cutEmails;
    std::vector<int> cutSecondNames;
    int added = 0;                 // free records that receive a contact
    int changed = 0;               // records in use that receive different bytes
    int removed = 0;               // records in use that are emptied
    int unchanged = 0;             // placed contacts whose record already holds them
    // Contacts on the card before the write that it no longer holds after it,
    // compared whole (name, number and the USIM fields), so that a contact that
    // only moves to another record does not count.
    int contactsLost = 0;

    // Every contact goes to the card whole.
    bool fits() const
    {
        return contactsPlaced == contactsGiven && extrasDropped.empty() && partsLost.empty();
    }
    int updateCount() const { return static_cast<int>(records.size() + extensions.size()); }
};

// Works out the write of `contacts` (already the chosen ones, in order) onto
// `card`. A contact whose number needs an extension record takes, in this
// order: the extension record its target record names already (when nothing
// kept names it too), a record of type 0x02 or 0xFF that nothing on the card
// names, or one that only records rewritten by this write name. Extension
// records named by records the write keeps, and by `otherReferences`, are
// never taken. A contact that finds no record or no extension record is not
// placed; the next one takes its place.
WritePlan planPhoneBookWrite(const CardBookImage& card, std::span<const Contact> contacts,
                             PlanMode mode);

// The contacts of an image, in record order, free records skipped.
std::vector<Contact> contactsOfImage(const CardBookImage& image);

// How many of `before` have no equal in `after` (name, number, number type and
// the USIM fields; a contact counted once per copy).
int contactsMissing(std::span<const Contact> before, std::span<const Contact> after);

// The dry-run listing of a plan, one line per changed record ("record 5: Anna
// +4912345 -> Bob 0301234567", "EXT1 record 2: ... -> ...", "EMAIL 4F50
// record 3: (empty) -> anna@example.org"), then the contacts that do not fit
// or lose something and the names, e-mails and second names that were cut.
// Texts are shown as the terminal shows them (UTF-8).
std::vector<std::string> describePlan(const WritePlan& plan, std::span<const Contact> contacts);
