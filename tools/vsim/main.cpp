// phonara-vsim: serves a virtual SIM to the vpcd reader driver inside pcscd.
//
// vpcd listens on a TCP port; the card connects to it. Every frame is a
// 2-byte big-endian length and a payload. A 1-byte payload is a control
// code (power off, power on, reset, get ATR); anything longer is an APDU,
// answered with the response data and SW1 SW2.
#include "CardProfile.h"
#include "SimCard.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint8_t kPowerOff = 0x00;
constexpr uint8_t kPowerOn = 0x01;
constexpr uint8_t kReset = 0x02;
constexpr uint8_t kGetAtr = 0x04;

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_toggle = 0;
bool g_quickAck = true;

void onStop(int)
{
    g_stop = 1;
}

void onToggle(int)
{
    g_toggle = 1;
}

struct Options
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
    QString profile;
    bool save = false;
    bool verbose = false;
    int reinsertAfterMs = -1; // -1: stay out until SIGUSR1
    int connectTimeoutMs = 10000;
    QStringList faults;
};

int usage(const char* why)
{
    std::fprintf(
        stderr,
        "phonara-vsim: %s\n"
        "usage: phonara-vsim --port P --profile FILE [--save] [--fault JSON]...\n"
        "                    [--reinsert-after MS] [--host ADDR] [--verbose]\n"
        "  --save               write the card back to FILE on exit (SIGTERM included)\n"
        "  --fault JSON         add a fault, e.g. '{\"afterApdus\": 5, \"do\": \"remove\"}'\n"
        "  --reinsert-after MS  after a removal, put the card back after MS milliseconds\n"
        "SIGUSR1 takes the card out or puts it back.\n",
        why);
    return 2;
}

std::optional<Options> parse(const QStringList& args, int* status)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        std::optional<QString> v;
        if (a == QLatin1String("--save")) {
            o.save = true;
        } else if (a == QLatin1String("--verbose")) {
            o.verbose = true;
        } else if (a == QLatin1String("--no-quickack")) {
            g_quickAck = false; // for the benchmark: shows what the flag saves
        } else if (a == QLatin1String("--port") && (v = value())) {
            o.port = v->toInt();
        } else if (a == QLatin1String("--profile") && (v = value())) {
            o.profile = *v;
        } else if (a == QLatin1String("--host") && (v = value())) {
            o.host = *v;
        } else if (a == QLatin1String("--fault") && (v = value())) {
            o.faults << *v;
        } else if (a == QLatin1String("--reinsert-after") && (v = value())) {
            o.reinsertAfterMs = v->toInt();
        } else if (a == QLatin1String("--connect-timeout") && (v = value())) {
            o.connectTimeoutMs = v->toInt();
        } else {
            *status = usage(qPrintable(QStringLiteral("unexpected argument %1").arg(a)));
            return std::nullopt;
        }
    }
    if (o.port <= 0 || o.port > 65535 || o.profile.isEmpty()) {
        *status = usage("--port and --profile are required");
        return std::nullopt;
    }
    return o;
}

// Connects to vpcd, retrying while it is not listening yet. -1 on timeout or stop.
int connectToVpcd(const Options& o, int timeoutMs)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(o.port));
    if (inet_pton(AF_INET, o.host.toLatin1().constData(), &address.sin_addr) != 1) {
        std::fprintf(stderr, "phonara-vsim: bad address %s\n", qPrintable(o.host));
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!g_stop) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return -1;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return fd;
        }
        close(fd);
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

// Without quick acknowledgements the kernel delays each ACK and every
// frame costs about 40 ms; the flag does not stick, so set it after every read.
void quickAck(int fd)
{
    if (!g_quickAck)
        return;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

// Reads exactly `n` bytes. 1: done, 0: vpcd closed the connection, -1: error
// or stop requested, -2: interrupted by a presence toggle.
int readExactly(int fd, char* out, size_t n)
{
    size_t got = 0;
    while (got < n) {
        if (g_stop)
            return -1;
        if (g_toggle)
            return -2;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 250);
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready <= 0)
            continue;
        const ssize_t r = recv(fd, out + got, n - got, 0);
        if (r == 0)
            return 0;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        quickAck(fd);
        got += size_t(r);
    }
    return 1;
}

bool sendFrame(int fd, const QByteArray& payload)
{
    QByteArray frame;
    frame.append(char((payload.size() >> 8) & 0xFF));
    frame.append(char(payload.size() & 0xFF));
    frame.append(payload);
    size_t sent = 0;
    while (sent < size_t(frame.size())) {
        const ssize_t w = send(fd, frame.constData() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        sent += size_t(w);
    }
    return true;
}

enum class SessionEnd
{
    Stop,
    VpcdGone,
    Removed,
    Toggled
};

SessionEnd serve(int fd, vsim::SimCard& card, const Options& o)
{
    while (true) {
        char header[2];
        int r = readExactly(fd, header, 2);
        if (r == -2)
            return SessionEnd::Toggled;
        if (r <= 0)
            return r == 0 ? SessionEnd::VpcdGone : SessionEnd::Stop;
        const int length = (uint8_t(header[0]) << 8) | uint8_t(header[1]);
        QByteArray payload(length, '\0');
        r = length ? readExactly(fd, payload.data(), size_t(length)) : 1;
        if (r == -2)
            return SessionEnd::Toggled;
        if (r <= 0)
            return r == 0 ? SessionEnd::VpcdGone : SessionEnd::Stop;
        if (length == 1) {
            switch (uint8_t(payload[0])) {
            case kPowerOff:
            case kPowerOn:
            case kReset:
                card.reset();
                break;
            case kGetAtr:
                if (!sendFrame(fd, card.atr()))
                    return SessionEnd::VpcdGone;
                break;
            default:
                break;
            }
            continue;
        }
        const vsim::Response answer = card.transmit(payload);
        if (o.verbose) {
            std::fprintf(stderr, "> %s\n< %s\n", qPrintable(vsim::toHex(payload)),
                         answer.removed ? "(card removed)" : qPrintable(vsim::toHex(answer.bytes)));
        }
        if (answer.removed)
            return SessionEnd::Removed;
        if (!sendFrame(fd, answer.bytes))
            return SessionEnd::VpcdGone;
    }
}

// Waits out of the reader: until the reinsert delay ends, a toggle, or stop.
void waitOutside(const Options& o)
{
    const auto start = std::chrono::steady_clock::now();
    while (!g_stop && !g_toggle) {
        if (o.reinsertAfterMs >= 0 && std::chrono::steady_clock::now() - start >=
                                          std::chrono::milliseconds(o.reinsertAfterMs))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    g_toggle = 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    const auto options = parse(app.arguments(), &status);
    if (!options)
        return status;
    const Options& o = *options;

    QFile file(o.profile);
    QJsonObject original;
    if (file.open(QIODevice::ReadOnly))
        original = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QString error;
    std::unique_ptr<vsim::SimCard> card = vsim::cardFromJson(original, &error);
    if (!card || original.isEmpty()) {
        std::fprintf(stderr, "phonara-vsim: %s: %s\n", qPrintable(o.profile),
                     error.isEmpty() ? "not a JSON profile" : qPrintable(error));
        return 1;
    }
    for (const QString& text : o.faults) {
        vsim::Fault fault;
        if (!vsim::faultFromJson(QJsonDocument::fromJson(text.toUtf8()).object(), &fault, &error)) {
            std::fprintf(stderr, "phonara-vsim: --fault %s: %s\n", qPrintable(text),
                         qPrintable(error));
            return 2;
        }
        card->faults().append(fault);
    }

    struct sigaction stop
    {
    };
    stop.sa_handler = onStop;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
    struct sigaction toggle
    {
    };
    toggle.sa_handler = onToggle;
    sigaction(SIGUSR1, &toggle, nullptr);

    int result = 0;
    while (!g_stop) {
        const int fd = connectToVpcd(o, o.connectTimeoutMs);
        if (fd < 0) {
            if (!g_stop) {
                std::fprintf(stderr, "phonara-vsim: cannot reach vpcd at %s:%d\n",
                             qPrintable(o.host), o.port);
                result = 1;
            }
            break;
        }
        card->reset();
        const SessionEnd end = serve(fd, *card, o);
        close(fd);
        if (end == SessionEnd::Stop || end == SessionEnd::VpcdGone)
            break;
        g_toggle = 0;
        if (o.verbose)
            std::fprintf(stderr, "phonara-vsim: card out of the reader\n");
        waitOutside(o);
    }

    if (o.save) {
        if (!vsim::saveProfile(*card, o.profile, original, &error)) {
            std::fprintf(stderr, "phonara-vsim: cannot save %s: %s\n", qPrintable(o.profile),
                         qPrintable(error));
            result = 1;
        }
    }
    return result;
}
