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

        // The USIM phone book read with raw APDUs as a phone would: EF DIR, the
        // application by AID, EF PBR, then each file by the SFI or id PBR names.
        const QString uiccPin1 = "00 20 00 01 08 31 32 33 34 FF FF FF FF => 90 00";
        const QString usimAid = "00 A4 04 04 10 A0 00 00 00 87 10 02 FF 49 FF 05 89 00 00 01 FF";
        QTest::newRow("usim-two-sets")
            << "usim-two-sets"
            << QStringList{
                   "00 A4 00 0C 02 2F 00 => 90 00",
                   "00 B2 01 04 20 => 61 18 4F 10 A0 00 00 00 87 10 02 FF 49 FF 05 89 00 00 01 "
                   "FF 50 04 55 53 49 4D FF ...",
                   usimAid + " => 61 ...", uiccPin1,
                   // 2 records of 64 bytes, read after PIN1, updated by the operator
                   "00 A4 08 04 06 7F FF 5F 3A 4F 30 => 61 39",
                   "00 C0 00 00 39 => 62 37 82 05 42 21 00 40 02 83 02 4F 30 ...",
                   "00 B2 01 04 40 => A8 1E C0 03 4F 3A 01 C1 03 4F 25 05 C5 02 4F 09 C9 02 4F 21 "
                   "C3 02 4F 19 C4 02 4F 11 C6 02 4F 28 A9 05 CA 03 4F 50 0B AA 05 C2 03 4F 4A 03 "
                   "FF ...",
                   "00 B2 02 04 40 => A8 1E C0 03 4F 3B 02 C1 03 4F 26 06 ...",
                   "00 B2 03 04 40 => 6A 83",
                   // set 1: ADN (SFI 01), IAP (SFI 05) to EMAIL record 1 (SFI 0B), ANR, SNE
                   "00 B2 01 0C 20 => 41 6E 6E 61 20 53 63 68 6D 69 64 74 FF FF FF FF FF FF 07 91 "
                   "94 71 10 32 54 76 FF FF FF FF FF FF 90 00",
                   "00 B2 01 2C 01 => 01 90 00",
                   "00 B2 01 5C 20 => 61 6E 6E 61 00 65 78 61 6D 70 6C 65 2E 6F 72 67 FF FF FF FF "
                   "FF FF FF FF FF FF FF FF FF FF 01 01 90 00",
                   "00 A4 00 04 02 4F 11 => 61 ...",
                   "00 B2 01 04 0F => 00 06 91 94 03 21 43 65 FF FF FF FF FF FF FF 90 00",
                   "00 A4 00 0C 02 4F 19 => 90 00",
                   "00 B2 01 04 12 => 41 6E 6E 69 FF FF FF FF FF FF FF FF FF FF FF FF FF FF 90 00",
                   // a number of 22 digits: the last two in EXT1 record 1 (SFI 03)
                   "00 B2 06 0C 20 => 4B 6F 6E 66 65 72 65 6E 7A FF FF FF FF FF FF FF FF FF 0B 91 "
                   "94 03 21 43 65 87 09 21 43 65 FF 01 90 00",
                   "00 B2 01 1C 0D => 02 01 87 FF FF FF FF FF FF FF FF FF FF 90 00",
                   // set 2: contact 251 and its e-mail, which names ADN SFI 02
                   "00 B2 01 14 20 => 4B 6F 6E 74 61 6B 74 20 32 35 31 FF ...",
                   "00 B2 01 34 01 => 01 90 00",
                   "00 B2 01 64 20 => 6B 32 35 31 00 65 78 61 6D 70 6C 65 2E 6E 65 74 FF FF FF FF "
                   "FF FF FF FF FF FF FF FF FF FF 02 01 90 00",
                   // no EF ADN under DF TELECOM, in either class
                   "00 A4 08 04 04 7F 10 6F 3A => 6A 82", kTelecom + " => 9F 22",
                   "A0 A4 00 00 02 6F 3A => 94 04"};
        // PS_DO 40: of PIN1 and PIN2 only PIN2 is enabled.
        QTest::newRow("usim-pin1-disabled")
            << "usim-pin1-disabled"
            << QStringList{
                   "00 A4 00 04 02 3F 00 => 61 29",
                   "00 C0 00 00 29 => 62 27 82 02 78 21 83 02 3F 00 8A 01 05 AB 0B 80 01 7F "
                   "A4 06 83 01 0A 95 01 08 C6 09 90 01 40 83 01 01 83 01 81 ...",
                   "00 20 00 01 00 => 90 00",
                   usimAid + " => 61 ...",
                   "00 A4 08 0C 04 7F FF 5F 3A => 90 00",
                   "00 B2 01 0C 20 => 41 6E 6E 61 ...",
                   uiccPin1.section(" => ", 0, 0) + " => 69 84"};
        QTest::newRow("usim-pin1-blocked")
            << "usim-pin1-blocked"
            << QStringList{"00 20 00 01 00 => 63 C0", uiccPin1.section(" => ", 0, 0) + " => 69 83",
                           "00 2C 00 01 00 => 63 CA"};
        QTest::newRow("usim-class00-only")
            << "usim-class00-only"
            << QStringList{kMf + " => 6E 00", usimAid + " => 61 ...",
                           // services 2, 3, 19, 21; not 1, the local phone book
                           "00 A4 00 0C 02 6F 38 => 90 00", "00 B0 00 00 04 => 69 82", uiccPin1,
                           "00 B0 00 00 04 => 06 00 14 00 90 00",
                           "00 A4 08 04 06 7F 10 5F 3A 4F 30 => 61 ...",
                           "00 B2 01 04 20 => A8 12 C0 03 4F 3A 01 C5 02 4F 09 C4 02 4F 11 CA 03 "
                           "4F 50 04 AA 05 C2 03 4F 4A 03 FF ...",
                           // EMAIL type 1: record 1 belongs to ADN record 1
                           "00 B2 01 24 1E => 6D 61 6D 61 00 65 78 61 6D 70 6C 65 2E 6F 72 67 FF "
                           "FF FF FF FF FF FF FF FF FF FF FF FF FF 90 00",
                           "00 B2 01 0C 1C => 4D 75 74 74 65 72 FF ..."};
        QTest::newRow("usim-both-books")
            << "usim-both-books"
            << QStringList{
                   kPin1 + " => 90 00",
                   kTelecom + " => 9F 22",
                   "A0 A4 00 00 02 6F 3A => 9F 0F",
                   "A0 B2 01 04 1C => 53 49 4D 20 4F 74 74 6F FF ...",
                   usimAid + " => 61 ...",
                   "00 A4 08 04 06 7F FF 5F 3A 4F 30 => 61 ...",
                   "00 B2 01 04 40 => A8 09 C0 03 4F 3A 01 C4 02 4F 11 AA 05 C2 03 4F 4A 02 "
                   "FF ...",
                   "00 B2 01 0C 1C => 55 53 49 4D 20 41 6E 6E 61 FF ..."};
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
