// The contract every card command set keeps with the flows above it, checked
// at the APDU level over the virtual card: each capability (select and header,
// read, update, verify, change, unblock, what status words mean) runs on every
// card kind in kCardKinds, a profile and the command set that speaks to it. A
// new command set joins by adding its kinds and the bytes it sends.
#include "CardTestSupport.h"

#include "card/commands/FileIds.h"
#include "card/sim/SimCommands.h"
#include "card/uicc/UiccCommands.h"

#include <QTest>

#include <functional>
#include <memory>

namespace {

const QString kReader = QStringLiteral("Reader A");

using CommandSetFactory = std::function<std::unique_ptr<CardCommands>(const CardTransport&)>;

// One card kind: what it is, and what its command set sends and answers.
// Byte strings are hex prefixes of the commands sent, in order, apart by blanks.
struct KindUnderTest
{
    const char* name;
    const char* profile; // tests/data/cards/<profile>.json
    CommandSetFactory commandSet;
    const char* adn;           // path of the phone book of 28-byte records
    QByteArray selectMf;       // SELECT MF
    QByteArray header;         // reading the header of MF, just selected
    QByteArray readAdnRecord1; // READ RECORD 1 of EF ADN (28-byte records)
    QByteArray updateAdnRecord2;
    QByteArray verifyPin1;
    QByteArray changePin2;
    QByteArray unblockPin1;
    CardOutcome readWithoutPin1; // the answer to a READ RECORD of EF ADN before PIN1
    int attemptsAfterWrongPin1;  // what the refusal tells of the tries left (-1: nothing)
    int adnRecords;
    bool pin2InApplication; // PIN2 is known once the network application is selected
};

std::unique_ptr<CardCommands> gsmSet(const CardTransport& transport)
{
    return std::make_unique<SimCommands>(transport);
}

std::unique_ptr<CardCommands> uiccSet(const CardTransport& transport)
{
    const QByteArray aid = QByteArray::fromHex("A0000000871002FF49FF0589000001FF");
    return std::make_unique<UiccCommands>(transport, std::vector<uint8_t>(aid.begin(), aid.end()));
}

const KindUnderTest kCardKinds[] = {
    {"GSM SIM", "typical", gsmSet, "3F00/7F10/6F3A", "A0A40000023F00", "A0C00000", "A0B201041C",
     "A0DC02041C", "A020000108", "A024000210", "A02C000010", CardOutcome::WrongCode, -1, 250,
     false},
    // The UICC command set: the FCP comes with the SELECT, the tries from the card.
    {"UICC", "usim-both-books", uiccSet, "3F00/7F10/6F3A", "00A40004023F00 00C00000",
     "0020000100 002C000100 0020008100 002C008100", "00B201041C", "00DC02041C", "0020000108",
     "0024008110", "002C000110", CardOutcome::AccessRefused, 2, 100, true},
    {"UICC, class 00 only", "usim-class00-only", uiccSet, "3F00/7F10/5F3A/4F3A",
     "00A40004023F00 00C00000", "0020000100 002C000100 0020008100 002C008100", "00B201041C",
     "00DC02041C", "0020000108", "0024008110", "002C000110", CardOutcome::AccessRefused, 2, 100,
     true},
};

QList<uint16_t> pathOf(const char* path)
{
    QList<uint16_t> ids;
    for (const QString& id : QString::fromLatin1(path).split('/'))
        ids << uint16_t(id.toUInt(nullptr, 16));
    return ids;
}

QByteArray bytesOf(const CardResult& result)
{
    return QByteArray(reinterpret_cast<const char*>(result.data.data()), int(result.data.size()));
}

QString sentText()
{
    QStringList all;
    for (const QByteArray& command : virtualPcsc().commands())
        all << QString::fromLatin1(command.toHex().toUpper());
    return all.join(' ');
}

} // namespace

class TestCardContract : public QObject
{
    Q_OBJECT

    PcscApi m_api = virtualPcscApi();
    SCARDCONTEXT m_context = 0;
    SCARDHANDLE m_card = 0;
    CardTransport m_transport{m_api, m_card};
    std::unique_ptr<CardCommands> m_commands;
    std::shared_ptr<vsim::SimCard> m_sim;
    const KindUnderTest* m_kind = nullptr;

    // Every capability runs once per card kind.
    static void addKinds()
    {
        QTest::addColumn<int>("kind");
        for (std::size_t i = 0; i < std::size(kCardKinds); ++i)
            QTest::newRow(kCardKinds[i].name) << int(i);
    }

    void open()
    {
        QFETCH(int, kind);
        m_kind = &kCardKinds[kind];
        virtualPcsc().reset();
        QString error;
        m_sim = insertTestProfile(QLatin1String(m_kind->profile), &error);
        QVERIFY2(m_sim != nullptr, qPrintable(error));
        QVERIFY(connectDirect(m_api, m_context, m_card));
        m_commands = m_kind->commandSet(m_transport);
        virtualPcsc().clearLog();
    }

    // Checks that the commands sent since the last call start as expected.
    void expectSent(const QByteArray& expected)
    {
        const QList<QByteArray> prefixes = expected.split(' ');
        const QList<QByteArray> sent = virtualPcsc().commands();
        QVERIFY2(sent.size() == prefixes.size(), qPrintable(sentText()));
        for (int i = 0; i < prefixes.size(); ++i)
            QVERIFY2(sent[i].toHex().toUpper().startsWith(prefixes[i].toUpper()),
                     qPrintable(sentText()));
        virtualPcsc().clearLog();
    }

    void selectAdn()
    {
        for (uint16_t id : pathOf(m_kind->adn))
            QVERIFY(m_commands->select(id).ok());
        virtualPcsc().clearLog();
    }

    void verifyPin1(const QByteArray& pin, bool accepted)
    {
        const CardResult verify = m_commands->verifyCode(SecretCode::Pin1, pin.toStdString());
        QCOMPARE(verify.ok(), accepted);
        virtualPcsc().clearLog();
    }

private slots:
    void cleanup()
    {
        if (m_context != 0)
            m_api.SCardReleaseContext(m_context);
        m_context = 0;
        m_card = 0;
    }

    void selectAndHeader_data() { addKinds(); }
    void selectAndHeader()
    {
        open();
        QVERIFY(m_commands->select(FileId::kMf).ok());
        expectSent(m_kind->selectMf);
        const HeaderResult mf = m_commands->header();
        QVERIFY(mf.result.ok());
        expectSent(m_kind->header);
        QVERIFY(mf.header.type == FileType::Master);
        QCOMPARE(int(mf.header.pin1Attempts), m_sim->chv(1).tries);
        QCOMPARE(int(mf.header.puk1Attempts), m_sim->chv(1).unblockTries);
        QCOMPARE(mf.header.pin1Disabled, !m_sim->chv(1).enabled);

        for (uint16_t id : pathOf(m_kind->adn).mid(1))
            QVERIFY(m_commands->select(id).ok());
        const HeaderResult adn = m_commands->header();
        QVERIFY(adn.result.ok());
        QVERIFY(adn.header.type == FileType::Elementary);
        QCOMPARE(int(adn.header.recordLength), 28);
        QCOMPARE(adn.header.recordCount(), m_kind->adnRecords);

        const CardResult missing = m_commands->select(0x6F99);
        QCOMPARE(outcomeName(missing.outcome), outcomeName(CardOutcome::NoSuchFile));
    }

    void readRecords_data() { addKinds(); }
    void readRecords()
    {
        open();
        selectAdn();
        const CardResult before = m_commands->readRecord(1, 28);
        QCOMPARE(outcomeName(before.outcome), outcomeName(m_kind->readWithoutPin1));
        QVERIFY(before.data.empty());
        virtualPcsc().clearLog();

        verifyPin1("1234", true);
        const CardResult record = m_commands->readRecord(1, 28);
        QVERIFY(record.ok());
        expectSent(m_kind->readAdnRecord1);
        QCOMPARE(bytesOf(record), m_sim->file(QLatin1String(m_kind->adn))->records[0]);

        // Past the last record: a failed read, never data.
        const CardResult past = m_commands->readRecord(uint8_t(m_kind->adnRecords + 1), 28);
        QCOMPARE(outcomeName(past.outcome), outcomeName(CardOutcome::RecordNotFound));
        QVERIFY(past.data.empty());
    }

    void updateRecords_data() { addKinds(); }
    void updateRecords()
    {
        open();
        selectAdn();
        const QByteArray record = QByteArray::fromHex("4E6575FFFFFFFFFFFFFFFFFFFFFF"
                                                      "0381214365FFFFFFFFFFFFFFFFFF");
        const auto data = std::span(reinterpret_cast<const uint8_t*>(record.constData()),
                                    std::size_t(record.size()));
        // Refused before PIN1, and nothing written.
        const QByteArray old = m_sim->file(QLatin1String(m_kind->adn))->records[1];
        QVERIFY(!m_commands->updateRecord(2, RecordMode::Absolute, data).ok());
        QCOMPARE(m_sim->file(QLatin1String(m_kind->adn))->records[1], old);
        virtualPcsc().clearLog();

        verifyPin1("1234", true);
        QVERIFY(m_commands->updateRecord(2, RecordMode::Absolute, data).ok());
        expectSent(m_kind->updateAdnRecord2 + record.toHex().toUpper());
        QCOMPARE(m_sim->file(QLatin1String(m_kind->adn))->records[1], record);
    }

    void verifyCodes_data() { addKinds(); }
    void verifyCodes()
    {
        open();
        const CardResult wrong = m_commands->verifyCode(SecretCode::Pin1, "9999");
        expectSent(m_kind->verifyPin1 + codeField("9999").toHex());
        QCOMPARE(outcomeName(wrong.outcome), outcomeName(CardOutcome::WrongCode));
        QVERIFY(wrong.codeRefused());
        QCOMPARE(wrong.attemptsLeft, m_kind->attemptsAfterWrongPin1);
        QCOMPARE(m_sim->chv(1).tries, 2);

        QVERIFY(m_commands->verifyCode(SecretCode::Pin1, "1234").ok());
        QCOMPARE(m_sim->chv(1).tries, 3);

        // The last try refused: the code is blocked, and says so from then on.
        m_sim->chv(1).tries = 1;
        QVERIFY(m_commands->verifyCode(SecretCode::Pin1, "9999").codeRefused());
        const CardResult blocked = m_commands->verifyCode(SecretCode::Pin1, "1234");
        QCOMPARE(outcomeName(blocked.outcome), outcomeName(CardOutcome::Blocked));
    }

    void changeCode_data() { addKinds(); }
    void changeCode()
    {
        open();
        // A select of DF GSM reaches ADF USIM on a UICC.
        if (m_kind->pin2InApplication) {
            QVERIFY(m_commands->select(FileId::kDirGsm).ok());
            virtualPcsc().clearLog();
        }
        QVERIFY(m_commands->changeCode(SecretCode::Pin2, "5678", "1111").ok());
        expectSent(m_kind->changePin2 + codeField("5678").toHex() + codeField("1111").toHex());
        QCOMPARE(m_sim->chv(2).code, codeField("1111"));
        QVERIFY(m_commands->changeCode(SecretCode::Pin2, "5678", "2222").codeRefused());
        QCOMPARE(m_sim->chv(2).code, codeField("1111"));
        // A code longer than the 8-byte field is never cut: nothing is sent.
        virtualPcsc().clearLog();
        QVERIFY(!m_commands->changeCode(SecretCode::Pin2, "1111", "123456789").ok());
        QVERIFY(virtualPcsc().commands().isEmpty());
    }

    void unblockCode_data() { addKinds(); }
    void unblockCode()
    {
        open();
        m_sim->chv(1).tries = 0;
        QVERIFY(!m_commands->unblockCode(SecretCode::Pin1, "00000000", "4321").ok());
        QCOMPARE(m_sim->chv(1).unblockTries, 9);
        virtualPcsc().clearLog();
        QVERIFY(m_commands->unblockCode(SecretCode::Pin1, "12345678", "4321").ok());
        expectSent(m_kind->unblockPin1 + codeField("12345678").toHex() + codeField("4321").toHex());
        QCOMPARE(m_sim->chv(1).tries, 3);
        QVERIFY(m_commands->verifyCode(SecretCode::Pin1, "4321").ok());
    }

    // Whatever the card kind, a transmit that fails is no refusal, and a
    // word the card answers reaches the caller with the PC/SC result apart.
    void statusWordOutcomes_data() { addKinds(); }
    void statusWordOutcomes()
    {
        open();
        m_sim->faults().append(faultAt(QByteArray::fromHex(m_kind->verifyPin1.left(4)), 0x6F00));
        const CardResult odd = m_commands->verifyCode(SecretCode::Pin1, "1234");
        QCOMPARE(odd.pcsc, LONG(SCARD_S_SUCCESS));
        QCOMPARE(odd.sw.value(), uint16_t(0x6F00));
        QVERIFY(!odd.ok());
        QVERIFY(!odd.codeRefused());
        QCOMPARE(m_sim->chv(1).tries, 3);

        virtualPcsc().removeCard(kReader);
        const CardResult gone = m_commands->verifyCode(SecretCode::Pin1, "1234");
        QCOMPARE(outcomeName(gone.outcome), outcomeName(CardOutcome::NoAnswer));
        QCOMPARE(gone.pcsc, LONG(SCARD_W_REMOVED_CARD));
        QVERIFY(!gone.codeRefused());
    }
};

QTEST_GUILESS_MAIN(TestCardContract)
#include "TestCardContract.moc"
