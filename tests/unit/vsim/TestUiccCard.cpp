// The virtual card's UICC command set. Every expected answer is laid out by
// hand from the FCP, status word and PIN rules that a UICC follows.
#include "vsim/CardProfile.h"
#include "vsim/SimCard.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

// PIN1 1234 (PUK 12345678), PIN2 5678 (PUK 87654321). 287 bytes of EFs, 231 of them in the ADF.
const char* const kProfile = R"({
  "kind": "uicc",
  "chv1": {"code": "1234", "unblock": "12345678"},
  "chv2": {"code": "5678", "unblock": "87654321"},
  "files": [
    {"path": "3F00/2F00", "kind": "linear", "recordLength": 32, "recordCount": 1, "sfi": 30,
     "records": {"1": "61 11 4F 09 A0 00 00 00 87 10 02 FF 49 50 04 55 53 49 4D"}},
    {"path": "3F00/2FE2", "kind": "transparent", "sfi": 2, "data": "98 94 00 00 00 00 00 00 00 F1"},
    {"path": "3F00/7FF0", "kind": "adf", "aid": "A0 00 00 00 87 10 02 FF 49"},
    {"path": "3F00/7FF0/6F3B", "kind": "linear", "recordLength": 28, "recordCount": 2},
    {"path": "3F00/7FF0/5F3A/4F30", "kind": "linear", "recordLength": 20, "recordCount": 1,
     "records": {"1": "A8 09 C0 03 4F 3A 01 C4 02 4F 11 AA 05 C2 03 4F 4A 02"}},
    {"path": "3F00/7FF0/5F3A/4F3A", "kind": "linear", "recordLength": 28, "recordCount": 3,
     "sfi": 1, "records": {"1": "41 6E 6E 61", "3": "5A"}},
    {"path": "3F00/7FF0/5F3A/4F11", "kind": "linear", "recordLength": 15, "recordCount": 3,
     "fill": "00"},
    {"path": "3F00/7FF0/5F3A/4F4A", "kind": "linear", "recordLength": 13, "recordCount": 2,
     "sfi": 2, "invalidated": true},
    {"path": "3F00/7F10/6F44", "kind": "cyclic", "recordLength": 4, "recordCount": 3},
    {"path": "3F00/7F10/4F23", "kind": "transparent", "data": "00 2A"}
  ]})";

const QString kAid = "00 A4 04 04 09 A0 00 00 00 87 10 02 FF 49 => 61 34";
const QString kPin1 = "00 20 00 01 08 31 32 33 34 FF FF FF FF";
const QString kWrongPin1 = "00 20 00 01 08 39 39 39 39 FF FF FF FF => ";
const QString kLnd = "00 A4 08 04 04 7F 10 6F 44 => 61 2E";
// Security attributes: read and update after PIN1, (de)activation by ADM1.
const QString kPin1Rules = "AB 16 80 01 03 A4 06 83 01 01 95 01 08 80 01 18 A4 06 83 01 0A "
                           "95 01 08";
const QString kDfRules = "AB 0B 80 01 7F A4 06 83 01 0A 95 01 08";

QByteArray hex(const QString& text)
{
    return *vsim::fromHex(text);
}

QJsonObject profileWith(const char* extra)
{
    QJsonObject profile = QJsonDocument::fromJson(kProfile).object();
    const QJsonObject more = QJsonDocument::fromJson(extra).object();
    for (auto it = more.begin(); it != more.end(); ++it)
        profile.insert(it.key(), it.value());
    return profile;
}

std::unique_ptr<vsim::SimCard> makeCard(const char* extra = "{}")
{
    const QJsonObject profile = profileWith(extra);
    QString error;
    auto card = vsim::cardFromJson(profile, &error);
    if (!card)
        qFatal("profile: %s", qPrintable(error));
    return card;
}

// Each step is "APDU => answer"; an answer ending in "..." is a prefix.
void runSteps(vsim::SimCard& card, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList parts = step.split(" => ");
        QString expected = parts[1];
        const bool prefix = expected.endsWith("...");
        if (prefix)
            expected.chop(3);
        const QByteArray answer = card.transmit(hex(parts[0])).bytes;
        const QByteArray want = hex(expected);
        if (prefix ? !answer.startsWith(want) : answer != want)
            QFAIL(qPrintable(QStringLiteral("%1\n   got %2").arg(step, vsim::toHex(answer))));
    }
}

} // namespace

class TestUiccCard : public QObject
{
    Q_OBJECT

private slots:
    void fcp_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("fcp");
        const QString pinStatus = "C6 09 90 01 C0 83 01 01 83 01 81"; // PIN1 and PIN2 enabled
        QTest::newRow("MF") << QStringList() << "00 A4 00 04 02 3F 00"
                            << "62 27 82 02 78 21 83 02 3F 00 8A 01 05 " + kDfRules + " " +
                                   pinStatus + " 81 02 01 1F";
        QTest::newRow("MF, PIN1 disabled")
            << QStringList{"00 26 00 01 08 31 32 33 34 FF FF FF FF"} << "00 A4 00 04 02 3F 00"
            << "62 27 82 02 78 21 83 02 3F 00 8A 01 05 " + kDfRules +
                   " C6 09 90 01 40 83 01 01 83 01 81 81 02 01 1F";
        QTest::newRow("ADF by 7FFF")
            << QStringList{kAid.section(" => ", 0, 0)} << "00 A4 00 04 02 7F FF"
            << "62 32 82 02 78 21 83 02 7F F0 84 09 A0 00 00 00 87 10 02 FF 49 8A 01 05 " +
                   kDfRules + " " + pinStatus + " 81 02 00 E7";
        QTest::newRow("ADN: linear, SFI 1")
            << QStringList{kAid.section(" => ", 0, 0)} << "00 A4 08 04 06 7F FF 5F 3A 4F 3A"
            << "62 2D 82 05 42 21 00 1C 03 83 02 4F 3A 8A 01 05 " + kPin1Rules +
                   " 80 02 00 54 88 01 08";
        QTest::newRow("PBR: read PIN1, update ADM, no SFI")
            << QStringList{kAid.section(" => ", 0, 0)} << "00 A4 08 04 06 7F FF 5F 3A 4F 30"
            << "62 37 82 05 42 21 00 14 01 83 02 4F 30 8A 01 05 AB 21 80 01 01 A4 06 83 01 01 "
               "95 01 08 80 01 02 A4 06 83 01 0A 95 01 08 80 01 18 A4 06 83 01 0A 95 01 08 "
               "80 02 00 14 88 00";
        QTest::newRow("FDN: update PIN2")
            << QStringList{kAid.section(" => ", 0, 0)} << "00 A4 08 04 04 7F FF 6F 3B"
            << "62 37 82 05 42 21 00 1C 02 83 02 6F 3B 8A 01 05 AB 21 80 01 01 A4 06 83 01 01 "
               "95 01 08 80 01 02 A4 06 83 01 81 95 01 08 80 01 18 A4 06 83 01 0A 95 01 08 "
               "80 02 00 38 88 00";
        QTest::newRow("ICCID: transparent, read always, update never")
            << QStringList() << "00 A4 08 04 02 2F E2"
            << "62 29 82 02 41 21 83 02 2F E2 8A 01 05 AB 15 80 01 01 90 00 80 01 02 97 00 "
               "80 01 18 A4 06 83 01 0A 95 01 08 80 02 00 0A 88 01 10";
        QTest::newRow("LND: cyclic") << QStringList() << kLnd.section(" => ", 0, 0)
                                     << "62 2C 82 05 46 21 00 04 03 83 02 6F 44 8A 01 05 " +
                                            kPin1Rules + " 80 02 00 0C 88 00";
        QTest::newRow("deactivated EXT1")
            << QStringList{kAid.section(" => ", 0, 0)} << "00 A4 08 04 06 7F FF 5F 3A 4F 4A"
            << "62 2D 82 05 42 21 00 0D 02 83 02 4F 4A 8A 01 04 " + kPin1Rules +
                   " 80 02 00 1A 88 01 10";
    }

    void fcp()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, select);
        QFETCH(QString, fcp);
        auto card = makeCard();
        for (const QString& apdu : before)
            card->transmit(hex(apdu));
        const QByteArray expected = hex(fcp);
        QCOMPARE(card->transmit(hex(select)).bytes, hex("61") + char(expected.size()));
        QCOMPARE(card->transmit(hex("00 C0 00 00") + char(expected.size())).bytes,
                 expected + hex("90 00"));
    }

    void steps_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("select by file id")
            << QStringList{"00 A4 00 04 02 3F 00 => 61 29", "00 A4 00 0C 02 2F E2 => 90 00",
                           "00 B0 00 00 02 => 98 94 90 00",
                           "00 A4 00 04 02 7F F0 => 6A 82", // an ADF goes by its AID
                           "00 A4 00 04 02 7F FF => 6A 82", // no application selected yet
                           "00 A4 00 04 02 7F 10 => 61 29", "00 A4 00 04 02 6F 44 => 61 2E",
                           "00 A4 00 04 02 2F E2 => 6A 82", // an EF of MF, from DF 7F10
                           "00 A4 00 04 02 7F 10 => 61 29", // the current DF itself
                           "00 A4 00 04 02 3F 00 => 61 29"};
        QTest::newRow("select by AID and by path")
            << QStringList{"00 A4 08 04 04 7F FF 5F 3A => 6A 82",
                           "00 A4 04 04 07 A0 00 00 00 87 10 02 => 61 34", // right-truncated
                           "00 A4 04 06 07 A0 00 00 00 87 10 02 => 6A 82", // next occurrence
                           "00 A4 04 04 05 A0 00 00 00 99 => 6A 82",
                           "00 A4 00 04 02 7F FF => 61 34",
                           "00 A4 08 04 06 7F FF 5F 3A 4F 30 => 61 39",
                           "00 A4 09 04 02 4F 3A => 61 2F", // from the current DF 5F3A
                           "00 A4 08 04 04 3F 00 7F 10 => 6A 82",
                           kLnd,
                           "00 A4 00 04 02 7F FF => 61 34", // the application stays current
                           "80 F2 00 01 0B => 84 09 A0 00 00 00 87 10 02 FF 49 90 00",
                           "80 F2 00 00 10 => 6C 34"};
        QTest::newRow("command header errors") << QStringList{
            "00 A4 00 00 02 3F 00 => 6B 00", "00 A4 02 04 02 3F 00 => 6B 00",
            "00 A4 00 04 03 3F 00 00 => 67 00",
            "00 A4 00 04 02 3F 00 00 => 61 29", // Le after the data
            "00 A4 00 04 => 67 00", "01 A4 00 04 02 3F 00 => 68 81", "00 A2 00 00 01 41 => 6D 00",
            "80 A4 00 04 02 3F 00 => 6D 00", "90 A4 00 04 02 3F 00 => 6E 00",
            // the GSM class on the same card, which hides the ADF
            "A0 A4 00 00 02 3F 00 => 9F 22", "A0 A4 00 00 02 7F F0 => 94 04"};
        QTest::newRow("61 xx and GET RESPONSE")
            << QStringList{"00 C0 00 00 10 => 69 85",
                           "00 A4 00 04 02 2F E2 => 61 2B",
                           "00 C0 00 00 2C => 6C 2B",
                           "00 C0 00 00 10 => 62 29 82 02 41 21 83 02 2F E2 8A 01 05 AB 15 80 "
                           "61 1B",
                           "00 C0 00 00 1B => 01 01 90 00 80 01 02 97 00 80 01 18 A4 06 83 01 "
                           "0A 95 01 08 80 02 00 0A 88 01 10 90 00",
                           "00 C0 00 00 01 => 69 85",
                           "00 A4 00 04 02 2F E2 => 61 2B",
                           "00 B0 00 00 01 => 98 90 00",
                           "00 C0 00 00 2B => 69 85", // another command came between
                           "00 C0 01 00 2B => 6B 00"};
        QTest::newRow("records") << QStringList{
            kLnd,
            "00 B2 01 04 04 => 69 82",
            kPin1 + " => 90 00",
            "00 B2 01 04 04 => FF FF FF FF 90 00",
            "00 B2 01 04 05 => 6C 04",
            "00 B2 01 04 00 => 6C 04",
            "00 B2 04 04 04 => 6A 83",
            "00 DC 00 03 04 11 22 33 44 => 90 00",
            "00 DC 01 04 04 11 22 33 44 => 6B 00", // cyclic: PREVIOUS only
            "00 DC 00 03 03 11 22 33 => 67 00",
            "00 B2 01 04 04 => 11 22 33 44 90 00",
            "00 B0 00 00 04 => 69 81",
            "00 A4 00 04 02 3F 00 => 61 29",
            "00 B2 01 04 1C => 69 86"};
        QTest::newRow("binary") << QStringList{
            "00 A4 00 0C 02 2F E2 => 90 00",
            "00 B0 00 00 00 => 6C 0A",
            "00 B0 00 08 04 => 6C 02",
            "00 B0 00 0A 01 => 6B 00",
            "00 B0 00 08 02 => 00 F1 90 00",
            "00 D6 00 00 01 11 => 69 82",
            "00 B2 01 04 10 => 69 81",
            "00 A4 00 0C 02 3F 00 => 90 00",
            "00 B0 82 08 02 => 00 F1 90 00", // by SFI 2
            "00 B0 83 00 01 => 6A 82",
            "00 B0 C2 00 01 => 6B 00",
            "00 A4 08 0C 04 7F 10 4F 23 => 90 00",
            "00 D6 00 01 01 2B => 69 82",
            kPin1 + " => 90 00",
            "00 D6 00 01 01 2B => 90 00",
            "00 B0 00 00 02 => 00 2B 90 00",
            "00 D6 00 01 02 2B 2C => 67 00",
            "00 D6 01 00 01 2B => 6B 00"}; // offset 256, not an SFI
        QTest::newRow("records by SFI")
            << QStringList{kAid,
                           kPin1 + " => 90 00",
                           "00 A4 08 0C 04 7F FF 5F 3A => 90 00",
                           "00 B2 01 0C 1C => 41 6E 6E 61 FF ...",
                           "00 B2 00 02 1C => FF ...",
                           "00 B2 00 02 1C => 5A FF ...",
                           "00 B2 00 02 1C => 6A 83",
                           "00 B2 01 14 0D => 69 84", // EXT1 is deactivated
                           "00 B2 01 3C 1C => 6A 82",
                           "00 B2 01 FC 1C => 6B 00"};
        QTest::newRow("PIN1 counter and the PIN2 key reference") << QStringList{
            "00 20 00 01 00 => 63 C3", "00 20 00 01 => 63 C3", kWrongPin1 + "63 C2",
            "00 20 00 01 00 => 63 C2", kPin1 + " => 90 00", "00 20 00 01 00 => 90 00",
            "00 20 00 01 04 31 32 33 34 => 67 00",
            "00 20 01 01 08 31 32 33 34 FF FF FF FF => 6B 00",
            "00 20 00 02 08 31 32 33 34 FF FF FF FF => 6A 88",
            "00 20 00 81 08 35 36 37 38 FF FF FF FF => 6A 88", // local to the ADF
            kAid, "00 20 00 81 00 => 63 C3", "00 20 00 81 08 39 39 39 39 FF FF FF FF => 63 C2",
            "00 20 00 81 08 35 36 37 38 FF FF FF FF => 90 00",
            // the GSM class counts against the same PIN1
            "A0 20 00 01 08 39 39 39 39 FF FF FF FF => 98 04", "00 20 00 01 00 => 63 C2"};
        QTest::newRow("PIN1 blocked and unblocked")
            << QStringList{kWrongPin1 + "63 C2",
                           kWrongPin1 + "63 C1",
                           kWrongPin1 + "63 C0",
                           kPin1 + " => 69 83",
                           "00 20 00 01 00 => 63 C0",
                           "00 2C 00 01 00 => 63 CA",
                           "00 2C 00 01 10 39 39 39 39 39 39 39 39 31 32 33 34 FF FF FF FF => "
                           "63 C9",
                           "00 2C 00 01 10 31 32 33 34 35 36 37 38 34 33 32 31 FF FF FF FF => "
                           "90 00",
                           "00 2C 00 01 00 => 63 CA",
                           "00 20 00 01 00 => 90 00",
                           kPin1 + " => 63 C2"};
        QTest::newRow("disable, enable, change")
            << QStringList{"00 26 00 01 08 39 39 39 39 FF FF FF FF => 63 C2",
                           "00 26 00 01 08 31 32 33 34 FF FF FF FF => 90 00",
                           kPin1 + " => 69 84",
                           "00 20 00 01 00 => 90 00",
                           "00 24 00 01 10 31 32 33 34 FF FF FF FF 30 30 30 30 FF FF FF FF => "
                           "69 84",
                           "00 26 00 01 08 31 32 33 34 FF FF FF FF => 69 84",
                           kLnd,
                           "00 B2 01 04 04 => FF FF FF FF 90 00",
                           "00 28 00 01 08 39 39 39 39 FF FF FF FF => 63 C2",
                           "00 28 00 01 08 31 32 33 34 FF FF FF FF => 90 00",
                           "00 28 00 01 08 31 32 33 34 FF FF FF FF => 69 85",
                           kAid,
                           "00 26 00 81 08 35 36 37 38 FF FF FF FF => 69 85",
                           "00 24 00 01 10 31 32 33 34 FF FF FF FF 30 30 30 30 FF FF FF FF => "
                           "90 00",
                           kPin1 + " => 63 C2",
                           "00 20 00 01 08 30 30 30 30 FF FF FF FF => 90 00"};
    }

    void steps()
    {
        QFETCH(QStringList, steps);
        auto card = makeCard();
        runSteps(*card, steps);
    }

    void faults()
    {
        auto card = makeCard(R"({"faults": [
            {"afterApdus": 4, "do": "remove"}, {"command": "00 B0 00 00", "sw": "6F 00"},
            {"command": "00 C0", "truncate": 3}]})");
        runSteps(*card, {"00 A4 00 04 02 2F E2 => 61 2B", "00 C0 00 00 2B => 62 29 82",
                         "00 B0 00 00 02 => 6F 00", "00 B0 00 01 01 => 94 90 00"});
        QVERIFY(card->transmit(hex("00 A4 00 04 02 3F 00")).removed);
        runSteps(*card, {"00 A4 00 04 02 3F 00 => 61 29"});
    }

    void profileErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("unknown card kind") << QByteArray(R"({"kind": "usim"})");
        QTest::newRow("class 00 on a SIM") << QByteArray(R"({"classes": ["00", "A0"]})");
        QTest::newRow("unknown class")
            << QByteArray(R"({"kind": "uicc", "classes": ["00", "80"]})");
        QTest::newRow("ADF without AID")
            << QByteArray(R"({"kind": "uicc", "files": [{"path": "3F00/7FF0", "kind": "adf"}]})");
        QTest::newRow("ADF below a DF") << QByteArray(
            R"({"kind": "uicc", "files": [{"path": "3F00/7F10/7FF0", "kind": "adf", "aid": "A0 00 00 00 87"}]})");
        QTest::newRow("SFI 31") << QByteArray(
            R"({"kind": "uicc", "files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00", "sfi": 31}]})");
        QTest::newRow("fill longer than the record") << QByteArray(
            R"({"kind": "uicc", "files": [{"path": "3F00/2F00", "kind": "linear", "recordLength": 1, "recordCount": 1, "fill": "00 00"}]})");
        QTest::newRow("256 records on a UICC") << QByteArray(
            R"({"kind": "uicc", "files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 1, "recordCount": 256}]})");
    }

    void profileErrors()
    {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!vsim::cardFromJson(QJsonDocument::fromJson(json).object(), &error));
        QVERIFY(!error.isEmpty());
    }

    void saveKeepsTheUiccParts()
    {
        const char* const classes = R"({"classes": ["00"]})";
        auto card = makeCard(classes);
        runSteps(*card, {"A0 A4 00 00 02 3F 00 => 6E 00", kAid,
                         "00 26 00 01 08 31 32 33 34 FF FF FF FF => 90 00",
                         "00 A4 08 04 06 7F FF 5F 3A 4F 11 => 61 2E",
                         "00 DC 02 04 0F 00 03 81 21 F3 FF FF FF FF FF FF FF FF FF FF => 90 00"});
        QTemporaryDir dir;
        const QString path = dir.filePath("card.json");
        QString error;
        QVERIFY2(vsim::saveProfile(*card, path, profileWith(classes), &error), qPrintable(error));
        auto again = vsim::loadProfile(path, &error);
        QVERIFY2(again, qPrintable(error));
        QCOMPARE(again->atr(), hex("3B 87 80 1F C7 80 31 E0 73 FE 21 13 31"));
        QCOMPARE(again->record("3F00/7FF0/5F3A/4F11", 2),
                 hex("00 03 81 21 F3") + QByteArray(10, char(0xFF)));
        QCOMPARE(again->record("3F00/7FF0/5F3A/4F11", 3),
                 QByteArray(1, '\0') + QByteArray(14, char(0xFF)));
        QVERIFY(!again->chv(1).enabled);
        QCOMPARE(again->file("3F00/7FF0")->aid, hex("A0 00 00 00 87 10 02 FF 49"));
        QCOMPARE(again->file("3F00/7FF0/5F3A/4F3A")->sfi, uint8_t(1));
        QVERIFY(again->file("3F00/7FF0/5F3A/4F4A")->invalidated);
        // the profile's own keys stay: the saved card answers class 00 only again
        runSteps(*again, {"A0 A4 00 00 02 3F 00 => 6E 00", kAid});
    }
};

QTEST_GUILESS_MAIN(TestUiccCard)
#include "TestUiccCard.moc"
