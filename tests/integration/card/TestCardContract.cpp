// The contract every card command set keeps with the flows above it, checked
// at the APDU level over the virtual card: each capability (read, verify,
// change, unblock) runs on every card kind in kCardKinds, a profile and the
// command set that speaks to it. A new command set joins by adding its kinds
// and the bytes it sends.
#include "CardTestSupport.h"

#include "card/commands/FileIds.h"
#include "card/sim/SimCommands.h"
#include "card/uicc/UiccCommands.h"

#include <QTest>

#include <functional>
#include <memory>

namespace {

using CommandSetFactory = std::function<std::unique_ptr<CardCommands>(const CardTransport&)>;

// One card kind: what it is, and what its command set sends and answers.
// Byte strings are hex prefixes of the commands sent, in order, apart by blanks.
struct KindUnderTest
{
    const char* name;
    const char* profile; // tests/data/cards/<profile>.json
    CommandSetFactory commandSet;
    const char* adn;           // path of the phone book of 28-byte records
    QByteArray readAdnRecord1; // READ RECORD 1 of EF ADN (28-byte records)
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
    {"GSM SIM", "typical", gsmSet, "3F00/7F10/6F3A", "A0B201041C", "A020000108", "A024000210",
     "A02C000010", CardOutcome::WrongCode, -1, 250, false},
    // The UICC command set: the tries come from the card.
    {"UICC", "usim-both-books", uiccSet, "3F00/7F10/6F3A", "00B201041C", "0020000108", "0024008110",
     "002C000110", CardOutcome::AccessRefused, 2, 100, true},
    {"UICC, class 00 only", "usim-class00-only", uiccSet, "3F00/7F10/5F3A/4F3A", "00B201041C",
     "0020000108", "0024008110", "002C000110", CardOutcome::AccessRefused, 2, 100, true},
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
};

QTEST_GUILESS_MAIN(TestCardContract)
#include "TestCardContract.moc"
