// The card code and the card transfer against a real pcscd: the private daemon
// of scripts/with-virtual-card serves the typical virtual SIM through vpcd. A
// read, a changed book written with WriteAll on the kept connection and a
// second read in a fresh connection give back the written book.
#include "PrivatePcscd.h"
#include "ScriptedUserInterface.h"

#include "card/flows/CardSession.h"
#include "card/flows/Pin2.h"
#include "simops/CardTransfer.h"

#include <QTest>

#include <memory>

namespace {

struct Program
{
    explicit Program(const PcscApi& api) : session(api) {}

    CardSession session;
    std::unique_ptr<PhoneBook> book = std::make_unique<PhoneBook>();
    std::unique_ptr<SideBooks> sideBooks = std::make_unique<SideBooks>();
    ScriptedUserInterface ui;
    BookState state;

    bool transfer(Transfer scope, WriteMode mode = WriteMode::WriteAll)
    {
        state.writeMode = mode;
        CardTransferBooks books{*book, *sideBooks, state};
        CardHost host{ui, state, makeCardTransferHook(books, ui)};
        ui.queuePin("1234");
        return connectToReader(session, host, scope);
    }
};

QByteArray nameOf(const Contact& contact)
{
    const std::string_view held = contact.heldName();
    return QByteArray(held.data(), qsizetype(held.size()));
}

} // namespace

class TestTransferE2E : public QObject
{
    Q_OBJECT

private:
    PrivatePcscd m_pcscd;

private slots:
    void initTestCase() { m_pcscd.bind(); }
    void cleanupTestCase() { m_pcscd.unbind(); }

    void readWriteRead()
    {
        Program first(m_pcscd.api());
        QVERIFY(first.transfer(Transfer::Read));
        QVERIFY(first.ui.messages.empty());
        QCOMPARE(first.ui.pinRequests.size(), size_t(1));
        QCOMPARE(first.ui.pinRequests.front().attempts, 3);
        const CardSession& session = first.session;
        QVERIFY(!session.readerName.empty());
        QCOMPARE(session.activeProtocol, DWORD(SCARD_PROTOCOL_T0));
        QCOMPARE(QByteArray(session.iccid.data()), QByteArray("8949020000123456789"));
        QCOMPARE(QByteArray(session.serviceProviderName.c_str()), QByteArray("Phonara Mobile"));
        QCOMPARE(session.adnRecordLength, 28);
        QCOMPARE(session.adnRecordCount, 250);
        QCOMPARE(session.chv1Status, uint8_t(3));
        QCOMPARE(first.state.bookSource, BookSource::Card);
        QCOMPARE(first.book->contactCount(), 42u);
        QCOMPARE(nameOf(first.book->contacts[0]), QByteArray("Anna Schmidt"));

        // Change the book: one contact out, one with a long number and an
        // accented name in, then write it all back on the open connection.
        PhoneBook& book = *first.book;
        QVERIFY(book.removeAt(1));
        Contact added;
        added.setName("Ren\xE9 Lang");
        added.setNumber("+4930123456789012345678901234");
        added.tonNpi = 0x91;
        book.append(added);
        QVERIFY(first.transfer(Transfer::Write));
        QCOMPARE(first.ui.messages.size(), std::size_t(1)); // the write says it is done
        QCOMPARE(first.ui.messages.front().id, 807);
        QCOMPARE(first.ui.pinRequests.size(), size_t(1)); // no second PIN entry
        // PIN2 on the shared connection (the write left its PIN1 answer unused).
        first.ui.pinAnswers.clear();
        first.ui.queuePin("5678");
        QCOMPARE(verifyPin2(first.session, first.ui), 1);
        QVERIFY(first.session.isOpen());
        endSession(first.session);
        QCOMPARE(first.session.context, SCARDCONTEXT(0));

        Program second(m_pcscd.api());
        QVERIFY(second.transfer(Transfer::Read));
        QVERIFY(second.ui.messages.empty());
        QCOMPARE(second.book->contactCount(), book.contactCount());
        for (uint32_t i = 0; i < book.contactCount(); ++i) {
            const Contact& written = book.contacts[i];
            const Contact& read = second.book->contacts[i];
            QCOMPARE(nameOf(read), nameOf(written));
            QCOMPARE(QByteArray(read.number), QByteArray(written.number));
            QCOMPARE(read.tonNpi, written.tonNpi);
            QCOMPARE(read.ccp, written.ccp);
            QCOMPARE(read.sequence, i);
        }
        QCOMPARE(QByteArray(second.sideBooks->msisdn[0].number.c_str()),
                 QByteArray("+491719876543"));
        endSession(second.session);
    }
};

QTEST_GUILESS_MAIN(TestTransferE2E)
#include "TestTransferE2E.moc"
