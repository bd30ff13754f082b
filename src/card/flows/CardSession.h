#pragma once

#include "card/commands/CardCommands.h"
#include "card/transport/CardTransport.h"
#include "card/transport/PcscApi.h"
#include "card/uicc/CardKind.h"
#include "phonebook/OwnedText.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class UserInterface;

// Where the open book came from (the main window's `BookSource`).
enum class BookSource
{
    Nothing,
    File,
    Card,
    CancellingPin, // PIN1 entry on an open card being cancelled
};

// How a write treats the card's phone book (the main window's `WriteMode`).
enum class WriteMode
{
    WriteAll,
    WriteSelected,
    AddAll,
    AddSelected,
    ClearCard,
};

// Which way the card's books go: the scope of a connect and the direction of
// the transfer that runs on the connected card.
enum class Transfer
{
    None, // only connect
    Read,
    Write,
};

// What the card said of one secret code's attempts left.
struct CodeCounter
{
    int attempts = 0;
    CounterState state = CounterState::Unknown; // Known: `attempts` is the card's own count
};

// The attempts left of the four codes, as the card's directory header told
// them when the card was connected.
struct CodeCounters
{
    CodeCounter pin1;
    CodeCounter puk1;
    CodeCounter pin2;
    CodeCounter puk2;
};

// The parts of the main window's document state that the card flows read and change.
struct BookState
{
    BookSource bookSource = BookSource::Nothing;
    int selectedIndex = -1; // the list's current row, -1 for none
    WriteMode writeMode = WriteMode::WriteAll;
};

// The one PC/SC context and card connection of the program, with what the
// connect sequence learnt about the SIM. Owned by the application object and
// passed by reference; the transfer worker uses it while the main thread waits.
struct CardSession
{
    // Starts with the GSM SIM command set.
    explicit CardSession(const PcscApi& pcscApi);
    CardSession(const CardSession&) = delete;
    CardSession& operator=(const CardSession&) = delete;

    const PcscApi& api;
    SCARDCONTEXT context = 0;            // 0: no connection
    SCARDHANDLE card = 0;                // left as it was when the connection ends
    DWORD activeProtocol = 0;            // only traced: every command goes out as T=0
    std::array<char, 1024> readerList{}; // multi-string of the last listing
    OwnedText readerName;                // the reader whose SIM is in use
    // The PIN1 typed since the card was connected (at most 8 characters), or
    // "a" when PIN1 is disabled. Not empty with a context: the connection is open.
    OwnedText cachedPin1{9};
    uint8_t chv1Status = 0; // low nibble PIN1 tries left, high nibble PUK1 tries left
    uint16_t chv1Disabled = 1;
    // Shown in the SIM information, PIN1's count from chv1Status (which a
    // VERIFY changes).
    CodeCounters counters;
    // Sends on `card`, whichever connection it names at the time.
    CardTransport transport{api, card};

    // Learnt by the connect sequence.
    std::array<char, 21> iccid{}; // up to 20 digits
    OwnedText serviceProviderName;
    uint8_t spnDisplayCondition = 0;
    int adnRecordLength = 0;
    int adnNameLength = 0; // adnRecordLength - 14
    int adnRecordCount = 0;
    // A USIM phone book's room for an e-mail address and a second name, in
    // the card's bytes (0: the card's phone book has none).
    int emailRoom = 0;
    int secondNameRoom = 0;
    Transfer transferDirection = Transfer::None; // set while a transfer runs
    // What kind of card this is, and which phone book the transfer uses.
    CardIdentity identity;
    PhoneBookPlace phoneBookPlace = PhoneBookPlace::SimAdn;
    bool simAdnToo = false; // a USIM phone book is used and EF ADN is there as well

    bool isOpen() const { return context != 0 && !cachedPin1.empty(); }
    int pin1Attempts() const { return chv1Status & 0x0F; }
    int puk1Attempts() const { return chv1Status >> 4; }

    // The command set of the card in use: every flow sends through it.
    CardCommands& commands() { return *m_commands; }
    // Chooses the command set for this session's card (once, when it is connected).
    void useCommandSet(std::unique_ptr<CardCommands> commands) { m_commands = std::move(commands); }

private:
    std::unique_ptr<CardCommands> m_commands;
};

// Runs the modal progress dialog of a card transfer (read or write, by
// `session.transferDirection`) and returns when the worker has ended. The
// result is the worker's: for a write, 1 when the write failed.
using TransferHook = std::function<int(CardSession& session)>;

// What the card flows need from the program around them.
struct CardHost
{
    UserInterface& ui;
    BookState& book;
    TransferHook transfer; // empty: nothing is transferred
};

// Opens (or reuses) the connection and runs the scope's connect sequence:
// Transfer::Read reads the card's books, Transfer::Write writes them,
// Transfer::None only connects.
bool connectToReader(CardSession& session, CardHost& host, Transfer scope);

// A private connection on the first reader that accepts T=0, for the PIN2
// flows. The caller owns the handles and closes them with CloseCard. Shows a
// message only when no context can be established.
bool connectToSim(const PcscApi& api, UserInterface& ui, const std::string& caption,
                  SCARDCONTEXT& context, SCARDHANDLE& card, OwnedText& readerNameOut);

// Closes a private connection, leaving the card powered. False when both were 0.
bool closeCard(const PcscApi& api, SCARDCONTEXT& context, SCARDHANDLE& card);

// Ends the shared connection: forgets PIN1, powers the card down, releases the context.
void endSession(CardSession& session);

// Establishes the session's context. On failure the error is logged and shown,
// becomes the last error, and no context is kept.
bool establishContext(CardSession& session, CardHost& host);

// Establishes the context and lists the readers into session.readerList. On
// failure, or with no reader, the error is logged and shown and no context is kept.
bool listReaders(CardSession& session, CardHost& host);
