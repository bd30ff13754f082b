#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Record layouts of the card's number books (EF ADN, FDN, LND, MSISDN: alpha
// identifier of X = L - 14 bytes, then length, TON/NPI, 10 digit bytes, CCP,
// extension record id) and of their extension files (EF EXT1, EF EXT2: type,
// length, 10 digit bytes, next id). Every byte not in use is 0xFF.

namespace SimRecord {
constexpr uint8_t kUnused = 0xFF;
constexpr std::size_t kFixedPartLength = 14; // a number record without its alpha field
constexpr std::size_t kExtensionLength = 13; // the usual EXT1/EXT2 record length
constexpr uint8_t kExtensionAdditionalData = 0x02;

// Offsets from the end of a number record of length L.
constexpr std::size_t kLengthFromEnd = 14;   // L-14: length of TON/NPI + digit bytes
constexpr std::size_t kTonNpiFromEnd = 13;   // L-13
constexpr std::size_t kDigitsFromEnd = 12;   // L-12 .. L-3
constexpr std::size_t kCcpFromEnd = 2;       // L-2
constexpr std::size_t kExtensionFromEnd = 1; // L-1
} // namespace SimRecord

// One number record as the card holds it, with the number decoded.
struct NumberRecord
{
    std::string alpha; // alpha identifier bytes without padding (see CardAlphaField)
    uint8_t lengthByte = SimRecord::kUnused;
    uint8_t tonNpi = SimRecord::kUnused;
    std::string number; // the record's digits (at most 20), '+' first for 0x91
    uint8_t ccp = SimRecord::kUnused;
    uint8_t extensionRecord = SimRecord::kUnused; // 0xFF: no extension

    bool hasExtension() const { return extensionRecord != SimRecord::kUnused; }
};

// A record whose first byte is 0xFF (or an empty span) is free.
bool isFreeRecord(std::span<const uint8_t> record);

// The used bytes of an alpha field: 0x81/0x82 by their count byte, 0x80 up to
// the pair FF FF, plain (GSM) names up to the first 0xFF.
std::string cardAlphaField(std::span<const uint8_t> alphaField);

// Splits a number record of any length. nullopt when it is shorter than 14 bytes.
std::optional<NumberRecord> parseNumberRecord(std::span<const uint8_t> record);

// The held name (see AlphaCodec.h) of a card's alpha identifier: the card's
// coding decoded, then kept as Windows-1252 when the code page holds it, else
// in a UCS2 form; at most maxBytes.
std::string heldNameFromCardAlpha(std::string_view alpha, std::size_t maxBytes = 100);
// A side-book name (Windows-1252) from a card's alpha identifier; characters
// the code page lacks become '?'.
std::string entryNameFromCardAlpha(std::string_view alpha);

// The digits of an extension record (bytes 2-11, no '+'): what is appended to
// the number of the record that names it. Type and length bytes are not consulted.
std::string parseExtensionDigits(std::span<const uint8_t> record);
// An extension record the writer may take: type 0x02 (ours from an earlier
// write) or 0xFF (free).
bool isReusableExtension(std::span<const uint8_t> record);

// The alpha field of a record for a held name (phone book) or a Windows-1252
// name (side books): the card form encodeCardAlpha chooses, at most
// alphaLength bytes, not padded. `cut`, when given, says whether the name had
// to be cut to fit.
std::string cardAlphaFromHeldName(std::string_view held, std::size_t alphaLength,
                                  bool* cut = nullptr);
std::string cardAlphaFromEntryName(std::string_view cp1252Name, std::size_t alphaLength,
                                   bool* cut = nullptr);
// A side-book entry's alpha field: `keptAlphaHex` (the alpha bytes the card
// held, as hex digits) while `cp1252Name` is what they read as and they fit
// the field, so that a name the code page cannot hold goes back unchanged;
// else cardAlphaFromEntryName.
std::string cardAlphaForEntry(std::string_view cp1252Name, std::string_view keptAlphaHex,
                              std::size_t alphaLength, bool* cut = nullptr);
// Hex digits of alpha bytes, as BookEntry::cardAlpha keeps them.
std::string cardAlphaHex(std::string_view alpha);

// Characters of a number text that go into the record, and into the extension.
std::string_view recordDigits(std::string_view number);
std::string_view extensionDigits(std::string_view number);
bool needsExtension(std::string_view number);

// A record of `length` bytes all 0xFF.
std::vector<uint8_t> emptyRecord(std::size_t length);

// Lays out a number record of `length` bytes (at least 14; shorter gives an
// empty vector). `cardAlpha` is cut to the alpha field and padded with 0xFF;
// `number` contributes its first 20 characters; the length byte counts TON/NPI
// and the digit bytes in use (1 for an empty number).
std::vector<uint8_t> buildNumberRecord(std::size_t length, std::string_view cardAlpha,
                                       std::string_view number, uint8_t tonNpi, uint8_t ccp,
                                       uint8_t extensionRecord = SimRecord::kUnused);

// Lays out an extension record of `length` bytes (at least 12) for `digits`
// (characters 21-40 of a number): type 0x02, digit bytes in use, digits, 0xFF.
std::vector<uint8_t> buildExtensionRecord(std::size_t length, std::string_view digits);
