#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

class ProgressMeter;
class UserInterface;

// Reading the card's books: the fixed dialling and last dialled numbers and
// the own numbers into their side books, then the phone book. Every command
// goes through session.commands(); messages through `ui`.

// Reads EF FDN (6F3B) or EF LND (6F44) under DF Telecom into `entries`, at most
// entries.size() records. `count` becomes the number of records taken. A record
// that cannot be read leaves its entry as it was. True when the last record was read.
// `incomplete`, when given, says whether a record (or the file, when the card
// has it) could not be read.
bool readPhoneNumbers(CardSession& session, UserInterface& ui, uint16_t fileId,
                      std::span<BookEntry> entries, uint32_t& count, bool* incomplete = nullptr);

// Reads EF MSISDN (6F40): records 1 to 9 into entries 0 to 8, `count` the
// records the file has. Selects EF ADN again when the SIM phone book is in
// use; false when a selection failed. A selection the card refused (it has no
// EF MSISDN) has told nobody yet: its answer goes to `refused` when given.
bool readMsisdn(CardSession& session, UserInterface& ui, std::span<BookEntry> entries,
                uint16_t& count, std::optional<CardResult>* refused = nullptr);

// Appends the digits of extension record `extensionRecord` of
// `extensionFile` (0: EF EXT2 for a fixed dialling number, EF EXT1 otherwise)
// to `number`, then selects `returnFile` again. On failure the user is told,
// the connection is ended and the result is false.
bool readOverflowNumber(CardSession& session, UserInterface& ui, std::string& number,
                        uint8_t extensionRecord, uint16_t returnFile, uint16_t extensionFile = 0);

// The phone book read from the card, with the side books read before it.
struct CardBooksRead
{
    std::vector<Contact> contacts; // in record order, free records skipped
    SideBooks sideBooks;
    bool fdnIncomplete = false; // a fixed dialling record could not be read
    bool lndIncomplete = false; // a last dialled record could not be read
    // The card's answer when it refused EF MSISDN, which ends the read.
    std::optional<CardResult> ownNumbersRefused;
};

// Reads the side books and then every phone-book record (the record count
// limited to 449 when the card has more than 450) into `out`, advancing
// `meter` once per record. False when the read did not complete: the user has
// been told (except of a refused EF MSISDN, see ownNumbersRefused) and `out`
// is incomplete.
bool readCardBooks(CardSession& session, UserInterface& ui, ProgressMeter& meter,
                   CardBooksRead& out);

// Puts a complete read into the program's tables: contacts numbered 0, 1, ...
// in record order, nextSequence one past them, selection cleared.
void storeCardBooks(CardBooksRead& read, PhoneBook& book, SideBooks& sideBooks);

// Records beyond this number cannot be addressed: READ and UPDATE RECORD carry
// the record number in one byte, 0 naming the current record.
inline constexpr int kHighestRecordNumber = 255;
