#pragma once

#include "phonebook/PhoneBook.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BookEntry;

// Contacts typed into the Add and Edit dialogs, and contacts carried as text
// on the clipboard. Clipboard texts are Windows-1252 bytes: one contact per
// line, "name;number" (or "name,number"), lines joined by CR LF.

// Longest number the dialogs accept.
constexpr int kTypedNumberLimit = 40;

// Longest name the name edit takes for `name`, with `nameLimit` counted in the
// card's bytes: a character of the GSM extension table takes two, a UCS2 form
// its header and one or two bytes a character. For a name that does not fit,
// the characters that do; otherwise its length plus the bytes still free.
int typedNameLimit(QStringView name, int nameLimit);

// Adds a typed contact at the end of the book: the name encoded in the card's
// form, the number cleaned by validateNumber, a new sequence number, TON/NPI
// from the first non-blank character. False (nothing changed) for a bad
// number.
bool addTypedContact(PhoneBook& book, QStringView name, std::string_view number, int nameLimit);
// Writes a typed name and number into contact `index`. Every é becomes è in the
// name; a number of blanks only keeps the old TON/NPI. False for a bad number.
bool editTypedContact(PhoneBook& book, uint32_t index, QStringView name, std::string_view number,
                      int nameLimit);

// Writes the second numbers, e-mail addresses and second name typed into the
// Edit dialog into `contact`: empty texts are dropped, numbers cleaned
// by validateNumber (a second number keeps the type of the one it replaces),
// texts held whole (the dialog keeps them to their room). False, and nothing
// changed, when a second number is not a number.
bool editTypedExtras(Contact& contact, const QStringList& numbers, const QStringList& emails,
                     const QString& secondName);

// The clipboard text of some rows: "name;number" lines joined by CR LF, with
// none after the last.
struct ClipboardRow
{
    std::string name;
    std::string number;
};
std::string clipboardTextOf(const std::vector<ClipboardRow>& rows);

// Number of contacts in `text`, 0 when the text is not pasteable as a whole.
// With a book the contacts are appended to it.
int parseClipboardText(std::string_view text, PhoneBook* book = nullptr);
// Appends the clipboard's contacts; the book is left untouched when the text
// is not pasteable. Returns the number of contacts added.
int pasteContacts(PhoneBook& book, std::string_view text);
// Fills the free slots (name and number both empty) of a side book with the
// text's lines, marking them changed. 99 when the text was pasteable, else 0.
int pasteIntoSideBook(std::string_view text, BookEntry* entries, uint32_t slotCount);

// Moves contact `from` to index `to` (taken out, then inserted there).
void moveContactTo(PhoneBook& book, uint32_t from, uint32_t to);
