#pragma once

#include "card/CardSession.h"

#include <cstdint>

// Results of connect_card_to_read and connect_card_to_write.
namespace ConnectResult {
inline constexpr int Done = 0;         // transfer done
inline constexpr int GiveUp = 1;       // not a usable SIM, or the transfer did not complete
inline constexpr int Blocked = 2;      // blocked or unreadable: reported, connection ended
inline constexpr int PinRefused = 3;   // PIN1 refused or not given: connection ended
inline constexpr int PinCancelled = 4; // PIN1 entry cancelled (read only)
} // namespace ConnectResult

// Results of connect_to_card.
namespace CardState {
inline constexpr int Ready = 0;        // SIM ready, EF ADN selected, PIN1 tries left
inline constexpr int Failed = -1;      // connection ended
inline constexpr int Pin1Blocked = -2; // no PIN1 tries left
} // namespace CardState

// Results of index_to_dir_and_file.
namespace SelectResult {
inline constexpr int Selected = 0;
inline constexpr int SelectFailed = -1;
inline constexpr int ResponseFailed = 2;
} // namespace SelectResult

// Selects MF, `dirId` and `fileId`, then learns the EF's size and record
// length. `responseLength` receives SW2 of the last select. Keeps no state:
// used by the transfer worker and the PIN2 flows as well.
int indexToDirAndFile(const SimCard& simCard, SCARDHANDLE card, uint16_t& responseLength,
                          uint16_t fileId, uint8_t* isDirectoryOut, uint8_t* recordLengthOut,
                          uint16_t* fileSizeOut, uint16_t dirId);

// Checks that a freshly connected card is a SIM, reads its ICCID, provider
// name and PIN1 status, and selects EF ADN. See CardState for the results.
int connectToCard(CardSession& session, uint16_t& responseLength);
// GET RESPONSE on EF ADN, left selected by connect_to_card, for its size and
// record length (either output may be null). false: the device error has been
// shown and the connection ended.
bool sizePhoneBook(CardSession& session, CardHost& host, uint16_t responseLength,
                   uint16_t* fileSizeOut = nullptr, uint8_t* recordLengthOut = nullptr);
int readIccid(CardSession& session, uint16_t& responseLength);
int readServiceProviderName(CardSession& session, uint16_t& responseLength);

// The connect sequences of a Read and a Write: PIN1, EF ADN geometry, then the
// transfer through host.transfer. See ConnectResult for the results.
int connectCardToRead(CardSession& session, CardHost& host, bool early);
int connectCardToWrite(CardSession& session, CardHost& host, bool early);
