#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PhoneBook;
class UserInterface;

// CSV files: import into the phone book through the mapping dialog, export of
// names and numbers with a header line.
//
// Read: lines end with CR LF, a lone CR or a lone LF; fields are separated by
// one ',' or ';' and there is no quoting: a separator inside quotes still
// splits, and quotes are removed from the values afterwards. The first line
// goes to the mapping dialog and is never imported; an empty line ends the
// data. Files in UTF-8 (with or without byte-order mark) and in Windows-1252
// are taken. Written: Windows-1252, CR LF, "name<sep>number" per contact.

// Largest file the import reads.
inline constexpr uint64_t CsvMaxFileSize = 16u * 1024 * 1024;

// One line of the text and whether a line end closed it (the last line of a
// file may end without one).
struct CsvLine
{
    QString text;
    bool ended = false;
};

// The text of a file: UTF-8 when it starts with a byte-order mark or is valid
// UTF-8 with bytes above 0x7F, Windows-1252 otherwise.
QString decodeCsvText(std::string_view bytes);
// Splits at CR LF, CR or LF.
std::vector<CsvLine> splitCsvLines(const QString& text);
// ',' or ';' as the lines suggest, or 0 when the first line has neither.
// Commas win when every ended line has as many as the first line, then
// semicolons likewise, then whichever the first line has more of (a tie: ',').
char chooseCsvSeparator(const std::vector<CsvLine>& lines);

// Replaces the book's contacts with the imported ones, each with a new
// sequence number from the book. 1 when the import ran to
// its end (also with nothing imported); 0 when the file cannot be read (no
// message), is not a CSV file (message 140) or the mapping was cancelled.
int importCsvFile(const std::string& path, PhoneBook& book, UserInterface& ui);
int importCsvBytes(std::string_view bytes, PhoneBook& book, UserInterface& ui);

// The list separator of the user's locale: ';' where the decimal separator is
// ',' (as spreadsheets there expect), ',' otherwise.
char localeListSeparator();

// Writes the header (strings 99 and 100) and every contact, UCS2 names
// decoded. `separator` 0 takes the locale's. The old file is replaced only
// once the new one is complete; on failure message 25 and false.
bool exportCsvFile(const std::string& path, const PhoneBook& book, UserInterface& ui,
                   char separator = 0);
std::string csvExportBytes(const PhoneBook& book, char separator);
