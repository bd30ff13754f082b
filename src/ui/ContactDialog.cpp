#include "ContactDialog.h"

#include "CentreWindow.h"
#include "ContactEditing.h"
#include "Icons.h"
#include "phonebook/CardAlpha.h"
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

#include <algorithm>

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
constexpr int kNumberN = 320;     // "Number %u"
constexpr int kEmailN = 321;      // "E-mail %u"
constexpr int kSecondName = 322;  // "Second name"
// The side-book dialog reads at most 98 characters of a name.
constexpr int kSideNameLimit = 98;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}

// The room a text is given: `limit` card bytes, or what the text takes
// already, so that opening the dialog cuts nothing.
int roomFor(const QString& text, int limit)
{
    const auto held = static_cast<int>(encodeCardAlpha(text, 4096).bytes.size());
    return std::max(limit, held);
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

// A text's room counts the card's bytes, so a text is cut back to the
// characters its record holds.
void ContactDialog::limitToCardBytes(QLineEdit* edit, int limit)
{
    if (m_adjusting)
        return;
    int chars = typedNameLimit(edit->text(), limit);
    if (chars < limit && edit->text().size() > chars) {
        m_adjusting = true;
        edit->setText(edit->text().left(chars));
        m_adjusting = false;
        QApplication::beep();
        chars = typedNameLimit(edit->text(), limit);
    }
    edit->setMaxLength(qMax(chars, 1));
}

// OK needs both texts; the name is held to its record's bytes.
void ContactDialog::onTextChanged()
{
    if (m_adjusting)
        return;
    limitToCardBytes(m_name, m_nameLimit);
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

QLineEdit* ContactDialog::addEdit(const QString& label, const QString& text,
                                  const QString& objectName)
{
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(objectName);
    edit->setMinimumWidth(m_name->minimumWidth());
    m_form->addRow(label + QLatin1Char(':'), edit);
    return edit;
}

void ContactDialog::setExtras(const Extras& extras, int emailLimit, int secondNameLimit)
{
    // E-mail addresses are long: every edit of the form gets room for one.
    const int width = fontMetrics().averageCharWidth() * 32;
    m_name->setMinimumWidth(width);
    m_number->setMinimumWidth(width);
    // The contact's own number is number 1.
    for (int i = 0; i < extras.numbers.size(); ++i) {
        QLineEdit* edit = addEdit(text(kNumberN).replace(QLatin1String("%u"), QString::number(i + 2)),
                                  extras.numbers[i],
                                  QStringLiteral("extraNumberEdit%1").arg(i + 1));
        edit->setMaxLength(kTypedNumberLimit);
        m_extraNumbers.append(edit);
    }
    for (int i = 0; i < extras.emails.size(); ++i) {
        QLineEdit* edit = addEdit(text(kEmailN).replace(QLatin1String("%u"), QString::number(i + 1)),
                                  extras.emails[i], QStringLiteral("emailEdit%1").arg(i + 1));
        const int room = roomFor(extras.emails[i], emailLimit);
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit, room] { limitToCardBytes(edit, room); });
        limitToCardBytes(edit, room);
        m_emails.append(edit);
    }
    m_secondName = addEdit(text(kSecondName), extras.secondName, QStringLiteral("secondNameEdit"));
    const int room = roomFor(extras.secondName, secondNameLimit);
    connect(m_secondName, &QLineEdit::textChanged, this,
            [this, room] { limitToCardBytes(m_secondName, room); });
    limitToCardBytes(m_secondName, room);
}

ContactDialog::Extras ContactDialog::extras() const
{
    Extras out;
    for (const QLineEdit* edit : m_extraNumbers)
        out.numbers.append(edit->text());
    for (const QLineEdit* edit : m_emails)
        out.emails.append(edit->text());
    if (m_secondName != nullptr)
        out.secondName = m_secondName->text();
    return out;
}
