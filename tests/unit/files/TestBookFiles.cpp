#include "ScriptedUserInterface.h"
#include "files/AdrFile.h"
#include "files/PhnFile.h"
#include "files/ProfileFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kTwoEntries = "[Version]\r\nformat=phn\r\nversion=1\r\n"
                                "[Address Book]\r\nContact=Name,Phone,CCP,TON_NPI\r\nitems=2\r\n"
                                "Name1=Anna\r\nPhone1=+447\r\nCCP1=255\r\nTON_NPI1=145\r\n"
                                "Name2=Office\r\nPhone2=012\r\nCCP2=255\r\nTON_NPI2=129\r\n"
                                "[Fixed dialling numbers]\r\nContact=Name,Phone,CCP,TON_NPI\r\n"
                                "items=0\r\n"
                                "[Last number dialled]\r\nContact=Name,Phone,CCP,TON_NPI\r\n"
                                "items=0\r\n";

std::string header(const std::string& addressBook)
{
    return "[Version]\r\nformat=phn\r\nversion=1\r\n[Address Book]\r\n" + addressBook;
}

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

class TestBookFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    // The profile-file engine under the .phn reader and writer.
    void readString_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("found");
        QTest::addColumn<std::string>("value");

        const std::string twice = "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n";
        const auto row = [](const char* tag, const std::string& file, const char* section,
                            const char* key, int capacity, bool found, const char* value) {
            QTest::newRow(tag) << file << QString(section) << QString(key) << capacity << found
                               << std::string(value);
        };
        row("first key wins", twice, "A", "k", 520, true, "1");
        row("second section unseen", twice, "a", "j", 520, false, "");
        row("blanks trimmed", " [ A ] \r\n\t k  =  v w \t\r\n", "A", "k", 520, true, "v w");
        row("double quotes", "[A]\r\nk=\"  x \"\r\n", "A", "k", 520, true, "  x ");
        row("single quotes", "[A]\r\nk='y'\r\n", "A", "k", 520, true, "y");
        row("unmatched quote", "[A]\r\nk=\"z\r\n", "A", "k", 520, true, "\"z");
        row("cut to capacity", "[A]\r\nk=abcdef\r\n", "A", "k", 4, true, "abc");
        row("equals in value", "[A]\r\nk=a=b\r\n", "A", "k", 520, true, "a=b");
        row("lone CR line ends", "[A]\rk=1\r[B]\rk=2\r", "B", "k", 520, true, "2");
        row("key of another section", "[A]\r\nk=1\r\n[B]\r\n", "B", "k", 520, false, "");
        row("key before any section", "k=1\r\n[A]\r\n", "A", "k", 520, false, "");
        row("missing section", "[A]\r\nk=1\r\n", "C", "k", 520, false, "");
        row("empty value", "[A]\r\nk=\r\n", "A", "k", 520, true, "");
        row("windows-1252 bytes kept", "[A]\r\nk=J\xF6rg\r\n", "A", "k", 520, true, "J\xF6rg");
    }

    void readString()
    {
        QFETCH(std::string, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, capacity);
        QFETCH(bool, found);
        QFETCH(std::string, value);

        const ProfileFile profile = ProfileFile::fromBytes(file);
        const std::optional<std::string> got = profile.readString(
            section.toStdString(), key.toStdString(), static_cast<std::size_t>(capacity));
        QCOMPARE(got.has_value(), found);
        if (found) {
            QCOMPARE(*got, value);
        }
    }

    void writeUpdatesInPlaceAndAppends()
    {
        ProfileFile profile = ProfileFile::fromBytes("[One]\nKey=old\nb=2\n[Two]\nc=3\n");
        profile.writeString("ONE", "key", "new"); // in place, the file's spelling kept
        profile.writeString("one", "d", "4");     // appended to its section
        profile.writeString("Three", "e", "5");   // new section at the end
        profile.writeString("Three", "f", "6");
        profile.writeString("One", "g", "7");    // lines move below it
        profile.appendString("Three", "h", "8"); // still the last section
        QCOMPARE(profile.toBytes(),
                 std::string("[One]\r\nKey=new\r\nb=2\r\nd=4\r\ng=7\r\n[Two]\r\nc=3\r\n"
                             "[Three]\r\ne=5\r\nf=6\r\nh=8\r\n"));
        // Written keys are found again, also after lines moved.
        QCOMPARE(profile.readString("two", "C").value_or("?"), std::string("3"));
        QCOMPARE(profile.readString("One", "D").value_or("?"), std::string("4"));

        // A file written from its start by appending is the one writeString makes.
        ProfileFile appended;
        for (const auto& [section, key] : {std::pair{"One", "Key"}, {"one", "b"}, {"Two", "c"}})
            appended.appendString(section, key, " v ");
        QCOMPARE(appended.toBytes(),
                 std::string("[One]\r\nKey= v \r\nb= v \r\n[Two]\r\nc= v \r\n"));
        QCOMPARE(appended.readString("two", "C").value_or("?"), std::string("v"));

        // The index grows past its first size as keys are added: every key is
        // still found, also out of file order (which only the index serves).
        ProfileFile grown;
        for (int n = 0; n < 500; ++n)
            grown.writeString("S", "k" + std::to_string(n), std::to_string(n));
        for (int n = 499; n >= 0; --n)
            QCOMPARE(grown.readString("S", "k" + std::to_string(n)).value_or("?"),
                     std::to_string(n));
    }

    void writeKeepsBomAndBlankLines()
    {
        ProfileFile profile = ProfileFile::fromBytes("\xEF\xBB\xBF[A]\r\nx=1\r\n\r\n[B]\r\n");
        QVERIFY(profile.hasUtf8Bom());
        profile.writeString("A", "y", "2");
        QCOMPARE(profile.toBytes(), std::string("\xEF\xBB\xBF[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\n"));
    }

    // Read from the disk with empty side books of 40 entries.
    void twoEntryFileFromDisk()
    {
        const std::string path = m_dir.filePath("two.phn").toStdString();
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kTwoEntries.data(), qint64(kTwoEntries.size()));
        file.close();
        PhoneBook back;
        SideBooks sides;
        sides.fdn[0].name.assign("kept");
        QCOMPARE(loadPhnFile(path, &back, sides.fdn.data(), sides.fdnCount, sides.lnd.data(),
                             sides.lndCount),
                 1);
        QCOMPARE(summary(back),
                 (QStringList{"Anna|+447|91|255|0", "Office|012|81|255|1", "next 3"}));
        // Side books: read with their own counts; no keys, so texts stay, marks reset.
        QCOMPARE(sides.fdn[0].name.view(), std::string_view("kept"));
        QCOMPARE(sides.fdn[5].recordIndex, 5);

        // An empty or missing file is an empty book: nothing is replaced.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.close();
        QCOMPARE(loadPhnFile(path, &back, nullptr, 0, nullptr, 0), 1);
        QCOMPARE(
            loadPhnFile(m_dir.filePath("missing.phn").toStdString(), &back, nullptr, 0, nullptr, 0),
            1);
        QCOMPARE(back.contactCount(), 2u);
    }

    // A book holding "before" reads a file: the file's contacts, or, for a file
    // it refuses (result 0), the book as it was.
    void reads_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("book");
        const auto row = [](const char* name, const std::string& file, int result,
                            const QStringList& book) {
            QTest::newRow(name) << file << result << book;
        };
        const QStringList before{"before||ff|255|0", "next 1"};
        const std::string anna = "[Address Book]\r\nContact=Name,Phone,CCP,TON_NPI\r\nitems=1\r\n"
                                 "Name1=Anna\r\n";
        // Entries 3 and 7 only (another program's prefixes): two contacts.
        row("sparse entries keep their order",
            header("Contact=Nom,Tel,CCP,TON_NPI\r\nitems=9\r\n"
                   "tel7=0307\r\nNom3=Trois\r\nNom03=not an entry\r\n"),
            1, {"Trois||ff|255|2", "|0307|ff|255|6", "next 8"});
        // -2 is kept as its low 8 bits.
        row("the file's own prefixes",
            header("Contact=Nom, Tel,X,Y\r\nitems=1\r\nNom1=Zoe\r\nTel1=123\r\n"
                   "X1= 7abc\r\nY1=-2\r\nName1=wrong\r\n"),
            1, {"Zoe|123|fe|7|0", "next 2"});
        row("an entry beyond items is not read",
            header("Contact=Name,Phone,CCP,TON_NPI\r\nitems=1\r\nName1=A\r\nName2=B\r\n"), 1,
            {"A||ff|255|0", "next 2"});
        row("empty items: no book",
            header("Contact=Name,Phone,CCP,TON_NPI\r\nitems=\r\nName1=Anna\r\n"), 0, before);
        row("format PHN", "[Version]\r\nformat=PHN\r\nversion=1\r\n" + anna, 0, before);
        row("version 2", "[Version]\r\nformat=phn\r\nversion=2\r\n" + anna, 0, before);
        row("not a profile file", "\x1C\x02<{[This is Adr File]}>", 0, before);
        row("capital section names",
            "[VERSION]\r\nFORMAT=phn\r\nVersion=1\r\n[ADDRESS BOOK]\r\n"
            "Contact=Name,Phone,CCP,TON_NPI\r\nITEMS=1\r\nNAME1=Anna\r\n",
            1, {"Anna||ff|255|0", "next 2"});
        row("no Contact line",
            "[Version]\r\nformat=phn\r\nversion=1\r\n[Address Book]\r\nitems=1\r\nName1=Anna\r\n",
            0, before);
    }

    void reads()
    {
        QFETCH(std::string, file);
        QFETCH(int, result);
        QFETCH(QStringList, book);
        PhoneBook read;
        read.contacts.resize(1);
        read.contacts[0].setName("before");
        QCOMPARE(loadPhnBytes(file, &read, nullptr, 0, nullptr, 0), result);
        QCOMPARE(summary(read), book);
    }

    void sideBooksUseTheirCounts()
    {
        const std::string file = "[Version]\r\nformat=phn\r\nversion=1\r\n"
                                 "[Fixed dialling numbers]\r\nContact=Name,Phone,CCP,TON_NPI\r\n"
                                 "items=1\r\nName1=Police\r\nPhone1=112\r\nName3=Third\r\n";
        SideBooks sides;
        sides.fdn[2].dirty = 1;
        sides.fdn[2].tonNpi = 0x81;
        // The file says 1 entry; the book is read with its count of 3.
        QCOMPARE(loadPhnBytes(file, nullptr, sides.fdn.data(), 3, sides.lnd.data(), 40), 1);
        QCOMPARE(sides.fdn[0].number.view(), std::string_view("112"));
        QCOMPARE(sides.fdn[2].name.view(), std::string_view("Third"));
        QCOMPARE(sides.fdn[2].dirty, 0u);
        QCOMPARE(sides.fdn[2].tonNpi, uint8_t{0xFF});
        QCOMPARE(sides.fdn[2].recordIndex, 2);
        QCOMPARE(sides.fdn[3].recordIndex, -1); // beyond the count: untouched
    }

    void trailingEmptyEntriesAreDropped()
    {
        PhoneBook book;
        book.contacts.resize(6);
        book.contacts[0].setName("A");
        book.contacts[2].setNumber("3"); // row 1 empty in the middle, rows 3-5 empty at the end
        int result = -1;
        const std::string bytes = phnFileBytes(&book, nullptr, 0, nullptr, 0, &result);
        QCOMPARE(result, 1);
        QCOMPARE(bytes, header("Contact=Name,Phone,CCP,TON_NPI\r\nitems=3\r\n"
                               "Name1=A\r\nPhone1=\r\nCCP1=255\r\nTON_NPI1=255\r\n"
                               "Name2=\r\nPhone2=\r\nCCP2=255\r\nTON_NPI2=255\r\n"
                               "Name3=\r\nPhone3=3\r\nCCP3=255\r\nTON_NPI3=255\r\n"));
    }

    void namesThatNeedQuotingOrUnicodeSurvive()
    {
        PhoneBook book;
        book.contacts.resize(4);
        book.contacts[0].setName(" padded ");
        book.contacts[1].setName("\"quoted\"");
        // 0x81 form, base 0x0380: U+03A9 U+03BC, which Windows-1252 lacks.
        book.contacts[2].setName(std::string_view("\x81\x02\x07\xA9\xBC", 5));
        book.contacts[3].setName("J\xF6rg"); // Windows-1252 o with diaeresis
        // The optional fields keep every character the same way.
        book.contacts[2].editExtras().secondName = book.contacts[2].heldName();
        book.contacts[3].editExtras().emails = {"j\xF6rg@example.org"};
        const std::string bytes = phnFileBytes(&book, nullptr, 0, nullptr, 0);
        QVERIFY(bytes.starts_with("\xEF\xBB\xBF[Version]"));
        QVERIFY(bytes.find("Name3=\xCE\xA9\xCE\xBC\r\n") != std::string::npos);
        QVERIFY(bytes.find("Name4=J\xC3\xB6rg\r\n") != std::string::npos);
        QVERIFY(bytes.find("SecondName3=\xCE\xA9\xCE\xBC\r\n") != std::string::npos);
        QVERIFY(bytes.find("Email4_1=j\xC3\xB6rg@example.org\r\n") != std::string::npos);

        PhoneBook back;
        QCOMPARE(loadPhnBytes(bytes, &back, nullptr, 0, nullptr, 0), 1);
        QCOMPARE(back.contacts[0].heldName(), std::string_view(" padded "));
        QCOMPARE(back.contacts[1].heldName(), std::string_view("\"quoted\""));
        QCOMPARE(back.contacts[2].heldName(), std::string_view("\x81\x02\x07\xA9\xBC", 5));
        QCOMPARE(back.contacts[3].heldName(), std::string_view("J\xF6rg"));
        QCOMPARE(back.contacts[2].extras().secondName, book.contacts[2].extras().secondName);
        QCOMPARE(back.contacts[3].extras().emails, book.contacts[3].extras().emails);
    }

    void optionalFieldsHaveTheirOwnKeys()
    {
        PhoneBook book;
        book.contacts.resize(3);
        Contact& anna = book.contacts[0];
        anna.setName("Anna");
        anna.setNumber("+4930");
        anna.tonNpi = 0x91;
        anna.numberType = NumberType::Work;
        anna.editExtras().secondName = "Annie";
        anna.editExtras().extraNumbers = {{"0171", 0x81, NumberType::Cell},
                                          {"030 1", 0xFF, NumberType::None}};
        anna.editExtras().emails = {"anna@example.org", "a@b.c"};
        book.contacts[1].setName("Bert");                // nothing optional: no extra keys
        book.contacts[2].editExtras().emails = {
            "only@mail.example"}; // only an e-mail: kept, not trailing
        const std::string bytes = phnFileBytes(&book, nullptr, 0, nullptr, 0);
        QCOMPARE(bytes, header("Contact=Name,Phone,CCP,TON_NPI\r\nitems=3\r\n"
                               "Name1=Anna\r\nPhone1=+4930\r\nCCP1=255\r\nTON_NPI1=145\r\n"
                               "NumberType1=work\r\nSecondName1=Annie\r\n"
                               "Phone1_2=0171\r\nTON_NPI1_2=129\r\nNumberType1_2=cell\r\n"
                               "Phone1_3=030 1\r\nTON_NPI1_3=255\r\n"
                               "Email1_1=anna@example.org\r\nEmail1_2=a@b.c\r\n"
                               "Name2=Bert\r\nPhone2=\r\nCCP2=255\r\nTON_NPI2=255\r\n"
                               "Name3=\r\nPhone3=\r\nCCP3=255\r\nTON_NPI3=255\r\n"
                               "Email3_1=only@mail.example\r\n"));

        // Read back into a book whose rows held other optional fields: the file's
        // fields replace them, and an entry without optional keys has none.
        PhoneBook back;
        back.contacts.resize(2);
        back.contacts[1].editExtras().emails = {"stale@old.example"};
        back.contacts[1].numberType = NumberType::Home;
        QCOMPARE(loadPhnBytes(bytes, &back, nullptr, 0, nullptr, 0), 1);
        QCOMPARE(back.contactCount(), 3u);
        QCOMPARE(back.contacts[0].numberType, NumberType::Work);
        QCOMPARE(back.contacts[0].extras().secondName, std::string("Annie"));
        QCOMPARE(back.contacts[0].extras().extraNumbers, anna.extras().extraNumbers);
        QCOMPARE(back.contacts[0].extras().emails, anna.extras().emails);
        QVERIFY(!back.contacts[1].hasExtras());
        QCOMPARE(back.contacts[2].extras().emails, book.contacts[2].extras().emails);
    }

    void legacyNameLength()
    {
        QCOMPARE(adrNameLength(33), 19); // 33 - 24 = 9 is below 10
        QCOMPARE(adrNameLength(34), 10);
    }

    // The legacy address file: a book of five rows and lengths left from before reads a file; a
    // file that is refused (no lengths) empties the book and says so.
    void legacyReads_data()
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

    void legacyReads()
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
            QVERIFY(isAdrBytes(file)); // what opening a file of unknown kind asks
            QCOMPARE(summary(read), book);
            QVERIFY(ui.messages.empty());
        } else {
            QCOMPARE(read.contactCount(), 0u);
            QCOMPARE(ui.messageIds(), std::vector<int>{26});
        }
    }

    void legacyFromDisk()
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

QTEST_GUILESS_MAIN(TestBookFiles)
#include "TestBookFiles.moc"
