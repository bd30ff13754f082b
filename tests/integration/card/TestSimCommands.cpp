// The GSM 11.11 commands as they leave the program: bytes, receive lengths,
// the judgement of status words and the decoding of the answers.
#include "CardTestSupport.h"

#include "card/SimCard.h"
#include "shell/LastError.h"

#include <QTest>

#include <functional>

namespace {
const QString kReader = QStringLiteral("Reader A");
constexpr uint32_t kUntouched = 0x00C0FFEE;
} // namespace

class TestSimCommands : public QObject
{
    Q_OBJECT

private:
    PcscApi m_api = spyingPcscApi();
    SCARDCONTEXT m_context = 0;
    SCARDHANDLE m_card = 0;
    std::shared_ptr<vsim::SimCard> m_sim;

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
        QTest::newRow("verify PIN1, 9 characters cut to 8")
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

        const SimCard sim(m_api);
        uint8_t buffer[300] = {};
        const uint8_t data[] = {0x01, 0x02, 0x03};
        const uint8_t binary[] = {0xAA};
        const std::function<void()> operations[] = {
            [&] { sim.verifyChv(m_card, "1234", 1); },
            [&] { sim.verifyChv(m_card, "123456789", 1); },
            [&] { sim.verifyChv(m_card, "", 1); },
            [&] { sim.verifyChv(m_card, "5678", 2); },
            [&] { sim.changeChv(m_card, "1111", "2222", 2); },
            [&] { sim.unblockChv(m_card, "12345678", "4321", 0); },
            [&] { sim.unblockChv(m_card, "87654321", "999", 2); },
            [&] { sim.disableChv(m_card, "1234"); },
            [&] { sim.enableChv(m_card, "1234"); },
            [&] { sim.select(m_card, 0x7F10); },
            [&] { sim.getResponse(m_card, 0x22, {}); },
            [&] { sim.readRecord(m_card, 1, 0x20, 4, buffer); },
            [&] { sim.readRecord(m_card, 3, 0x10, 2, buffer); },
            [&] { sim.updateRecord(m_card, 5, 3, 4, data); },
            [&] { sim.updateBinary(m_card, 0x10, 0x01, binary, 1); },
            [&] { sim.readSerialNumber(m_card, reinterpret_cast<char*>(buffer)); },
            [&] { sim.readSpn(m_card, reinterpret_cast<char*>(buffer), buffer + 20); },
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

    void statusWords_data()
    {
        QTest::addColumn<bool>("isSelect");
        QTest::addColumn<uint>("statusWord");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("errorAfter");

        QTest::newRow("verify 90 00") << false << 0x9000u << true << kUntouched;
        QTest::newRow("verify 94 02 counts as success") << false << 0x9402u << true << kUntouched;
        QTest::newRow("verify 94 04") << false << 0x9404u << false << kUntouched;
        QTest::newRow("verify 94 08") << false << 0x9408u << false << kUntouched;
        QTest::newRow("verify 98 04") << false << 0x9804u << false << kUntouched;
        QTest::newRow("verify 6E 00") << false << 0x6E00u << false << kUntouched;
        QTest::newRow("verify 69 82: access denied") << false << 0x6982u << false << 0x80100027u;
        QTest::newRow("select 9F 22") << true << 0x9F22u << true << kUntouched;
        QTest::newRow("select 94 04") << true << 0x9404u << false << 0u;
        QTest::newRow("select 69 82 leaves 0") << true << 0x6982u << false << 0u;
    }

    void statusWords()
    {
        QFETCH(bool, isSelect);
        QFETCH(uint, statusWord);
        QFETCH(bool, accepted);
        QFETCH(uint, errorAfter);

        answerWith(isSelect ? "A0A4" : "A020", uint16_t(statusWord));
        const SimCard sim(m_api);
        setLastError(kUntouched);
        uint16_t responseLength = 0xABCD;
        const bool result = isSelect ? sim.select(m_card, 0x7F10, &responseLength)
                                     : sim.verifyChv(m_card, "1234", 1);
        QCOMPARE(result, accepted);
        QCOMPARE(lastError(), uint32_t(errorAfter));
        if (isSelect && accepted)
            QCOMPARE(responseLength, uint16_t(statusWord & 0xFF));
    }

    void transmitFailure()
    {
        // A pulled card: the PC/SC result is kept for the caller.
        virtualPcsc().removeCard(kReader);
        const SimCard sim(m_api);
        setLastError(0);
        QVERIFY(!sim.select(m_card, 0x3F00));
        QCOMPARE(lastError(), uint32_t(SCARD_W_REMOVED_CARD));
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
        const SimCard sim(m_api);

        uint16_t length = 0;
        QVERIFY(sim.select(m_card, 0x3F00, &length));
        uint8_t isDirectory = 0;
        uint8_t status = 0;
        uint16_t disabled = 0xFFFF;
        uint8_t pin2 = 0xFF;
        uint8_t puk2 = 0xFF;
        uint16_t fileSize = 0xFFFF;
        QVERIFY(sim.getResponse(m_card, uint8_t(length),
                                 {.isDirectory = &isDirectory,
                                  .fileSize = &fileSize,
                                  .chv1Status = &status,
                                  .chv1Disabled = &disabled,
                                  .chv2Attempts = &pin2,
                                  .puk2Attempts = &puk2}));
        QCOMPARE(isDirectory, uint8_t(1));
        QCOMPARE(uint(status), chv1Status);
        QCOMPARE(disabled, uint16_t(pin1Enabled ? 0 : 1));
        QCOMPARE(int(pin2), pin2Tries);
        QCOMPARE(int(puk2), puk2Tries);
        QCOMPARE(fileSize, uint16_t(0xFFFF)); // an EF output, not filled for MF
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
        const SimCard sim(m_api);
        QVERIFY(sim.select(m_card, 0x2FE2));
        char text[21];
        std::fill(std::begin(text), std::end(text), 'x');
        text[20] = '\0';
        QVERIFY(sim.readSerialNumber(m_card, text));
        QCOMPARE(QByteArray(text), digits);
    }
};

QTEST_GUILESS_MAIN(TestSimCommands)
#include "TestSimCommands.moc"
