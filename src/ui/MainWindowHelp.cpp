// Help commands: the read-me file, the update check and the About box.

#include "AboutDialog.h"
#include "AppContext.h"
#include "CommandIds.h"
#include "MainWindow.h"
#include "UpdateChecker.h"
#include "shell/Config.h"
#include "shell/ExecutablePath.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
constexpr int kReadmeNotFound = 12;
constexpr const char* kReadmeName = "ReadMe.txt";
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

void MainWindow::showReadme()
{
    const QString path = readmePath();
    if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        m_app.ui.inform(kReadmeNotFound);
}

void MainWindow::startUpdateCheck(bool quietWhenCurrent)
{
    if (!m_updateChecker) {
        m_updateChecker = new UpdateChecker(this);
        // A finished check clears the mark; the stored setting stays as last written.
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
