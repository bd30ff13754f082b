#pragma once

#include <PCSC/winscard.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The PC/SC entry points, bound at run time so that the program starts even
// without the client library and can say so itself. The table is also the
// seam for tests: an in-process backend with the same signatures fills it.
struct PcscApi
{
    decltype(&::SCardTransmit) SCardTransmit = nullptr;
    decltype(&::SCardControl) SCardControl = nullptr;
    decltype(&::SCardReleaseContext) SCardReleaseContext = nullptr;
    decltype(&::SCardEstablishContext) SCardEstablishContext = nullptr;
    decltype(&::SCardDisconnect) SCardDisconnect = nullptr;
    decltype(&::SCardCancel) SCardCancel = nullptr;
    decltype(&::SCardReconnect) SCardReconnect = nullptr;
    decltype(&::SCardListReaders) SCardListReaders = nullptr;
    decltype(&::SCardGetStatusChange) SCardGetStatusChange = nullptr;
    decltype(&::SCardStatus) SCardStatus = nullptr;
    decltype(&::SCardConnect) SCardConnect = nullptr;
};

namespace Pcsc {
inline constexpr const char* kLibraryName = "libpcsclite.so.1";
inline constexpr DWORD kScopeUser = SCARD_SCOPE_USER;
inline constexpr DWORD kShareExclusive = SCARD_SHARE_EXCLUSIVE;
inline constexpr DWORD kProtocolT0 = SCARD_PROTOCOL_T0;
inline constexpr DWORD kProtocolT1 = SCARD_PROTOCOL_T1;
inline constexpr DWORD kProtocolT0OrT1 = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
inline constexpr DWORD kLeaveCard = SCARD_LEAVE_CARD;
inline constexpr DWORD kUnpowerCard = SCARD_UNPOWER_CARD;
inline constexpr LONG kSuccess = SCARD_S_SUCCESS;

// Error values of the binding itself, as the loader reports them elsewhere.
inline constexpr uint32_t kErrorModuleNotFound = 126;
inline constexpr uint32_t kErrorProcNotFound = 127;
} // namespace Pcsc

// Loads the client library (`libraryName`) and binds the eleven entry points
// into `api`. At the first one missing the library is released, `library` is
// set to nullptr, the cause is logged and lastError() tells 126 (library not
// loadable) or 127 (entry point missing); the result is then false.
bool bindPcsc(void*& library, PcscApi& api, const char* libraryName = Pcsc::kLibraryName);
// Releases what BindPcsc loaded and empties the table.
void unbindPcsc(void*& library, PcscApi& api);

// The names in a reader list as SCardListReaders fills it: strings one after
// the other, ended by an empty one. Nothing past `size` bytes is read; a name
// that does not end within them is left out.
std::vector<const char*> readerNames(const char* list, std::size_t size);
