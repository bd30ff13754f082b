#include "GuiHarness.h"

#include "shell/Config.h"
#include "ui/CommandIds.h"
#include "ui/ContactListModel.h"
#include "ui/SidePanel.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

namespace {
SidePanel* panelOf(const GuiHarness& gui)
{
    return gui.window->findChild<SidePanel*>();
}

QAction* panelButton(const GuiHarness& gui, int command)
{
    for (QAction* action : panelOf(gui)->toolbar()->actions()) {
        if (action->data().toInt() == command)
            return action;
    }
    return nullptr;
}

// Fills the fixed-dialling slots whose letters are not '-' ("ab-c" fills 0, 1 and 3).
void fillFdn(GuiHarness& gui, const QString& pattern)
{
    for (int i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QChar('-'))
            continue;
        gui.app->sideBooks.fdn[i].name.assign(QString(pattern[i]).toStdString());
        gui.app->sideBooks.fdn[i].number.assign(QStringLiteral("0%1").arg(i + 1).toStdString());
    }
}

// The names of the rows shown, '-' for an empty one.
QString shownNames(const GuiHarness& gui)
{
    QString names;
    for (int row = 0; row < gui.window->listModel()->rowCount(); ++row) {
        const QString name = gui.window->listModel()->nameText(row);
        names += name.isEmpty() ? QStringLiteral("-") : name;
    }
    return names;
}

void selectRows(GuiHarness& gui, const QList<int>& rows)
{
    QTableView* list = gui.window->listView();
    list->clearSelection();
    for (int row : rows)
        list->selectionModel()->select(gui.window->listModel()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
} // namespace

class TestSidePanel : public QObject
{
    Q_OBJECT

private slots:
    void showHideSurvivesRestart()
    {
        int shownWidth = 0;
        {
            GuiHarness gui;
            QTableView* list = gui.window->listView();
            QVERIFY(panelOf(gui)->toolbar()->isVisible());
            shownWidth = list->width();
            const int shownX = list->x();
            auto* button = gui.window->findChild<QPushButton*>("showHideButton");
            QCOMPARE(button->text(), QStringLiteral("H&ide <<<"));
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!panelOf(gui)->toolbar()->isVisible());
            QCOMPARE(list->x(), 1);
            QVERIFY(list->width() > shownWidth);
            QVERIFY(list->x() < shownX);
            QCOMPARE(button->text(), QStringLiteral("Sho&w >>>"));
            QCOMPARE(button->toolTip(), QStringLiteral("Show the right toolbar"));
            QCOMPARE(readConfigNumber("show_hide"), std::optional<int32_t>(0));
        }
        GuiHarness again;
        QVERIFY(!panelOf(again)->toolbar()->isVisible());
        QTest::mouseClick(again.window->findChild<QPushButton*>("showHideButton"), Qt::LeftButton);
        QVERIFY(panelOf(again)->toolbar()->isVisible());
        QCOMPARE(readConfigNumber("show_hide"), std::optional<int32_t>(1));
    }

    void minimumSize()
    {
        GuiHarness gui;
        gui.window->resize(200, 100);
        QCOMPARE(gui.window->width(), 410);
        QCOMPARE(gui.window->height(), 300);
    }

    void sideBookRows_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("label");
        const auto row = [](const char* name, int button, const char* filled, const char* shown,
                            const char* label) {
            QTest::newRow(name) << button << QString(filled) << QString(shown) << QString(label);
        };
        row("gap shown, trailing empty slots not", 1212, "ab-c-----", "ab-c",
            "Fixed dialing numbers");
        row("empty book", 1212, "", "", "Fixed dialing numbers");
        row("last dialled", 1211, "ab", "", "Last number dialed");
        row("back to the phone book", 1210, "ab", "", "Phone book");
    }

    void sideBookRows()
    {
        QFETCH(int, button);
        QFETCH(QString, filled);
        QFETCH(QString, shown);
        QFETCH(QString, label);
        GuiHarness gui;
        fillFdn(gui, filled);
        panelButton(gui, button)->trigger();
        QCOMPARE(shownNames(gui), shown);
        QCOMPARE(gui.window->findChild<QLabel*>("bookLabel")->text(), label);
    }

    // Add asks for the first free slot (the dialog is stood in for here) and
    // marks it to be written; a full book asks nothing.
    void sideBookEditing_data()
    {
        QTest::addColumn<QString>("filled");
        QTest::addColumn<int>("command");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<int>("slotAsked"); // -1: no dialog
        const auto row = [](const char* name, const QString& filled, Command::Id command,
                            QList<int> selected, const QString& after, bool modified,
                            QList<int> messages = {}, int slotAsked = -1) {
            QTest::newRow(name) << filled << int(command) << selected << after << modified
                                << messages << slotAsked;
        };
        row("delete one", "ab-c", Command::Delete, {1}, "a-c", true);
        row("delete two", "ab-c", Command::Delete, {0, 3}, "b", true);
        row("delete without selection", "ab-c", Command::Delete, {}, "ab-c", false, {10});
        row("edit without selection", "ab-c", Command::Edit, {}, "ab-c", false, {10});
        row("context delete", "ab-c", Command::ContextDelete, {0}, "b-c", true);
        row("move down", "ab-c", Command::MoveDown, {0}, "ba-c", true);
        row("move up into the gap", "ab-c", Command::MoveUp, {3}, "abc", true);
        row("move up at the top", "ab-c", Command::MoveUp, {0}, "ab-c", true);
        row("move with two selected", "ab-c", Command::MoveDown, {0, 1}, "ab-c", false);
        row("add into the first free slot", "ab-c", Command::Add, {}, "abNc", true, {}, 2);
        row("add after the last", "ab", Command::Add, {}, "abN", true, {}, 2);
        const QString full(40, QChar('x'));
        row("add, every slot full", full, Command::Add, {}, full, false);
    }

    void sideBookEditing()
    {
        QFETCH(QString, filled);
        QFETCH(int, command);
        QFETCH(QList<int>, selected);
        QFETCH(QString, after);
        QFETCH(bool, modified);
        QFETCH(QList<int>, messages);
        QFETCH(int, slotAsked);
        GuiHarness gui;
        int asked = -1;
        SidePanel::setSlotDialog([&](QWidget*, BookEntry& entry, PhoneBookKind kind, bool add) {
            asked = static_cast<int>(&entry - gui.app->sideBooks.fdn.data());
            if (kind != PhoneBookKind::FixedDialling || !add)
                return false;
            entry.name.assign("N");
            entry.number.assign("0123");
            return true;
        });
        fillFdn(gui, filled);
        panelButton(gui, 1212)->trigger();
        selectRows(gui, selected);
        gui.window->runCommand(command);
        SidePanel::setSlotDialog({});
        QCOMPARE(shownNames(gui), after);
        QCOMPARE(gui.app->state.modified, modified);
        const std::vector<int> shownMessages = gui.messageIds();
        QCOMPARE(QList<int>(shownMessages.begin(), shownMessages.end()), messages);
        QCOMPARE(asked, slotAsked);
        const auto& fdn = gui.app->sideBooks.fdn;
        if (slotAsked >= 0) {
            QCOMPARE(fdn[slotAsked].dirty, 1u);
            QCOMPARE(fdn[slotAsked].recordIndex, slotAsked);
        }
        // A delete shifts the slots after it up, numbers with their names, and
        // every slot from the first deleted one to the end is written again.
        if ((command == Command::Delete || command == Command::ContextDelete) &&
            !selected.isEmpty()) {
            for (std::size_t slot = selected.first(); slot < fdn.size(); ++slot) {
                QCOMPARE(fdn[slot].dirty, 1u);
                QCOMPARE(fdn[slot].recordIndex, fdn[slot].isBlank() ? -1 : int(slot));
                const QString name = QString::fromStdString(fdn[slot].name.c_str());
                if (!name.isEmpty())
                    QCOMPARE(std::string(fdn[slot].number.c_str()),
                             QString("0%1").arg(filled.indexOf(name) + 1).toStdString());
            }
            QCOMPARE(fdn.back().tonNpi, uint8_t(0xFF));
        }
        // The phone book itself is never touched by the side books' editing.
        QCOMPARE(gui.app->book.contactCount(), 0u);
    }

    void tooltipsAlsoInStatusBar_data()
    {
        QTest::addColumn<QString>("toolbar");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("tip");
        QTest::newRow("new") << "mainToolbar" << 0 << "New phone book file";
        QTest::newRow("fixed dialling")
            << "sidePanel" << 5 << "View and modify your fixed dialing numbers";
    }

    void tooltipsAlsoInStatusBar()
    {
        QFETCH(QString, toolbar);
        QFETCH(int, button);
        QFETCH(QString, tip);
        GuiHarness gui;
        QToolBar* bar = gui.window->findChild<QToolBar*>(toolbar);
        QAction* action = bar->actions().at(button);
        QCOMPARE(action->toolTip(), tip);
        QWidget* widget = bar->widgetForAction(action);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(widget, &enter);
        QCOMPARE(gui.window->statusBar()->currentMessage(), tip);
        // The status text comes back after a moment.
        QTRY_VERIFY_WITH_TIMEOUT(gui.window->statusBar()->currentMessage().isEmpty(), 20000);
    }

    void writeDropDown_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::newRow("no selection") << false;
        QTest::newRow("one selected") << true;
    }

    void writeDropDown()
    {
        QFETCH(bool, selection);
        GuiHarness gui;
        gui.app->state.selectedIndex = selection ? 0 : -1;
        QMenu* menu = panelOf(gui)->writeMenu();
        emit menu->aboutToShow();
        const QList<QAction*> items = menu->actions();
        const QStringList texts = {"Write selected contacts to SIM", "Add selected contacts to SIM",
                                   "Write all contacts to SIM", "Add all contacts to SIM",
                                   "Clear SIM card"};
        QCOMPARE(items.size(), texts.size());
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i]->text(), texts[i]);
            // Only the two "selected" modes need a selection.
            QCOMPARE(items[i]->isEnabled(), i >= 2 || selection);
        }
    }
};

QTEST_MAIN(TestSidePanel)
#include "TestSidePanel.moc"
