#pragma once

#include <QByteArray>

#include <vector>

class QMimeData;
struct PhoneBook;

// Copied contacts go to the clipboard twice: as the "name;number" text other
// programs have always read, and as vCard cards (text/vcard), which carry every
// field of a contact (additional numbers, e-mail addresses, second name). Paste
// takes the cards when the clipboard has them, so cut and paste keep a contact
// whole, and contacts copied in an address book arrive with their numbers.

inline constexpr const char* kVCardMimeType = "text/vcard";

// The cards of the phone-book rows whose bit is set.
QByteArray vCardOfRows(const PhoneBook& book, const std::vector<bool>& selected);
// Appends the contacts of the clipboard's cards while the book has room, each
// with a new sequence number. How many were added; 0 when `mime` has no cards
// or none could be read.
int pasteVCardContacts(PhoneBook& book, const QMimeData* mime);
