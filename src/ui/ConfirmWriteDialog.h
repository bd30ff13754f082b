#pragma once

#include <QDialog>

class QCheckBox;
class QIcon;
class QWidget;

// Results of ConfirmWriteDialog, also used as its buttons argument:
// Ok picks OK only, Cancel picks OK + Cancel, No picks OK + No + Cancel.
enum class ConfirmResult
{
    Invalid,
    Skipped,
    Ok,
    No,
    Cancel,
};

// Asks for confirmation unless the configuration value `key` is non-zero
// (the user ticked "Don't show this dialog again" before). Returns Ok, No or
// Cancel as chosen, Skipped when not shown, Invalid for missing arguments.
ConfirmResult confirmWriteDialog(QWidget* owner, const QString& caption, const QString& text,
                                 const char* key, const QIcon& icon, ConfirmResult buttons);

// The dialog itself; public so tests can find and drive it.
class ConfirmDialog : public QDialog
{
    Q_OBJECT

public:
    ConfirmDialog(QWidget* owner, const QString& caption, const QString& text, const QIcon& icon,
                  ConfirmResult buttons);

    ConfirmResult answer() const { return m_answer; }
    bool dontShowAgain() const;
    bool closedByWindow() const { return m_closedByWindow; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void finish(ConfirmResult answer);

    QCheckBox* m_dontShow = nullptr;
    ConfirmResult m_answer = ConfirmResult::Cancel;
    bool m_closedByWindow = false;
};
