#include "files/ProfileFile.h"

#include <QTest>

#include <optional>
#include <string>

Q_DECLARE_METATYPE(std::string)

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
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
        row("case of names", "[Sec]\r\nKey=Value\r\n", "sEC", "KEY", 520, true, "Value");
        row("first key wins", twice, "A", "k", 520, true, "1");
        row("second section unseen", twice, "a", "j", 520, false, "");
        row("blanks trimmed", " [ A ] \r\n\t k  =  v w \t\r\n", "A", "k", 520, true, "v w");
        row("double quotes", "[A]\r\nk=\"  x \"\r\n", "A", "k", 520, true, "  x ");
        row("single quotes", "[A]\r\nk='y'\r\n", "A", "k", 520, true, "y");
        row("unmatched quote", "[A]\r\nk=\"z\r\n", "A", "k", 520, true, "\"z");
        row("cut to capacity", "[A]\r\nk=abcdef\r\n", "A", "k", 4, true, "abc");
        row("equals in value", "[A]\r\nk=a=b\r\n", "A", "k", 520, true, "a=b");
        row("LF line ends", "[A]\nk=1\n[B]\nk=2", "B", "k", 520, true, "2");
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

    void readInt_data()
    {
        QTest::addColumn<std::string>("value");
        QTest::addColumn<int>("expected");

        QTest::newRow("digits then text") << std::string("k= 42x") << 42;
        QTest::newRow("negative") << std::string("k=-5") << -5;
        QTest::newRow("plus sign") << std::string("k=+7") << 7;
        QTest::newRow("no digits") << std::string("k=abc") << 0;
        QTest::newRow("sign only") << std::string("k=-") << 0;
        QTest::newRow("quoted") << std::string("k=\"12\"") << 12;
        QTest::newRow("empty value gives default") << std::string("k=") << -1;
        QTest::newRow("missing key gives default") << std::string("other=3") << -1;
        QTest::newRow("wraps like 32 bits") << std::string("k=4294967297") << 1;
    }

    void readInt()
    {
        QFETCH(std::string, value);
        QFETCH(int, expected);
        const ProfileFile profile = ProfileFile::fromBytes("[S]\r\n" + value + "\r\n");
        QCOMPARE(profile.readInt("S", "k", -1), expected);
    }

    void writeUpdatesInPlaceAndAppends()
    {
        ProfileFile profile = ProfileFile::fromBytes("[One]\nKey=old\nb=2\n[Two]\nc=3\n");
        profile.writeString("ONE", "key", "new"); // in place, the file's spelling kept
        profile.writeString("one", "d", "4");     // appended to its section
        profile.writeString("Three", "e", "5");   // new section at the end
        profile.writeString("Three", "f", "6");
        QCOMPARE(profile.toBytes(), std::string("[One]\r\nKey=new\r\nb=2\r\nd=4\r\n[Two]\r\nc=3\r\n"
                                                "[Three]\r\ne=5\r\nf=6\r\n"));
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
    }

    void writeKeepsBomAndBlankLines()
    {
        ProfileFile profile = ProfileFile::fromBytes("\xEF\xBB\xBF[A]\r\nx=1\r\n\r\n[B]\r\n");
        QVERIFY(profile.hasUtf8Bom());
        profile.writeString("A", "y", "2");
        QCOMPARE(profile.toBytes(), std::string("\xEF\xBB\xBF[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "TestProfileFile.moc"
