// Opening the card for a Read or a Write: readers, protocols, the SIM checks,
// PIN1, the phone-book geometry and the reuse of an open connection.
#include "CardTestSupport.h"

#include "card/flows/ConnectSequence.h"
#include "card/flows/Pin1.h"
#include "card/sim/SimCommands.h"

#include <QTest>

namespace {
const QString kReaderA = QStringLiteral("Reader A");
const QByteArray kProbe = QByteArray::fromHex("A0B201041C"); // record 1 of EF ADN, 28 bytes
} // namespace

class TestCardConnect : public QObject, CardFixture
{
    Q_OBJECT

private:
    // What the transfer hook saw; a read that runs marks the book as the card's.
    int m_transfers = 0;
    QList<Transfer> m_directions;

    bool connect(Transfer scope) { return connectToReader(*m_session, *m_host, scope); }

    static bool verifySent() { return sentWithPrefix(QByteArray::fromHex("A020")); }

private slots:
    void initTestCase() { openTestLog(); }

    void init()
    {
        m_transfers = 0;
        m_directions.clear();
        reset([this](CardSession& s) {
            ++m_transfers;
            m_directions.append(s.transferDirection);
            return 0;
        });
    }

    // The first Read asks for PIN1 when the card wants it, in whichever
    // reader the card is. The second neither lists readers nor asks again: it
    // probes the open card.
    void readThenReuseTheConnection_data()
    {
        QTest::addColumn<bool>("pin1Enabled");
        QTest::addColumn<bool>("firstReaderEmpty");
        QTest::newRow("PIN1 enabled") << true << false;
        QTest::newRow("PIN1 disabled") << false << false;
        QTest::newRow("card in the second reader") << true << true;
    }

    void readThenReuseTheConnection()
    {
        QFETCH(bool, pin1Enabled);
        QFETCH(bool, firstReaderEmpty);
        SimShape shape;
        shape.pin1Enabled = pin1Enabled;
        if (firstReaderEmpty)
            virtualPcsc().addReader(kReaderA);
        insert(shape, firstReaderEmpty ? QStringLiteral("Reader B") : kReaderA);
        m_ui->queuePin("1234");
        QVERIFY(connect(Transfer::Read));

        const size_t pinRequests = pin1Enabled ? 1 : 0;
        QCOMPARE(m_ui->pinRequests.size(), pinRequests);
        QCOMPARE(verifySent(), pin1Enabled);
        if (pin1Enabled) {
            const auto& request = m_ui->pinRequests.front();
            QVERIFY(request.kind == UserInterface::PinDialogKind::EnterPin1);
            QCOMPARE(request.title, std::string("PIN"));
        }
        QCOMPARE(m_directions, QList<Transfer>{Transfer::Read});
        QCOMPARE(m_session->adnNameLength, 14); // 28-byte records

        virtualPcsc().clearLog();
        QVERIFY(connect(Transfer::Read));
        QCOMPARE(m_ui->pinRequests.size(), pinRequests);
        QCOMPARE(virtualPcsc().commands(), QList<QByteArray>{kProbe});
        QCOMPARE(m_transfers, 2);
    }

    // A VERIFY the card never judged is no wrong PIN: nothing is counted and
    // the user is told what went wrong instead of "incorrect".
    void verifyThatTheCardDidNotJudge()
    {
        insert()->faults().append(faultAt(QByteArray::fromHex("A020"), 0x6F00));
        m_ui->queuePin("1234");
        QVERIFY(!connect(Transfer::Read));
        QCOMPARE(messageIds(), QList<int>{34});
        QCOMPARE(firstMessage(), QStringLiteral("Device error: 00006F00 Check your SIM Card."));
        QCOMPARE(m_session->chv1Status, uint8_t(0xA3)); // still 3 PIN1 and 10 PUK1 tries
    }

    void blockedCards_data()
    {
        QTest::addColumn<int>("pukTries");
        QTest::addColumn<int>("messageId");
        QTest::addColumn<QString>("text");
        QTest::newRow("PUK1 tries left") << 10 << 33
                                         << QStringLiteral("SIM Card is blocked!\nUse PUK to "
                                                           "unblock it.");
        QTest::newRow("blocked finally") << 0 << 32 << QStringLiteral("SIM Card blocked finally!");
    }

    void blockedCards()
    {
        QFETCH(int, pukTries);
        QFETCH(int, messageId);
        QFETCH(QString, text);
        SimShape shape;
        shape.pin1Tries = 0;
        shape.puk1Tries = pukTries;
        insert(shape);
        // A Read, a Write, and a PIN change without a card book say the same.
        for (int action = 0; action < 3; ++action) {
            m_ui->clearRecords();
            if (action < 2)
                connect(action == 0 ? Transfer::Read : Transfer::Write);
            else
                changePinCommand(*m_session, *m_host);
            QCOMPARE(messageIds(), QList<int>{messageId});
            QCOMPARE(firstMessage(), text);
            QVERIFY(m_ui->pinRequests.empty());
            QCOMPARE(m_session->context, SCARDCONTEXT(0));
            QCOMPARE(virtualPcsc().openHandles(), 0);
        }
        QCOMPARE(m_transfers, 0);
    }

    void noReader()
    {
        QVERIFY(!connect(Transfer::Read));
        QCOMPARE(messageIds(), QList<int>{2521});
        QCOMPARE(firstMessage(),
                 QStringLiteral("PC/SC readers were not found in the system!\nCheck the Key reader "
                                "installation."));
        QCOMPARE(m_session->context, SCARDCONTEXT(0));
        QCOMPARE(virtualPcsc().openContexts(), 0);
    }

    void noCardTriesThreeProtocols()
    {
        virtualPcsc().addReader(kReaderA);
        const qsizetype before = testLogText().size();
        QVERIFY(!connect(Transfer::Read));
        QCOMPARE(messageIds(), QList<int>{126});
        QCOMPARE(firstMessage(), QStringLiteral("No SIM card found in the smart card reader!"));
        QCOMPARE(m_session->context, SCARDCONTEXT(0));
        QCOMPARE(virtualPcsc().openContexts(), 0);

        // 0x8010000C: no smart card, in unsigned decimal.
        const QString log = testLogText().mid(before);
        for (const char* protocol : {"T0", "T1", "T0 T1"})
            QVERIFY2(log.contains(QStringLiteral("connect_to_reader connect with Reader A failed! "
                                                 "Protocol %1 used, Error code:2148532236 Active "
                                                 "protocol:")
                                      .arg(QLatin1String(protocol))),
                     protocol);
        QCOMPARE(log.count(QStringLiteral("The operation requires a smart card, but no smart card "
                                          "is currently in the device. ErrorCode:")),
                 3);
        QCOMPARE(log.count(QStringLiteral("Error Log ]")), 3);
    }

    void cancelPinEntry_data()
    {
        QTest::addColumn<Transfer>("scope");
        QTest::addColumn<BookSource>("sourceBefore");
        QTest::addColumn<BookSource>("sourceAfter");
        QTest::newRow("read, nothing open")
            << Transfer::Read << BookSource::Nothing << BookSource::Nothing;
        QTest::newRow("read, file open") << Transfer::Read << BookSource::File << BookSource::File;
        QTest::newRow("write, file open")
            << Transfer::Write << BookSource::File << BookSource::Nothing;
        QTest::newRow("write, nothing open")
            << Transfer::Write << BookSource::Nothing << BookSource::Nothing;
    }

    void cancelPinEntry()
    {
        QFETCH(Transfer, scope);
        QFETCH(BookSource, sourceBefore);
        QFETCH(BookSource, sourceAfter);
        insert();
        m_book.bookSource = sourceBefore;
        m_ui->queuePinCancel();
        QVERIFY(!connect(scope));
        QCOMPARE(m_ui->pinRequests.size(), size_t(1));
        QVERIFY(m_ui->messages.empty());
        QCOMPARE(m_book.bookSource, sourceAfter);
        QVERIFY(m_session->cachedPin1.empty());
        QCOMPARE(m_transfers, 0);
        QVERIFY(!verifySent());
    }

    void serviceProviderName_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("absent") << false << QByteArray() << QByteArray();
        QTest::newRow("sixteen characters")
            << true << QByteArray::fromHex("01") + QByteArray("Operator Sixteen")
            << QByteArray("Operator Sixteen");
        QTest::newRow("all FF") << true << QByteArray(17, char(0xFF)) << QByteArray("Unknown");
    }

    void serviceProviderName()
    {
        QFETCH(bool, present);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, name);
        SimShape shape;
        shape.pin1Enabled = false;
        shape.spn = present ? std::optional<QByteArray>(content) : std::nullopt;
        insert(shape);
        m_session->serviceProviderName.assign("left over");
        QVERIFY(connect(Transfer::Read));
        QCOMPARE(QByteArray(m_session->serviceProviderName.c_str()), name);
        QCOMPARE(m_directions, QList<Transfer>{Transfer::Read});
    }

    void iccidLengths()
    {
        // A shorter number read after a longer one is not mixed with it.
        SimShape shape;
        shape.pin1Enabled = false;
        shape.iccid = QByteArray::fromHex("98941032547698103254");
        insert(shape);
        QVERIFY(connect(Transfer::Read));
        QCOMPARE(QByteArray(m_session->iccid.data()), QByteArray("89490123456789012345"));
        endSession(*m_session);
        virtualPcsc().removeCard(kReaderA);
        shape.iccid = QByteArray::fromHex("989400000000000000F1");
        insert(shape);
        QVERIFY(connect(Transfer::Read));
        QCOMPARE(QByteArray(m_session->iccid.data()), QByteArray("8949000000000000001"));
    }

    void cardPulledWhileOpen()
    {
        insert();
        m_ui->queuePin("1234");
        QVERIFY(connect(Transfer::Read));
        virtualPcsc().removeCard(kReaderA);
        insert();

        // The probe of the kept connection fails: connect afresh and ask again.
        m_ui->queuePin("1234");
        QVERIFY(connect(Transfer::Read));
        QCOMPARE(m_ui->pinRequests.size(), size_t(2));
        QCOMPARE(m_transfers, 2);
        QCOMPARE(virtualPcsc().openHandles(), 1);
    }
    // The way down to EF ADN is taken by every connect above; a header the
    // card refuses is not taken for a file found.
    void fileNavigation()
    {
        auto card = insert();
        SCARDCONTEXT context = 0;
        SCARDHANDLE handle = 0;
        QVERIFY(connectDirect(m_api, context, handle));
        card->faults().append(faultAt(QByteArray::fromHex("A0C0"), 0x6F00));
        const CardTransport transport(m_api, handle);
        SimCommands sim(transport);
        QCOMPARE(int(indexToDirAndFile(sim, handle, 0x6F3A, 0x7F10).status),
                 int(SelectStatus::ResponseFailed));
        m_api.SCardReleaseContext(context);
    }
};

QTEST_GUILESS_MAIN(TestCardConnect)
#include "TestCardConnect.moc"
