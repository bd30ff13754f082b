#pragma once

#include "files/FileIo.h"
#include "files/ProfileFile.h"

#include <cstdint>
#include <string>
#include <string_view>

struct BookEntry;
struct Contact;
struct PhoneBook;
struct SideBooks;
class UserInterface;

// The phone-book file (.phn): a profile file with a [Version] section
// (format=phn, version=1) and up to three books, each in its own section:
//   [Address Book]            the phone book
//   [Fixed dialling numbers]  the fixed dialling numbers
//   [Last number dialled]     the last numbers dialled
// Each book section has Contact=<name prefix>,<number prefix>,<CCP prefix>,
// <TON/NPI prefix>, items=<count>, and per entry n (from 1) the keys
// Name<n>, Phone<n>, CCP<n>, TON_NPI<n>. Readers take the prefixes from the
// file's own Contact line; the writer always uses Name,Phone,CCP,TON_NPI.
// A phone-book entry's optional fields follow its four keys, each only when
// set: NumberType<n> (label of the number: cell, home, work, fax, other),
// SecondName<n>, per additional number k (from 2) Phone<n>_<k>, TON_NPI<n>_<k>
// and NumberType<n>_<k>, per e-mail address k (from 1) Email<n>_<k>. Older
// readers pass these keys by; an entry read without them has no optional fields.
//
// Files are written in Windows-1252 like the files made on Windows. A book
// whose names need characters Windows-1252 lacks is written in UTF-8 with a
// byte-order mark instead, so that nothing is lost; readers take both.
namespace PhnSection {
inline constexpr std::string_view kVersion = "Version";
inline constexpr std::string_view kAddressBook = "Address Book";
inline constexpr std::string_view kFixedDialling = "Fixed dialling numbers";
inline constexpr std::string_view kLastDialled = "Last number dialled";
} // namespace PhnSection

inline constexpr std::string_view kPhnFieldList = "Name,Phone,CCP,TON_NPI";
// Texts are read into buffers of this size (519 characters and the NUL).
inline constexpr std::size_t kPhnTextCapacity = 520;
// Largest file the reader takes on (some 600,000 contacts). The writer
// refuses to write a larger one, so that every file saved can be opened.
inline constexpr uint64_t kPhnMaxFileSize = 64u * 1024 * 1024;

// Reads a .phn file into the books; a null book skips its section. The phone
// book is replaced by the entries numbered 1 .. items that have any key in the
// file (in number order), the side books are read with the counts given
// (fdnCount, lndCount).
// Keys missing from the file leave their fields as they were.
// 1: the file is empty or cannot be opened (nothing changed), or at least one
// section was read. 0: not a phone-book file (format/version wrong or missing),
// or no section could be read.
int loadPhnFile(const std::string& path, PhoneBook* book, BookEntry* fdn, uint32_t fdnCount,
                BookEntry* lnd, uint32_t lndCount);
// The same on file contents already in memory (an empty text loads as an empty book).
int loadPhnBytes(std::string_view bytes, PhoneBook* book, BookEntry* fdn, uint32_t fdnCount,
                 BookEntry* lnd, uint32_t lndCount);
// Opening a book file: a .phn file into the book and the side books, or, when
// it is not one, a legacy address file into the cleared book. A file that does
// not exist is an empty book. false: neither, or the file could not be read
// (not a regular file, too large, a system error); the reason has been shown.
bool loadPhnOrAdrFile(const std::string& path, PhoneBook& book, SideBooks& sideBooks,
                      UserInterface& ui);

// Replaces the file with the books given (null ones are left out) through
// saveFileAtomically: when writing fails, or the file would be larger than
// kPhnMaxFileSize, the old file is left as it was and `ui` (when given) shows
// "Could not save <path>: <reason>".
SaveResult savePhnFile(const std::string& path, const PhoneBook* book, const BookEntry* fdn,
                       uint32_t fdnCount, const BookEntry* lnd, uint32_t lndCount,
                       UserInterface* ui = nullptr);
// The contents savePhnFile writes; `result` gets the result of the last section.
std::string phnFileBytes(const PhoneBook* book, const BookEntry* fdn, uint32_t fdnCount,
                         const BookEntry* lnd, uint32_t lndCount, int* result = nullptr);

// One book section. Reading returns 0 (and changes nothing) when the section
// has no Contact line, else 1; entries 0 .. count-1 are read. Writing drops
// trailing entries with neither name nor number nor optional fields, writes items and the entries,
// and returns 1 when at least one entry was written.
int readPhnBook(const ProfileFile& file, PhoneBook& book, int32_t items);
int readPhnSection(const ProfileFile& file, std::string_view section, Contact* entries,
                   int32_t count);
int readPhnSection(const ProfileFile& file, std::string_view section, BookEntry* entries,
                   int32_t count);
int writePhnSection(ProfileFile& file, std::string_view section, const Contact* entries,
                    uint32_t count);
int writePhnSection(ProfileFile& file, std::string_view section, const BookEntry* entries,
                    uint32_t count);
