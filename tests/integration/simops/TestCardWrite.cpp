// Writing the card's books through the Write connect sequence and the transfer
// hook, on the in-process virtual SIM. The expected card bytes are written by
// hand in the GSM 11.11 record layout. (phonara-cli's end-to-end write checks
// the five modes by reading the card again.)
#include "BookCard.h"
#include "card/commands/FileIds.h"
#include "simops/BookWriter.h"

#include <QTest>

namespace {

constexpr int kAdn = 28; // alpha 14

const char* kAnna = "41 6E 6E 61 FF FF FF FF FF FF FF FF FF FF"
                    "05 91 94 21 43 F5 FF FF FF FF FF FF FF FF";

QByteArray bytes(const char* hex)
{
    return hexRecord(hex, 0);
}

Contact anna()
{
    return makeContact("Anna", "+4912345", 0x91);
}

} // namespace

class TestCardWrite : public QObject
{
    Q_OBJECT

private:
    TransferFixture m_f;

    static void compareRecords(const BookCard& card, const QList<QByteArray>& expected)
    {
        QCOMPARE(card.adn->records.size(), expected.size());
        for (int r = 0; r < expected.size(); ++r) {
            if (card.adn->records[r] != expected[r])
                qWarning("record %d: %s", r + 1, card.adn->records[r].toHex(' ').constData());
            QCOMPARE(card.adn->records[r], expected[r]);
        }
    }

private slots:
    void initTestCase() { openTestLog(); }
    void init()
    {
        m_f.reset();
        // Without the backup a write reads no side book: what it sends is only the write.
        m_f.request.backup = false;
    }

    void recordLayout_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<int>("tonNpi");
        QTest::addColumn<int>("ccp");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("ext1"); // EXT1 record 2 after the write
        QTest::newRow("at sign, star, hash, pause")
            << QByteArray("A@B") << QByteArray("*31#p5") << 0x81 << 0xFF
            << bytes("41 00 42 FF FF FF FF FF FF FF FF FF FF FF"
                     "04 81 3A B1 5C FF FF FF FF FF FF FF FF FF")
            << freeRecord(13);
        QTest::newRow("name longer than the field")
            << QByteArray("Bartholomew Longfellow") << QByteArray("1") << 0x81 << 0xFF
            << bytes("42 61 72 74 68 6F 6C 6F 6D 65 77 20 4C 6F"
                     "02 81 F1 FF FF FF FF FF FF FF FF FF FF FF")
            << freeRecord(13);
        // 20 Greek capitals in the 0x81 form: the field keeps 11 of them and says
        // so; those the GSM alphabet has (Gamma, Delta, Theta, Lambda) take its bytes.
        QTest::newRow("0x81 name of 20 characters")
            << QByteArray::fromHex("8114 07 9192939495969798999A9B9C9D9E9FA0A1A2A3A4")
            << QByteArray("1") << 0x81 << 0xFF
            << bytes("81 0B 07 91 92 13 10 95 96 97 19 99 9A 14"
                     "02 81 F1 FF FF FF FF FF FF FF FF FF FF FF")
            << freeRecord(13);
        // Digits 21-30 go to the first extension record of type 02 or FF: record 1
        // holds another kind of data (type 01) and is passed over.
        QTest::newRow("30 digits")
            << QByteArray("Long") << QByteArray("123456789012345678901234567890") << 0x81 << 0xFF
            << bytes("4C 6F 6E 67 FF FF FF FF FF FF FF FF FF FF"
                     "0B 81 21 43 65 87 09 21 43 65 87 09 FF 02")
            << hexRecord("02 05 21 43 65 87 09", 13);
    }

    void recordLayout()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, number);
        QFETCH(int, tonNpi);
        QFETCH(int, ccp);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, ext1);
        CardLayout layout;
        layout.adnRecords = 3;
        BookCard card = insertBookCard(layout);
        const QByteArray subaddress = hexRecord("01 03 A1 B2 C3", 13);
        card.ext1->records[0] = subaddress;
        m_f.add({makeContact(name, number.constData(), uint8_t(tonNpi), uint8_t(ccp))});
        QVERIFY(m_f.write(WriteMode::WriteAll));
        QCOMPARE(m_f.ui->progressCaptions, std::vector<std::string>{" Writing to SIM Card ... "});
        compareRecords(card, {record, freeRecord(kAdn), freeRecord(kAdn)});
        QCOMPARE(card.ext1->records[0], subaddress);
        QCOMPARE(card.ext1->records[1], ext1);
        QCOMPARE(card.ext1->records[2], freeRecord(13));
        QCOMPARE(card.ext2->records[0], freeRecord(13));
    }

    // A name too long for its record is cut at a character boundary (no half
    // of an escape pair) and the user is told which.
    void cutNamesListed()
    {
        BookCard card = insertBookCard();
        BookEntry& entry = m_f.sideBooks->lnd[0];
        entry.name.assign("Seventeen letters[x]"); // the alpha field holds 18 bytes
        entry.number.assign("0301");
        entry.dirty = 1;
        SideBooksWrite write;
        CardHost host{*m_f.ui, m_f.state, [&](CardSession& session) {
                          std::vector<bool> ext1;
                          std::vector<bool> ext2;
                          write =
                              writeSideBooks(session, *m_f.ui, *m_f.sideBooks, ext1, ext2, false);
                          return 0;
                      }};
        QVERIFY(connectToReader(*m_f.session, host, Transfer::Write));
        QVERIFY(!write.stop && write.allWritten);
        QCOMPARE(m_f.messageIds(), QList<int>{815});
        QCOMPARE(m_f.ui->messages.back().text,
                 std::string("Names cut to fit the SIM Card: Seventeen letters[x]"));
        QCOMPARE(card.lnd->records[0].left(18), QByteArray("Seventeen letters\xFF"));
    }

    // The fixed dialling numbers are written after PIN2; a refused PIN2 leaves
    // EF FDN as it was, and the phone book is written all the same.
    void fixedDialling_data()
    {
        QTest::addColumn<QString>("pin2");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        // Records of 30 bytes (alpha 16). The fixed dialling names go to the
        // card in the GSM alphabet: e-acute is 0x05.
        QTest::newRow("PIN2 accepted") << "5678" << QList<int>{807}
                                       << bytes("4A 6F 73 05 FF FF FF FF FF FF FF FF FF FF FF FF"
                                                "03 81 11 F0 FF FF FF FF FF FF FF FF FF FF")
                                       << bytes("4F 70 73 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                                "03 91 94 03 FF FF FF FF FF FF FF FF FF FF");
        // PIN2 incorrect, with the attempts left.
        QTest::newRow("PIN2 refused") << "0000" << QList<int>{406, 807}
                                      << hexRecord("44 6F 63 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                                   "03 81 11 F2",
                                                   30)
                                      << freeRecord(30);
    }

    void fixedDialling()
    {
        QFETCH(QString, pin2);
        QFETCH(QList<int>, messages);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        BookCard card = insertBookCard();
        card.fdn->records[0] = hexRecord("44 6F 63 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                         "03 81 11 F2",
                                         30);
        m_f.add({anna()});
        BookEntry& changed = m_f.sideBooks->fdn[0];
        changed.name.assign("Jos\xE9");
        changed.number.assign("110");
        changed.tonNpi = 0x81;
        changed.dirty = 1;
        BookEntry& added = m_f.sideBooks->fdn[1];
        added.name.assign("Ops");
        added.number.assign("+4930");
        added.tonNpi = 0x91;
        m_f.ui->queuePin(pin2.toStdString());
        QVERIFY(m_f.write(WriteMode::WriteAll));

        QCOMPARE(m_f.ui->pinRequests.size(), std::size_t(1));
        QVERIFY(m_f.ui->pinRequests.front().kind == UserInterface::PinDialogKind::EnterPin2);
        QCOMPARE(m_f.messageIds(), messages);
        QCOMPARE(card.fdn->records[0], first);
        QCOMPARE(card.fdn->records[1], second);
        QCOMPARE(card.fdn->records[2], freeRecord(30));
        QCOMPARE(card.adn->records[0], bytes(kAnna));
        if (messages.size() > 1) // not even selected after the refusal
            QCOMPARE(TransferFixture::countSent("A0A4 0000 02 6F3B"), 0);
    }

    // A long last-dialled number takes the first free extension record.
    void sideBookLongNumberTakesFirstFreeExtension()
    {
        BookCard card = insertBookCard();
        BookEntry& entry = m_f.sideBooks->lnd[0];
        entry.name.assign("Ruf");
        entry.number.assign("9999999999888888888877777777");
        entry.tonNpi = 0x81;
        entry.dirty = 1;
        m_f.add({anna()});
        QVERIFY(m_f.write(WriteMode::WriteAll));
        QCOMPARE(card.lnd->records[0].right(2), QByteArray::fromHex("FF01"));
        QCOMPARE(card.ext1->records[0], hexRecord("02 04 77 77 77 77", 13));
    }

    // The card refuses the extension record of a long fixed dialling number,
    // the run's first update: the phone book is left as it was, and the user
    // is told.
    void sideBookExtensionRefused()
    {
        BookCard card = insertBookCard();
        const QByteArray adnBefore = card.adn->records[0];
        BookEntry& entry = m_f.sideBooks->fdn[0];
        entry.name.assign("Long");
        entry.number.assign("+4930123456789012345678");
        entry.tonNpi = 0x91;
        entry.dirty = 1;
        m_f.add({anna()});
        card.sim->faults().append(vsim::Fault{.commandPrefix = QByteArray::fromHex("A0DC"),
                                              .action = vsim::Fault::Action::StatusWord,
                                              .statusWord = 0x6F00});
        m_f.ui->queuePin("5678");
        QVERIFY(!m_f.write(WriteMode::WriteAll));
        QCOMPARE(m_f.messageIds().back(), 830);
        QCOMPARE(card.adn->records[0], adnBefore);
    }


    void emptiedOwnNumberIsNotWritten()
    {
        BookCard card = insertBookCard();
        const QByteArray own = hexRecord("FF FF FF FF FF FF FF FF FF FF FF FF 03 81 11 F2", 26);
        card.msisdn->records[0] = own;
        m_f.sideBooks->msisdn[0].recordIndex = 0;
        m_f.sideBooks->msisdn[0].dirty = 1; // the number was emptied
        BookEntry& second = m_f.sideBooks->msisdn[1];
        second.name.assign("Fax");
        second.number.assign("0301");
        second.tonNpi = 0xA8;
        second.dirty = 1;
        m_f.add({anna()});
        QVERIFY(m_f.write(WriteMode::WriteAll));
        QCOMPARE(card.msisdn->records[0], own);
        QCOMPARE(card.msisdn->records[1],
                 hexRecord("46 61 78 FF FF FF FF FF FF FF FF FF 03 A8 30 10", 26));
    }
};

QTEST_GUILESS_MAIN(TestCardWrite)
#include "TestCardWrite.moc"
