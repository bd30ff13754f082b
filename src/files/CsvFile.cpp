#include "files/CsvFile.h"

#include "files/FileIo.h"
#include "files/HeldText.h"
#include "files/ImportReport.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/PhoneBook.h"
#include "shell/LastError.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <optional>

namespace {

constexpr int kNotCsvFile = 140;
constexpr int kTextName = 99;
constexpr int kTextNumber = 100;
constexpr int kTextNumberColumn = 320;     // "Number %u"
constexpr int kTextEmailColumn = 321;      // "E-mail %u"
constexpr int kTextSecondNameColumn = 322; // "Second name"

constexpr qsizetype kMappingFieldLength = 259;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// The bytes of a file without its byte-order mark, and whether they are UTF-8.
struct CsvBytes
{
    std::string_view text;
    bool utf8 = false;
};

// UTF-8 when the file starts with a byte-order mark or is valid UTF-8 with
// bytes above 0x7F, Windows-1252 otherwise.
CsvBytes csvBytes(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
        // A second mark right after the first is taken for part of it as well.
        if (bytes.starts_with(kUtf8Bom)) {
            bytes.remove_prefix(kUtf8Bom.size());
        }
        return {bytes, true};
    }
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    return {bytes, !ascii && QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))
                                 .isValidUtf8()};
}

// The text of `bytes` in their encoding. Decoding piece by piece gives what
// decoding the whole gives, as long as the pieces end at ASCII bytes (a
// sequence never spans one); a mark inside the text stays a character.
QString decodedPiece(std::string_view bytes, bool utf8)
{
    if (!utf8) {
        return cp1252ToUnicode(bytes);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Blanks around an unquoted field's bytes.
std::string_view trimmedBlankBytes(std::string_view bytes)
{
    const std::size_t begin = bytes.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    return bytes.substr(begin, bytes.find_last_not_of(" \t") - begin + 1);
}

// How many records at most can give a contact: those with a byte a number
// can hold. Reserving the book for them spares it the copies of growing.
std::size_t possibleContacts(std::string_view bytes)
{
    std::size_t lines = 0;
    bool dialled = false;
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            lines += dialled ? 1 : 0;
            dialled = false;
        } else if ((c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p' || c == '+') {
            dialled = true;
        }
    }
    return lines + (dialled ? 1 : 0);
}

// Characters that make a spreadsheet take a cell for a formula.
bool startsFormula(QChar c)
{
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Where a run of ' at `text`'s start ends, when a formula character follows it.
std::optional<qsizetype> formulaAfterQuotes(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'') {
        ++i;
    }
    if (i < text.size() && startsFormula(text[i])) {
        return i;
    }
    return std::nullopt;
}

// A ' in front of a name a spreadsheet would run (also of one that already
// starts with ' and then a formula character, so the guard comes off again
// exactly).
QString guardedName(const QString& name)
{
    return formulaAfterQuotes(name) ? u'\'' + name : name;
}

// Takes off the ' that guardedName put in front.
QString unguardedName(const QString& name)
{
    const std::optional<qsizetype> quotes = formulaAfterQuotes(name);
    return quotes && *quotes > 0 ? name.mid(1) : name;
}

QString csvQuoted(const QString& text, QChar separator)
{
    const bool needed = text.contains(separator) || text.contains(u'"') || text.contains(u'\r') ||
                        text.contains(u'\n') ||
                        (!text.isEmpty() && (text.front() == u' ' || text.back() == u' ' ||
                                             text.front() == u'\t' || text.back() == u'\t'));
    if (!needed) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
    return text.sliced(begin, end - begin).toString();
}

// A field's value: blanks around an unquoted one are the file's layout.
QString fieldValue(const CsvRecord& record, std::optional<unsigned> index)
{
    if (!index || *index >= record.fields.size()) {
        return {};
    }
    const CsvField& field = record.fields[*index];
    return field.quoted ? field.text : trimmedBlanks(field.text);
}

// Text that did not survive decoding: the replacement character of a broken
// UTF-8 sequence, or a control character (bytes Windows-1252 leaves unassigned
// decode as C1 controls).
bool undecodable(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == 0xFFFD || (u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F);
    });
}

struct Tally
{
    qsizetype first = -1; // separators of the first record
    bool consistent = true;
};

Tally tallySeparators(const CsvBytes& bytes, char separator)
{
    CsvReader reader(bytes.text, separator, bytes.utf8);
    reader.keepFields(1);
    CsvRecord record;
    Tally tally;
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        const auto separators = static_cast<qsizetype>(record.fieldCount) - 1;
        if (tally.first < 0) {
            tally.first = separators;
        } else if (record.ended && separators != tally.first) {
            tally.consistent = false;
            break;
        }
    }
    return tally;
}

// A column name reduced to lower-case letters and digits ("Phone 1 - Value"
// gives "phone1value").
QString columnKey(const std::string& name)
{
    QString key;
    for (const QChar c : QString::fromStdString(name).toLower()) {
        if (c.isLetterOrNumber()) {
            key += c;
        }
    }
    return key;
}

bool keyIn(const QString& key, std::initializer_list<const char16_t*> names)
{
    return std::any_of(names.begin(), names.end(),
                       [&key](const char16_t* name) { return key == QStringView(name); });
}

// Column names of numbers, each also with a count after it ("Phone 2",
// "Business Phone 2", "Number 3").
constexpr std::initializer_list<const char16_t*> kPhoneStems = {
    u"phone",     u"telephone", u"tel",           u"number",     u"mobile",
    u"homephone", u"workphone", u"businessphone", u"otherphone", u"mobilephone"};

// `key` is one of the stems, then digits or none, then one of the endings or none.
bool numberedKey(const QString& key, std::initializer_list<const char16_t*> stems,
                 std::initializer_list<const char16_t*> endings)
{
    for (const char16_t* stem : stems) {
        const QStringView s(stem);
        if (!key.startsWith(s)) {
            continue;
        }
        QStringView rest = QStringView(key).sliced(s.size());
        while (!rest.isEmpty() && rest.front().isDigit()) {
            rest = rest.sliced(1);
        }
        if (rest.isEmpty() ||
            std::any_of(endings.begin(), endings.end(),
                        [rest](const char16_t* e) { return rest == QStringView(e); })) {
            return true;
        }
    }
    return false;
}

struct MappedColumns
{
    unsigned name = 0;
    std::optional<unsigned> familyName;
    unsigned number = 1;
    std::vector<unsigned> extraNumbers;
    std::vector<unsigned> emails;
    std::optional<unsigned> secondName;

    unsigned last() const
    {
        unsigned last = std::max({name, number, familyName.value_or(0), secondName.value_or(0)});
        for (const auto* columns : {&extraNumbers, &emails}) {
            if (!columns->empty()) {
                last = std::max(last, *std::max_element(columns->begin(), columns->end()));
            }
        }
        return last;
    }
};

// A number of the file as the book holds it; nullopt when the check refuses it.
std::optional<std::string> checkedNumber(const QString& typed)
{
    bool exact = false;
    std::string number = unicodeToCp1252(typed, &exact);
    if (!exact || checkNumber(number) != NumberRefusal::None) {
        return std::nullopt;
    }
    return number;
}

// The additional numbers, e-mail addresses and second name of a line.
void readExtras(const CsvRecord& record, const MappedColumns& columns, const std::string& shown,
                Contact& contact, ImportReport& report)
{
    for (const unsigned column : columns.extraNumbers) {
        const QString typed = fieldValue(record, column);
        const std::optional<std::string> number = checkedNumber(typed);
        if (!number) {
            report.skip(SkipReason::RefusedNumber, record.line, shown, typed.toStdString());
        } else if (number->empty()) {
            continue;
        } else if (contact.extras().extraNumbers.size() >= Contact::kMaxExtraNumbers) {
            report.skip(SkipReason::NotKept, record.line, shown, *number);
        } else {
            ExtraNumber extra;
            extra.number = *number;
            extra.tonNpi = tonNpiForNumber(*number, TonNpi::kNational);
            contact.editExtras().extraNumbers.push_back(std::move(extra));
        }
    }
    for (const unsigned column : columns.emails) {
        const QString email = unguardedName(fieldValue(record, column));
        if (email.isEmpty()) {
            continue;
        }
        const std::string held = heldNameFromText(email, Contact::kMaxEmailBytes + 1);
        if (contact.extras().emails.size() >= Contact::kMaxEmails ||
            held.size() > Contact::kMaxEmailBytes) {
            report.skip(SkipReason::NotKept, record.line, shown, email.toStdString());
        } else {
            contact.editExtras().emails.push_back(held);
        }
    }
    if (columns.secondName) {
        const QString second = unguardedName(fieldValue(record, columns.secondName));
        std::string held = heldNameFromText(second, Contact::kNameSize - 1);
        if (!held.empty()) {
            contact.editExtras().secondName = std::move(held);
        }
    }
}

void importRecord(const CsvRecord& record, const MappedColumns& columns, PhoneBook& book,
                  ImportReport& report)
{
    QString name = unguardedName(fieldValue(record, columns.name));
    if (columns.familyName) {
        const QString family = fieldValue(record, columns.familyName);
        if (!family.isEmpty()) {
            name += (name.isEmpty() ? QString() : QStringLiteral(" ")) + family;
        }
    }
    // A name of a quoted field may run over lines; the book's names are one line.
    name.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    name.replace(u'\r', u' ');
    name.replace(u'\n', u' ');
    const std::string shown = name.toStdString();
    if (undecodable(name)) {
        report.skip(SkipReason::Undecodable, record.line);
        return;
    }
    const QString typed = fieldValue(record, columns.number);
    const std::optional<std::string> number = checkedNumber(typed);
    if (!number) {
        report.skip(SkipReason::RefusedNumber, record.line, shown, typed.toStdString());
        return;
    }
    Contact contact;
    readExtras(record, columns, shown, contact, report);
    if (!number->empty()) {
        contact.setNumber(*number);
        contact.tonNpi = tonNpiForNumber(*number, TonNpi::kNational);
    } else if (!contact.extras().extraNumbers.empty()) {
        // No number in its column: the first additional one takes its place.
        contact.setNumber(contact.extras().extraNumbers.front().number);
        contact.tonNpi = contact.extras().extraNumbers.front().tonNpi;
        std::vector<ExtraNumber>& extraNumbers = contact.editExtras().extraNumbers;
        extraNumbers.erase(extraNumbers.begin());
    } else {
        report.skip(SkipReason::NoNumber, record.line, shown);
        return;
    }
    const std::string held = heldNameFromText(name, Contact::kNameSize - 1);
    if (heldNameToUnicode(held) != name) {
        report.skip(SkipReason::NameShortened, record.line, shown);
    }
    contact.setName(held);
    contact.sequence = book.takeSequence();
    book.append(contact);
    report.addImported();
}

} // namespace

QString CsvReader::decoded(std::string_view bytes) const
{
    return decodedPiece(bytes, m_utf8);
}

void CsvReader::readQuoted(CsvField* field, CsvRecord& record)
{
    const std::size_t size = m_bytes.size();
    std::size_t run = m_pos;
    while (m_pos < size) {
        const char c = m_bytes[m_pos];
        if (c == '"') {
            if (field != nullptr) {
                field->text += decoded(m_bytes.substr(run, m_pos - run));
            }
            if (m_pos + 1 < size && m_bytes[m_pos + 1] == '"') {
                if (field != nullptr) {
                    field->text += u'"';
                }
                m_pos += 2;
                run = m_pos;
                continue;
            }
            ++m_pos;
            return;
        }
        if (c == '\n' || (c == '\r' && !(m_pos + 1 < size && m_bytes[m_pos + 1] == '\n'))) {
            ++m_line;
        }
        ++m_pos;
    }
    if (field != nullptr) {
        field->text += decoded(m_bytes.substr(run, size - run));
    }
    record.unended = true;
}

bool CsvReader::next(CsvRecord& record)
{
    record.fields.clear();
    record.fieldCount = 0;
    record.ended = false;
    record.unended = false;
    const std::size_t size = m_bytes.size();
    if (m_pos >= size) {
        return false;
    }
    record.line = m_line;
    const auto fieldEnd = [&](std::size_t from) {
        while (from < size && m_bytes[from] != m_separator && !isLineEnd(m_bytes[from])) {
            ++from;
        }
        return from;
    };
    for (;;) {
        // Fields past the kept ones are only counted, so that a line of
        // millions of separators costs no memory.
        const bool kept = record.fieldCount < m_keep;
        CsvField field;
        std::size_t quote = m_pos;
        while (quote < size && m_bytes[quote] == ' ') {
            ++quote;
        }
        if (quote < size && m_bytes[quote] == '"') {
            field.quoted = true;
            m_pos = quote + 1;
            readQuoted(kept ? &field : nullptr, record);
            // Anything between the closing quote and the separator is kept
            // as it stands; blanks there are layout.
            const std::size_t end = fieldEnd(m_pos);
            if (kept) {
                field.text += decoded(trimmedBlankBytes(m_bytes.substr(m_pos, end - m_pos)));
            }
            m_pos = end;
        } else {
            const std::size_t end = fieldEnd(m_pos);
            if (kept) {
                field.text = decoded(m_bytes.substr(m_pos, end - m_pos));
            }
            m_pos = end;
        }
        ++record.fieldCount;
        if (kept) {
            record.fields.push_back(std::move(field));
        }
        if (m_pos >= size) {
            return true;
        }
        if (m_bytes[m_pos] == m_separator) {
            ++m_pos;
            continue;
        }
        m_pos += m_bytes[m_pos] == '\r' && m_pos + 1 < size && m_bytes[m_pos + 1] == '\n' ? 2 : 1;
        ++m_line;
        record.ended = true;
        return true;
    }
}

QString decodeCsvText(std::string_view bytes)
{
    const CsvBytes text = csvBytes(bytes);
    return decodedPiece(text.text, text.utf8);
}

namespace {

char chooseSeparator(const CsvBytes& bytes)
{
    const Tally commas = tallySeparators(bytes, ',');
    if (commas.first < 0) {
        return 0;
    }
    if (commas.first > 0 && commas.consistent) {
        return ',';
    }
    const Tally semicolons = tallySeparators(bytes, ';');
    if (semicolons.first > 0 && semicolons.consistent) {
        return ';';
    }
    if (commas.first == 0 && semicolons.first == 0) {
        return 0;
    }
    return semicolons.first > commas.first ? ';' : ',';
}

} // namespace

char chooseCsvSeparator(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    return chooseSeparator(
        CsvBytes{std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), true});
}

CsvColumns recogniseCsvColumns(const std::vector<std::string>& header)
{
    CsvColumns found;
    std::optional<unsigned> first;
    std::vector<unsigned> mobiles;
    std::vector<unsigned> phones;
    const auto take = [](std::optional<unsigned>& slot, unsigned column) {
        if (!slot) {
            slot = column;
        }
    };
    for (unsigned column = 0; column < header.size(); ++column) {
        const QString key = columnKey(header[column]);
        if (keyIn(key, {u"name", u"fullname", u"displayname", u"formattedname", u"contactname",
                        u"contact", u"nom", u"nombre", u"naam", u"namn"})) {
            take(found.name, column);
        } else if (keyIn(key, {u"firstname", u"givenname", u"first", u"forename", u"vorname",
                               u"prenom", u"prénom"})) {
            take(first, column);
        } else if (keyIn(key,
                         {u"lastname", u"familyname", u"surname", u"last", u"nachname",
                          u"nomdefamille", u"apellidos", u"apellido", u"cognome", u"achternaam"})) {
            take(found.familyName, column);
        } else if (keyIn(key, {u"secondname", u"nickname"})) {
            take(found.secondName, column);
        } else if (keyIn(key, {u"mobile", u"mobilephone", u"mobilenumber", u"cell", u"cellphone",
                               u"cellular", u"handy", u"mobil", u"mobiltelefon", u"mobilnummer",
                               u"portable", u"móvil", u"movil", u"celular", u"cellulare"})) {
            mobiles.push_back(column);
        } else if (keyIn(key, {u"telephonenumber", u"phonenumber", u"telefon", u"telefonnummer",
                               u"téléphone", u"teléfono", u"telefono", u"primaryphone", u"nummer",
                               u"numero", u"número"}) ||
                   numberedKey(key, kPhoneStems, {u"value"})) {
            phones.push_back(column);
        } else if (keyIn(key, {u"primaryemail", u"secondaryemail"}) ||
                   numberedKey(key, {u"email", u"mail", u"emailaddress"}, {u"value", u"address"})) {
            found.emails.push_back(column);
        }
    }
    // The first mobile number is the contact's number, else the first other
    // one; the rest are its additional numbers, in the file's order.
    std::vector<unsigned> numbers = mobiles.empty() ? phones : mobiles;
    if (!numbers.empty()) {
        found.number = numbers.front();
    }
    numbers = mobiles;
    numbers.insert(numbers.end(), phones.begin(), phones.end());
    std::sort(numbers.begin(), numbers.end());
    for (const unsigned column : numbers) {
        if (column != found.number) {
            found.extraNumbers.push_back(column);
        }
    }
    if (found.name) {
        found.familyName.reset();
    } else if (first) {
        found.name = first;
    } else {
        // A last name alone is the name.
        found.name = found.familyName;
        found.familyName.reset();
    }
    return found;
}

int importCsvBytes(std::string_view bytes, PhoneBook& book, UserInterface& ui, ImportReport* report,
                   const std::string& fileName)
{
    // The fields are decoded one by one as the reader takes them: no copy of
    // the whole text beside the file's bytes.
    const CsvBytes text = csvBytes(bytes);
    const char separator = chooseSeparator(text);
    if (separator == 0) {
        ui.inform(kNotCsvFile);
        return 0;
    }
    CsvReader reader(text.text, separator, text.utf8);
    reader.keepFields(kCsvMaxColumns);
    CsvRecord record;
    while (reader.next(record) && record.blank()) {
    }

    UserInterface::CsvMappingRequest mapping;
    for (const CsvField& field : record.fields) {
        mapping.fields.push_back(field.text.left(kMappingFieldLength).toStdString());
    }
    const CsvColumns recognised = recogniseCsvColumns(mapping.fields);
    mapping.nameField = recognised.name.value_or(recognised.number == 0u ? 1 : 0);
    mapping.numberField = recognised.number.value_or(mapping.nameField == 1 ? 0 : 1);
    mapping.extraNumberFields = recognised.extraNumbers;
    mapping.emailFields = recognised.emails;
    mapping.secondNameField = recognised.secondName;
    mapping.lastNameField = recognised.familyName;
    if (!ui.mapCsvFields(mapping)) {
        return 0;
    }
    // The name and the number take their columns whole; any other field mapped
    // to one of them (or named twice) is passed by.
    MappedColumns columns;
    columns.name = mapping.nameField;
    columns.number = mapping.numberField;
    std::vector<unsigned> taken{columns.name, columns.number};
    const auto take = [&taken](unsigned column) {
        if (std::find(taken.begin(), taken.end(), column) != taken.end()) {
            return false;
        }
        taken.push_back(column);
        return true;
    };
    if (mapping.lastNameField && take(*mapping.lastNameField)) {
        columns.familyName = mapping.lastNameField;
    }
    if (mapping.secondNameField && take(*mapping.secondNameField)) {
        columns.secondName = mapping.secondNameField;
    }
    std::copy_if(mapping.extraNumberFields.begin(), mapping.extraNumberFields.end(),
                 std::back_inserter(columns.extraNumbers), take);
    std::copy_if(mapping.emailFields.begin(), mapping.emailFields.end(),
                 std::back_inserter(columns.emails), take);

    reader.keepFields(columns.last() + 1);
    ImportReport imported;
    book.clear();
    // Room for every line that may give a contact, but never more than ten
    // times the file, for a file of short lines that give none.
    book.contacts.reserve(
        std::min(possibleContacts(text.text), 10 * text.text.size() / sizeof(Contact)));
    while (reader.next(record)) {
        if (record.blank()) {
            continue;
        }
        writeLog(LogLevel::PersonalData, "cvs line", "%u - %s", static_cast<unsigned>(record.line),
                 fieldValue(record, columns.name).toUtf8().constData());
        if (record.unended) {
            imported.skip(SkipReason::Unended, record.line);
        }
        importRecord(record, columns, book, imported);
    }
    tellImportSummary(ui, fileName, imported);
    if (report != nullptr) {
        report->merge(imported);
    }
    return 1;
}

int importCsvFile(const std::string& path, PhoneBook& book, UserInterface& ui, ImportReport* report)
{
    std::string bytes;
    if (const FileResult read = readInputFile(path, kCsvMaxFileSize, bytes); !read.ok()) {
        tellOpenFailure(ui, path, read);
        return 0;
    }
    return importCsvBytes(bytes, book, ui, report, path);
}

char localeListSeparator()
{
    return QLocale().decimalPoint() == QStringLiteral(",") ? ';' : ',';
}

std::string csvExportBytes(const PhoneBook& book, char separator)
{
    const QChar sep = QChar::fromLatin1(separator);
    // Columns for the optional fields only when some contact has them.
    std::size_t extraNumbers = 0;
    std::size_t emails = 0;
    bool secondName = false;
    for (const Contact& contact : book.contacts) {
        extraNumbers = std::max(extraNumbers, contact.extras().extraNumbers.size());
        emails = std::max(emails, contact.extras().emails.size());
        secondName = secondName || !contact.extras().secondName.empty();
    }
    extraNumbers = std::min(extraNumbers, Contact::kMaxExtraNumbers);
    emails = std::min(emails, Contact::kMaxEmails);

    const auto text = [](int id) { return QString::fromStdString(resString(id)); };
    QString out = csvQuoted(text(kTextName), sep) + sep + csvQuoted(text(kTextNumber), sep);
    for (std::size_t k = 0; k < extraNumbers; ++k) {
        out += sep + csvQuoted(QString::fromStdString(formatResString(
                                   kTextNumberColumn, static_cast<unsigned>(k + 2))),
                               sep);
    }
    for (std::size_t k = 0; k < emails; ++k) {
        out += sep + csvQuoted(QString::fromStdString(
                                   formatResString(kTextEmailColumn, static_cast<unsigned>(k + 1))),
                               sep);
    }
    if (secondName) {
        out += sep + csvQuoted(text(kTextSecondNameColumn), sep);
    }
    out += QStringLiteral("\r\n");
    for (const Contact& contact : book.contacts) {
        out += csvQuoted(guardedName(heldNameToUnicode(contact.heldName())), sep);
        out += sep;
        out += csvQuoted(cp1252ToUnicode(contact.numberText()), sep);
        for (std::size_t k = 0; k < extraNumbers; ++k) {
            out += sep;
            if (k < contact.extras().extraNumbers.size()) {
                out += csvQuoted(cp1252ToUnicode(contact.extras().extraNumbers[k].number), sep);
            }
        }
        for (std::size_t k = 0; k < emails; ++k) {
            out += sep;
            if (k < contact.extras().emails.size()) {
                out += csvQuoted(guardedName(heldNameToUnicode(contact.extras().emails[k])), sep);
            }
        }
        if (secondName) {
            out +=
                sep + csvQuoted(guardedName(heldNameToUnicode(contact.extras().secondName)), sep);
        }
        out += QStringLiteral("\r\n");
    }
    bool exact = false;
    std::string bytes = unicodeToCp1252(out, &exact);
    // A name Windows-1252 cannot hold, or Windows-1252 bytes that would read
    // as UTF-8 ("Ã©" is the UTF-8 of "é"): the whole file in UTF-8, marked so.
    if (!exact || decodeCsvText(bytes) != out) {
        bytes = std::string(kUtf8Bom) + out.toUtf8().toStdString();
    }
    return bytes;
}

bool exportCsvFile(const std::string& path, const PhoneBook& book, UserInterface& ui,
                   char separator)
{
    if (separator == 0) {
        separator = localeListSeparator();
    }
    const SaveResult saved =
        saveWithinLimit(path, csvExportBytes(book, separator), kCsvMaxFileSize);
    if (!saved.ok()) {
        tellSaveFailure(ui, path, saved);
        return false;
    }
    return true;
}
