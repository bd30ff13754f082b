// phonara-pcsc-probe: a plain PC/SC client linked against libpcsclite, used
// by the end-to-end tests and the benchmark to talk to the virtual card
// through a real pcscd.
//
//   phonara-pcsc-probe --wait-reader SECONDS      wait until pcscd lists a reader
//   phonara-pcsc-probe --wait-card SECONDS [--count N]
//                                                 wait until N readers (1) hold a card
//   phonara-pcsc-probe [--reader NAME] [--repeat N] APDU...
//
// Each APDU (hex, blanks allowed inside one argument) is sent in order on a
// T=0 connection; "--repeat N" sends the last APDU N times and reports the
// time they took on stderr. Output: "< RESPONSE" per APDU. Exit status: 0
// all sent, 3 the card was removed, 4 no card or reader, 1 other failures.
#include <PCSC/winscard.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> parseHex(const std::string& text, bool* ok)
{
    std::vector<unsigned char> out;
    std::string digits;
    for (char c : text) {
        if (c != ' ')
            digits += c;
    }
    *ok = digits.size() % 2 == 0 && !digits.empty();
    for (size_t i = 0; *ok && i < digits.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = digits.substr(i, 2);
        const long v = std::strtol(pair.c_str(), &end, 16);
        *ok = end && *end == '\0';
        out.push_back(static_cast<unsigned char>(v));
    }
    return out;
}

std::string toHex(const unsigned char* bytes, size_t n)
{
    std::string s;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

// The readers that hold a card (all readers when `anyReader`), waiting up to
// `seconds` until there are at least `count` of them.
std::vector<std::string> readersWithCards(SCARDCONTEXT ctx, const std::string& wanted,
                                          double seconds, size_t count, bool anyReader = false)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    std::vector<std::string> found;
    do {
        found.clear();
        DWORD length = 0;
        if (SCardListReaders(ctx, nullptr, nullptr, &length) == SCARD_S_SUCCESS && length > 0) {
            std::vector<char> names(length);
            if (SCardListReaders(ctx, nullptr, names.data(), &length) == SCARD_S_SUCCESS) {
                for (const char* p = names.data(); *p; p += std::strlen(p) + 1) {
                    if (!wanted.empty() && wanted != p)
                        continue;
                    SCARD_READERSTATE rs{};
                    rs.szReader = p;
                    rs.dwCurrentState = SCARD_STATE_UNAWARE;
                    if (anyReader || (SCardGetStatusChange(ctx, 0, &rs, 1) == SCARD_S_SUCCESS &&
                                      (rs.dwEventState & SCARD_STATE_PRESENT) &&
                                      !(rs.dwEventState & SCARD_STATE_MUTE)))
                        found.push_back(p);
                }
            }
        }
        if (found.size() >= count && count > 0)
            return found;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        struct timespec pause
        {
            0, 50 * 1000 * 1000
        };
        nanosleep(&pause, nullptr);
    } while (true);
    found.clear();
    return found;
}

// After a failed transmit: did the card leave the reader? pcscd notices within about half a second.
bool cardGone(SCARDCONTEXT ctx, const std::string& reader)
{
    for (int i = 0; i < 40; ++i) {
        SCARD_READERSTATE rs{};
        rs.szReader = reader.c_str();
        rs.dwCurrentState = SCARD_STATE_UNAWARE;
        if (SCardGetStatusChange(ctx, 0, &rs, 1) == SCARD_S_SUCCESS &&
            (rs.dwEventState & SCARD_STATE_EMPTY))
            return true;
        struct timespec pause
        {
            0, 50 * 1000 * 1000
        };
        nanosleep(&pause, nullptr);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::string reader;
    double waitSeconds = 5;
    bool waitOnly = false;
    bool waitReader = false;
    size_t count = 1;
    long repeat = 1;
    std::vector<std::vector<unsigned char>> apdus;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reader" && i + 1 < argc) {
            reader = argv[++i];
        } else if (a == "--wait-card" && i + 1 < argc) {
            waitOnly = true;
            waitSeconds = std::atof(argv[++i]);
        } else if (a == "--wait-reader" && i + 1 < argc) {
            waitOnly = waitReader = true;
            waitSeconds = std::atof(argv[++i]);
        } else if (a == "--count" && i + 1 < argc) {
            count = size_t(std::atol(argv[++i]));
        } else if (a == "--repeat" && i + 1 < argc) {
            repeat = std::atol(argv[++i]);
        } else {
            bool ok = false;
            apdus.push_back(parseHex(a, &ok));
            if (!ok) {
                std::fprintf(stderr, "phonara-pcsc-probe: bad APDU %s\n", a.c_str());
                return 2;
            }
        }
    }

    // While waiting, the daemon may still be starting: keep trying to reach it.
    SCARDCONTEXT ctx = 0;
    LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(waitSeconds * 1000));
    while (waitOnly && rv == SCARD_E_NO_SERVICE && std::chrono::steady_clock::now() < deadline) {
        struct timespec pause
        {
            0, 50 * 1000 * 1000
        };
        nanosleep(&pause, nullptr);
        rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx);
    }
    if (rv != SCARD_S_SUCCESS) {
        std::fprintf(stderr, "phonara-pcsc-probe: SCardEstablishContext: %s\n",
                     pcsc_stringify_error(rv));
        return 4;
    }
    const std::vector<std::string> names =
        readersWithCards(ctx, reader, waitSeconds, waitOnly ? count : 1, waitReader);
    if (names.empty()) {
        std::fprintf(stderr, "phonara-pcsc-probe: %s\n",
                     waitReader ? "no reader" : "no card present");
        SCardReleaseContext(ctx);
        return 4;
    }
    if (waitOnly) {
        for (const std::string& n : names)
            std::printf("%s\n", n.c_str());
        SCardReleaseContext(ctx);
        return 0;
    }
    const std::string name = names.front();

    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    rv = SCardConnect(ctx, name.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0, &card, &protocol);
    if (rv != SCARD_S_SUCCESS) {
        std::fprintf(stderr, "phonara-pcsc-probe: SCardConnect: %s\n", pcsc_stringify_error(rv));
        SCardReleaseContext(ctx);
        return rv == SCARD_E_NO_SMARTCARD || rv == SCARD_W_REMOVED_CARD ? 3 : 1;
    }

    int status = 0;
    const SCARD_IO_REQUEST pci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
    for (size_t i = 0; i < apdus.size() && status == 0; ++i) {
        const long times = i + 1 == apdus.size() ? repeat : 1;
        const auto start = std::chrono::steady_clock::now();
        for (long n = 0; n < times; ++n) {
            unsigned char response[258];
            DWORD length = sizeof response;
            rv = SCardTransmit(card, &pci, apdus[i].data(), DWORD(apdus[i].size()), nullptr,
                               response, &length);
            if (rv != SCARD_S_SUCCESS) {
                const bool removed = rv == SCARD_W_REMOVED_CARD || cardGone(ctx, name);
                std::printf("! %s\n", removed ? "card removed" : pcsc_stringify_error(rv));
                std::fprintf(stderr, "phonara-pcsc-probe: SCardTransmit: %s\n",
                             pcsc_stringify_error(rv));
                status = removed ? 3 : 1;
                break;
            }
            if (n == 0 || n + 1 == times)
                std::printf("< %s\n", toHex(response, length).c_str());
        }
        if (times > 1 && status == 0) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            std::fprintf(stderr, "%ld commands in %.1f ms (%.2f ms each)\n", times, ms,
                         ms / double(times));
        }
    }
    std::fflush(stdout);
    SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(ctx);
    return status;
}
