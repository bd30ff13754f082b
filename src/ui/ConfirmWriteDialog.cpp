#include "ConfirmWriteDialog.h"

#include "CentreWindow.h"
#include "shell/Config.h"
#include "shell/Strings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDontShowAgain = 113;
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;

QString uiText(int id)
{
    return QString::fromStdString(resString(id));
}
} // namespace

ConfirmDialog::ConfirmDialog(QWidget* owner, const QString& caption, const QString& text,
                             const QIcon& icon, ConfirmResult buttons)
    : QDialog(owner)
{
    setWindowTitle(caption);
    setObjectName("ConfirmDialog");

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    iconLabel->setAlignment(Qt::AlignTop);
    auto* textLabel = new QLabel(text, this);
    textLabel->setObjectName("message");
    textLabel->setWordWrap(true);
    textLabel->setMinimumWidth(300);

    m_dontShow = new QCheckBox(uiText(kDontShowAgain), this);
    m_dontShow->setObjectName("dontShowAgain");

    auto* ok = new QPushButton(uiText(kOkText), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { finish(ConfirmResult::Ok); });

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_dontShow);
    buttonRow->addStretch();
    buttonRow->addWidget(ok);
    if (buttons == ConfirmResult::No) {
        auto* no = new QPushButton(QStringLiteral("No"), this);
        no->setObjectName("noButton");
        connect(no, &QPushButton::clicked, this, [this] { finish(ConfirmResult::No); });
        buttonRow->addWidget(no);
    }
    if (buttons != ConfirmResult::Ok) {
        auto* cancel = new QPushButton(uiText(kCancelText), this);
        cancel->setObjectName("cancelButton");
        connect(cancel, &QPushButton::clicked, this, [this] { finish(ConfirmResult::Cancel); });
        buttonRow->addWidget(cancel);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(textLabel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow);
}

bool ConfirmDialog::dontShowAgain() const
{
    return m_dontShow->isChecked();
}

void ConfirmDialog::finish(ConfirmResult answer)
{
    m_answer = answer;
    done(static_cast<int>(answer));
}

// Escape works like the Cancel button.
void ConfirmDialog::reject()
{
    finish(ConfirmResult::Cancel);
}

// The title-bar close box cancels without remembering the check box.
void ConfirmDialog::closeEvent(QCloseEvent* event)
{
    m_closedByWindow = true;
    m_answer = ConfirmResult::Cancel;
    event->accept();
    QDialog::done(static_cast<int>(ConfirmResult::Cancel));
}

ConfirmResult confirmWriteDialog(QWidget* owner, const QString& caption, const QString& text,
                                 const char* key, const QIcon& icon, ConfirmResult buttons)
{
    if (caption.isEmpty() || text.isEmpty() || !key || !*key)
        return ConfirmResult::Invalid;
    if (readConfigNumber(key).value_or(0) != 0)
        return ConfirmResult::Skipped;
    if (buttons != ConfirmResult::Ok && buttons != ConfirmResult::No &&
        buttons != ConfirmResult::Cancel)
        return ConfirmResult::Invalid;

    ConfirmDialog dialog(owner, caption, text, icon, buttons);
    centreWindow(&dialog);
    dialog.exec();
    if (!dialog.closedByWindow() && dialog.dontShowAgain())
        writeConfigNumber(key, 1);
    return dialog.answer();
}
