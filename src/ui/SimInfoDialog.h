#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
struct SimInfo;

// What the last card connection and read learnt about the SIM. Only the own
// number can be edited; OK hands it to `apply`, which answers whether the
// dialog may close.
class SimInfoDialog : public QDialog
{
    Q_OBJECT

public:
    using Apply = std::function<bool(const std::string& ownNumber)>;

    SimInfoDialog(const SimInfo& info, Apply apply, QWidget* owner);

    void accept() override;

private:
    Apply m_apply;
    QLineEdit* m_ownNumber = nullptr;
};
