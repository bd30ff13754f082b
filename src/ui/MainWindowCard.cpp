// Card commands: Read, the five writes, Close card, PIN1/PIN2 and SIM
// information, with the question about a changed card book.

#include "AppContext.h"
#include "CommandIds.h"
#include "ConfirmWriteDialog.h"
#include "ContactListModel.h"
#include "Icons.h"
#include "MainWindow.h"
#include "SimInfoDialog.h"
#include "card/flows/ConnectSequence.h"
#include "card/flows/Pin1.h"
#include "card/flows/Pin2.h"
#include "shell/Strings.h"
#include "simops/BackupStore.h"
#include "simops/CardTransfer.h"
#include "simops/PhoneBookWrite.h"
#include "simops/SimInfo.h"

#include <QTableView>

namespace {
constexpr int kOpenSomethingToWrite = 4;
constexpr int kSaveFileToCard = 5;
constexpr int kReadingCaption = 73;
constexpr int kNothingToWrite = 800;
constexpr int kWriteWhatFits = 804;
constexpr int kOpenBackup = 820;
constexpr int kContactsFit = 801;  // "%d of %d contacts fit on the SIM Card."
constexpr int kContactsLost = 806; // "The SIM Card loses %d of its contacts."

struct WriteCommand
{
    int command;
    const char* key; // "don't show again" setting of its confirmation
    int textId;
    WriteMode mode;
};

constexpr WriteCommand kWrites[] = {
    {Command::WriteAll, "Write_All", 115, WriteMode::WriteAll},
    {Command::WriteSelected, "Write_Selected", 116, WriteMode::WriteSelected},
    {Command::AddAll, "Add_All", 117, WriteMode::AddAll},
    {Command::AddSelected, "Add_Selected", 118, WriteMode::AddSelected},
    {Command::ClearCard, "Clear_Card", 114, WriteMode::ClearCard},
};

// The check before writing, asked from the transfer once the card's records
// are known: when not every contact fits, or an overwrite takes contacts from
// the card, the user sees the counts and may stop before anything is written.
// The same for a SIM's phone book and a USIM phone book.
bool approveWrite(UserInterface& ui, WriteMode writeMode, const WritePlan& plan,
                  std::span<const Contact> contacts)
{
    const bool loses = planModeOf(writeMode) == PlanMode::Overwrite && plan.contactsLost > 0;
    if (plan.fits() && !loses)
        return true;
    UserInterface::Message question;
    question.id = plan.fits() ? kContactsLost : kContactsFit;
    question.text = summaryText(plan);
    if (!plan.fits())
        question.text =
            fitText(plan, contacts) + "\n" + question.text + "\n" + resString(kWriteWhatFits);
    question.icon = UserInterface::Icon::Question;
    question.buttons = UserInterface::Buttons::OkCancel;
    return ui.message(question) == UserInterface::Answer::Ok;
}

UserInterface::Answer ask(UserInterface& ui, int id, UserInterface::Buttons buttons)
{
    UserInterface::Message question;
    question.id = id;
    question.text = resString(id);
    question.icon = UserInterface::Icon::Question;
    question.buttons = buttons;
    return ui.message(question);
}
} // namespace

std::string MainWindow::cardReaderName() const
{
    return std::string(m_app.session.readerName.view());
}

unsigned MainWindow::cardRecordCount() const
{
    return static_cast<unsigned>(std::max(m_app.session.adnRecordCount, 0));
}

CardHost MainWindow::cardHost()
{
    CardHost host{m_app.ui, m_app.state, {}};
    host.transfer = [this](CardSession& session) { return runTransfer(session); };
    return host;
}

// Q3: a changed card book is offered for writing back. false: cancelled.
bool MainWindow::askSaveCard(int questionId)
{
    DocumentState& state = m_app.state;
    if (!state.fromCard() || !state.modified)
        return true;
    switch (ask(m_app.ui, questionId, UserInterface::Buttons::YesNoCancel)) {
    case UserInterface::Answer::Yes:
        writeWholeBookToCard();
        return true;
    case UserInterface::Answer::No:
        return true;
    default:
        return false;
    }
}

void MainWindow::takeSelectionSnapshot()
{
    const std::vector<bool> bits = selectionBits();
    m_app.book.clearSelection();
    for (std::size_t i = 0; i < bits.size(); ++i)
        m_app.book.setSelected(static_cast<uint32_t>(i), bits[i]);
}

bool MainWindow::writeWholeBookToCard()
{
    m_app.state.writeMode = WriteMode::WriteAll;
    takeSelectionSnapshot();
    CardHost host = cardHost();
    return connectToReader(m_app.session, host, Transfer::Write);
}

void MainWindow::readCard()
{
    DocumentState& state = m_app.state;
    if (!askSaveUntitled() || !askSaveChangedFile() || !askSaveCard(kSaveCardBeforeRead))
        return;
    state.untitledList = false;
    const bool wasFile = state.fromFile();
    const BookSource sourceBefore = state.bookSource;
    m_readComplete = false;
    CardHost host = cardHost();
    // The PIN entry already counts the book as the card's; only a complete
    // transfer makes it so.
    const bool read = connectToReader(m_app.session, host, Transfer::Read) && m_readComplete;
    if (!read) {
        state.bookSource = sourceBefore;
        // A connection left behind by a refused or cancelled PIN or a failed
        // read serves nothing unless the open book is the card's.
        if (!state.fromCard() && m_app.session.context != 0)
            closeCardConnection();
        refillList();
        refreshStatus();
        if (state.fromNothing())
            setWindowTitle(QStringLiteral("Phonara "));
        else
            refreshTitle();
        emit documentChanged();
        return;
    }
    if (wasFile) {
        state.clearSelection();
        state.currentPath.clear();
    }
    state.bookSource = BookSource::Card;
    state.modified = false;
    state.nameLimit = m_app.session.adnNameLength;
    state.recordLength = m_app.session.adnRecordLength;
    m_list->clearSelection();
    state.clearSelection();
    refreshTitle();
    refreshStatus();
    emit documentChanged();
}

void MainWindow::writeCard(int command)
{
    DocumentState& state = m_app.state;
    const WriteCommand* write = nullptr;
    for (const WriteCommand& entry : kWrites) {
        if (entry.command == command)
            write = &entry;
    }
    if (!write)
        return;
    const ConfirmResult confirmed = confirmWriteDialog(
        this, QStringLiteral("Phonara"), QString::fromStdString(resString(write->textId)),
        write->key, resourceIcon(113), ConfirmResult::Cancel);
    if (confirmed == ConfirmResult::Cancel)
        return;
    state.writeMode = write->mode;
    if (!state.hasBook() && write->mode != WriteMode::ClearCard) {
        m_app.ui.inform(kOpenSomethingToWrite);
        return;
    }
    takeSelectionSnapshot();
    // Overwriting the card with no contact would only empty it: Clear SIM does that.
    if ((write->mode == WriteMode::WriteAll || write->mode == WriteMode::WriteSelected) &&
        chosenContacts(m_app.book, write->mode).empty()) {
        m_app.ui.inform(kNothingToWrite);
        return;
    }

    m_lastBackup.clear();
    // Failed until a transfer says otherwise: a card lost while connecting writes nothing.
    m_lastWriteFailed = true;
    CardHost host = cardHost();
    if (state.fromFile()) {
        // The file stays open; the card is only visited.
        if (ask(m_app.ui, kSaveFileToCard, UserInterface::Buttons::OkCancel) !=
            UserInterface::Answer::Ok)
            return;
        connectToReader(m_app.session, host, Transfer::Write);
        closeCardConnection();
        state.bookSource = BookSource::File;
    } else {
        const bool wasCard = state.fromCard();
        const bool written =
            connectToReader(m_app.session, host, Transfer::Write) && !m_lastWriteFailed;
        if (state.bookSource == BookSource::CancellingPin)
            state.bookSource = BookSource::Card;
        if (written) {
            state.modified = false;
            state.untitledList = false;
        } else if (!wasCard && state.fromCard()) {
            // An untitled list whose write did not go through stays untitled.
            state.bookSource = BookSource::Nothing;
        }
    }
    refreshTitle();
    refreshStatus();
    emit documentChanged();
    offerBackup();
}

// After a failed write that had taken a backup: open it, so that it can be
// written back. Not when that would drop changes of a card book not saved anywhere.
void MainWindow::offerBackup()
{
    DocumentState& state = m_app.state;
    if (!m_lastWriteFailed || m_lastBackup.empty() || (state.modified && !state.fromFile()))
        return;
    UserInterface::Message question;
    question.id = kOpenBackup;
    question.text = resString(kOpenBackup);
    question.icon = UserInterface::Icon::Question;
    question.buttons = UserInterface::Buttons::YesNo;
    if (m_app.ui.message(question) != UserInterface::Answer::Yes || !askSaveChangedFile())
        return;
    closeCardConnection();
    openAtStart(m_lastBackup);
}

void MainWindow::closeCardConnection()
{
    endSession(m_app.session);
}

void MainWindow::emptyDialledBooks()
{
    m_app.sideBooks.clearDialledBooks();
    if (!m_app.state.phoneBookShown())
        refillList();
}

void MainWindow::closeCard()
{
    DocumentState& state = m_app.state;
    if (state.fromCard()) {
        if (state.modified) {
            switch (ask(m_app.ui, kSaveCardChanges, UserInterface::Buttons::YesNoCancel)) {
            case UserInterface::Answer::Yes:
                writeWholeBookToCard();
                break;
            case UserInterface::Answer::No:
                break;
            default:
                return;
            }
        }
        closeCardConnection();
        closeBookState();
    }
    emptyDialledBooks();
}

void MainWindow::changePin()
{
    CardHost host = cardHost();
    changePinCommand(m_app.session, host);
    refreshTitle();
    refreshStatus();
}

void MainWindow::unblockPin()
{
    CardHost host = cardHost();
    unblockPin1(m_app.session, host);
    refreshTitle();
    refreshStatus();
}

void MainWindow::changePin2()
{
    ::changePin2(m_app.session, m_app.ui);
}

void MainWindow::unblockPin2()
{
    ::unblockPin2(m_app.session, m_app.ui);
}

int MainWindow::runTransfer(CardSession& session)
{
    // The worker fills the tables: the list must not read them meanwhile.
    m_model->clearRows();
    WriteRequest request;
    request.backup = cardBackupEnabled();
    request.approve = [this](const WritePlan& plan, std::span<const Contact> contacts) {
        return approveWrite(m_app.ui, m_app.state.writeMode, plan, contacts);
    };
    WriteReport report;
    CardTransferBooks books{m_app.book, m_app.sideBooks, m_app.state, &request, &report};
    int result = 0;
    if (session.transferDirection == Transfer::Read) {
        m_app.ui.runWithProgress(resString(kReadingCaption),
                                 [&] { m_readComplete = readFromCard(session, books, m_app.ui); });
    } else {
        result = cardTransfer(session, books, m_app.ui);
        m_lastBackup = report.backupPath;
        m_lastWriteFailed = !report.written();
    }
    if (session.transferDirection == Transfer::Read) {
        m_app.state.shownBook = PhoneBookKind::PhoneBook;
        m_model->setShownBook(PhoneBookKind::PhoneBook);
        emit shownBookChanged();
    }
    refillList();
    return result;
}

void MainWindow::showSimInfo()
{
    const SimInfo info = collectSimInfo(m_app.session, m_app.book, m_app.sideBooks);
    SimInfoDialog dialog(
        info,
        [this, before = info.ownNumber](const std::string& typed) {
            if (typed == before)
                return true;
            return applyOwnNumber(m_app.session, m_app.sideBooks, m_app.ui, typed) !=
                   OwnNumberChange::Invalid;
        },
        this);
    dialog.exec();
}
