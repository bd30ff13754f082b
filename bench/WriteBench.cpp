// phonara-bench-write: times the program's writes of the phone book through
// the real PC/SC library (bench/card-write runs it on the typical card):
//   1. a full write: a book of as many contacts as the card has records, each
//      different from what the card holds;
//   2. the same book written again (nothing has to change);
//   3. the same book with one contact changed.
// For each it prints the UPDATE RECORD commands sent and the transfer's time.
//
//   phonara-bench-write [--pin CODE]
//
// The backup before each write is turned off: the bench must not fill the
// user's data folder.
#include "card/flows/CardSession.h"
#include "card/transport/PcscApi.h"
#include "shell/UserInterface.h"
#include "simops/CardTransfer.h"
#include "simops/PhoneBookWrite.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

decltype(&::SCardTransmit) g_transmit = nullptr;
long g_updateRecords = 0;
long g_commands = 0;

LONG countingTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE send,
                      DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receive,
                      LPDWORD receiveLength)
{
    ++g_commands;
    if (sendLength >= 2 && send[1] == 0xDC)
        ++g_updateRecords;
    return g_transmit(card, sendPci, send, sendLength, receivePci, receive, receiveLength);
}

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string pin = "1234";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pin") == 0 && i + 1 < argc) {
            pin = argv[++i];
        } else {
            std::fprintf(stderr, "usage: phonara-bench-write [--pin CODE]\n");
            return 2;
        }
    }

    void* library = nullptr;
    PcscApi api;
    if (!bindPcsc(library, api)) {
        std::fprintf(stderr, "phonara-bench-write: the PC/SC library cannot be loaded\n");
        return 1;
    }
    g_transmit = api.SCardTransmit;
    api.SCardTransmit = &countingTransmit;

    CardSession session(api);
    auto book = std::make_unique<PhoneBook>();
    auto sideBooks = std::make_unique<SideBooks>();
    BenchUserInterface ui(pin);
    BookState state;
    WriteRequest request;
    request.backup = false;
    WriteReport report;
    CardTransferBooks books{*book, *sideBooks, state, &request, &report};
    const TransferHook transfer = makeCardTransferHook(books, ui);
    double transferTime = 0;
    CardHost host{ui, state, [&](CardSession& s) {
                      const auto start = Clock::now();
                      const int result = transfer(s);
                      transferTime =
                          std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                      return result;
                  }};

    // Learn the card's size with a read, then fill a book of that many contacts.
    if (!connectToReader(session, host, Transfer::Read)) {
        std::fprintf(stderr, "phonara-bench-write: the card could not be read\n");
        return 1;
    }
    const int records = session.adnRecordCount;
    book->clear();
    for (int i = 0; i < records; ++i) {
        Contact contact;
        const std::string name = "Bench " + std::to_string(i + 1);
        const std::string number = "+4930" + std::to_string(1000000 + i);
        contact.setName(name);
        contact.setNumber(number);
        contact.tonNpi = 0x91;
        book->append(contact);
    }

    int status = 0;
    const auto run = [&](const char* what) {
        state.writeMode = WriteMode::WriteAll;
        state.bookSource = BookSource::File;
        const long updatesBefore = g_updateRecords;
        const long commandsBefore = g_commands;
        const bool written = connectToReader(session, host, Transfer::Write) && report.written();
        std::printf("%-22s %4ld UPDATE RECORD, %5ld commands, %8.1f ms%s\n", what,
                    g_updateRecords - updatesBefore, g_commands - commandsBefore, transferTime,
                    written ? "" : "  (FAILED)");
        if (!written)
            status = 1;
    };
    run("full write:");
    run("unchanged rewrite:");
    book->contacts[records / 2].setNumber("+4930999999");
    run("one contact changed:");
    endSession(session);
    unbindPcsc(library, api);
    return status;
}
