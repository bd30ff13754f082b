#pragma once

#include "card/transport/PcscApi.h"
#include "card/transport/StatusWord.h"

#include <cstdint>
#include <span>
#include <vector>

// What the card sent back to one command, before any command set judged it.
struct CardAnswer
{
    LONG pcsc = Pcsc::kSuccess; // result of the transmit; the rest is empty when it failed
    StatusWord sw;             // the last two bytes the card returned
    std::vector<uint8_t> data; // what came before them
    int pending = 0;           // xx of a 9F xx / 61 xx left for a later GET RESPONSE
    bool shortAnswer = false;  // the card returned fewer than the two status bytes
};

// Whether the transport fetches the data a T=0 card announces with 9F xx or
// 61 xx at once, or leaves it waiting for an explicit GET RESPONSE.
enum class Collect
{
    Now,
    Later
};

// Sends command APDUs on a card handle over PC/SC and owns what T=0 asks of
// the sender: a card that announces its answer (9F xx, 61 xx) gets a GET
// RESPONSE for it, and a card that answers 6C xx ("wrong Le, xx is right") gets
// the same command again with P3 = xx. The class byte of those follow-up
// commands is the one of the command they complete; the transport knows no
// command set. Every command goes out with the T=0 send header and no receive
// header, whatever protocol the connection reported.
class CardTransport
{
public:
    // `card` is read at every send: the owner's handle changes with each connection.
    CardTransport(const PcscApi& api, const SCARDHANDLE& card) : m_api(&api), m_card(&card) {}

    // Sends `command`, offering `receiveLength` bytes for the answer.
    CardAnswer exchange(std::span<const uint8_t> command, DWORD receiveLength,
                        Collect collect = Collect::Now) const;
    // GET RESPONSE (CLA C0 00 00 length) with `receiveLength` bytes offered.
    CardAnswer getResponse(uint8_t cla, uint8_t length, DWORD receiveLength) const;

    const PcscApi& api() const { return *m_api; }
    SCARDHANDLE card() const { return *m_card; }

private:
    CardAnswer send(std::span<const uint8_t> command, DWORD receiveLength) const;
    // After an answer without a status word: SCARD_W_REMOVED_CARD when the card
    // has left the reader, the failure of asking, or success when it is there.
    LONG presenceAfterShortAnswer() const;

    const PcscApi* m_api;
    const SCARDHANDLE* m_card;
};
