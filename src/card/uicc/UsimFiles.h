#pragma once

#include <cstdint>

// File ids of the USIM phone book that do not depend on EF PBR.
namespace UsimFile {
inline constexpr uint16_t kDirPhoneBook = 0x5F3A;
inline constexpr uint16_t kPbr = 0x4F30;
} // namespace UsimFile
