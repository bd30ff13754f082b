#pragma once

#include "ScriptedUserInterface.h"
#include "card/flows/CardSession.h"
#include "vsim/VirtualPcsc.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// What a test SIM holds. Codes are ASCII; the card stores them FF-padded.
struct SimShape
{
    QByteArray iccid = QByteArray::fromHex("98940000000000000000");
    std::optional<QByteArray> spn = QByteArray::fromHex("00414243FFFFFFFFFFFFFFFFFFFFFFFFFF");
    int adnRecords = 250;
    int adnRecordLength = 28;
    QByteArray pin1 = "1234";
    int pin1Tries = 3;
    bool pin1Enabled = true;
    QByteArray puk1 = "12345678";
    int puk1Tries = 10;
    QByteArray pin2 = "5678";
    int pin2Tries = 3;
    QByteArray puk2 = "87654321";
    int puk2Tries = 10;
};

std::shared_ptr<vsim::SimCard> buildSim(const SimShape& shape);

// The PC/SC table routed to the in-process virtual readers.
PcscApi virtualPcscApi();
// The same, with SCardTransmit passing through a spy that records the send
// header and the receive length the caller offered.
PcscApi spyingPcscApi();
struct TransmitSpy
{
    DWORD sendProtocol = 0;
    DWORD sendHeaderLength = 0;
    DWORD receiveLength = 0;
    bool receiveHeaderGiven = false;
};
TransmitSpy& lastTransmit();

// Turns on the log at level 5 in the test's own HOME (once per process) and
// reads back what was written so far.
void openTestLog();
QString testLogText();

inline vsim::pcsc::Control& virtualPcsc()
{
    return vsim::pcsc::Control::instance();
}

// A secret code as it goes to the card: its ASCII digits, FF-padded to 8 bytes.
inline QByteArray codeField(const QByteArray& code)
{
    return vsim::secretField(code);
}

// True when some command sent to the virtual card starts with `prefix`.
bool sentWithPrefix(const QByteArray& prefix);

// Puts the card of tests/data/cards/<profile>.json into "Reader A"; null, with
// the reason in `error`, when the profile does not load.
std::shared_ptr<vsim::SimCard> insertTestProfile(const QString& profile, QString* error = nullptr);

// The card answers `statusWord` to the next command starting with `prefix`,
// or with statusWord 0 leaves the reader instead of answering.
vsim::Fault faultAt(const QByteArray& prefix, uint16_t statusWord);

// A connection of the test's own to the card in "Reader A", exclusive, T=0,
// for the command sets below the flows.
bool connectDirect(const PcscApi& api, SCARDCONTEXT& context, SCARDHANDLE& card);

// A card flow's surroundings: the session, a scripted UI and the book. reset()
// starts over with empty readers; the transfer hook marks the book as the card's
// when a read runs, then hands over to `transfer` (returning its result) if given.
class CardFixture
{
protected:
    PcscApi m_api = virtualPcscApi();
    std::unique_ptr<CardSession> m_session;
    std::unique_ptr<ScriptedUserInterface> m_ui;
    BookState m_book;
    std::unique_ptr<CardHost> m_host;
    std::shared_ptr<vsim::SimCard> m_card; // the card insert() put in last

    void reset(std::function<int(CardSession&)> transfer = {});
    // Adds `reader` and puts a card of this shape into it.
    std::shared_ptr<vsim::SimCard> insert(const SimShape& shape = {},
                                          const QString& reader = QStringLiteral("Reader A"));
    QList<int> messageIds() const;
    // The text of the first message shown; empty when none was.
    QString firstMessage() const;
};
