// The small dialogs on their own: PIN entry rules, the write confirmation,
// the .phn association offer at start-up.

#include "CodeRuleCases.h"
#include "GuiHarness.h"

#include "app/GuiStartup.h"
#include "shell/Association.h"
#include "shell/Config.h"
#include "ui/ConfirmWriteDialog.h"
#include "ui/Icons.h"
#include "ui/MessageIcons.h"
#include "ui/PinDialog.h"
#include "ui/QtUserInterface.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using Kind = UserInterface::PinDialogKind;
using Icon = UserInterface::Icon;
Q_DECLARE_METATYPE(UserInterface::PinDialogKind)
Q_DECLARE_METATYPE(UserInterface::Icon)

namespace {
QLineEdit* edit(QWidget* dialog, const char* name)
{
    return dialog->findChild<QLineEdit*>(name);
}

bool okEnabled(QWidget* dialog)
{
    return dialog->findChild<QPushButton*>("okButton")->isEnabled();
}

UserInterface::PinRequest pinRequest(Kind kind)
{
    UserInterface::PinRequest request;
    request.kind = kind;
    request.title = "PIN";
    return request;
}

// Keeps the messages a dialog shows instead of showing them.
struct MessageRecorder : UserInterface
{
    std::vector<Message> shown;
    Answer message(const Message& message) override
    {
        shown.push_back(message);
        return Answer::Ok;
    }
};

// Types `text` key by key, also characters without a key of their own.
void typeInto(QLineEdit* edit, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Opens a dialog of `kind`, types `code` (when given) into the code edit and
// `newPin`, `confirmPin` into the new-PIN edits where the dialog has them,
// presses OK. The dialog's verdict: whether it closed, and the texts it showed.
struct OkPressed
{
    bool okEnabled = false; // before it was pressed
    bool accepted = false;
    std::vector<std::string> texts;
};

OkPressed pressOk(Kind kind, const QString& code, const QString& newPin, const QString& confirmPin)
{
    MessageRecorder recorder;
    PinDialog dialog(pinRequest(kind), nullptr, &recorder);
    dialog.show();
    // Edits in the order a user fills them; each change runs the rule.
    if (!code.isEmpty())
        typeInto(edit(&dialog, "codeEdit"), code);
    if (edit(&dialog, "newPinEdit")) {
        edit(&dialog, "newPinEdit")->clear();
        edit(&dialog, "confirmPinEdit")->clear();
        typeInto(edit(&dialog, "newPinEdit"), newPin);
        typeInto(edit(&dialog, "confirmPinEdit"), confirmPin);
    }
    OkPressed result;
    result.okEnabled = okEnabled(&dialog);
    dialog.findChild<QPushButton*>("okButton")->click();
    result.accepted = dialog.result() == QDialog::Accepted && !dialog.isVisible();
    for (const UserInterface::Message& message : recorder.shown)
        result.texts.push_back(message.text);
    return result;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    // OK follows what is typed: codes, new PINs and their confirmations.
    void pinOkRules_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("newPin");
        QTest::addColumn<QString>("confirmPin");
        QTest::addColumn<bool>("okEnabled");

        const auto row = [](const char* name, Kind kind, const char* code, const char* newPin,
                            const char* confirmPin, bool ok) {
            QTest::newRow(name) << kind << QString(code) << QString(newPin) << QString(confirmPin)
                                << ok;
        };
        row("PIN typed", Kind::EnterPin1, "12", "", "", true);
        row("PIN2 digits, confirmed", Kind::ChangePin2, "", "4321", "4321", true);
        row("PIN2 with a letter", Kind::ChangePin2, "", "43a1", "43a1", false);
        row("PIN2 not confirmed", Kind::ChangePin2, "", "4321", "4322", false);
        row("unblock PIN2", Kind::UnblockPin2, "87654321", "1111", "1111", true);
        row("unblock PIN2, PUK2 empty", Kind::UnblockPin2, "", "1111", "1111", false);
        row("unblock PIN1, new PIN typed", Kind::UnblockPin1, "12345678", "1", "", true);
        row("change PIN1, one edit empty", Kind::ChangePin1, "", "1234", "", false);
    }

    void pinOkRules()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, code);
        QFETCH(QString, newPin);
        QFETCH(QString, confirmPin);
        QFETCH(bool, okEnabled);

        QCOMPARE(pressOk(kind, code, newPin, confirmPin).okEnabled, okEnabled);
    }

    // A message box shows the icon asked for, drawn sharp for the screen; the
    // PIN flows' success messages come without one.
    void messageIcons_data()
    {
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<int>("shown");
        QTest::newRow("information") << Icon::Information << int(QMessageBox::Information);
        QTest::newRow("error") << Icon::Error << int(QMessageBox::Critical);
        QTest::newRow("none") << Icon::None << int(QMessageBox::NoIcon);
    }

    void messageIcons()
    {
        QFETCH(Icon, icon);
        QFETCH(int, shown);
        QtUserInterface ui;
        int seen = -1;
        bool hasPicture = false;
        qreal pictureRatio = 0;
        onNextDialog<QMessageBox>([&](QMessageBox* box) {
            seen = messageIconOf(*box);
            hasPicture = !box->iconPixmap().isNull();
            pictureRatio = box->iconPixmap().devicePixelRatio();
            box->accept();
        });
        UserInterface::Message message;
        message.text = "PIN is changed successfully!";
        message.icon = icon;
        ui.message(message);
        QCOMPARE(seen, shown);
        QCOMPARE(hasPicture, icon != Icon::None);
        if (hasPicture)
            QCOMPARE(pictureRatio, qApp->devicePixelRatio());
    }

    // Every code typed into a dialog is held to its rule when OK is pressed:
    // the same table as phonara-cli's code files. A code the card would not
    // take keeps the dialog open with the rule; nothing is cut.
    void codeRules_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < std::size(kCodeRuleCases); ++i)
            QTest::newRow(kCodeRuleCases[i].name) << static_cast<int>(i);
    }

    void codeRules()
    {
        QFETCH(int, row);
        const CodeRuleCase& rule = kCodeRuleCases[row];
        const QString code = QString::fromUtf8(rule.code);
        const std::vector<std::string> refusal =
            rule.accepted ? std::vector<std::string>{}
                          : std::vector<std::string>{codeRuleWords(rule.kind)};

        // The code as the one the card checks: PIN, PIN2, PUK, PUK2.
        const Kind enter = rule.kind == SecretKind::Pin1   ? Kind::EnterPin1
                           : rule.kind == SecretKind::Pin2 ? Kind::EnterPin2
                           : rule.kind == SecretKind::Puk1 ? Kind::UnblockPin1
                                                           : Kind::UnblockPin2;
        const OkPressed entered = pressOk(enter, code, "4321", "4321");
        QCOMPARE(entered.accepted, rule.accepted);
        QCOMPARE(entered.texts, refusal);

        // A PIN as the new one, typed twice.
        if (rule.kind == SecretKind::Pin1 || rule.kind == SecretKind::Pin2) {
            const OkPressed changed =
                pressOk(rule.kind == SecretKind::Pin1 ? Kind::ChangePin1 : Kind::ChangePin2, "",
                        code, code);
            QCOMPARE(changed.accepted, rule.accepted);
            // Change PIN2 may refuse a code by keeping OK off ("It should
            // contain digits only."); otherwise OK shows the rule.
            QVERIFY(changed.texts == refusal || (!rule.accepted && !changed.okEnabled));
        }
    }

    // A dialog whose code spends the last attempt says so; the PUK's says
    // that it blocks the card for good. The explanation is shown once (Change
    // PIN1 moves it under the edits).
    void lastAttemptWarning_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QString>("warning");
        const QString pin = "Only one attempt is left: a wrong code now blocks it.";
        const QString puk =
            "Only one PUK attempt is left: a wrong PUK now blocks the SIM Card for good.";
        QTest::newRow("PIN1, 2 left") << Kind::EnterPin1 << 2 << QString();
        QTest::newRow("PIN1, 1 left") << Kind::EnterPin1 << 1 << pin;
        QTest::newRow("PIN2, 1 left") << Kind::EnterPin2 << 1 << pin;
        QTest::newRow("PUK1, 1 left") << Kind::UnblockPin1 << 1 << puk;
        QTest::newRow("PUK2, 1 left") << Kind::UnblockPin2 << 1 << puk;
        QTest::newRow("new PIN2: no attempt spent") << Kind::ChangePin2 << 1 << QString();
        QTest::newRow("new PIN1: no attempt spent") << Kind::ChangePin1 << 1 << QString();
    }

    void lastAttemptWarning()
    {
        QFETCH(Kind, kind);
        QFETCH(int, attempts);
        QFETCH(QString, warning);
        UserInterface::PinRequest request = pinRequest(kind);
        request.attempts = attempts;
        request.text = "There are " + std::to_string(attempts) + " attempts remaining!";
        PinDialog dialog(request, nullptr);
        dialog.show();
        int explained = 0;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            explained += label->text() == QString::fromStdString(request.text) ? 1 : 0;
        QCOMPARE(explained, 1);
        const QLabel* shown = dialog.findChild<QLabel*>("lastAttemptWarning");
        QCOMPARE(shown ? shown->text() : QString(), warning);
    }

    // Clearing "Enable PIN:" leaves only OK; ticking it brings the current PIN back.
    void changePinEnableBox()
    {
        UserInterface::PinRequest request = pinRequest(Kind::ChangePin1);
        request.initial.code.assign("1234");
        request.initial.newPin.assign("1234");
        request.initial.confirmPin.assign("1234");
        PinDialog dialog(request, nullptr);
        auto* box = dialog.findChild<QCheckBox*>("enablePinBox");
        QVERIFY(box->isChecked());
        box->setChecked(false);
        QVERIFY(okEnabled(&dialog));
        QVERIFY(!edit(&dialog, "newPinEdit")->isEnabled());
        QVERIFY(!dialog.entries().pinEnabled);
        edit(&dialog, "newPinEdit")->setText("99");
        box->setChecked(true);
        QCOMPARE(edit(&dialog, "newPinEdit")->text(), QString("1234"));
        QVERIFY(dialog.entries().pinEnabled);
    }

    void confirmationButtons_data()
    {
        QTest::addColumn<QString>("button"); // okButton, noButton, cancelButton or "close box"
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<ConfirmResult>("result");
        QTest::addColumn<int>("stored");

        QTest::newRow("OK") << "okButton" << false << ConfirmResult::Ok << 0;
        QTest::newRow("OK, ticked") << "okButton" << true << ConfirmResult::Ok << 1;
        QTest::newRow("No, ticked") << "noButton" << true << ConfirmResult::No << 1;
        QTest::newRow("Cancel, ticked") << "cancelButton" << true << ConfirmResult::Cancel << 1;
        QTest::newRow("close box, ticked") << "close box" << true << ConfirmResult::Cancel << 0;
    }

    void confirmationButtons()
    {
        QFETCH(QString, button);
        QFETCH(bool, ticked);
        QFETCH(ConfirmResult, result);
        QFETCH(int, stored);

        onNextDialog<ConfirmDialog>([button, ticked](ConfirmDialog* dialog) {
            dialog->findChild<QCheckBox*>("dontShowAgain")->setChecked(ticked);
            if (button == "close box")
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        });
        QCOMPARE(confirmWriteDialog(nullptr, "Phonara", "Sure?", "Test_Key", resourceIcon(113),
                                    ConfirmResult::No),
                 result);
        QCOMPARE(readConfigNumber("Test_Key").value_or(0), stored);
        if (stored)
            QCOMPARE(confirmWriteDialog(nullptr, "Phonara", "Sure?", "Test_Key", resourceIcon(113),
                                        ConfirmResult::No),
                     ConfirmResult::Skipped);
    }

    // The offer at start-up: OK registers the type; once registered, or once
    // turned off, nothing is asked.
    void associationOffer()
    {
        writeConfigNumber("if_pna_assotiate", 1);
        QVERIFY(!dialogShownDuring<ConfirmDialog>(offerFileAssociation));
        clearSettings();
        QCOMPARE(checkAssociation("phn", "PhonaraApp"), 0);
        QString text;
        onNextDialog<ConfirmDialog>([&text](ConfirmDialog* dialog) {
            text = dialog->findChild<QLabel*>("message")->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        offerFileAssociation();
        QCOMPARE(text, QString("The \"phn\" extension is not currently associated with the  "
                               "\"Phonara\", click OK to associate the file, otherwise click "
                               "Cancel."));
        QCOMPARE(checkAssociation("phn", "PhonaraApp"), 1);

        QVERIFY(!dialogShownDuring<ConfirmDialog>(offerFileAssociation));
    }

    // The file to open at start: a name with blanks passed unquoted arrives as
    // several arguments and is put together again.
    void startPathFromSplitArguments()
    {
        std::string texts[] = {"phonara", "/home/me/My", "Phone", "Book.phn"};
        char* argv[] = {texts[0].data(), texts[1].data(), texts[2].data(), texts[3].data()};
        QCOMPARE(startPathOf(4, argv), std::string("/home/me/My Phone Book.phn"));
    }
};

QTEST_MAIN(TestDialogs)
#include "TestDialogs.moc"
