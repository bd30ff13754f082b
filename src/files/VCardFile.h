#pragma once

#include "files/VCardParser.h"

#include <cstdint>
#include <string>
#include <string_view>

class ImportReport;
struct PhoneBook;
class UserInterface;

// vCard files into the phone book and back.
//
// Import: each card becomes one contact named by FN (else N, else ORG), with
// its numbers in order of preference (PREF=n, TYPE=pref, then file order).
// NICKNAME becomes the second name, EMAIL the e-mail addresses. Cards without
// a number the book can take, numbers a card cannot dial and text that
// cannot be decoded are left out and reported.
//
// Export: one card per contact in UTF-8 with CR LF line ends, lines folded at
// 75 octets without splitting a character. The main number comes first and,
// when there are others, is marked preferred. TON/NPI values a plain number
// would not get, and a CCP byte, travel in X-PHONARA- extensions that other
// programs pass by, so that a round trip keeps every field of the book.

// What goes into the book from a card with several numbers.
enum class VCardNumbers : uint8_t
{
    PreferredOnly,  // one contact: the preferred number, the others as additional numbers
    EntryPerNumber, // one contact per number, named "Anna (work)"
};

enum class VCardLoad : uint8_t
{
    Loaded,
    CannotOpen, // the file cannot be read
    TooLarge,   // larger than kVCardMaxFileSize
    NotVCard,   // no BEGIN:VCARD in it
};

// Appends the cards' contacts to `book`; the contacts get sequence numbers in
// book order. What was left out or changed goes to `report` (line numbers of
// the file), its `imported` counts the contacts added.
VCardLoad importVCardBytes(std::string_view bytes, PhoneBook& book, VCardNumbers numbers,
                           ImportReport& report);
VCardLoad importVCardFile(const std::string& path, PhoneBook& book, VCardNumbers numbers,
                          ImportReport& report);

// The book as vCard text, version 4.0 or 3.0 (2.1 is not written). Contacts
// with nothing in them are left out; `leftOut` gets how many.
std::string vCardBytes(const PhoneBook& book, VCardVersion version, uint32_t* leftOut = nullptr);
// Replaces the file atomically; false (lastError() holds the errno value) when
// it could not be written, and the old file is then untouched.
bool exportVCardFile(const std::string& path, const PhoneBook& book, VCardVersion version,
                     uint32_t* leftOut = nullptr);

// The same for a front end: a file that cannot be read (message 25), is too
// large (771) or is no vCard file (770) is said so and gives false; the
// summary (760 and a line per issue) is shown when anything was left out or
// changed. `report` (when given) gets the summary's counts.
bool importVCardFile(const std::string& path, PhoneBook& book, VCardNumbers numbers,
                     UserInterface& ui, ImportReport* report = nullptr);
// Export for a front end: message 25 and false when the file cannot be written.
bool exportVCardFile(const std::string& path, const PhoneBook& book, VCardVersion version,
                     UserInterface& ui);

// The paths that name a vCard file: ending .vcf or .vcard, in any case.
bool isVCardPath(std::string_view path);

// String-table ids of the import's own failures.
inline constexpr int kVCardNotVCardTextId = 770; // "This is not a vCard file!"
inline constexpr int kVCardTooLargeTextId = 771; // "The file is too large to import."
