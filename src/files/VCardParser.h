#pragma once

#include "phonebook/Contact.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class ImportReport;

// Reading vCard files (versions 2.1, 3.0 and 4.0) into what a phone book can
// use: names, numbers with their labels, e-mail addresses, a nickname.
// Everything else a card holds (photos, addresses, dates...) is passed by.
//
// The reader takes:
//  - lines ending in CR LF, LF or CR; a UTF-8 or UTF-16 byte-order mark;
//  - folded lines: a line starting with a blank or tab continues the one
//    before (2.1 keeps that blank, 3.0 and 4.0 drop it);
//  - group prefixes (item1.TEL) and the labels phones put beside them
//    (item1.X-ABLabel);
//  - 2.1's bare parameters (TEL;HOME;PREF), QUOTED-PRINTABLE with soft line
//    breaks, BASE64 blocks ended by an empty line, and CHARSET (UTF-8,
//    ISO-8859-1, Windows-1252 and what Qt's converters know); 2.1 text
//    without CHARSET that is not UTF-8 is read as Windows-1252;
//  - escapes \n \, \; \\ and structured values (N, ORG);
//  - TEL as text or as a tel: URI, TYPE lists, PREF=n and TYPE=pref;
//  - several cards per file; a card inside a card (2.1's AGENT) is passed by.
// Every step is linear in the input; what it cannot use goes to the report.

enum class VCardVersion : uint8_t
{
    V21,
    V30,
    V40,
};

struct VCardNumber
{
    QString text; // the value, unescaped; a tel: URI as it stands
    NumberType type = NumberType::None;
    int preference = 101; // 1 (most preferred) to 100; 101: none given
    uint32_t line = 0;
    std::optional<uint8_t> tonNpi; // from this program's own X-PHONARA-TON-NPI
};

struct VCardText
{
    QString text;
    uint32_t line = 0;
};

// One card, as far as a phone book can use it.
struct VCardPerson
{
    uint32_t line = 0; // of its BEGIN
    VCardVersion version = VCardVersion::V30;
    std::optional<VCardText> formattedName;  // FN
    std::optional<VCardText> structuredName; // N, composed as prefix given additional family suffix
    std::optional<VCardText> organisation;   // ORG, its first part
    std::optional<VCardText> nickname;       // NICKNAME, its first value
    std::vector<VCardNumber> numbers;        // in file order
    std::vector<VCardText> emails;           // in file order
    std::optional<uint8_t> ccp;              // this program's own X-PHONARA-CCP
    // Lines of name properties whose text could not be decoded.
    std::vector<uint32_t> undecodableNames;
};

struct VCardParse
{
    bool foundCard = false; // at least one BEGIN:VCARD
    std::vector<VCardPerson> people;
};

// Largest file the reader takes.
inline constexpr uint64_t kVCardMaxFileSize = 256u * 1024 * 1024;

// Reads every card of the file contents. Lines that are not understood, text
// that cannot be decoded (other than names, which the caller judges) and
// cards cut off by the end go to `report`.
VCardParse parseVCards(std::string_view bytes, ImportReport& report);

// The number of a TEL value as dialling text: a tel: URI's prefix and
// visual separators (blanks, - . ( ) / [ ]) removed, pauses (',', 'p', 'w',
// an extension ;ext=) written as 'p'. nullopt when anything else remains or
// there are no digits at all.
std::optional<std::string> vCardDiallingText(const QString& value);
