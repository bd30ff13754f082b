#include "ContactDialog.h"

#include "CentreWindow.h"
#include "ContactEditing.h"
#include "Icons.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kAddTitle = 45;
constexpr int kAddGroup = 46;
constexpr int kNameLabel = 47;
constexpr int kNumberLabel = 48;
constexpr int kEditTitle = 51;
constexpr int kEditGroup = 52;
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;
constexpr int kWrongNumber = 18;
constexpr int kMoreLabel = 1919; // "More"
// The side-book dialog reads at most 98 characters of a name.
constexpr int kSideNameLimit = 98;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}
} // namespace

ContactDialog::ContactDialog(Kind kind, int nameLimit, int icon, QWidget* owner)
    : QDialog(owner), m_kind(kind), m_nameLimit(nameLimit)
{
    setObjectName("ContactDialog");
    const bool adding = kind == Kind::AddPhone || kind == Kind::SideAdd;
    setWindowTitle(text(adding ? kAddTitle : kEditTitle));

    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName("dialogIcon");
    iconLabel->setProperty("iconResource", icon);
    iconLabel->setPixmap(resourceIcon(icon).pixmap(QSize(32, 32), devicePixelRatioF()));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* group = new QGroupBox(text(adding ? kAddGroup : kEditGroup), this);
    auto* form = new QFormLayout(group);
    m_form = form;
    m_name = new QLineEdit(this);
    m_name->setObjectName("nameEdit");
    m_number = new QLineEdit(this);
    m_number->setObjectName("numberEdit");
    m_number->setMaxLength(kTypedNumberLimit);
    const bool side = kind == Kind::SideAdd || kind == Kind::SideEdit;
    m_name->setMaxLength(side ? kSideNameLimit : qMax(nameLimit, 1));
    form->addRow(text(kNameLabel), m_name);
    form->addRow(text(kNumberLabel), m_number);

    m_ok = new QPushButton(text(kOkText), this);
    m_ok->setObjectName("okButton");
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(text(kCancelText), this);
    cancel->setObjectName("cancelButton");
    connect(m_ok, &QPushButton::clicked, this, &ContactDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &ContactDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->addWidget(group);
    body->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addWidget(iconLabel);
    top->addLayout(body, 1);

    if (!side) {
        connect(m_name, &QLineEdit::textChanged, this, &ContactDialog::onTextChanged);
        connect(m_number, &QLineEdit::textChanged, this, &ContactDialog::onTextChanged);
        onTextChanged();
    }
    centreWindow(this);
}

void ContactDialog::setTexts(const QString& name, const QString& number)
{
    m_name->setText(name);
    m_number->setText(number);
}

// OK needs both texts; the name's room counts the card's bytes, so a name is
// cut back to the characters its record holds.
void ContactDialog::onTextChanged()
{
    if (m_adjusting)
        return;
    int limit = typedNameLimit(m_name->text(), m_nameLimit);
    if (limit < m_nameLimit && m_name->text().size() > limit) {
        m_adjusting = true;
        m_name->setText(m_name->text().left(limit));
        m_adjusting = false;
        QApplication::beep();
        limit = typedNameLimit(m_name->text(), m_nameLimit);
    }
    m_name->setMaxLength(qMax(limit, 1));
    m_ok->setEnabled(!m_name->text().isEmpty() && !m_number->text().isEmpty());
}

void ContactDialog::accept()
{
    if (m_accept && !m_accept(m_name->text(), m_number->text()))
        return;
    QDialog::accept();
}

int runSideEntryDialog(QWidget* owner, SideEntryRecord* record, UserInterface& ui)
{
    const bool adding = record != nullptr && record->mode == SideEntryRecord::Add;
    ContactDialog dialog(adding ? ContactDialog::Kind::SideAdd : ContactDialog::Kind::SideEdit, 0,
                         record != nullptr && record->icon != 0 ? record->icon : 129, owner);
    if (record == nullptr)
        dialog.setWindowTitle(QString());
    else
        dialog.setTexts(cp1252ToUnicode(record->name), cp1252ToUnicode(record->number));
    dialog.setAcceptFunction([record, &ui](const QString& name, const QString& number) {
        if (record == nullptr)
            return true;
        std::string typed = unicodeToCp1252(number);
        std::string clean = typed;
        if (!validateNumber(clean)) {
            ui.inform(kWrongNumber);
            return false;
        }
        const std::string newName = unicodeToCp1252(name);
        if (newName != record->name) {
            record->name = newName;
            record->changed = true;
        }
        if (clean != record->number) {
            record->number = clean;
            record->changed = true;
        }
        return true;
    });
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

void ContactDialog::setMoreText(const QString& more)
{
    if (more.isEmpty())
        return;
    auto* label =
        new QLabel(QString(more).replace(QStringLiteral("; "), QStringLiteral("\n")), this);
    label->setObjectName("moreLabel");
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    m_form->addRow(text(kMoreLabel) + QLatin1Char(':'), label);
}
