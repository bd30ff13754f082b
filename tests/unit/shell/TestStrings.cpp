#include "ScriptedUserInterface.h"
#include "shell/StringTable.h"
#include "shell/Strings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <cstring>
#include <set>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestStrings : public QObject
{
    Q_OBJECT

private slots:
    void init() { unloadLanguageLibrary(); }
    void cleanupTestCase() { unloadLanguageLibrary(); }

    void builtInTexts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("text");

        // A few texts whose blanks, quotes, format fields and characters are
        // easy to lose; the card, file and transfer tests compare many more
        // byte for byte.
        QTest::newRow("3 line break")
            << 3
            << QByteArray("If you read contacts from SIM Card you will lost all your "
                          "changes.\nDo you want to save all changes to SIM Card?");
        QTest::newRow("42 quotes around a field")
            << 42 << QByteArray("Cannot find the string \"%s\"!");
        QTest::newRow("46 leading and trailing blanks")
            << 46 << QByteArray(" Add new contact to Phone Book ");
        QTest::newRow("50 inner blanks")
            << 50 << QByteArray("(digits and symbols   + ,  * ,  #  , p)");
        QTest::newRow("113 typographic apostrophe")
            << 113 << QByteArray("&Don\xE2\x80\x99t show this dialog again.");
        QTest::newRow("137 two blanks")
            << 137
            << QByteArray(
                   "The \"%s\" extension is not currently associated with the  \"%s\", click "
                   "OK to associate the file, otherwise click Cancel.");
        QTest::newRow("2526") << 2526
                              << QByteArray("The PIN you entered does not match!\nRe-enter the new "
                                            "PIN in \"Confirmation\" text box.");
        QTest::newRow("unknown id gives empty text") << 8 << QByteArray("");
        QTest::newRow("id 0") << 0 << QByteArray("");
    }

    void builtInTexts()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray(loadResString(id)), text);
        QCOMPARE(QByteArray::fromStdString(resString(id)), text);
    }

    void tableShape()
    {
        const auto table = builtInStrings();
        std::set<int> ids;
        for (const BuiltInString& entry : table) {
            // 800-839: writes (800-829 is full); 1900-1999: the USIM phone book and the card kind.
            QVERIFY2((entry.id >= 1 && entry.id <= 183) || (entry.id >= 300 && entry.id <= 419) ||
                         (entry.id >= 760 && entry.id <= 789) ||
                         (entry.id >= 800 && entry.id <= 839) ||
                         (entry.id >= 1900 && entry.id <= 1999) ||
                         (entry.id >= 2000 && entry.id <= 2543),
                     qPrintable(QString::number(entry.id)));
            QVERIFY2(std::strlen(entry.text) > 0, qPrintable(QString::number(entry.id)));
            QVERIFY(ids.insert(entry.id).second);
        }
        // Texts the program's own code names must be there.
        for (int id : {1, 2, 45, 99, 102, 126, 167, 170, 183, 2002, 2010, 2403, 2526}) {
            QVERIFY(ids.count(id) == 1);
        }
    }

    void cutToSize_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("size 3 keeps 2") << 99 << 3 << QByteArray("Na");
        QTest::newRow("exact fit") << 99 << 5 << QByteArray("Name");
        QTest::newRow("size 1 empty") << 99 << 1 << QByteArray("");
        QTest::newRow("-1 means 1024") << 2411 << -1 << QByteArray("PIN is changed successfully!");
        // U+2019 takes three bytes; a cut never splits it.
        QTest::newRow("inside a character") << 113 << 6 << QByteArray("&Don");
        QTest::newRow("after a character") << 113 << 8 << QByteArray("&Don\xE2\x80\x99");
    }

    void cutToSize()
    {
        QFETCH(int, id);
        QFETCH(int, size);
        QFETCH(QByteArray, text);
        char buffer[1100];
        std::memset(buffer, 'x', sizeof buffer);
        QCOMPARE(loadResString(id, buffer, size), buffer);
        QCOMPARE(QByteArray(buffer), text);
    }

    void formatIntoSmallOrSharedBuffer()
    {
        char buffer[12];
        QCOMPARE(QByteArray(formatResString(2410, buffer, sizeof buffer, 7)),
                 QByteArray("There are 7"));
        // "File" is loaded into the shared buffer and formatted into it.
        const char* text = formatResString1(2518, loadResString(2324), nullptr, -1);
        QCOMPARE(QByteArray(text), QByteArray("An error occurred while loading File!"));
    }

    void catalogueOverridesSomeIds()
    {
        const QString path = qEnvironmentVariable("PHONARA_TEST_TMP") + "/lang/pna_lang.ini";
        writeFile(path,
                  "\xEF\xBB\xBF; Finnish texts\r\n"
                  "[Strings]\r\n"
                  "99=Nimi\r\n"
                  "100 = Numero\r\n"
                  "2504=\r\n"
                  "46=\" Lis\xC3\xA4\xC3\xA4 uusi \"\r\n"
                  "3=Rivi yksi\\nRivi kaksi\r\n"
                  "113=&\xC3\x84l\xC3\xA4 n\xC3\xA4yt\xC3\xA4 t\xC3\xA4t\xC3\xA4 uudelleen.\r\n"
                  "[Other]\r\n"
                  "101=Leikkaa\r\n");
        QVERIFY(loadLanguageCatalogue(path.toStdString()));
        QVERIFY(languageCatalogueLoaded());

        QCOMPARE(QByteArray(loadResString(99)), QByteArray("Nimi"));
        QCOMPARE(QByteArray(loadResString(100)), QByteArray("Numero"));
        QCOMPARE(QByteArray(loadResString(46)), QByteArray(" Lis\xC3\xA4\xC3\xA4 uusi "));
        QCOMPARE(QByteArray(loadResString(3)), QByteArray("Rivi yksi\nRivi kaksi"));
        QCOMPARE(QString::fromStdString(resString(113)),
                 QString::fromUtf8("&Älä näytä tätä uudelleen."));
        // Empty text, another section, or no entry: the built-in text.
        QCOMPARE(QByteArray(loadResString(2504)), QByteArray("The PIN you entered is incorrect!"));
        QCOMPARE(QByteArray(loadResString(101)), QByteArray("Cut"));
        QCOMPARE(QByteArray(loadResString(102)), QByteArray("Change PIN"));

        unloadLanguageLibrary();
        QVERIFY(!languageCatalogueLoaded());
        QCOMPARE(QByteArray(loadResString(99)), QByteArray("Name"));
        QVERIFY(!loadLanguageCatalogue(path.toStdString() + ".missing"));
    }

    void catalogueFromDataFolder()
    {
        const QString dataHome =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(dataHome.startsWith(qEnvironmentVariable("PHONARA_TEST_TMP", "?")));
        const QString path = dataHome + "/phonara/pna_lang.ini";
        writeFile(path, "[Strings]\n2002=Peruuta\n");
        QVERIFY(loadLanguageLibrary("pna"));
        QVERIFY(languageCatalogueLoaded());
        QCOMPARE(QByteArray(loadResString(2002)), QByteArray("Peruuta"));
        QCOMPARE(QByteArray(loadResString(2010)), QByteArray("&OK"));
        QVERIFY(QFile::remove(path));

        // Without a catalogue the built-in texts are used.
        unloadLanguageLibrary();
        QVERIFY(loadLanguageLibrary("pna"));
        QVERIFY(!languageCatalogueLoaded());
        QCOMPARE(QByteArray(loadResString(2002)), QByteArray("Cancel"));
    }

    void informShowsFormattedText()
    {
        ScriptedUserInterface ui;
        ui.inform(2410, 2);
        QCOMPARE(ui.messages.size(), std::size_t(1));
        const UserInterface::Message& shown = ui.messages[0];
        QCOMPARE(shown.id, 2410);
        QCOMPARE(shown.text, std::string("There are 2 attempts remaining!"));
        QCOMPARE(shown.icon, UserInterface::Icon::Information);
        QCOMPARE(shown.buttons, UserInterface::Buttons::Ok);
        QCOMPARE(shown.caption, std::string("Phonara"));
    }
};

QTEST_GUILESS_MAIN(TestStrings)
#include "TestStrings.moc"
