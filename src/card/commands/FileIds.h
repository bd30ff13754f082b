#pragma once

#include <cstdint>

// The files of the card that the program uses, with their GSM file ids; every
// path starts at MF. The same ids hold on a UICC's telecom directory.
namespace FileId {
inline constexpr uint16_t kMf = 0x3F00;
inline constexpr uint16_t kIccid = 0x2FE2;  // MF/2FE2
inline constexpr uint16_t kDirGsm = 0x7F20; // MF/7F20
inline constexpr uint16_t kSpn = 0x6F46;    // MF/7F20/6F46
inline constexpr uint16_t kDirTelecom = 0x7F10;
inline constexpr uint16_t kAdn = 0x6F3A; // MF/7F10/...
inline constexpr uint16_t kFdn = 0x6F3B;
inline constexpr uint16_t kMsisdn = 0x6F40;
inline constexpr uint16_t kLnd = 0x6F44;
inline constexpr uint16_t kExt1 = 0x6F4A;
inline constexpr uint16_t kExt2 = 0x6F4B;

// Lengths of the identification files' contents.
inline constexpr uint8_t kIccidLength = 10;
inline constexpr uint8_t kSpnLength = 17;
} // namespace FileId
