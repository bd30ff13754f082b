// Reading the card's books through the Read connect sequence and the transfer
// hook, on the in-process virtual SIM. Card records are written by hand in the
// GSM 11.11 layout.
#include "BookCard.h"

#include <QTest>

namespace {

// ADN records of 28 bytes: alpha 14, length, TON/NPI, 10 digit bytes, CCP, extension.
const char* kAnna = "41 6E 6E 61 FF FF FF FF FF FF FF FF FF FF"
                    "05 91 94 21 43 F5 FF FF FF FF FF FF FF FF";
const char* kOmega = "81 02 07 A9 BC FF FF FF FF FF FF FF FF FF" // U+03A9 U+03BC, 0x81 form
                     "02 81 F1 FF FF FF FF FF FF FF FF FF FF FF";
const char* kLong = "45 78 74 FF FF FF FF FF FF FF FF FF FF FF" // 20 digits, extension record 5
                    "0B 81 21 43 65 87 09 21 43 65 87 09 FF 05";
const char* kRene = "52 65 6E 05 FF FF FF FF FF FF FF FF FF FF" // GSM e-acute, CCP 7
                    "03 81 11 F2 FF FF FF FF FF FF FF FF 07 FF";
const char* kAtSign = "4D 00 58 FF FF FF FF FF FF FF FF FF FF FF" // GSM at sign
                      "02 81 F1 FF FF FF FF FF FF FF FF FF FF FF";

QByteArray bytes(const char* hex)
{
    return hexRecord(hex, 0);
}

QByteArray nameOf(const Contact& contact)
{
    const std::string_view held = contact.heldName();
    return QByteArray(held.data(), static_cast<qsizetype>(held.size()));
}

// One line an entry of a side book: its record index, and unless it is blank
// its name, number and TON/NPI.
QByteArray entries(const BookEntry* first, uint32_t count)
{
    QByteArray text;
    for (const BookEntry* entry = first; entry != first + count; ++entry) {
        text += QByteArray::number(entry->recordIndex);
        if (!entry->isBlank())
            text += QByteArray(" ") + entry->name.c_str() + '|' + entry->number.c_str() + '|' +
                    QByteArray::number(entry->tonNpi, 16);
        text += '\n';
    }
    return text;
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

    void typicalCard()
    {
        BookCard card = insertBookCard();
        card.adn->records[0] = bytes(kAnna);
        card.adn->records[1] = bytes(kOmega);
        card.adn->records[4] = bytes(kLong);
        card.adn->records[5] = bytes(kRene);
        card.adn->records[6] = bytes(kAtSign);
        card.ext1->records[0] = hexRecord("02 02 11 F1", 13);
        card.ext1->records[4] = hexRecord("02 03 21 43 F5", 13);
        card.ext2->records[0] = hexRecord("02 02 99 F9", 13);
        // FDN records of 30 bytes (alpha 16); the second continues in EXT2 record 1.
        card.fdn->records[0] = hexRecord("44 6F 63 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                         "03 81 11 F2",
                                         30);
        // Side-book names in the GSM alphabet: u-umlaut 7E, brackets through the escape.
        card.fdn->records[1] = hexRecord("42 7E 72 6F FF FF FF FF FF FF FF FF FF FF FF FF"
                                         "0B 81 21 43 65 87 09 21 43 65 87 09 FF 01",
                                         30);
        // MSISDN record of 26 bytes (alpha 12), LND record of 32 bytes (alpha 18).
        card.msisdn->records[0] =
            hexRecord("4D 65 FF FF FF FF FF FF FF FF FF FF 05 91 94 71 00 F0", 26);
        card.lnd->records[0] = hexRecord("1B 3C 4A 6F 65 1B 3E FF FF FF FF FF FF FF FF FF FF FF"
                                         "03 81 30 10",
                                         32);

        QVERIFY(m_f.run(Transfer::Read));
        QVERIFY(m_f.ui->messages.empty());
        QCOMPARE(m_f.state.bookSource, BookSource::Card);

        // One line a contact: sequence, name, number, TON/NPI and CCP.
        QByteArray contacts;
        for (const Contact& contact : m_f.book->contacts)
            contacts += QByteArray::number(contact.sequence) + ' ' + nameOf(contact) + '|' +
                        QByteArray::fromStdString(std::string(contact.numberText())) + '|' +
                        QByteArray::number(contact.tonNpi, 16) + '|' +
                        QByteArray::number(contact.ccp, 16) + '\n';
        QCOMPARE(contacts, "0 Anna|+4912345|91|ff\n"
                           "1 " + QByteArray::fromHex("8102 07A9BC") + "|1|81|ff\n"
                           "2 Ext|1234567890123456789012345|81|ff\n"
                           "3 Ren\xE9|112|81|7\n"
                           "4 M@X|1|81|ff\n");
        QCOMPARE(m_f.book->nextSequence, 6u);
        // A fixed dialling number continues in EF EXT2, not EF EXT1.
        const SideBooks& side = *m_f.sideBooks;
        QCOMPARE(entries(side.fdn.data(), side.fdnCount),
                 "0 Doc|112|81\n1 B\xFCro|12345678901234567890999|81\n-1\n");
        QCOMPARE(entries(side.lnd.data(), side.lndCount), "0 [Joe]|0301|81\n-1\n-1\n");
        QCOMPARE(entries(side.msisdn.data(), side.msisdnCount), "0 Me|+4917000|91\n-1\n");

        // Ten records: every record is a tenth of the way.
        QCOMPARE(m_f.ui->progressCaptions, std::vector<std::string>{" Reading from SIM Card ... "});
        QCOMPARE(m_f.ui->progressCaptionChanges,
                 std::vector<std::string>{" Reading from SIM Card ... "});
        QCOMPARE(m_f.ui->progressPercents,
                 (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    }

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
