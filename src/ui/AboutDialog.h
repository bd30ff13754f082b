#pragma once

#include <QDialog>

// The modal About box: program version, the Qt and pcsc-lite versions, maker.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* owner);

    QString versionText() const;
};
