#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/Contact.h"
#include "phonebook/SideBooks.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class UserInterface;

// Laying out and writing the card's number records and their extension
// records. Every command goes through session.commands().

// Writes digits 21-40 of `number` into the first extension record at or after
// `cursor` whose type is 0x02 or 0xFF (EF EXT2 for the fixed dialling numbers,
// EF EXT1 otherwise), then selects `bookFile` again. `cursor` ends one past the
// record taken. Records marked in `reserved` (by record number) belong to
// other numbers and are passed over; the record taken is marked there, so that
// the next book written with the same marks leaves it alone. On failure the user is told, the
// connection is ended and the result is false.
// `extensionFile` 0 takes the book's usual one (EF EXT2 or EF EXT1).
bool writeOverflowDigits(CardSession& session, UserInterface& ui, uint16_t& cursor,
                         std::string_view number, uint16_t bookFile,
                         std::vector<bool>* reserved = nullptr, uint16_t extensionFile = 0);

// Lays out the phone-book record of `contact` (session.adnRecordLength bytes).
// A number longer than 20 characters first gets its extension record through
// WriteOverflowDigits; false when that failed (the connection has been ended).
// `nameCut`, when given, says whether the name had to be cut to fit the record.
bool buildContactRecord(CardSession& session, UserInterface& ui, const Contact& contact,
                        uint16_t& extensionCursor, std::vector<uint8_t>& record,
                        bool* nameCut = nullptr);

// How a side-book write ended. Every record's answer is checked: the write
// stops at the first one the card refuses and names it.
struct BookWrite
{
    enum class Status
    {
        Unchanged,       // nothing to write: the card was not touched
        Written,         // every record the write meant to write was taken
        Pin2NotGiven,    // PIN2 was refused or not entered: nothing was written
        SelectFailed,    // the book's file could not be selected or sized
        ExtensionFailed, // an extension record could not be written (user told, connection ended)
        RecordRefused    // the card refused record `record` (`answer` says how)
    };
    Status status = Status::Unchanged;
    int record = 0;                    // the refused record's number
    int recordsWritten = 0;            // records the card took before the write ended
    CardResult answer;                 // the failed command's answer (select or update)
    std::vector<std::string> cutNames; // names cut to fit their records (Windows-1252)

    bool ok() const { return status == Status::Unchanged || status == Status::Written; }
};

// Writes every entry of EF FDN (6F3B, after PIN2 was accepted) or EF LND
// (6F44, cyclic: from the last record down) when one of the first `checkCount`
// entries is dirty; touches nothing otherwise (Unchanged). Long numbers take
// no extension record marked in `reserved` and mark the ones they take.
BookWrite writePhoneNumbers(CardSession& session, UserInterface& ui, uint16_t fileId,
                            std::span<const BookEntry> entries, uint32_t checkCount = 20,
                            std::vector<bool>* reserved = nullptr);

// Writes the dirty own numbers with a number (records 1 to 9 of EF MSISDN),
// then selects EF ADN again when the SIM phone book is in use (a failure
// there is SelectFailed as well). Long numbers take no EXT1 record marked in
// `reserved` and mark the ones they take.
BookWrite writeOwnNumbers(CardSession& session, UserInterface& ui,
                          std::span<const BookEntry> entries,
                          std::vector<bool>* reserved = nullptr);
