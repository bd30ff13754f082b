// The status-word table of the GSM SIM command set: what every word the
// program may meet means (the wildcards of the table included), and what a
// result makes of a failed transmit.
#include "card/commands/CardResult.h"
#include "card/sim/SimCommands.h"

#include <QTest>

class TestStatusWords : public QObject
{
    Q_OBJECT

private slots:
    void simWords_data()
    {
        QTest::addColumn<uint>("word");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("attempts"); // what the word tells of the tries left (-1: nothing)
        QTest::addColumn<uint>("errorCode"); // what a message shows; 0: the word itself

        const auto row = [](const char* name, uint word, CardOutcome outcome, int attempts = -1,
                            uint errorCode = 0) {
            QTest::newRow(name) << word << int(outcome) << attempts << errorCode;
        };
        // 94 02, 98 04 and 98 40 are met over the virtual card in TestCardContract.
        row("90 00", 0x9000, CardOutcome::Success);
        row("9F 22 response waiting", 0x9F22, CardOutcome::Success);
        row("91 10 proactive command", 0x9110, CardOutcome::SuccessWithInfo);
        row("92 03 retries", 0x9203, CardOutcome::SuccessWithInfo);
        row("92 40 memory problem", 0x9240, CardOutcome::MemoryProblem);
        row("94 00 no EF selected", 0x9400, CardOutcome::NoSuchFile);
        row("94 04 not found", 0x9404, CardOutcome::NoSuchFile);
        row("94 08 wrong file type", 0x9408, CardOutcome::WrongParameters);
        row("98 02 no CHV", 0x9802, CardOutcome::AccessRefused);
        row("98 08 against CHV status", 0x9808, CardOutcome::AccessRefused);
        row("98 10 invalidated", 0x9810, CardOutcome::Invalidated);
        row("63 C2 wrong code", 0x63C2, CardOutcome::WrongCode, 2);
        row("63 C0 no try left", 0x63C0, CardOutcome::WrongCode, 0);
        // A security refusal is shown as the PC/SC "access denied" code.
        row("69 82 security", 0x6982, CardOutcome::AccessRefused, -1, 0x80100027);
        row("69 83 blocked", 0x6983, CardOutcome::Blocked);
        row("6A 82 not found", 0x6A82, CardOutcome::NoSuchFile);
        row("6A 83 no record", 0x6A83, CardOutcome::RecordNotFound);
        row("67 00 wrong P3", 0x6700, CardOutcome::WrongLength);
        row("6B 00 wrong P1 P2", 0x6B00, CardOutcome::WrongParameters);
        row("6D 00 unknown INS", 0x6D00, CardOutcome::NotSupported);
        row("6E 00 wrong class", 0x6E00, CardOutcome::NotSupported);
        // Words no row names, and near misses of the single words.
        row("6F 00 technical problem", 0x6F00, CardOutcome::Unknown);
        row("90 01", 0x9001, CardOutcome::Unknown);
        row("92 10 is no retry", 0x9210, CardOutcome::Unknown);
        row("94 03", 0x9403, CardOutcome::Unknown);
        row("98 05", 0x9805, CardOutcome::Unknown);
        row("63 00 without a count", 0x6300, CardOutcome::Unknown);
        row("00 00", 0x0000, CardOutcome::Unknown);
    }

    void simWords()
    {
        QFETCH(uint, word);
        QFETCH(int, outcome);
        QFETCH(int, attempts);
        QFETCH(uint, errorCode);
        CardAnswer answer;
        answer.sw = {uint8_t(word >> 8), uint8_t(word & 0xFF)};
        const CardResult result = judgeAnswer(answer, Sim::statusTable());
        QCOMPARE(outcomeName(result.outcome), outcomeName(CardOutcome(outcome)));
        QCOMPARE(result.attemptsLeft, attempts);
        QCOMPARE(result.ok(), outcome == int(CardOutcome::Success) ||
                                  outcome == int(CardOutcome::SuccessWithInfo));
        QCOMPARE(result.sw.value(), uint16_t(word));
        QCOMPARE(uint(result.errorCode()), errorCode != 0 ? errorCode : word);
        QVERIFY(result.answered());
        QVERIFY(std::strlen(result.text) > 0);
    }

    // A transmit that failed carries its PC/SC result and no status word: it
    // can never read as a refused secret code.
    void failedTransmit()
    {
        CardAnswer answer;
        answer.pcsc = LONG(SCARD_W_REMOVED_CARD);
        const CardResult result = judgeAnswer(answer, Sim::statusTable());
        QCOMPARE(outcomeName(result.outcome), outcomeName(CardOutcome::NoAnswer));
        QVERIFY(!result.ok());
        QVERIFY(!result.answered());
        QVERIFY(!result.codeRefused());
        QCOMPARE(result.errorCode(), uint32_t(SCARD_W_REMOVED_CARD));
        QCOMPARE(QString::fromLatin1(result.text),
                 QStringLiteral("The smart card has been removed, so that further communication "
                                "is not possible."));
    }

    void answerWithoutStatusWord()
    {
        CardAnswer answer;
        answer.shortAnswer = true;
        const CardResult result = judgeAnswer(answer, Sim::statusTable());
        QCOMPARE(outcomeName(result.outcome), outcomeName(CardOutcome::Unknown));
        QVERIFY(result.answered());
    }
};

QTEST_GUILESS_MAIN(TestStatusWords)
#include "TestStatusWords.moc"
