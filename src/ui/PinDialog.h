#pragma once

#include "shell/UserInterface.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The PIN1, PUK1, PIN2 and PUK2 dialogs. The dialog only collects what the
// user types; the card flows judge it and ask again when needed.
class PinDialog : public QDialog
{
    Q_OBJECT

public:
    using Kind = UserInterface::PinDialogKind;

    PinDialog(const UserInterface::PinRequest& request, QWidget* owner);

    UserInterface::PinEntries entries() const;

private:
    QLineEdit* addSecretEdit(const char* objectName, int maxLength);
    void onCodeChanged();
    void onPinChanged();
    void onEnableToggled(bool enabled);
    void setPinEditsEnabled(bool enabled);

    UserInterface::PinRequest m_request;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_newPin = nullptr;
    QLineEdit* m_confirmPin = nullptr;
    QLabel* m_newPinLabel = nullptr;
    QLabel* m_confirmPinLabel = nullptr;
    QCheckBox* m_enablePin = nullptr;
    QPushButton* m_ok = nullptr;
};
