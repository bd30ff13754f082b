#include "cli/TerminalUserInterface.h"

#include <QTest>

#include <deque>
#include <sstream>

namespace {

using Kind = UserInterface::PinDialogKind;
using Role = TerminalUserInterface::SecretRole;

// Terminal answers prepared by a test, and the prompts that asked for them.
struct FakeTerminal
{
    std::deque<std::string> secrets;
    std::deque<std::string> lines;
    std::vector<std::string> prompts;

    TerminalUserInterface::SecretPrompt secretPrompt()
    {
        return [this](const std::string& prompt) -> std::optional<OwnedText> {
            prompts.push_back(prompt);
            if (secrets.empty())
                return std::nullopt;
            OwnedText text = OwnedText::of(secrets.front());
            secrets.pop_front();
            return text;
        };
    }
    TerminalUserInterface::LinePrompt linePrompt()
    {
        return [this](const std::string& prompt) -> std::optional<std::string> {
            prompts.push_back(prompt);
            if (lines.empty())
                return std::nullopt;
            std::string line = lines.front();
            lines.pop_front();
            return line;
        };
    }
};

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
        QTest::newRow("typed y") << B::YesNoCancel << true << false << "y" << A::Yes;
        QTest::newRow("typed yes") << B::OkCancel << true << false << " yes " << A::Ok;
        QTest::newRow("typed n") << B::YesNo << true << false << "n" << A::No;
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
        QTest::newRow("change PIN1, confirmation differs")
            << Kind::ChangePin1 << QStringList{"4321", "4322"} << mismatch;
        QTest::newRow("change PIN2, confirmation differs")
            << Kind::ChangePin2 << QStringList{"4321", "43210"} << mismatch;
        QTest::newRow("unblock PIN1, confirmation differs")
            << Kind::UnblockPin1 << QStringList{"12345678", "4321", "1234"} << mismatch;
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

    // With one attempt left a code from a file is tried only with
    // --allow-last-attempt; on a terminal the user is asked first (--yes does
    // not answer for them).
    void lastAttempt_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<int>("questions");
        const auto row = [](const char* name, Kind kind, int attempts, bool fromFile, bool allowed,
                            bool interactive, const char* answer, bool confirmed, int questions) {
            QTest::newRow(name) << kind << attempts << fromFile << allowed << interactive
                                << QString(answer) << confirmed << questions;
        };
        row("PIN1 from a file, 2 left", Kind::EnterPin1, 2, true, false, false, "", true, 0);
        row("PIN1 from a file, 1 left", Kind::EnterPin1, 1, true, false, false, "", false, 0);
        row("PIN1 from a file, 1 left, allowed", Kind::EnterPin1, 1, true, true, false, "", true,
            0);
        row("PIN1 from a file, 1 left, terminal says y", Kind::EnterPin1, 1, true, false, true, "y",
            true, 1);
        row("PIN2 from a file, 1 left", Kind::EnterPin2, 1, true, false, false, "", false, 0);
        row("PIN2 typed, 1 left, user says n", Kind::EnterPin2, 1, false, false, true, "n", false,
            1);
        row("PIN2 typed, 1 left, user says yes", Kind::EnterPin2, 1, false, false, true, "yes",
            true, 1);
        row("PUK from a file, 1 left", Kind::UnblockPin1, 1, true, false, false, "", false, 0);
        row("PUK2 from a file, 1 left, allowed", Kind::UnblockPin2, 1, true, true, false, "", true,
            0);
        row("PUK2 typed, 1 left, just Enter", Kind::UnblockPin2, 1, false, false, true, "", false,
            1);
    }

    void lastAttempt()
    {
        QFETCH(Kind, kind);
        QFETCH(int, attempts);
        QFETCH(bool, fromFile);
        QFETCH(bool, allowed);
        QFETCH(bool, interactive);
        QFETCH(QString, answer);
        QFETCH(bool, confirmed);
        QFETCH(int, questions);
        std::ostringstream err;
        FakeTerminal terminal;
        terminal.lines.push_back(answer.toStdString());
        const bool puk = kind == Kind::UnblockPin1 || kind == Kind::UnblockPin2;
        TerminalUserInterface ui(err, interactive, false, terminal.secretPrompt(),
                                 terminal.linePrompt());
        ui.setAssumeYes(true);
        ui.setAllowLastAttempt(allowed);
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
        asked.attempts = attempts;
        QCOMPARE(ui.askPin(asked).confirmed, confirmed);
        int asks = 0;
        for (const std::string& prompt : terminal.prompts)
            asks += prompt.ends_with("? [y/N] ") ? 1 : 0;
        QCOMPARE(asks, questions);
        // Refused: nothing more was asked, and the refusal counts as a failure.
        if (!confirmed) {
            QCOMPARE(terminal.prompts.size(), static_cast<std::size_t>(questions));
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
