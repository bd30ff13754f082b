// The main window's file commands and list editing: opening from the command
// line, closing with unsaved changes, deleting, sorting, CSV import.

#include "GuiHarness.h"

#include "files/PhnFile.h"
#include "ui/CommandIds.h"
#include "ui/ContactListModel.h"
#include "ui/CsvMappingDialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {
uint32_t contactsInFile(const QString& path)
{
    PhoneBook book;
    loadPhnFile(path.toStdString(), &book, nullptr, 0, nullptr, 0);
    return book.contactCount();
}

void clickHeader(QTableView* view, int column)
{
    QHeaderView* header = view->horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}
} // namespace

class TestFileFlows : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    // A file named at start opens; a file of neither format leaves an empty window and shows
    // nothing; a file that does not exist yet opens as an empty phone book under its name.
    void openAtStart_data()
    {
        QTest::addColumn<QString>("path"); // under the test data, or "new-book.phn": not there
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("status"); // null: not checked
        QTest::addColumn<QStringList>("names");
        const auto row = [](const char* name, const char* path, const char* title,
                            const QString& status, const QStringList& names = {}) {
            QTest::newRow(name) << QString(path) << QString(title) << status << names;
        };
        row("phone book", "gui/five.phn", "Phonara - [ five.phn ]", "5/*",
            {"Dora", "Berta", u"\u00C9mile"_qs, "anton", "Carl"});
        row("text file", "gui/notes.txt", "Phonara", QString());
        row("CSV file", "gui/swapped.csv", "Phonara", QString());
        row("missing file", "new-book.phn", "Phonara - [ new-book.phn ]", "0/*");
    }

    void openAtStart()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(QString, status);
        QFETCH(QStringList, names);
        GuiHarness gui;
        const QString file = path.contains('/')
                                 ? copyOfTestData(path)
                                 : qEnvironmentVariable("PHONARA_TEST_TMP") + "/" + path;
        gui.window->openAtStart(file.toStdString());
        QVERIFY(gui.messages.empty());
        QCOMPARE(gui.window->windowTitle(), title);
        if (!status.isNull())
            QCOMPARE(gui.window->statusText(), status);
        QCOMPARE(gui.shownNames(), names);
        QCOMPARE(gui.app->state.fromFile(), title != "Phonara");
        QVERIFY(!gui.app->state.modified);
        if (!names.isEmpty())
            QCOMPARE(gui.window->listModel()->numberText(0), QString("+4930111"));
        if (names.isEmpty())
            QVERIFY(!gui.window->action(Command::Delete)->isEnabled());
    }

    void deleteRowsTwoAndFour()
    {
        GuiHarness gui;
        gui.window->openAtStart(copyOfTestData("gui/five.phn").toStdString());
        QTableView* list = gui.window->listView();
        list->selectionModel()->select(gui.window->listModel()->index(1, 1),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->selectionModel()->select(gui.window->listModel()->index(3, 1),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(gui.app->state.selectedIndex, 3);

        QTest::keyClick(list, Qt::Key_Delete);

        QCOMPARE(gui.shownNames(), (QStringList{"Dora", QString::fromUtf8("Émile"), "Carl"}));
        QCOMPARE(gui.app->state.selectedIndex, 1);
        QCOMPARE(gui.app->state.selectedName, std::string("\xC9mile"));
        QVERIFY(gui.app->state.modified);
        QCOMPARE(gui.window->statusText(), QString("3/*"));
        QCOMPARE(gui.window->listModel()->index(2, 0).data().toString(), QString("3"));
    }

    // The first click sorts ascending, the next descending; the selected contact follows.
    void sortTwice()
    {
        GuiHarness gui;
        gui.window->openAtStart(copyOfTestData("gui/five.phn").toStdString());
        gui.window->selectRow(0); // Dora
        QHeaderView* header = gui.window->listView()->horizontalHeader();
        const auto arrow = [header] {
            return std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder());
        };
        clickHeader(gui.window->listView(), ContactListModel::Name);
        QCOMPARE(gui.shownNames(),
                 (QStringList{QString::fromUtf8("Émile"), "anton", "Berta", "Carl", "Dora"}));
        QCOMPARE(arrow(), std::pair(int(ContactListModel::Name), Qt::AscendingOrder));
        QCOMPARE(gui.app->state.selectedIndex, 4);
        QVERIFY(gui.app->state.modified);

        clickHeader(gui.window->listView(), ContactListModel::Name);
        QCOMPARE(gui.shownNames(),
                 (QStringList{"Dora", "Carl", "Berta", "anton", QString::fromUtf8("Émile")}));
        QCOMPARE(gui.app->state.selectedIndex, 0);
        QVERIFY(gui.window->listView()->selectionModel()->isRowSelected(0));
        QCOMPARE(arrow(), std::pair(int(ContactListModel::Name), Qt::DescendingOrder));

        clickHeader(gui.window->listView(), ContactListModel::Number);
        QCOMPARE(gui.window->listModel()->numberText(0), QString("+4930111"));
        // A move breaks the order: the arrow goes.
        gui.window->runCommand(Command::MoveDown);
        QCOMPARE(arrow().first, -1);
    }

    void closeWithUnsavedChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<uint32_t>("contactsSaved");

        QTest::newRow("yes saves") << int(UserInterface::Answer::Yes) << true << 4u;
        QTest::newRow("no discards") << int(UserInterface::Answer::No) << true << 5u;
        QTest::newRow("cancel keeps it open") << int(UserInterface::Answer::Cancel) << false << 5u;
    }

    void closeWithUnsavedChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(uint32_t, contactsSaved);

        GuiHarness gui;
        const QString path = copyOfTestData("gui/five.phn");
        gui.window->openAtStart(path.toStdString());
        gui.window->selectRow(2);
        gui.window->runCommand(Command::Delete);

        gui.answers = {UserInterface::Answer(answer)};
        gui.window->runCommand(Command::CloseFile);
        QCOMPARE(gui.messageIds(), std::vector<int>{1});
        QCOMPARE(contactsInFile(path), contactsSaved);
        QCOMPARE(gui.app->state.fromNothing(), closed);
        QCOMPARE(gui.window->windowTitle(),
                 closed ? QString("Phonara") : QString("Phonara - [ five.phn ]"));
        QCOMPARE(gui.window->listModel()->rowCount(), closed ? 0 : 4);
        QCOMPARE(gui.window->statusText(), closed ? QString() : QString("4/*"));
    }

    // The mapping dialog swaps name and number when the name's row is made the number.
    void importCsvWithSwappedMapping()
    {
        GuiHarness gui;
        const QString csv = copyOfTestData("gui/swapped.csv");
        gui.files.push_back(csv.toStdString());
        QStringList firstLine;
        onNextDialog<CsvMappingDialog>([&firstLine](CsvMappingDialog* dialog) {
            auto* table = dialog->findChild<QTableWidget*>("fields");
            for (int row = 0; row < table->rowCount(); ++row)
                firstLine << table->item(row, 0)->text() + "=" + table->item(row, 1)->text();
            onNextDialog<FieldChoiceDialog>([](FieldChoiceDialog* choice) {
                choice->findChild<QRadioButton*>("numberChoice")->setChecked(true);
                QTest::mouseClick(choice->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            });
            table->setCurrentCell(0, 0);
            QTest::mouseClick(dialog->findChild<QPushButton*>("changeButton"), Qt::LeftButton);
            for (int row = 0; row < table->rowCount(); ++row)
                firstLine << table->item(row, 0)->text() + "=" + table->item(row, 1)->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("doneButton"), Qt::LeftButton);
        });
        gui.window->runCommand(Command::ImportCsv);

        // The dialog starts on the columns the header names; choosing what a
        // row already holds changes nothing.
        QCOMPARE(firstLine,
                 (QStringList{"Telefon=Number", "Name=Name", "Telefon=Number", "Name=Name"}));
        QCOMPARE(gui.fileRequests.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(gui.fileRequests[0].pattern), QString("*.csv"));
        QCOMPARE(gui.shownNames(), (QStringList{"Anna", "Bernd"}));
        QCOMPARE(gui.window->listModel()->numberText(0), QString("+493012345"));
        QVERIFY(gui.app->state.fromFile());
        QVERIFY(gui.app->state.needsFileName);
        QVERIFY(gui.app->state.modified);
        QCOMPARE(gui.window->windowTitle(), QString("Phonara - [ swapped.csv ]"));

        // Saving a CSV import asks for a phone-book file name first.
        const QString phn = qEnvironmentVariable("PHONARA_TEST_TMP") + "/imported.phn";
        gui.files.push_back(phn.toStdString());
        gui.window->runCommand(Command::Save);
        QCOMPARE(contactsInFile(phn), 2u);
        QCOMPARE(gui.window->windowTitle(), QString("Phonara - [ imported.phn ]"));
        QVERIFY(!gui.app->state.needsFileName);
    }
};

QTEST_MAIN(TestFileFlows)
#include "TestFileFlows.moc"
