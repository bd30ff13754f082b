// The virtual card's answers, as a GSM SIM and as a UICC, and the card profiles
// under tests/data/cards. Every expected answer is laid out by hand from the
// command set's tables (GSM 11.11 layouts, the UICC's FCP, status word and PIN
// rules), not from the code: the integration and end-to-end tests lean on this
// card, so a wrong answer here would hide a fault in the card code there.
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
    {"path": "3F00/7F10/6F44", "kind": "cyclic", "recordLength": 28, "recordCount": 4},
    {"path": "3F00/7F10/6F4A", "kind": "linear", "recordLength": 13, "recordCount": 5}
  ]})";

// A UICC: PIN1 1234 (PUK 12345678), PIN2 5678 (PUK 87654321). 287 bytes of EFs, 231 of them in
// the ADF.
const char* const kUicc = R"({
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

// The GSM class.
const QString kPin1 = "A0 20 00 01 08 31 32 33 34 FF FF FF FF";
const QString kMf = "A0 A4 00 00 02 3F 00";
const QString kMfResponse = "A0 C0 00 00 22";
const QString kTelecom = "A0 A4 00 00 02 7F 10";
// The UICC's class 00.
const QString kAid = "00 A4 04 04 09 A0 00 00 00 87 10 02 FF 49 => 61 34";
const QString kUiccPin1 = "00 20 00 01 08 31 32 33 34 FF FF FF FF";
const QString kUiccWrongPin1 = "00 20 00 01 08 39 39 39 39 FF FF FF FF => ";
const QString kLnd = "00 A4 08 04 04 7F 10 6F 44 => 61 2E";
// Security attributes: read and update after PIN1, (de)activation by ADM1.
const QString kPin1Rules = "AB 16 80 01 03 A4 06 83 01 01 95 01 08 80 01 18 A4 06 83 01 0A "
                           "95 01 08";
const QString kDfRules = "AB 0B 80 01 7F A4 06 83 01 0A 95 01 08";

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

// Each step is "APDU => answer"; an answer ending in "..." is a prefix, "removed" means the
// card left instead of answering; the step "reset" resets the card.
void runSteps(vsim::SimCard& card, const QStringList& steps)
{
    for (const QString& step : steps) {
        if (step == "reset") {
            card.reset();
            continue;
        }
        const QStringList parts = step.split(" => ");
        QString expected = parts[1];
        const bool prefix = expected.endsWith("...");
        if (prefix)
            expected.chop(3);
        const vsim::Response response = card.transmit(hex(parts[0]));
        const QByteArray& answer = response.bytes;
        if (expected == "removed") {
            if (!response.removed || !answer.isEmpty())
                QFAIL(qPrintable(step));
            continue;
        }
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
    // The GSM SIM, on a fresh card of kSim per row.
    void sim_data()
    {
        QTest::addColumn<QStringList>("steps");
        const auto select = [](const char* id) {
            return QStringLiteral("A0 A4 00 00 02 %1 => ").arg(QLatin1String(id));
        };
        const QString pin2 = withCodes("A0 20 00 02", {"5678"});
        const QString adnRecord1 = "41 6E 6E 61 FF FF FF FF FF FF FF FF FF FF 03 81 21 43 FF FF FF "
                                   "FF FF FF FF FF FF FF 90 00";
        // MF's answer up to byte 18: id 3F00, type MF, 21 bytes of GSM data, CHV1 enabled
        // (byte 14 b8 = 0), DFs 7F10 and 7F20, EF 2FE2, 4 secret codes.
        const QString mfHead = kMfResponse + " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 01 02 01 "
                                             "04 00";
        // Selecting answers 9F 22 for a directory (34 bytes waiting), 9F 0F for an EF.
        QTest::newRow("select") << QStringList{kPin1 + " => 90 00", select("3F 00") + "9F 22",
                                               select("7F 10") + "9F 22", select("6F 3A") + "9F 0F",
                                               select("6F 44") + "9F 0F", // beside the current EF
                                               select("3F 00") + "9F 22",
                                               select("6F 3A") + "94 04", // not reachable from MF
                                               select("7F 10") + "9F 22",
                                               select("7F 20") + "9F 22", // the sibling DF
                                               select("6F 3A") + "94 04", // an EF of another DF
                                               select("6F 46") + "9F 0F",
                                               select("3F 00") + "9F 22", // the parent
                                               select("7F 10") + "9F 22",
                                               select("2F E2") + "94 04", // an EF of MF
                                               select("6F 40") + "94 04", // absent
                                               select("6F 3A") + "9F 0F", select("6F 99") + "94 04",
                                               // a failed select keeps the current file
                                               "A0 B2 01 04 1C => " + adnRecord1};
        // Record 1 is the one written last; the oldest record is overwritten next; reading
        // NEXT and PREVIOUS wraps round; a cyclic file is only written with PREVIOUS.
        QTest::newRow("cyclic records")
            << QStringList{kPin1 + " => 90 00",
                           kTelecom + " => 9F 22",
                           select("6F 44") + "9F 0F",
                           "A0 DC 00 03 1C " + record28("41") + " => 90 00",
                           "A0 DC 00 03 1C " + record28("42") + " => 90 00",
                           "A0 DC 00 03 1C " + record28("43") + " => 90 00",
                           "A0 B2 01 04 1C => " + record28("43") + " 90 00",
                           "A0 B2 03 04 1C => " + record28("41") + " 90 00",
                           "A0 B2 04 04 1C => " + record28("FF") + " 90 00",
                           "A0 DC 00 03 1C " + record28("44") + " => 90 00",
                           "A0 DC 00 03 1C " + record28("45") + " => 90 00",
                           "A0 B2 01 04 1C => " + record28("45") + " 90 00",
                           "A0 B2 02 04 1C => " + record28("44") + " 90 00",
                           "A0 B2 04 04 1C => " + record28("42") + " 90 00",
                           "A0 B2 00 02 1C => " + record28("45") + " 90 00",
                           "A0 B2 00 03 1C => " + record28("42") + " 90 00",
                           "A0 DC 01 04 1C " + record28("46") + " => 6B 00",
                           "A0 DC 00 02 1C " + record28("46") + " => 6B 00"};
        // ADN read and update after PIN1, FDN update after PIN2, ICCID and SPN read always.
        QTest::newRow("access conditions")
            << QStringList{kTelecom + " => 9F 22",
                           select("6F 3A") + "9F 0F",
                           "A0 B2 01 04 1C => 98 04",
                           select("6F 4A") + "9F 0F",
                           "A0 B2 01 04 0D => 98 04",
                           kMf + " => 9F 22",
                           select("2F E2") + "9F 0F",
                           "A0 B0 00 00 0A => 98 94 ...",
                           select("7F 20") + "9F 22",
                           select("6F 46") + "9F 0F",
                           "A0 B0 00 00 11 => 00 41 42 43 FF ...",
                           kPin1 + " => 90 00",
                           kTelecom + " => 9F 22",
                           select("6F 3A") + "9F 0F",
                           "A0 B2 01 04 1C => " + adnRecord1,
                           select("6F 3B") + "9F 0F",
                           "A0 B2 01 04 1C => FF ...",
                           "A0 DC 01 04 1C " + record28("FF") + " => 98 04",
                           pin2 + " => 90 00",
                           "A0 DC 01 04 1C " + record28("FF") + " => 90 00",
                           kMf + " => 9F 22",
                           select("7F 20") + "9F 22",
                           select("6F 46") + "9F 0F",
                           "A0 D6 00 00 01 00 => 98 04"};
        // Three wrong PINs block PIN1 (byte 19 of MF's answer counts down), even the right PIN
        // is refused then and the book stays closed; a wrong PUK costs a PUK try; the right one
        // sets the new PIN and both counters; a right PIN after a wrong one resets the counter.
        const QString wrongPin1 = withCodes("A0 20 00 01", {"0000"});
        QTest::newRow("PIN1 blocked and unblocked")
            << QStringList{wrongPin1 + " => 98 04",
                           kMf + " => 9F 22",
                           mfHead + " 82 8A ...",
                           wrongPin1 + " => 98 04",
                           wrongPin1 + " => 98 40",
                           kMf + " => 9F 22",
                           mfHead + " 80 8A ...",
                           kPin1 + " => 98 40",
                           kTelecom + " => 9F 22",
                           select("6F 3A") + "9F 0F",
                           "A0 B2 01 04 1C => 98 04",
                           withCodes("A0 2C 00 00", {"11111111", "4321"}) + " => 98 04",
                           kMf + " => 9F 22",
                           mfHead + " 80 89 ...",
                           withCodes("A0 2C 00 00", {"12345678", "4321"}) + " => 90 00",
                           kMf + " => 9F 22",
                           mfHead + " 83 8A ...",
                           kPin1 + " => 98 04",
                           withCodes("A0 20 00 01", {"4321"}) + " => 90 00",
                           wrongPin1 + " => 98 04",
                           withCodes("A0 20 00 01", {"4321"}) + " => 90 00",
                           kMf + " => 9F 22",
                           mfHead + " 83 ..."};
        // With PIN1 disabled (byte 14 b8 = 1) the phone book is open after a reset. CHANGE
        // CHV: a wrong old PIN counts, the right one replaces it.
        const QString disable = withCodes("A0 26 00 01", {"1234"});
        const QString enable = withCodes("A0 28 00 01", {"1234"});
        QTest::newRow("disable, enable, change")
            << QStringList{enable + " => 98 08",
                           withCodes("A0 26 00 01", {"9999"}) + " => 98 04",
                           disable + " => 90 00",
                           kMf + " => 9F 22",
                           kMfResponse + " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 81 ...",
                           disable + " => 98 08",
                           kPin1 + " => 98 08",
                           "reset",
                           kTelecom + " => 9F 22",
                           select("6F 3A") + "9F 0F",
                           "A0 B2 01 04 1C => " + adnRecord1,
                           enable + " => 90 00",
                           kMf + " => 9F 22",
                           kMfResponse + " => 00 00 00 00 3F 00 01 00 00 00 00 00 15 01 ...",
                           "reset",
                           kTelecom + " => 9F 22",
                           select("6F 3A") + "9F 0F",
                           "A0 B2 01 04 1C => 98 04",
                           withCodes("A0 24 00 01", {"1111", "87654"}) + " => 98 04",
                           withCodes("A0 24 00 01", {"1234", "87654"}) + " => 90 00",
                           kPin1 + " => 98 04",
                           withCodes("A0 20 00 01", {"87654"}) + " => 90 00",
                           withCodes("A0 24 00 02", {"5678", "0000"}) + " => 90 00",
                           withCodes("A0 20 00 02", {"0000"}) + " => 90 00"};
    }

    void sim()
    {
        QFETCH(QStringList, steps);
        auto card = makeCard(kSim);
        runSteps(*card, steps);
    }

    // The UICC's answers to SELECT: the FCP through 61 xx and GET RESPONSE.
    void fcp_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("fcp");
        const QString pinStatus = "C6 09 90 01 C0 83 01 01 83 01 81"; // PIN1 and PIN2 enabled
        QTest::newRow("MF") << QStringList() << "00 A4 00 04 02 3F 00"
                            << "62 27 82 02 78 21 83 02 3F 00 8A 01 05 " + kDfRules + " " +
                                   pinStatus + " 81 02 01 1F";
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
        auto card = makeCard(kUicc);
        for (const QString& apdu : before)
            card->transmit(hex(apdu));
        const QByteArray expected = hex(fcp);
        QCOMPARE(card->transmit(hex(select)).bytes, hex("61") + char(expected.size()));
        QCOMPARE(card->transmit(hex("00 C0 00 00") + char(expected.size())).bytes,
                 expected + hex("90 00"));
    }

    // The UICC, on a fresh card of kUicc per row.
    void uicc_data()
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
            kUiccPin1 + " => 90 00",
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
            kUiccPin1 + " => 90 00",
            "00 D6 00 01 01 2B => 90 00",
            "00 B0 00 00 02 => 00 2B 90 00",
            "00 D6 00 01 02 2B 2C => 67 00",
            "00 D6 01 00 01 2B => 6B 00"}; // offset 256, not an SFI
        QTest::newRow("records by SFI")
            << QStringList{kAid,
                           kUiccPin1 + " => 90 00",
                           "00 A4 08 0C 04 7F FF 5F 3A => 90 00",
                           "00 B2 01 0C 1C => 41 6E 6E 61 FF ...",
                           "00 B2 00 02 1C => FF ...",
                           "00 B2 00 02 1C => 5A FF ...",
                           "00 B2 00 02 1C => 6A 83",
                           "00 B2 01 14 0D => 69 84", // EXT1 is deactivated
                           "00 B2 01 3C 1C => 6A 82",
                           "00 B2 01 FC 1C => 6B 00"};
        QTest::newRow("PIN1 counter and the PIN2 key reference") << QStringList{
            "00 20 00 01 00 => 63 C3", "00 20 00 01 => 63 C3", kUiccWrongPin1 + "63 C2",
            "00 20 00 01 00 => 63 C2", kUiccPin1 + " => 90 00", "00 20 00 01 00 => 90 00",
            "00 20 00 01 04 31 32 33 34 => 67 00",
            "00 20 01 01 08 31 32 33 34 FF FF FF FF => 6B 00",
            "00 20 00 02 08 31 32 33 34 FF FF FF FF => 6A 88",
            "00 20 00 81 08 35 36 37 38 FF FF FF FF => 6A 88", // local to the ADF
            kAid, "00 20 00 81 00 => 63 C3", "00 20 00 81 08 39 39 39 39 FF FF FF FF => 63 C2",
            "00 20 00 81 08 35 36 37 38 FF FF FF FF => 90 00",
            // the GSM class counts against the same PIN1
            "A0 20 00 01 08 39 39 39 39 FF FF FF FF => 98 04", "00 20 00 01 00 => 63 C2"};
        QTest::newRow("PIN1 blocked and unblocked")
            << QStringList{kUiccWrongPin1 + "63 C2",
                           kUiccWrongPin1 + "63 C1",
                           kUiccWrongPin1 + "63 C0",
                           kUiccPin1 + " => 69 83",
                           "00 20 00 01 00 => 63 C0",
                           "00 2C 00 01 00 => 63 CA",
                           "00 2C 00 01 10 39 39 39 39 39 39 39 39 31 32 33 34 FF FF FF FF => "
                           "63 C9",
                           "00 2C 00 01 10 31 32 33 34 35 36 37 38 34 33 32 31 FF FF FF FF => "
                           "90 00",
                           "00 2C 00 01 00 => 63 CA",
                           "00 20 00 01 00 => 90 00",
                           kUiccPin1 + " => 63 C2"};
        QTest::newRow("disable, enable, change")
            << QStringList{"00 26 00 01 08 39 39 39 39 FF FF FF FF => 63 C2",
                           "00 26 00 01 08 31 32 33 34 FF FF FF FF => 90 00",
                           kUiccPin1 + " => 69 84",
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
                           kUiccPin1 + " => 63 C2",
                           "00 20 00 01 08 30 30 30 30 FF FF FF FF => 90 00"};
    }

    void uicc()
    {
        QFETCH(QStringList, steps);
        auto card = makeCard(kUicc);
        runSteps(*card, steps);
    }

    // The profiles under tests/data/cards answer what their descriptions promise (the typical
    // card's book content is checked by the command-line tests against a hand-written file).
    void profiles_data()
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

    void profiles()
    {
        QFETCH(QString, profile);
        QFETCH(QStringList, steps);
        QString error;
        auto card = vsim::loadProfile(
            QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile), &error);
        QVERIFY2(card, qPrintable(error));
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
