// The virtual SIM's APDU processor, checked against GSM 11.11: every expected
// answer below is written from the command set's tables, not from the code.
#include "vsim/CardProfile.h"
#include "vsim/SimCard.h"

#include <QJsonDocument>
#include <QTest>

using vsim::SimCard;

namespace {

// A small card: PIN1 1234 (PUK 12345678), PIN2 5678 (PUK 87654321).
const char* const kProfile = R"({
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

QByteArray hex(const char* text)
{
    return *vsim::fromHex(QString::fromLatin1(text));
}

std::unique_ptr<SimCard> makeCard(const char* json = kProfile)
{
    QString error;
    auto card = vsim::cardFromJson(QJsonDocument::fromJson(json).object(), &error);
    if (!card)
        qFatal("profile: %s", qPrintable(error));
    return card;
}

QByteArray send(SimCard& card, const char* apdu)
{
    return card.transmit(hex(apdu)).bytes;
}

QByteArray pinField(const char* digits)
{
    return vsim::secretField(digits);
}

QByteArray verifyApdu(int chv, const char* digits)
{
    return hex("A0 20 00") + char(chv) + char(8) + pinField(digits);
}

QByteArray sw(SimCard& card, const QByteArray& apdu)
{
    return card.transmit(apdu).bytes.right(2);
}

// GET RESPONSE of MF after selecting it; the status word is cut off.
QByteArray mfResponse(SimCard& card)
{
    const QByteArray selected = send(card, "A0 A4 00 00 02 3F 00");
    const QByteArray get = hex("A0 C0 00 00") + selected.right(1);
    return card.transmit(get).bytes.chopped(2);
}

void selectPath(SimCard& card, const QList<const char*>& ids)
{
    for (const char* id : ids) {
        const QByteArray answer = card.transmit(hex("A0 A4 00 00 02") + hex(id)).bytes;
        QCOMPARE(uint8_t(answer.at(0)), uint8_t(0x9F));
    }
}

} // namespace

class TestSimCard : public QObject
{
    Q_OBJECT

private slots:

    void selectAnswersResponseLength_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("lastAnswer");
        // MF/DF answers are 34 bytes (9F 22), EF answers 15 bytes (9F 0F).
        QTest::newRow("MF") << QStringList{"3F00"} << "9F 22";
        QTest::newRow("DF under MF") << QStringList{"3F00", "7F10"} << "9F 22";
        QTest::newRow("EF in DF") << QStringList{"3F00", "7F10", "6F3A"} << "9F 0F";
        QTest::newRow("EF beside the current EF")
            << QStringList{"3F00", "7F10", "6F3A", "6F44"} << "9F 0F";
        QTest::newRow("sibling DF") << QStringList{"3F00", "7F10", "7F20"} << "9F 22";
        QTest::newRow("parent from EF's DF")
            << QStringList{"3F00", "7F20", "6F46", "3F00"} << "9F 22";
        QTest::newRow("EF of another DF") << QStringList{"3F00", "7F20", "6F3A"} << "94 04";
        QTest::newRow("EF of MF from a DF") << QStringList{"3F00", "7F10", "2FE2"} << "94 04";
        QTest::newRow("absent EF") << QStringList{"3F00", "7F10", "6F40"} << "94 04";
        QTest::newRow("EF not reachable from MF") << QStringList{"3F00", "6F3A"} << "94 04";
    }

    void selectAnswersResponseLength()
    {
        QFETCH(QStringList, path);
        QFETCH(QString, lastAnswer);
        auto card = makeCard();
        QByteArray answer;
        for (const QString& id : path)
            answer = card->transmit(hex("A0 A4 00 00 02") + hex(qPrintable(id))).bytes;
        QCOMPARE(answer, hex(qPrintable(lastAnswer)));
    }

    void failedSelectKeepsCurrentFile()
    {
        auto card = makeCard();
        QVERIFY(send(*card, "A0 20 00 01 08 31 32 33 34 FF FF FF FF").endsWith(hex("90 00")));
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 A4 00 00 02 6F 99"), hex("94 04"));
        QCOMPARE(card->currentPath(), QStringLiteral("3F00/7F10/6F3A"));
        QVERIFY(send(*card, "A0 B2 01 04 1C").startsWith(hex("41 6E 6E 61")));
    }

    void directoryResponseLayout()
    {
        auto card = makeCard();
        const QByteArray r = mfResponse(*card);
        QCOMPARE(r.size(), 34);
        QCOMPARE(r.mid(4, 2), hex("3F 00"));        // bytes 5-6: file id
        QCOMPARE(r.at(6), char(0x01));              // byte 7: MF
        QCOMPARE(r.at(12), char(34 - 13));          // byte 13: length of the GSM data
        QCOMPARE(r.at(13) & 0x80, 0);               // byte 14 b8: CHV1 enabled
        QCOMPARE(r.at(14), char(2));                // byte 15: DFs 7F10, 7F20
        QCOMPARE(r.at(15), char(1));                // byte 16: EF 2FE2
        QCOMPARE(r.mid(18, 4), hex("83 8A 83 8A")); // bytes 19-22: initialised, 3 and 10 tries

        selectPath(*card, {"7F10"});
        const QByteArray df = card->transmit(hex("A0 C0 00 00 22")).bytes;
        QCOMPARE(df.right(2), hex("90 00"));
        QCOMPARE(df.mid(4, 3), hex("7F 10 02")); // DF 7F10, type 02
        QCOMPARE(df.at(14), char(0));
        QCOMPARE(df.at(15), char(4));
        // STATUS gives the current directory's answer.
        QCOMPARE(send(*card, "A0 F2 00 00 22"), df);
    }

    void fileResponseLayout()
    {
        auto card = makeCard();
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        // size 280 = 01 18, id 6F3A, EF, access read CHV1 / update CHV1, not invalidated,
        // linear fixed, 28-byte records.
        QCOMPARE(send(*card, "A0 C0 00 00 0F"),
                 hex("00 00 01 18 6F 3A 04 00 11 F0 44 01 02 01 1C 90 00"));
        selectPath(*card, {"6F3B"});
        QCOMPARE(send(*card, "A0 C0 00 00 0F").mid(8, 1), hex("12")); // FDN: update CHV2
        selectPath(*card, {"6F44"});
        QCOMPARE(send(*card, "A0 C0 00 00 0F").mid(13, 2), hex("03 1C")); // cyclic
        selectPath(*card, {"3F00", "2FE2"});
        QCOMPARE(send(*card, "A0 C0 00 00 0F"),
                 hex("00 00 00 0A 2F E2 04 00 0F F0 44 01 02 00 00 90 00"));
        // A shorter GET RESPONSE is allowed; a longer one is not.
        QCOMPARE(send(*card, "A0 A4 00 00 02 2F E2"), hex("9F 0F"));
        QCOMPARE(send(*card, "A0 C0 00 00 10"), hex("67 00"));
    }

    void commandErrors_data()
    {
        QTest::addColumn<QString>("apdu");
        QTest::addColumn<QString>("answer");
        QTest::newRow("class 00") << "00 A4 00 00 02 3F 00"
                                  << "6E 00";
        QTest::newRow("unknown instruction") << "A0 FA 00 00 00"
                                             << "6D 00";
        QTest::newRow("SEEK not supported") << "A0 A2 00 00 01 41"
                                            << "6D 00";
        QTest::newRow("select P1") << "A0 A4 01 00 02 3F 00"
                                   << "6B 00";
        QTest::newRow("select P3") << "A0 A4 00 00 03 3F 00 00"
                                   << "67 00";
        QTest::newRow("header only") << "A0 A4 00 00"
                                     << "67 00";
        QTest::newRow("get response, nothing waiting") << "A0 C0 00 00 0F"
                                                       << "6F 00";
        QTest::newRow("read binary, no EF") << "A0 B0 00 00 01"
                                            << "94 00";
        QTest::newRow("verify CHV3") << "A0 20 00 03 08 31 32 33 34 FF FF FF FF"
                                     << "6B 00";
        QTest::newRow("verify P3") << "A0 20 00 01 04 31 32 33 34"
                                   << "67 00";
        QTest::newRow("disable CHV2") << "A0 26 00 02 08 35 36 37 38 FF FF FF FF"
                                      << "6B 00";
        QTest::newRow("unblock reference 01")
            << "A0 2C 00 01 10 31 32 33 34 35 36 37 38 31 32 33 34 FF FF FF FF"
            << "6B 00";
    }

    void commandErrors()
    {
        QFETCH(QString, apdu);
        QFETCH(QString, answer);
        auto card = makeCard();
        QCOMPARE(card->transmit(hex(qPrintable(apdu))).bytes, hex(qPrintable(answer)));
    }

    void binaryFiles()
    {
        auto card = makeCard();
        selectPath(*card, {"3F00", "2FE2"});
        QCOMPARE(send(*card, "A0 B0 00 00 0A"), hex("98 94 00 00 00 00 00 00 00 F1 90 00"));
        QCOMPARE(send(*card, "A0 B0 00 08 02"), hex("00 F1 90 00"));
        QCOMPARE(send(*card, "A0 B0 00 0A 01"), hex("94 02"));    // offset past the end
        QCOMPARE(send(*card, "A0 B0 00 05 06"), hex("67 00"));    // runs past the end
        QCOMPARE(send(*card, "A0 B2 01 04 0A"), hex("94 08"));    // records of a transparent EF
        QCOMPARE(send(*card, "A0 D6 00 00 01 11"), hex("98 04")); // ICCID is never updated

        selectPath(*card, {"7F20", "6F46"});
        QCOMPARE(send(*card, "A0 B0 00 00 11"),
                 hex("00 41 42 43 FF FF FF FF FF FF FF FF FF FF FF FF FF 90 00"));

        // UPDATE BINARY where it is allowed.
        card->file("3F00/7F20/6F46")->update = vsim::Access::Always;
        QCOMPARE(send(*card, "A0 D6 00 01 02 58 59"), hex("90 00"));
        QCOMPARE(card->binary("3F00/7F20/6F46").left(4), hex("00 58 59 43"));
        QCOMPARE(send(*card, "A0 D6 00 10 02 58 59"), hex("67 00"));
        QCOMPARE(send(*card, "A0 D6 00 11 01 58"), hex("94 02"));

        selectPath(*card, {"3F00", "7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 B0 00 00 01"), hex("94 08")); // binary of a record EF

        // An invalidated EF is still selected (file status byte 12 b1 = 0) but not read.
        card->file("3F00/2FE2")->invalidated = true;
        selectPath(*card, {"3F00", "2FE2"});
        QCOMPARE(send(*card, "A0 C0 00 00 0F").mid(11, 1), hex("00"));
        QCOMPARE(send(*card, "A0 B0 00 00 0A"), hex("98 10"));
    }

    void linearRecordAddressing_data()
    {
        // Each step: READ RECORD P1 P2; the answer is the first byte of the record or the status
        // word.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("answers");
        QTest::newRow("absolute") << QStringList{"01 04", "0A 04", "0B 04", "00 04"}
                                  << QStringList{"41", "5A", "94 02", "5A"};
        QTest::newRow("current before any record") << QStringList{"00 04"} << QStringList{"94 02"};
        QTest::newRow("next starts at 1")
            << QStringList{"00 02", "00 02"} << QStringList{"41", "FF"};
        QTest::newRow("previous starts at the last")
            << QStringList{"00 03", "00 03"} << QStringList{"5A", "FF"};
        QTest::newRow("next stops at the end")
            << QStringList{"0A 04", "00 02", "00 04"} << QStringList{"5A", "94 02", "5A"};
        QTest::newRow("previous stops at 1")
            << QStringList{"01 04", "00 03"} << QStringList{"41", "94 02"};
        QTest::newRow("unknown mode")
            << QStringList{"01 05", "01 00"} << QStringList{"6B 00", "6B 00"};
    }

    void linearRecordAddressing()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, answers);
        auto card = makeCard();
        QVERIFY(send(*card, "A0 20 00 01 08 31 32 33 34 FF FF FF FF") == hex("90 00"));
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        for (int i = 0; i < steps.size(); ++i) {
            const QByteArray answer =
                card->transmit(hex("A0 B2") + hex(qPrintable(steps[i])) + char(28)).bytes;
            const QByteArray expected = hex(qPrintable(answers[i]));
            if (expected.size() == 2) {
                QCOMPARE(answer, expected);
            } else {
                QCOMPARE(answer.size(), 30);
                QCOMPARE(answer.left(1), expected);
                QCOMPARE(answer.right(2), hex("90 00"));
            }
        }
        QCOMPARE(send(*card, "A0 B2 01 04 1D"), hex("67 00")); // length is not the record length
    }

    void updateRecordWritesAndChecksLength()
    {
        auto card = makeCard();
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("90 00"));
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        const QByteArray record = hex("42 6F 62 FF FF FF FF FF FF FF FF FF FF FF 02 81 55 F5 "
                                      "FF FF FF FF FF FF FF FF FF FF");
        QCOMPARE(sw(*card, hex("A0 DC 05 04 1C") + record), hex("90 00"));
        QCOMPARE(card->record("3F00/7F10/6F3A", 5), record);
        QCOMPARE(sw(*card, hex("A0 DC 00 02 1C") + record), hex("90 00")); // next after 5
        QCOMPARE(card->record("3F00/7F10/6F3A", 6), record);
        QCOMPARE(sw(*card, hex("A0 DC 0B 04 1C") + record), hex("94 02"));
        QCOMPARE(sw(*card, hex("A0 DC 05 04 1B") + record.left(27)), hex("67 00"));
        QCOMPARE(send(*card, "A0 B2 05 04 1C"), record + hex("90 00"));
    }

    void cyclicFileKeepsNewestFirst()
    {
        auto card = makeCard();
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("90 00"));
        selectPath(*card, {"3F00", "7F10", "6F44"});
        auto recordOf = [](char c) { return QByteArray(28, c); };
        for (char c : {'A', 'B', 'C'})
            QCOMPARE(sw(*card, hex("A0 DC 00 03 1C") + recordOf(c)), hex("90 00"));
        // Record 1 is the one written last; the oldest record is overwritten next.
        QCOMPARE(card->record("3F00/7F10/6F44", 1), recordOf('C'));
        QCOMPARE(card->record("3F00/7F10/6F44", 2), recordOf('B'));
        QCOMPARE(card->record("3F00/7F10/6F44", 3), recordOf('A'));
        QCOMPARE(card->record("3F00/7F10/6F44", 4), recordOf(char(0xFF)));
        for (char c : {'D', 'E'})
            QCOMPARE(sw(*card, hex("A0 DC 00 03 1C") + recordOf(c)), hex("90 00"));
        QCOMPARE(card->record("3F00/7F10/6F44", 1), recordOf('E'));
        QCOMPARE(card->record("3F00/7F10/6F44", 4), recordOf('B'));

        // Reading: absolute by age, next and previous wrap around.
        QCOMPARE(send(*card, "A0 B2 02 04 1C"), recordOf('D') + hex("90 00"));
        QCOMPARE(send(*card, "A0 B2 04 04 1C"), recordOf('B') + hex("90 00"));
        QCOMPARE(send(*card, "A0 B2 00 02 1C"), recordOf('E') + hex("90 00"));
        QCOMPARE(send(*card, "A0 B2 00 03 1C"), recordOf('B') + hex("90 00"));
        // A cyclic file is only written with PREVIOUS.
        QCOMPARE(sw(*card, hex("A0 DC 01 04 1C") + recordOf('F')), hex("6B 00"));
        QCOMPARE(sw(*card, hex("A0 DC 00 02 1C") + recordOf('F')), hex("6B 00"));
    }

    void accessConditions_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("codes"); // "" none, "1" PIN1, "12" PIN1 and PIN2
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer");
        const QString readAdn = "A0 B2 01 04 1C";
        const QString updateFdn = "A0 DC 01 04 1C" + QString(" FF").repeated(28);
        QTest::newRow("ADN read without PIN1")
            << QStringList{"7F10", "6F3A"} << "" << readAdn << "98 04";
        QTest::newRow("ADN read with PIN1")
            << QStringList{"7F10", "6F3A"} << "1" << readAdn << "90 00";
        QTest::newRow("FDN read with PIN1") << QStringList{"7F10", "6F3B"} << "1"
                                            << "A0 B2 01 04 1C"
                                            << "90 00";
        QTest::newRow("FDN update with PIN1 only")
            << QStringList{"7F10", "6F3B"} << "1" << updateFdn << "98 04";
        QTest::newRow("FDN update with PIN2")
            << QStringList{"7F10", "6F3B"} << "12" << updateFdn << "90 00";
        QTest::newRow("EXT1 read without PIN1") << QStringList{"7F10", "6F4A"} << ""
                                                << "A0 B2 01 04 0D"
                                                << "98 04";
        QTest::newRow("ICCID without PIN1") << QStringList{"2FE2"} << ""
                                            << "A0 B0 00 00 0A"
                                            << "90 00";
        QTest::newRow("SPN without PIN1") << QStringList{"7F20", "6F46"} << ""
                                          << "A0 B0 00 00 11"
                                          << "90 00";
        QTest::newRow("SPN update with PIN1 and 2") << QStringList{"7F20", "6F46"} << "12"
                                                    << "A0 D6 00 00 01 00"
                                                    << "98 04";
    }

    void accessConditions()
    {
        QFETCH(QStringList, path);
        QFETCH(QString, codes);
        QFETCH(QString, command);
        QFETCH(QString, answer);
        auto card = makeCard();
        if (codes.contains('1'))
            QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("90 00"));
        if (codes.contains('2'))
            QCOMPARE(sw(*card, verifyApdu(2, "5678")), hex("90 00"));
        selectPath(*card, {"3F00"});
        for (const QString& id : path)
            selectPath(*card, {qPrintable(id)});
        QCOMPARE(card->transmit(hex(qPrintable(command))).bytes.right(2), hex(qPrintable(answer)));
    }

    void threeWrongPinsBlockAndPukUnblocks()
    {
        auto card = makeCard();
        QCOMPARE(sw(*card, verifyApdu(1, "0000")), hex("98 04"));
        QCOMPARE(uint8_t(mfResponse(*card).at(18)), uint8_t(0x82));
        QCOMPARE(sw(*card, verifyApdu(1, "0000")), hex("98 04"));
        QCOMPARE(sw(*card, verifyApdu(1, "0000")), hex("98 40"));
        QCOMPARE(uint8_t(mfResponse(*card).at(18)), uint8_t(0x80));
        // Blocked: even the right PIN is refused, and the book stays closed.
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("98 40"));
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 B2 01 04 1C"), hex("98 04"));

        // A wrong PUK costs a PUK try; the right one sets the new PIN and both counters.
        const QByteArray wrongPuk = hex("A0 2C 00 00 10") + pinField("11111111") + pinField("4321");
        QCOMPARE(sw(*card, wrongPuk), hex("98 04"));
        QCOMPARE(uint8_t(mfResponse(*card).at(19)), uint8_t(0x89));
        const QByteArray puk = hex("A0 2C 00 00 10") + pinField("12345678") + pinField("4321");
        QCOMPARE(sw(*card, puk), hex("90 00"));
        QCOMPARE(mfResponse(*card).mid(18, 2), hex("83 8A"));
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("98 04"));
        QCOMPARE(sw(*card, verifyApdu(1, "4321")), hex("90 00"));
        QCOMPARE(card->chv(1).tries, 3);

        // A right PIN after wrong ones resets the counter.
        QCOMPARE(sw(*card, verifyApdu(1, "0000")), hex("98 04"));
        QCOMPARE(sw(*card, verifyApdu(1, "4321")), hex("90 00"));
        QCOMPARE(uint8_t(mfResponse(*card).at(18)), uint8_t(0x83));
    }

    void tenWrongPuksKillTheCard()
    {
        auto card = makeCard();
        const QByteArray wrongPuk2 =
            hex("A0 2C 00 02 10") + pinField("00000000") + pinField("1111");
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(sw(*card, wrongPuk2), hex("98 04"));
        QCOMPARE(uint8_t(mfResponse(*card).at(21)), uint8_t(0x81));
        QCOMPARE(sw(*card, wrongPuk2), hex("98 40"));
        const QByteArray puk2 = hex("A0 2C 00 02 10") + pinField("87654321") + pinField("1111");
        QCOMPARE(sw(*card, puk2), hex("98 40"));
        QCOMPARE(mfResponse(*card).mid(20, 2), hex("83 80"));
        QCOMPARE(card->chv(2).unblockTries, 0);
        // PIN1's unblock counter is separate.
        QCOMPARE(uint8_t(mfResponse(*card).at(19)), uint8_t(0x8A));
    }

    void disableEnableAndChange()
    {
        auto card = makeCard();
        const QByteArray disable = hex("A0 26 00 01 08") + pinField("1234");
        const QByteArray enable = hex("A0 28 00 01 08") + pinField("1234");
        QCOMPARE(sw(*card, enable), hex("98 08")); // already enabled
        QCOMPARE(sw(*card, hex("A0 26 00 01 08") + pinField("9999")), hex("98 04"));
        QCOMPARE(card->chv(1).tries, 2);
        QCOMPARE(sw(*card, disable), hex("90 00"));
        QCOMPARE(mfResponse(*card).at(13) & 0x80, 0x80);
        QCOMPARE(sw(*card, disable), hex("98 08"));
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("98 08"));

        // With PIN1 disabled the phone book is open after a reset.
        card->reset();
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 B2 01 04 1C").right(2), hex("90 00"));

        QCOMPARE(sw(*card, enable), hex("90 00"));
        QCOMPARE(mfResponse(*card).at(13) & 0x80, 0);
        card->reset();
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 B2 01 04 1C"), hex("98 04"));

        // CHANGE CHV: a wrong old PIN counts, the right one replaces it.
        const QByteArray change = hex("A0 24 00 01 10") + pinField("1234") + pinField("87654");
        QCOMPARE(sw(*card, hex("A0 24 00 01 10") + pinField("1111") + pinField("87654")),
                 hex("98 04"));
        QCOMPARE(sw(*card, change), hex("90 00"));
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("98 04"));
        QCOMPARE(sw(*card, verifyApdu(1, "87654")), hex("90 00"));
        const QByteArray change2 = hex("A0 24 00 02 10") + pinField("5678") + pinField("0000");
        QCOMPARE(sw(*card, change2), hex("90 00"));
        QCOMPARE(card->chv(2).code, pinField("0000"));
    }

    void chv2Uninitialised()
    {
        auto card = makeCard(R"({"chv1": {"code": "1234", "unblock": "12345678"}})");
        QCOMPARE(sw(*card, verifyApdu(2, "5678")), hex("98 02"));
        QCOMPARE(sw(*card, hex("A0 2C 00 02 10") + pinField("87654321") + pinField("1")),
                 hex("98 02"));
        QCOMPARE(mfResponse(*card).mid(20, 2), hex("00 00"));
    }

    void resetForgetsVerification()
    {
        auto card = makeCard();
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("90 00"));
        selectPath(*card, {"3F00", "7F10", "6F3A"});
        card->reset();
        QCOMPARE(card->currentPath(), QStringLiteral("3F00"));
        QCOMPARE(send(*card, "A0 B2 01 04 1C"), hex("94 00"));
        selectPath(*card, {"7F10", "6F3A"});
        QCOMPARE(send(*card, "A0 B2 01 04 1C"), hex("98 04"));
    }

    void faults()
    {
        auto card =
            makeCard(R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "98 94"}],
        "faults": [{"afterApdus": 3, "do": "remove"},
                   {"command": "A0 B0 00 00", "sw": "6F 00"},
                   {"command": "A0 C0", "truncate": 1}]})");
        QCOMPARE(send(*card, "A0 A4 00 00 02 2F E2"), hex("9F 0F"));
        QCOMPARE(send(*card, "A0 B0 00 00 02"), hex("6F 00"));    // status-word fault
        QCOMPARE(send(*card, "A0 B0 00 01 01"), hex("94 90 00")); // other offsets pass
        QCOMPARE(card->apduCount(), 3);
        const vsim::Response removed = card->transmit(hex("A0 C0 00 00 0F"));
        QVERIFY(removed.removed);
        QVERIFY(removed.bytes.isEmpty());
        // The removal fires once; afterwards the truncation cuts GET RESPONSE to one byte.
        QCOMPARE(send(*card, "A0 A4 00 00 02 2F E2"), hex("9F 0F"));
        QCOMPARE(send(*card, "A0 C0 00 00 0F"), hex("00"));
        QCOMPARE(send(*card, "A0 B0 00 00 02"), hex("6F 00")); // status-word faults repeat

        // Faults given on their own, as the command line does.
        vsim::Fault f;
        QString error;
        QVERIFY(vsim::faultFromJson(
            QJsonDocument::fromJson(R"({"afterApdus": 1, "command": "A0 B0", "do": "remove"})")
                .object(),
            &f, &error));
        QCOMPARE(f.commandPrefix, hex("A0 B0"));
        QCOMPARE(f.afterApdus, 1);
        QVERIFY(!vsim::faultFromJson(QJsonDocument::fromJson(R"({"do": "explode"})").object(), &f,
                                     &error));
    }

    void profileErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("unknown kind")
            << QByteArray(R"({"files": [{"path": "3F00/6F3A", "kind": "tree"}]})");
        QTest::newRow("path outside MF") << QByteArray(
            R"({"files": [{"path": "7F10/6F3A", "kind": "linear", "recordLength": 28, "recordCount": 1}]})");
        QTest::newRow("bad id") << QByteArray(
            R"({"files": [{"path": "3F00/6G3A", "kind": "transparent", "data": ""}]})");
        QTest::newRow("twice") << QByteArray(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00"}, {"path": "3F00/2FE2", "kind": "transparent", "data": "00"}]})");
        QTest::newRow("EF used as DF") << QByteArray(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00"}, {"path": "3F00/2FE2/6F3A", "kind": "transparent", "data": "00"}]})");
        QTest::newRow("record too long") << QByteArray(
            R"({"files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 2, "recordCount": 1, "records": {"1": "00 00 00"}}]})");
        QTest::newRow("record number 0") << QByteArray(
            R"({"files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 2, "recordCount": 1, "records": {"0": "00"}}]})");
        QTest::newRow("no record count") << QByteArray(
            R"({"files": [{"path": "3F00/7F10/6F3A", "kind": "linear", "recordLength": 28}]})");
        QTest::newRow("bad access") << QByteArray(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "00", "read": "pin"}]})");
        QTest::newRow("bad ATR") << QByteArray(R"({"atr": "3B"})");
        QTest::newRow("bad fault") << QByteArray(R"({"faults": [{"sw": "6F"}]})");
    }

    void profileErrors()
    {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!vsim::cardFromJson(QJsonDocument::fromJson(json).object(), &error));
        QVERIFY(!error.isEmpty());
    }

    void saveKeepsState()
    {
        auto card = makeCard();
        QCOMPARE(sw(*card, verifyApdu(1, "0000")), hex("98 04"));
        QCOMPARE(sw(*card, verifyApdu(1, "1234")), hex("90 00"));
        QCOMPARE(sw(*card, verifyApdu(2, "0000")), hex("98 04"));
        selectPath(*card, {"3F00", "7F10", "6F44"});
        QCOMPARE(sw(*card, hex("A0 DC 00 03 1C") + QByteArray(28, 'L')), hex("90 00"));
        card->file("3F00/2FE2")->read = vsim::Access::Never;

        QTemporaryDir dir;
        const QString path = dir.filePath("card.json");
        QString error;
        QVERIFY2(vsim::saveProfile(*card, path, {}, &error), qPrintable(error));
        auto again = vsim::loadProfile(path, &error);
        QVERIFY2(again, qPrintable(error));
        QCOMPARE(again->record("3F00/7F10/6F44", 1), QByteArray(28, 'L'));
        QCOMPARE(again->record("3F00/7F10/6F3A", 1), card->record("3F00/7F10/6F3A", 1));
        QCOMPARE(again->record("3F00/7F10/6F3A", 10).left(2), hex("5A FF"));
        QCOMPARE(again->chv(2).tries, 2);
        QCOMPARE(again->chv(1).tries, 3);
        QCOMPARE(again->binary("3F00/2FE2"), hex("98 94 00 00 00 00 00 00 00 F1"));
        QCOMPARE(again->file("3F00/2FE2")->read, vsim::Access::Never);
        QCOMPARE(again->file("3F00/7F10/6F4A")->records.size(), 5);
        QCOMPARE(again->atr(), hex("3B 02 14 50"));
    }
};

QTEST_GUILESS_MAIN(TestSimCard)
#include "TestSimCard.moc"
