// The GSM 11.11 commands as they leave the program: bytes, receive lengths,
// the judgement of status words and the decoding of the answers.
#include "CardTestSupport.h"

#include "card/commands/FileContents.h"
#include "card/commands/FileIds.h"
#include "card/sim/SimCommands.h"

#include <QTest>

#include <functional>

namespace {
const QString kReader = QStringLiteral("Reader A");
} // namespace

class TestSimCommands : public QObject
{
    Q_OBJECT

private:
    PcscApi m_api = spyingPcscApi();
    SCARDCONTEXT m_context = 0;
    SCARDHANDLE m_card = 0;
    std::shared_ptr<vsim::SimCard> m_sim;
    CardTransport m_transport{m_api, m_card};

    void insert(const SimShape& shape)
    {
        virtualPcsc().reset();
        virtualPcsc().addReader(kReader);
        m_sim = buildSim(shape);
        virtualPcsc().insertCard(kReader, m_sim);
        QCOMPARE(m_api.SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_context),
                 SCARD_S_SUCCESS);
        DWORD protocol = 0;
        QCOMPARE(m_api.SCardConnect(m_context, "Reader A", SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0,
                                    &m_card, &protocol),
                 SCARD_S_SUCCESS);
        virtualPcsc().clearLog();
    }

    void answerWith(const char* commandPrefix, uint16_t statusWord)
    {
        vsim::Fault fault;
        fault.commandPrefix = QByteArray::fromHex(commandPrefix);
        fault.action = vsim::Fault::Action::StatusWord;
        fault.statusWord = statusWord;
        fault.once = false;
        m_sim->faults().append(fault);
    }

private slots:
    void init() { insert(SimShape{}); }

    void commandBytes_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<uint>("receiveLength");

        // PIN fields: the ASCII digits, padded with FF to eight bytes.
        QTest::newRow("verify PIN1, 4 digits")
            << 0 << QByteArray::fromHex("A020000108 31323334 FFFFFFFF") << 20u;
        QTest::newRow("verify PIN1, 8 digits")
            << 1 << QByteArray::fromHex("A020000108 3132333435363738") << 20u;
        QTest::newRow("verify PIN1, empty")
            << 2 << QByteArray::fromHex("A020000108 FFFFFFFFFFFFFFFF") << 20u;
        QTest::newRow("verify PIN2")
            << 3 << QByteArray::fromHex("A020000208 35363738 FFFFFFFF") << 20u;
        QTest::newRow("change PIN2, old first")
            << 4 << QByteArray::fromHex("A024000210 31313131FFFFFFFF 32323232FFFFFFFF") << 20u;
        QTest::newRow("unblock PIN1, reference 0")
            << 5 << QByteArray::fromHex("A02C000010 3132333435363738 34333231FFFFFFFF") << 20u;
        QTest::newRow("unblock PIN2, reference 2")
            << 6 << QByteArray::fromHex("A02C000210 3837363534333231 393939FFFFFFFFFF") << 20u;
        QTest::newRow("disable PIN1")
            << 7 << QByteArray::fromHex("A026000108 31323334FFFFFFFF") << 20u;
        QTest::newRow("enable PIN1")
            << 8 << QByteArray::fromHex("A028000108 31323334FFFFFFFF") << 20u;
        QTest::newRow("select DF telecom") << 9 << QByteArray::fromHex("A0A4000002 7F10") << 10u;
        QTest::newRow("get response 0x22") << 10 << QByteArray::fromHex("A0C0000022") << 250u;
        QTest::newRow("read record 1 of 0x20, absolute")
            << 11 << QByteArray::fromHex("A0B2010420") << 0x22u;
        QTest::newRow("read record, other mode sends P2 00")
            << 12 << QByteArray::fromHex("A0B2030010") << 0x12u;
        QTest::newRow("update record 5") << 13 << QByteArray::fromHex("A0DC050403 010203") << 50u;
        QTest::newRow("update binary at 0x0110")
            << 14 << QByteArray::fromHex("A0D6011001 AA") << 50u;
        QTest::newRow("read ICCID") << 15 << QByteArray::fromHex("A0B000000A") << 12u;
        QTest::newRow("read SPN") << 16 << QByteArray::fromHex("A0B0000011") << 19u;
    }

    void commandBytes()
    {
        QFETCH(int, operation);
        QFETCH(QByteArray, expected);
        QFETCH(uint, receiveLength);

        SimCommands sim(m_transport);
        const uint8_t data[] = {0x01, 0x02, 0x03};
        const uint8_t binary[] = {0xAA};
        const std::function<void()> operations[] = {
            [&] { sim.verifyCode(SecretCode::Pin1, "1234"); },
            [&] { sim.verifyCode(SecretCode::Pin1, "12345678"); },
            [&] { sim.verifyCode(SecretCode::Pin1, ""); },
            [&] { sim.verifyCode(SecretCode::Pin2, "5678"); },
            [&] { sim.changeCode(SecretCode::Pin2, "1111", "2222"); },
            [&] { sim.unblockCode(SecretCode::Pin1, "12345678", "4321"); },
            [&] { sim.unblockCode(SecretCode::Pin2, "87654321", "999"); },
            [&] { sim.disableCode(SecretCode::Pin1, "1234"); },
            [&] { sim.enableCode(SecretCode::Pin1, "1234"); },
            [&] { sim.select(0x7F10); },
            [&] {
                answerWith("A0A4", 0x9F22);
                sim.select(0x7F10);
                virtualPcsc().clearLog();
                sim.header();
            },
            [&] { sim.readRecord(1, 0x20, RecordMode::Absolute); },
            [&] { sim.readRecord(3, 0x10, RecordMode::Previous); },
            [&] { sim.updateRecord(5, RecordMode::Absolute, data); },
            [&] { sim.updateBinary(0x0110, binary); },
            [&] { sim.readBinary(0, FileId::kIccidLength); },
            [&] { sim.readBinary(0, FileId::kSpnLength); },
        };
        operations[operation]();

        const QList<QByteArray> sent = virtualPcsc().commands();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().toHex(' '), expected.toHex(' '));
        QCOMPARE(uint(lastTransmit().receiveLength), receiveLength);
        // Every command goes out with the T=0 send header and no receive header.
        QCOMPARE(lastTransmit().sendProtocol, DWORD(SCARD_PROTOCOL_T0));
        QCOMPARE(lastTransmit().sendHeaderLength, DWORD(sizeof(SCARD_IO_REQUEST)));
        QVERIFY(!lastTransmit().receiveHeaderGiven);
    }

    // The answer's status word becomes the result's outcome; the PC/SC result
    // stays apart. The full table is checked without a card in TestStatusWords.
    void statusWords_data()
    {
        QTest::addColumn<bool>("isSelect");
        QTest::addColumn<uint>("statusWord");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<uint>("errorCode"); // what a message would show

        QTest::newRow("verify 90 00") << false << 0x9000u << int(CardOutcome::Success) << 0x9000u;
        // A record address out of range is no success, whatever command gets it.
        QTest::newRow("verify 94 02")
            << false << 0x9402u << int(CardOutcome::RecordNotFound) << 0x9402u;
        QTest::newRow("verify 94 04")
            << false << 0x9404u << int(CardOutcome::NoSuchFile) << 0x9404u;
        QTest::newRow("verify 94 08")
            << false << 0x9408u << int(CardOutcome::WrongParameters) << 0x9408u;
        QTest::newRow("verify 98 04") << false << 0x9804u << int(CardOutcome::WrongCode) << 0x9804u;
        QTest::newRow("verify 98 40") << false << 0x9840u << int(CardOutcome::Blocked) << 0x9840u;
        QTest::newRow("verify 6E 00")
            << false << 0x6E00u << int(CardOutcome::NotSupported) << 0x6E00u;
        QTest::newRow("verify 69 82: access denied")
            << false << 0x6982u << int(CardOutcome::AccessRefused) << 0x80100027u;
        QTest::newRow("select 9F 22") << true << 0x9F22u << int(CardOutcome::Success) << 0x9F22u;
        QTest::newRow("select 94 04") << true << 0x9404u << int(CardOutcome::NoSuchFile) << 0x9404u;
    }

    void statusWords()
    {
        QFETCH(bool, isSelect);
        QFETCH(uint, statusWord);
        QFETCH(int, outcome);
        QFETCH(uint, errorCode);

        answerWith(isSelect ? "A0A4" : "A020", uint16_t(statusWord));
        SimCommands sim(m_transport);
        const CardResult result =
            isSelect ? sim.select(0x7F10) : sim.verifyCode(SecretCode::Pin1, "1234");
        QCOMPARE(outcomeName(result.outcome), outcomeName(CardOutcome(outcome)));
        QCOMPARE(result.pcsc, LONG(SCARD_S_SUCCESS));
        QCOMPARE(uint(result.sw.value()), statusWord);
        QCOMPARE(uint(result.errorCode()), errorCode);
        // The 9F xx of a SELECT is kept for the header, never handed on as a refusal.
        if (isSelect && result.ok())
            QCOMPARE(result.pending, int(statusWord & 0xFF));
    }

    void transmitFailure()
    {
        // A pulled card: the PC/SC result is kept for the caller, and it is no refusal.
        virtualPcsc().removeCard(kReader);
        SimCommands sim(m_transport);
        const CardResult result = sim.verifyCode(SecretCode::Pin1, "1234");
        QCOMPARE(outcomeName(result.outcome), outcomeName(CardOutcome::NoAnswer));
        QCOMPARE(result.pcsc, LONG(SCARD_W_REMOVED_CARD));
        QVERIFY(!result.codeRefused());
        QCOMPARE(result.errorCode(), uint32_t(SCARD_W_REMOVED_CARD));
    }

    void fileResponses_data()
    {
        QTest::addColumn<int>("pin1Tries");
        QTest::addColumn<int>("puk1Tries");
        QTest::addColumn<bool>("pin1Enabled");
        QTest::addColumn<int>("pin2Tries");
        QTest::addColumn<int>("puk2Tries");
        QTest::addColumn<uint>("chv1Status");

        // MF bytes 19/20 are 80 | tries: 83 and 8A give A3.
        QTest::newRow("3 PIN1 tries, 10 PUK1 tries") << 3 << 10 << true << 3 << 10 << 0xA3u;
        QTest::newRow("blocked PIN1, PIN1 disabled") << 0 << 7 << false << 1 << 0 << 0x70u;
    }

    void fileResponses()
    {
        QFETCH(int, pin1Tries);
        QFETCH(int, puk1Tries);
        QFETCH(bool, pin1Enabled);
        QFETCH(int, pin2Tries);
        QFETCH(int, puk2Tries);
        QFETCH(uint, chv1Status);

        SimShape shape;
        shape.pin1Tries = pin1Tries;
        shape.puk1Tries = puk1Tries;
        shape.pin1Enabled = pin1Enabled;
        shape.pin2Tries = pin2Tries;
        shape.puk2Tries = puk2Tries;
        insert(shape);
        SimCommands sim(m_transport);

        const CardResult selected = sim.select(0x3F00);
        QVERIFY(selected.ok());
        const HeaderResult mf = sim.header();
        QVERIFY(mf.result.ok());
        // The GET RESPONSE asks for what the SELECT announced.
        QCOMPARE(virtualPcsc().commands().last(),
                 QByteArray::fromHex("A0C00000") + char(selected.pending));
        QVERIFY(mf.header.isDirectory());
        QCOMPARE(uint(mf.header.pin1Attempts | mf.header.puk1Attempts << 4), chv1Status);
        QCOMPARE(mf.header.pin1Disabled, !pin1Enabled);
        QCOMPARE(int(mf.header.pin2Attempts), pin2Tries);
        QCOMPARE(int(mf.header.puk2Attempts), puk2Tries);
        QCOMPARE(mf.header.fileSize, uint16_t(0)); // an EF field, not filled for MF
    }

    void serialNumber_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("digits");

        QTest::newRow("19 digits, F-padded")
            << QByteArray::fromHex("989400000000000000F1") << QByteArray("8949000000000000001");
        QTest::newRow("20 digits")
            << QByteArray::fromHex("98941032547698103254") << QByteArray("89490123456789012345");
        QTest::newRow("F in a high nibble ends early")
            << QByteArray::fromHex("98F40000000000000000") << QByteArray("894");
        QTest::newRow("F in the first low nibble")
            << QByteArray::fromHex("FF000000000000000000") << QByteArray("");
    }

    void serialNumber()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, digits);

        SimShape shape;
        shape.iccid = content;
        insert(shape);
        SimCommands sim(m_transport);
        QVERIFY(sim.select(0x2FE2).ok());
        const CardResult read = sim.readBinary(0, FileId::kIccidLength);
        QVERIFY(read.ok());
        QCOMPARE(QByteArray::fromStdString(iccidDigits(read.data)), digits);
    }
};

QTEST_GUILESS_MAIN(TestSimCommands)
#include "TestSimCommands.moc"
