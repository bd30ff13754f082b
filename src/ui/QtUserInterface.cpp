#include "QtUserInterface.h"

#include "CentreWindow.h"
#include "CsvMappingDialog.h"
#include "MessageIcons.h"
#include "PinDialog.h"
#include "ProgressDialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace {
constexpr const char* kCaption = "Phonara";

QMessageBox::Icon boxIcon(UserInterface::Icon icon)
{
    switch (icon) {
    case UserInterface::Icon::Question:
        return QMessageBox::Question;
    case UserInterface::Icon::Warning:
        return QMessageBox::Warning;
    case UserInterface::Icon::Error:
        return QMessageBox::Critical;
    case UserInterface::Icon::None:
        return QMessageBox::NoIcon;
    case UserInterface::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

QMessageBox::StandardButtons boxButtons(UserInterface::Buttons buttons)
{
    switch (buttons) {
    case UserInterface::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case UserInterface::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case UserInterface::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case UserInterface::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

UserInterface::Answer answerOf(int button, UserInterface::Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return UserInterface::Answer::Ok;
    case QMessageBox::Yes:
        return UserInterface::Answer::Yes;
    case QMessageBox::No:
        return UserInterface::Answer::No;
    default:
        break;
    }
    // A closed box counts as the way out the box offers.
    return buttons == UserInterface::Buttons::Ok      ? UserInterface::Answer::Ok
           : buttons == UserInterface::Buttons::YesNo ? UserInterface::Answer::No
                                                      : UserInterface::Answer::Cancel;
}
} // namespace

QtUserInterface::QtUserInterface(QObject* parent) : QObject(parent) {}

QtUserInterface::~QtUserInterface() = default;

void QtUserInterface::onGuiThread(const std::function<void()>& f)
{
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
}

UserInterface::Answer QtUserInterface::message(const Message& message)
{
    Answer answer = Answer::Cancel;
    onGuiThread([&] { answer = showMessage(message); });
    return answer;
}

UserInterface::Answer QtUserInterface::showMessage(const Message& message)
{
    if (m_messageHook) {
        if (auto answer = m_messageHook(message))
            return *answer;
    }
    QWidget* parent = dialogOwner();
    QMessageBox box(QMessageBox::NoIcon,
                    QString::fromUtf8(message.caption.empty() ? kCaption : message.caption),
                    QString::fromStdString(message.text), boxButtons(message.buttons), parent);
    box.setObjectName("PhonaraMessage");
    setMessageIcon(box, boxIcon(message.icon));
    box.setProperty("textId", message.id);
    centreWindow(&box);
    return answerOf(box.exec(), message.buttons);
}

void QtUserInterface::runWithProgress(const std::string& caption, const std::function<void()>& work)
{
    if (QThread::currentThread() != thread()) {
        // Already on a worker: nothing to show, just do it.
        work();
        return;
    }
    ProgressDialog dialog(m_owner);
    dialog.setCaption(QString::fromStdString(caption));
    m_progress = &dialog;
    centreWindow(&dialog);
    dialog.show();

    QEventLoop loop;
    QThread* worker = QThread::create(work);
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;

    m_progress = nullptr;
    dialog.hide();
}

void QtUserInterface::setProgress(int percent)
{
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            if (m_progress)
                m_progress->setPercent(percent);
        },
        Qt::AutoConnection);
}

void QtUserInterface::setProgressCaption(const std::string& caption)
{
    const QString text = QString::fromStdString(caption);
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (m_progress)
                m_progress->setCaption(text);
        },
        Qt::AutoConnection);
}

UserInterface::PinAnswer QtUserInterface::askPin(const PinRequest& request)
{
    PinAnswer answer;
    onGuiThread([&] {
        PinDialog dialog(request, dialogOwner(), this);
        answer.confirmed = dialog.exec() == QDialog::Accepted;
        if (answer.confirmed)
            answer.entries = dialog.entries();
    });
    return answer;
}

// Dialogs asked for during a transfer sit on top of the progress dialog.
QWidget* QtUserInterface::dialogOwner() const
{
    return m_progress ? static_cast<QWidget*>(m_progress) : m_owner.data();
}

std::string QtUserInterface::chooseFile(const FileDialogRequest& request)
{
    std::string chosen;
    onGuiThread([&] {
        if (m_fileHook) {
            if (auto answer = m_fileHook(request)) {
                chosen = *answer;
                return;
            }
        }
        QFileDialog dialog(dialogOwner(), QString::fromStdString(request.title),
                           QString::fromStdString(request.directory));
        dialog.setObjectName("PhonaraFileDialog");
        dialog.setNameFilter(QString::fromStdString(request.filterName));
        if (!request.defaultSuffix.empty())
            dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
        if (!request.fileName.empty())
            dialog.selectFile(QString::fromStdString(request.fileName));
        switch (request.kind) {
        case FileDialogKind::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
            break;
        case FileDialogKind::New:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::AnyFile);
            break;
        case FileDialogKind::SaveAs:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
            break;
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst().toStdString();
    });
    return chosen;
}

bool QtUserInterface::mapCsvFields(CsvMappingRequest& mapping)
{
    bool done = false;
    onGuiThread([&] {
        CsvMappingDialog dialog(mapping, dialogOwner());
        done = dialog.exec() == QDialog::Accepted;
        if (done)
            dialog.mapping().fill(mapping);
    });
    return done;
}
