// The card code against a real pcscd: the private daemon of
// scripts/with-virtual-card serves the virtual SIM of card-e2e.json through vpcd.
#include "PrivatePcscd.h"
#include "ScriptedUserInterface.h"

#include "card/flows/ConnectSequence.h"
#include "card/flows/Pin2.h"

#include <QTest>

#include <array>

class TestCardE2E : public QObject
{
    Q_OBJECT

private:
    PrivatePcscd m_pcscd;

private slots:
    void initTestCase() { m_pcscd.bind(); }
    void cleanupTestCase() { m_pcscd.unbind(); }

    void readThroughPcscd()
    {
        CardSession session(m_pcscd.api());
        ScriptedUserInterface ui;
        BookState book;
        QByteArray firstRecord;
        CardHost host{ui, book, [&](CardSession& s) {
                          // What the transfer would read first: record 1 of EF ADN.
                          const CardResult record =
                              s.commands().readRecord(1, uint8_t(s.adnRecordLength));
                          if (record.ok()) {
                              firstRecord =
                                  QByteArray(reinterpret_cast<const char*>(record.data.data()), 4);
                              book.bookSource = BookSource::Card;
                          }
                          return 0;
                      }};

        ui.queuePin("1234");
        QVERIFY(connectToReader(session, host, Transfer::Read));
        QVERIFY(ui.messages.empty());
        QCOMPARE(ui.pinRequests.size(), size_t(1));
        QCOMPARE(ui.pinRequests.front().attempts, 3);
        QVERIFY(!session.readerName.empty());
        QCOMPARE(session.activeProtocol, DWORD(SCARD_PROTOCOL_T0));
        QCOMPARE(QByteArray(session.iccid.data()), QByteArray("89490123456789012345"));
        QCOMPARE(QByteArray(session.serviceProviderName.c_str()), QByteArray("E2E Mobile"));
        QCOMPARE(session.adnRecordLength, 28);
        QCOMPARE(session.adnNameLength, 14);
        QCOMPARE(session.adnRecordCount, 250);
        QCOMPARE(session.chv1Status, uint8_t(3));
        QCOMPARE(firstRecord, QByteArray("Anna"));

        // The kept connection is reused without a second PIN entry.
        firstRecord.clear();
        QVERIFY(connectToReader(session, host, Transfer::Read));
        QCOMPARE(ui.pinRequests.size(), size_t(1));
        QCOMPARE(firstRecord, QByteArray("Anna"));

        // PIN2 on the shared connection.
        ui.queuePin("5678");
        QCOMPARE(verifyPin2(session, ui), 1);
        QVERIFY(session.isOpen());

        endSession(session);
        QCOMPARE(session.context, SCARDCONTEXT(0));
    }
};

QTEST_GUILESS_MAIN(TestCardE2E)
#include "TestCardE2E.moc"
