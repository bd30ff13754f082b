// The main window on the in-process virtual SIM: reading, PIN entry, writing
// in the five modes with their confirmations, Save As from the card, SIM info.

#include "GuiHarness.h"

#include "files/PhnFile.h"
#include "shell/Config.h"
#include "shell/Strings.h"
#include "ui/CommandIds.h"
#include "ui/ConfirmWriteDialog.h"
#include "ui/ContactDialog.h"
#include "ui/ContactListModel.h"
#include "ui/PinDialog.h"
#include "ui/ProgressDialog.h"
#include "ui/SimInfoDialog.h"
#include "vsim/VirtualPcsc.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QThread>

namespace {
constexpr const char* kAdn = "3F00/7F10/6F3A";

std::shared_ptr<vsim::SimCard> card()
{
    return vsim::pcsc::Control::instance().card(GuiHarness::kReader);
}

bool isFree(const QByteArray& record)
{
    return !record.isEmpty() && static_cast<uint8_t>(record.at(0)) == 0xFF;
}
} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestCardFlows : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    // Names show in their display forms: accented plain names, both UCS2 forms, and numbers
    // completed from the extension file. A USIM's phone book shows both sets, and the "More"
    // column holds the second numbers, e-mail addresses and second names. A wrong or
    // cancelled PIN before leaves nothing open, and the next try shows the attempts left.
    void readCard_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("cells"); // "row column text"
        QTest::addColumn<QString>("firstPin");  // null: none tried before
        QTest::addColumn<std::vector<int>>("firstMessages");
        QTest::addColumn<int>("triesLeft");
        const auto row = [](const char* name, const char* profile, const char* status, int rows,
                            const QStringList& cells, const QString& firstPin = QString(),
                            std::vector<int> firstMessages = {}, int triesLeft = 3) {
            QTest::newRow(name) << QString(profile) << QString(status) << rows << cells << firstPin
                                << firstMessages << triesLeft;
        };
        row("wrong PIN first", "typical", "42/250", 42, {"0 1 Anna Schmidt"}, "9999", {405}, 2);
        row("cancelled first", "typical", "42/250", 42, {"0 1 Anna Schmidt"}, "");
        row("typical", "typical", "42/250", 42,
            {"0 0 1", "41 0 42", "0 1 Anna Schmidt", u"1 1 Bernd K\u00F6hler"_qs,
             u"2 1 Jos\u00E9 Mu\u00F1oz"_qs, u"10 1 \u0418\u0432\u0430\u043D \u041F"_qs,
             u"13 1 \u039D\u03AF\u03BA\u03BF\u03C2 \u0396"_qs, "4 2 +4930123456789012345678"});
        row("USIM, two sets", "usim-two-sets", "11/500", 11,
            {"0 3 +4930123456; anna@example.org; Anni", "1 3 bernd_k@example.com",
             u"5 3 \u0412\u0430\u043D\u044F"_qs, "10 1 Kontakt 500"});
    }

    void readCard()
    {
        QFETCH(QString, profile);
        QFETCH(QString, status);
        QFETCH(int, rows);
        QFETCH(QStringList, cells);
        QFETCH(QString, firstPin);
        QFETCH(std::vector<int>, firstMessages);
        QFETCH(int, triesLeft);
        GuiHarness gui;
        QVERIFY(gui.insertProfile(profile));
        if (!firstPin.isNull()) {
            QVERIFY(!gui.readCard(firstPin));
            QCOMPARE(gui.messageIds(), firstMessages);
            QCOMPARE(gui.window->windowTitle().trimmed(), QString("Phonara"));
            QCOMPARE(gui.window->listModel()->rowCount(), 0);
            QCOMPARE(vsim::pcsc::Control::instance().openHandles(), 0);
        }
        QString attempts;
        gui.answerPinWith("1234", &attempts);
        gui.window->runCommand(Command::Read);

        QVERIFY(gui.app->state.fromCard());
        QCOMPARE(attempts, QString("There are %1 attempts remaining!").arg(triesLeft));
        QCOMPARE(gui.window->windowTitle(),
                 QString("Phonara - [SIM card] - ") + GuiHarness::kReader);
        QCOMPARE(gui.window->statusText(), status);
        QCOMPARE(gui.messageIds(), firstMessages);
        QVERIFY(!gui.app->state.modified);
        ContactListModel* model = gui.window->listModel();
        QCOMPARE(model->rowCount(), rows);
        if (profile.startsWith("usim"))
            QCOMPARE(model->headerData(ContactListModel::More, Qt::Horizontal, Qt::DisplayRole)
                         .toString(),
                     QString("More"));
        for (const QString& cell : cells) {
            const QModelIndex index =
                model->index(cell.section(' ', 0, 0).toInt(), cell.section(' ', 1, 1).toInt());
            QCOMPARE(index.data().toString(), cell.section(' ', 2));
        }
        // The item commands follow the list at once.
        QVERIFY(gui.window->action(Command::Delete)->isEnabled());
        QVERIFY(gui.window->action(Command::MoveUp)->isEnabled());
    }

    // Writing back a USIM's first contact alone asks first with what the card
    // loses; a card that loses its writes is caught by the read-back, and the
    // backup taken before is offered, as on a SIM.
    void writeUsimCard()
    {
        GuiHarness gui;
        QVERIFY(gui.insertProfile("usim-two-sets") && gui.readCard());

        writeConfigNumber("Write_Selected", 1);
        gui.window->selectRow(0);
        card()->faults().append(
            {QByteArray::fromHex("00DC"), 0, vsim::Fault::Action::Forget, 0, 0, false, false});
        gui.clearMessages();
        gui.answers = {UserInterface::Answer::Ok};
        gui.window->runCommand(Command::WriteSelected);
        QCOMPARE(gui.messageIds(), (std::vector<int>{806, 811, 820}));
        QVERIFY(gui.messages[0].text.find("loses 10 of its contacts") != std::string::npos);

        // The Edit dialog gives a second name the 18 bytes of the card's SNE records.
        int kept = 0;
        onNextDialog<ContactDialog>([&kept](ContactDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("secondNameEdit");
            edit->setText("Annika-Marie Schmidt-Lange");
            kept = int(edit->text().size());
            dialog->findChild<QPushButton*>("cancelButton")->click();
        });
        gui.window->runCommand(Command::Edit);
        QCOMPARE(kept, 18);
    }

    // The transfer runs behind the modal progress dialog; a message the worker
    // asks for is shown on the GUI thread while the worker waits.
    void readFailsHalfway()
    {
        GuiHarness gui;
        QVERIFY(gui.insertProfile("typical"));
        // Only the phone book has a record 30: its READ RECORD is refused.
        vsim::Fault fault;
        fault.commandPrefix = QByteArray::fromHex("A0B21E04");
        fault.action = vsim::Fault::Action::StatusWord;
        fault.statusWord = 0x6F00;
        card()->faults().append(fault);

        // What the progress dialog shows when the worker's message comes up.
        QString caption;
        int percent = -1;
        bool modalWhileRunning = false;
        bool onGuiThread = false;
        gui.app->ui.setMessageHook([&](const UserInterface::Message& message) {
            gui.messages.push_back(message);
            onGuiThread = QThread::currentThread() == qApp->thread();
            if (ProgressDialog* progress = gui.app->ui.progressDialog()) {
                caption = progress->caption();
                percent = progress->percent();
                modalWhileRunning = progress->isVisible() && progress->isModal();
            }
            return std::optional(UserInterface::Answer::Ok);
        });
        gui.answerPinWith("1234");
        gui.window->runCommand(Command::Read);

        QCOMPARE(caption, QString::fromStdString(resString(73)));
        QVERIFY(modalWhileRunning);
        QVERIFY(onGuiThread);
        // 29 of 250 records were read: the bar stands at 11 %.
        QCOMPARE(percent, 11);
        QCOMPARE(gui.messageIds(), std::vector<int>{35});
        QVERIFY(
            QString::fromStdString(gui.messages[0].text).startsWith("Error reading SIM Card: "));
        QVERIFY(!gui.app->state.fromCard());
        QVERIFY(gui.app->ui.progressDialog() == nullptr);
    }

    // Save As and File > New leave the card for a file and end the connection. New starts
    // an empty book: neither the contacts nor the fixed-dialling and last-dialled numbers
    // go into it.
    void leaveCardForFile_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<uint32_t>("saved");
        QTest::newRow("save as") << int(Command::SaveAs) << "Phonara - [ save-as.phn ]" << 42u;
        QTest::newRow("new") << int(Command::New) << "Phonara - [ new.phn ]" << 0u;
    }

    void leaveCardForFile()
    {
        QFETCH(int, command);
        QFETCH(QString, title);
        QFETCH(uint32_t, saved);
        GuiHarness gui;
        QVERIFY(gui.readTypicalCard());
        QVERIFY(gui.app->session.context != 0);
        QVERIFY(shownEntryCount(gui.app->sideBooks.fdn.data(), gui.app->sideBooks.fdnCount) +
                    shownEntryCount(gui.app->sideBooks.lnd.data(), gui.app->sideBooks.lndCount) >
                0);
        const QString path = qEnvironmentVariable("PHONARA_TEST_TMP") + "/" +
                             QString(QTest::currentDataTag()).replace(' ', '-') + ".phn";
        QFile::remove(path);
        gui.files.push_back(path.toStdString());
        gui.window->runCommand(command);

        QVERIFY(gui.app->state.fromFile());
        QCOMPARE(gui.window->windowTitle(), title);
        QCOMPARE(gui.window->statusText(), QString("%1/*").arg(saved));
        QCOMPARE(gui.app->session.context, SCARDCONTEXT(0));
        QCOMPARE(vsim::pcsc::Control::instance().openHandles(), 0);
        // A saved card keeps the card's name length plus the file's extra room.
        if (saved > 0)
            QCOMPARE(gui.app->state.recordLength, 28 + 10);
        PhoneBook book;
        SideBooks side;
        QCOMPARE(loadPhnFile(path.toStdString(), &book, side.fdn.data(), side.fdnCount,
                             side.lnd.data(), side.lndCount),
                 1);
        QCOMPARE(book.contactCount(), saved);
        QCOMPARE(shownEntryCount(side.fdn.data(), side.fdnCount) > 0, saved > 0);
        QCOMPARE(shownEntryCount(side.lnd.data(), side.lndCount) > 0, saved > 0);
    }

    void writeCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("textId");
        QTest::addColumn<int>("record");
        // "free", "anna" (the name of record 1), or "used"
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("button");
        const auto row = [](const char* name, Command::Id command, const char* key, int textId,
                            int record, const char* expected, const char* button = "okButton") {
            QTest::newRow(name) << int(command) << QString(key) << textId << record
                                << QString(expected) << QString(button);
        };
        row("write all", Command::WriteAll, "Write_All", 115, 15, "used");
        row("write selected", Command::WriteSelected, "Write_Selected", 116, 2, "free");
        row("add all", Command::AddAll, "Add_All", 117, 15, "used");
        row("add selected", Command::AddSelected, "Add_Selected", 118, 15, "anna");
        row("clear", Command::ClearCard, "Clear_Card", 114, 1, "free");
        // Ticking the box and cancelling cancels this write and skips the question later.
        row("clear, cancelled", Command::ClearCard, "Clear_Card", 114, 1, "used", "cancelButton");
    }

    // Each write asks first; "don't show again" turns off that one question only.
    void writeCommands()
    {
        QFETCH(int, command);
        QFETCH(QString, key);
        QFETCH(int, textId);
        QFETCH(int, record);
        QFETCH(QString, expected);
        QFETCH(QString, button);

        GuiHarness gui;
        QVERIFY(gui.readTypicalCard());
        const QByteArray anna = card()->record(kAdn, 1).left(14);
        QVERIFY(isFree(card()->record(kAdn, 15)));
        gui.window->selectRow(0);

        QString shownText;
        gui.clearMessages();
        onNextDialog<ConfirmDialog>([&shownText, button](ConfirmDialog* dialog) {
            shownText = dialog->findChild<QLabel*>("message")->text();
            dialog->findChild<QCheckBox*>("dontShowAgain")->setChecked(true);
            QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        });
        // An overwrite asks once more, with how many contacts the card loses.
        gui.answers = {UserInterface::Answer::Ok};
        gui.window->runCommand(command);

        QCOMPARE(shownText, QString::fromStdString(resString(textId)));
        // The write says it is done: contacts on the card, or removed by Clear SIM.
        const std::vector<int> ids = gui.messageIds();
        QCOMPARE(ids.empty(), button != "okButton");
        if (!ids.empty())
            QVERIFY2(ids.back() == 807 || ids.back() == 825,
                     qPrintable(QString::number(ids.back())));
        QCOMPARE(readConfigNumber(key.toUtf8().constData()).value_or(0), 1);
        for (const char* other :
             {"Write_All", "Write_Selected", "Add_All", "Add_Selected", "Clear_Card"}) {
            if (key != QLatin1String(other))
                QVERIFY2(!readConfigNumber(other).has_value(), other);
        }
        const QByteArray written = card()->record(kAdn, record);
        if (expected == "free")
            QVERIFY(isFree(written));
        else if (expected == "anna")
            QCOMPARE(written.left(14), anna);
        else
            QVERIFY(!isFree(written));
        QVERIFY(gui.app->state.fromCard());
        QVERIFY(!gui.app->state.modified);

        // The second time the write goes ahead without asking.
        QVERIFY(!dialogShownDuring<ConfirmDialog>([&] { gui.window->runCommand(command); }, 3000));
    }

    void simInformation()
    {
        GuiHarness gui;
        QVERIFY(gui.readTypicalCard());
        QMap<QString, QString> shown;
        onNextDialog<SimInfoDialog>([&shown](SimInfoDialog* dialog) {
            for (auto* field : dialog->findChildren<QLineEdit*>())
                shown[field->objectName()] = field->text();
            shown["pin1State"] = dialog->findChild<QLabel*>("pin1State")->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        });
        gui.window->runCommand(Command::SimInfo);

        QCOMPARE(shown["contacts"], QString("250"));
        QCOMPARE(shown["contactsRead"], QString("42"));
        QCOMPARE(shown["freeContacts"], QString("208"));
        QCOMPARE(shown["nameLength"], QString("14"));
        QCOMPARE(shown["pin1State"], QString("PIN1 state: on"));
        QCOMPARE(shown["iccid"], QString("8949020000123456789"));
        QCOMPARE(shown["serviceProvider"], QString("Phonara Mobile"));
        QCOMPARE(shown["ownNumber"], QString("+491719876543"));
    }

    // Exit with a changed card book and the answer No still ends the connection.
    void exitWithChangedCardBook()
    {
        GuiHarness gui;
        QVERIFY(gui.readTypicalCard());
        gui.window->selectRow(3);
        gui.window->runCommand(Command::Delete);
        QVERIFY(gui.app->state.modified);

        gui.answers = {UserInterface::Answer::Cancel};
        QVERIFY(!gui.window->close());
        QVERIFY(gui.app->session.context != 0);

        gui.answers = {UserInterface::Answer::No};
        QVERIFY(gui.window->close());
        QCOMPARE(gui.messageIds(), (std::vector<int>{2, 2}));
        QCOMPARE(gui.app->session.context, SCARDCONTEXT(0));
        QCOMPARE(vsim::pcsc::Control::instance().openHandles(), 0);
        // Nothing was written.
        QVERIFY(!isFree(card()->record(kAdn, 4)));
    }
};

QTEST_MAIN(TestCardFlows)
#include "TestCardFlows.moc"
