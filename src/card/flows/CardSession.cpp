#include "card/flows/CardSession.h"

#include "card/flows/CardMessages.h"
#include "card/flows/ConnectSequence.h"
#include "card/sim/SimCommands.h"
#include "card/transport/CardError.h"
#include "shell/LastError.h"
#include "shell/Log.h"

namespace {

constexpr const char* kReadTag = "Read Phone from SIM";
// The listing is asked for at most this many characters.
constexpr DWORD kReaderListLimit = 1023;

struct ProtocolTry
{
    DWORD protocols;
    const char* name;
};
// A card that refuses T=0 may still talk T=1, or let the driver choose.
constexpr ProtocolTry kProtocolTries[] = {
    {Pcsc::kProtocolT0, "T0"}, {Pcsc::kProtocolT1, "T1"}, {Pcsc::kProtocolT0OrT1, "T0 T1"}};

// Releases the context after a failed establishment or listing.
void dropContext(CardSession& session)
{
    session.api.SCardReleaseContext(session.context);
    session.context = 0;
}

// Drops the handles of a connection the sequence gave up on, so that the
// reader is free again for the next attempt.
void closeAbandoned(CardSession& session)
{
    if (session.context == 0)
        return;
    session.api.SCardDisconnect(session.card, Pcsc::kUnpowerCard);
    session.api.SCardReleaseContext(session.context);
    session.context = 0;
}

// Runs the read or write sequence on the open card.
ConnectResult runScope(CardSession& session, CardHost& host, Transfer scope, bool early)
{
    if (scope == Transfer::Read)
        return connectCardToRead(session, host, early);
    return connectCardToWrite(session, host, early);
}

char scopeLetter(Transfer scope)
{
    switch (scope) {
    case Transfer::Read:
        return 'r';
    case Transfer::Write:
        return 'w';
    case Transfer::None:
        break;
    }
    return '-';
}

} // namespace

CardSession::CardSession(const PcscApi& pcscApi)
    : api(pcscApi), m_commands(std::make_unique<SimCommands>(transport))
{
}

bool establishContext(CardSession& session, CardHost& host)
{
    SCARDCONTEXT context = 0;
    const LONG result =
        session.api.SCardEstablishContext(Pcsc::kScopeUser, nullptr, nullptr, &context);
    session.context = context;
    if (result != Pcsc::kSuccess) {
        logCardError(static_cast<uint32_t>(result));
        showCardMessage(host.ui, CardText::NoSmartCardComponents);
        setLastError(static_cast<uint32_t>(result));
        dropContext(session);
        return false;
    }
    return true;
}

bool listReaders(CardSession& session, CardHost& host)
{
    if (!establishContext(session, host))
        return false;

    DWORD listLength = kReaderListLimit;
    session.readerList.fill('\0');
    const LONG listed = session.api.SCardListReaders(session.context, nullptr,
                                                     session.readerList.data(), &listLength);
    if (listed != Pcsc::kSuccess || session.readerList[0] == '\0') {
        logCardError(static_cast<uint32_t>(listed));
        setLastError(1);
        dropContext(session);
        showCardMessage(host.ui, CardText::NoReaders);
        return false;
    }
    return true;
}

bool connectToReader(CardSession& session, CardHost& host, Transfer scope)
{
    writeLog(LogLevel::Trace, kReadTag, "connect_to_reader with scope %c", scopeLetter(scope));
    const bool transfers = scope != Transfer::None;

    if (session.isOpen()) {
        writeLog(LogLevel::Trace, kReadTag, "connect_to_reader connection was established early");
        if (transfers) {
            const ConnectResult result = runScope(session, host, scope, true);
            if (result == ConnectResult::Done)
                return true;
            // The transfer ran on this card: the run ends with it.
            if (result == ConnectResult::TransferFailed)
                return false;
            if (result != ConnectResult::GiveUp) {
                host.book.bookSource = BookSource::Nothing;
                return false;
            }
        }
        // The open card did not answer: connect afresh.
        closeAbandoned(session);
    }

    if (!listReaders(session, host))
        return false;

    LONG lastResult = Pcsc::kSuccess;
    bool busy = false; // a card that another program holds
    for (const char* name : readerNames(session.readerList.data(), session.readerList.size())) {
        writeLog(LogLevel::Trace, kReadTag, "connect_to_reader try to connect with %s", name);
        bool connected = false;
        for (const ProtocolTry& attempt : kProtocolTries) {
            SCARDHANDLE card = 0;
            DWORD protocol = session.activeProtocol;
            lastResult = session.api.SCardConnect(session.context, name, Pcsc::kShareExclusive,
                                                  attempt.protocols, &card, &protocol);
            if (lastResult == Pcsc::kSuccess) {
                session.card = card;
                session.activeProtocol = protocol;
                connected = true;
                break;
            }
            writeLog(LogLevel::Error, kReadTag,
                     "connect_to_reader connect with %s failed! Protocol %s used, Error code:%u "
                     "Active protocol:%u",
                     name, attempt.name, static_cast<unsigned>(lastResult),
                     static_cast<unsigned>(session.activeProtocol));
            logCardError(static_cast<uint32_t>(lastResult));
            busy = busy || lastResult == SCARD_E_SHARING_VIOLATION;
        }
        if (!connected)
            continue;

        if (!transfers) {
            session.readerName.assign(name);
            return true;
        }
        const ConnectResult result = runScope(session, host, scope, false);
        // A read or write that ran on this card and failed ends the run: it
        // never goes on with the card in another reader.
        if (result == ConnectResult::TransferFailed)
            return false;
        if (result == ConnectResult::GiveUp) {
            // Not a SIM (or the read did not complete): try the next reader.
            closeAbandoned(session);
            if (!establishContext(session, host))
                return false;
            session.card = 0;
            continue;
        }
        if (result == ConnectResult::PinRefused) {
            host.book.bookSource = BookSource::Nothing;
            return false;
        }
        if (result == ConnectResult::PinCancelled && scope == Transfer::Read)
            return false;
        session.readerName.assign(name);
        return true;
    }

    if (host.book.bookSource == BookSource::File) {
        // A file is open: keep it, only drop the context.
        setLastError(static_cast<uint32_t>(lastResult));
        session.api.SCardReleaseContext(session.context);
    } else {
        session.cachedPin1.wipe();
        if (session.card != 0)
            session.api.SCardDisconnect(session.card, Pcsc::kUnpowerCard);
        session.api.SCardReleaseContext(session.context);
    }
    session.context = 0;
    showCardMessage(host.ui, busy ? CardText::CardBusy : CardText::NoSimFound);
    return false;
}

bool connectToSim(const PcscApi& api, UserInterface& ui, const std::string& caption,
                  SCARDCONTEXT& context, SCARDHANDLE& card, OwnedText& readerNameOut)
{
    constexpr const char* kTag = "connect_to_sim";
    OwnedText readers(520);
    writeLog(LogLevel::Info, kTag, "%s %d %d %s", caption.c_str(), static_cast<int>(context),
             static_cast<int>(card), readerNameOut.c_str());

    const LONG established =
        api.SCardEstablishContext(Pcsc::kScopeUser, nullptr, nullptr, &context);
    if (established != Pcsc::kSuccess) {
        logCardError(static_cast<uint32_t>(established));
        showCardMessage(ui, CardText::NoSmartCardComponents, {}, UserInterface::Icon::Information,
                        caption);
        setLastError(static_cast<uint32_t>(established));
        context = 0;
        return false;
    }
    writeLog(LogLevel::Info, kTag, "%s", "Establish Context success");

    DWORD needed = 0;
    LONG result = api.SCardListReaders(context, nullptr, nullptr, &needed);
    if (result == Pcsc::kSuccess) {
        if (readers.capacity() < needed)
            readers = OwnedText(needed + 1);
        DWORD length = static_cast<DWORD>(readers.capacity() - 1);
        result = api.SCardListReaders(context, nullptr, readers.data(), &length);
    }
    writeLog(LogLevel::Info, kTag, "List Readers %s", readers.c_str());
    if (result != Pcsc::kSuccess)
        logCardError(static_cast<uint32_t>(result));

    if (result == Pcsc::kSuccess) {
        for (const char* name : readerNames(readers.data(), readers.capacity())) {
            DWORD protocol = 0;
            result = api.SCardConnect(context, name, Pcsc::kShareExclusive, Pcsc::kProtocolT0,
                                      &card, &protocol);
            if (result == Pcsc::kSuccess) {
                readerNameOut.assign(name);
                writeLog(LogLevel::Info, kTag, "%s", "Card Connect success!");
                return true;
            }
            logCardError(static_cast<uint32_t>(result));
            card = 0;
        }
    }
    setLastError(static_cast<uint32_t>(result));
    api.SCardReleaseContext(context);
    context = 0;
    return false;
}

bool closeCard(const PcscApi& api, SCARDCONTEXT& context, SCARDHANDLE& card)
{
    bool closed = false;
    if (card != 0) {
        closed = api.SCardDisconnect(card, Pcsc::kLeaveCard) == Pcsc::kSuccess;
        card = 0;
    }
    if (context != 0) {
        closed = api.SCardReleaseContext(context) == Pcsc::kSuccess;
        context = 0;
    }
    return closed;
}

void endSession(CardSession& session)
{
    session.cachedPin1.wipe();
    session.api.SCardDisconnect(session.card, Pcsc::kUnpowerCard);
    session.api.SCardReleaseContext(session.context);
    session.context = 0;
}
