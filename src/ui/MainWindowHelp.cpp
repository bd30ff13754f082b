// Help commands: the read-me file, the update check and the About box.

#include "AboutDialog.h"
#include "AppContext.h"
#include "CentreWindow.h"
#include "CommandIds.h"
#include "MainWindow.h"
#include "UpdateChecker.h"
#include "shell/Config.h"
#include "shell/ExecutablePath.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kReadmeNotFound = 12;
constexpr const char* kReadmeName = "ReadMe.txt";
constexpr qint64 kReadmeLimit = 1024 * 1024;
} // namespace

// ReadMe.txt beside the program, else in the installed documentation.
QString MainWindow::readmePath()
{
    for (const std::string& dir : {executableDir(), installedDocDir()}) {
        const QString path = QString::fromStdString(dir) + QLatin1String(kReadmeName);
        if (!dir.empty() && QFileInfo::exists(path))
            return path;
    }
    return {};
}

// The desktop's viewer for text files shows the read-me; without one (or when
// it cannot be started) our own window shows it.
void MainWindow::showReadme()
{
    const QString path = readmePath();
    if (path.isEmpty()) {
        m_app.ui.inform(kReadmeNotFound);
        return;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_app.ui.inform(kReadmeNotFound);
        return;
    }
    auto* window = new QDialog(this);
    window->setObjectName("readmeWindow");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QLatin1String(kReadmeName));
    auto* text = new QPlainTextEdit(window);
    text->setObjectName("readmeText");
    text->setReadOnly(true);
    // The read-me is laid out for a fixed-width face (underlined headings, indents).
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(QString::fromUtf8(file.read(kReadmeLimit)));
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, window);
    connect(close, &QDialogButtonBox::rejected, window, &QDialog::close);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(text);
    layout->addWidget(close);
    window->resize(640, 480);
    centreWindow(window);
    window->show();
}

void MainWindow::startUpdateCheck(bool quietWhenCurrent)
{
    if (!m_updateChecker) {
        m_updateChecker = new UpdateChecker(m_app.ui, this);
        // Every end of a check, a failure too, clears the mark; the stored
        // setting stays as last written.
        connect(m_updateChecker, &UpdateChecker::finished, this, [this] {
            m_updateCheck = false;
            action(Command::Update)->setChecked(false);
        });
    }
    m_updateChecker->start(quietWhenCurrent);
}

void MainWindow::toggleUpdateCheck()
{
    m_updateCheck = !m_updateCheck;
    action(Command::Update)->setChecked(m_updateCheck);
    writeConfigNumber("CheckUpdate", m_updateCheck ? 1 : 0);
    if (m_updateCheck)
        startUpdateCheck(false);
}

void MainWindow::showAbout()
{
    AboutDialog about(this);
    about.exec();
}
