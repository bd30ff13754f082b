// File commands: New, Open, Import CSV, Save, Save As, Export CSV, Close file,
// and the save-before-replace questions about untitled lists and files.

#include "AppContext.h"
#include "ContactListModel.h"
#include "MainWindow.h"
#include "files/CsvFile.h"
#include "files/FileIo.h"
#include "files/PhnFile.h"
#include "files/VCardFile.h"
#include "shell/LastError.h"
#include "shell/Strings.h"

#include <QTableView>
#include <QTimer>

namespace {
constexpr int kSaveChangesToFile = 1;
constexpr int kNothingToSave = 6;
// Limits of the edit dialogs for each kind of book.
constexpr int kFileNameLimit = 260;
constexpr int kFileRecordLength = 260;
constexpr int kCsvNameLimit = 74;
constexpr int kCsvRecordLength = 98;
constexpr int kNewNameLimit = 98;
constexpr int kNewRecordLength = 122;
// A book saved from the card keeps room for the card's record layout.
constexpr int kSavedCardRecordExtra = 10;

UserInterface::Answer askYesNoCancel(UserInterface& ui, int id)
{
    UserInterface::Message question;
    question.id = id;
    question.text = resString(id);
    question.icon = UserInterface::Icon::Question;
    question.buttons = UserInterface::Buttons::YesNoCancel;
    return ui.message(question);
}

// Start-up opens the command line's file quietly: a file of neither format
// just leaves the window empty.
class QuietUserInterface : public UserInterface
{
public:
    Answer message(const Message&) override { return Answer::Cancel; }
};
} // namespace

bool MainWindow::saveBookTo(const std::string& path)
{
    SideBooks& side = m_app.sideBooks;
    // false: not written (the user has been told why; the old file is kept).
    return savePhnFile(path, &m_app.book, side.fdn.data(), side.fdnCount, side.lnd.data(),
                       side.lndCount, &m_app.ui)
        .ok();
}

bool MainWindow::promptSaveFile(std::string& path, bool csv)
{
    return ::promptSaveFile(m_app.ui, m_app.fileDialogs, path, csv, !m_app.state.hasBook());
}

// Q1: contacts typed into an untitled list. false: the user cancelled.
bool MainWindow::askSaveUntitled()
{
    DocumentState& state = m_app.state;
    if (!state.untitledList || m_app.book.contactCount() == 0)
        return true;
    switch (askYesNoCancel(m_app.ui, kSaveChangesToFile)) {
    case UserInterface::Answer::Yes: {
        std::string path;
        if (!promptSaveFile(path, state.csvMode) || !saveBookTo(path))
            return false;
        state.modified = false;
        state.untitledList = false;
        return true;
    }
    case UserInterface::Answer::No:
        return true;
    default:
        return false;
    }
}

// Q2: a changed file. false: the user cancelled.
bool MainWindow::askSaveChangedFile()
{
    DocumentState& state = m_app.state;
    if (!state.fromFile() || !state.modified)
        return true;
    switch (askYesNoCancel(m_app.ui, kSaveChangesToFile)) {
    case UserInterface::Answer::Yes:
        return saveToCurrentPath();
    case UserInterface::Answer::No:
        return true;
    default:
        return false;
    }
}

// Saves the open file; a CSV file asks for a phone-book file name first.
bool MainWindow::saveToCurrentPath()
{
    DocumentState& state = m_app.state;
    if (state.needsFileName) {
        std::string path = state.currentPath;
        if (!promptSaveFile(path, false))
            return false;
        state.currentPath = path;
        state.needsFileName = false;
        refreshTitle();
    }
    if (!saveBookTo(state.currentPath))
        return false;
    state.modified = false;
    return true;
}

// Loads a phone-book file, or else a legacy address file, into the book.
bool MainWindow::loadBookFile(const std::string& path, UserInterface& ui)
{
    PhoneBook loaded;
    loaded.nextSequence = m_app.book.nextSequence;
    if (!loadPhnOrAdrFile(path, loaded, m_app.sideBooks, ui))
        return false;
    m_app.book = loaded;
    m_app.state.nameLimit = kFileNameLimit;
    m_app.state.recordLength = kFileRecordLength;
    return true;
}

void MainWindow::openAtStart(const std::string& path)
{
    DocumentState& state = m_app.state;
    if (path.empty())
        return;
    if (isVCardPath(path)) {
        // A vCard file is imported, with its question, once the window is up.
        QTimer::singleShot(0, this, [this, path] { openVCard(path); });
        return;
    }
    state.currentPath = path;
    QuietUserInterface quiet;
    if (loadBookFile(path, quiet)) {
        refillList();
        state.modified = false;
        state.bookSource = BookSource::File;
        state.needsFileName = false;
        refreshStatus();
        refreshTitle();
    } else {
        m_app.book.clear();
        state.recordLength = 0;
        state.nameLimit = 0;
        state.currentPath.clear();
        state.needsFileName = false;
        state.csvMode = false;
    }
    emit documentChanged();
}

void MainWindow::importCsv()
{
    m_app.state.csvMode = true;
    openFile();
}

void MainWindow::openFile()
{
    DocumentState& state = m_app.state;
    const auto finish = [&] {
        state.clearSelection();
        state.csvMode = false;
        emit documentChanged();
    };
    if (!askSaveUntitled() || !askSaveCard(kSaveCardChanges)) {
        state.csvMode = false;
        return;
    }
    OpenBookState open;
    open.fromFile = state.fromFile();
    open.modified = state.modified;
    open.save = [this] { saveToCurrentPath(); };
    open.emptyList = [this] { m_model->clearRows(); };
    std::string path;
    if (!promptOpenFile(m_app.ui, m_app.fileDialogs, PromptMode::Open, path, state.csvMode, open)) {
        if (state.fromFile()) {
            refillList();
            refreshStatus();
        }
        finish();
        return;
    }

    const bool wasCard = state.fromCard();
    if (state.csvMode) {
        PhoneBook imported;
        imported.nextSequence = m_app.book.nextSequence;
        if (importCsvFile(path, imported, m_app.ui) == 0) {
            // The open book was given up when the user chose the file.
            if (wasCard)
                closeCardConnection();
            closeBookState();
            finish();
            return;
        }
        m_app.book = imported;
        if (wasCard)
            closeCardConnection();
        state.currentPath = path;
        state.bookSource = BookSource::File;
        state.needsFileName = true;
        state.modified = true;
        state.recordLength = kCsvRecordLength;
        state.nameLimit = kCsvNameLimit;
    } else {
        const std::string previousPath = state.currentPath;
        if (!loadBookFile(path, m_app.ui)) {
            state.currentPath = previousPath;
            if (state.fromFile())
                refillList();
            finish();
            return;
        }
        if (wasCard)
            closeCardConnection();
        state.currentPath = path;
        state.modified = false;
        state.bookSource = BookSource::File;
        state.needsFileName = false;
    }
    state.untitledList = false;
    m_model->setShownBook(PhoneBookKind::PhoneBook);
    state.shownBook = PhoneBookKind::PhoneBook;
    refillList();
    refreshStatus();
    refreshTitle();
    finish();
}

void MainWindow::newFile()
{
    DocumentState& state = m_app.state;
    if (!askSaveUntitled() || !askSaveCard(kSaveCardChanges))
        return;
    OpenBookState open;
    open.fromFile = state.fromFile();
    open.modified = state.modified;
    open.save = [this] { saveToCurrentPath(); };
    open.emptyList = [this] { m_model->clearRows(); };
    std::string path;
    if (!promptOpenFile(m_app.ui, m_app.fileDialogs, PromptMode::New, path, false, open)) {
        if (!state.fromNothing()) {
            refillList();
            refreshStatus();
        }
        return;
    }
    if (!state.fromNothing()) {
        for (uint32_t i = 0; i < m_app.book.contactCount(); ++i) {
            m_app.book.contacts[i].setName({});
            m_app.book.contacts[i].setNumber({});
        }
        if (state.fromCard())
            closeCardConnection();
        m_model->clearRows();
        setWindowTitle(QStringLiteral("Phonara "));
        state.bookSource = BookSource::Nothing;
        state.modified = false;
    }
    state.currentPath = path;
    state.bookSource = BookSource::File;
    state.untitledList = false;
    state.needsFileName = false;
    state.nameLimit = kNewNameLimit;
    state.recordLength = kNewRecordLength;
    state.modified = false;
    state.clearSelection();
    m_app.book.clear();
    // A new book starts empty: the card's fixed-dialling and last-dialled
    // numbers stay out of it.
    emptyDialledBooks();
    saveBookTo(path);
    refreshTitle();
    refillList();
    refreshStatus();
    emit documentChanged();
}

void MainWindow::saveFile()
{
    DocumentState& state = m_app.state;
    if (!state.hasBook()) {
        m_app.ui.inform(kNothingToSave);
    } else if (state.fromNothing()) {
        // An untitled list becomes a file.
        std::string path;
        if (m_app.book.contactCount() > 0 && promptSaveFile(path, false) && saveBookTo(path)) {
            state.currentPath = path;
            state.modified = false;
            state.untitledList = false;
            state.bookSource = BookSource::File;
            refreshTitle();
            refreshStatus();
        }
    } else if (state.fromFile()) {
        saveToCurrentPath();
    } else if (state.fromCard()) {
        // A copy of the card's books; the window stays on the card.
        std::string path = state.currentPath;
        if (promptSaveFile(path, false) && saveBookTo(path)) {
            state.currentPath.clear();
            state.modified = false;
        }
    }
    state.csvMode = false;
    emit documentChanged();
}

void MainWindow::exportCsv()
{
    DocumentState& state = m_app.state;
    std::string path;
    if (promptSaveFile(path, true) && exportCsvFile(path, m_app.book, m_app.ui)) {
        state.untitledList = false;
        state.modified = false;
    }
    state.csvMode = false;
    emit documentChanged();
}

void MainWindow::saveFileAs()
{
    DocumentState& state = m_app.state;
    std::string path = state.currentPath;
    if (!promptSaveFile(path, false) || !saveBookTo(path))
        return;
    const bool wasCard = state.fromCard();
    state.currentPath = path;
    state.modified = false;
    state.untitledList = false;
    state.needsFileName = false;
    state.bookSource = BookSource::File;
    if (wasCard) {
        state.recordLength += kSavedCardRecordExtra;
        closeCardConnection();
        state.clearSelection();
        m_list->clearSelection();
    }
    refreshTitle();
    refreshStatus();
    emit documentChanged();
}

void MainWindow::closeFile()
{
    DocumentState& state = m_app.state;
    if (state.fromFile()) {
        if (state.modified) {
            switch (askYesNoCancel(m_app.ui, kSaveChangesToFile)) {
            case UserInterface::Answer::Yes:
                if (!saveToCurrentPath())
                    return;
                break;
            case UserInterface::Answer::No:
                break;
            default:
                return;
            }
        }
        state.currentPath.clear();
        closeBookState();
    }
    emptyDialledBooks();
}

// The state of "nothing open", shared by Close file, Close card and a failed import.
void MainWindow::closeBookState()
{
    DocumentState& state = m_app.state;
    m_app.book.clear();
    state.recordLength = 0;
    state.nameLimit = 0;
    m_app.session.adnRecordCount = 0;
    state.clearSelection();
    state.modified = false;
    state.untitledList = false;
    state.needsFileName = false;
    state.currentPath.clear();
    state.bookSource = BookSource::Nothing;
    refillList();
    refreshTitle();
    refreshStatus();
    emit bookClosed();
    emit documentChanged();
}
