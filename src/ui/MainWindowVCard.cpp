// vCard files: Import vCard, Export vCard, and a .vcf file dropped onto the
// window.

#include "AppContext.h"
#include "ContactListModel.h"
#include "MainWindow.h"
#include "VCardOptionsDialog.h"
#include "files/VCardFile.h"
#include "shell/Strings.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <memory>

namespace {
constexpr int kNothingToSave = 6;
constexpr int kCardQuestion = 2; // "Do you want to save all changes to SIM Card?"
constexpr int kOpenTitle = 2340;
constexpr int kSaveAsTitle = 2343;
constexpr int kVCardFilter = 782; // "vCard files (*.vcf *.vcard)"
// Limits of the edit dialogs for an imported book, as for a phone-book file.
constexpr int kImportNameLimit = 260;
constexpr int kImportRecordLength = 260;

UserInterface::FileDialogRequest vCardFileRequest(UserInterface::FileDialogKind kind,
                                                  const std::string& directory)
{
    UserInterface::FileDialogRequest request;
    request.kind = kind;
    request.title =
        resString(kind == UserInterface::FileDialogKind::Open ? kOpenTitle : kSaveAsTitle);
    request.filterName = resString(kVCardFilter);
    request.pattern = "*.vcf *.vcard";
    request.defaultSuffix = "vcf";
    request.directory = directory;
    request.fileMustExist = kind == UserInterface::FileDialogKind::Open;
    request.confirmOverwrite = kind == UserInterface::FileDialogKind::SaveAs;
    return request;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The first local vCard file among the dragged URLs, or an empty path.
std::string droppedVCard(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls()) {
        const std::string path = url.toLocalFile().toStdString();
        if (url.isLocalFile() && isVCardPath(path))
            return path;
    }
    return {};
}
} // namespace

void MainWindow::importVCard()
{
    if (!askSaveUntitled() || !askSaveCard(kCardQuestion) || !askSaveChangedFile())
        return;
    const std::string path = m_app.ui.chooseFile(
        vCardFileRequest(UserInterface::FileDialogKind::Open, m_app.fileDialogs.openDirectory));
    if (path.empty())
        return;
    m_app.fileDialogs.openDirectory = directoryOf(path);
    openVCard(path);
}

// The open book is replaced only once the file was read; a file that cannot
// be read, or a cancelled choice, leaves everything as it was.
bool MainWindow::openVCard(const std::string& path)
{
    VCardOptionsDialog options(VCardOptionsDialog::Kind::Import, this);
    if (options.exec() != QDialog::Accepted)
        return false;
    auto imported = std::make_unique<PhoneBook>();
    if (!importVCardFile(path, *imported, options.numbers(), m_app.ui))
        return false;

    DocumentState& state = m_app.state;
    const bool wasCard = state.fromCard();
    m_app.book = *imported;
    if (wasCard)
        closeCardConnection();
    // Like a CSV import: the book is new and unsaved, Save asks for a .phn name.
    state.currentPath = path;
    state.bookSource = BookSource::File;
    state.needsFileName = true;
    state.modified = true;
    state.untitledList = false;
    state.nameLimit = kImportNameLimit;
    state.recordLength = kImportRecordLength;
    state.clearSelection();
    m_model->setShownBook(PhoneBookKind::PhoneBook);
    state.shownBook = PhoneBookKind::PhoneBook;
    refillList();
    refreshStatus();
    refreshTitle();
    emit documentChanged();
    return true;
}

void MainWindow::exportVCard()
{
    if (!m_app.state.hasBook()) {
        m_app.ui.inform(kNothingToSave);
        return;
    }
    VCardOptionsDialog options(VCardOptionsDialog::Kind::Export, this);
    if (options.exec() != QDialog::Accepted)
        return;
    const std::string path = m_app.ui.chooseFile(
        vCardFileRequest(UserInterface::FileDialogKind::SaveAs, m_app.fileDialogs.saveDirectory));
    if (path.empty())
        return;
    m_app.fileDialogs.saveDirectory = directoryOf(path);
    // An export is a copy: the book's own file still holds its last save.
    exportVCardFile(path, m_app.book, options.version(), m_app.ui);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedVCard(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const std::string path = droppedVCard(event->mimeData());
    if (path.empty())
        return;
    event->acceptProposedAction();
    if (!askSaveUntitled() || !askSaveCard(kCardQuestion) || !askSaveChangedFile())
        return;
    openVCard(path);
}
