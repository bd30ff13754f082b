// Typing, copying, pasting, dragging and finding contacts in the main window.

#include "../ui/GuiHarness.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/SideBooks.h"
#include "ui/CommandIds.h"
#include "ui/ContactDialog.h"
#include "ui/ContactEditing.h"
#include "ui/ContactListModel.h"
#include "ui/FindDialog.h"
#include "ui/FindReplace.h"
#include "ui/SidePanel.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

Q_DECLARE_METATYPE(std::vector<int>)

namespace {
QPoint rowCentre(QTableView* list, int row)
{
    return list->visualRect(list->model()->index(row, ContactListModel::Name)).center();
}

// Types into the Add Phone dialog and presses OK; Cancel when it stays open.
void addThroughDialog(GuiHarness& h, const QString& name, const QString& number)
{
    onNextDialog<ContactDialog>([&](ContactDialog* dialog) {
        dialog->nameEdit()->setText(name);
        dialog->numberEdit()->setText(number);
        dialog->findChild<QPushButton*>("okButton")->click();
        if (dialog->isVisible())
            dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    h.window->runCommand(Command::Add);
}
} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    void addPhone_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("tonNpi");
        QTest::addColumn<int>("before"); // contacts in the book before

        QTest::newRow("+, blanks, dashes")
            << "+49 170-123 45 6" << true << "+49170123456" << 0x91 << 0;
        QTest::newRow("star, hash, pause") << "0170 *31#p2" << true << "0170*31#p2" << 0xA8 << 0;
        QTest::newRow("+ later") << "0049+170" << false << "" << 0 << 0;
        QTest::newRow("upper-case P") << "0170P2" << false << "" << 0 << 0;
        // The book has no fixed size: 449 contacts were once the most.
        QTest::newRow("past the old limit") << "0170 *31#p2" << true << "0170*31#p2" << 0xA8 << 449;
    }

    // Adding with nothing open starts an untitled list; a bad number is
    // refused with "Wrong number!" and nothing is added.
    void addPhone()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, stored);
        QFETCH(int, tonNpi);
        QFETCH(int, before);
        GuiHarness h;
        if (before > 0)
            h.fillNames(QStringList(before, "N"));
        addThroughDialog(h, "Otto", typed);
        QCOMPARE(h.app->book.contactCount(), uint32_t(before + (accepted ? 1 : 0)));
        QCOMPARE(h.messageIds(), accepted ? std::vector<int>{} : std::vector<int>{18});
        QVERIFY(h.app->state.untitledList);
        if (before == 0)
            QCOMPARE(h.app->state.nameLimit, 74);
        if (accepted) {
            const Contact& contact = h.app->book.contacts.back();
            QCOMPARE(QString::fromLatin1(contact.numberText()), stored);
            QCOMPARE(int(contact.tonNpi), tonNpi);
            QCOMPARE(h.app->state.selectedIndex, before);
        }
    }

    // A Greek name is held in the card's 0x81 form and shown readable. The
    // name's room counts card bytes: a Cyrillic letter makes the name need
    // the 0x81 form and its three-byte header, a bracket takes two bytes.
    void greekName()
    {
        GuiHarness h;
        const QString greek = QString::fromUtf8("Αθηνά Παππά");
        addThroughDialog(h, greek, "210555");
        QCOMPARE(h.app->book.contactCount(), 1u);
        QCOMPARE(uint8_t(std::string(h.app->book.contacts[0].heldName())[0]),
                 AlphaForm::kUcs2Base8);
        QCOMPARE(h.window->listModel()->nameText(0), greek);

        onNextDialog<ContactDialog>([](ContactDialog* dialog) {
            dialog->nameEdit()->setText(QString(73, 'a'));
            dialog->nameEdit()->setText(QString(73, 'a') + QChar(0x0416));
            QCOMPARE(dialog->nameEdit()->text(), QString(71, 'a'));
            dialog->nameEdit()->setText(QString(72, 'a') + "[]");
            QCOMPARE(dialog->nameEdit()->text(), QString(72, 'a') + "[");
            dialog->reject();
        });
        h.window->runCommand(Command::Add);
    }

    // Pasting into a side book fills its free slots in order and marks them changed.
    void pasteIntoSideBook()
    {
        std::array<BookEntry, 4> entries;
        entries[1].name.assign("Held");
        entries[1].number.assign("999");
        QCOMPARE(::pasteIntoSideBook("Ada;0301\r\nBen;0302", entries.data(), 4), 99);
        QCOMPARE(entries[0].name.view(), "Ada");
        QCOMPARE(entries[0].number.view(), "0301");
        QCOMPARE(entries[1].name.view(), "Held");
        QCOMPARE(entries[2].name.view(), "Ben");
        QCOMPARE(entries[2].number.view(), "0302");
        QCOMPARE(entries[2].recordIndex, 2);
        QCOMPARE(entries[2].dirty, 1u);
        QVERIFY(entries[3].isBlank());
        QCOMPARE(::pasteIntoSideBook("Ada;0301\r\nBen,0302", entries.data(), 4), 0);
    }

    // The fixed-dialling book's Add uses the side-book dialog: a wrong number
    // keeps it open, a good one is written into the first free slot.
    void addSideEntry()
    {
        GuiHarness h;
        SidePanel* panel = h.window->findChild<SidePanel*>();
        for (QAction* action : panel->toolbar()->actions())
            if (action->data().toInt() == 1212)
                action->trigger();
        QCOMPARE(h.app->state.shownBook, PhoneBookKind::FixedDialling);
        int icon = 0;
        onNextDialog<ContactDialog>([&icon](ContactDialog* dialog) {
            icon = dialog->findChild<QLabel*>("dialogIcon")->property("iconResource").toInt();
            dialog->nameEdit()->setText("Home");
            dialog->numberEdit()->setText("0301+2");
            dialog->findChild<QPushButton*>("okButton")->click();
            QVERIFY(dialog->isVisible());
            dialog->numberEdit()->setText("030 1-2");
            dialog->findChild<QPushButton*>("okButton")->click();
        });
        h.window->runCommand(Command::Add);
        QCOMPARE(h.messageIds(), std::vector<int>{18});
        QCOMPARE(h.app->sideBooks.fdn[0].name.view(), "Home");
        QCOMPARE(h.app->sideBooks.fdn[0].number.view(), "03012");
        // The fixed-dialling book's own picture, not the phone book's.
        QCOMPARE(icon, 131);
    }

    // Edit needs an open book and a chosen contact, and says so.
    void editNeedsBookAndRow_data()
    {
        QTest::addColumn<bool>("book");
        QTest::addColumn<int>("row");
        QTest::addColumn<std::vector<int>>("messages");
        QTest::addColumn<bool>("dialog");
        QTest::newRow("nothing open") << false << -1 << std::vector<int>{9} << false;
        QTest::newRow("no contact chosen") << true << -1 << std::vector<int>{10} << false;
        QTest::newRow("contact chosen") << true << 1 << std::vector<int>{} << true;
    }

    void editNeedsBookAndRow()
    {
        QFETCH(bool, book);
        QFETCH(int, row);
        QFETCH(std::vector<int>, messages);
        QFETCH(bool, dialog);
        GuiHarness h;
        if (book)
            h.fillBook({{"Anna", "111"}, {"Bert", "222"}});
        h.window->selectRow(row);
        h.window->listView()->setFocus();
        // F2, as the Contact menu says.
        QCOMPARE(dialogShownDuring<ContactDialog>(
                     [&h] { QTest::keyClick(h.window->listView(), Qt::Key_F2); }),
                 dialog);
        QCOMPARE(h.messageIds(), messages);
    }

    // Editing a name turns é into è.
    // The second number, e-mail and second name are edited there too: blanks
    // dropped from the number, an emptied e-mail removed.
    void editReplacesEAcute()
    {
        GuiHarness h;
        h.fillBook({{"Zoe", "123"}});
        h.app->book.contacts[0].editExtras().extraNumbers.push_back(
            {"0301", 0x81, NumberType::None});
        h.app->book.contacts[0].editExtras().emails.push_back("zoe@example.org");
        h.window->refillList();
        h.app->state.nameLimit = 14;
        h.window->selectRow(0);
        QStringList shown;
        onNextDialog<ContactDialog>([&shown](ContactDialog* dialog) {
            for (const char* edit : {"extraNumberEdit1", "emailEdit1", "secondNameEdit"})
                shown << dialog->findChild<QLineEdit*>(edit)->text();
            dialog->nameEdit()->setText(QString::fromUtf8("Renée"));
            dialog->findChild<QLineEdit*>("extraNumberEdit1")->setText("030 299");
            dialog->findChild<QLineEdit*>("emailEdit1")->clear();
            dialog->findChild<QLineEdit*>("secondNameEdit")->setText(QString::fromUtf8("Zoé"));
            dialog->findChild<QPushButton*>("okButton")->click();
        });
        h.window->runCommand(Command::Edit);
        QCOMPARE(shown, (QStringList{"0301", "zoe@example.org", ""}));
        QCOMPARE(h.window->listModel()->nameText(0), QString::fromUtf8("Renèe"));
        QCOMPARE(h.window->listModel()->moreText(0), QString::fromUtf8("030299; Zoé"));
        QVERIFY(h.app->book.contacts[0].extras().emails.empty());
    }

    void copyTwoRows()
    {
        GuiHarness h;
        h.fillBook({{"Anna", "111"}, {"Bert", "222"}, {"Cleo", "333"}});
        QTableView* list = h.window->listView();
        list->selectRow(0);
        list->selectionModel()->select(h.window->listModel()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        h.window->runCommand(Command::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Anna;111\r\nCleo;333"));
    }

    void paste_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("added");

        QTest::newRow("one line, no line end") << "Dora;+4930123" << 1;
        QTest::newRow("quoted number, commas") << "Dora,\"0301\"\r\nEmil,'0302'" << 2;
        QTest::newRow("mixed separators") << "Dora;0301\r\nEmil,0302" << 0;
        QTest::newRow("number of two characters") << "Dora;03" << 0;
        QString ten;
        for (int i = 0; i < 10; ++i)
            ten +=
                QString("Name %1;0301%2%3").arg(i).arg(i == 6 ? "x" : "").arg(i < 9 ? "\r\n" : "");
        QTest::newRow("one bad line in ten") << ten << 0;
    }

    // Paste follows the clipboard; a pasteable text is appended as a whole.
    void paste()
    {
        QFETCH(QString, text);
        QFETCH(int, added);
        GuiHarness h;
        h.fillBook({{"Anna", "111"}});
        QApplication::clipboard()->setText(text);
        QCOMPARE(h.window->action(Command::Paste)->isEnabled(), added > 0);
        h.window->runCommand(Command::Paste);
        QCOMPARE(int(h.app->book.contactCount()), 1 + added);
        if (added > 0) {
            QCOMPARE(h.window->listModel()->nameText(1), QStringLiteral("Dora"));
            QCOMPARE(h.app->state.modified, true);
        }
        if (text.startsWith("Dora;+")) {
            QCOMPARE(QString::fromLatin1(h.app->book.contacts[1].numberText()), "+4930123");
            QCOMPARE(int(h.app->book.contacts[1].tonNpi), 0x91);
        }
        // The list changing does not bring a greyed Paste back.
        h.window->refillList();
        QCOMPARE(h.window->action(Command::Paste)->isEnabled(), added > 0);
    }

    void dragRow_data()
    {
        QTest::addColumn<int>("target"); // -1: below the last row
        QTest::addColumn<QStringList>("order");
        QTest::newRow("row 1 onto row 4") << 3 << QStringList{"B", "C", "D", "A", "E"};
        QTest::newRow("outside the rows") << -1 << QStringList{"A", "B", "C", "D", "E"};
    }

    void dragRow()
    {
        QFETCH(int, target);
        QFETCH(QStringList, order);
        GuiHarness h;
        h.fillBook({{"A", "101"}, {"B", "102"}, {"C", "103"}, {"D", "104"}, {"E", "105"}});
        QTableView* list = h.window->listView();
        QWidget* viewport = list->viewport();
        const QPoint to = target >= 0 ? rowCentre(list, target)
                                      : QPoint(rowCentre(list, 4).x(), viewport->height() - 2);
        QTest::mousePress(viewport, Qt::LeftButton, {}, rowCentre(list, 0));
        QTest::mouseMove(viewport, rowCentre(list, 1));
        QTest::mouseMove(viewport, to);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
        QCOMPARE(h.shownNames(), order);
        if (target >= 0)
            QCOMPARE(h.app->state.selectedIndex, target);
    }

    // Held near the top edge while rows are hidden above, a dragged row scrolls the list up.
    void dragScrollsUp()
    {
        GuiHarness h;
        h.fillNames(QStringList(100, "N"));
        QTableView* list = h.window->listView();
        QScrollBar* bar = list->verticalScrollBar();
        QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0, 20000);
        bar->setValue(bar->maximum());
        const int start = bar->value();
        QVERIFY(start > 0);
        const int row = list->rowAt(list->viewport()->height() / 2);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
        QTest::mouseMove(list->viewport(), QPoint(rowCentre(list, row).x(), 3));
        QTRY_VERIFY_WITH_TIMEOUT(bar->value() < start - 1, 20000);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(5, 3));
    }

    void findNext_data()
    {
        QTest::addColumn<QStringList>("book");
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<QList<int>>("rows"); // selected after each Find Next; -1: not found
        const QStringList latin{"Anna", "Hanna", "Annabel Anna", "Bob"};
        const QStringList other{"Anna", u"\u0418\u0432\u0430\u043D"_qs,
                                u"\u041F\u0451\u0442\u0440"_qs,
                                u"\u0391\u03B8\u03B7\u03BD\u03AC"_qs};
        QTest::newRow("any case, wrapping round")
            << latin << "anna" << false << false << QList<int>{0, 1, 2, 0};
        QTest::newRow("whole word") << latin << "anna" << false << true << QList<int>{0, 0};
        QTest::newRow("match case") << latin << "anna" << true << false << QList<int>{1, 1};
        // Names in other scripts are compared letter by letter, with and without case.
        QTest::newRow("Cyrillic name")
            << other << u"\u0418\u0432\u0430\u043D"_qs << false << false << QList<int>{1, 1};
        QTest::newRow("other case")
            << other << u"\u043F\u0451\u0442\u0440"_qs << false << false << QList<int>{2, 2};
        QTest::newRow("other case, match case")
            << other << u"\u043F\u0451\u0442\u0440"_qs << true << false << QList<int>{-1};
    }

    void findNext()
    {
        QFETCH(QStringList, book);
        QFETCH(QString, find);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(QList<int>, rows);
        GuiHarness h;
        h.fillNames(book);
        onNextDialog<FindDialog>([&](FindDialog* dialog) {
            dialog->findChild<QLineEdit*>("findEdit")->setText(find);
            dialog->findChild<QAbstractButton*>("matchCase")->setChecked(matchCase);
            dialog->findChild<QAbstractButton*>("wholeWord")->setChecked(wholeWord);
            for (int row : rows) {
                dialog->findChild<QPushButton*>("findNextButton")->click();
                QCOMPARE(h.messageIds().empty(), row >= 0);
                if (row >= 0)
                    QCOMPARE(h.app->state.selectedIndex, row);
            }
            dialog->reject();
        });
        h.window->runCommand(Command::Find);
        QCOMPARE(processFindState().wholeWord, wholeWord);
        processFindState() = FindState();
    }

    void replace_data()
    {
        QTest::addColumn<QStringList>("book");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<int>("findNext"); // Find Next presses before the replace button
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("told"); // the start of the message shown, if any
        const auto row = [](const char* name, const QStringList& book, const char* find,
                            const char* replace, int findNext, const char* button,
                            const QStringList& after, const char* told = "") {
            QTest::newRow(name) << book << QString(find) << QString(replace) << findNext
                                << QString(button) << after << QString(told);
        };
        // Replace All after a search that stopped at row 5 leaves rows 0-4 alone.
        row("Replace All from the search position", QStringList(8, "Tom"), "Tom", "Tim", 6,
            "replaceAllButton", {"Tom", "Tom", "Tom", "Tom", "Tom", "Tim", "Tim", "Tim"});
        // Replacing the Latin part of a name held in a UCS2 form keeps its Greek letters.
        row("name in a UCS2 form", {u"\u039D\u03AF\u03BA\u03BF\u03C2 Z"_qs}, "Z", "K", 0,
            "replaceAllButton", {u"\u039D\u03AF\u03BA\u03BF\u03C2 K"_qs});
        // 1 -> x makes the number invalid: the question is asked, the number stays.
        row("number made invalid", {"Carl"}, "1", "x", 1, "replaceButton", {"Carl"},
            "The resulting phone number <0x7x");
    }

    void replace()
    {
        QFETCH(QStringList, book);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(int, findNext);
        QFETCH(QString, button);
        QFETCH(QStringList, after);
        QFETCH(QString, told);
        GuiHarness h;
        h.fillNames(book, "0171");
        onNextDialog<FindDialog>([&](FindDialog* dialog) {
            dialog->findChild<QLineEdit*>("findEdit")->setText(find);
            dialog->findChild<QLineEdit*>("replaceEdit")->setText(replace);
            for (int i = 0; i < findNext; ++i)
                dialog->findChild<QPushButton*>("findNextButton")->click();
            dialog->findChild<QPushButton*>(button)->click();
            dialog->reject();
        });
        h.window->runCommand(Command::Find);
        processFindState() = FindState();
        QCOMPARE(h.shownNames(), after);
        QCOMPARE(h.messages.empty(), told.isEmpty());
        if (!told.isEmpty())
            QVERIFY(QString::fromStdString(h.messages[0].text).startsWith(told));
        for (const Contact& contact : h.app->book.contacts)
            QCOMPARE(QString::fromLatin1(contact.numberText()), "0171");
    }

    void replaceInText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("result");
        QTest::newRow("every occurrence") << "a-b-c" << 100 << "a+-b+-c";
        QTest::newRow("cut at the capacity") << "a-b-c" << 7 << "a+-b+-";
    }

    void replaceInText()
    {
        QFETCH(QString, text);
        QFETCH(int, capacity);
        QFETCH(QString, result);
        QString value = text;
        QCOMPARE(::replaceInText(value, std::size_t(capacity), "-", "+-", true), 1);
        QCOMPARE(value, result);
    }
};

QTEST_MAIN(TestEditing)
#include "TestEditing.moc"
