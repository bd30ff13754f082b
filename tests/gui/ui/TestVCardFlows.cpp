#include "GuiHarness.h"
#include "files/ImportReport.h"
#include "ui/CommandIds.h"
#include "ui/ContactListModel.h"
#include "ui/VCardOptionsDialog.h"

#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>

namespace {

// Answers the next vCard dialog: the first or the second choice, or Cancel.
enum class Answer
{
    First,
    Second,
    Cancel
};
void answerVCardDialog(Answer answer)
{
    onNextDialog<VCardOptionsDialog>([answer](VCardOptionsDialog* dialog) {
        if (answer == Answer::Cancel) {
            dialog->reject();
            return;
        }
        dialog->findChild<QRadioButton*>(answer == Answer::First ? "firstChoice" : "secondChoice")
            ->setChecked(true);
        dialog->accept();
    });
}

bool sendDrop(MainWindow& window, const QString& path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return true;
}

} // namespace

class TestVCardFlows : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    // Import with one entry per number: the rows, the summary of what was
    // left out, and a book that Save turns into a .phn file.
    void importOneEntryPerNumber()
    {
        GuiHarness gui;
        gui.files.push_back(copyOfTestData("files/vcard/android-2.1.vcf").toStdString());
        answerVCardDialog(Answer::Second);
        gui.window->runCommand(Command::ImportVCard);

        QCOMPARE(gui.fileRequests.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(gui.fileRequests[0].pattern), QString("*.vcf *.vcard"));
        QCOMPARE(gui.shownNames(), (QStringList{"Anna Schmidt (cell)", "Anna Schmidt (home)",
                                                u"J\u00F6rg M\u00FCller (work)"_qs,
                                                u"J\u00F6rg M\u00FCller (cell)"_qs,
                                                "Pizza Service (work)", "Pizza Service (fax)"}));
        QCOMPARE(gui.window->listModel()->numberText(2), QString("+49405550199"));
        QCOMPARE(gui.messageIds(), std::vector<int>{kImportSummaryTextId});
        QVERIFY(gui.messages[0].text.find("line 28 (Only Mail)") != std::string::npos);
        QVERIFY(gui.app->state.fromFile());
        QVERIFY(gui.app->state.needsFileName);
        QVERIFY(gui.app->state.modified);
        QCOMPARE(gui.window->windowTitle(), QString("Phonara - [ android-2.1.vcf ]"));
    }

    // Cancel in the choice, or a file that is no vCard, leaves the open book alone.
    void failedImportKeepsTheBook_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<std::vector<int>>("messages");
        QTest::newRow("cancelled") << QByteArray("BEGIN:VCARD\r\nFN:X\r\nTEL:1\r\nEND:VCARD\r\n")
                                   << true << std::vector<int>{};
        QTest::newRow("not a vCard")
            << QByteArray("Name;Number\r\n") << false << std::vector<int>{kVCardNotVCardTextId};
    }

    void failedImportKeepsTheBook()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, cancel);
        QFETCH(std::vector<int>, messages);
        GuiHarness gui;
        gui.files.push_back(copyOfTestData("files/vcard/ios-3.0.vcf").toStdString());
        answerVCardDialog(Answer::First);
        gui.window->runCommand(Command::ImportVCard);
        QCOMPARE(gui.shownNames(),
                 (QStringList{u"\u00C9lodie Lef\u00E8vre"_qs, "Atelier du Port"}));
        gui.app->state.modified = false; // as if saved: no question before the next import
        gui.clearMessages();

        gui.files.push_back(writeTempFile("other.vcf", contents).toStdString());
        answerVCardDialog(cancel ? Answer::Cancel : Answer::First);
        gui.window->runCommand(Command::ImportVCard);
        QCOMPARE(gui.messageIds(), messages);
        QCOMPARE(gui.shownNames(),
                 (QStringList{u"\u00C9lodie Lef\u00E8vre"_qs, "Atelier du Port"}));
        QCOMPARE(gui.window->windowTitle(), QString("Phonara - [ ios-3.0.vcf ]"));
    }

    // A .vcf file dropped onto the window is imported; other files are refused.
    void dropAVCardFile()
    {
        GuiHarness gui;
        QVERIFY(!sendDrop(*gui.window, writeTempFile("notes.txt", "BEGIN:VCARD\r\n")));
        answerVCardDialog(Answer::First);
        QVERIFY(sendDrop(*gui.window, copyOfTestData("files/vcard/rfc-4.0.vcf")));
        QCOMPARE(gui.shownNames(), (QStringList{"Dr. Ana Ruiz", "Kiosk am Bahnhof, Gleis 1"}));
        QCOMPARE(gui.app->book.contacts[0].extras().extraNumbers.size(), std::size_t(1));
        QVERIFY(gui.messageIds().empty());
    }

    // A .vcf file named on the command line (a double click in the file
    // manager) is imported, with its question, once the window is up.
    void vCardFileAtStart()
    {
        GuiHarness gui;
        bool asked = false;
        onNextDialog<VCardOptionsDialog>([&asked](VCardOptionsDialog* dialog) {
            asked = true;
            dialog->accept();
        });
        gui.window->openAtStart(copyOfTestData("files/vcard/rfc-4.0.vcf").toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(asked, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(
            gui.shownNames(), (QStringList{"Dr. Ana Ruiz", "Kiosk am Bahnhof, Gleis 1"}), 20000);
        QCOMPARE(gui.window->windowTitle(), QString("Phonara - [ rfc-4.0.vcf ]"));
    }

    // Export in version 3.0 writes every contact and leaves the book unsaved.
    void exportVersion3()
    {
        GuiHarness gui;
        gui.files.push_back(copyOfTestData("files/vcard/ios-3.0.vcf").toStdString());
        answerVCardDialog(Answer::First);
        gui.window->runCommand(Command::ImportVCard);

        const QString out = qEnvironmentVariable("PHONARA_TEST_TMP") + "/out.vcf";
        gui.files.push_back(out.toStdString());
        answerVCardDialog(Answer::Second);
        gui.window->runCommand(Command::ExportVCard);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QCOMPARE(written.count("BEGIN:VCARD\r\nVERSION:3.0\r\n"), qsizetype(2));
        QVERIFY(written.contains("TEL;TYPE=cell,pref:+33155501234\r\n"));
        QVERIFY(gui.fileRequests.back().confirmOverwrite);
        QVERIFY(gui.app->state.modified);
    }

    // Cut and paste moves a contact whole: the clipboard carries its cards
    // beside the name;number text.
    void cutAndPasteKeepsEveryField()
    {
        GuiHarness gui;
        gui.fillBook({{"Anna", "0301"}, {"Bert", "0301"}});
        Contact& anna = gui.app->book.contacts[0];
        anna.numberType = NumberType::Home;
        anna.editExtras().extraNumbers = {{"+4917", 0x91, NumberType::Cell}};
        anna.editExtras().emails = {"anna@example.org"};
        anna.editExtras().secondName = "Annie";
        const Contact original = anna;
        gui.window->refillList();

        gui.window->selectRow(0);
        gui.window->runCommand(Command::Cut);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Anna;0301"));
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat("text/vcard"));
        QCOMPARE(gui.shownNames(), QStringList{"Bert"});
        gui.window->runCommand(Command::Paste);
        QCOMPARE(gui.shownNames(), (QStringList{"Bert", "Anna"}));
        const Contact& pasted = gui.app->book.contacts[1];
        QCOMPARE(pasted.numberText(), original.numberText());
        QCOMPARE(pasted.numberType, original.numberType);
        QCOMPARE(pasted.extras().extraNumbers, original.extras().extraNumbers);
        QCOMPARE(pasted.extras().emails, original.extras().emails);
        QCOMPARE(pasted.extras().secondName, original.extras().secondName);
        QVERIFY(pasted.sequence != gui.app->book.contacts[0].sequence);

        // Text alone (another program's) is pasted as before.
        QApplication::clipboard()->setText(QStringLiteral("Cleo;0302"));
        gui.window->runCommand(Command::Paste);
        QCOMPARE(gui.shownNames(), (QStringList{"Bert", "Anna", "Cleo"}));
    }
};

QTEST_MAIN(TestVCardFlows)
#include "TestVCardFlows.moc"
