#include "files/CsvFile.h"

#include "files/DelimitedField.h"
#include "files/FileIo.h"
#include "files/HeldText.h"
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

namespace {

constexpr int NotCsvFile = 140;
constexpr int TextName = 99;
constexpr int TextNumber = 100;

constexpr qsizetype MappingFieldLength = 259;
constexpr qsizetype NameFieldLength = 99;
constexpr qsizetype NumberFieldLength = 41;
constexpr qsizetype LongLine = 500;

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// Characters taken out of a number field before it is checked; letters go too.
// Dots go as well, so "ext. 12" and dotted numbers such as 020.123.45 survive.
constexpr std::u16string_view NumberClutter = u"\"')([]/{}xX-\\:.";

// Field `field` of a line, cut to `maxLength` characters; null when the line
// has fewer fields.
std::optional<QString> lineField(const QString& line, QChar separator, unsigned field,
                                 qsizetype maxLength)
{
    qsizetype start = 0;
    for (unsigned skipped = 0; skipped < field; ++skipped) {
        const qsizetype at = line.indexOf(separator, start);
        if (at < 0) {
            return std::nullopt;
        }
        start = at + 1;
    }
    qsizetype end = line.indexOf(separator, start);
    if (end < 0) {
        end = line.size();
    }
    return line.mid(start, std::min(end - start, maxLength));
}

QString trimmedBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString cleanName(const QString& field)
{
    QString name = trimmedBlanks(field);
    name.remove(u'"');
    name.remove(u'\'');
    return name;
}

// The number as a dialling string, or empty when what is left after the
// clean-up is no valid number ("+44 (20) 123-45" gives +442012345).
std::string cleanNumber(const QString& field)
{
    QString number = trimmedBlanks(field);
    for (const char16_t c : NumberClutter) {
        number.remove(QChar(c));
    }
    number.removeIf([](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
    bool exact = false;
    std::string text = unicodeToCp1252(number, &exact);
    if (!exact || !validateNumber(text)) {
        text.clear();
    }
    return text;
}

} // namespace

QString decodeCsvText(std::string_view bytes)
{
    if (bytes.starts_with(Utf8Bom)) {
        bytes.remove_prefix(Utf8Bom.size());
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text =
            utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (!utf8.hasError()) {
            return text;
        }
    }
    return cp1252ToUnicode(bytes);
}

std::vector<CsvLine> splitCsvLines(const QString& text)
{
    std::vector<CsvLine> lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        CsvLine line{text.mid(start, end - start), end < size};
        lines.push_back(std::move(line));
        if (end < size && text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

char chooseCsvSeparator(const std::vector<CsvLine>& lines)
{
    if (lines.empty()) {
        return 0;
    }
    const std::string first = unicodeToCp1252(lines.front().text);
    const long commas = symbolsNumber(first.c_str(), ',');
    const long semicolons = symbolsNumber(first.c_str(), ';');
    const auto consistent = [&lines](QChar c, long expected) {
        return expected > 0 && std::all_of(lines.begin(), lines.end(), [&](const CsvLine& line) {
                   return !line.ended || line.text.count(c) == expected;
               });
    };
    if (consistent(u',', commas)) {
        return ',';
    }
    if (consistent(u';', semicolons)) {
        return ';';
    }
    if (commas == 0 && semicolons == 0) {
        return 0;
    }
    return semicolons > commas ? ';' : ',';
}

int importCsvBytes(std::string_view bytes, PhoneBook& book, UserInterface& ui)
{
    const std::vector<CsvLine> lines = splitCsvLines(decodeCsvText(bytes));
    const char separator = chooseCsvSeparator(lines);
    if (separator == 0) {
        ui.inform(NotCsvFile);
        return 0;
    }
    const QChar sep = QChar::fromLatin1(separator);

    UserInterface::CsvMappingRequest mapping;
    // One pass over the first line (a line of many thousand fields stays fast).
    for (const QStringView field : QStringView(lines.front().text).split(sep)) {
        mapping.fields.push_back(field.left(MappingFieldLength).toString().toStdString());
    }
    mapping.nameField = 0;
    mapping.numberField = 1;
    if (!ui.mapCsvFields(mapping)) {
        return 0;
    }

    book.clear();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i].text;
        if (line.isEmpty()) {
            break;
        }
        if (line.size() >= LongLine) {
            writeLog(LogLevel::Info, "cvs line", "%d - Line too big", static_cast<int>(i));
        } else {
            writeLog(LogLevel::PersonalData, "cvs line", "%d - %s", static_cast<int>(i),
                     line.toUtf8().constData());
        }

        const std::optional<QString> name =
            lineField(line, sep, mapping.nameField, NameFieldLength);
        if (!name) {
            continue;
        }
        Contact contact;
        contact.setName(heldNameFromText(cleanName(*name), Contact::NameSize - 1));
        if (const std::optional<QString> number =
                lineField(line, sep, mapping.numberField, NumberFieldLength)) {
            const std::string cleaned = cleanNumber(*number);
            contact.setNumber(cleaned);
            contact.tonNpi = tonNpiForNumber(cleaned, contact.tonNpi);
        }
        contact.sequence = book.takeSequence();
        book.append(contact);
    }
    return 1;
}

int importCsvFile(const std::string& path, PhoneBook& book, UserInterface& ui)
{
    const std::optional<std::string> bytes = readWholeFile(path, CsvMaxFileSize);
    if (!bytes) {
        return 0;
    }
    return importCsvBytes(*bytes, book, ui);
}

char localeListSeparator()
{
    return QLocale().decimalPoint() == QStringLiteral(",") ? ';' : ',';
}

std::string csvExportBytes(const PhoneBook& book, char separator)
{
    const auto line = [separator](std::string_view name, std::string_view number) {
        std::string text(name);
        text.push_back(separator);
        text.append(number);
        text.append("\r\n");
        return text;
    };
    std::string bytes = line(unicodeToCp1252(QString::fromStdString(resString(TextName))),
                             unicodeToCp1252(QString::fromStdString(resString(TextNumber))));
    for (const Contact& contact : book.contacts) {
        const std::string_view held = contact.heldName();
        const std::string name = isUcs2Form(held) ? decodeAlphaToText(held) : std::string(held);
        bytes += line(name, contact.numberText());
    }
    return bytes;
}

bool exportCsvFile(const std::string& path, const PhoneBook& book, UserInterface& ui,
                   char separator)
{
    if (separator == 0) {
        separator = localeListSeparator();
    }
    const SaveResult saved = saveFileAtomically(path, csvExportBytes(book, separator));
    if (!saved.ok()) {
        tellSaveFailure(ui, path, saved);
        return false;
    }
    return true;
}
