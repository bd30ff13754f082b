// The card profiles under tests/data/cards answer what their descriptions
// promise (the typical card's book content is checked by the command-line
// tests against a hand-written file). Expected bytes are worked out by hand from GSM 11.11 layouts.
#include "vsim/CardProfile.h"
#include "vsim/SimCard.h"

#include <QTest>

namespace {

QByteArray hex(const QString& text)
{
    return *vsim::fromHex(text);
}

const QString kPin1 = "A0 20 00 01 08 31 32 33 34 FF FF FF FF";
const QString kMf = "A0 A4 00 00 02 3F 00";
const QString kMfResponse = "A0 C0 00 00 22";
const QString kTelecom = "A0 A4 00 00 02 7F 10";

} // namespace

class TestCardProfiles : public QObject
{
    Q_OBJECT

private slots:

    // Each step is "APDU => answer"; an answer ending in "..." is a prefix.
    void answers_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("steps");
        const QString iccid = "A0 A4 00 00 02 2F E2 => 9F 0F";
        const QString adn = "A0 A4 00 00 02 6F 3A => 9F 0F";
        QTest::newRow("typical")
            << "typical"
            << QStringList{
                   kMf + " => 9F 22",
                   // bytes 14 (CHV1 enabled), 19-22: PIN1 3, PUK1 10, PIN2 3, PUK2 10 tries
                   kMfResponse +
                       " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 01 02 01 04 00 83 8A 83 8A ...",
                   iccid, "A0 B0 00 00 0A => 98 94 20 00 00 21 43 65 87 F9 90 00",
                   "A0 A4 00 00 02 7F 20 => 9F 22", "A0 A4 00 00 02 6F 46 => 9F 0F",
                   // display condition 01, "Phonara Mobile" padded with FF
                   "A0 B0 00 00 11 => 01 50 68 6F 6E 61 72 61 20 4D 6F 62 69 6C 65 FF FF 90 00",
                   kTelecom + " => 9F 22", adn,
                   // 250 x 28 = 7000 = 1B 58; read and update CHV1; linear fixed
                   "A0 C0 00 00 0F => 00 00 1B 58 6F 3A 04 00 11 F0 44 01 02 01 1C 90 00",
                   "A0 B2 01 04 1C => 98 04", kPin1 + " => 90 00",
                   "A0 B2 01 04 1C => 41 6E 6E 61 ...", "A0 A4 00 00 02 6F 44 => 9F 0F",
                   "A0 C0 00 00 0F => 00 00 01 18 6F 44 04 00 11 F0 44 01 02 03 1C 90 00",
                   "A0 A4 00 00 02 6F 3B => 9F 0F",
                   "A0 C0 00 00 0F => 00 00 02 30 6F 3B 04 00 12 ..."};
        QTest::newRow("pin1-disabled")
            << "pin1-disabled"
            << QStringList{kMf + " => 9F 22",
                           kMfResponse + " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 81 ...",
                           kTelecom + " => 9F 22",
                           adn,
                           "A0 B2 01 04 1C => 41 6E 6E 61 ...",
                           kPin1 + " => 98 08"};
        QTest::newRow("pin1-blocked")
            << "pin1-blocked"
            << QStringList{
                   kMf + " => 9F 22",
                   kMfResponse +
                       " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 01 02 01 04 00 80 8A ...",
                   kPin1 + " => 98 40",
                   "A0 2C 00 00 10 31 32 33 34 35 36 37 38 31 32 33 34 FF FF FF FF => 90 00"};
        QTest::newRow("pin1-puk1-exhausted")
            << "pin1-puk1-exhausted"
            << QStringList{
                   kMf + " => 9F 22",
                   kMfResponse +
                       " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 01 02 01 04 00 80 80 ...",
                   "A0 2C 00 00 10 31 32 33 34 35 36 37 38 31 32 33 34 FF FF FF FF => 98 40"};
        QTest::newRow("no-spn") << "no-spn"
                                << QStringList{"A0 A4 00 00 02 7F 20 => 9F 22",
                                               "A0 A4 00 00 02 6F 46 => 94 04"};
        QTest::newRow("spn-ff")
            << "spn-ff"
            << QStringList{
                   "A0 A4 00 00 02 7F 20 => 9F 22", "A0 A4 00 00 02 6F 46 => 9F 0F",
                   "A0 B0 00 00 11 => FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 90 00"};
        QTest::newRow("no-msisdn")
            << "no-msisdn"
            << QStringList{kTelecom + " => 9F 22", "A0 A4 00 00 02 6F 40 => 94 04", adn};
        QTest::newRow("adn-500") << "adn-500"
                                 << QStringList{
                                        kTelecom + " => 9F 22", adn,
                                        "A0 C0 00 00 0F => 00 00 36 B0 ...", kPin1 + " => 90 00",
                                        "A0 B2 FF 04 1C => 4B 6F 6E 74 61 6B 74 20 32 35 35 ...",
                                        // past record 255 only NEXT goes on
                                        "A0 B2 00 02 1C => 4B 6F 6E 74 61 6B 74 20 32 35 36 ..."};
        QTest::newRow("empty-phonebook")
            << "empty-phonebook"
            << QStringList{
                   kPin1 + " => 90 00", kTelecom + " => 9F 22", adn,
                   "A0 B2 01 04 1C => FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF "
                   "FF FF FF FF FF FF FF FF FF 90 00"};
        QTest::newRow("fdn-60") << "fdn-60"
                                << QStringList{kPin1 + " => 90 00", kTelecom + " => 9F 22",
                                               "A0 A4 00 00 02 6F 3B => 9F 0F",
                                               "A0 C0 00 00 0F => 00 00 06 90 ...",
                                               "A0 B2 3C 04 1C => 46 44 4E 20 36 30 FF ..."};
        QTest::newRow("iccid-20") << "iccid-20"
                                  << QStringList{
                                         iccid,
                                         "A0 B0 00 00 0A => 98 94 20 00 00 21 43 65 87 09 90 00"};
        QTest::newRow("not-a-sim")
            << "not-a-sim"
            << QStringList{kMf + " => 6E 00", "A0 C0 00 00 22 => 6E 00", kPin1 + " => 6E 00"};
    }

    void answers()
    {
        QFETCH(QString, profile);
        QFETCH(QStringList, steps);
        QString error;
        auto card = vsim::loadProfile(
            QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile), &error);
        QVERIFY2(card, qPrintable(error));
        for (const QString& step : steps) {
            const QStringList parts = step.split(" => ");
            QString expected = parts[1];
            const bool prefix = expected.endsWith("...");
            if (prefix)
                expected.chop(3);
            const QByteArray answer = card->transmit(hex(parts[0])).bytes;
            const QByteArray want = hex(expected);
            if (prefix ? !answer.startsWith(want) : answer != want)
                QFAIL(qPrintable(QStringLiteral("%1\n   got %2").arg(step, vsim::toHex(answer))));
        }
    }

    // The typical card's books: entries spread over ADN, long numbers through
    // EXT1/EXT2, both UCS2 forms, the last-dialled order.
};

QTEST_GUILESS_MAIN(TestCardProfiles)
#include "TestCardProfiles.moc"
