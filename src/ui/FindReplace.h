#pragma once

#include "phonebook/PhoneBook.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Find and replace on the phone book. Texts are Windows-1252 bytes.

// Substring search: the first occurrence of `find` in `text`, or null (also
// for an empty `find`). The case-insensitive form folds letters of the code
// page, accented ones included.
using SearchFunction = const char* (*)(const char* text, const char* find);
const char* findSubstring(const char* text, const char* find);
const char* findSubstringNoCase(const char* text, const char* find);
SearchFunction searchFunctionFor(bool matchCase);

// Whether a name or number matches. With `wholeWord` the field matches when it
// equals the find text, or when the first occurrence of the find text is a
// word of its own (blanks are the only separators).
bool fieldMatches(const std::string& field, const std::string& find, bool matchCase,
                  bool wholeWord);

// Replaces every occurrence of `find` in `text`, keeping the result below
// `capacity` bytes. 1 when something was replaced, else 0 (text untouched).
int replaceInText(SearchFunction search, std::string& text, std::size_t capacity,
                  const std::string& find, const std::string& replace);

// The search state, kept for the life of the process: the options and the
// previous find text persist between openings of the dialog.
struct FindState
{
    std::string findText;
    std::string replaceText;
    bool matchCase = false;
    bool wholeWord = false;
    int position = -1;
    std::string previousFind;
    bool matchedName = false;
    std::string matchedText;
};
FindState& processFindState();

// Asked when a replacement makes a number invalid: true for OK, false for Cancel.
using InvalidNumberQuestion = std::function<bool(const std::string& number)>;

struct FindOutcome
{
    bool found = false; // a contact is to be selected: `row`
    int row = -1;
    bool changed = false; // the book was modified by a replacement
};

// Find Next (`replace` false) and Replace (`replace` true) from the state's
// search position, wrapping round once. `selectedRow` is the list's selected
// row (-1 for none).
FindOutcome findNextContact(PhoneBook& book, FindState& state, int selectedRow, bool replace,
                            const InvalidNumberQuestion& ask);

// Replace All from the search position (row 0 when there is none) to the last
// row. Returns the number of contacts changed; `changed` tells whether any
// replacement happened at all.
int replaceAllContacts(PhoneBook& book, FindState& state, const InvalidNumberQuestion& ask,
                       bool* replacedAny = nullptr);
