#include "cli/CardCommands.h"

#include "card/flows/CardMessages.h"
#include "card/flows/ConnectSequence.h"
#include "card/flows/Pin1.h"
#include "card/flows/Pin2.h"
#include "cli/BookFiles.h"
#include "cli/CliMain.h"
#include "cli/ReaderFilter.h"
#include "cli/TerminalUserInterface.h"
#include "files/ImportReport.h"
#include "shell/Config.h"
#include "shell/Strings.h"
#include "simops/BackupStore.h"
#include "simops/CardTransfer.h"
#include "simops/PhoneBookWrite.h"
#include "simops/SimInfo.h"

#include <ostream>

namespace {

constexpr int kReadingCaption = 73; // " Reading from SIM Card ... "
constexpr int kNothingToWrite = 826; // says --mode clear where the window says Clear SIM

// The confirmation of each write mode: its text and the setting that turns it off.
struct WriteConfirmation
{
    WriteMode mode;
    const char* key;
    int textId;
};

constexpr WriteConfirmation kConfirmations[] = {
    {WriteMode::WriteAll, ConfigKey::kWriteAll, 115},
    {WriteMode::WriteSelected, ConfigKey::kWriteSelected, 116},
    {WriteMode::AddAll, ConfigKey::kAddAll, 117},
    {WriteMode::AddSelected, ConfigKey::kAddSelected, 118},
    {WriteMode::ClearCard, ConfigKey::kClearCard, 114},
};

// What one card command works on: the session and the tables a transfer fills
// or writes, with the document state the card flows read and change.
struct CardJob
{
    CardJob(const PcscApi& api, TerminalUserInterface& terminal) : session(api), ui(terminal) {}
    ~CardJob()
    {
        if (session.context != 0)
            endSession(session);
    }
    CardJob(const CardJob&) = delete;
    CardJob& operator=(const CardJob&) = delete;

    CardSession session;
    PhoneBook book;
    SideBooks sideBooks;
    BookState state;
    TerminalUserInterface& ui;
    bool transferRan = false;
    bool readComplete = false;
    int writeFailed = 0;
    WriteRequest request;
    WriteReport report;

    CardHost host()
    {
        CardHost cardHost{ui, state, {}};
        cardHost.transfer = [this](CardSession& cardSession) {
            transferRan = true;
            CardTransferBooks books{book, sideBooks, state, &request, &report};
            if (cardSession.transferDirection == Transfer::Read) {
                // Only a complete read counts; the PIN entry has already
                // called the book the card's.
                ui.runWithProgress(resString(kReadingCaption),
                                   [&] { readComplete = readFromCard(cardSession, books, ui); });
                return 0;
            }
            writeFailed = cardTransfer(cardSession, books, ui);
            return writeFailed;
        };
        return cardHost;
    }
};

// Says why the work stopped when nothing on the way has said so.
int failedWith(TerminalUserInterface& ui, const char* what)
{
    if (ui.failures() == 0)
        ui.complain(what);
    return 1;
}

bool readCard(CardJob& job)
{
    CardHost host = job.host();
    const bool connected = connectToReader(job.session, host, Transfer::Read);
    return connected && job.readComplete && job.ui.failures() == 0;
}

} // namespace

int runReadersCommand(const PcscApi& api, TerminalUserInterface& ui, std::ostream& out)
{
    std::vector<std::string> names;
    if (listReaderNames(api, names) != SCARD_S_SUCCESS) {
        ui.inform(CardText::NoSmartCardComponents);
        return 1;
    }
    if (names.empty()) {
        ui.inform(CardText::NoReaders);
        return 1;
    }
    for (const std::string& name : names)
        out << name << '\n';
    out.flush();
    return 0;
}

int runInfoCommand(const PcscApi& api, TerminalUserInterface& ui, std::ostream& out)
{
    CardJob job(api, ui);
    if (!readCard(job))
        return failedWith(ui, "the card could not be read");
    const SimInfo info = collectSimInfo(job.session, job.book, job.sideBooks);
    const auto line = [&](int labelId, const std::string& value) {
        out << resString(labelId) << (value.empty() ? "" : " ") << value << '\n';
    };
    line(SimInfoText::Contacts, std::to_string(info.recordCount));
    line(SimInfoText::ContactsRead, std::to_string(info.contactsRead));
    line(SimInfoText::FreeContacts, std::to_string(info.freeRecords));
    line(SimInfoText::NameLength, std::to_string(info.nameLength));
    out << info.pin1State << '\n';
    line(SimInfoText::Iccid, info.iccid);
    line(SimInfoText::ServiceProvider, info.serviceProviderName);
    line(SimInfoText::OwnNumber, info.ownNumber);
    line(SimInfoText::CardKind, info.cardKind);
    line(SimInfoText::PhoneBook, info.phoneBook);
    for (const SimInfo::Counter& counter : info.counters)
        line(counter.labelId, counter.value);
    out.flush();
    return 0;
}

int runReadCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui)
{
    CardJob job(api, ui);
    // A phone book read without its fixed dialling or last dialled numbers is
    // saved all the same, and the exit status says that something is missing.
    if (!readCard(job) && !job.readComplete)
        return failedWith(ui, "the card could not be read");
    endSession(job.session);
    if (!saveBookFile(options.output, job.book, job.sideBooks, ui, vCardVersionOf(options)))
        return failedWith(ui, "the file could not be written");
    return ui.failures() == 0 ? 0 : 1;
}

int runWriteCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui,
                    std::ostream& out)
{
    if (!options.writeMode)
        return failedWith(ui, "no write mode was given");
    const WriteMode mode = *options.writeMode;
    CardJob job(api, ui);
    ImportReport skipped;
    if (!loadBookFile(options.input, job.book, job.sideBooks, ui, vCardNumbersOf(options),
                      &skipped))
        return failedWith(ui, "the file could not be loaded");
    // Done as asked, but the summary shown lists lines of IN that the card does not get.
    const int done = skipped.skippedAny() ? kExitSkipped : 0;

    job.book.clearSelection();
    job.state.selectedIndex = -1;
    if (mode == WriteMode::WriteSelected || mode == WriteMode::AddSelected) {
        std::vector<uint32_t> rows;
        std::string error;
        if (!parseSelection(options.selectList, job.book.contactCount(), rows, error)) {
            ui.complain(error);
            return 2;
        }
        for (uint32_t row : rows)
            job.book.setSelected(row, true);
        if (!rows.empty())
            job.state.selectedIndex = static_cast<int>(rows.front());
    }

    // Overwriting the card with no contact would only empty it: --mode clear does that.
    if ((mode == WriteMode::WriteAll || mode == WriteMode::WriteSelected) &&
        chosenContacts(job.book, mode).empty()) {
        ui.inform(kNothingToWrite);
        return 1;
    }

    for (const WriteConfirmation& confirmation : kConfirmations) {
        if (confirmation.mode != mode || options.dryRun)
            continue;
        // Turned off in the program's confirmation dialog: not asked here either.
        if (readConfigNumber(confirmation.key).value_or(0) != 0)
            break;
        const std::optional<bool> yes = ui.confirm(resString(confirmation.textId));
        if (!yes) {
            ui.complain("writing to the card needs a confirmation: give --yes, or run the "
                        "command on a terminal");
            return 1;
        }
        if (!*yes) {
            ui.complain("nothing was written");
            return 1;
        }
    }

    job.request.dryRun = options.dryRun;
    job.request.allowPartial = options.partial;
    job.request.backup = !options.noBackup && cardBackupEnabled();
    job.state.writeMode = mode;
    job.state.bookSource = BookSource::File;
    CardHost host = job.host();
    const bool connected = connectToReader(job.session, host, Transfer::Write);
    if (options.dryRun && connected && job.report.stop == WriteStop::DryRun) {
        const WritePlan& plan = job.report.plan;
        for (const std::string& line : describePlan(plan, job.report.contacts))
            out << line << '\n';
        out << summaryText(plan) << '\n'
            << fitText(plan, job.report.contacts) << '\n'
            << std::flush;
        return plan.fits() || options.partial ? done : 1;
    }
    if (!connected || !job.transferRan || job.writeFailed != 0 || ui.failures() != 0)
        return failedWith(ui, "the card was not written");
    return done;
}

int runPinCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui)
{
    CardJob job(api, ui);
    if (options.chv == 2) {
        if (options.pinAction == PinAction::Unblock)
            unblockPin2(job.session, ui);
        else
            changePin2(job.session, ui);
        return ui.failures() == 0 ? 0 : 1;
    }
    CardHost host{ui, job.state, {}};
    bool done = false;
    switch (options.pinAction) {
    case PinAction::Change:
        ui.setPin1Choice(TerminalUserInterface::Pin1Choice::Change);
        done = changePin1(job.session, host);
        break;
    case PinAction::Enable:
        ui.setPin1Choice(TerminalUserInterface::Pin1Choice::Enable);
        done = changePin1(job.session, host);
        break;
    case PinAction::Disable:
        ui.setPin1Choice(TerminalUserInterface::Pin1Choice::Disable);
        done = changePin1(job.session, host);
        break;
    case PinAction::Unblock:
        done = unblockPin1(job.session, host);
        break;
    }
    if (!done || ui.failures() != 0)
        return failedWith(ui, "the PIN was not changed");
    return 0;
}
