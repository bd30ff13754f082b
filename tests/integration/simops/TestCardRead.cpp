// Reading the card's books through the Read connect sequence and the transfer
// hook, on the in-process virtual SIM. Card records are written by hand in the
// GSM 11.11 layout.
#include "BookCard.h"

#include <QTest>

namespace {

// ADN records of 28 bytes: alpha 14, length, TON/NPI, 10 digit bytes, CCP, extension.
const char* kAnna = "41 6E 6E 61 FF FF FF FF FF FF FF FF FF FF"
                    "05 91 94 21 43 F5 FF FF FF FF FF FF FF FF";
const char* kLong = "45 78 74 FF FF FF FF FF FF FF FF FF FF FF" // 20 digits, extension record 5
                    "0B 81 21 43 65 87 09 21 43 65 87 09 FF 05";

QByteArray bytes(const char* hex)
{
    return hexRecord(hex, 0);
}

QByteArray nameOf(const Contact& contact)
{
    const std::string_view held = contact.heldName();
    return QByteArray(held.data(), static_cast<qsizetype>(held.size()));
}

} // namespace

class TestCardRead : public QObject
{
    Q_OBJECT

private:
    TransferFixture m_f;

    // What a file left in the program before the Read.
    void openFileBook()
    {
        m_f.state.bookSource = BookSource::File;
        m_f.book->append(makeContact("File one", "111"));
        m_f.book->append(makeContact("File two", "222"));
        m_f.sideBooks->fdn[0].name.assign("Keep");
        m_f.sideBooks->fdn[0].number.assign("999");
    }

    void checkFileBookKept()
    {
        QCOMPARE(m_f.book->contactCount(), 2u);
        QCOMPARE(nameOf(m_f.book->contacts[0]), QByteArray("File one"));
        QCOMPARE(nameOf(m_f.book->contacts[1]), QByteArray("File two"));
        QCOMPARE(QByteArray(m_f.sideBooks->fdn[0].name.c_str()), QByteArray("Keep"));
        QCOMPARE(QByteArray(m_f.sideBooks->fdn[0].number.c_str()), QByteArray("999"));
    }

private slots:
    void initTestCase() { openTestLog(); }
    void init() { m_f.reset(); }

    // The shared card profiles, read with PIN1 1234.
    void profiles_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("fdnCount");
        QTest::addColumn<QByteArray>("ownNumber");
        // The typical card is read whole by phonara-cli's end-to-end read.
        QTest::newRow("empty") << "empty-phonebook" << true << 0 << 250 << 20 << QByteArray();
        // Records 1, 8, ..., 253 and 255 are in use below the one-byte limit.
        QTest::newRow("500 records")
            << "adn-500" << true << 38 << 500 << 20 << QByteArray("+491719876543");
        QTest::newRow("60 FDN") << "fdn-60" << true << 42 << 250 << 40
                                << QByteArray("+491719876543");
        QTest::newRow("no MSISDN") << "no-msisdn" << false << 2 << 250 << 40 << QByteArray();
    }

    void profiles()
    {
        QFETCH(QString, profile);
        QFETCH(bool, read);
        QFETCH(int, contacts);
        QFETCH(int, records);
        QFETCH(int, fdnCount);
        QFETCH(QByteArray, ownNumber);
        const QString path = QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(profile);
        QString error;
        QVERIFY2(virtualPcsc().insertProfile(kReader, path, &error), qPrintable(error));
        openFileBook();
        m_f.ui->queuePin("1234");

        m_f.run(Transfer::Read);
        QCOMPARE(m_f.transferResult == 0, read);
        QCOMPARE(m_f.book->contactCount(), uint32_t(contacts));
        QCOMPARE(m_f.session->adnRecordCount, records);
        QCOMPARE(m_f.sideBooks->fdnCount, uint32_t(fdnCount));
        QCOMPARE(QByteArray(m_f.sideBooks->msisdn[0].number.c_str()), ownNumber);
        if (!read) {
            // The user learns which file stopped the read, and that nothing was read.
            QCOMPARE(m_f.lastMessage(),
                     QStringLiteral("The own numbers could not be read: EF MSISDN (6F40) could not "
                                    "be selected (94 04, file id not found).\nThe phone book was "
                                    "not read."));
            checkFileBookKept();
            return;
        }
        QCOMPARE(m_f.book->nextSequence, uint32_t(contacts + 1));
        if (profile == QLatin1String("fdn-60")) {
            QCOMPARE(QByteArray(m_f.sideBooks->fdn[39].name.c_str()), QByteArray("FDN 40"));
            QCOMPARE(TransferFixture::countSent("A0B2 29 04 1E"), 0); // record 41 of EF FDN
        }
        // The card's record count is kept as it is; READ RECORD carries the record
        // number in one byte, so no record past 255 is asked for (256 would be
        // sent as 0, the current record). The display moves every 5 of the 500
        // announced records and stops at half-way.
        if (profile == QLatin1String("adn-500")) {
            QCOMPARE(TransferFixture::countSent("A0B2 00"), 0);
            QCOMPARE(m_f.ui->progressPercents.size(), std::size_t(51));
            QCOMPARE(m_f.ui->progressPercents.back(), 50);
        }
    }

    void cardRemovedDuringRead_data()
    {
        QTest::addColumn<QByteArray>("removedAt");
        QTest::newRow("phone-book record 5") << QByteArray::fromHex("A0B205041C");
        QTest::newRow("extension record") << QByteArray::fromHex("A0B205040D");
        QTest::newRow("last dialled record 1") << QByteArray::fromHex("A0B2010420");
        QTest::newRow("own number record 1") << QByteArray::fromHex("A0B201041A");
    }

    void cardRemovedDuringRead()
    {
        QFETCH(QByteArray, removedAt);
        BookCard card = insertBookCard();
        card.adn->records[0] = bytes(kAnna);
        card.adn->records[2] = bytes(kLong);
        card.fdn->records[0] = hexRecord("44 6F 63 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                         "03 81 11 F2",
                                         30);
        card.sim->faults().append(vsim::Fault{.commandPrefix = removedAt});
        openFileBook();

        QVERIFY(!m_f.run(Transfer::Read));
        QCOMPARE(m_f.transferResult, 1);
        QCOMPARE(m_f.state.bookSource, BookSource::File);
        QVERIFY(!m_f.ui->messages.empty());
        QCOMPARE(m_f.ui->messages.front().id, 35);
        QCOMPARE(m_f.ui->messages.front().text,
                 std::string("Error reading SIM Card: 80100069.\nThe smart card has been "
                             "removed, so that further communication is not possible."));
        QCOMPARE(m_f.session->context, SCARDCONTEXT(0));
        QVERIFY(m_f.session->cachedPin1.empty());
        // Neither the contacts read so far nor the card's fixed dialling numbers
        // replace the open file's books.
        checkFileBookKept();
    }
};

QTEST_GUILESS_MAIN(TestCardRead)
#include "TestCardRead.moc"
