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
    void messagesAndFailures_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("failure");
        QTest::newRow("wrong PIN") << 2504 << true;
        QTest::newRow("blocked") << 33 << true;
        QTest::newRow("PIN remained disabled") << 22 << true;
        QTest::newRow("changed") << 2411 << false;
        QTest::newRow("unblocked") << 19 << false;
    }

    void messagesAndFailures()
    {
        QFETCH(int, id);
        QFETCH(bool, failure);
        std::ostringstream err;
        TerminalUserInterface ui(err, false, false);
        QCOMPARE(ui.message(box(id, "Line one\nline two")), UserInterface::Answer::Ok);
        QCOMPARE(err.str(), std::string("Line one\nline two\n"));
        QCOMPARE(ui.failures(), failure ? 1 : 0);
        QCOMPARE(ui.shownIds(), std::vector<int>{id});
    }

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

    void codesFromFiles()
    {
        std::ostringstream err;
        FakeTerminal terminal;
        TerminalUserInterface ui(err, true, false, terminal.secretPrompt(), terminal.linePrompt());
        ui.setSecret(Role::Pin, OwnedText::of("1234"));
        ui.setSecret(Role::Pin2, OwnedText::of("5678"));
        ui.setSecret(Role::NewPin, OwnedText::of("4321"));
        ui.setSecret(Role::Puk, OwnedText::of("87654321"));

        UserInterface::PinAnswer pin1 = ui.askPin(request(Kind::EnterPin1));
        QVERIFY(pin1.confirmed);
        QCOMPARE(text(pin1.entries.code), std::string("1234"));
        UserInterface::PinAnswer pin2 = ui.askPin(request(Kind::EnterPin2));
        QCOMPARE(text(pin2.entries.code), std::string("5678"));
        UserInterface::PinAnswer unblock = ui.askPin(request(Kind::UnblockPin2));
        QVERIFY(unblock.confirmed);
        QCOMPARE(text(unblock.entries.code), std::string("87654321"));
        QCOMPARE(text(unblock.entries.newPin), std::string("4321"));
        QCOMPARE(text(unblock.entries.confirmPin), std::string("4321"));
        UserInterface::PinAnswer change2 = ui.askPin(request(Kind::ChangePin2));
        QCOMPARE(text(change2.entries.newPin), std::string("4321"));
        QCOMPARE(text(change2.entries.confirmPin), std::string("4321"));

        QVERIFY(terminal.prompts.empty());
        QCOMPARE(ui.failures(), 0);
        QVERIFY(err.str().find("1234") == std::string::npos);
        QVERIFY(err.str().find("4321") == std::string::npos);
    }

    void codesAskedOnTheTerminal()
    {
        std::ostringstream err;
        FakeTerminal terminal;
        terminal.secrets = {"1111", "87654321", "2222", "2222"};
        TerminalUserInterface ui(err, true, false, terminal.secretPrompt(), terminal.linePrompt());

        UserInterface::PinRequest enter = request(Kind::EnterPin1);
        enter.title = "PIN";
        enter.text = "There are 2 attempts remaining!";
        UserInterface::PinAnswer pin = ui.askPin(enter);
        QVERIFY(pin.confirmed);
        QCOMPARE(text(pin.entries.code), std::string("1111"));
        QCOMPARE(err.str(), std::string("PIN\nThere are 2 attempts remaining!\n"));

        // The new PIN is asked twice; the two entries agree.
        UserInterface::PinAnswer unblock = ui.askPin(request(Kind::UnblockPin1));
        QVERIFY(unblock.confirmed);
        QCOMPARE(text(unblock.entries.code), std::string("87654321"));
        QCOMPARE(text(unblock.entries.newPin), std::string("2222"));
        QCOMPARE(text(unblock.entries.confirmPin), std::string("2222"));
        QCOMPARE(terminal.prompts,
                 (std::vector<std::string>{"PIN: ", "PUK: ", "PIN: ", "Confirm PIN: "}));
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

    void changePinChoices()
    {
        using Choice = TerminalUserInterface::Pin1Choice;
        std::ostringstream err;
        TerminalUserInterface ui(err, false, false);
        ui.setSecret(Role::NewPin, OwnedText::of("9999"));

        ui.setPin1Choice(Choice::Disable);
        UserInterface::PinAnswer off = ui.askPin(request(Kind::ChangePin1, "1234"));
        QVERIFY(off.confirmed);
        QVERIFY(!off.entries.pinEnabled);

        TerminalUserInterface enabling(err, false, false);
        enabling.setPin1Choice(Choice::Enable);
        UserInterface::PinRequest disabled = request(Kind::ChangePin1, "1234");
        disabled.initial.pinEnabled = false;
        UserInterface::PinAnswer on = enabling.askPin(disabled);
        QVERIFY(on.confirmed);
        QVERIFY(on.entries.pinEnabled);
        // Enabling keeps the PIN: the edits hold the current one.
        QCOMPARE(text(on.entries.newPin), std::string("1234"));
        QCOMPARE(text(on.entries.confirmPin), std::string("1234"));

        TerminalUserInterface changing(err, false, false);
        changing.setSecret(Role::NewPin, OwnedText::of("9999"));
        UserInterface::PinAnswer changed = changing.askPin(request(Kind::ChangePin1, "1234"));
        QVERIFY(changed.confirmed);
        QVERIFY(changed.entries.pinEnabled);
        QCOMPARE(text(changed.entries.newPin), std::string("9999"));
        QCOMPARE(text(changed.entries.confirmPin), std::string("9999"));
        QCOMPARE(ui.failures() + enabling.failures() + changing.failures(), 0);
    }

    void missingCodeWithoutTerminal()
    {
        std::ostringstream err;
        FakeTerminal terminal;
        TerminalUserInterface ui(err, false, false, terminal.secretPrompt(), terminal.linePrompt());
        ui.setSecretOption(Role::Pin2, "--pin-file");
        QVERIFY(!ui.askPin(request(Kind::EnterPin2)).confirmed);
        QCOMPARE(err.str(), std::string("phonara-cli: the card asks for the PIN2: name a file with "
                                        "--pin-file or run the command on a terminal\n"));
        QCOMPARE(ui.failures(), 1);
        QVERIFY(terminal.prompts.empty());
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
