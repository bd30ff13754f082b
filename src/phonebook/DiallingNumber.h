#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Dialling numbers: the semi-octet coding of the card records and the checks
// applied to typed numbers. Text characters: '0'-'9', '*', '#', 'p' (pause),
// and '+' first; on the card '+' is carried by TON/NPI 0x91.

namespace TonNpi {
constexpr uint8_t kInternational = 0x91; // shown as a leading '+'
constexpr uint8_t kNational = 0xA8;      // what a typed number without '+' gets
} // namespace TonNpi

// Number of digit bytes in a phone-book or extension record.
constexpr std::size_t kDigitBytesPerRecord = 10;
// Characters of a number that fit one record; the rest go to one extension record.
constexpr std::size_t kDigitsPerRecord = 20;

using EncodedNumber = std::array<uint8_t, 21>;

// Digits to text: '+' first for TON/NPI 0x91, then low nibble before high
// nibble for at most 20 bytes of `bcd`; nibble 0xF ends, 0xD and 0xE are skipped.
std::string decodeDiallingNumber(uint8_t tonNpi, std::span<const uint8_t> bcd);
// Text to digit bytes (first character in the low nibble). A leading '+' is
// skipped; unused bytes are 0xFF. Only the first 10 bytes go into a record.
EncodedNumber encodeDiallingNumber(std::string_view text);
// The record's length byte: index of the first 0xFF among bytes 0-10, plus 1
// (the TON/NPI byte). An empty number gives 1.
uint8_t numberLengthByte(const EncodedNumber& bcd);

// Most characters of a number a card holds: 20 in the phone-book record and
// 20 in one extension record (a leading '+' is not counted: the TON/NPI byte
// carries it).
constexpr std::size_t kMaxNumberDigits = 40;

// Why checkNumber refused a number.
enum class NumberRefusal
{
    None,
    NotDiallable, // a letter or other character no phone dials, or a '+' not in front
    TooLong,      // more than kMaxNumberDigits characters
};

// The one check every number passes that is typed, imported or written to a
// card: blanks, '-', '.', '(' and ')', as people type numbers and contacts
// apps export them, are dropped in place; what is left must be digits, '*',
// '#' and 'p' with at most one '+' in front, and at most kMaxNumberDigits of
// them. Empty is valid.
NumberRefusal checkNumber(std::string& text);
// checkNumber() == None, for callers that need only a yes or no.
bool validateNumber(char* text);
bool validateNumber(std::string& text);

// The text shown for a number (list, clipboard, printing).
std::string numberDisplayForm(std::string_view number);

// TON/NPI for a typed number: 0x91 when the first non-blank character is '+',
// 0xA8 otherwise (an empty text too); `previous` when the first 42 characters
// are all blanks.
uint8_t tonNpiForNumber(std::string_view number, uint8_t previous);
