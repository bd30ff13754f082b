#pragma once

#include <QDialog>

class QCheckBox;
class QIcon;
class QWidget;

// Results of ConfirmWriteDialog, also used as its buttons argument:
// Ok picks OK only, Cancel picks OK + Cancel, No picks OK + No + Cancel.
namespace ConfirmResult {
constexpr int Invalid = 0;
constexpr int Skipped = 1;
constexpr int Ok = 170;
constexpr int No = 187;
constexpr int Cancel = 204;
} // namespace ConfirmResult

// Asks for confirmation unless the configuration value `key` is non-zero
// (the user ticked "Don't show this dialog again" before). Returns Ok, No or
// Cancel as chosen, Skipped when not shown, Invalid for missing arguments.
int confirmWriteDialog(QWidget* owner, const QString& caption, const QString& text, const char* key,
                       const QIcon& icon, int buttons);

// The dialog itself; public so tests can find and drive it.
class ConfirmDialog : public QDialog
{
    Q_OBJECT

public:
    ConfirmDialog(QWidget* owner, const QString& caption, const QString& text, const QIcon& icon,
                  int buttons);

    int answer() const { return m_answer; }
    bool dontShowAgain() const;
    bool closedByWindow() const { return m_closedByWindow; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void finish(int answer);

    QCheckBox* m_dontShow = nullptr;
    int m_answer = ConfirmResult::Cancel;
    bool m_closedByWindow = false;
};
