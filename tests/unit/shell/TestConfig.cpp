#include "shell/Config.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <climits>
#include <cstring>

namespace {

int readNumber(const char* name, int32_t* value, uint32_t capacity = 4,
               const char* product = kProductName)
{
    uint32_t size = capacity;
    return readConfigKey(product, name, ConfigType::Number, value, &size, 1, 0, kCompanyName);
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                    .startsWith(qEnvironmentVariable("PHONARA_TEST_TMP", "?")));
    }

    void numberRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("value");

        QTest::newRow("negative") << QByteArray("some value") << -5;
        QTest::newRow("largest") << QByteArray("some value") << INT_MAX;
        QTest::newRow("smallest") << QByteArray("some value") << INT_MIN;
    }

    void numberRoundTrip()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, value);
        const int32_t stored = value;
        QCOMPARE(writeConfigKey(kProductName, name.constData(), ConfigType::Number, &stored, 4, 1,
                                0, kCompanyName),
                 1);
        int32_t read = 12345;
        uint32_t size = 64;
        QCOMPARE(readConfigKey(kProductName, name.constData(), ConfigType::Number, &read, &size, 1,
                               0, kCompanyName),
                 1);
        QCOMPARE(read, value);
        QCOMPARE(size, 4u);
    }

    void missingIsNotZero()
    {
        int32_t value = 77;
        QCOMPARE(readNumber("Write_All", &value), 0);
        QCOMPARE(value, 77); // the caller's default stays

        const int32_t zero = 0;
        writeConfigKey(kProductName, "Write_All", ConfigType::Number, &zero, 4, 1, 0, kCompanyName);
        QCOMPARE(readNumber("Write_All", &value), 1);
        QCOMPARE(value, 0);

        // A buffer too small for a number is refused and left alone.
        int32_t small = 77;
        QCOMPARE(readNumber("Write_All", &small, 2), 0);
        QCOMPARE(small, 77);

        // A text that is no number does not read as one.
        const char text[] = "wallpaper";
        writeConfigKey(kProductName, "text value", ConfigType::Text, text, sizeof text, 1, 0,
                       kCompanyName);
        QCOMPARE(readNumber("text value", &value), 0);
        QCOMPARE(value, 0);
    }

    // A text read back whole, or cut to the reader's capacity (which counts the
    // terminating zero) without a byte written beyond it.
    void textRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint32_t>("capacity");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("utf-8") << QByteArray("/home/j\xC3\xA4rvi/kuva.jpg") << 260u
                               << QByteArray("/home/j\xC3\xA4rvi/kuva.jpg");
        QTest::newRow("empty") << QByteArray("") << 260u << QByteArray("");
        QTest::newRow("259 characters") << QByteArray(259, 'p') << 260u << QByteArray(259, 'p');
        QTest::newRow("room for four") << QByteArray("wallpaper") << 5u << QByteArray("wall");
        QTest::newRow("exact") << QByteArray("wallpaper") << 10u << QByteArray("wallpaper");
        QTest::newRow("only the zero") << QByteArray("wallpaper") << 1u << QByteArray("");
    }

    void textRoundTrip()
    {
        QFETCH(QByteArray, text);
        QFETCH(uint32_t, capacity);
        QFETCH(QByteArray, expected);
        QCOMPARE(writeConfigKey(kProductName, ConfigKey::kBackgroundPicture, ConfigType::Text,
                                text.constData(), uint32_t(text.size() + 1), 1, 0, kCompanyName),
                 1);
        char buffer[300];
        std::memset(buffer, 'x', sizeof buffer);
        uint32_t size = capacity;
        QCOMPARE(readConfigKey(kProductName, ConfigKey::kBackgroundPicture, ConfigType::Text,
                               buffer, &size, 1, 0, kCompanyName),
                 1);
        QCOMPARE(size, uint32_t(expected.size() + 1));
        QCOMPARE(QByteArray(buffer), expected);
        QCOMPARE(buffer[capacity], 'x'); // nothing beyond the capacity
    }

    void productsAndCompaniesAreApart()
    {
        const int32_t one = 1;
        writeConfigKey("OtherProduct", "if_pna_assotiate", ConfigType::Number, &one, 4, 1, 0,
                       kCompanyName);
        writeConfigKey(kProductName, "if_pna_assotiate", ConfigType::Number, &one, 4, 1, 0,
                       "OtherCompany");
        int32_t value = 9;
        QCOMPARE(readNumber("if_pna_assotiate", &value), 0);
        QCOMPARE(readNumber("if_pna_assotiate", &value, 4, "OtherProduct"), 1);
        QCOMPARE(value, 1);
        // The store is the user's own file under the company's folder.
        const QString file =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/OtherCompany/Phonara.ini";
        QVERIFY2(QFile::exists(file), qPrintable(file));
    }

    void conveniences()
    {
        QCOMPARE(readConfigText("missing text"), std::nullopt);
        writeConfigText("Background Picture", "/tmp/picture.bmp");
        QCOMPARE(readConfigText("Background Picture"),
                 std::optional<std::string>("/tmp/picture.bmp"));
        QCOMPARE(readConfigText("Background Picture", 5), std::optional<std::string>("/tmp"));
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "TestConfig.moc"
