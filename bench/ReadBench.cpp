// phonara-bench-read: times the program's read of the card's books through
// the real PC/SC library, to compare with a minimal client sending the same
// number of READ RECORD commands (bench/card-read runs both).
//
//   phonara-bench-read [--pin CODE] [--runs N]
//
// The first read connects, checks the SIM and gives PIN1; the N reads after it
// take the kept connection, as a second Read in the program does. Prints the
// times of the transfers and, on its last line, "read-records: COUNT" (the
// READ RECORD commands of one transfer).
#include "card/flows/CardSession.h"
#include "card/transport/PcscApi.h"
#include "shell/UserInterface.h"
#include "simops/CardTransfer.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

decltype(&::SCardTransmit) g_transmit = nullptr;
long g_commands = 0;
long g_readRecords = 0;

LONG countingTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE send,
                      DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receive,
                      LPDWORD receiveLength)
{
    ++g_commands;
    if (sendLength >= 2 && send[1] == 0xB2)
        ++g_readRecords;
    return g_transmit(card, sendPci, send, sendLength, receivePci, receive, receiveLength);
}

// Answers PIN1 with the code given, shows messages on standard error.
class BenchUserInterface : public UserInterface
{
public:
    explicit BenchUserInterface(std::string pin) : m_pin(std::move(pin)) {}

    Answer message(const Message& message) override
    {
        std::fprintf(stderr, "message %d: %s\n", message.id, message.text.c_str());
        return Answer::Ok;
    }

    PinAnswer askPin(const PinRequest&) override
    {
        PinAnswer answer;
        answer.confirmed = true;
        answer.entries.code.assign(m_pin);
        return answer;
    }

private:
    std::string m_pin;
};

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string pin = "1234";
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pin") == 0 && i + 1 < argc)
            pin = argv[++i];
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: phonara-bench-read [--pin CODE] [--runs N]\n");
            return 2;
        }
    }

    void* library = nullptr;
    PcscApi api;
    if (!bindPcsc(library, api)) {
        std::fprintf(stderr, "phonara-bench-read: the PC/SC library cannot be loaded\n");
        return 1;
    }
    g_transmit = api.SCardTransmit;
    api.SCardTransmit = &countingTransmit;

    CardSession session(api);
    auto book = std::make_unique<PhoneBook>();
    auto sideBooks = std::make_unique<SideBooks>();
    BenchUserInterface ui(pin);
    BookState state;
    CardTransferBooks books{*book, *sideBooks, state};
    const TransferHook transfer = makeCardTransferHook(books, ui);

    std::vector<double> transferTimes;
    long transferCommands = 0;
    long transferReadRecords = 0;
    CardHost host{ui, state, [&](CardSession& s) {
                      const long commandsBefore = g_commands;
                      const long readsBefore = g_readRecords;
                      const auto start = Clock::now();
                      const int result = transfer(s);
                      transferTimes.push_back(millisecondsSince(start));
                      transferCommands = g_commands - commandsBefore;
                      transferReadRecords = g_readRecords - readsBefore;
                      return result;
                  }};

    int status = 0;
    for (int run = 0; run <= runs; ++run) {
        const auto start = Clock::now();
        const bool read =
            connectToReader(session, host, Transfer::Read) && state.bookSource == BookSource::Card;
        const double total = millisecondsSince(start);
        if (!read || transferTimes.empty()) {
            std::fprintf(stderr, "phonara-bench-read: the read failed\n");
            status = 1;
            break;
        }
        if (run == 0)
            std::printf("first read (connect, SIM checks, PIN1, transfer): %.1f ms, transfer "
                        "%.1f ms\n",
                        total, transferTimes.back());
    }
    if (status == 0) {
        std::vector<double> kept(transferTimes.begin() + 1, transferTimes.end());
        std::sort(kept.begin(), kept.end());
        std::printf("transfer on the kept connection: median %.1f ms (min %.1f, max %.1f) over "
                    "%zu reads; %d contacts, %ld commands of which %ld READ RECORD "
                    "(%.3f ms per command)\n",
                    kept[kept.size() / 2], kept.front(), kept.back(), kept.size(),
                    static_cast<int>(book->contactCount()), transferCommands, transferReadRecords,
                    kept[kept.size() / 2] / double(transferCommands));
        std::printf("read-records: %ld\n", transferReadRecords);
    }
    endSession(session);
    unbindPcsc(library, api);
    return status;
}
