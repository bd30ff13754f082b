#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <string>
#include <string_view>
#include <vector>

class UserInterface;

// What the SIM information shows: the values in memory from the last card
// connection and read. Gathering them sends nothing to the card; before any
// card was read they are zeros and empty texts.
struct SimInfo
{
    int recordCount = 0;  // "Contacts:" - records of the card's phone book
    int contactsRead = 0; // "Contacts read:"
    int freeRecords = 0;  // "Free contacts:" - records minus contacts
    int nameLength = 0;   // "Name length:" - alpha identifier length
    int pin1StateId = 0;  // 149 on, 150 off, 151 blocked
    std::string pin1State;
    std::string iccid;               // "Identification number:"
    std::string serviceProviderName; // "Service Provider Name:"
    std::string ownNumber;           // "Own number:" - own-number entry 0 when in use, else empty
    std::string cardKind;            // "Card:" - GSM SIM, UICC with USIM, UICC; empty before a card
    std::string phoneBook;           // "Phone book:" - which of the card's phone books is used
    // "PIN1 attempts left:", then PUK1, PIN2 and PUK2: the counts the card
    // told ("none on this card" for a code it does not have); a count the
    // card did not tell is left out.
    struct Counter
    {
        int labelId = 0;
        std::string value;
    };
    std::vector<Counter> counters;
};

// String-table ids of the labels, for the dialog and the terminal.
namespace SimInfoText {
enum Id : int
{
    Title = 142,
    Iccid = 143,
    Group = 144,
    Contacts = 145,
    ContactsRead = 146,
    FreeContacts = 147,
    NameLength = 148,
    Pin1On = 149,
    Pin1Off = 150,
    Pin1Blocked = 151,
    ServiceProvider = 175,
    OwnNumber = 176,
    CardKind = 1911,
    KindSim = 1912,
    KindUiccWithUsim = 1913,
    KindUicc = 1914,
    PhoneBook = 1915,
    BookAdn = 1916,
    BookUsimLocal = 1917,
    BookUsimGlobal = 1918,
};
} // namespace SimInfoText

SimInfo collectSimInfo(const CardSession& session, const PhoneBook& book,
                       const SideBooks& sideBooks);

enum class OwnNumberChange
{
    Unchanged,   // the number equals the own number: nothing was sent to the card
    Written,     // stored and written to EF MSISDN
    NotWritten,  // emptied: stored, but an empty own number is not written (the card keeps its own)
    WriteFailed, // stored (it goes to the card with the next write) but the card did not take it
    Invalid,     // not a dialling number, or longer than the card holds: nothing changed
};

// OK of the SIM information. The typed text loses its blanks and '-' and must
// be a dialling number of at most 40 characters ("Wrong number!" otherwise).
// When it differs from entry 0's number it is stored in entry 0 with the
// TON/NPI that goes with it, marked in use and changed, and written with
// WriteOwnNumbers. A failed write is reported to the user.
OwnNumberChange applyOwnNumber(CardSession& session, SideBooks& sideBooks, UserInterface& ui,
                               std::string_view typed);
