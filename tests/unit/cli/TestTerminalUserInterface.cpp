#include "FakeTerminal.h"

#include <QTest>

#include <sstream>

namespace {

using Kind = UserInterface::PinDialogKind;
using Role = TerminalUserInterface::SecretRole;

UserInterface::Message box(int id, const std::string& text,
                           UserInterface::Buttons buttons = UserInterface::Buttons::Ok)
{
    UserInterface::Message message;
    message.id = id;
    message.text = text;
    message.buttons = buttons;
    return message;
}

std::string text(std::string_view secret)
{
    return std::string(secret);
}

UserInterface::PinRequest request(Kind kind, const std::string& current = {})
{
    UserInterface::PinRequest pin;
    pin.kind = kind;
    pin.initial.code.assign(current);
    pin.initial.newPin.assign(current);
    pin.initial.confirmPin.assign(current);
    return pin;
}

} // namespace

Q_DECLARE_METATYPE(UserInterface::Buttons)
Q_DECLARE_METATYPE(UserInterface::PinDialogKind)
Q_DECLARE_METATYPE(UserInterface::Answer)

class TestTerminalUserInterface : public QObject
{
    Q_OBJECT

private slots:
    void questions_data()
    {
        QTest::addColumn<UserInterface::Buttons>("buttons");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<UserInterface::Answer>("answer");
        using B = UserInterface::Buttons;
        using A = UserInterface::Answer;
        QTest::newRow("no terminal, yes/no/cancel")
            << B::YesNoCancel << false << false << "" << A::Cancel;
        QTest::newRow("no terminal, yes/no") << B::YesNo << false << false << "" << A::No;
        QTest::newRow("no terminal, ok/cancel") << B::OkCancel << false << false << "" << A::Cancel;
        QTest::newRow("--yes, yes/no") << B::YesNo << false << true << "" << A::Yes;
        QTest::newRow("--yes, ok/cancel") << B::OkCancel << false << true << "" << A::Ok;
        QTest::newRow("typed yes") << B::OkCancel << true << false << " yes " << A::Ok;
        QTest::newRow("just Enter") << B::YesNoCancel << true << false << "" << A::Cancel;
    }

    void questions()
    {
        QFETCH(UserInterface::Buttons, buttons);
        QFETCH(bool, interactive);
        QFETCH(bool, yes);
        QFETCH(QString, typed);
        QFETCH(UserInterface::Answer, answer);
        std::ostringstream err;
        FakeTerminal terminal;
        terminal.lines.push_back(typed.toStdString());
        TerminalUserInterface ui(err, interactive, false, terminal.secretPrompt(),
                                 terminal.linePrompt());
        ui.setAssumeYes(yes);
        QCOMPARE(ui.message(box(1, "Save?", buttons)), answer);
        QCOMPARE(ui.failures(), 0);
        if (interactive && !yes)
            QCOMPARE(terminal.prompts, std::vector<std::string>{"Save? [y/N] "});
        else
            QVERIFY(terminal.prompts.empty());
        // Without anybody to ask, the question still shows in the script's log.
        QCOMPARE(err.str(), !interactive && !yes ? std::string("Save?\n") : std::string());
    }

    // The codes a dialog ends with, typed on the terminal after the dialog's
    // title and text. (Codes from files are checked by phonara-cli's tests.)
    void codesAnswered_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("entries"); // code, new PIN, confirmation
        QTest::addColumn<QString>("prompts");
        QTest::addColumn<QString>("said");
        QTest::newRow("PIN1 typed") << Kind::EnterPin1 << QStringList{"1111"} << "1111 - -"
                                    << "PIN: "
                                    << "PIN\nThere are 2 attempts remaining!\n";
        // The new PIN is asked twice; the two entries agree.
        QTest::newRow("unblock PIN1 typed")
            << Kind::UnblockPin1 << QStringList{"87654321", "2222", "2222"}
            << "87654321 2222 2222"
            << "PUK: |PIN: |Confirm PIN: " << "";
    }

    void codesAnswered()
    {
        QFETCH(Kind, kind);
        QFETCH(QStringList, typed);
        QFETCH(QString, entries);
        QFETCH(QString, prompts);
        QFETCH(QString, said);
        std::ostringstream err;
        FakeTerminal terminal;
        for (const QString& code : typed)
            terminal.secrets.push_back(code.toStdString());
        TerminalUserInterface ui(err, true, false, terminal.secretPrompt(), terminal.linePrompt());
        UserInterface::PinRequest asked = request(kind, "1234");
        if (!said.isEmpty()) {
            asked.title = "PIN";
            asked.text = "There are 2 attempts remaining!";
        }
        const UserInterface::PinAnswer answer = ui.askPin(asked);
        QVERIFY(answer.confirmed);
        const QStringList want = entries.split(' ');
        const auto check = [](std::string_view got, const QString& wanted) {
            if (wanted != "-")
                QCOMPARE(QString::fromStdString(text(got)), wanted);
        };
        check(answer.entries.code, want[0]);
        check(answer.entries.newPin, want[1]);
        check(answer.entries.confirmPin, want[2]);
        QStringList shown;
        for (const std::string& prompt : terminal.prompts)
            shown << QString::fromStdString(prompt);
        QCOMPARE(shown.join('|'), prompts);
        QCOMPARE(QString::fromStdString(err.str()), said);
        QCOMPARE(ui.failures(), 0);
    }

    // A new code typed on the terminal is asked twice; when the two differ the
    // dialog ends unconfirmed, so the card flow sends nothing. A code that
    // breaks its rule ends it the same way.
    void typedCodesRefused_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("said");
        const QString mismatch = "The PIN you entered does not match!\nRe-enter the new PIN in "
                                 "\"Confirmation\" text box.\n";
        QTest::newRow("unblock PIN2, confirmation empty")
            << Kind::UnblockPin2 << QStringList{"87654321", "4321", ""} << mismatch;
        QTest::newRow("new PIN2 of 3 digits, twice")
            << Kind::ChangePin2 << QStringList{"432", "432"}
            << "PIN2 must have 4 to 8 digits (0 to 9) and nothing else.\n";
        QTest::newRow("PUK of 9 digits")
            << Kind::UnblockPin1 << QStringList{"123456789", "4321", "4321"}
            << "The PUK must have exactly 8 digits (0 to 9).\n";
        QTest::newRow("PIN1 with a letter")
            << Kind::EnterPin1 << QStringList{"12a4"}
            << "The PIN must have 4 to 8 digits (0 to 9) and nothing else.\n";
    }

    void typedCodesRefused()
    {
        QFETCH(Kind, kind);
        QFETCH(QStringList, typed);
        QFETCH(QString, said);
        std::ostringstream err;
        FakeTerminal terminal;
        for (const QString& code : typed)
            terminal.secrets.push_back(code.toStdString());
        TerminalUserInterface ui(err, true, false, terminal.secretPrompt(), terminal.linePrompt());
        const UserInterface::PinAnswer answer = ui.askPin(request(kind, "1234"));
        QVERIFY(!answer.confirmed);
        QCOMPARE(terminal.prompts.size(), static_cast<std::size_t>(typed.size()));
        QCOMPARE(QString::fromStdString(err.str()), said);
        QCOMPARE(ui.failures(), 1);
    }

    // With one attempt left a code from a file is not tried (phonara-cli's tests
    // check --allow-last-attempt); on a terminal the user is asked first, and
    // --yes answers neither.
    void lastAttempt_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("PIN2 from a file") << Kind::EnterPin2 << true << false << "" << false;
        QTest::newRow("PIN1 from a file, terminal says y")
            << Kind::EnterPin1 << true << true << "y" << true;
        QTest::newRow("PIN2 typed, user says n")
            << Kind::EnterPin2 << false << true << "n" << false;
        QTest::newRow("PIN2 typed, user says yes")
            << Kind::EnterPin2 << false << true << "yes" << true;
        QTest::newRow("PUK2 typed, just Enter")
            << Kind::UnblockPin2 << false << true << "" << false;
    }

    void lastAttempt()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, fromFile);
        QFETCH(bool, interactive);
        QFETCH(QString, answer);
        QFETCH(bool, confirmed);
        std::ostringstream err;
        FakeTerminal terminal;
        terminal.lines.push_back(answer.toStdString());
        const bool puk = kind == Kind::UnblockPin1 || kind == Kind::UnblockPin2;
        TerminalUserInterface ui(err, interactive, false, terminal.secretPrompt(),
                                 terminal.linePrompt());
        ui.setAssumeYes(true);
        if (fromFile) {
            ui.setSecret(puk                       ? Role::Puk
                         : kind == Kind::EnterPin2 ? Role::Pin2
                                                   : Role::Pin,
                         OwnedText::of(puk ? "12345678" : "1234"));
            ui.setSecret(Role::NewPin, OwnedText::of("4321"));
        } else {
            terminal.secrets = {puk ? "12345678" : "1234", "4321", "4321"};
        }
        UserInterface::PinRequest asked = request(kind);
        asked.attempts = 1;
        QCOMPARE(ui.askPin(asked).confirmed, confirmed);
        int asks = 0;
        for (const std::string& prompt : terminal.prompts)
            asks += prompt.ends_with("? [y/N] ") ? 1 : 0;
        QCOMPARE(asks, interactive ? 1 : 0);
        // Refused: nothing more was asked, and the refusal counts as a failure.
        if (!confirmed) {
            QCOMPARE(terminal.prompts.size(), static_cast<std::size_t>(asks));
            QCOMPARE(ui.failures(), 1);
        }
    }

    void refusedDialogIsNotAnsweredAgain()
    {
        std::ostringstream err;
        FakeTerminal terminal;
        terminal.secrets = {"1111", "1111", "2222"};
        TerminalUserInterface ui(err, true, false, terminal.secretPrompt(), terminal.linePrompt());
        ui.setSecret(Role::Pin, OwnedText::of("1234"));
        QVERIFY(ui.askPin(request(Kind::EnterPin1)).confirmed);
        QVERIFY(!ui.askPin(request(Kind::EnterPin1)).confirmed);
        // A mismatched confirmation keeps the Change PIN dialog open: the second
        // time it is cancelled instead of looping.
        QVERIFY(ui.askPin(request(Kind::ChangePin1, "1234")).confirmed);
        QVERIFY(!ui.askPin(request(Kind::ChangePin1, "1234")).confirmed);
        QCOMPARE(terminal.prompts.size(), std::size_t(2));
    }

    void progressLine()
    {
        for (const bool shown : {true, false}) {
            std::ostringstream err;
            TerminalUserInterface ui(err, false, shown);
            ui.runWithProgress(" Reading from SIM Card ... ", [&] {
                ui.setProgress(40);
                ui.message(box(35, "Error reading SIM Card: 80100069."));
                ui.setProgress(41);
            });
            const std::string expected =
                shown
                    ? "\rReading from SIM Card ... 0%\033[K\rReading from SIM Card ... 40%\033[K\n"
                      "Error reading SIM Card: 80100069.\n"
                      "\rReading from SIM Card ... 41%\033[K\n"
                    : "Error reading SIM Card: 80100069.\n";
            QCOMPARE(err.str(), expected);
        }
    }

    void csvMapping()
    {
        std::ostringstream err;
        TerminalUserInterface ui(err, false, false);
        ui.setCsvMapping(2, 0);
        UserInterface::CsvMappingRequest three{{"Number", "Extra", "Name"}, 0, 1};
        QVERIFY(ui.mapCsvFields(three));
        QCOMPARE(three.nameField, 2u);
        QCOMPARE(three.numberField, 0u);
        UserInterface::CsvMappingRequest two{{"Number", "Name"}, 0, 1};
        QVERIFY(!ui.mapCsvFields(two));
        QCOMPARE(ui.failures(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTerminalUserInterface)
#include "TestTerminalUserInterface.moc"
