// The UICC command set and the card-kind test on the in-process virtual cards
// of the UICC profiles: what the card kind is, the bytes that go out in class
// 00, and what the answers are taken to mean.
#include "CardTestSupport.h"

#include "card/commands/FileIds.h"
#include "card/uicc/CardKind.h"
#include "card/uicc/UiccCommands.h"

#include <QTest>

namespace {
const QString kReader = QStringLiteral("Reader A");
const QByteArray kUsimAid = QByteArray::fromHex("A0000000871002FF49FF0589000001FF");
} // namespace

class TestUiccCommands : public QObject
{
    Q_OBJECT

private:
    PcscApi m_api = spyingPcscApi();
    SCARDCONTEXT m_context = 0;
    SCARDHANDLE m_card = 0;
    std::shared_ptr<vsim::SimCard> m_sim;
    CardTransport m_transport{m_api, m_card};

    bool insert(const QString& profile)
    {
        virtualPcsc().reset();
        virtualPcsc().addReader(kReader);
        QString error;
        m_sim = virtualPcsc().insertProfile(
            kReader, QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile), &error);
        if (!m_sim)
            return false;
        DWORD protocol = 0;
        return m_api.SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_context) ==
                   SCARD_S_SUCCESS &&
               m_api.SCardConnect(m_context, "Reader A", SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0,
                                  &m_card, &protocol) == SCARD_S_SUCCESS;
    }

    UiccCommands commands() const
    {
        return UiccCommands(m_transport, {kUsimAid.begin(), kUsimAid.end()});
    }

private slots:
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
        QVERIFY(insert(profile));
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

    void commandBytes_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("select MF with FCP") << 0 << QByteArray("00A40004023F00");
        QTest::newRow("verify PIN1, key 01") << 1 << QByteArray("0020000108 31323334 FFFFFFFF");
        QTest::newRow("verify PIN2, key 81") << 2 << QByteArray("0020008108 35363738 FFFFFFFF");
        QTest::newRow("change PIN1")
            << 3 << QByteArray("0024000110 31323334FFFFFFFF 34333231FFFFFFFF");
        QTest::newRow("unblock PIN1")
            << 4 << QByteArray("002C000110 3132333435363738 31313131FFFFFFFF");
        QTest::newRow("disable PIN1") << 5 << QByteArray("0026000108 31323334FFFFFFFF");
        QTest::newRow("enable PIN1") << 6 << QByteArray("0028000108 31323334FFFFFFFF");
        QTest::newRow("USIM by AID")
            << 7 << QByteArray("00A4040410 A0000000871002FF49FF0589000001FF");
        QTest::newRow("read record 3") << 8 << QByteArray("00B203041C");
    }

    void commandBytes()
    {
        QFETCH(int, operation);
        QFETCH(QByteArray, expected);
        QVERIFY(insert(QStringLiteral("usim-two-sets")));
        UiccCommands set = commands();
        virtualPcsc().clearLog();
        switch (operation) {
        case 0:
            set.select(FileId::kMf);
            break;
        case 1:
            set.verifyCode(SecretCode::Pin1, "1234");
            break;
        case 2:
            set.verifyCode(SecretCode::Pin2, "5678");
            break;
        case 3:
            set.changeCode(SecretCode::Pin1, "1234", "4321");
            break;
        case 4:
            set.unblockCode(SecretCode::Pin1, "12345678", "1111");
            break;
        case 5:
            set.disableCode(SecretCode::Pin1, "1234");
            break;
        case 6:
            set.enableCode(SecretCode::Pin1, "1234");
            break;
        case 7:
            set.selectApplication();
            break;
        case 8:
            set.readRecord(3, 28, RecordMode::Absolute);
            break;
        }
        QVERIFY(sentWithPrefix(QByteArray::fromHex(expected.replace(' ', ""))));
    }

    void answers_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("attemptsLeft");
        QTest::newRow("wrong PIN1") << "usim-two-sets"
                                    << "wrong" << int(CardOutcome::WrongCode) << 2;
        QTest::newRow("right PIN1") << "usim-two-sets"
                                    << "right" << int(CardOutcome::Success) << -1;
        QTest::newRow("blocked PIN1") << "usim-pin1-blocked"
                                      << "right" << int(CardOutcome::Blocked) << -1;
        QTest::newRow("record before PIN1") << "usim-two-sets"
                                            << "record" << int(CardOutcome::AccessRefused) << -1;
        QTest::newRow("no such file") << "usim-two-sets"
                                      << "missing" << int(CardOutcome::NoSuchFile) << -1;
        // A wrong Le (6C xx) is sent again with the right one by the transport.
        QTest::newRow("record with a wrong Le") << "usim-pin1-disabled"
                                                << "wrongLe" << int(CardOutcome::Success) << -1;
    }

    void answers()
    {
        QFETCH(QString, profile);
        QFETCH(QString, step);
        QFETCH(int, outcome);
        QFETCH(int, attemptsLeft);
        QVERIFY(insert(profile));
        UiccCommands set = commands();
        CardResult result;
        if (step == QLatin1String("wrong"))
            result = set.verifyCode(SecretCode::Pin1, "9999");
        else if (step == QLatin1String("right"))
            result = set.verifyCode(SecretCode::Pin1, "1234");
        else if (step == QLatin1String("missing"))
            result = set.select(0x6F99);
        else {
            QVERIFY(set.select(FileId::kDirGsm).ok()); // reaches ADF USIM
            QVERIFY(set.select(0x5F3A).ok());
            QVERIFY(set.select(0x4F3A).ok());
            result =
                set.readRecord(1, step == QLatin1String("wrongLe") ? 28 : 32, RecordMode::Absolute);
            if (result.ok())
                QCOMPARE(int(result.data.size()), 32);
        }
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.attemptsLeft, attemptsLeft);
    }

    void headers_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("pin1Disabled");
        QTest::addColumn<int>("pin1Tries");
        QTest::addColumn<int>("puk1Tries");
        QTest::newRow("PIN1 enabled") << "usim-two-sets" << false << 3 << 10;
        QTest::newRow("PIN1 disabled") << "usim-pin1-disabled" << true << 3 << 10;
        QTest::newRow("PIN1 blocked") << "usim-pin1-blocked" << false << 0 << 10;
    }

    void headers()
    {
        QFETCH(QString, profile);
        QFETCH(bool, pin1Disabled);
        QFETCH(int, pin1Tries);
        QFETCH(int, puk1Tries);
        QVERIFY(insert(profile));
        UiccCommands set = commands();
        QVERIFY(set.select(FileId::kMf).ok());
        const HeaderResult mf = set.header();
        QVERIFY(mf.result.ok());
        QCOMPARE(int(mf.header.type), int(FileType::Master));
        QCOMPARE(mf.header.pin1Disabled, pin1Disabled);
        QCOMPARE(int(mf.header.pin1Attempts), pin1Tries);
        QCOMPARE(int(mf.header.puk1Attempts), puk1Tries);
        // An EF's header: the ADN file of set 1, 250 records of 32 bytes.
        QVERIFY(set.select(FileId::kDirGsm).ok());
        QVERIFY(set.select(0x5F3A).ok());
        QVERIFY(set.select(0x4F3A).ok());
        const HeaderResult adn = set.header();
        QCOMPARE(int(adn.header.type), int(FileType::Elementary));
        QCOMPARE(int(adn.header.recordLength), 32);
        QCOMPARE(adn.header.recordCount(), 250);
    }
};

QTEST_GUILESS_MAIN(TestUiccCommands)
#include "TestUiccCommands.moc"
