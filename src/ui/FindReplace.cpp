#include "FindReplace.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"

#include <QChar>

#include <cstring>

namespace {
// A decoded name is searched in its first 97 characters.
constexpr std::size_t kSearchedNameLength = 97;
constexpr std::size_t kNameCapacity = 100;
constexpr std::size_t kNumberCapacity = 42;

char32_t folded(char c)
{
    return QChar::toCaseFolded(static_cast<char32_t>(cp1252ToUnicodeChar(static_cast<uint8_t>(c))));
}

bool sameText(const std::string& a, const std::string& b, bool matchCase)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (matchCase ? a[i] != b[i] : folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

std::string searchedName(const Contact& contact)
{
    std::string name = decodeAlphaToText(contact.heldName());
    if (name.size() > kSearchedNameLength)
        name.resize(kSearchedNameLength);
    return name;
}

// A name held in a UCS2 form would lose every letter outside Windows-1252 if the
// replaced display text were stored: the replacement is made again on the name's
// Unicode text and the result encoded anew, so only the replaced part changes.
void storeReplacedName(Contact& contact, const std::string& replacedDisplay, const FindState& state)
{
    const std::string_view held = contact.heldName();
    if (!isUcs2Form(held)) {
        contact.setName(replacedDisplay);
        return;
    }
    QString wide = heldNameToUnicode(held);
    wide.replace(cp1252ToUnicode(state.findText), cp1252ToUnicode(state.replaceText),
                 state.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    contact.setName(encodeAlphaFromUnicode(wide, kNameCapacity));
}

// Tests the name, then the number, of contact `row`; a match is remembered.
bool testContact(const PhoneBook& book, FindState& state, int row)
{
    const Contact& contact = book.contacts[static_cast<std::size_t>(row)];
    const std::string name = searchedName(contact);
    if (fieldMatches(name, state.findText, state.matchCase, state.wholeWord)) {
        state.matchedName = true;
        state.matchedText = name;
        return true;
    }
    const std::string number(contact.numberText());
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

const char* findSubstring(const char* text, const char* find)
{
    if (text == nullptr || find == nullptr || *find == '\0')
        return nullptr;
    return std::strstr(text, find);
}

const char* findSubstringNoCase(const char* text, const char* find)
{
    if (text == nullptr || find == nullptr || *find == '\0')
        return nullptr;
    const std::size_t length = std::strlen(find);
    for (const char* start = text; *start != '\0'; ++start) {
        std::size_t i = 0;
        while (i < length && start[i] != '\0' && folded(start[i]) == folded(find[i]))
            ++i;
        if (i == length)
            return start;
    }
    return nullptr;
}

SearchFunction searchFunctionFor(bool matchCase)
{
    return matchCase ? &findSubstring : &findSubstringNoCase;
}

bool fieldMatches(const std::string& field, const std::string& find, bool matchCase, bool wholeWord)
{
    const char* hit = searchFunctionFor(matchCase)(field.c_str(), find.c_str());
    if (!wholeWord)
        return hit != nullptr;
    if (sameText(field, find, matchCase))
        return true;
    if (hit == nullptr)
        return false;
    const char after = hit[find.size()];
    if (hit == field.c_str())
        return after == ' ';
    return hit[-1] == ' ' && (after == ' ' || after == '\0');
}

int replaceInText(SearchFunction search, std::string& text, std::size_t capacity,
                  const std::string& find, const std::string& replace)
{
    if (search == nullptr || find.empty() || search(text.c_str(), find.c_str()) == nullptr)
        return 0;
    std::string result;
    std::size_t pos = 0;
    while (const char* hit = search(text.c_str() + pos, find.c_str())) {
        const auto at = static_cast<std::size_t>(hit - text.c_str());
        const std::size_t piece = at - pos + replace.size();
        if (result.size() + piece >= capacity)
            break;
        result.append(text, pos, at - pos);
        result += replace;
        pos = at + find.size();
    }
    if (result.size() + (text.size() - pos) < capacity)
        result.append(text, pos);
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
    if (!sameText(state.findText, state.previousFind, false))
        state.position = selectedRow;

    int first = 0;
    if (replace && !state.replaceText.empty() && state.position != -1 &&
        !state.matchedText.empty()) {
        Contact& contact = book.contacts[static_cast<std::size_t>(state.position)];
        std::string result = state.matchedText;
        const SearchFunction search = searchFunctionFor(state.matchCase);
        if (state.matchedName) {
            replaceInText(search, result, kNameCapacity, state.findText, state.replaceText);
            storeReplacedName(contact, result, state);
        } else {
            replaceInText(search, result, kNumberCapacity, state.findText, state.replaceText);
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
    const SearchFunction search = searchFunctionFor(state.matchCase);
    int changedContacts = 0;
    bool replaced = false;
    for (int row = state.position == -1 ? 0 : state.position;
         row < static_cast<int>(book.contactCount()); ++row) {
        Contact& contact = book.contacts[static_cast<std::size_t>(row)];
        std::string name = searchedName(contact);
        std::string number(contact.numberText());
        const bool nameChanged =
            replaceInText(search, name, kNameCapacity, state.findText, state.replaceText) != 0;
        bool numberChanged =
            replaceInText(search, number, kNumberCapacity, state.findText, state.replaceText) != 0;
        replaced = replaced || nameChanged || numberChanged;
        if (numberChanged) {
            const std::string result = number;
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
            storeReplacedName(contact, name, state);
        if (nameChanged || numberChanged)
            ++changedContacts;
    }
    if (replacedAny != nullptr)
        *replacedAny = replaced;
    return changedContacts;
}
