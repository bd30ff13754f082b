#include "ContactEditing.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/SideBooks.h"
#include "phonebook/TextEdit.h"
#include "shell/Log.h"

#include <algorithm>

namespace {
// A pasted name may hold 100 characters, a pasted number 3 to 42 before cleaning.
constexpr std::size_t kPastedNameLimit = 100;
constexpr std::size_t kPastedNumberMin = 3;
constexpr std::size_t kPastedNumberMax = 42;

std::string encodeTypedName(QStringView name, int nameLimit)
{
    return encodeAlphaFromUnicode(name, static_cast<std::size_t>(std::max(nameLimit, 0)) + 3);
}

// The separator of a clipboard text: ',' or ';', 0 when it holds both or neither.
char separatorOf(std::string_view text)
{
    const bool comma = text.find(',') != std::string_view::npos;
    const bool semicolon = text.find(';') != std::string_view::npos;
    if (comma == semicolon)
        return 0;
    return comma ? ',' : ';';
}
} // namespace

int typedNameLimit(QStringView name, int nameLimit)
{
    const std::size_t room = static_cast<std::size_t>(std::max(nameLimit, 0));
    const CardAlpha alpha = encodeCardAlpha(name, room);
    if (alpha.cut)
        return static_cast<int>(alpha.chars);
    // Every further character takes at least one byte.
    return static_cast<int>(name.size()) + static_cast<int>(room - alpha.bytes.size());
}

bool addTypedContact(PhoneBook& book, QStringView name, std::string_view number, int nameLimit)
{
    std::string clean(number);
    if (!validateNumber(clean))
        return false;
    Contact contact;
    contact.setName(encodeTypedName(name, nameLimit));
    contact.setNumber(clean);
    contact.ccp = 0xFF;
    contact.sequence = book.takeSequence();
    contact.tonNpi = tonNpiForNumber(number, 0xFF);
    book.append(contact);
    return true;
}

bool editTypedContact(PhoneBook& book, uint32_t index, QStringView name, std::string_view number,
                      int nameLimit)
{
    if (index >= book.contactCount())
        return false;
    std::string clean(number);
    if (!validateNumber(clean))
        return false;
    QString edited = name.toString();
    edited.replace(QChar(0xE9), QChar(0xE8));
    Contact& contact = book.contacts[index];
    contact.setName(encodeTypedName(edited, nameLimit));
    contact.setNumber(clean);
    contact.tonNpi = tonNpiForNumber(number, contact.tonNpi);
    return true;
}

bool editTypedExtras(Contact& contact, const QStringList& numbers, const QStringList& emails,
                     const QString& secondName)
{
    // Room for every character in any held form.
    const auto heldText = [](const QString& text) {
        return encodeAlphaFromUnicode(text, static_cast<std::size_t>(text.size()) * 2 + 3);
    };
    std::vector<ExtraNumber> extraNumbers;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const std::string typed = unicodeToCp1252(numbers[i].trimmed());
        if (typed.empty())
            continue;
        std::string clean = typed;
        if (!validateNumber(clean))
            return false;
        ExtraNumber extra;
        if (static_cast<std::size_t>(i) < contact.extras().extraNumbers.size())
            extra = contact.extras().extraNumbers[static_cast<std::size_t>(i)];
        extra.tonNpi = tonNpiForNumber(typed, extra.tonNpi);
        extra.number = std::move(clean);
        extraNumbers.push_back(std::move(extra));
    }
    std::vector<std::string> held;
    for (const QString& email : emails) {
        if (!email.trimmed().isEmpty())
            held.push_back(heldText(email.trimmed()));
    }
    ContactExtras& extras = contact.editExtras();
    extras.extraNumbers = std::move(extraNumbers);
    extras.emails = std::move(held);
    extras.secondName =
        secondName.trimmed().isEmpty() ? std::string() : heldText(secondName.trimmed());
    return true;
}

std::string clipboardTextOf(const std::vector<ClipboardRow>& rows)
{
    std::string text;
    for (const ClipboardRow& row : rows) {
        writeLog(LogLevel::PersonalData, "copy to clipboard", "%s", row.name.c_str());
        writeLog(LogLevel::PersonalData, "copy to clipboard", "%s", row.number.c_str());
        if (!text.empty())
            text += "\r\n";
        text += row.name + ";" + row.number;
    }
    return text;
}

int parseClipboardText(std::string_view text, PhoneBook* book)
{
    const char separator = separatorOf(text);
    if (separator == 0)
        return 0;
    int found = 0;
    std::size_t pos = 0;
    while (true) {
        const std::size_t sep = text.find(separator, pos);
        if (sep == std::string_view::npos)
            return 0;
        std::string name(text.substr(pos, sep - pos));
        trimBlanks(name);
        if (name.size() > kPastedNameLimit || name.find('\n') != std::string::npos)
            return 0;
        writeLog(LogLevel::PersonalData, "check clipboard", "person %s", name.c_str());

        const std::size_t start = sep + 1;
        if (start >= text.size())
            return 0;
        const std::size_t lineFeed = text.find('\n', start);
        std::string number(text.substr(
            start, lineFeed == std::string_view::npos ? std::string_view::npos : lineFeed - start));
        if (lineFeed != std::string_view::npos && !number.empty())
            number.pop_back(); // the CR before the line feed
        if (number.size() > kPastedNumberMax || number.size() < kPastedNumberMin)
            return 0;
        trimBlanks(number);
        removeChar(number, '\'');
        removeChar(number, '"');
        if (!validateNumber(number))
            return 0;
        writeLog(LogLevel::PersonalData, "check clipboard", "phone %s", number.c_str());

        if (book != nullptr) {
            Contact contact;
            contact.setName(name);
            contact.setNumber(number);
            contact.ccp = 0xFF;
            contact.sequence = book->takeSequence();
            contact.tonNpi = tonNpiForNumber(number, TonNpi::kNational);
            book->append(contact);
        }
        ++found;

        if (lineFeed == std::string_view::npos)
            return found;
        pos = lineFeed + 1;
        if (text.find(separator, pos) == std::string_view::npos)
            return pos >= text.size() ? found : 0;
    }
}

int pasteContacts(PhoneBook& book, std::string_view text)
{
    if (parseClipboardText(text) == 0)
        return 0;
    const uint32_t count = book.contactCount();
    const uint32_t sequence = book.nextSequence;
    if (parseClipboardText(text, &book) == 0) {
        book.contacts.resize(count);
        book.selectionState.clear();
        book.nextSequence = sequence;
        return 0;
    }
    return static_cast<int>(book.contactCount() - count);
}

int pasteIntoSideBook(std::string_view text, BookEntry* entries, uint32_t slotCount)
{
    if (parseClipboardText(text) == 0)
        return 0;
    const char separator =
        std::count(text.begin(), text.end(), ',') > std::count(text.begin(), text.end(), ';') ? ','
                                                                                              : ';';
    std::size_t pos = 0;
    for (uint32_t slot = 0; slot < slotCount && pos < text.size(); ++slot) {
        BookEntry& entry = entries[slot];
        if (!entry.isBlank())
            continue;
        const std::size_t lineFeed = text.find('\n', pos);
        std::string_view line = text.substr(
            pos, lineFeed == std::string_view::npos ? std::string_view::npos : lineFeed - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t sep = line.find(separator);
        entry.name.assign(line.substr(0, sep));
        entry.number.assign(sep == std::string_view::npos ? std::string_view{}
                                                          : line.substr(sep + 1));
        entry.dirty = 1;
        entry.recordIndex = static_cast<int32_t>(slot);
        pos = lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
    }
    return 99;
}

void moveContactTo(PhoneBook& book, uint32_t from, uint32_t to)
{
    if (from >= book.contactCount() || to >= book.contactCount() || from == to)
        return;
    const auto first = book.contacts.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}
