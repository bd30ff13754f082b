#pragma once

#include "files/VCardFile.h"

#include <QDialog>

class QRadioButton;

// The one question of a vCard import or export, asked before the file is
// read or written: on import, what a contact with several numbers becomes;
// on export, which vCard version to write.
class VCardOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Kind
    {
        Import,
        Export,
    };

    explicit VCardOptionsDialog(Kind kind, QWidget* parent = nullptr);

    VCardNumbers numbers() const;
    VCardVersion version() const;

private:
    QRadioButton* m_first = nullptr;  // preferred number only / 4.0
    QRadioButton* m_second = nullptr; // one entry per number / 3.0
};
