#pragma once

#include "files/VCardFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <string>

class TerminalUserInterface;
struct CliOptions;

// The phone-book files of the terminal front end, chosen by name and content.

// The vCard choices of the command line (--numbers, --vcard-version).
VCardNumbers vCardNumbersOf(const CliOptions& options);
VCardVersion vCardVersionOf(const CliOptions& options);

// True when the name ends in ".csv" (any case).
bool isCsvPath(const std::string& path);

// Loads `path` into the books: a .csv name is imported through the CSV
// mapping (the terminal's --name-field/--number-field); any other file is read
// as a phone-book file (.phn), and as a legacy address file when it is none.
// A .vcf or .vcard name is read as vCard, taking several numbers of a card as
// `numbers` says; what it left out is shown. false when nothing was loaded
// (the reason has been shown).
// What the import left out is shown as one summary and added to `report`.
bool loadBookFile(const std::string& path, PhoneBook& book, SideBooks& sideBooks,
                  TerminalUserInterface& ui, VCardNumbers numbers = VCardNumbers::PreferredOnly,
                  ImportReport* report = nullptr);

// Saves the books to `path`: a .csv name gets the phone book as an export,
// any other name a phone-book file with all three books, as Save As writes it.
// false when the file could not be written (shown).
// A .vcf or .vcard name gets the phone book as vCard `version`.
bool saveBookFile(const std::string& path, const PhoneBook& book, const SideBooks& sideBooks,
                  TerminalUserInterface& ui, VCardVersion version = VCardVersion::V40);
