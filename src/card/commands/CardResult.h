#pragma once

#include "card/commands/StatusTable.h"
#include "card/transport/CardTransport.h"

#include <PCSC/wintypes.h>

#include <cstdint>
#include <span>
#include <vector>

// What one card command did. The PC/SC result and the card's status word stay
// apart: `pcsc` is the result of the transmit (SCARD_S_SUCCESS when the card
// answered), `sw` what the card answered, `outcome` and `text` what the
// command set's table makes of it. A transmit that failed has outcome NoAnswer
// and no status word; it never reads as a refusal by the card.
struct CardResult
{
    LONG pcsc = 0;
    StatusWord sw;
    CardOutcome outcome = CardOutcome::Unknown;
    const char* text = "";     // the table's text of `sw`, or a note when there is none
    std::vector<uint8_t> data; // the answer's data, without the status word
    // Bytes the card holds for GET RESPONSE that nobody asked for yet (the xx of
    // a SELECT answered 9F xx); 0 otherwise.
    int pending = 0;
    // Tries left when the word tells them (63 Cx); -1 when it does not.
    int attemptsLeft = -1;

    bool ok() const
    {
        return outcome == CardOutcome::Success || outcome == CardOutcome::SuccessWithInfo;
    }
    bool answered() const { return outcome != CardOutcome::NoAnswer; }
    // The card judged the secret code and refused it (attempts left, or none
    // left any more): the only answers that may count as a refused try.
    bool codeRefused() const
    {
        return outcome == CardOutcome::WrongCode || outcome == CardOutcome::Blocked;
    }
    std::span<const uint8_t> bytes() const { return data; }
    // The number the program's messages show for a failure ("Error reading SIM
    // Card: %08X."): the PC/SC result when the transmit failed, the PC/SC code
    // for "access denied" for 69 82, else the status word (00009404).
    uint32_t errorCode() const;
};

// Makes a result of what the transport brought back, with a command set's
// status-word table, and logs it: every status word at level 5 ("verify_status
// byte1 .. byte2 .."), a failed transmit with its PC/SC text, a refusal with
// its status word in hex and the table's text. `commandTag`, when given,
// first traces "<tag> SCardTransmit" or "<tag> verify_status" at level 1.
CardResult judgeAnswer(CardAnswer answer, std::span<const StatusRule> table,
                       const char* commandTag = nullptr);
