#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct PhoneBook;
class UserInterface;

// The legacy address file: raw phone-book records behind a short header.
//   byte 0      record length L
//   byte 1      record count N; when 0, N follows as 4 bytes little-endian
//   then        the 22-byte tag "<{[This is Adr File]}>"
//   then        N records of L bytes
// A record: alpha identifier of A bytes (A = L - 24, or L - 14 when that is
// below 10), then number length, TON/NPI, digit bytes, and the CCP byte at L-2.

inline constexpr std::string_view kAdrFileTag = "<{[This is Adr File]}>";
// Largest file the reader takes on.
inline constexpr uint64_t kAdrMaxFileSize = 64u * 1024 * 1024;

// Name length of the records of a file with record length L.
int adrNameLength(int recordLength);

// Reads the file into the book: one row per record the file holds (at most
// N), sequence numbers from 0, nextSequence one above the rows. A cut-off last
// record reads its missing bytes as 0xFF (unused); records the file lacks
// entirely give no rows. false with message 25 when the file cannot be opened, with
// message 26 (and the three outputs 0) when it has no tag or impossible records,
// with "Could not open" and the reason when it is no regular file or too large.
// True when the bytes start like an address file (the tag in its place).
bool isAdrBytes(std::string_view bytes);

bool openAdrFile(const std::string& path, PhoneBook& book, uint32_t& recordLength,
                 uint32_t& nameLength, UserInterface& ui);
bool readAdrBytes(std::string_view bytes, PhoneBook& book, uint32_t& recordLength,
                  uint32_t& nameLength, UserInterface& ui);
