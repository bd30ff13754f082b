#pragma once

#include "card/transport/PcscApi.h"
#include "shell/UserInterface.h"
#include "ui/AppContext.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The main window on the in-process virtual SIM, with message boxes and file
// choosers answered from queues. Dialogs that tests fill in (PIN, confirmation,
// CSV mapping) are the real ones, driven through onNextDialog().
class GuiHarness
{
public:
    static constexpr const char* kReader = "Virtual SIM Reader 00 00";

    GuiHarness();
    ~GuiHarness();

    // Puts the profile tests/data/cards/<name>.json into the reader.
    bool insertProfile(const QString& name);
    // Answers the next PIN1 dialog with `pin` (empty: Cancel), remembering its
    // attempts line in `attemptsText` when given.
    void answerPinWith(const QString& pin, QString* attemptsText = nullptr);
    // Read with PIN `pin`; true when the window is on the card afterwards.
    bool readCard(const QString& pin = QStringLiteral("1234"));
    // Puts the typical profile into the reader and reads it with its PIN.
    bool readTypicalCard() { return insertProfile(QStringLiteral("typical")) && readCard(); }

    std::vector<int> messageIds() const;
    // The names in the list, top to bottom.
    QStringList shownNames() const;
    // Replaces the book with an untitled list of these name/number pairs.
    void fillBook(std::initializer_list<std::pair<const char*, const char*>> rows);
    // Replaces the book with an untitled list of these names (any script), all with `number`.
    void fillNames(const QStringList& names, const char* number = "123");
    void clearMessages() { messages.clear(); }

    PcscApi api;
    std::unique_ptr<AppContext> app;
    std::unique_ptr<MainWindow> window;

    // Every message shown, in order; answers handed out in order (an OK box
    // needs none; with the queue empty a question gets Cancel).
    std::vector<UserInterface::Message> messages;
    std::deque<UserInterface::Answer> answers;
    // Paths handed to file choosers in order (empty: Cancel), and the requests seen.
    std::deque<std::string> files;
    std::vector<UserInterface::FileDialogRequest> fileRequests;
};

// Runs `action` on the next modal dialog of type T once it is shown. Returns
// at once; the dialog is found while the test waits in a modal loop.
template <class T>
QPointer<QTimer> onNextDialog(std::function<void(T*)> action, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, action] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

// Runs `action`; true when a dialog of type T came up meanwhile (it is closed).
template <class T> bool dialogShownDuring(const std::function<void()>& action, int timeoutMs = 1000)
{
    bool shown = false;
    auto watcher = onNextDialog<T>(
        [&shown](T* dialog) {
            shown = true;
            dialog->close();
        },
        timeoutMs);
    action();
    QTest::qWait(50);
    if (watcher) {
        watcher->stop();
        watcher->deleteLater();
    }
    return shown;
}

// Clears the settings store (confirmations turned off, update check ...).
void clearSettings();
// A writable copy of a test data file in the test's temporary folder.
QString copyOfTestData(const QString& relativePath, const QString& newName = {});
// A temporary file with `contents`.
QString writeTempFile(const QString& name, const QByteArray& contents);
