// PIN1 and PIN2: entering, changing, enabling, disabling and unblocking, on
// the shared connection and on private ones.
#include "CardTestSupport.h"

#include "card/flows/Pin1.h"
#include "card/flows/Pin2.h"

#include <QTest>

namespace {
const QString kReader = QStringLiteral("Reader A");
using Kind = UserInterface::PinDialogKind;
} // namespace

class TestPinFlows : public QObject, CardFixture
{
    Q_OBJECT

private:
    // A Read that leaves the card book open on the shared connection.
    void openCardBook()
    {
        m_ui->queuePin("1234");
        QVERIFY(connectToReader(*m_session, *m_host, Transfer::Read));
        QCOMPARE(m_book.bookSource, BookSource::Card);
        m_ui->clearRecords();
        virtualPcsc().clearLog();
    }

private slots:
    void initTestCase() { openTestLog(); }

    void init() { reset(); }

    void changePinWithoutCardBook_data()
    {
        QTest::addColumn<bool>("cardPinEnabled");
        QTest::addColumn<QByteArray>("newPin");
        QTest::addColumn<bool>("boxTicked");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("codeAfter");
        QTest::addColumn<bool>("enabledAfter");

        // A plain change, disable and enable are checked on the card through
        // phonara-cli pin; these are what only the dialog can ask for.
        QTest::newRow("OK without changes") << true << QByteArray("1234") << true << QList<int>{}
                                            << QByteArray() << QByteArray("1234") << true;
        QTest::newRow("enable and change")
            << false << QByteArray("4321") << true << QList<int>{21, 2411}
            << QByteArray::fromHex("A024000110") + codeField("1234") + codeField("4321")
            << QByteArray("4321") << true;
    }

    void changePinWithoutCardBook()
    {
        QFETCH(bool, cardPinEnabled);
        QFETCH(QByteArray, newPin);
        QFETCH(bool, boxTicked);
        QFETCH(QList<int>, messages);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, codeAfter);
        QFETCH(bool, enabledAfter);

        SimShape shape;
        shape.pin1Enabled = cardPinEnabled;
        insert(shape);
        m_ui->queuePin("1234");
        m_ui->queuePin({}, newPin.toStdString(), newPin.toStdString(), boxTicked);
        changePinCommand(*m_session, *m_host);

        QCOMPARE(m_ui->pinRequests.size(), size_t(2));
        const auto& dialog = m_ui->pinRequests[1];
        QVERIFY(dialog.kind == Kind::ChangePin1);
        QCOMPARE(dialog.title, std::string("Change PIN"));
        QCOMPARE(dialog.initial.newPin.view(), std::string_view("1234"));
        QCOMPARE(dialog.initial.confirmPin.view(), std::string_view("1234"));
        QCOMPARE(dialog.initial.pinEnabled, cardPinEnabled);
        QCOMPARE(messageIds(), messages);
        if (!command.isEmpty())
            QVERIFY(virtualPcsc().commands().contains(command));
        else
            QVERIFY(!sentWithPrefix(QByteArray::fromHex("A024")));
        QCOMPARE(m_card->chv(1).code, codeField(codeAfter));
        QCOMPARE(m_card->chv(1).enabled, enabledAfter);
        // The command's own connection is ended.
        QCOMPARE(m_session->context, SCARDCONTEXT(0));
        QCOMPARE(virtualPcsc().openContexts(), 0);
    }

    void changePinConfirmationMismatch()
    {
        insert();
        m_ui->queuePin("1234");
        m_ui->queuePin({}, "5555", "6666");
        m_ui->queuePinCancel();
        changePinCommand(*m_session, *m_host);
        QCOMPARE(messageIds(), QList<int>{2504});
        QCOMPARE(m_ui->pinRequests.size(), size_t(3));
        // The dialog stays open with what was typed.
        QCOMPARE(m_ui->pinRequests[2].initial.newPin.view(), std::string_view("5555"));
        QCOMPARE(m_ui->pinRequests[2].initial.confirmPin.view(), std::string_view("6666"));
        QCOMPARE(m_card->chv(1).code, codeField("1234"));
    }

    void changePinOnOpenCardBook()
    {
        insert();
        openCardBook();

        // Cancelled: the book and the PIN it was opened with stay.
        m_ui->queuePinCancel();
        changePinCommand(*m_session, *m_host);
        QCOMPARE(m_book.bookSource, BookSource::Card);
        QCOMPARE(QByteArray(m_session->cachedPin1.c_str()), QByteArray("1234"));
        QVERIFY(m_session->isOpen());

        m_ui->queuePin("1234");
        m_ui->queuePin({}, "4321", "4321");
        changePinCommand(*m_session, *m_host);
        QCOMPARE(messageIds(), QList<int>{2411});
        QCOMPARE(firstMessage(), QStringLiteral("PIN is changed successfully!"));
        QCOMPARE(QByteArray(m_session->cachedPin1.c_str()), QByteArray("4321"));
        QVERIFY(m_session->isOpen());
        QCOMPARE(m_card->chv(1).code, codeField("4321"));
    }

    void wrongPinOnOpenCardBook()
    {
        insert();
        openCardBook();
        for (int attempt = 1; attempt <= 3; ++attempt) {
            m_ui->clearRecords();
            m_ui->queuePin("0000");
            changePinCommand(*m_session, *m_host);
            QCOMPARE(m_ui->pinRequests.front().attempts, 4 - attempt);
            if (attempt < 3) {
                QCOMPARE(messageIds(), QList<int>{405});
                QCOMPARE(firstMessage(), QStringLiteral("The PIN you entered is incorrect!\n"
                                                        "There are %1 attempts remaining.")
                                             .arg(3 - attempt));
                QVERIFY(m_session->isOpen());
            } else {
                QCOMPARE(messageIds(), QList<int>{7});
                QCOMPARE(firstMessage(),
                         QStringLiteral("Wrong PIN!\nSIM Card is blocked. Use PUK to unblock it."));
                QCOMPARE(m_session->context, SCARDCONTEXT(0));
            }
        }
        QCOMPARE(m_card->chv(1).tries, 0);
    }

    void unblock_data()
    {
        QTest::addColumn<int>("reference");
        QTest::addColumn<int>("pinTries");
        QTest::addColumn<int>("pukTries");
        QTest::addColumn<QByteArray>("puk");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("codeAfter");

        const QString wrong =
            QStringLiteral("SIM Card unblock error!\nThere are 9 attempts remaining.");
        const QString notBlocked = QStringLiteral("SIM Card is not blocked!");
        const QString finally = QStringLiteral("SIM Card blocked finally!");
        QTest::newRow("PUK1 typed with 9 characters: refused, not cut")
            << 1 << 0 << 10 << QByteArray("123456789") << 1 << QList<int>{402}
            << QStringLiteral("The PUK must have exactly 8 digits (0 to 9).") << QByteArray("1234");
        QTest::newRow("PIN1 blocked finally")
            << 1 << 0 << 0 << QByteArray() << 1 << QList<int>{32} << finally << QByteArray("1234");
        QTest::newRow("PIN2 not blocked") << 2 << 3 << 10 << QByteArray() << 1 << QList<int>{37}
                                          << notBlocked << QByteArray("5678");
        QTest::newRow("wrong PUK2") << 2 << 0 << 10 << QByteArray("11111111") << 0 << QList<int>{43}
                                    << wrong << QByteArray("5678");
        QTest::newRow("no PUK2 tries")
            << 2 << 0 << 0 << QByteArray() << 0 << QList<int>{32} << finally << QByteArray("5678");
    }

    void unblock()
    {
        QFETCH(int, reference);
        QFETCH(int, pinTries);
        QFETCH(int, pukTries);
        QFETCH(QByteArray, puk);
        QFETCH(int, result);
        QFETCH(QList<int>, messages);
        QFETCH(QString, text);
        QFETCH(QByteArray, codeAfter);

        SimShape shape;
        (reference == 1 ? shape.pin1Tries : shape.pin2Tries) = pinTries;
        (reference == 1 ? shape.puk1Tries : shape.puk2Tries) = pukTries;
        insert(shape);
        if (!puk.isEmpty())
            m_ui->queuePin(puk.toStdString(), "1111", "1111");
        const int got =
            reference == 1 ? int(unblockPin1(*m_session, *m_host)) : unblockPin2(*m_session, *m_ui);
        QCOMPARE(got, result);
        QCOMPARE(messageIds(), messages);
        QCOMPARE(firstMessage(), text);
        QCOMPARE(m_card->chv(reference).code, codeField(codeAfter));
        QCOMPARE(m_ui->pinRequests.size(), size_t(puk.isEmpty() ? 0 : 1));
        if (!puk.isEmpty()) {
            // A PUK that breaks the rule is not sent; reference 0 unblocks PIN1, 2 PIN2.
            const QByteArray header =
                QByteArray::fromHex(reference == 1 ? "A02C000010" : "A02C000210");
            QCOMPARE(virtualPcsc().commands().contains(header + codeField(puk) + codeField("1111")),
                     puk.size() == 8);
            QCOMPARE(sentWithPrefix(QByteArray::fromHex("A02C")), puk.size() == 8);
            // The dialog shows the PUK's attempts left.
            QCOMPARE(m_ui->pinRequests.front().attempts, pukTries);
            QCOMPARE(m_ui->pinRequests.front().text,
                     std::string(reference == 1
                                     ? "There are 10 PUK attempts remaining."
                                     : "The PIN2 code of this card is blocked. To unblock it, "
                                       "enter the PUK2 code and the new value for PIN2. 10 puk2 "
                                       "attempts left."));
        }
        QCOMPARE(virtualPcsc().openContexts(), 0);
        QVERIFY(m_session->cachedPin1.empty());
    }

    void unblockPin1Mismatch()
    {
        SimShape shape;
        shape.pin1Tries = 0;
        insert(shape);
        m_ui->queuePin("12345678", "1111", "2222");
        m_ui->queuePinCancel();
        QVERIFY(unblockPin1(*m_session, *m_host));
        QCOMPARE(messageIds(), QList<int>{2526});
        QCOMPARE(m_ui->pinRequests.size(), size_t(2));
        // Both PIN fields are emptied; the PUK stays.
        QCOMPARE(m_ui->pinRequests[1].initial.code.view(), std::string_view("12345678"));
        QVERIFY(m_ui->pinRequests[1].initial.newPin.empty());
        QVERIFY(m_ui->pinRequests[1].initial.confirmPin.empty());
        QVERIFY(!sentWithPrefix(QByteArray::fromHex("A02C")));
    }

    // PIN2 asked for on a connection of its own or on the open card book
    // (shared): a VERIFY, or a VERIFY and then a CHANGE to 2468.
    void pin2_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("shared");
        QTest::addColumn<QByteArray>("pin2");
        QTest::addColumn<QByteArray>("command"); // the header of the last command carrying PIN2
        QTest::addColumn<int>("message");        // 0: none
        const auto row = [](const char* name, const char* profile, bool change, bool shared,
                            const char* pin2, const char* command, int message) {
            QTest::newRow(name) << QString(profile) << change << shared << QByteArray(pin2)
                                << QByteArray::fromHex(command) << message;
        };
        row("verify, private, right", "typical", false, false, "5678", "A020000208", 0);
        row("verify, shared, right", "typical", false, true, "5678", "A020000208", 0);
        row("change, shared", "typical", true, true, "5678", "A024000210", 2411);
        row("change, wrong PIN2", "typical", true, true, "0000", "A020000208", 406);
        // A UICC: the class 00 commands with key reference 81, once the USIM
        // application (which PIN2 belongs to) is selected. This card refuses class A0.
        row("change on a UICC", "usim-class00-only", true, false, "5678", "0024008110", 2411);
    }

    void pin2()
    {
        QFETCH(QString, profile);
        QFETCH(bool, change);
        QFETCH(bool, shared);
        QFETCH(QByteArray, pin2);
        QFETCH(QByteArray, command);
        QFETCH(int, message);
        m_card = insertTestProfile(profile);
        QVERIFY(m_card);
        if (shared)
            openCardBook();
        const SCARDCONTEXT contextBefore = m_session->context;
        m_ui->queuePin(pin2.toStdString());
        m_ui->queuePin({}, "2468", "2468");
        const int result =
            change ? ::changePin2(*m_session, *m_ui) : ::verifyPin2(*m_session, *m_ui);
        QCOMPARE(result, int(!change && message == 0));
        QCOMPARE(messageIds(), message != 0 ? QList<int>{message} : QList<int>{});

        const auto& request = m_ui->pinRequests.front();
        QVERIFY(request.kind == Kind::EnterPin2);
        QCOMPARE(request.title, std::string("Enter PIN2"));
        QCOMPARE(request.text, std::string("This card is protected by a PIN2 code. To access the "
                                           "card, enter PIN2. 3 attempts left."));
        QCOMPARE(QString::fromStdString(request.readerName), kReader);
        const bool changed = message == 2411;
        QVERIFY(virtualPcsc().commands().contains(command + codeField(pin2) +
                                                  (changed ? codeField("2468") : QByteArray())));
        QCOMPARE(m_card->chv(2).code, codeField(changed ? "2468" : "5678"));
        QCOMPARE(m_ui->pinRequests.size(), size_t(changed ? 2 : 1));
        if (changed) {
            QVERIFY(m_ui->pinRequests[1].kind == Kind::ChangePin2);
            QCOMPARE(m_ui->pinRequests[1].title, std::string("Change PIN2"));
        }
        if (shared) {
            // The shared connection stays; a change puts it back on the phone book.
            QCOMPARE(m_session->context, contextBefore);
            if (change)
                QCOMPARE(m_card->currentPath(), QStringLiteral("3F00/7F10/6F3A"));
            QCOMPARE(virtualPcsc().openHandles(), 1);
        } else {
            // The private connection is closed, the card left powered.
            QCOMPARE(virtualPcsc().openHandles(), 0);
            QCOMPARE(virtualPcsc().openContexts(), 0);
            if (!change)
                QCOMPARE(m_card->chv(2).verified, message == 0);
        }
    }

    void pin2Blocked()
    {
        SimShape shape;
        shape.pin2Tries = 0;
        insert(shape);
        QCOMPARE(::verifyPin2(*m_session, *m_ui), 0);
        QCOMPARE(::changePin2(*m_session, *m_ui), 0);
        // "PIN2 is blocked!\nUse PUK2 to unblock it."
        QCOMPARE(messageIds(), (QList<int>{407, 407}));
        QVERIFY(m_ui->pinRequests.empty());
    }

    // The card refuses the CHANGE as a wrong code after the VERIFY passed: one
    // try of the three is gone.
    void changePin2RefusedAfterVerify()
    {
        m_card = insertTestProfile(QStringLiteral("typical"));
        QVERIFY(m_card);
        m_card->faults().append(faultAt(QByteArray::fromHex("A024"), 0x9804));
        m_ui->queuePin("5678");
        m_ui->queuePin({}, "2468", "2468");
        ::changePin2(*m_session, *m_ui);
        QCOMPARE(messageIds(), QList<int>{406});
        QCOMPARE(
            firstMessage(),
            QStringLiteral("The PIN2 you entered is incorrect!\nThere are 2 attempts remaining."));
        QCOMPARE(m_card->chv(2).code, codeField("5678"));
    }

    void noSimForPin2()
    {
        virtualPcsc().addReader(kReader);
        QCOMPARE(::verifyPin2(*m_session, *m_ui), 0);
        QCOMPARE(firstMessage(), QStringLiteral("No SIM was found!"));
        QVERIFY(m_ui->pinRequests.empty());
        QCOMPARE(virtualPcsc().openContexts(), 0);
    }

    // The rules for a new PIN2 (the dialogs check that their OK buttons follow them).
    void pin2Rules_data()
    {
        QTest::addColumn<QString>("puk");
        QTest::addColumn<QString>("newPin");
        QTest::addColumn<QString>("confirmPin");
        QTest::addColumn<bool>("changeOk");
        QTest::addColumn<bool>("unblockOk");
        const auto row = [](const char* name, const char* puk, const char* newPin,
                            const char* confirmPin, bool changeOk, bool unblockOk) {
            QTest::newRow(name) << QString(puk) << QString(newPin) << QString(confirmPin)
                                << changeOk << unblockOk;
        };
        row("digits, equal", "1", "2468", "2468", true, true);
        row("a letter", "1", "24a8", "24a8", false, false);
        row("different", "1", "2468", "2469", false, false);
        row("empty", "1", "", "", false, false);
        row("no PUK2", "", "2468", "2468", true, false);
    }

    void pin2Rules()
    {
        QFETCH(QString, puk);
        QFETCH(QString, newPin);
        QFETCH(QString, confirmPin);
        QFETCH(bool, changeOk);
        QFETCH(bool, unblockOk);
        const std::string p = puk.toStdString();
        const std::string n = newPin.toStdString();
        const std::string c = confirmPin.toStdString();
        QCOMPARE(changePin2OkEnabled(n, c), changeOk);
        QCOMPARE(unblockPin2OkEnabled(p, n, c), unblockOk);
    }
};

QTEST_GUILESS_MAIN(TestPinFlows)
#include "TestPinFlows.moc"
