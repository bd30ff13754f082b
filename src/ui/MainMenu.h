#pragma once

#include <QHash>

class QAction;
class QMainWindow;
class QMenu;
class QObject;

// The main window's actions, one per command id, with texts from the string
// table (accelerator names appended after a tab) and their shortcuts.
class CommandActions
{
public:
    explicit CommandActions(QObject* owner);

    QAction* action(int command) const { return m_actions.value(command); }
    const QHash<int, QAction*>& all() const { return m_actions; }

    // Menu bar of the main window: File, Card, Contact, Customize, Help.
    void buildMenuBar(QMainWindow* window);
    QMenu* cardMenu() const { return m_cardMenu; }
    QMenu* writeMenu() const { return m_writeMenu; }

private:
    QAction* add(QObject* owner, int command, int textId, const char* suffix = nullptr);

    QHash<int, QAction*> m_actions;
    QMenu* m_cardMenu = nullptr;
    QMenu* m_writeMenu = nullptr;
};

// The commands that need a non-empty list.
inline constexpr int kItemCommands[] = {40034, 1010, 1021, 1016, 1004, 1007, 1008, 40033};
