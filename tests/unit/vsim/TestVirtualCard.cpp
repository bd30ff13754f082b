// The virtual card as a test tool: what no card test would notice if it went
// wrong. The card code always presents a code before it reads or writes, so the
// refusals of a card that was not unlocked are checked here, laid out by hand
// from the command set's tables (GSM 11.11 access conditions, the UICC's status
// words), not from the code; a card that let everything through would hide a
// fault in the card code. Broken profiles are refused with a reason.
#include "vsim/CardProfile.h"
#include "vsim/SimCard.h"

#include <QJsonDocument>
#include <QTest>

namespace {

// A small SIM: PIN1 1234 (PUK 12345678), PIN2 5678 (PUK 87654321).
const char* const kSim = R"({
  "atr": "3B 02 14 50",
  "chv1": {"code": "1234", "unblock": "12345678"},
  "chv2": {"code": "5678", "unblock": "87654321"},
  "files": [
    {"path": "3F00/2FE2", "kind": "transparent", "data": "98 94 00 00 00 00 00 00 00 F1"},
    {"path": "3F00/7F20/6F46", "kind": "transparent",
     "data": "00 41 42 43 FF FF FF FF FF FF FF FF FF FF FF FF FF"},
    {"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 28, "recordCount": 10,
     "records": {"1": "41 6E 6E 61 FF FF FF FF FF FF FF FF FF FF 03 81 21 43 FF FF FF FF FF FF FF FF FF FF",
                 "10": "5A"}},
    {"path": "3F00/7F10/6F3B", "kind": "linear", "recordLength": 28, "recordCount": 5},
    {"path": "3F00/7F10/6F4A", "kind": "linear", "recordLength": 13, "recordCount": 5}
  ]})";

// A UICC with the same codes; PIN2 is local to the application (key reference 81).
const char* const kUicc = R"({
  "kind": "uicc",
  "chv1": {"code": "1234", "unblock": "12345678"},
  "chv2": {"code": "5678", "unblock": "87654321"},
  "files": [
    {"path": "3F00/2FE2", "kind": "transparent", "sfi": 2, "data": "98 94 00 00 00 00 00 00 00 F1"},
    {"path": "3F00/7FF0", "kind": "adf", "aid": "A0 00 00 00 87 10 02 FF 49"},
    {"path": "3F00/7FF0/6F3B", "kind": "linear", "recordLength": 28, "recordCount": 2},
    {"path": "3F00/7FF0/5F3A/4F3A", "kind": "linear", "recordLength": 28, "recordCount": 3,
     "sfi": 1, "records": {"1": "41 6E 6E 61"}},
    {"path": "3F00/7F10/4F23", "kind": "transparent", "data": "00 2A"}
  ]})";

const QString kPin1 = "A0 20 00 01 08 31 32 33 34 FF FF FF FF";
const QString kMf = "A0 A4 00 00 02 3F 00";
const QString kTelecom = "A0 A4 00 00 02 7F 10";
const QString kAid = "00 A4 04 04 09 A0 00 00 00 87 10 02 FF 49 => 61 34";
const QString kUiccPin1 = "00 20 00 01 08 31 32 33 34 FF FF FF FF";

QByteArray hex(const QString& text)
{
    return *vsim::fromHex(text);
}

// A GSM command with class A0 and a secret field per code: "A0 20 00 01" + "1234".
QString withCodes(const QString& header, std::initializer_list<const char*> codes)
{
    QByteArray data;
    for (const char* code : codes)
        data += vsim::secretField(code);
    return header + QStringLiteral(" %1 ").arg(data.size(), 2, 16, QChar('0')).toUpper() +
           vsim::toHex(data);
}

// A record of 28 bytes `byte`, in hex.
QString record28(const char* byte)
{
    return QString(" %1").arg(QLatin1String(byte)).repeated(28).mid(1);
}

std::unique_ptr<vsim::SimCard> makeCard(const char* json)
{
    QString error;
    auto card = vsim::cardFromJson(QJsonDocument::fromJson(json).object(), &error);
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
        const vsim::Response response = card.transmit(hex(parts[0]));
        const QByteArray& answer = response.bytes;
        const QByteArray want = hex(expected);
        if (response.removed || (prefix ? !answer.startsWith(want) : answer != want))
            QFAIL(qPrintable(QStringLiteral("%1\n   got %2").arg(step, vsim::toHex(answer))));
    }
}

} // namespace

class TestVirtualCard : public QObject
{
    Q_OBJECT

private slots:
    // Reading and writing before and after the codes, on a fresh card per row.
    void accessConditions_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("steps");
        const auto select = [](const char* id) {
            return QStringLiteral("A0 A4 00 00 02 %1 => 9F 0F").arg(QLatin1String(id));
        };
        // ADN read and update after PIN1, FDN update after PIN2, ICCID and SPN read always,
        // SPN never updated.
        QTest::newRow("SIM") << QByteArray(kSim)
                             << QStringList{kTelecom + " => 9F 22",
                                            select("6F 3A"),
                                            "A0 B2 01 04 1C => 98 04",
                                            select("6F 4A"),
                                            "A0 B2 01 04 0D => 98 04",
                                            kMf + " => 9F 22",
                                            select("2F E2"),
                                            "A0 B0 00 00 0A => 98 94 ...",
                                            "A0 A4 00 00 02 7F 20 => 9F 22",
                                            select("6F 46"),
                                            "A0 B0 00 00 11 => 00 41 42 43 FF ...",
                                            kPin1 + " => 90 00",
                                            kTelecom + " => 9F 22",
                                            select("6F 3A"),
                                            "A0 B2 01 04 1C => 41 6E 6E 61 FF ...",
                                            select("6F 3B"),
                                            "A0 B2 01 04 1C => FF ...",
                                            "A0 DC 01 04 1C " + record28("FF") + " => 98 04",
                                            withCodes("A0 20 00 02", {"5678"}) + " => 90 00",
                                            "A0 DC 01 04 1C " + record28("FF") + " => 90 00",
                                            kMf + " => 9F 22",
                                            "A0 A4 00 00 02 7F 20 => 9F 22",
                                            select("6F 46"),
                                            "A0 D6 00 00 01 00 => 98 04"};
        // The same on a UICC: records by SFI and binary updates after PIN1, the FDN after
        // the application's PIN2, the ICCID never updated.
        QTest::newRow("UICC") << QByteArray(kUicc)
                              << QStringList{"00 A4 00 0C 02 2F E2 => 90 00",
                                             "00 B0 00 00 02 => 98 94 90 00",
                                             "00 A4 08 0C 04 7F 10 4F 23 => 90 00",
                                             "00 D6 00 01 01 2B => 69 82",
                                             kAid,
                                             "00 A4 08 0C 04 7F FF 5F 3A => 90 00",
                                             "00 B2 01 0C 1C => 69 82",
                                             kUiccPin1 + " => 90 00",
                                             "00 B2 01 0C 1C => 41 6E 6E 61 FF ...",
                                             "00 A4 08 0C 04 7F 10 4F 23 => 90 00",
                                             "00 D6 00 01 01 2B => 90 00",
                                             "00 B0 00 00 02 => 00 2B 90 00",
                                             "00 A4 08 0C 02 2F E2 => 90 00",
                                             "00 D6 00 00 01 11 => 69 82",
                                             "00 A4 08 0C 04 7F FF 6F 3B => 90 00",
                                             "00 DC 01 04 1C " + record28("FF") + " => 69 82",
                                             "00 20 00 81 08 35 36 37 38 FF FF FF FF => 90 00",
                                             "00 DC 01 04 1C " + record28("FF") + " => 90 00"};
    }

    void accessConditions()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, steps);
        auto card = makeCard(profile.constData());
        runSteps(*card, steps);
    }

    void profileErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("unknown kind")
            << QByteArray(R"({"files": [{"path": "3F00/6F3A", "kind": "tree"}]})");
        QTest::newRow("path outside MF") << QByteArray(
            R"({"files": [{"path": "7F10/6F3A", "kind": "linear", "recordLength": 28, "recordCount": 1}]})");
        QTest::newRow("twice") << QByteArray(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00"}, {"path": "3F00/2FE2", "kind": "transparent", "data": "00"}]})");
        QTest::newRow("record too long") << QByteArray(
            R"({"files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 2, "recordCount": 1, "records": {"1": "00 00 00"}}]})");
        QTest::newRow("no record count") << QByteArray(
            R"({"files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 28}]})");
        QTest::newRow("bad access") << QByteArray(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00", "read": "pin"}]})");
        QTest::newRow("bad ATR") << QByteArray(R"({"atr": "3B"})");
        QTest::newRow("bad fault") << QByteArray(R"({"faults": [{"sw": "6F"}]})");
        QTest::newRow("unknown card kind") << QByteArray(R"({"kind": "usim"})");
        QTest::newRow("class 00 on a SIM") << QByteArray(R"({"classes": ["00", "A0"]})");
        QTest::newRow("ADF without AID")
            << QByteArray(R"({"kind": "uicc", "files": [{"path": "3F00/7FF0", "kind": "adf"}]})");
        QTest::newRow("ADF below a DF") << QByteArray(
            R"({"kind": "uicc", "files": [{"path": "3F00/7F10/7FF0", "kind": "adf", "aid": "A0 00 00 00 87"}]})");
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
};

QTEST_GUILESS_MAIN(TestVirtualCard)
#include "TestVirtualCard.moc"
