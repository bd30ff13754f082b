// What the card code writes to the log: the PC/SC error texts, the binding,
// the pcscd check, and that no secret code ever gets there.
#include "CardTestSupport.h"
#include "ScriptedUserInterface.h"

#include "card/flows/Pin1.h"
#include "card/flows/Pin2.h"
#include "card/transport/CardError.h"
#include "card/transport/SmartCardService.h"
#include "shell/LastError.h"

#include <QTest>

namespace {
// Distinctive codes, so that a hit in the log cannot be a time or a handle.
const QByteArray kPin1 = "73915604";
const QByteArray kNewPin1 = "64028571";
const QByteArray kPuk1 = "58291736";
const QByteArray kWrongPuk1 = "58291737";
const QByteArray kPin2 = "91735280";
const QByteArray kNewPin2 = "27364819";
const QByteArray kPuk2 = "40618293";
} // namespace

class TestCardLog : public QObject, CardFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { openTestLog(); }
    void init() { reset(); }

    void errorTexts_data()
    {
        QTest::addColumn<uint>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("success") << 0u << "No error was encountered.";
        // 8010000C is read in logCardErrorKeepsTheLastError, 80100069 in TestStatusWords.
        QTest::newRow("no access") << 0x80100027u << "Access is denied to the file.";
        QTest::newRow("cancelled by user, the last one")
            << 0x8010006Eu << "The action was cancelled by the user.";
        QTest::newRow("gap after 2F") << 0x80100030u << "Unknown error!";
        QTest::newRow("just past the end") << 0x8010006Fu << "Unknown error!";
        QTest::newRow("a small number") << 1u << "Unknown error!";
    }

    void errorTexts()
    {
        QFETCH(uint, code);
        QFETCH(QString, text);
        QCOMPARE(QString::fromLatin1(cardErrorText(code)), text);
    }

    void logCardErrorKeepsTheLastError()
    {
        const qsizetype before = testLogText().size();
        setLastError(4660);
        logCardError(0x8010000C);
        QCOMPARE(lastError(), uint32_t(4660));
        const QString entry = testLogText().mid(before);
        QVERIFY(entry.contains(QStringLiteral(" E [")));
        QVERIFY(entry.contains(QStringLiteral("Error Log ] The operation requires a smart card, "
                                              "but no smart card is currently in the device. "
                                              "ErrorCode:4660")));
        logCardError(0x12345678);
        QVERIFY(
            testLogText().endsWith(QStringLiteral("Error Log ] Unknown error! ErrorCode:4660")));
    }

    void bindingFailures_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<uint>("error");
        QTest::newRow("no such library") << "libphonara-no-such-pcsc.so.1" << 126u;
        QTest::newRow("library without the entry points") << "libc.so.6" << 127u;
    }

    void bindingFailures()
    {
        QFETCH(QString, library);
        QFETCH(uint, error);
        void* handle = reinterpret_cast<void*>(0x1);
        PcscApi api;
        QVERIFY(!bindPcsc(handle, api, library.toLatin1().constData()));
        QCOMPARE(handle, nullptr);
        QCOMPARE(lastError(), uint32_t(error));
        QVERIFY(api.SCardTransmit == nullptr);
    }

    void serviceCheck()
    {
        const PcscApi api = virtualPcscApi();
        qsizetype before = testLogText().size();
        QVERIFY(startSmartcardService(api));
        QVERIFY(testLogText().mid(before).contains(QStringLiteral("Service found normal return ")));
        QCOMPARE(virtualPcsc().openContexts(), 0);

        virtualPcsc().setEstablishResult(LONG(SCARD_E_NO_SERVICE));
        before = testLogText().size();
        QVERIFY(!startSmartcardService(api));
        QVERIFY(testLogText().mid(before).contains(
            QStringLiteral("Error service not found: 8010001D")));
        // A connection stops at once, with the one message that says why.
        QVERIFY(!connectToReader(*m_session, *m_host, Transfer::Read));
        QCOMPARE(m_ui->messageIds(), std::vector<int>{28});
    }

    void refusedStatusWordsAreLogged()
    {
        SimShape shape;
        shape.pin1 = kPin1;
        insert(shape);
        const qsizetype before = testLogText().size();
        m_ui->queuePin("00000000");
        QVERIFY(!connectToReader(*m_session, *m_host, Transfer::Read));
        const QString log = testLogText().mid(before);
        // The refused VERIFY: its status word, then the error line at level 1
        // naming the word and what it means.
        QVERIFY(log.contains(QStringLiteral("byte1 152 byte2 4"))); // 98 04
        QVERIFY(log.contains(QStringLiteral("E [                    Error Log ] Card answered "
                                            "98 04: access condition not fulfilled")));
        QVERIFY(!log.contains(QStringLiteral("No error was encountered.")));
        QVERIFY(log.contains(QStringLiteral("connect_card_to_read verify_chv failed!")));
    }

    void secretsNeverReachTheLog()
    {
        SimShape shape;
        shape.pin1 = kPin1;
        shape.puk1 = kPuk1;
        shape.pin2 = kPin2;
        shape.pin2Tries = 0;
        shape.puk2 = kPuk2;
        const auto card = insert(shape);
        CardSession& session = *m_session;
        ScriptedUserInterface& ui = *m_ui;
        CardHost& host = *m_host;
        const qsizetype before = testLogText().size();

        // PUK2 unblocks PIN2, which is then verified and changed on the open book.
        ui.queuePin(kPin1.toStdString());
        QVERIFY(connectToReader(session, host, Transfer::Read));
        ui.queuePin(kPuk2.toStdString(), kPin2.toStdString(), kPin2.toStdString());
        QCOMPARE(unblockPin2(session, ui), 1);
        ui.queuePin(kPin2.toStdString());
        QCOMPARE(verifyPin2(session, ui), 1);
        ui.queuePin(kPin2.toStdString());
        ui.queuePin({}, kNewPin2.toStdString(), kNewPin2.toStdString());
        changePin2(session, ui);
        // PIN1 changed on the open book, then blocked and unblocked with its PUK.
        ui.queuePin(kPin1.toStdString());
        ui.queuePin({}, kNewPin1.toStdString(), kNewPin1.toStdString());
        changePinCommand(session, host);
        QCOMPARE(card->chv(1).code, vsim::secretField(kNewPin1));
        endSession(session);
        card->chv(1).tries = 0;
        ui.queuePin(kWrongPuk1.toStdString(), kPin1.toStdString(), kPin1.toStdString());
        unblockPin1(session, host);
        ui.queuePin(kPuk1.toStdString(), kPin1.toStdString(), kPin1.toStdString());
        unblockPin1(session, host);
        QCOMPARE(card->chv(1).code, vsim::secretField(kPin1));
        QCOMPARE(card->chv(2).code, vsim::secretField(kNewPin2));

        const QString log = testLogText().mid(before);
        QVERIFY(log.size() > 1000);
        for (const QByteArray& secret :
             {kPin1, kNewPin1, kPuk1, kWrongPuk1, kPin2, kNewPin2, kPuk2}) {
            QVERIFY2(!log.contains(QLatin1String(secret)), secret.constData());
            QVERIFY2(!log.contains(QLatin1String(secret.toHex()), Qt::CaseInsensitive),
                     secret.constData());
            QVERIFY2(!log.contains(QLatin1String(secret.toHex(' ')), Qt::CaseInsensitive),
                     secret.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestCardLog)
#include "TestCardLog.moc"
