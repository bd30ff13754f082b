#include "CodeAnswerCases.h"
#include "CodeRuleCases.h"
#include "FakeTerminal.h"
#include "cli/CliMain.h"
#include "cli/SecretInput.h"
#include "shell/Config.h"
#include "shell/Log.h"
#include "shell/LogSearch.h"
#include "vsim/VirtualPcsc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QString kTypical = QStringLiteral(PHONARA_TEST_DATA "/cards/typical.json");
const QString kPin1Disabled = QStringLiteral(PHONARA_TEST_DATA "/cards/pin1-disabled.json");
const std::string kThree = PHONARA_TEST_DATA "/cli/three.phn";
const QString kAdn = QStringLiteral("3F00/7F10/6F3A");

QString profile(const char* name)
{
    return QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(QLatin1String(name));
}

// The APDUs that present a secret code: VERIFY, CHANGE, DISABLE, ENABLE, UNBLOCK CHV.
int codesSent()
{
    int sent = 0;
    for (const QByteArray& command : vsim::pcsc::Control::instance().commands()) {
        const auto ins = static_cast<uint8_t>(command.size() > 1 ? command[1] : 0);
        sent += (ins == 0x20 || ins == 0x24 || ins == 0x26 || ins == 0x28 || ins == 0x2C) ? 1 : 0;
    }
    return sent;
}

vsim::pcsc::Control& virtualPcsc()
{
    return vsim::pcsc::Control::instance();
}

} // namespace

class TestCliCard : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int status = -1;
        std::string out;
        std::string err;
    };

    PcscApi m_api;
    QTemporaryDir m_dir;
    FakeTerminal m_terminal;
    // When set, codes are asked through it instead of from m_terminal.
    TerminalUserInterface::SecretPrompt m_secretPrompt;

    // Runs phonara-cli on the virtual readers; `interactive` lets it ask the
    // fake terminal.
    Run run(const std::vector<std::string>& arguments, bool interactive = false,
            bool progress = false)
    {
        std::ostringstream out;
        std::ostringstream err;
        CliEnvironment environment{out, err};
        environment.interactive = interactive;
        environment.progress = progress;
        environment.pcsc = &m_api;
        environment.secretPrompt = m_secretPrompt ? m_secretPrompt : m_terminal.secretPrompt();
        environment.linePrompt = m_terminal.linePrompt();
        Run result;
        result.status = runPhonaraCli(arguments, environment);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // A file in the test's folder holding `code` and a line end.
    std::string codeFile(const char* name, const std::string& code)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray::fromStdString(code + "\n"));
        return path.toStdString();
    }

private slots:
    void init()
    {
        virtualPcsc().reset();
        vsim::pcsc::install(m_api);
        m_terminal = FakeTerminal{};
        m_secretPrompt = nullptr;
    }

    // The attempts left, in the PIN dialog on the terminal and in info. PIN1's
    // count is 3 again once the PIN has been accepted. (A full card's counters
    // are checked by the end-to-end read.)
    void countersShown_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("counters");
        const auto row = [](const char* card, const char* dialog, const char* counters) {
            QTest::newRow(card) << profile(card) << dialog << counters;
        };
        row("tries-2", "There are 2 attempts remaining!",
            "PIN1 attempts left: 3\nPUK1 attempts left: 9\nPIN2 attempts left: 2\n"
            "PUK2 attempts left: 8\n");
    }

    void countersShown()
    {
        QFETCH(QString, card);
        QFETCH(QString, dialog);
        QFETCH(QString, counters);
        QVERIFY(virtualPcsc().insertProfile(QStringLiteral("Reader A"), card));
        m_terminal.secrets = {"1234"};
        const Run info = run({"info"}, true);
        QCOMPARE(info.status, 0);
        QVERIFY2(info.err.find(dialog.toStdString() + "\n") != std::string::npos, info.err.c_str());
        const std::string wanted = counters.toStdString();
        QVERIFY2(info.out.size() >= wanted.size() &&
                     info.out.compare(info.out.size() - wanted.size(), wanted.size(), wanted) == 0,
                 info.out.c_str());
    }

    void confirmationTurnedOff()
    {
        const auto card = virtualPcsc().insertProfile(QStringLiteral("Reader A"), kTypical);
        QVERIFY(card);
        // "Don't show this dialog again" ticked for Clear SIM in the program.
        writeConfigNumber(ConfigKey::kClearCard, 1);
        const Run clear =
            run({"write", kThree, "--mode", "clear", "--pin-file", codeFile("pin", "1234")});
        writeConfigNumber(ConfigKey::kClearCard, 0);
        QCOMPARE(clear.status, 0);
        QVERIFY2(clear.err.starts_with("42 contacts were removed from the SIM Card.\n"
                                       "The backup of the SIM Card is in "),
                 clear.err.c_str());
        QCOMPARE(card->record(kAdn, 1), QByteArray(28, '\xFF'));
        QCOMPARE(card->record(kAdn, 250), QByteArray(28, '\xFF'));
    }

    // What a write checks before it writes, and what it says: the question on the
    // terminal (answered y, n, or not at all) unless --yes, the dry run, the
    // empty book, more long numbers than free extension records (typical card:
    // 7 of its 10 EXT1 records are free), with and without --partial.
    void writeChecks_data()
    {
        // "three", "empty", "longs" (8 numbers of 28 digits), "gaps" (the longs, a line without number)
        QTest::addColumn<QString>("book");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // in standard output (dry run) or error
        QTest::addColumn<int>("written");  // ADN records that changed
        // "typed:X" in the options: no --yes, X is typed at the question (nothing: end of input).
        QTest::newRow("confirmed") << "three" << QStringList{"--mode", "all", "typed:y"} << 0
                                   << "3 contacts are on the SIM Card now." << 42;
        // Declined: nothing written, and no PIN asked.
        QTest::newRow("declined") << "three" << QStringList{"--mode", "all", "typed:n"} << 1 << ""
                                  << 0;
        QTest::newRow("end of input")
            << "three" << QStringList{"--mode", "all", "typed:"} << 1 << "" << 0;
        QTest::newRow("dry run") << "three" << QStringList{"--mode", "add", "--dry-run"} << 0
                                 << "record 15: (empty) -> Neu Eins +4930111222\n"
                                    "record 16: (empty) -> J\u00F6rg Zwei 0301112223\n"
                                    "record 18: (empty) -> Lang Drei +49301234567890123456789, "
                                    "EXT1 record 4\n"
                                    "EXT1 record 4: (free) -> digits 6789\n"
                                 << 0;
        QTest::newRow("empty book") << "empty" << QStringList{"--mode", "all"} << 1
                                    << "no contacts to write.\nTo empty the SIM Card's phone book, use --mode clear." << 0;
        QTest::newRow("does not fit")
            << "longs" << QStringList{"--mode", "add"} << 1
            << "Nothing was written. 7 of 8 contacts fit on the SIM Card." << 0;
        QTest::newRow("does not fit, partial")
            << "longs" << QStringList{"--mode", "add", "--partial"} << 0
            << "7 contacts are on the SIM Card now.\n7 of 8 contacts fit on the SIM Card." << 7;
        // A line of IN left out: done, with the status that says so; a refusal stays 1.
        QTest::newRow("line left out, does not fit")
            << "gaps" << QStringList{"--mode", "add"} << 1 << "7 of 8 contacts fit" << 0;
        QTest::newRow("line left out, partial")
            << "gaps" << QStringList{"--mode", "add", "--partial"} << 3
            << "Imported 8 contacts from gaps.csv; 1 were skipped" << 7;
        QTest::newRow("line left out, dry run")
            << "gaps" << QStringList{"--mode", "add", "--partial", "--dry-run"} << 3
            << "record 15: (empty) -> Lang 0 " << 0;
    }

    void writeChecks()
    {
        QFETCH(QString, book);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, said);
        QFETCH(int, written);
        const auto card = virtualPcsc().insertProfile(QStringLiteral("Reader A"), kTypical);
        QVERIFY(card);
        QList<QByteArray> before;
        for (int r = 1; r <= 250; ++r)
            before << card->record(kAdn, r);
        std::string path = kThree;
        if (book != "three") {
            // An empty .phn file is an empty book; the long numbers come as CSV.
            path = m_dir.filePath(book + (book == "empty" ? ".phn" : ".csv")).toStdString();
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (book != "empty") {
                file.write("Name,Number\n");
                for (int i = 0; i < 8; ++i)
                    file.write("Lang " + QByteArray::number(i) + ",1111111111222222222233333333\n");
                file.write(book == "gaps" ? "Ohne,\n" : "");
            }
        }
        m_terminal.secrets = {"1234"};
        std::vector<std::string> arguments{"write", path};
        const QString typed = options.filter("typed:").value(0);
        if (typed.isEmpty())
            arguments.push_back("--yes");
        else if (typed != "typed:")
            m_terminal.lines = {typed.mid(6).toStdString()};
        for (const QString& option : options)
            if (!option.startsWith("typed:"))
                arguments.push_back(option.toStdString());
        const Run write = run(arguments, true);
        QCOMPARE(write.status, status);
        if (!typed.isEmpty()) {
            QCOMPARE(m_terminal.prompts.front(),
                     std::string("Now all phonebook entries will be written to your SIM card. "
                                 "This will overwrite the contents of your SIM card with the new "
                                 "data. [y/N] "));
            QCOMPARE(m_terminal.prompts.size(), std::size_t(written > 0 ? 2 : 1));
        }
        const std::string text = options.contains("--dry-run") ? write.out : write.err;
        QVERIFY2(text.find(said.toStdString()) != std::string::npos, text.c_str());
        int changed = 0;
        for (int r = 1; r <= 250; ++r)
            changed += card->record(kAdn, r) != before[r - 1] ? 1 : 0;
        QCOMPARE(changed, written);
    }

    // A card whose fixed dialling numbers cannot be read: the phone book is saved,
    // the missing book named, and the exit status is 1.
    void readWithoutFixedDialling()
    {
        const auto card = virtualPcsc().insertProfile(QStringLiteral("Reader A"), kPin1Disabled);
        QVERIFY(card);
        card->file(QStringLiteral("3F00/7F10/6F3B"))->invalidated = true;
        const std::string path = m_dir.filePath(QStringLiteral("partial.phn")).toStdString();
        const Run read = run({"read", path});
        QCOMPARE(read.status, 1);
        QCOMPARE(read.err, std::string("The fixed dialling numbers could not be read from the SIM "
                                       "Card; the phone book was read.\n"));
        QFile saved(QString::fromStdString(path));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("items=42"));
    }

    void progressLineOnTerminal()
    {
        QVERIFY(virtualPcsc().insertProfile(QStringLiteral("Reader A"), kPin1Disabled));
        const std::string path = m_dir.filePath(QStringLiteral("progress.phn")).toStdString();
        const Run shown = run({"read", path}, false, true);
        QCOMPARE(shown.status, 0);
        QVERIFY(shown.err.starts_with("\rReading from SIM Card ... 0%"));
        QVERIFY(shown.err.find("\rReading from SIM Card ... 50%\033[K\r") != std::string::npos);
        // The line is ended when the transfer is.
        QVERIFY(shown.err.ends_with("%\033[K\n"));
    }

    // A new code typed on a terminal is asked twice without echo; when the two
    // entries differ, no CHANGE or UNBLOCK goes to the card. The codes are typed
    // on a pseudo-terminal, each once the program reads with echo off.
    void mismatchedNewPin_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("prompts");
        QTest::addColumn<int>("chv");
        QTest::newRow("change PIN1")
            << kTypical << QStringList{"pin", "change"} << QStringList{"1234", "4321", "4322"}
            << "PIN: PIN: Confirm PIN: " << 1;
        QTest::newRow("change PIN1, new PIN from '-'")
            << kTypical << QStringList{"pin", "change", "--new-pin-file", "-"}
            << QStringList{"1234", "4321", "4322"} << "PIN: PIN: Confirm PIN: " << 1;
        QTest::newRow("change PIN2") << kTypical << QStringList{"pin", "change", "--chv", "2"}
                                     << QStringList{"5678", "4321", "43210"}
                                     << "Enter PIN2: Enter PIN2: Confirm PIN2: " << 2;
        QTest::newRow("unblock PIN1")
            << profile("pin1-blocked") << QStringList{"pin", "unblock"}
            << QStringList{"12345678", "4321", "1234"} << "PUK: PIN: Confirm PIN: " << 1;
    }

    void mismatchedNewPin()
    {
        QFETCH(QString, card);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, typed);
        QFETCH(QString, prompts);
        QFETCH(int, chv);
        const auto sim = virtualPcsc().insertProfile(QStringLiteral("Reader A"), card);
        QVERIFY(sim);
        const QByteArray codeBefore = sim->chv(chv).code;
        int master = -1;
        int slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        std::atomic<int> asked{0};
        std::atomic<bool> done{false};
        std::ostringstream shown;
        m_secretPrompt = [&](const std::string& prompt) {
            ++asked;
            return promptSecretOn(slave, shown, prompt);
        };
        // Answers every prompt, an empty line past the typed ones.
        std::thread typist([&] {
            for (qsizetype i = 0; !done; ++i) {
                termios mode{};
                while (!done && !(asked == i + 1 && ::tcgetattr(slave, &mode) == 0 &&
                                  (mode.c_lflag & ECHO) == 0))
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                const std::string line = (i < typed.size() ? typed[i].toStdString() : "") + "\n";
                if (!done && ::write(master, line.data(), line.size()) < 0)
                    return;
            }
        });
        std::vector<std::string> line;
        for (const QString& argument : arguments)
            line.push_back(argument.toStdString());
        const Run result = run(line, true);
        done = true;
        typist.join();
        // What the terminal showed: line ends only, never a typed code.
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        char echoed[256] = {};
        const ssize_t echoedLength = ::read(master, echoed, sizeof echoed - 1);
        ::close(master);
        ::close(slave);

        QCOMPARE(result.status, 1);
        QCOMPARE(QString::fromStdString(shown.str()), prompts);
        QVERIFY2(result.err.find(" does not match!\n") != std::string::npos, result.err.c_str());
        QVERIFY(std::string_view(echoed, std::max<ssize_t>(echoedLength, 0))
                    .find_first_not_of("\r\n") == std::string_view::npos);
        for (const QByteArray& command : virtualPcsc().commands())
            QVERIFY(command.size() < 2 ||
                    (uint8_t(command[1]) != 0x24 && uint8_t(command[1]) != 0x2C));
        QCOMPARE(sim->chv(chv).code, codeBefore);
    }

    // The codes in files are held to the same table as the desktop dialogs: a
    // code that breaks its rule is refused before any command reaches the card.
    void codeFilesHeldToTheRules_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < std::size(kCodeRuleCases); ++i)
            QTest::newRow(kCodeRuleCases[i].name) << static_cast<int>(i);
    }

    void codeFilesHeldToTheRules()
    {
        QFETCH(int, row);
        const CodeRuleCase& rule = kCodeRuleCases[row];
        QVERIFY(virtualPcsc().insertProfile(QStringLiteral("Reader A"), kTypical));
        const std::string file = codeFile("code", rule.code);
        // Each code goes where the command line takes it: the option, then the command.
        const std::map<SecretKind, std::vector<std::string>> lines = {
            {SecretKind::Pin1, {"--pin-file", "info"}},
            {SecretKind::Pin2, {"--pin-file", "pin", "change", "--chv", "2"}},
            {SecretKind::Puk1, {"--puk-file", "pin", "unblock"}},
            {SecretKind::Puk2, {"--puk-file", "pin", "unblock", "--chv", "2"}},
        };
        const std::string option = lines.at(rule.kind).front();
        std::vector<std::string> arguments(lines.at(rule.kind).begin() + 1,
                                           lines.at(rule.kind).end());
        arguments.insert(arguments.end(), {option, file});
        const Run result = run(arguments);
        if (rule.accepted) {
            QVERIFY(result.err.find(codeRuleWords(rule.kind)) == std::string::npos);
            QVERIFY(!virtualPcsc().commands().isEmpty());
        } else {
            QCOMPARE(result.status, 1);
            QCOMPARE(result.err, "phonara-cli: " + option + ": " + codeRuleWords(rule.kind) + "\n");
            QVERIFY(virtualPcsc().commands().isEmpty());
        }
    }

    // With one attempt left, a (wrong) code from a file is not sent unless
    // --allow-last-attempt says so: the card's counter stays as it was.
    void lastAttemptFromFile_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("chv");
        QTest::addColumn<bool>("puk");
        QTest::addColumn<int>("triesBefore");
        QTest::addColumn<int>("triesAfter");
        const auto row = [](const char* name, const char* card, QStringList arguments, int chv,
                            bool puk, int before, int after) {
            QTest::newRow(name) << profile(card) << arguments << chv << puk << before << after;
        };
        row("PIN1, 2 left: tried", "tries-2", {"info", "--pin-file", "PIN"}, 1, false, 2, 1);
        row("PIN1, 1 left: refused", "tries-1", {"info", "--pin-file", "PIN"}, 1, false, 1, 1);
        row("PIN1, 1 left, allowed: tried", "tries-1",
            {"info", "--pin-file", "PIN", "--allow-last-attempt"}, 1, false, 1, 0);
        row("PIN2, 1 left: refused", "tries-1",
            {"pin", "change", "--chv", "2", "--pin-file", "PIN", "--new-pin-file", "NEW"}, 2, false,
            1, 1);
        row("PUK1, 1 left: refused", "pin1-blocked-puk1-1",
            {"pin", "unblock", "--puk-file", "PUK", "--new-pin-file", "NEW"}, 1, true, 1, 1);
        row("PUK1, 1 left, allowed: tried", "pin1-blocked-puk1-1",
            {"pin", "unblock", "--puk-file", "PUK", "--new-pin-file", "NEW",
             "--allow-last-attempt"},
            1, true, 1, 0);
        row("PUK2, 1 left: refused", "pin2-blocked-puk2-1",
            {"pin", "unblock", "--chv", "2", "--puk-file", "PUK", "--new-pin-file", "NEW"}, 2, true,
            1, 1);
    }

    void lastAttemptFromFile()
    {
        QFETCH(QString, card);
        QFETCH(QStringList, arguments);
        QFETCH(int, chv);
        QFETCH(bool, puk);
        QFETCH(int, triesBefore);
        QFETCH(int, triesAfter);
        const auto sim = virtualPcsc().insertProfile(QStringLiteral("Reader A"), card);
        QVERIFY(sim);
        const auto tries = [&] { return puk ? sim->chv(chv).unblockTries : sim->chv(chv).tries; };
        QCOMPARE(tries(), triesBefore);
        // Wrong codes that follow the rules: a try that is sent is used up.
        const std::map<QString, std::string> files = {
            {"PIN", codeFile("pin", "9999")},
            {"PUK", codeFile("puk", "11112222")},
            {"NEW", codeFile("new", "4321")},
        };
        std::vector<std::string> line;
        for (const QString& argument : arguments)
            line.push_back(files.count(argument) ? files.at(argument) : argument.toStdString());
        const Run result = run(line);
        QCOMPARE(result.status, 1);
        QCOMPARE(tries(), triesAfter);
        QCOMPARE(codesSent(), triesBefore - triesAfter);
        if (triesAfter == triesBefore)
            QVERIFY(result.err.find("--allow-last-attempt") != std::string::npos);
    }

    // What the card answers to a code decides the words and the exit status; the
    // desktop flows are checked against the same table.
    void codeAnswers_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < std::size(kCodeAnswerCases); ++i)
            QTest::newRow(kCodeAnswerCases[i].name) << static_cast<int>(i);
    }

    void codeAnswers()
    {
        QFETCH(int, row);
        const CodeAnswerCase& c = kCodeAnswerCases[row];
        const auto card =
            virtualPcsc().insertProfile(QStringLiteral("Reader A"), profile(c.profile));
        QVERIFY(card);
        if (*c.faultCommand != '\0') {
            vsim::Fault fault;
            fault.commandPrefix = vsim::fromHex(QString::fromLatin1(c.faultCommand)).value();
            fault.action =
                c.faultSw != 0 ? vsim::Fault::Action::StatusWord : vsim::Fault::Action::Remove;
            fault.statusWord = c.faultSw;
            card->faults().append(fault);
        }
        const std::string action = c.action;
        std::vector<std::string> arguments{"pin", action, "--allow-last-attempt"};
        if (c.chv == 2)
            arguments.insert(arguments.end(), {"--chv", "2"});
        arguments.insert(arguments.end(), {action == "unblock" ? "--puk-file" : "--pin-file",
                                           codeFile("code", c.code)});
        if (action == "unblock" || action == "change")
            arguments.insert(arguments.end(), {"--new-pin-file", codeFile("new", "4321")});
        const Run result = run(arguments);
        QCOMPARE(result.status, c.exitStatus);
        QVERIFY2(result.err.find(c.message) != std::string::npos, result.err.c_str());
    }

    // The card's names and numbers reach the log only when its first byte is 9.
    void namesOnlyAtLevelNine_data()
    {
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<bool>("names");
        QTest::newRow("empty file (card traces)") << QByteArray() << false;
        QTest::newRow("5, information") << QByteArray("5") << false;
        QTest::newRow("9, debugging") << QByteArray("9") << true;
    }

    void namesOnlyAtLevelNine()
    {
        QFETCH(QByteArray, level);
        QFETCH(bool, names);
        QVERIFY(virtualPcsc().insertProfile(QStringLiteral("Reader A"), kTypical));
        setLogSearchHomeOnly(true);
        resetLogState();
        const QString log = QDir::homePath() + "/VM_Phonar.log";
        QFile file(log);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(level);
        file.close();
        QCOMPARE(openLog("Phonar"), 1);
        const std::string out = m_dir.filePath(QStringLiteral("logged.phn")).toStdString();
        const Run read = run({"read", out, "--pin-file", codeFile("pin", "1234")});
        resetLogState();
        QCOMPARE(read.status, 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.contains("connect_to_reader"));
        // The first contact of the card, and the traces that carry names.
        QCOMPARE(written.contains("Anna Schmidt"), names);
        QCOMPARE(written.contains("Name=") || written.contains("Name:"), names);
    }
};

QTEST_GUILESS_MAIN(TestCliCard)
#include "TestCliCard.moc"
