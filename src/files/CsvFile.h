#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PhoneBook;
class ImportReport;
class UserInterface;

// CSV files as spreadsheets and contacts apps write them (RFC 4180): import
// into the phone book through the mapping dialog, export of names and numbers
// with a header line.
//
// Read: records end with CR LF, a lone CR or a lone LF; fields are separated
// by ',' or ';' (chosen from the file); a field in double quotes may hold the
// separator, line breaks and doubled quotes ("" for one "). Blanks around an
// unquoted field are dropped. The first record names the columns: it goes to
// the mapping dialog (its first kCsvMaxColumns fields), which starts on the
// columns whose names say name and number, and is never imported. Blank lines are passed by. Files
// in UTF-8 (with or without byte-order mark) and in Windows-1252 are taken.
//
// Written: a header, then "name<sep>number" per contact, CR LF, and columns
// "Number 2".., "E-mail 1".. and "Second name" when some contact has
// additional numbers, e-mail addresses or a second name; a field that
// holds the separator, a quote, a line break or outer blanks is quoted. A name
// a spreadsheet would run as a formula (starting with = + - @, a tab or a CR)
// gets a ' in front, and the import takes it off again, so export and import
// give back the same book. Windows-1252, or UTF-8 with a byte-order mark when
// a name needs characters Windows-1252 lacks.

// Largest file the import reads; the export writes no larger one.
inline constexpr uint64_t kCsvMaxFileSize = 64u * 1024 * 1024;

// One field of a record and whether it stood in quotes.
struct CsvField
{
    QString text;
    bool quoted = false;
};

// One record and the line of the file it starts on (from 1).
struct CsvRecord
{
    std::vector<CsvField> fields; // the kept ones (see CsvReader::keepFields)
    std::size_t fieldCount = 0;   // all of them
    uint32_t line = 0;
    bool ended = false;   // a line end closed it (the last one may end without)
    bool unended = false; // an opening quote was never closed before the end
    // A line with nothing on it.
    bool blank() const
    {
        return fieldCount == 1 && !fields.empty() && !fields[0].quoted && fields[0].text.isEmpty();
    }
};

// Columns of a file that the mapping offers; further ones are passed by.
inline constexpr unsigned kCsvMaxColumns = 1000;

// Reads the records of a file's bytes one after the other, in one pass, and
// decodes each kept field as it takes it (the structure is all ASCII, which
// both encodings keep as it is).
class CsvReader
{
public:
    // `utf8`: the bytes are UTF-8, else Windows-1252 (see decodeCsvText).
    CsvReader(std::string_view bytes, char separator, bool utf8)
        : m_bytes(bytes), m_separator(separator), m_utf8(utf8)
    {
    }
    // Only the first `count` fields of a record are kept; the rest are counted.
    void keepFields(std::size_t count) { m_keep = count; }
    // The next record; false at the end of the bytes.
    bool next(CsvRecord& record);

private:
    void readQuoted(CsvField* field, CsvRecord& record);
    QString decoded(std::string_view bytes) const;
    std::string_view m_bytes;
    char m_separator;
    bool m_utf8;
    std::size_t m_keep = kCsvMaxColumns;
    std::size_t m_pos = 0;
    uint32_t m_line = 1;
};

// The text of a file: UTF-8 when it starts with a byte-order mark or is valid
// UTF-8 with bytes above 0x7F, Windows-1252 otherwise.
QString decodeCsvText(std::string_view bytes);
// ',' or ';' as the records suggest, or 0 when the first record has neither.
// Separators in quotes do not count. Commas win when every ended record has
// as many as the first one, then semicolons likewise, then whichever the
// first record has more of (a tie: ',').
char chooseCsvSeparator(QStringView text);

// The columns a header names, as contacts exports call them: a full name
// ("Name", "Display Name"), else a first name ("First Name", "Given Name")
// with a last name beside it; a number, mobile numbers first ("Mobile Phone",
// "Phone 1 - Value", "Telephone").
// Further number columns ("Home Phone", "Phone 2 - Value", "Number 2"),
// e-mail columns ("E-mail 1 - Value", "E-mail Address", "Primary Email") and
// a second name ("Second Name", "Nickname") fill the optional fields.
struct CsvColumns
{
    std::optional<unsigned> name;
    std::optional<unsigned> familyName; // joined to the name after a blank
    std::optional<unsigned> number;
    std::vector<unsigned> extraNumbers;
    std::vector<unsigned> emails;
    std::optional<unsigned> secondName;
};
CsvColumns recogniseCsvColumns(const std::vector<std::string>& header);

// Replaces the book's contacts with the imported ones, each with a new
// sequence number from the book. Lines without a number, with text that
// cannot be read or with a number that cannot be dialled are left out and
// listed in `report` (and shown to the user as one summary). 1 when the
// import ran to its end (also with nothing imported); 0 when the file cannot
// be read (message 303 with the reason), is not a CSV file (message 140) or
// the mapping was cancelled.
int importCsvFile(const std::string& path, PhoneBook& book, UserInterface& ui,
                  ImportReport* report = nullptr);
int importCsvBytes(std::string_view bytes, PhoneBook& book, UserInterface& ui,
                   ImportReport* report = nullptr, const std::string& fileName = {});

// The list separator of the user's locale: ';' where the decimal separator is
// ',' (as spreadsheets there expect), ',' otherwise.
char localeListSeparator();

// Writes the header (strings 99 and 100) and every contact, UCS2 names
// decoded. `separator` 0 takes the locale's. The old file is replaced only
// once the new one is complete; on failure message 300 and false.
bool exportCsvFile(const std::string& path, const PhoneBook& book, UserInterface& ui,
                   char separator = 0);
std::string csvExportBytes(const PhoneBook& book, char separator);
