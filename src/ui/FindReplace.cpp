#include "FindReplace.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"

namespace {
// A name is searched in its first 97 characters.
constexpr qsizetype kSearchedNameLength = 97;
constexpr std::size_t kNameCapacity = 100;
constexpr std::size_t kNumberCapacity = 42;

Qt::CaseSensitivity caseOf(bool matchCase)
{
    return matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

QString fullName(const Contact& contact)
{
    return heldNameToUnicode(contact.heldName());
}

QString numberOf(const Contact& contact)
{
    return cp1252ToUnicode(contact.numberText());
}

// The replaced name is encoded anew: Windows-1252 text while every letter fits
// the code page, else one of the card's UCS2 forms, so no letter is lost.
void storeReplacedName(Contact& contact, const QString& replaced)
{
    contact.setName(encodeAlphaFromUnicode(replaced, kNameCapacity));
}

// Tests the name, then the number, of contact `row`; a match is remembered.
bool testContact(const PhoneBook& book, FindState& state, int row)
{
    const Contact& contact = book.contacts[static_cast<std::size_t>(row)];
    const QString name = fullName(contact).left(kSearchedNameLength);
    if (fieldMatches(name, state.findText, state.matchCase, state.wholeWord)) {
        state.matchedName = true;
        state.matchedText = name;
        return true;
    }
    const QString number = numberOf(contact);
    if (fieldMatches(number, state.findText, state.matchCase, state.wholeWord)) {
        state.matchedName = false;
        state.matchedText = number;
        return true;
    }
    return false;
}

int searchRows(const PhoneBook& book, FindState& state, int first)
{
    for (int row = first; row < static_cast<int>(book.contactCount()); ++row)
        if (testContact(book, state, row))
            return row;
    return -1;
}
} // namespace

bool fieldMatches(const QString& field, const QString& find, bool matchCase, bool wholeWord)
{
    if (find.isEmpty())
        return false;
    const qsizetype hit = field.indexOf(find, 0, caseOf(matchCase));
    if (!wholeWord)
        return hit != -1;
    if (field.compare(find, caseOf(matchCase)) == 0)
        return true;
    if (hit == -1)
        return false;
    const qsizetype end = hit + find.size();
    const bool blankAfter = end < field.size() && field[end] == QLatin1Char(' ');
    if (hit == 0)
        return blankAfter;
    return field[hit - 1] == QLatin1Char(' ') && (blankAfter || end == field.size());
}

int replaceInText(QString& text, std::size_t capacity, const QString& find, const QString& replace,
                  bool matchCase)
{
    const Qt::CaseSensitivity cs = caseOf(matchCase);
    if (find.isEmpty() || text.indexOf(find, 0, cs) == -1)
        return 0;
    const auto limit = static_cast<qsizetype>(capacity);
    QString result;
    qsizetype pos = 0;
    for (qsizetype at = text.indexOf(find, pos, cs); at != -1; at = text.indexOf(find, pos, cs)) {
        if (result.size() + (at - pos) + replace.size() >= limit)
            break;
        result += QStringView(text).mid(pos, at - pos);
        result += replace;
        pos = at + find.size();
    }
    if (result.size() + (text.size() - pos) < limit)
        result += QStringView(text).mid(pos);
    text = result;
    return 1;
}

FindState& processFindState()
{
    static FindState state;
    return state;
}

FindOutcome findNextContact(PhoneBook& book, FindState& state, int selectedRow, bool replace,
                            const InvalidNumberQuestion& ask)
{
    FindOutcome outcome;
    if (state.findText.compare(state.previousFind, Qt::CaseInsensitive) != 0)
        state.position = selectedRow;

    int first = 0;
    if (replace && !state.replaceText.isEmpty() && state.position != -1 &&
        !state.matchedText.isEmpty()) {
        Contact& contact = book.contacts[static_cast<std::size_t>(state.position)];
        if (state.matchedName) {
            QString name = fullName(contact);
            replaceInText(name, kNameCapacity, state.findText, state.replaceText, state.matchCase);
            storeReplacedName(contact, name);
        } else {
            QString replaced = state.matchedText;
            replaceInText(replaced, kNumberCapacity, state.findText, state.replaceText,
                          state.matchCase);
            const std::string result = unicodeToCp1252(replaced);
            std::string clean = result;
            if (!validateNumber(clean)) {
                if (ask)
                    ask(result);
                state.previousFind = state.findText;
                outcome.found = true;
                outcome.row = state.position;
                return outcome;
            }
            contact.setNumber(clean);
            contact.tonNpi = tonNpiForNumber(result, contact.tonNpi);
            state.matchedText.clear();
        }
        outcome.changed = true;
    }
    first = state.position + 1;

    int row = searchRows(book, state, first);
    if (row == -1 && state.position != -1) {
        state.matchedText.clear();
        row = searchRows(book, state, 0);
    }
    if (row == -1)
        return outcome;
    state.position = row;
    state.previousFind = state.findText;
    outcome.found = true;
    outcome.row = row;
    return outcome;
}

int replaceAllContacts(PhoneBook& book, FindState& state, const InvalidNumberQuestion& ask,
                       bool* replacedAny)
{
    int changedContacts = 0;
    bool replaced = false;
    for (int row = state.position == -1 ? 0 : state.position;
         row < static_cast<int>(book.contactCount()); ++row) {
        Contact& contact = book.contacts[static_cast<std::size_t>(row)];
        QString name = fullName(contact);
        QString replacedNumber = numberOf(contact);
        const bool nameChanged = replaceInText(name, kNameCapacity, state.findText,
                                               state.replaceText, state.matchCase) != 0;
        bool numberChanged = replaceInText(replacedNumber, kNumberCapacity, state.findText,
                                           state.replaceText, state.matchCase) != 0;
        replaced = replaced || nameChanged || numberChanged;
        if (numberChanged) {
            const std::string result = unicodeToCp1252(replacedNumber);
            std::string number = result;
            if (!validateNumber(number)) {
                if (ask && !ask(result))
                    break;
                numberChanged = false;
            }
            if (numberChanged) {
                contact.setNumber(number);
                contact.tonNpi = tonNpiForNumber(result, contact.tonNpi);
            }
        }
        if (nameChanged)
            storeReplacedName(contact, name);
        if (nameChanged || numberChanged)
            ++changedContacts;
    }
    if (replacedAny != nullptr)
        *replacedAny = replaced;
    return changedContacts;
}
