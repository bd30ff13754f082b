#pragma once

#include "card/flows/CardSession.h"

#include <cstdint>

// Results of connect_card_to_read and connect_card_to_write.
enum class ConnectResult
{
    Done,          // transfer done
    GiveUp,        // not a usable SIM, or the transfer did not complete
    Blocked,       // blocked or unreadable: reported, connection ended
    PinRefused,    // PIN1 refused or not given: connection ended
    PinCancelled,  // PIN1 entry cancelled (read only)
    TransferFailed // the read or write ran on this card and did not complete
};

// Results of connect_to_card.
enum class CardState
{
    Ready,      // SIM ready, EF ADN selected, PIN1 tries left
    Failed,     // connection ended
    Pin1Blocked // no PIN1 tries left
};

// How far index_to_dir_and_file got.
enum class SelectStatus
{
    Selected,
    SelectFailed,
    ResponseFailed
};

// What index_to_dir_and_file found: the EF's header when `status` is
// Selected, else the answer of the command that failed in `result`.
struct SelectedFile
{
    SelectStatus status = SelectStatus::SelectFailed;
    CardResult result;
    FileHeader header;
};

// Selects MF, `dirId` and `fileId`, then reads the EF's header. Keeps no
// state: used by the transfer worker and the PIN2 flows as well. `card` is
// only traced.
SelectedFile indexToDirAndFile(CardCommands& commands, SCARDHANDLE card, uint16_t fileId,
                               uint16_t dirId);

// Checks that a freshly connected card is a SIM, reads its ICCID, provider
// name and PIN1 status, and selects EF ADN. See CardState for the results.
CardState connectToCard(CardSession& session);
// The header of EF ADN, left selected by connect_to_card. A failure shows
// the device error and ends the connection; the result says what the card did.
HeaderResult sizePhoneBook(CardSession& session, CardHost& host);
CardState readIccid(CardSession& session);
CardState readServiceProviderName(CardSession& session);

// The connect sequences of a Read and a Write: PIN1, EF ADN geometry, then the
// transfer through host.transfer. See ConnectResult for the results.
ConnectResult connectCardToRead(CardSession& session, CardHost& host, bool early);
ConnectResult connectCardToWrite(CardSession& session, CardHost& host, bool early);

// A PIN1 VERIFY the card answered: an accepted PIN1 restores the local
// count, a wrong one lowers it. A VERIFY that never reached the card (or that
// the card refused for another reason) leaves the count alone.
void notePin1Verify(CardSession& session, const CardResult& verify);
