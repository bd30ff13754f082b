#pragma once

#include "phonebook/PhoneBook.h"

#include <QString>

#include <cstddef>
#include <functional>

// Find and replace on the phone book. Texts are compared as Unicode: a name
// held in one of the card's UCS2 forms is searched in its own letters, so a
// Cyrillic or Greek search text finds only what it spells.

// Whether a name or number matches. With `wholeWord` the field matches when it
// equals the find text, or when the first occurrence of the find text is a
// word of its own (blanks are the only separators).
bool fieldMatches(const QString& field, const QString& find, bool matchCase, bool wholeWord);

// Replaces every occurrence of `find` in `text`, keeping the result below
// `capacity` characters. 1 when something was replaced, else 0 (text untouched).
int replaceInText(QString& text, std::size_t capacity, const QString& find, const QString& replace,
                  bool matchCase);

// The search state, kept for the life of the process: the options and the
// previous find text persist between openings of the dialog.
struct FindState
{
    QString findText;
    QString replaceText;
    bool matchCase = false;
    bool wholeWord = false;
    int position = -1;
    QString previousFind;
    bool matchedName = false;
    QString matchedText;
};
FindState& processFindState();

// Asked when a replacement makes a number invalid: true for OK, false for Cancel.
// The number is Windows-1252 text.
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
