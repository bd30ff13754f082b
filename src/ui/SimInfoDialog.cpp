#include "SimInfoDialog.h"

#include "CentreWindow.h"
#include "Icons.h"
#include "phonebook/Cp1252.h"
#include "shell/Strings.h"
#include "simops/SimInfo.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}

QLineEdit* readOnlyField(const QString& value, const char* objectName, QWidget* parent)
{
    auto* field = new QLineEdit(value, parent);
    field->setObjectName(objectName);
    field->setReadOnly(true);
    return field;
}
} // namespace

SimInfoDialog::SimInfoDialog(const SimInfo& info, Apply apply, QWidget* owner)
    : QDialog(owner), m_apply(std::move(apply))
{
    setObjectName("SimInfoDialog");
    setWindowTitle(text(SimInfoText::Title));

    auto* group = new QGroupBox(text(SimInfoText::Group), this);
    auto* counts = new QFormLayout(group);
    counts->addRow(text(SimInfoText::Contacts),
                   readOnlyField(QString::number(info.recordCount), "contacts", this));
    counts->addRow(text(SimInfoText::ContactsRead),
                   readOnlyField(QString::number(info.contactsRead), "contactsRead", this));
    counts->addRow(text(SimInfoText::FreeContacts),
                   readOnlyField(QString::number(info.freeRecords), "freeContacts", this));
    counts->addRow(text(SimInfoText::NameLength),
                   readOnlyField(QString::number(info.nameLength), "nameLength", this));
    auto* pinState = new QLabel(QString::fromStdString(info.pin1State), this);
    pinState->setObjectName("pin1State");
    counts->addRow(pinState);
    for (const SimInfo::Counter& counter : info.counters) {
        const std::string name = "attempts" + std::to_string(counter.labelId);
        counts->addRow(text(counter.labelId),
                       readOnlyField(QString::fromStdString(counter.value), name.c_str(), this));
    }

    auto* card = new QFormLayout;
    card->addRow(text(SimInfoText::Iccid),
                 readOnlyField(QString::fromStdString(info.iccid), "iccid", this));
    // The provider name and the own number are held in Windows-1252.
    card->addRow(text(SimInfoText::ServiceProvider),
                 readOnlyField(cp1252ToUnicode(info.serviceProviderName), "serviceProvider", this));
    m_ownNumber = new QLineEdit(cp1252ToUnicode(info.ownNumber), this);
    m_ownNumber->setObjectName("ownNumber");
    card->addRow(text(SimInfoText::OwnNumber), m_ownNumber);
    if (!info.cardKind.empty()) {
        card->addRow(text(SimInfoText::CardKind),
                     readOnlyField(QString::fromStdString(info.cardKind), "cardKind", this));
        card->addRow(text(SimInfoText::PhoneBook),
                     readOnlyField(QString::fromStdString(info.phoneBook), "phoneBook", this));
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text(kOkText), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(text(kCancelText), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &SimInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SimInfoDialog::reject);

    auto* icon = new QLabel(this);
    icon->setPixmap(resourceIcon(114).pixmap(QSize(32, 32), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);
    auto* body = new QVBoxLayout;
    body->addWidget(group);
    body->addLayout(card);
    body->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addLayout(body, 1);
    setMinimumWidth(380);
    centreWindow(this);
}

void SimInfoDialog::accept()
{
    if (m_apply && !m_apply(unicodeToCp1252(m_ownNumber->text())))
        return;
    QDialog::accept();
}
