// The in-process PC/SC backend behaves as pcsc-lite does towards a client:
// result codes, buffer conventions, sharing, protocols and card removal, as
// far as the card code uses them.
#include "vsim/CardProfile.h"
#include "vsim/VirtualPcsc.h"

#include <QJsonDocument>
#include <QTest>

namespace pc = vsim::pcsc;

namespace {

const char* const kReader = "Virtual Reader 00";
const char* const kOther = "Virtual Reader 01";

std::shared_ptr<vsim::SimCard> card(const char* json = R"({"atr": "3B 02 14 50"})")
{
    QString error;
    std::shared_ptr<vsim::SimCard> c =
        vsim::cardFromJson(QJsonDocument::fromJson(json).object(), &error);
    if (!c)
        qFatal("%s", qPrintable(error));
    return c;
}

QByteArray transmit(SCARDHANDLE h, const QByteArray& apdu, LONG* rv,
                    DWORD protocol = SCARD_PROTOCOL_T0)
{
    const SCARD_IO_REQUEST pci{protocol, sizeof(SCARD_IO_REQUEST)};
    BYTE buffer[258];
    DWORD length = sizeof buffer;
    *rv = pc::SCardTransmit(h, &pci, reinterpret_cast<LPCBYTE>(apdu.constData()),
                            DWORD(apdu.size()), nullptr, buffer, &length);
    return *rv == SCARD_S_SUCCESS ? QByteArray(reinterpret_cast<char*>(buffer), int(length))
                                  : QByteArray();
}

SCARDCONTEXT context()
{
    SCARDCONTEXT ctx = 0;
    pc::SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &ctx);
    return ctx;
}

// Connects to `reader`; `active` receives the protocol chosen.
LONG connectTo(SCARDCONTEXT ctx, DWORD share, SCARDHANDLE* h, const char* reader = kReader,
             DWORD preferred = SCARD_PROTOCOL_T0, DWORD* active = nullptr)
{
    DWORD chosen = 0;
    return pc::SCardConnect(ctx, reader, share, preferred, h, active ? active : &chosen);
}

} // namespace

class TestVirtualPcsc : public QObject
{
    Q_OBJECT

private slots:
    void init() { pc::Control::instance().reset(); }

    void contextsAndReaders()
    {
        // A refused context and the count of open ones are checked by the card tests.
        const SCARDCONTEXT ctx = context();
        DWORD length = 0;
        QCOMPARE(pc::SCardListReaders(ctx, nullptr, nullptr, &length),
                 SCARD_E_NO_READERS_AVAILABLE);

        // The names as a multi-string; its length first, a short buffer is refused.
        pc::Control::instance().addReader(kReader);
        pc::Control::instance().addReader(kOther);
        const QByteArray expected = QByteArray(kReader) + '\0' + kOther + '\0' + '\0';
        QCOMPARE(pc::SCardListReaders(ctx, nullptr, nullptr, &length), SCARD_S_SUCCESS);
        QCOMPARE(length, DWORD(expected.size()));
        char small[8];
        length = sizeof small;
        QCOMPARE(pc::SCardListReaders(ctx, nullptr, small, &length), SCARD_E_INSUFFICIENT_BUFFER);
        char buffer[100];
        length = sizeof buffer;
        QCOMPARE(pc::SCardListReaders(ctx, nullptr, buffer, &length), SCARD_S_SUCCESS);
        QCOMPARE(QByteArray(buffer, int(length)), expected);

        QCOMPARE(pc::SCardReleaseContext(ctx), SCARD_S_SUCCESS);
        QCOMPARE(pc::SCardReleaseContext(ctx), SCARD_E_INVALID_HANDLE);
        QCOMPARE(pc::SCardListReaders(ctx, nullptr, nullptr, &length), SCARD_E_INVALID_HANDLE);
    }

    void connectResults_data()
    {
        QTest::addColumn<QString>("atr");
        QTest::addColumn<bool>("inserted");
        QTest::addColumn<QString>("reader");
        QTest::addColumn<uint>("preferred");
        QTest::addColumn<qlonglong>("result");
        QTest::addColumn<uint>("protocol");
        const uint t0 = SCARD_PROTOCOL_T0;
        const uint t1 = SCARD_PROTOCOL_T1;
        QTest::newRow("T=0 card, T=0")
            << "3B 02 14 50" << true << kReader << t0 << qlonglong(SCARD_S_SUCCESS) << t0;
        QTest::newRow("T=0 card, either")
            << "3B 02 14 50" << true << kReader << (t0 | t1) << qlonglong(SCARD_S_SUCCESS) << t0;
        QTest::newRow("T=0 card, T=1")
            << "3B 02 14 50" << true << kReader << t1 << qlonglong(SCARD_E_PROTO_MISMATCH) << 0u;
        // TD1 = 81 (T=1 follows), TD2 = 31: a T=1-only card.
        QTest::newRow("T=1 card, T=0") << "3B 80 81 31 FE 45 00" << true << kReader << t0
                                       << qlonglong(SCARD_E_PROTO_MISMATCH) << 0u;
        QTest::newRow("T=1 card, either") << "3B 80 81 31 FE 45 00" << true << kReader << (t0 | t1)
                                          << qlonglong(SCARD_S_SUCCESS) << t1;
        // TD1 = 80 (T=0), TD2 = 01 (T=1): a card speaking both.
        QTest::newRow("T=0 and T=1 card, T=1")
            << "3B 80 80 01 01" << true << kReader << t1 << qlonglong(SCARD_S_SUCCESS) << t1;
        // TD1 = 80 (T=0), TD2 = 1F (T=15, global bytes of a UICC): T=0 only.
        QTest::newRow("UICC, either") << "3B 87 80 1F C7 80 31 E0 73 FE 21 13 31" << true << kReader
                                      << (t0 | t1) << qlonglong(SCARD_S_SUCCESS) << t0;
        QTest::newRow("no card") << "3B 02 14 50" << false << kReader << t0
                                 << qlonglong(SCARD_E_NO_SMARTCARD) << 0u;
        QTest::newRow("unknown reader")
            << "3B 02 14 50" << true << "Nope" << t0 << qlonglong(SCARD_E_UNKNOWN_READER) << 0u;
    }

    void connectResults()
    {
        QFETCH(QString, atr);
        QFETCH(bool, inserted);
        QFETCH(QString, reader);
        QFETCH(uint, preferred);
        QFETCH(qlonglong, result);
        QFETCH(uint, protocol);
        auto c = card();
        c->setAtr(*vsim::fromHex(atr));
        pc::Control::instance().addReader(kReader);
        if (inserted)
            pc::Control::instance().insertCard(kReader, c);
        SCARDHANDLE h = 0;
        DWORD active = 0;
        const QByteArray name = reader.toUtf8();
        QCOMPARE(qlonglong(connectTo(context(), SCARD_SHARE_EXCLUSIVE, &h, name.constData(),
                                     preferred, &active)),
                 result);
        if (result == SCARD_S_SUCCESS)
            QCOMPARE(uint(active), protocol);
    }

    void sharing()
    {
        pc::Control::instance().insertCard(kReader, card());
        const SCARDCONTEXT ctx = context();
        SCARDHANDLE a = 0;
        SCARDHANDLE b = 0;
        QCOMPARE(connectTo(ctx, SCARD_SHARE_EXCLUSIVE, &a), SCARD_S_SUCCESS);
        QCOMPARE(connectTo(ctx, SCARD_SHARE_SHARED, &b), SCARD_E_SHARING_VIOLATION);
        QCOMPARE(pc::SCardDisconnect(a, SCARD_LEAVE_CARD), SCARD_S_SUCCESS);
        QCOMPARE(pc::SCardDisconnect(a, SCARD_LEAVE_CARD), SCARD_E_INVALID_HANDLE);
        QCOMPARE(connectTo(ctx, SCARD_SHARE_SHARED, &a), SCARD_S_SUCCESS);
        QCOMPARE(connectTo(ctx, SCARD_SHARE_SHARED, &b), SCARD_S_SUCCESS);
        QCOMPARE(connectTo(ctx, SCARD_SHARE_EXCLUSIVE, &b), SCARD_E_SHARING_VIOLATION);
        QCOMPARE(pc::Control::instance().openHandles(), 2);
        // Releasing the context ends its connections.
        QCOMPARE(pc::SCardReleaseContext(ctx), SCARD_S_SUCCESS);
        QCOMPARE(pc::Control::instance().openHandles(), 0);
    }

    void transmitAndLog()
    {
        auto c = card(
            R"({"files": [{"path": "3F00/2FE2", "kind": "transparent", "data": "98 94 00 00 00 00 00 00 00 F1"}]})");
        pc::Control::instance().insertCard(kReader, c);
        SCARDHANDLE h = 0;
        QCOMPARE(connectTo(context(), SCARD_SHARE_SHARED, &h), SCARD_S_SUCCESS);
        LONG rv = 0;
        const QByteArray select = *vsim::fromHex("A0 A4 00 00 02 2F E2");
        QCOMPARE(transmit(h, select, &rv), *vsim::fromHex("9F 0F"));
        QCOMPARE(rv, SCARD_S_SUCCESS);
        // The receive buffer must hold data and status word.
        const SCARD_IO_REQUEST pci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
        const QByteArray read = *vsim::fromHex("A0 B0 00 00 0A");
        BYTE small[11];
        DWORD length = sizeof small;
        QCOMPARE(pc::SCardTransmit(h, &pci, reinterpret_cast<LPCBYTE>(read.constData()), 5, nullptr,
                                   small, &length),
                 SCARD_E_INSUFFICIENT_BUFFER);
        QCOMPARE(transmit(h, read, &rv), *vsim::fromHex("98 94 00 00 00 00 00 00 00 F1 90 00"));
        // A T=1 header on a T=0 connection is refused as pcsc-lite does.
        QCOMPARE(transmit(h, select, &rv, SCARD_PROTOCOL_T1), QByteArray());
        QCOMPARE(rv, SCARD_E_PROTO_MISMATCH);

        // The log the integration tests read: every exchange, refused ones too.
        const QList<pc::Exchange> log = pc::Control::instance().log();
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[0].response, *vsim::fromHex("9F 0F"));
        QCOMPARE(log[1].result, SCARD_E_INSUFFICIENT_BUFFER);
        QCOMPARE(pc::Control::instance().commands(),
                 (QList<QByteArray>{select, read, read, select}));
    }

    void removalMidSession()
    {
        auto c = card(R"({"faults": [{"afterApdus": 2, "do": "remove"}]})");
        pc::Control::instance().insertCard(kReader, c);
        SCARDHANDLE h = 0;
        QCOMPARE(connectTo(context(), SCARD_SHARE_SHARED, &h), SCARD_S_SUCCESS);
        LONG rv = 0;
        const QByteArray select = *vsim::fromHex("A0 A4 00 00 02 3F 00");
        transmit(h, select, &rv);
        transmit(h, select, &rv);
        QCOMPARE(rv, SCARD_S_SUCCESS);
        transmit(h, select, &rv);
        QCOMPARE(rv, SCARD_W_REMOVED_CARD);
        QVERIFY(!pc::Control::instance().cardPresent(kReader));
        QCOMPARE(pc::Control::instance().card(kReader), c); // still there to inspect
        transmit(h, select, &rv);
        QCOMPARE(rv, SCARD_W_REMOVED_CARD);
        DWORD state = 0;
        QCOMPARE(pc::SCardStatus(h, nullptr, nullptr, &state, nullptr, nullptr, nullptr),
                 SCARD_W_REMOVED_CARD);

        // Put back: the old handle stays dead.
        pc::Control::instance().insertCard(kReader, c);
        transmit(h, select, &rv);
        QCOMPARE(rv, SCARD_W_REMOVED_CARD);
        QCOMPARE(pc::SCardDisconnect(h, SCARD_LEAVE_CARD), SCARD_S_SUCCESS);
    }
};

QTEST_GUILESS_MAIN(TestVirtualPcsc)
#include "TestVirtualPcsc.moc"
