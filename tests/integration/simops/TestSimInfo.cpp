// The values of the SIM information and its OK, which writes a changed own
// number to EF MSISDN.
#include "BookCard.h"

#include "simops/SimInfo.h"

#include <QTest>

class TestSimInfo : public QObject
{
    Q_OBJECT

private:
    TransferFixture m_f;

    // Reads a card whose first own-number record holds `own` (26-byte records).
    BookCard readCard(const QByteArray& own)
    {
        BookCard card = insertBookCard();
        card.msisdn->records[0] = own;
        if (!m_f.run(Transfer::Read))
            qWarning("the read failed");
        virtualPcsc().clearLog();
        return card;
    }

private slots:
    void initTestCase() { openTestLog(); }
    void init() { m_f.reset(); }

    // PIN1's state from the CHV1 status byte when a code is used up; "on",
    // "off" and the other values of a read card are checked by phonara-cli's
    // end-to-end info.
    void pin1State_data()
    {
        QTest::addColumn<int>("chv1Status");
        QTest::addColumn<int>("chv1Disabled");
        QTest::addColumn<QString>("text");
        QTest::newRow("PIN1 used up, PUK1 left") << 0xA0 << 0 << "PIN1 state: on";
        QTest::newRow("PIN1 and PUK1 used up") << 0x00 << 0 << "PIN1 state: blocked";
        QTest::newRow("blocked wins over disabled") << 0x00 << 1 << "PIN1 state: blocked";
    }

    void pin1State()
    {
        QFETCH(int, chv1Status);
        QFETCH(int, chv1Disabled);
        QFETCH(QString, text);
        m_f.session->chv1Status = uint8_t(chv1Status);
        m_f.session->chv1Disabled = uint16_t(chv1Disabled);
        const SimInfo info = collectSimInfo(*m_f.session, *m_f.book, *m_f.sideBooks);
        QCOMPARE(QString::fromStdString(info.pin1State), text);
    }

    // What OK sends for the typed own number: nothing unless it changed and
    // is a number; a changed one keeps the record's name.
    void ownNumber_data()
    {
        QTest::addColumn<QByteArray>("before"); // own-number record 1
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("change");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QByteArray>("after");
        const QByteArray me =
            hexRecord("4D 65 FF FF FF FF FF FF FF FF FF FF 05 91 94 71 00 F0", 26);
        const int written = int(OwnNumberChange::Written);
        const int invalid = int(OwnNumberChange::Invalid);
        QTest::newRow("typed into a free record")
            << freeRecord(26) << "+49 170-12345" << written << QList<int>{}
            << hexRecord("FF FF FF FF FF FF FF FF FF FF FF FF 06 91 94 71 10 32 54", 26);
        QTest::newRow("changed, the name kept")
            << me << "0301" << written << QList<int>{}
            << hexRecord("4D 65 FF FF FF FF FF FF FF FF FF FF 03 A8 30 10", 26);
        QTest::newRow("same number")
            << me << "+4917000" << int(OwnNumberChange::Unchanged) << QList<int>{} << me;
        QTest::newRow("letters") << me << "0301 abc" << invalid << QList<int>{18} << me;
        QTest::newRow("41 digits") << me << QString(41, '1') << invalid << QList<int>{18} << me;
        QTest::newRow("emptied") << me << "" << int(OwnNumberChange::NotWritten) << QList<int>{}
                                 << me;
    }

    void ownNumber()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, typed);
        QFETCH(int, change);
        QFETCH(QList<int>, messages);
        QFETCH(QByteArray, after);
        BookCard card = readCard(before);
        if (before == freeRecord(26)) // an own-number entry not in use shows nothing
            QCOMPARE(collectSimInfo(*m_f.session, *m_f.book, *m_f.sideBooks).ownNumber,
                     std::string());
        QVERIFY(int(applyOwnNumber(*m_f.session, *m_f.sideBooks, *m_f.ui, typed.toStdString())) ==
                change);
        QCOMPARE(m_f.messageIds(), messages);
        QCOMPARE(card.msisdn->records[0], after);
        QCOMPARE(card.msisdn->records[1], freeRecord(26));
        if (change != int(OwnNumberChange::Written)) {
            QCOMPARE(virtualPcsc().commands(), QList<QByteArray>{});
            return;
        }
        const BookEntry& own = m_f.sideBooks->msisdn[0];
        QCOMPARE(own.recordIndex, 0);
        QCOMPARE(own.dirty, 1u); // written again with the next card write
        // The phone book is selected again for the next transfer.
        QVERIFY(m_f.session->context != 0);
        QCOMPARE(virtualPcsc().commands().last().left(2), QByteArray::fromHex("A0C0"));
    }

    void ownNumberWithoutConnection()
    {
        readCard(freeRecord(26));
        endSession(*m_f.session);
        // SIM information after the read still names the card it came from.
        QCOMPARE(collectSimInfo(*m_f.session, *m_f.book, *m_f.sideBooks).cardKind,
                 std::string("GSM SIM"));
        QVERIFY(applyOwnNumber(*m_f.session, *m_f.sideBooks, *m_f.ui, "0301") ==
                OwnNumberChange::WriteFailed);
        QCOMPARE(m_f.messageIds(), QList<int>{36});
        // The number stays in the table for the next write.
        QCOMPARE(QByteArray(m_f.sideBooks->msisdn[0].number.c_str()), QByteArray("0301"));
        QCOMPARE(m_f.sideBooks->msisdn[0].dirty, 1u);
    }
};

QTEST_GUILESS_MAIN(TestSimInfo)
#include "TestSimInfo.moc"
