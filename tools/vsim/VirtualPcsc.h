#pragma once

#include "SimCard.h"

#include <PCSC/winscard.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// An in-process PC/SC: functions with pcsc-lite's signatures that route to
// virtual readers holding virtual SIMs. Tests put them into the program's
// PC/SC function table instead of the real library's (see install()).
namespace vsim::pcsc {

LONG SCardEstablishContext(DWORD dwScope, LPCVOID pvReserved1, LPCVOID pvReserved2,
                           LPSCARDCONTEXT phContext);
LONG SCardReleaseContext(SCARDCONTEXT hContext);
LONG SCardIsValidContext(SCARDCONTEXT hContext);
LONG SCardListReaders(SCARDCONTEXT hContext, LPCSTR mszGroups, LPSTR mszReaders,
                      LPDWORD pcchReaders);
LONG SCardConnect(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode,
                  DWORD dwPreferredProtocols, LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol);
LONG SCardReconnect(SCARDHANDLE hCard, DWORD dwShareMode, DWORD dwPreferredProtocols,
                    DWORD dwInitialization, LPDWORD pdwActiveProtocol);
LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition);
LONG SCardBeginTransaction(SCARDHANDLE hCard);
LONG SCardEndTransaction(SCARDHANDLE hCard, DWORD dwDisposition);
LONG SCardStatus(SCARDHANDLE hCard, LPSTR mszReaderName, LPDWORD pcchReaderLen, LPDWORD pdwState,
                 LPDWORD pdwProtocol, LPBYTE pbAtr, LPDWORD pcbAtrLen);
LONG SCardGetStatusChange(SCARDCONTEXT hContext, DWORD dwTimeout, SCARD_READERSTATE* rgReaderStates,
                          DWORD cReaders);
LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci, LPCBYTE pbSendBuffer,
                   DWORD cbSendLength, SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer,
                   LPDWORD pcbRecvLength);
LONG SCardControl(SCARDHANDLE hCard, DWORD dwControlCode, LPCVOID pbSendBuffer, DWORD cbSendLength,
                  LPVOID pbRecvBuffer, DWORD cbRecvLength, LPDWORD lpBytesReturned);
LONG SCardCancel(SCARDCONTEXT hContext);
LONG SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem);

// Fills any function table whose members carry the PC/SC names (the card
// layer's PcscApi); members the table does not have are simply not set.
template <typename Table> void install(Table& t)
{
    auto set = [](auto& member, auto fn) { member = fn; };
    if constexpr (requires { t.SCardEstablishContext; })
        set(t.SCardEstablishContext, &SCardEstablishContext);
    if constexpr (requires { t.SCardReleaseContext; })
        set(t.SCardReleaseContext, &SCardReleaseContext);
    if constexpr (requires { t.SCardIsValidContext; })
        set(t.SCardIsValidContext, &SCardIsValidContext);
    if constexpr (requires { t.SCardListReaders; })
        set(t.SCardListReaders, &SCardListReaders);
    if constexpr (requires { t.SCardConnect; })
        set(t.SCardConnect, &SCardConnect);
    if constexpr (requires { t.SCardReconnect; })
        set(t.SCardReconnect, &SCardReconnect);
    if constexpr (requires { t.SCardDisconnect; })
        set(t.SCardDisconnect, &SCardDisconnect);
    if constexpr (requires { t.SCardBeginTransaction; })
        set(t.SCardBeginTransaction, &SCardBeginTransaction);
    if constexpr (requires { t.SCardEndTransaction; })
        set(t.SCardEndTransaction, &SCardEndTransaction);
    if constexpr (requires { t.SCardStatus; })
        set(t.SCardStatus, &SCardStatus);
    if constexpr (requires { t.SCardGetStatusChange; })
        set(t.SCardGetStatusChange, &SCardGetStatusChange);
    if constexpr (requires { t.SCardTransmit; })
        set(t.SCardTransmit, &SCardTransmit);
    if constexpr (requires { t.SCardControl; })
        set(t.SCardControl, &SCardControl);
    if constexpr (requires { t.SCardCancel; })
        set(t.SCardCancel, &SCardCancel);
    if constexpr (requires { t.SCardFreeMemory; })
        set(t.SCardFreeMemory, &SCardFreeMemory);
}

// One command and its answer as the backend saw them.
struct Exchange
{
    QString reader;
    QByteArray command;
    QByteArray response; // empty when the transmit failed
    LONG result = SCARD_S_SUCCESS;
};

// The protocols an ATR offers (SCARD_PROTOCOL_T0 / T1 bits); T=0 when it names none.
DWORD protocolsOfAtr(const QByteArray& atr);

// The state behind the functions: readers, cards, contexts and handles. There
// is one per process because the functions carry no pointer of their own; a
// test calls reset() in init() to start clean. All members are thread-safe.
class Control
{
public:
    static Control& instance();

    // Removes readers, cards, contexts, handles, the log and injected results.
    void reset();

    void addReader(const QString& name);
    void removeReader(const QString& name);
    QStringList readers() const;

    // Puts a card into a reader (powered, MF selected). Handles opened on the
    // card that was there before now answer SCARD_W_REMOVED_CARD.
    void insertCard(const QString& reader, std::shared_ptr<SimCard> card);
    // Loads a profile into a reader (adding the reader when needed). Returns the card or nullptr.
    std::shared_ptr<SimCard> insertProfile(const QString& reader, const QString& profilePath,
                                           QString* error = nullptr);
    void removeCard(const QString& reader);
    bool cardPresent(const QString& reader) const;
    // The card in the reader, or the one last taken out of it (to inspect after a removal).
    std::shared_ptr<SimCard> card(const QString& reader) const;

    // Every SCardEstablishContext answers `result` while it is not success (no service, ...).
    void setEstablishResult(LONG result);

    QList<Exchange> log() const;
    QList<QByteArray> commands() const; // just the command bytes, in order
    void clearLog();
    int openHandles() const;
    int openContexts() const;

private:
    Control() = default;
};

} // namespace vsim::pcsc
