// What a write must never do: take extension records of contacts that stay,
// write more than fits without saying so, write an empty book over the card,
// pass a refused, lost or half-done write for done, or go on with another
// card. Cards are laid out by hand in the GSM 11.11 record layout.
#include "BookCard.h"

#include "simops/PhoneBookWrite.h"

#include <QRegularExpression>
#include <QTest>

namespace {

constexpr int kAdn = 28; // alpha 14
constexpr int kExt = 13;

// Kept on the card: a contact whose number goes on in EXT1 record 1, a short
// one, the own number in EXT1 record 2, a fixed dialling number in EXT2
// record 1, and other data (type 01) in EXT1 record 3.
const char* kKonferenz = "4B 6F 6E 66 65 72 65 6E 7A FF FF FF FF FF"
                         "0B 91 94 03 21 43 65 87 09 21 43 65 FF 01";
const char* kOld = "4F 6C 64 FF FF FF FF FF FF FF FF FF FF FF"
                   "02 81 F9 FF FF FF FF FF FF FF FF FF FF FF";
const char* kKonferenzDigits = "02 01 87";
const char* kOwnDigits = "02 01 21";
const char* kSubaddress = "01 03 A1 B2 C3";
const char* kOwn = "45 69 67 65 6E 65 FF FF FF FF FF FF"
                   "0B 91 94 71 91 78 56 34 12 90 78 56 FF 02";
const char* kFdn = "4F 70 73 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                   "0B 81 11 11 11 11 11 11 11 11 11 11 FF 01";
const char* kFdnDigits = "02 01 43";

// Two new contacts with 28 digits each, and what the card must hold for the first.
const char* kLong1 = "1111111111222222222233333333";
const char* kLong2 = "4444444444555555555566666666";
const char* kNew1 = "4E 65 75 31 FF FF FF FF FF FF FF FF FF FF"
                    "0B 81 11 11 11 11 11 22 22 22 22 22 FF 04";

QByteArray rec(const char* hex, int length = kAdn)
{
    return hexRecord(hex, length);
}

struct Snapshot
{
    QList<QByteArray> adn, ext1, ext2, fdn, msisdn;
};

Snapshot snapshot(const BookCard& card)
{
    return {card.adn->records, card.ext1->records, card.ext2->records, card.fdn->records,
            card.msisdn->records};
}

// The card of the first test: records 1 and 3 in use, the rest free.
BookCard keptExtensionsCard()
{
    BookCard card = insertBookCard();
    card.adn->records[0] = rec(kKonferenz);
    card.adn->records[2] = rec(kOld);
    card.ext1->records[0] = rec(kKonferenzDigits, kExt);
    card.ext1->records[1] = rec(kOwnDigits, kExt);
    card.ext1->records[2] = rec(kSubaddress, kExt);
    card.msisdn->records[0] = rec(kOwn, 26);
    card.fdn->records[0] = rec(kFdn, 30);
    card.ext2->records[0] = rec(kFdnDigits, kExt);
    return card;
}

} // namespace

class TestWriteSafety : public QObject
{
    Q_OBJECT

private:
    TransferFixture m_f;

private slots:
    void initTestCase() { openTestLog(); }
    void init() { m_f.reset(); }

    // A last dialled number with a long number is written with the contacts:
    // it takes an extension record that no kept or new contact names.
    void sideBookKeepsContactsExtensions()
    {
        BookCard card = keptExtensionsCard();
        const Snapshot before = snapshot(card);
        BookEntry& dialled = m_f.sideBooks->lnd[0];
        dialled.name.assign("Ruf");
        dialled.number.assign("9999999999888888888877777777");
        dialled.tonNpi = 0x81;
        dialled.recordIndex = 0;
        dialled.dirty = 1;
        m_f.add({makeContact("Neu1", kLong1), makeContact("Neu2", kLong2)});
        QVERIFY(m_f.write(WriteMode::AddAll));

        QList<QByteArray> expected = before.ext1;
        expected[3] = rec("02 04 33 33 33 33", kExt);
        expected[4] = rec("02 04 66 66 66 66", kExt);
        expected[5] = rec("02 04 77 77 77 77", kExt);
        QCOMPARE(card.ext1->records, expected);
        QCOMPARE(card.lnd->records[0],
                 hexRecord("52 75 66 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
                           "0B 81 99 99 99 99 99 88 88 88 88 88 FF 06",
                           32));
        QCOMPARE(card.adn->records[0], rec(kKonferenz));
    }

    // A last dialled number left as it is keeps its extension record: the new
    // contacts go past it.
    void keptDialledNumberKeepsItsExtension()
    {
        BookCard card = keptExtensionsCard();
        card.lnd->records[0] = hexRecord("52 75 66 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"
                                         "0B 81 99 99 99 99 99 88 88 88 88 88 FF 04",
                                         32);
        card.ext1->records[3] = rec("02 04 77 77 77 77", kExt);
        const QList<QByteArray> dialled = card.lnd->records;
        QList<QByteArray> expected = card.ext1->records;
        m_f.add({makeContact("Neu1", kLong1)});
        QVERIFY(m_f.write(WriteMode::AddAll));

        expected[4] = rec("02 04 33 33 33 33", kExt);
        QCOMPARE(card.ext1->records, expected);
        QCOMPARE(card.adn->records[1], rec("4E 65 75 31 FF FF FF FF FF FF FF FF FF FF"
                                           "0B 81 11 11 11 11 11 22 22 22 22 22 FF 05"));
        QCOMPARE(card.lnd->records, dialled);
    }

    // Nothing is written unless everything fits, or a partial write is asked for
    // (phonara-cli's tests check long numbers without room and --partial).
    void fitting_data()
    {
        QTest::addColumn<WriteMode>("mode");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<QString>("said");
        QTest::newRow("write all: more contacts than records")
            << WriteMode::WriteAll << 11
            << "Nothing was written. 10 of 11 contacts fit on the SIM Card. No free record is left "
               "for 1 of them.";
    }

    void fitting()
    {
        QFETCH(WriteMode, mode);
        QFETCH(int, contacts);
        QFETCH(QString, said);
        BookCard card = keptExtensionsCard();
        for (int i = 0; i < contacts; ++i)
            m_f.book->append(makeContact("C" + QByteArray::number(i), "123"));
        virtualPcsc().clearLog();
        QVERIFY(!m_f.write(mode));
        QVERIFY2(m_f.lastMessage().contains(said), qPrintable(m_f.lastMessage()));
        QCOMPARE(TransferFixture::countSent("A0DC"), 0);
    }

    // Overwriting with nothing is refused; clearing is Clear SIM's job.
    void emptyInputs_data()
    {
        QTest::addColumn<WriteMode>("mode");
        QTest::addColumn<int>("contacts");
        QTest::newRow("write all of an empty book") << WriteMode::WriteAll << 0;
        QTest::newRow("write selected with nothing selected") << WriteMode::WriteSelected << 3;
    }

    void emptyInputs()
    {
        QFETCH(WriteMode, mode);
        QFETCH(int, contacts);
        BookCard card = keptExtensionsCard();
        const Snapshot before = snapshot(card);
        for (int i = 0; i < contacts; ++i)
            m_f.book->append(makeContact("C" + QByteArray::number(i), "123"));
        QVERIFY(!m_f.write(mode));
        QCOMPARE(m_f.messageIds().last(), 800);
        QCOMPARE(snapshot(card).adn, before.adn);
        QCOMPARE(TransferFixture::countSent("A0DC"), 0);
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QByteArray>("record"); // empty: refused
        QTest::newRow("blanks, dashes, dots, parentheses are dropped")
            << QByteArray("(030) 12.34-5")
            << rec("41 FF FF FF FF FF FF FF FF FF FF FF FF FF"
                   "05 81 30 10 32 54");
        QTest::newRow("letters") << QByteArray("0800-FLOWERS") << QByteArray();
        QTest::newRow("plus not in front") << QByteArray("49+30") << QByteArray();
        QTest::newRow("41 digits") << QByteArray(41, '1') << QByteArray();
    }

    void numbers()
    {
        QFETCH(QByteArray, number);
        QFETCH(QByteArray, record);
        CardLayout layout;
        layout.adnRecords = 2;
        BookCard card = insertBookCard(layout);
        m_f.add({makeContact("A", number.constData())});
        QCOMPARE(m_f.write(WriteMode::WriteAll), !record.isEmpty());
        if (record.isEmpty()) {
            QCOMPARE(m_f.messageIds().last(), 816);
            QVERIFY(m_f.lastMessage().contains("A (" + number + ")"));
            QCOMPARE(card.adn->records[0], freeRecord(kAdn));
        } else {
            QCOMPARE(card.adn->records[0], record);
        }
        QCOMPARE(QByteArray::fromStdString(std::string(m_f.book->contacts[0].numberText())),
                 number); // the book is not changed
    }

    // The card answers a status word to every READ or UPDATE RECORD: only
    // 91 xx and 92 0x after the work is done count as success.
    void statusWords_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("sw");
        QTest::addColumn<bool>("after");
        QTest::addColumn<bool>("written");
        QTest::newRow("READ 94 02") << QByteArray("A0B2") << QByteArray("9402") << false << false;
        QTest::newRow("READ 98 04") << QByteArray("A0B2") << QByteArray("9804") << false << false;
        QTest::newRow("UPDATE 94 02") << QByteArray("A0DC") << QByteArray("9402") << false << false;
        QTest::newRow("UPDATE 98 04") << QByteArray("A0DC") << QByteArray("9804") << false << false;
        QTest::newRow("READ 91 10") << QByteArray("A0B2") << QByteArray("9110") << true << true;
        QTest::newRow("UPDATE 92 01") << QByteArray("A0DC") << QByteArray("9201") << true << true;
    }

    void statusWords()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, sw);
        QFETCH(bool, after);
        QFETCH(bool, written);
        BookCard card = keptExtensionsCard();
        const Snapshot before = snapshot(card);
        vsim::Fault fault;
        fault.commandPrefix = QByteArray::fromHex(command);
        fault.action = after ? vsim::Fault::Action::AfterWork : vsim::Fault::Action::StatusWord;
        fault.statusWord = uint16_t(sw.toUInt(nullptr, 16));
        fault.once = false;
        card.sim->faults().append(fault);
        m_f.add({makeContact("Neu1", kLong1)});

        QCOMPARE(m_f.write(WriteMode::AddAll), written);
        if (written) {
            QCOMPARE(card.adn->records[1], rec(kNew1));
        } else {
            QCOMPARE(snapshot(card).adn, before.adn);
            QVERIFY(!m_f.lastMessage().isEmpty());
        }
    }

    // A card that says 90 00 and keeps nothing: the read-back catches it.
    void updateForgotten()
    {
        BookCard card = keptExtensionsCard();
        card.sim->faults().append(vsim::Fault{.commandPrefix = QByteArray::fromHex("A0DC"),
                                              .action = vsim::Fault::Action::Forget,
                                              .once = false});
        m_f.add({makeContact("A", "123")});
        QVERIFY(!m_f.write(WriteMode::AddAll));
        QVERIFY2(m_f.lastMessage().contains("did not keep what was written"),
                 qPrintable(m_f.lastMessage()));
        QVERIFY(m_f.lastMessage().contains("after 0 of 1 contacts"));
    }

    // Only records whose bytes change are written.
    void unchangedRewrite()
    {
        BookCard card = keptExtensionsCard();
        m_f.add({makeContact("Neu1", kLong1), makeContact("B", "123")});
        QVERIFY(m_f.write(WriteMode::WriteAll));
        virtualPcsc().clearLog();
        QVERIFY(m_f.write(WriteMode::WriteAll));
        QCOMPARE(TransferFixture::countSent("A0DC"), 0);
        QVERIFY(m_f.lastMessage().contains("nothing had to be written"));

        m_f.book->contacts[1].setNumber("124");
        virtualPcsc().clearLog();
        QVERIFY(m_f.write(WriteMode::WriteAll));
        QCOMPARE(TransferFixture::countSent("A0DC"), 1);
    }

    // The first reader's card refuses the write: the run ends with it, and the
    // card in the second reader is never written.
    void secondReaderUntouched()
    {
        BookCard first = keptExtensionsCard();
        first.sim->faults().append(vsim::Fault{.commandPrefix = QByteArray::fromHex("A0DC"),
                                               .action = vsim::Fault::Action::StatusWord,
                                               .statusWord = 0x9804,
                                               .once = false});
        BookCard second = insertBookCard({}, QStringLiteral("Reader B"));
        second.adn->records[0] = rec(kOld);
        const Snapshot before = snapshot(second);
        m_f.add({makeContact("A", "123")});
        QVERIFY(!m_f.write(WriteMode::WriteAll));
        QCOMPARE(snapshot(second).adn, before.adn);
        for (const vsim::pcsc::Exchange& exchange : virtualPcsc().log())
            QVERIFY(exchange.reader != "Reader B" || !exchange.command.startsWith("\xA0\xDC"));
        QVERIFY(m_f.lastMessage().contains("refused record 1 of EF ADN (98 04)"));
    }

    // A card another program holds is busy, not missing.
    void busyCard()
    {
        BookCard card = keptExtensionsCard();
        const PcscApi api = virtualPcscApi();
        SCARDCONTEXT other = 0;
        SCARDHANDLE handle = 0;
        DWORD protocol = 0;
        QCOMPARE(api.SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &other),
                 LONG(SCARD_S_SUCCESS));
        QCOMPARE(api.SCardConnect(other, "Reader A", SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0,
                                  &handle, &protocol),
                 LONG(SCARD_S_SUCCESS));
        m_f.add({makeContact("A", "123")});
        QVERIFY(!m_f.write(WriteMode::WriteAll));
        QCOMPARE(m_f.messageIds().last(), 824);
        api.SCardDisconnect(handle, SCARD_LEAVE_CARD);
        api.SCardReleaseContext(other);
    }

    // The card leaves the reader after each number of commands in turn: the
    // message says how far the write got, the card holds for every record
    // either what it had or what was to be written, and the book in memory
    // is untouched.
    void removedAtEveryCommand_data()
    {
        QTest::addColumn<WriteMode>("mode");
        QTest::newRow("add") << WriteMode::AddAll;
        QTest::newRow("write all") << WriteMode::WriteAll;
    }

    void removedAtEveryCommand()
    {
        QFETCH(WriteMode, mode);
        const auto fill = [this] {
            m_f.add({makeContact("Neu1", kLong1), makeContact("B", "123"),
                     makeContact("Neu2", kLong2)});
        };
        // A clean run first: how many commands, and what the card holds after.
        BookCard clean = keptExtensionsCard();
        const Snapshot before = snapshot(clean);
        fill();
        QVERIFY(m_f.write(mode));
        const Snapshot done = snapshot(clean);
        const int commands = clean.sim->apduCount();
        QVERIFY(commands > 20);

        for (int n = 0; n < commands; ++n) {
            m_f.reset();
            BookCard card = keptExtensionsCard();
            card.sim->faults().append(vsim::Fault{.commandPrefix = {}, .afterApdus = n});
            fill();
            // Done only when the transfer ran and completed.
            const bool ok = m_f.write(mode) && m_f.transferResult == 0;
            QVERIFY2(!ok, qPrintable(QString::number(n)));
            const Snapshot after = snapshot(card);
            int changed = 0;
            for (int r = 0; r < after.adn.size(); ++r) {
                QVERIFY(after.adn[r] == before.adn[r] || after.adn[r] == done.adn[r]);
                changed += after.adn[r] != before.adn[r] && done.adn[r] != freeRecord(kAdn);
            }
            QCOMPARE(after.msisdn, before.msisdn);
            QCOMPARE(after.fdn, before.fdn);
            QCOMPARE(m_f.book->contactCount(), 3u);
            QCOMPARE(QByteArray::fromStdString(std::string(m_f.book->contacts[2].numberText())),
                     QByteArray(kLong2));
            const QString message = m_f.lastMessage();
            QVERIFY2(!message.isEmpty(), qPrintable(QString::number(n)));
            if (TransferFixture::countSent("A0DC") == 0)
                continue;
            const QRegularExpressionMatch match =
                QRegularExpression("removed after (\\d+) of 3 contacts").match(message);
            QVERIFY2(match.hasMatch(), qPrintable(QString::number(n) + ": " + message));
            // A record written but not yet read back is not counted.
            const int told = match.captured(1).toInt();
            QVERIFY2(told == changed || told == changed - 1, qPrintable(message));
            if (changed > 0) {
                QVERIFY(message.contains("The SIM Card holds a partly written phone book.\n"
                                         "The backup of the SIM Card is in "));
                QCOMPARE(m_f.session->context, SCARDCONTEXT(0));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestWriteSafety)
#include "TestWriteSafety.moc"
