#include "MainMenu.h"

#include "CommandIds.h"
#include "Icons.h"
#include "shell/Strings.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace {
QString text(int id)
{
    return QString::fromStdString(resString(id));
}

QKeySequence key(QKeyCombination combination)
{
    return QKeySequence(combination);
}
} // namespace

CommandActions::CommandActions(QObject* owner)
{
    using namespace Command;
    add(owner, New, 77, "Ctrl+N")->setShortcut(key(Qt::CTRL | Qt::Key_N));
    add(owner, Open, 2213, "Ctrl+O")->setShortcut(key(Qt::CTRL | Qt::Key_O));
    add(owner, ImportCsv, 79);
    add(owner, ImportVCard, 772);
    add(owner, CloseFile, 78);
    add(owner, Save, 2217, "Ctrl+S")->setShortcut(key(Qt::CTRL | Qt::Key_S));
    add(owner, SaveAs, 2218);
    add(owner, ExportCsv, 80);
    add(owner, ExportVCard, 773);
    add(owner, Print, 107, "Ctrl+P")->setShortcut(key(Qt::CTRL | Qt::Key_P));
    add(owner, Exit, 2208, "Alt+F4");

    add(owner, Read, 81);
    add(owner, WriteAll, 108);
    add(owner, WriteSelected, 109);
    add(owner, AddAll, 110);
    add(owner, AddSelected, 111);
    add(owner, ClearCard, 112);
    add(owner, CloseCard, 78);
    add(owner, ChangePin, 83);
    add(owner, UnblockPin, 84);
    add(owner, ChangePin2, 181);
    add(owner, UnblockPin2, 182);
    add(owner, SimInfo, 141);

    add(owner, Cut, 2204, "Ctrl+X")
        ->setShortcuts({key(Qt::CTRL | Qt::Key_X), key(Qt::SHIFT | Qt::Key_Delete)});
    add(owner, Copy, 2202, "Ctrl+C")
        ->setShortcuts({key(Qt::CTRL | Qt::Key_C), key(Qt::CTRL | Qt::Key_Insert)});
    add(owner, Paste, 2215, "Ctrl+V")
        ->setShortcuts({key(Qt::CTRL | Qt::Key_V), key(Qt::SHIFT | Qt::Key_Insert)});
    add(owner, Delete, 2205, "Del")->setShortcut(key(Qt::Key_Delete));
    add(owner, Add, 85, "Ins")->setShortcut(key(Qt::Key_Insert));
    add(owner, Edit, 2207)
        ->setShortcuts({key(Qt::Key_F2), key(Qt::Key_Return), key(Qt::Key_Enter)});
    add(owner, MoveUp, 87);
    add(owner, MoveDown, 88);
    add(owner, Find, 86, "Ctrl+F")->setShortcuts({key(Qt::CTRL | Qt::Key_F), key(Qt::Key_F3)});

    add(owner, Options, 154);
    add(owner, Readme, 89)->setShortcut(key(Qt::Key_F1));
    add(owner, Update, 2223)->setCheckable(true);
    add(owner, About, 2200);

    // Not in a menu: Shift+F10 opens the list's context menu.
    auto* contextMenu = new QAction(owner);
    contextMenu->setShortcut(key(Qt::SHIFT | Qt::Key_F10));
    contextMenu->setData(KeyboardContextMenu);
    m_actions.insert(KeyboardContextMenu, contextMenu);

    const struct
    {
        int command;
        int icon;
    } icons[] = {{New, 115},    {Open, 116},     {Save, 117},   {Print, 118}, {Cut, 119},
                 {Copy, 120},   {Paste, 121},    {Delete, 122}, {Add, 123},   {Edit, 124},
                 {MoveUp, 125}, {MoveDown, 126}, {Find, 127},   {Read, 132},  {WriteAll, 130}};
    for (const auto& entry : icons)
        m_actions.value(entry.command)->setIcon(resourceIcon(entry.icon));
}

QAction* CommandActions::add(QObject* owner, int command, int textId, const char* suffix)
{
    QString label = text(textId);
    if (suffix)
        label += QLatin1Char('\t') + QLatin1String(suffix);
    auto* action = new QAction(label, owner);
    action->setData(command);
    // The shortcut names are part of the text already.
    action->setShortcutVisibleInContextMenu(false);
    m_actions.insert(command, action);
    return action;
}

void CommandActions::buildMenuBar(QMainWindow* window)
{
    using namespace Command;
    QMenuBar* bar = window->menuBar();

    QMenu* file = bar->addMenu(text(2209));
    file->setObjectName("fileMenu");
    for (int id : {New, Open, ImportCsv, ImportVCard, CloseFile})
        file->addAction(action(id));
    file->addSeparator();
    for (int id : {Save, SaveAs, ExportCsv, ExportVCard})
        file->addAction(action(id));
    file->addSeparator();
    file->addAction(action(Print));
    file->addSeparator();
    file->addAction(action(Exit));

    m_cardMenu = bar->addMenu(text(75));
    m_cardMenu->setObjectName("cardMenu");
    m_cardMenu->addAction(action(Read));
    m_writeMenu = m_cardMenu->addMenu(text(82));
    m_writeMenu->setObjectName("writeMenu");
    for (int id : {WriteAll, WriteSelected, AddAll, AddSelected, ClearCard})
        m_writeMenu->addAction(action(id));
    m_cardMenu->addAction(action(CloseCard));
    m_cardMenu->addSeparator();
    for (int id : {ChangePin, UnblockPin, ChangePin2, UnblockPin2})
        m_cardMenu->addAction(action(id));
    m_cardMenu->addSeparator();
    m_cardMenu->addAction(action(SimInfo));

    QMenu* contact = bar->addMenu(text(76));
    contact->setObjectName("contactMenu");
    for (int id : {Cut, Copy, Paste, Delete})
        contact->addAction(action(id));
    contact->addSeparator();
    for (int id : {Add, Edit, MoveUp, MoveDown})
        contact->addAction(action(id));
    contact->addSeparator();
    contact->addAction(action(Find));

    // "Customize..." sits in the bar itself, and only when a text is given for it.
    if (!action(Options)->text().isEmpty())
        bar->addAction(action(Options));

    QMenu* help = bar->addMenu(text(2210));
    help->setObjectName("helpMenu");
    for (int id : {Readme, Update, About})
        help->addAction(action(id));

    window->addAction(action(KeyboardContextMenu));
}
