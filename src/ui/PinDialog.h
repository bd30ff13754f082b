#pragma once

#include "shell/UserInterface.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The PIN1, PUK1, PIN2 and PUK2 dialogs. The dialog collects what the user
// types and holds each code to its rule (card/PinRules.h): OK with a code
// that breaks it shows the rule and keeps the dialog open. Everything else
// is judged by the card flows, which ask again when needed.
class PinDialog : public QDialog
{
    Q_OBJECT

public:
    using Kind = UserInterface::PinDialogKind;

    // `messages` shows the rule when a code breaks it (a message box of the
    // dialog's own when null).
    PinDialog(const UserInterface::PinRequest& request, QWidget* owner,
              UserInterface* messages = nullptr);

    // Wipes what the edits hold.
    ~PinDialog() override;

    UserInterface::PinEntries entries() const;

    void accept() override;

private:
    QLineEdit* addSecretEdit(const char* objectName);
    void onCodeChanged();
    void onPinChanged();
    void onEnableToggled(bool enabled);
    void setPinEditsEnabled(bool enabled);

    UserInterface::PinRequest m_request;
    UserInterface* m_messages = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_newPin = nullptr;
    QLineEdit* m_confirmPin = nullptr;
    QLabel* m_newPinLabel = nullptr;
    QLabel* m_confirmPinLabel = nullptr;
    QCheckBox* m_enablePin = nullptr;
    QPushButton* m_ok = nullptr;
};
