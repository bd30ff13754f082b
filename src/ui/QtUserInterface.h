#pragma once

#include "shell/UserInterface.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class ProgressDialog;
class QWidget;

// UserInterface on Qt widgets. Every dialog is owned by (and centred on) the
// owner window. Calls made from another thread, such as the card transfer
// worker, are carried to the GUI thread and block until they are answered.
//
// Tests replace the message boxes and file dialogs through the hooks: a hook
// that returns a value answers the call instead of a dialog.
class QtUserInterface : public QObject, public UserInterface
{
    Q_OBJECT

public:
    explicit QtUserInterface(QObject* parent = nullptr);
    ~QtUserInterface() override;

    void setOwner(QWidget* owner) { m_owner = owner; }
    QWidget* owner() const { return m_owner; }

    Answer message(const Message& message) override;
    void runWithProgress(const std::string& caption, const std::function<void()>& work) override;
    void setProgress(int percent) override;
    void setProgressCaption(const std::string& caption) override;
    PinAnswer askPin(const PinRequest& request) override;
    std::string chooseFile(const FileDialogRequest& request) override;
    bool mapCsvFields(CsvMappingRequest& mapping) override;

    using MessageHook = std::function<std::optional<Answer>(const Message&)>;
    void setMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    // Answers file choosers: a path, or an empty text for Cancel.
    using FileHook = std::function<std::optional<std::string>(const FileDialogRequest&)>;
    void setFileHook(FileHook hook) { m_fileHook = std::move(hook); }

    // The progress dialog while a transfer runs, else null.
    ProgressDialog* progressDialog() const { return m_progress; }

protected:
    // Runs `f` on the GUI thread, waiting for it when called from another thread.
    void onGuiThread(const std::function<void()>& f);
    QWidget* dialogOwner() const;

private:
    Answer showMessage(const Message& message);

    QPointer<QWidget> m_owner;
    ProgressDialog* m_progress = nullptr; // only while runWithProgress runs
    MessageHook m_messageHook;
    FileHook m_fileHook;
};
