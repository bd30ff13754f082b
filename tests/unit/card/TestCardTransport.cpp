// What the transport does for a T=0 card: fetching announced answers with GET
// RESPONSE, repeating a command with the Le the card asked for, and keeping
// the PC/SC result apart from the status word. The card is a script.
#include "card/transport/CardTransport.h"
#include "card/transport/PcscApi.h"

#include <QList>
#include <QTest>

namespace {

// The scripted card: each transmit takes the next answer (hex, data then SW)
// or, when the entry starts with '!', fails with that PC/SC result.
QList<QByteArray> g_answers;
QList<QByteArray> g_sent;

LONG scriptedTransmit(SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE send, DWORD sendLength,
                      SCARD_IO_REQUEST*, LPBYTE receive, LPDWORD receiveLength)
{
    g_sent.append(QByteArray(reinterpret_cast<const char*>(send), int(sendLength)));
    if (g_answers.isEmpty())
        return LONG(SCARD_E_NOT_TRANSACTED);
    const QByteArray next = g_answers.takeFirst();
    if (next.startsWith('!'))
        return LONG(next.mid(1).toUInt(nullptr, 16));
    const QByteArray bytes = QByteArray::fromHex(next);
    if (DWORD(bytes.size()) > *receiveLength)
        return LONG(SCARD_E_INSUFFICIENT_BUFFER);
    std::memcpy(receive, bytes.constData(), size_t(bytes.size()));
    *receiveLength = DWORD(bytes.size());
    return SCARD_S_SUCCESS;
}

// What the reader says about the card after a short answer: each call takes
// the next entry (a PC/SC result and the reader state), then keeps the last.
using ReaderStates = QList<QPair<LONG, DWORD>>;
ReaderStates g_status;

LONG scriptedStatus(SCARDHANDLE, LPSTR, LPDWORD, LPDWORD state, LPDWORD, LPBYTE, LPDWORD)
{
    const QPair<LONG, DWORD> next = g_status.size() > 1 ? g_status.takeFirst() : g_status.value(0);
    *state = next.second;
    return next.first;
}

QByteArray hex(const QList<QByteArray>& commands)
{
    QByteArray all;
    for (const QByteArray& command : commands)
        all += command.toHex().toUpper() + ' ';
    return all.trimmed();
}

} // namespace

class TestCardTransport : public QObject
{
    Q_OBJECT

    PcscApi m_api;
    SCARDHANDLE m_card = 7;

private slots:
    void init()
    {
        m_api.SCardTransmit = &scriptedTransmit;
        m_api.SCardStatus = &scriptedStatus;
        g_status = {{SCARD_S_SUCCESS, SCARD_PRESENT}};
        g_answers.clear();
        g_sent.clear();
    }

    void exchanges_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("word");

        // What the virtual card never answers; its plain answers, 9F xx, 61 xx
        // and a 6C xx on a read are met by the command-set tests.
        QTest::newRow("61 xx twice, the data joined")
            << QByteArray::fromHex("00A4000402 3F00")
            << QList<QByteArray>{"6102", "AABB6101", "CC9000"}
            << QByteArray("00A40004023F00 00C0000002 00C0000001") << QByteArray::fromHex("AABBCC")
            << 0x9000u;
        QTest::newRow("6C 00: Le 00 asks for 256 bytes")
            << QByteArray::fromHex("00B0000010") << QList<QByteArray>{"6C00", "01029000"}
            << QByteArray("00B0000010 00B0000000") << QByteArray::fromHex("0102") << 0x9000u;
        QTest::newRow("6C xx on a command with data is not repeated")
            << QByteArray::fromHex("00DC010402AABB") << QList<QByteArray>{"6C05"}
            << QByteArray("00DC010402AABB") << QByteArray() << 0x6C05u;
    }

    void exchanges()
    {
        QFETCH(QByteArray, command);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, data);
        QFETCH(uint, word);
        g_answers = answers;

        const CardTransport transport(m_api, m_card);
        const CardAnswer answer =
            transport.exchange(std::span(reinterpret_cast<const uint8_t*>(command.constData()),
                                         size_t(command.size())),
                               40);
        QCOMPARE(answer.pcsc, LONG(SCARD_S_SUCCESS));
        QCOMPARE(hex(g_sent), sent);
        QCOMPARE(
            QByteArray(reinterpret_cast<const char*>(answer.data.data()), int(answer.data.size())),
            data);
        QCOMPARE(uint(answer.sw.value()), word);
        QVERIFY(g_answers.isEmpty());
    }

    void failedTransmitStopsTheExchange()
    {
        // The card is pulled between the SELECT and its GET RESPONSE.
        g_answers = {"9F10", "!80100069"};
        const uint8_t select[] = {0xA0, 0xA4, 0x00, 0x00, 0x02, 0x7F, 0x10};
        const CardAnswer answer = CardTransport(m_api, m_card).exchange(select, 10);
        QCOMPARE(answer.pcsc, LONG(SCARD_W_REMOVED_CARD));
        QVERIFY(answer.data.empty());
        QCOMPARE(g_sent.size(), 2);
    }

    void answerShorterThanAStatusWord_data()
    {
        QTest::addColumn<ReaderStates>("status");
        QTest::addColumn<LONG>("pcsc");
        using Status = ReaderStates;
        QTest::newRow("card still there")
            << Status{{SCARD_S_SUCCESS, SCARD_PRESENT}} << LONG(SCARD_S_SUCCESS);
        QTest::newRow("reader says removed")
            << Status{{LONG(SCARD_W_REMOVED_CARD), 0}} << LONG(SCARD_W_REMOVED_CARD);
        QTest::newRow("reader notices late")
            << Status{{SCARD_S_SUCCESS, SCARD_PRESENT}, {SCARD_S_SUCCESS, SCARD_ABSENT}}
            << LONG(SCARD_W_REMOVED_CARD);
        QTest::newRow("reader gone")
            << Status{{LONG(SCARD_E_READER_UNAVAILABLE), 0}} << LONG(SCARD_E_READER_UNAVAILABLE);
    }

    void answerShorterThanAStatusWord()
    {
        QFETCH(ReaderStates, status);
        QFETCH(LONG, pcsc);
        g_status = status;
        g_answers = {"90"};
        const uint8_t command[] = {0xA0, 0xB0, 0x00, 0x00, 0x0A};
        const CardAnswer answer = CardTransport(m_api, m_card).exchange(command, 12);
        QCOMPARE(answer.pcsc, pcsc);
        QVERIFY(answer.shortAnswer);
        QCOMPARE(g_sent.size(), 1);
    }

    // The reader list PC/SC fills: names one after the other, an empty one last.
    void readerList_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("names");
        const auto row = [](const char* tag, const QByteArray& list, const QStringList& names) {
            QTest::newRow(tag) << list << names;
        };
        row("two readers", QByteArray("Reader A\0Reader B\0\0", 19), {"Reader A", "Reader B"});
        row("none", QByteArray(1, '\0'), {});
        row("the last name does not end", QByteArray("Reader A\0Reader", 15), {"Reader A"});
    }

    void readerList()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, names);
        QStringList found;
        for (const char* name : readerNames(list.constData(), std::size_t(list.size())))
            found << QString::fromLatin1(name);
        QCOMPARE(found, names);
    }
};

QTEST_GUILESS_MAIN(TestCardTransport)
#include "TestCardTransport.moc"
