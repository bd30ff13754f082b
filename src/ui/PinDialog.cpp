#include "PinDialog.h"

#include "CentreWindow.h"
#include "Icons.h"
#include "card/flows/CardMessages.h"
#include "card/flows/PinRules.h"
#include "shell/OwnedText.h"
#include "shell/Strings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;
// The edits take more than any code has, so that a code too long, typed or
// pasted, is refused with its rule instead of being cut.
constexpr int kEditLimit = 32;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}

// The edit's text into a wiped buffer, without a copy in a std::string or a
// second QString. Characters beyond Latin-1 become '?', which no rule accepts.
OwnedText secretOf(const QLineEdit* edit)
{
    OwnedText secret;
    if (edit == nullptr)
        return secret;
    const QString& typed = edit->text();
    char buffer[kEditLimit + 1] = {};
    const int length = std::min<int>(typed.size(), kEditLimit);
    for (int i = 0; i < length; ++i) {
        const char16_t c = typed.at(i).unicode();
        buffer[i] = c < 0x100 ? static_cast<char>(c) : '?';
    }
    secret.assign(std::string_view(buffer, static_cast<std::size_t>(length)));
    wipeMemory(buffer, sizeof buffer);
    return secret;
}

QString qtextOf(std::string_view secret)
{
    return QString::fromLatin1(secret.data(), static_cast<qsizetype>(secret.size()));
}

// Codes that spend one of the card's attempts when they are sent.
bool spendsAnAttempt(UserInterface::PinDialogKind kind)
{
    using Kind = UserInterface::PinDialogKind;
    return kind == Kind::EnterPin1 || kind == Kind::EnterPin2 || kind == Kind::UnblockPin1 ||
           kind == Kind::UnblockPin2;
}
} // namespace

PinDialog::PinDialog(const UserInterface::PinRequest& request, QWidget* owner,
                     UserInterface* messages)
    : QDialog(owner), m_request(request), m_messages(messages)
{
    setObjectName("PinDialog");
    setWindowTitle(QString::fromStdString(request.title));
    const Kind kind = request.kind;

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(resourceIcon(114).pixmap(QSize(32, 32), devicePixelRatioF()));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* body = new QVBoxLayout;
    const bool pin2 =
        kind == Kind::EnterPin2 || kind == Kind::ChangePin2 || kind == Kind::UnblockPin2;
    if (pin2) {
        // The reader in bold, so the user knows which card is asking.
        auto* device = new QHBoxLayout;
        device->addWidget(new QLabel(text(CardText::DeviceLabel), this));
        auto* reader = new QLabel(QString::fromStdString(request.readerName), this);
        reader->setObjectName("readerName");
        QFont bold = reader->font();
        bold.setBold(true);
        bold.setPointSize(10);
        reader->setFont(bold);
        device->addWidget(reader, 1);
        body->addLayout(device);
    }
    QLabel* explanation = nullptr;
    if (!request.text.empty()) {
        explanation = new QLabel(QString::fromStdString(request.text), this);
        explanation->setObjectName("explanation");
        explanation->setWordWrap(true);
        if (kind == Kind::ChangePin1) {
            // The length rule goes under the edits it is about (below).
        } else if (kind == Kind::EnterPin1) {
            auto* group = new QGroupBox(text(CardText::PinGroup), this);
            auto* groupLayout = new QVBoxLayout(group);
            groupLayout->addWidget(explanation);
            body->addWidget(group);
        } else {
            body->addWidget(explanation);
        }
    }
    // The last attempt: a wrong code now blocks it (a wrong PUK, the card).
    if (request.attempts == 1 && spendsAnAttempt(kind)) {
        const bool puk = kind == Kind::UnblockPin1 || kind == Kind::UnblockPin2;
        auto* warning =
            new QLabel(text(puk ? CardText::LastPukAttempt : CardText::LastAttempt), this);
        warning->setObjectName("lastAttemptWarning");
        warning->setWordWrap(true);
        QFont bold = warning->font();
        bold.setBold(true);
        warning->setFont(bold);
        warning->setStyleSheet(QStringLiteral("color: #b00000;"));
        body->addWidget(warning);
    }

    auto* form = new QFormLayout;
    switch (kind) {
    case Kind::EnterPin1:
        m_code = addSecretEdit("codeEdit");
        form->addRow(text(CardText::PinLabel), m_code);
        break;
    case Kind::EnterPin2:
        m_code = addSecretEdit("codeEdit");
        form->addRow(text(CardText::EnterPin2Label), m_code);
        break;
    case Kind::ChangePin1:
        m_enablePin = new QCheckBox(text(CardText::EnablePinLabel), this);
        m_enablePin->setObjectName("enablePinBox");
        form->addRow(m_enablePin);
        [[fallthrough]];
    case Kind::ChangePin2:
    case Kind::UnblockPin1:
    case Kind::UnblockPin2:
        if (kind == Kind::UnblockPin1 || kind == Kind::UnblockPin2) {
            m_code = addSecretEdit("codeEdit");
            form->addRow(
                text(kind == Kind::UnblockPin1 ? CardText::PukLabel : CardText::EnterPuk2Label),
                m_code);
        }
        m_newPin = addSecretEdit("newPinEdit");
        m_confirmPin = addSecretEdit("confirmPinEdit");
        m_newPinLabel =
            new QLabel(text(pin2 ? CardText::EnterPin2Label : CardText::PinLabel), this);
        m_confirmPinLabel =
            new QLabel(text(pin2 ? CardText::ConfirmPin2Label : CardText::ConfirmPinLabel), this);
        form->addRow(m_newPinLabel, m_newPin);
        form->addRow(m_confirmPinLabel, m_confirmPin);
        break;
    }
    body->addLayout(form);
    if (kind == Kind::ChangePin1 && explanation)
        body->addWidget(explanation);

    m_ok = new QPushButton(text(kOkText), this);
    m_ok->setObjectName("okButton");
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(text(kCancelText), this);
    cancel->setObjectName("cancelButton");
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    body->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(iconLabel);
    layout->addLayout(body, 1);

    // What the edits hold when the dialog opens.
    const UserInterface::PinEntries& initial = request.initial;
    if (m_code)
        m_code->setText(qtextOf(initial.code));
    if (m_newPin) {
        m_newPin->setText(qtextOf(initial.newPin));
        m_confirmPin->setText(qtextOf(initial.confirmPin));
    }
    if (m_code)
        connect(m_code, &QLineEdit::textEdited, this, &PinDialog::onCodeChanged);
    if (m_newPin) {
        connect(m_newPin, &QLineEdit::textEdited, this, &PinDialog::onPinChanged);
        connect(m_confirmPin, &QLineEdit::textEdited, this, &PinDialog::onPinChanged);
    }

    switch (kind) {
    case Kind::ChangePin1:
        m_enablePin->setChecked(initial.pinEnabled);
        setPinEditsEnabled(initial.pinEnabled);
        m_ok->setEnabled(initial.pinEnabled);
        connect(m_enablePin, &QCheckBox::toggled, this, &PinDialog::onEnableToggled);
        m_newPin->setFocus();
        break;
    case Kind::UnblockPin1:
        // Nothing to confirm before a PUK is typed.
        setPinEditsEnabled(!m_code->text().isEmpty());
        m_ok->setEnabled(false);
        m_code->setFocus();
        break;
    default:
        if (m_code)
            m_code->setFocus();
        else if (m_newPin)
            m_newPin->setFocus();
        break;
    }
    centreWindow(this);
}

// Taken out of its edit, a text's buffer is ours alone and can be
// overwritten before it is freed.
PinDialog::~PinDialog()
{
    for (QLineEdit* edit : {m_code, m_newPin, m_confirmPin}) {
        if (edit == nullptr)
            continue;
        QString typed = edit->text();
        edit->clear();
        if (typed.isDetached())
            wipeMemory(typed.data(), static_cast<std::size_t>(typed.size()) * sizeof(QChar));
    }
}

QLineEdit* PinDialog::addSecretEdit(const char* objectName)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(kEditLimit);
    return edit;
}

void PinDialog::accept()
{
    const UserInterface::PinEntries typed = entries();
    const int refusal = pinEntriesRefusal(m_request.kind, typed);
    if (refusal == 0) {
        QDialog::accept();
        return;
    }
    // The edit that breaks the rule gets the focus, its text selected.
    const bool codeRefused = m_code &&
                             codeRuleRefusal(codeKindOf(m_request.kind), typed.code) != 0 &&
                             m_request.kind != Kind::ChangePin1;
    QLineEdit* refused = codeRefused ? m_code : m_newPin;
    if (m_messages) {
        showCardMessage(*m_messages, refusal, {}, UserInterface::Icon::Warning);
    } else {
        QMessageBox::warning(this, QStringLiteral("Phonara"), text(refusal));
    }
    if (refused) {
        refused->setFocus();
        refused->selectAll();
    }
}

void PinDialog::setPinEditsEnabled(bool enabled)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(m_newPin), static_cast<QWidget*>(m_confirmPin),
          static_cast<QWidget*>(m_newPinLabel), static_cast<QWidget*>(m_confirmPinLabel)}) {
        if (widget)
            widget->setEnabled(enabled);
    }
}

void PinDialog::onCodeChanged()
{
    const OwnedText code = secretOf(m_code);
    switch (m_request.kind) {
    case Kind::EnterPin1:
        m_ok->setEnabled(pinEntryOkEnabled(code.view()));
        break;
    case Kind::UnblockPin1:
        setPinEditsEnabled(!code.empty());
        if (code.empty())
            m_ok->setEnabled(false);
        break;
    case Kind::UnblockPin2:
        onPinChanged();
        break;
    default:
        break;
    }
}

void PinDialog::onPinChanged()
{
    const OwnedText newPin = secretOf(m_newPin);
    const OwnedText confirm = secretOf(m_confirmPin);
    switch (m_request.kind) {
    case Kind::ChangePin1:
        m_ok->setEnabled(
            changePinOkEnabled(newPin.view(), confirm.view(), m_enablePin->isChecked()));
        break;
    case Kind::UnblockPin1:
        m_ok->setEnabled(true);
        break;
    case Kind::ChangePin2:
        m_ok->setEnabled(changePin2OkEnabled(newPin.view(), confirm.view()));
        break;
    case Kind::UnblockPin2:
        m_ok->setEnabled(
            unblockPin2OkEnabled(secretOf(m_code).view(), newPin.view(), confirm.view()));
        break;
    default:
        break;
    }
}

// Ticking "Enable PIN:" brings back the current PIN in both edits; clearing
// it leaves only OK to confirm the switch-off.
void PinDialog::onEnableToggled(bool enabled)
{
    setPinEditsEnabled(enabled);
    if (enabled) {
        m_newPin->setText(qtextOf(m_request.initial.code));
        m_confirmPin->setText(qtextOf(m_request.initial.code));
        m_newPin->setFocus();
        onPinChanged();
    } else {
        m_ok->setEnabled(true);
    }
}

UserInterface::PinEntries PinDialog::entries() const
{
    UserInterface::PinEntries result;
    result.code.assign(m_code ? secretOf(m_code).view() : std::string_view(m_request.initial.code));
    result.newPin.assign(secretOf(m_newPin).view());
    result.confirmPin.assign(secretOf(m_confirmPin).view());
    result.pinEnabled = m_enablePin ? m_enablePin->isChecked() : m_request.initial.pinEnabled;
    return result;
}
