// The GSM 11.11 and the UICC command sets as they leave the program: bytes,
// receive lengths, the judgement of status words, the decoding of the answers
// and the card-kind test that picks one of the two.
#include "CardTestSupport.h"

#include "card/commands/FileContents.h"
#include "card/commands/FileIds.h"
#include "card/sim/SimCommands.h"
#include "card/uicc/CardKind.h"
#include "card/uicc/UiccCommands.h"

#include <QTest>

#include <functional>

namespace {
const QString kReader = QStringLiteral("Reader A");
const QByteArray kUsimAid = QByteArray::fromHex("A0000000871002FF49FF0589000001FF");
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
        QVERIFY(connectDirect(m_api, m_context, m_card));
        virtualPcsc().clearLog();
    }

    void insert(const QString& profile)
    {
        virtualPcsc().reset();
        QString error;
        m_sim = insertTestProfile(profile, &error);
        QVERIFY2(m_sim, qPrintable(error));
        QVERIFY(connectDirect(m_api, m_context, m_card));
        virtualPcsc().clearLog();
    }

    UiccCommands uicc() const
    {
        return UiccCommands(m_transport, {kUsimAid.begin(), kUsimAid.end()});
    }

    void answerWith(const char* commandPrefix, uint16_t statusWord)
    {
        vsim::Fault fault = faultAt(QByteArray::fromHex(commandPrefix), statusWord);
        fault.once = false;
        m_sim->faults().append(fault);
    }

private slots:
    void init() { insert(SimShape{}); }

    void commandBytes_data()
    {
        QTest::addColumn<bool>("uicc");
        QTest::addColumn<int>("operation");
        QTest::addColumn<QByteArray>("expected"); // every command sent, one after the other
        QTest::addColumn<uint>("receiveLength");  // offered for the last one

        // PIN fields: the ASCII digits, padded with FF to eight bytes. The
        // other code commands are checked byte for byte in TestCardContract and
        // TestPinFlows, on both command sets.
        QTest::newRow("verify PIN1, 8 digits")
            << false << 0 << QByteArray::fromHex("A020000108 3132333435363738") << 20u;
        QTest::newRow("verify PIN1, empty")
            << false << 1 << QByteArray::fromHex("A020000108 FFFFFFFFFFFFFFFF") << 20u;
        QTest::newRow("select DF telecom")
            << false << 4 << QByteArray::fromHex("A0A4000002 7F10") << 10u;
        QTest::newRow("get response 0x22")
            << false << 5 << QByteArray::fromHex("A0C0000022") << 250u;
        QTest::newRow("read record, other mode sends P2 00")
            << false << 6 << QByteArray::fromHex("A0B2030010") << 0x12u;
        QTest::newRow("update binary at 0x0110")
            << false << 7 << QByteArray::fromHex("A0D6011001 AA") << 50u;
        // Class 00: a SELECT asks for the FCP. PIN2 as key 81 is met in TestPinFlows::pin2.
        QTest::newRow("UICC disable PIN1")
            << true << 2 << QByteArray::fromHex("0026000108 31323334FFFFFFFF") << 20u;
        QTest::newRow("UICC enable PIN1")
            << true << 3 << QByteArray::fromHex("0028000108 31323334FFFFFFFF") << 20u;
        QTest::newRow("UICC select MF with FCP")
            << true << 8 << QByteArray::fromHex("00A40004023F00 00C0000029") << 43u;
        QTest::newRow("UICC select USIM by AID")
            << true << 9
            << QByteArray::fromHex("00A4040410 A0000000871002FF49FF0589000001FF 00C000003B") << 61u;
    }

    void commandBytes()
    {
        QFETCH(bool, uicc);
        QFETCH(int, operation);
        QFETCH(QByteArray, expected);
        QFETCH(uint, receiveLength);

        if (uicc)
            insert(QStringLiteral("usim-two-sets"));
        std::unique_ptr<CardCommands> set;
        if (uicc)
            set = std::make_unique<UiccCommands>(this->uicc());
        else
            set = std::make_unique<SimCommands>(m_transport);
        const uint8_t binary[] = {0xAA};
        const std::function<void()> operations[] = {
            [&] { set->verifyCode(SecretCode::Pin1, "12345678"); },
            [&] { set->verifyCode(SecretCode::Pin1, ""); },
            [&] { set->disableCode(SecretCode::Pin1, "1234"); },
            [&] { set->enableCode(SecretCode::Pin1, "1234"); },
            [&] { set->select(0x7F10); },
            [&] {
                answerWith("A0A4", 0x9F22);
                set->select(0x7F10);
                virtualPcsc().clearLog();
                set->header();
            },
            [&] { set->readRecord(3, 0x10, RecordMode::Previous); },
            [&] { set->updateBinary(0x0110, binary); },
            [&] { set->select(FileId::kMf); },
            [&] { static_cast<UiccCommands&>(*set).selectApplication(); },
        };
        operations[operation]();

        QCOMPARE(virtualPcsc().commands().join().toHex(' '), expected.toHex(' '));
        QCOMPARE(uint(lastTransmit().receiveLength), receiveLength);
        // Every command goes out with the T=0 send header and no receive header.
        QCOMPARE(lastTransmit().sendProtocol, DWORD(SCARD_PROTOCOL_T0));
        QCOMPARE(lastTransmit().sendHeaderLength, DWORD(sizeof(SCARD_IO_REQUEST)));
        QVERIFY(!lastTransmit().receiveHeaderGiven);
    }

    // The 19 and 20 digit numbers are read through the connect in TestCardConnect.
    void serialNumber_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("digits");

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

    void cardKind_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("aid");
        QTest::newRow("GSM SIM") << "typical" << int(CardKind::Sim) << QByteArray();
        QTest::newRow("not a SIM") << "not-a-sim" << int(CardKind::Sim) << QByteArray();
        QTest::newRow("USIM, classes 00 and A0")
            << "usim-two-sets" << int(CardKind::Uicc) << kUsimAid.toHex();
        QTest::newRow("USIM, class 00 only")
            << "usim-class00-only" << int(CardKind::Uicc) << kUsimAid.toHex();
    }

    void cardKind()
    {
        QFETCH(QString, profile);
        QFETCH(int, kind);
        QFETCH(QByteArray, aid);
        insert(profile);
        const CardIdentity identity = identifyCard(m_transport, {});
        QCOMPARE(int(identity.kind), kind);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(identity.usimAid.data()),
                            qsizetype(identity.usimAid.size()))
                     .toHex(),
                 aid);
        // The set chosen speaks the card's class.
        auto set = commandsFor(identity, m_transport);
        QCOMPARE(set->select(FileId::kMf).ok(), profile != QLatin1String("not-a-sim"));
    }

    void uiccHeaders_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("pin1Disabled");
        QTest::addColumn<int>("pin1Tries");
        QTest::addColumn<int>("puk1Tries");
        QTest::newRow("PIN1 disabled") << "usim-pin1-disabled" << true << 3 << 10;
        QTest::newRow("PIN1 blocked") << "usim-pin1-blocked" << false << 0 << 10;
    }

    void uiccHeaders()
    {
        QFETCH(QString, profile);
        QFETCH(bool, pin1Disabled);
        QFETCH(int, pin1Tries);
        QFETCH(int, puk1Tries);
        insert(profile);
        UiccCommands set = uicc();
        QVERIFY(set.select(FileId::kMf).ok());
        const HeaderResult mf = set.header();
        QVERIFY(mf.result.ok());
        QCOMPARE(int(mf.header.type), int(FileType::Master));
        QCOMPARE(mf.header.pin1Disabled, pin1Disabled);
        QCOMPARE(int(mf.header.pin1Attempts), pin1Tries);
        QCOMPARE(int(mf.header.puk1Attempts), puk1Tries);
        // An EF's header: the ADN file of set 1, 250 records of 32 bytes.
        QVERIFY(set.select(FileId::kDirGsm).ok()); // reaches ADF USIM
        QVERIFY(set.select(0x5F3A).ok());
        QVERIFY(set.select(0x4F3A).ok());
        const HeaderResult adn = set.header();
        QCOMPARE(int(adn.header.type), int(FileType::Elementary));
        QCOMPARE(int(adn.header.recordLength), 32);
        QCOMPARE(adn.header.recordCount(), 250);
        // A wrong Le (6C xx) is sent again with the right one: the whole record comes back.
        if (pin1Disabled) {
            const CardResult record = set.readRecord(1, 28, RecordMode::Absolute);
            QVERIFY(record.ok());
            QCOMPARE(int(record.data.size()), 32);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimCommands)
#include "TestSimCommands.moc"
