#include "ScriptedUserInterface.h"
#include "files/AdrFile.h"
#include "phonebook/PhoneBook.h"

#include <QTest>

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kTag = "<{[This is Adr File]}>";

// A record of L bytes: name bytes, then at A the length, TON/NPI and digits,
// CCP at L-2, everything else 0xFF.
std::string record(int length, int nameLength, const std::string& name, uint8_t tonNpi,
                   const std::string& digits, uint8_t ccp = 0xFF)
{
    std::string r(static_cast<std::size_t>(length), '\xFF');
    r.replace(0, name.size(), name);
    r[static_cast<std::size_t>(nameLength)] = static_cast<char>(digits.size() + 1);
    r[static_cast<std::size_t>(nameLength) + 1] = static_cast<char>(tonNpi);
    r.replace(static_cast<std::size_t>(nameLength) + 2, digits.size(), digits);
    r[static_cast<std::size_t>(length) - 2] = static_cast<char>(ccp);
    return r;
}

// "name|number|TON/NPI|CCP|sequence" of every contact, then the next sequence.
QStringList summary(const PhoneBook& book)
{
    QStringList rows;
    for (const Contact& c : book.contacts)
        rows << QStringLiteral("%1|%2|%3|%4|%5")
                    .arg(QString::fromLatin1(c.heldName().data(), qsizetype(c.heldName().size())),
                         QString::fromLatin1(c.numberText().data(),
                                             qsizetype(c.numberText().size())))
                    .arg(c.tonNpi, 0, 16)
                    .arg(c.ccp)
                    .arg(c.sequence);
    rows << QStringLiteral("next %1").arg(book.nextSequence);
    return rows;
}

} // namespace

class TestAdrFile : public QObject
{
    Q_OBJECT

private slots:
    void nameLength()
    {
        QCOMPARE(adrNameLength(33), 19); // 33 - 24 = 9 is below 10
        QCOMPARE(adrNameLength(34), 10);
    }

    // A book of five rows and lengths left from before reads a file; a file
    // that is refused (no lengths) empties the book and says so.
    void reads_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<int>("recordLength");
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<QStringList>("book");
        const auto row = [](const char* name, const std::string& file, int recordLength,
                            int nameLength, const QStringList& book) {
            QTest::newRow(name) << file << recordLength << nameLength << book;
        };
        const std::string shortCount = std::string("\x1C\x03", 2) + kTag;
        const std::string anna = record(28, 14, "Anna", 0x91, "\x21\x43\xF5", 7);
        // "J", GSM 0x7C (o with diaeresis), "rg"; then a name of 0xFF only with
        // all ten digit bytes of a standard record, and no further (CCP, extension).
        row("short count",
            shortCount + anna + record(28, 14, "J\x7Crg", 0x81, "\x10\x32") +
                record(28, 14, "", 0x81, std::string(10, '\x99')),
            28, 14,
            {"Anna|+12345|91|7|0", u"J\u00F6rg|0123|81|255|1"_qs, "|99999999999999999999|81|255|2",
             "next 4"});
        row("long count",
            std::string("\x1C\x00\x01\x00\x00\x00", 6) + kTag + record(28, 14, "Bob", 0x81, "\x21"),
            28, 14, {"Bob|12|81|255|0", "next 2"});
        // L = 40: 16 name bytes, then 20 digit bytes up to the CCP at 38.
        row("long records",
            std::string("\x28\x01", 2) + kTag +
                record(40, 16, "Sixteen chars ok", 0x81, std::string(20, '\x21'), 3),
            40, 16, {"Sixteen chars ok|" + QString("12").repeated(20) + "|81|3|0", "next 2"});
        // Claims 3 records; the second stops after its name; the rest are missing.
        row("cut short", shortCount + anna + "Bo", 28, 14,
            {"Anna|+12345|91|7|0", "Bo||ff|255|1", "next 3"});
        row("count far beyond the records",
            std::string("\x1C\x00\xFF\xFF\xFF\xFF", 6) + kTag + anna, 28, 14,
            {"Anna|+12345|91|7|0", "next 2"});
        std::string wrongTag = kTag;
        wrongTag[4] = 'a'; // one character changed
        row("tag with a lower-case a", std::string("\x1C\x01", 2) + "<{[This is adr File]}>" + anna,
            0, 0, {});
        row("tag changed", std::string("\x1C\x01", 2) + wrongTag, 0, 0, {});
        row("records too short", std::string("\x0D\x01", 2) + kTag, 0, 0, {});
        row("empty", std::string(), 0, 0, {});
    }

    void reads()
    {
        QFETCH(std::string, file);
        QFETCH(int, recordLength);
        QFETCH(int, nameLength);
        QFETCH(QStringList, book);
        PhoneBook read;
        read.contacts.resize(5);
        read.contacts[3].setName("stale");
        read.nextSequence = 50;
        uint32_t readRecordLength = 9;
        uint32_t readNameLength = 9;
        ScriptedUserInterface ui;
        QCOMPARE(readAdrBytes(file, read, readRecordLength, readNameLength, ui), recordLength != 0);
        QCOMPARE(int(readRecordLength), recordLength);
        QCOMPARE(int(readNameLength), nameLength);
        if (recordLength != 0) {
            QCOMPARE(summary(read), book);
            QVERIFY(ui.messages.empty());
        } else {
            QCOMPARE(read.contactCount(), 0u);
            QCOMPARE(ui.messageIds(), std::vector<int>{26});
        }
    }

    void readsFromDisk()
    {
        PhoneBook book;
        uint32_t recordLength = 0;
        uint32_t nameLength = 0;
        ScriptedUserInterface ui;
        QVERIFY(openAdrFile(PHONARA_TEST_DATA "/files/short-count.adr", book, recordLength,
                            nameLength, ui));
        QCOMPARE(book.contactCount(), 2u);
        QCOMPARE(book.contacts[0].numberText(), std::string_view("+12345"));
        QVERIFY(!openAdrFile("/nonexistent/file.adr", book, recordLength, nameLength, ui));
        QCOMPARE(ui.messageIds(), std::vector<int>{25});
    }
};

QTEST_GUILESS_MAIN(TestAdrFile)
#include "TestAdrFile.moc"
