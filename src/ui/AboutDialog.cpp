#include "AboutDialog.h"

#include "CentreWindow.h"
#include "Icons.h"
#include "shell/Config.h"
#include "shell/Strings.h"
#include "shell/UpdateFeed.h"

#include <PCSC/pcsclite.h>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kAboutItem = 2200;
constexpr int kOkText = 2010;
} // namespace

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("AboutDialog");
    QString title = QString::fromStdString(resString(kAboutItem));
    title.remove(QLatin1Char('&'));
    title.remove(QStringLiteral("...")).remove(QStringLiteral("…"));
    setWindowTitle(title.trimmed() + QLatin1Char(' ') + QLatin1String(kProductName));

    auto* icon = new QLabel(this);
    icon->setPixmap(resourceIcon(113).pixmap(QSize(64, 64), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);
    auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(QLatin1String(kProductName)), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 4);
    name->setFont(big);
    auto* versions = new QLabel(versionText(), this);
    versions->setObjectName("versions");
    versions->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* maker = new QLabel(QStringLiteral("© %1").arg(QLatin1String(kCompanyName)), this);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QString::fromStdString(resString(kOkText)),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(versions);
    text->addWidget(maker);
    text->addStretch();
    text->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(text, 1);
    centreWindow(this);
}

QString AboutDialog::versionText() const
{
    return QStringLiteral("Version %1\nQt %2 (built with %3)\npcsc-lite %4")
        .arg(QString::fromStdString(programVersion()), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR), QStringLiteral(PCSCLITE_VERSION_NUMBER));
}
