#include "VirtualPcsc.h"
#include "VirtualPcscState.h"

#include "CardProfile.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace vsim::pcsc {

namespace {

using detail::Handle;
using detail::Reader;
using detail::State;
using detail::state;

// Validates a card handle; on success `reader` points at its reader with the
// same card still in it.
LONG checkHandle(State& s, SCARDHANDLE hCard, Handle** handle, Reader** reader)
{
    auto it = s.handles.find(hCard);
    if (it == s.handles.end())
        return SCARD_E_INVALID_HANDLE;
    *handle = &it->second;
    *reader = s.reader(it->second.reader);
    if (!*reader)
        return SCARD_E_READER_UNAVAILABLE;
    if (!(*reader)->card || (*reader)->insertion != it->second.insertion)
        return SCARD_W_REMOVED_CARD;
    return SCARD_S_SUCCESS;
}

// The protocol pcsc-lite settles on: the card's first offered protocol that the caller accepts.
LONG chooseProtocol(const QByteArray& atr, DWORD preferred, DWORD* chosen)
{
    const DWORD offered = protocolsOfAtr(atr);
    for (DWORD p : {DWORD(SCARD_PROTOCOL_T0), DWORD(SCARD_PROTOCOL_T1)}) {
        if ((offered & p) && (preferred & p)) {
            *chosen = p;
            return SCARD_S_SUCCESS;
        }
    }
    return SCARD_E_PROTO_MISMATCH;
}

// Copies a string or multi-string result the pcsc-lite way: size query with a
// null buffer, SCARD_AUTOALLOCATE, or a caller's buffer that must be big enough.
LONG copyOut(const QByteArray& value, LPSTR buffer, LPDWORD length)
{
    if (!length)
        return SCARD_E_INVALID_PARAMETER;
    const auto needed = DWORD(value.size());
    if (!buffer) {
        *length = needed;
        return SCARD_S_SUCCESS;
    }
    if (*length == SCARD_AUTOALLOCATE) {
        auto* mem = static_cast<char*>(std::malloc(value.size()));
        std::memcpy(mem, value.constData(), value.size());
        *reinterpret_cast<char**>(buffer) = mem;
        *length = needed;
        return SCARD_S_SUCCESS;
    }
    if (*length < needed) {
        *length = needed;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(buffer, value.constData(), value.size());
    *length = needed;
    return SCARD_S_SUCCESS;
}

DWORD readerEventState(const State& s, const Reader& r)
{
    if (!r.card)
        return SCARD_STATE_EMPTY;
    DWORD st = SCARD_STATE_PRESENT;
    if (s.exclusiveElsewhere(r.name, 0))
        st |= SCARD_STATE_EXCLUSIVE;
    if (s.users(r.name, 0) > 0)
        st |= SCARD_STATE_INUSE;
    return st;
}

} // namespace

namespace detail {

State& state()
{
    static State s;
    return s;
}

} // namespace detail

DWORD protocolsOfAtr(const QByteArray& atr)
{
    if (atr.size() < 2)
        return SCARD_PROTOCOL_T0;
    DWORD offered = 0;
    int i = 1;
    auto y = uint8_t(atr[i]) >> 4; // interface bytes present after T0
    ++i;
    while (true) {
        if (y & 0x1)
            ++i; // TAi
        if (y & 0x2)
            ++i; // TBi
        if (y & 0x4)
            ++i; // TCi
        if (!(y & 0x8) || i >= atr.size())
            break;
        const auto td = uint8_t(atr[i++]);
        offered |= (td & 0x0F) == 0 ? SCARD_PROTOCOL_T0 : (td & 0x0F) == 1 ? SCARD_PROTOCOL_T1 : 0;
        y = td >> 4;
    }
    return offered ? offered : DWORD(SCARD_PROTOCOL_T0);
}

LONG SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!phContext)
        return SCARD_E_INVALID_PARAMETER;
    if (s.establishResult != SCARD_S_SUCCESS)
        return s.establishResult;
    if (dwScope != SCARD_SCOPE_USER && dwScope != SCARD_SCOPE_TERMINAL &&
        dwScope != SCARD_SCOPE_SYSTEM && dwScope != SCARD_SCOPE_GLOBAL)
        return SCARD_E_INVALID_VALUE;
    *phContext = SCARDCONTEXT(s.nextId++);
    s.contexts.insert(*phContext);
    return SCARD_S_SUCCESS;
}

LONG SCardReleaseContext(SCARDCONTEXT hContext)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.contexts.erase(hContext))
        return SCARD_E_INVALID_HANDLE;
    // Releasing a context ends the connections made through it.
    for (auto it = s.handles.begin(); it != s.handles.end();)
        it = it->second.context == hContext ? s.handles.erase(it) : std::next(it);
    s.cancelled.erase(hContext);
    s.bump(nullptr);
    return SCARD_S_SUCCESS;
}

LONG SCardIsValidContext(SCARDCONTEXT hContext)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.contexts.count(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG SCardListReaders(SCARDCONTEXT hContext, LPCSTR, LPSTR mszReaders, LPDWORD pcchReaders)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.contexts.count(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (!pcchReaders)
        return SCARD_E_INVALID_PARAMETER;
    if (s.readers.empty())
        return SCARD_E_NO_READERS_AVAILABLE;
    QByteArray multi;
    for (const Reader& r : s.readers) {
        multi += r.name.toUtf8();
        multi += '\0';
    }
    multi += '\0';
    return copyOut(multi, mszReaders, pcchReaders);
}

LONG SCardConnect(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode,
                  DWORD dwPreferredProtocols, LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.contexts.count(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (!szReader || !phCard || !pdwActiveProtocol)
        return SCARD_E_INVALID_PARAMETER;
    if (dwShareMode != SCARD_SHARE_SHARED && dwShareMode != SCARD_SHARE_EXCLUSIVE &&
        dwShareMode != SCARD_SHARE_DIRECT)
        return SCARD_E_INVALID_VALUE;
    Reader* r = s.reader(QString::fromUtf8(szReader));
    if (!r)
        return SCARD_E_UNKNOWN_READER;
    if (!r->card && dwShareMode != SCARD_SHARE_DIRECT)
        return SCARD_E_NO_SMARTCARD;
    if (s.exclusiveElsewhere(r->name, 0) ||
        (dwShareMode == SCARD_SHARE_EXCLUSIVE && s.users(r->name, 0) > 0))
        return SCARD_E_SHARING_VIOLATION;
    DWORD protocol = SCARD_PROTOCOL_UNDEFINED;
    if (r->card) {
        const LONG rv = chooseProtocol(r->card->atr(), dwPreferredProtocols, &protocol);
        if (rv != SCARD_S_SUCCESS)
            return rv;
    }
    Handle h;
    h.context = hContext;
    h.reader = r->name;
    h.insertion = r->insertion;
    h.shareMode = dwShareMode;
    h.protocol = protocol;
    *phCard = SCARDHANDLE(s.nextId++);
    s.handles.emplace(*phCard, h);
    *pdwActiveProtocol = protocol;
    s.bump(r);
    return SCARD_S_SUCCESS;
}

LONG SCardReconnect(SCARDHANDLE hCard, DWORD dwShareMode, DWORD dwPreferredProtocols,
                    DWORD dwInitialization, LPDWORD pdwActiveProtocol)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.handles.find(hCard);
    if (it == s.handles.end())
        return SCARD_E_INVALID_HANDLE;
    if (!pdwActiveProtocol)
        return SCARD_E_INVALID_PARAMETER;
    Reader* r = s.reader(it->second.reader);
    if (!r)
        return SCARD_E_READER_UNAVAILABLE;
    if (!r->card)
        return SCARD_E_NO_SMARTCARD;
    if (s.exclusiveElsewhere(r->name, hCard) ||
        (dwShareMode == SCARD_SHARE_EXCLUSIVE && s.users(r->name, hCard) > 0))
        return SCARD_E_SHARING_VIOLATION;
    DWORD protocol = 0;
    const LONG rv = chooseProtocol(r->card->atr(), dwPreferredProtocols, &protocol);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    if (dwInitialization == SCARD_RESET_CARD || dwInitialization == SCARD_UNPOWER_CARD ||
        it->second.insertion != r->insertion)
        r->card->reset();
    it->second.insertion = r->insertion;
    it->second.shareMode = dwShareMode;
    it->second.protocol = protocol;
    *pdwActiveProtocol = protocol;
    s.bump(r);
    return SCARD_S_SUCCESS;
}

LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.handles.find(hCard);
    if (it == s.handles.end())
        return SCARD_E_INVALID_HANDLE;
    Reader* r = s.reader(it->second.reader);
    const bool samePresentCard = r && r->card && r->insertion == it->second.insertion;
    if (samePresentCard && dwDisposition != SCARD_LEAVE_CARD)
        r->card->reset();
    s.handles.erase(it);
    s.bump(r);
    return SCARD_S_SUCCESS;
}

LONG SCardBeginTransaction(SCARDHANDLE hCard)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    Reader* r = nullptr;
    return checkHandle(s, hCard, &h, &r);
}

LONG SCardEndTransaction(SCARDHANDLE hCard, DWORD dwDisposition)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    Reader* r = nullptr;
    const LONG rv = checkHandle(s, hCard, &h, &r);
    if (rv == SCARD_S_SUCCESS && dwDisposition != SCARD_LEAVE_CARD)
        r->card->reset();
    return rv;
}

LONG SCardStatus(SCARDHANDLE hCard, LPSTR mszReaderName, LPDWORD pcchReaderLen, LPDWORD pdwState,
                 LPDWORD pdwProtocol, LPBYTE pbAtr, LPDWORD pcbAtrLen)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    Reader* r = nullptr;
    const LONG rv = checkHandle(s, hCard, &h, &r);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    if (pcchReaderLen) {
        QByteArray name = r->name.toUtf8();
        name += '\0';
        name += '\0';
        const LONG crv = copyOut(name, mszReaderName, pcchReaderLen);
        if (crv != SCARD_S_SUCCESS)
            return crv;
    }
    if (pdwState)
        *pdwState = SCARD_PRESENT | SCARD_POWERED | SCARD_NEGOTIABLE | SCARD_SPECIFIC;
    if (pdwProtocol)
        *pdwProtocol = h->protocol;
    if (pcbAtrLen) {
        const QByteArray atr = r->card->atr();
        return copyOut(atr, reinterpret_cast<LPSTR>(pbAtr), pcbAtrLen);
    }
    return SCARD_S_SUCCESS;
}

LONG SCardGetStatusChange(SCARDCONTEXT hContext, DWORD dwTimeout, SCARD_READERSTATE* rgReaderStates,
                          DWORD cReaders)
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    if (!s.contexts.count(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (cReaders > 0 && !rgReaderStates)
        return SCARD_E_INVALID_PARAMETER;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwTimeout);
    while (true) {
        if (s.cancelled.erase(hContext))
            return SCARD_E_CANCELLED;
        if (!s.contexts.count(hContext))
            return SCARD_E_INVALID_HANDLE;
        bool anyChange = false;
        for (DWORD i = 0; i < cReaders; ++i) {
            SCARD_READERSTATE& rs = rgReaderStates[i];
            if (rs.dwCurrentState & SCARD_STATE_IGNORE)
                continue;
            const QString name = QString::fromUtf8(rs.szReader ? rs.szReader : "");
            DWORD now;
            const Reader* r = s.reader(name);
            if (name == QLatin1String("\\\\?PnP?\\Notification")) {
                now = DWORD(s.readers.size()) << 16;
            } else if (!r) {
                now = SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE;
            } else {
                now = readerEventState(s, *r) | (DWORD(r->eventCount & 0xFFFF) << 16);
                if (r->card) {
                    const QByteArray atr = r->card->atr();
                    rs.cbAtr = DWORD(atr.size());
                    std::memcpy(rs.rgbAtr, atr.constData(), atr.size());
                } else {
                    rs.cbAtr = 0;
                }
            }
            const DWORD mask = ~DWORD(SCARD_STATE_CHANGED);
            const bool differs = (rs.dwCurrentState & mask) != (now & mask);
            rs.dwEventState = now | (differs ? SCARD_STATE_CHANGED : 0);
            anyChange = anyChange || differs;
        }
        if (anyChange)
            return SCARD_S_SUCCESS;
        if (dwTimeout != INFINITE) {
            if (s.changed.wait_until(lock, deadline) == std::cv_status::timeout)
                return SCARD_E_TIMEOUT;
        } else {
            s.changed.wait(lock);
        }
    }
}

LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci, LPCBYTE pbSendBuffer,
                   DWORD cbSendLength, SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer,
                   LPDWORD pcbRecvLength)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Exchange exchange;
    auto it = s.handles.find(hCard);
    if (it != s.handles.end())
        exchange.reader = it->second.reader;
    if (pbSendBuffer)
        exchange.command =
            QByteArray(reinterpret_cast<const char*>(pbSendBuffer), int(cbSendLength));
    auto finish = [&](LONG rv) {
        exchange.result = rv;
        s.log.append(exchange);
        return rv;
    };
    Handle* h = nullptr;
    Reader* r = nullptr;
    LONG rv = checkHandle(s, hCard, &h, &r);
    if (rv != SCARD_S_SUCCESS)
        return finish(rv);
    if (!pioSendPci || !pbSendBuffer || !pbRecvBuffer || !pcbRecvLength || cbSendLength < 4)
        return finish(SCARD_E_INVALID_PARAMETER);
    // pcsc-lite refuses a send header naming a protocol the connection does not use.
    if (pioSendPci->dwProtocol != SCARD_PROTOCOL_RAW && !(pioSendPci->dwProtocol & h->protocol))
        return finish(SCARD_E_PROTO_MISMATCH);
    const Response answer = r->card->transmit(exchange.command);
    if (answer.removed) {
        r->lastCard = r->card;
        r->card.reset();
        s.bump(r);
        return finish(SCARD_W_REMOVED_CARD);
    }
    if (DWORD(answer.bytes.size()) > *pcbRecvLength) {
        *pcbRecvLength = DWORD(answer.bytes.size());
        return finish(SCARD_E_INSUFFICIENT_BUFFER);
    }
    std::memcpy(pbRecvBuffer, answer.bytes.constData(), answer.bytes.size());
    *pcbRecvLength = DWORD(answer.bytes.size());
    if (pioRecvPci) {
        pioRecvPci->dwProtocol = h->protocol;
        pioRecvPci->cbPciLength = sizeof(SCARD_IO_REQUEST);
    }
    exchange.response = answer.bytes;
    return finish(SCARD_S_SUCCESS);
}

LONG SCardControl(SCARDHANDLE hCard, DWORD, LPCVOID, DWORD, LPVOID, DWORD, LPDWORD lpBytesReturned)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.handles.count(hCard))
        return SCARD_E_INVALID_HANDLE;
    if (lpBytesReturned)
        *lpBytesReturned = 0;
    return SCARD_E_UNSUPPORTED_FEATURE;
}

LONG SCardCancel(SCARDCONTEXT hContext)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.contexts.count(hContext))
        return SCARD_E_INVALID_HANDLE;
    s.cancelled.insert(hContext);
    s.changed.notify_all();
    return SCARD_S_SUCCESS;
}

LONG SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.contexts.count(hContext))
        return SCARD_E_INVALID_HANDLE;
    std::free(const_cast<void*>(pvMem));
    return SCARD_S_SUCCESS;
}

} // namespace vsim::pcsc
