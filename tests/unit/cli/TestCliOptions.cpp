#include "card/flows/CardSession.h"
#include "cli/CliOptions.h"
#include "cli/ReaderFilter.h"
#include "cli/SecretInput.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>

namespace {

std::vector<std::string> words(const QString& line)
{
    std::vector<std::string> result;
    for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        result.push_back(word.toStdString());
    return result;
}

// The parsed line as one text, naming only what was set.
QString summary(const CliOptions& o)
{
    QStringList parts;
    const auto add = [&](const char* name, const std::string& value) {
        if (!value.empty())
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name),
                                                 QString::fromStdString(value));
    };
    parts << QString::number(static_cast<int>(o.command));
    if (o.help)
        parts << QStringLiteral("help");
    add("in", o.input);
    add("out", o.output);
    add("reader", o.reader);
    add("pin", o.pinFile);
    add("pin2", o.pin2File);
    add("new", o.newPinFile);
    add("puk", o.pukFile);
    if (o.writeMode)
        parts << QStringLiteral("mode=%1").arg(static_cast<int>(*o.writeMode));
    add("select", o.selectList);
    if (o.assumeYes)
        parts << QStringLiteral("yes");
    if (o.command == CliCommand::Pin)
        parts << QStringLiteral("action=%1 chv=%2").arg(static_cast<int>(o.pinAction)).arg(o.chv);
    if (o.nameField || o.numberField)
        parts << QStringLiteral("fields=%1,%2")
                     .arg(o.nameField ? QString::number(*o.nameField) : "-")
                     .arg(o.numberField ? QString::number(*o.numberField) : "-");
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestCliOptions : public QObject
{
    Q_OBJECT

private slots:
    // The parsed line, or the words a refused line is answered with.
    void lines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        // Commands: 1 readers, 2 info, 3 read, 4 write, 5 pin, 6 convert.
        // Pin actions: 0 change, 1 enable, 2 disable, 3 unblock. Modes 10-14.
        QTest::newRow("readers") << "readers"
                                 << "1";
        QTest::newRow("info") << "info --reader R --pin-file p"
                              << "2 reader=R pin=p";
        QTest::newRow("values after =") << "info --reader=R --pin-file=p"
                                        << "2 reader=R pin=p";
        QTest::newRow("read") << "read out.phn --pin-file p"
                              << "3 out=out.phn pin=p";
        QTest::newRow("operand after --") << "read -- --odd.phn"
                                          << "3 out=--odd.phn";
        QTest::newRow("write all") << "write in.phn --mode all"
                                   << "4 in=in.phn mode=0";
        QTest::newRow("write selected")
            << "write in.csv --mode selected --select 2,5-7 --yes --pin2-file q --name-field 1 "
               "--number-field 0"
            << "4 in=in.csv pin2=q mode=1 select=2,5-7 yes fields=1,0";
        QTest::newRow("write add") << "write --mode add in.phn"
                                   << "4 in=in.phn mode=2";
        QTest::newRow("write add-selected") << "write a --mode add-selected --select 1"
                                            << "4 in=a mode=3 select=1";
        QTest::newRow("write clear") << "write a --mode clear --yes"
                                     << "4 in=a mode=4 yes";
        QTest::newRow("pin change") << "pin change --pin-file p --new-pin-file n"
                                    << "5 pin=p new=n action=0 chv=1";
        QTest::newRow("pin disable") << "pin disable"
                                     << "5 action=2 chv=1";
        QTest::newRow("pin2 unblock") << "pin unblock --chv 2 --puk-file k --new-pin-file n"
                                      << "5 new=n puk=k action=3 chv=2";
        QTest::newRow("convert") << "convert a.csv b.phn --number-field 0 --name-field 2"
                                 << "6 in=a.csv out=b.phn fields=2,0";
        QTest::newRow("command help") << "write --help"
                                      << "4 help";
        QTest::newRow("help ignores the rest") << "pin frobnicate --help"
                                               << "5 help action=0 chv=1";
        QTest::newRow("program help") << "--help"
                                      << "0 help";
        QTest::newRow("nothing") << ""
                                 << "refused: missing command";
        QTest::newRow("unknown command") << "frob"
                                         << "refused: unknown command 'frob'";
        QTest::newRow("no output") << "read"
                                   << "refused: missing the output file OUT";
        QTest::newRow("two outputs") << "read a b"
                                     << "refused: unexpected argument 'b'";
        QTest::newRow("option of another command") << "read a --mode all"
                                                   << "refused: unknown option '--mode'";
        QTest::newRow("secret on the line") << "read a --pin 1234"
                                            << "refused: unknown option '--pin'";
        QTest::newRow("no mode") << "write a"
                                 << "refused: missing --mode";
        QTest::newRow("bad mode")
            << "write a --mode most"
            << "refused: unknown write mode 'most' (all, selected, add, add-selected "
               "or clear)";
        QTest::newRow("selected without list")
            << "write a --mode selected"
            << "refused: --mode selected and add-selected need --select";
        QTest::newRow("list without selected")
            << "write a --mode add --select 1"
            << "refused: --select goes only with --mode selected or "
               "add-selected";
        QTest::newRow("no pin action") << "pin"
                                       << "refused: missing the action: change, enable, disable or "
                                          "unblock";
        QTest::newRow("bad pin action")
            << "pin reset"
            << "refused: unknown PIN action 'reset' (change, enable, disable or "
               "unblock)";
        QTest::newRow("pin2 enable") << "pin enable --chv 2"
                                     << "refused: PIN2 can only be changed or unblocked";
        QTest::newRow("bad chv") << "pin change --chv 3"
                                 << "refused: --chv takes 1 or 2, not '3'";
        QTest::newRow("value missing") << "read a --pin-file"
                                       << "refused: --pin-file needs a value";
        QTest::newRow("empty value") << "read a --pin-file="
                                     << "refused: --pin-file needs a value";
        QTest::newRow("value for a flag") << "write a --mode all --yes=1"
                                          << "refused: --yes takes no value";
        QTest::newRow("field not a number")
            << "convert a b --name-field x"
            << "refused: --name-field takes a field number from 0, not 'x'";
        QTest::newRow("same field twice")
            << "convert a b --number-field 2 --name-field 2"
            << "refused: --name-field and --number-field must name different "
               "fields";
        QTest::newRow("version and more") << "--version now"
                                          << "refused: unexpected argument 'now'";
    }

    void lines()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        const CliParseResult result = parseCliArguments(words(line));
        QCOMPARE(result.ok ? summary(result.options)
                           : "refused: " + QString::fromStdString(result.error),
                 expected);
    }

    void selection_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("rows"); // 0-based
        QTest::newRow("places and a range") << "2,5-7" << 10 << true << "1 4 5 6";
        QTest::newRow("repeats and order") << "3,1,3,2-3" << 5 << true << "0 1 2";
        QTest::newRow("last place") << "5" << 5 << true << "4";
        QTest::newRow("one-place range") << "1-1" << 1 << true << "0";
        QTest::newRow("place 0") << "0" << 5 << false << "";
        QTest::newRow("past the end") << "4-6" << 5 << false << "";
        QTest::newRow("backwards range") << "3-2" << 5 << false << "";
        QTest::newRow("empty") << "" << 5 << false << "";
        QTest::newRow("empty item") << "1,,2" << 5 << false << "";
        QTest::newRow("open range") << "2-" << 5 << false << "";
        QTest::newRow("blank") << "1, 2" << 5 << false << "";
        QTest::newRow("empty book") << "1" << 0 << false << "";
    }

    void selection()
    {
        QFETCH(QString, list);
        QFETCH(int, count);
        QFETCH(bool, ok);
        QFETCH(QString, rows);
        std::vector<uint32_t> chosen;
        std::string error;
        QCOMPARE(parseSelection(list.toStdString(), static_cast<uint32_t>(count), chosen, error),
                 ok);
        QCOMPARE(error.empty(), ok);
        QStringList text;
        for (uint32_t row : chosen)
            text << QString::number(row);
        QCOMPARE(text.join(QLatin1Char(' ')), rows);
    }

    void secretFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("line end") << QByteArray("1234\n") << true << QByteArray("1234");
        QTest::newRow("CR LF and more lines")
            << QByteArray("0000\r\nsecond\n") << true << QByteArray("0000");
        QTest::newRow("no line end") << QByteArray("12345678") << true << QByteArray("12345678");
        QTest::newRow("blanks are part of it")
            << QByteArray(" 12 \n") << true << QByteArray(" 12 ");
        QTest::newRow("empty file") << QByteArray() << false << QByteArray();
        QTest::newRow("empty first line") << QByteArray("\n1234\n") << false << QByteArray();
        // Kept to the line limit, which no rule accepts: refused later, never used.
        QTest::newRow("overlong line") << QByteArray(100, '7') + "\n"
                                       << true << QByteArray(64, '7');
    }

    void secretFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, ok);
        QFETCH(QByteArray, code);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("pin")).toStdString();
        std::ofstream(path, std::ios::binary).write(contents.constData(), contents.size());
        std::string error;
        const std::optional<OwnedText> secret = readSecretFile(path, error);
        QCOMPARE(secret.has_value(), ok);
        if (ok)
            QCOMPARE(QByteArray(secret->view().data(), static_cast<qsizetype>(secret->length())),
                     code);
        else
            QVERIFY(!error.empty());
        QVERIFY(!readSecretFile(path + ".missing", error));
        QVERIFY(error.find(path + ".missing") != std::string::npos);
    }

    void readerNames_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("exact") << "Alpha Reader 00 01"
                               << "Alpha Reader 00 01";
        QTest::newRow("unique prefix") << "Beta"
                                       << "Beta Reader 00 00";
        QTest::newRow("ambiguous prefix") << "Alpha"
                                          << "";
        QTest::newRow("exact beats prefix") << "Gamma"
                                            << "Gamma";
        QTest::newRow("unknown") << "Delta"
                                 << "";
        QTest::newRow("not a substring match") << "Reader"
                                               << "";
    }

    void readerNames()
    {
        QFETCH(QString, wanted);
        QFETCH(QString, chosen);
        const std::vector<std::string> names = {"Alpha Reader 00 00", "Alpha Reader 00 01",
                                                "Beta Reader 00 00", "Gamma", "Gamma Two"};
        QCOMPARE(QString::fromStdString(matchReaderName(names, wanted.toStdString())), chosen);
    }

    // The usage shown with a usage error is the first paragraph of the
    // command's help. (The help's words are checked by phonara-cli's tests.)
    void usageIsTheHelpsFirstParagraph()
    {
        for (const char* name : {"readers", "info", "read", "write", "pin", "convert"}) {
            const std::string usage = cliUsage(cliCommandByName(name));
            QVERIFY(usage.starts_with(std::string("Usage: phonara-cli ") + name));
            QVERIFY(usage.find("\n\n") == std::string::npos);
        }
    }
};

QTEST_GUILESS_MAIN(TestCliOptions)
#include "TestCliOptions.moc"
