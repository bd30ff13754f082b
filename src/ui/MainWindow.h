#pragma once

#include "DocumentState.h"
#include "ListOperations.h"
#include "card/flows/CardSession.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <string>
#include <vector>

class CommandActions;
class ContactListModel;
class QAction;
class QLabel;
class QMenu;
class QTableView;
class UpdateChecker;
struct AppContext;
class UserInterface;

// The program's main window: the contact list with its menus, the status bar
// and the title, and the dispatch of every command. The work of the commands
// is split by concern: MainWindowList.cpp (list editing, sorting, context
// menu), MainWindowFiles.cpp (open, save, import, export, close file),
// MainWindowCard.cpp (read, write, close card, PIN, SIM info),
// MainWindowHelp.cpp (readme, update check, about) and MainWindowVCard.cpp
// (vCard import and export, a .vcf file dropped onto the window).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(AppContext& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs command `id` as if its menu item had been chosen.
    void runCommand(int id);
    // Lets another part of the program carry out a command (editing dialogs,
    // clipboard, find, print, options, side panel).
    void setCommandHandler(int id, std::function<void()> handler);
    bool hasCommandHandler(int id) const { return m_handlers.contains(id); }
    // Sees every command before its handler; returns true when it carried
    // the command out itself (the side panel's editing of the side books).
    void setCommandFilter(std::function<bool(int)> filter) { m_filter = std::move(filter); }

    QAction* action(int id) const;
    QTableView* listView() const { return m_list; }
    ContactListModel* listModel() const { return m_model; }
    QMenu* contextMenu() const { return m_contextMenu; }
    QString statusText() const;
    AppContext& app() const { return m_app; }

    // Opens the file named on the command line (an empty path opens nothing).
    void openAtStart(const std::string& path);

    // Refreshers used after each command.
    void refreshTitle();
    void refreshStatus();
    // Rebuilds the rows from the table and the commands that follow the list.
    void refillList();
    // Selects, focuses and shows row `row` and takes its texts as the selected ones.
    void selectRow(int row);
    // Selected bit of every row.
    std::vector<bool> selectionBits() const;

signals:
    // The document state changed (title, source, modified).
    void documentChanged();
    // The open book was closed (find and replace start afresh).
    void bookClosed();
    // A read put the phone book back into the list (the side panel's title follows).
    void shownBookChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // MainWindow.cpp
    void createList();
    // Shows the "More" column only while a shown contact has something for it;
    // the side panel then shares the width out again.
    void updateMoreColumn();
    void connectCommands();
    void updateItemCommands();
    void updateCardMenu();
    void updateWriteMenu();
    void setTitle(const QString& title);

    // MainWindowList.cpp
    void onSelectionChanged();
    void deleteSelected();
    void moveUp();
    void moveDown();
    void sortByColumn(int column);
    // The header's arrow: `column` sorted ascending or not; -1 shows none.
    void showSortIndicator(int column, bool ascending);
    void showContextMenu(const QPoint& globalPos);
    void showContextMenuFromKeyboard();

    // MainWindowFiles.cpp
    bool askSaveUntitled();
    bool askSaveChangedFile();
    bool saveToCurrentPath();
    void newFile();
    void openFile();
    void importCsv();
    void saveFile();
    void saveFileAs();
    void exportCsv();
    void closeFile();
    bool loadBookFile(const std::string& path, UserInterface& ui);
    bool saveBookTo(const std::string& path);
    bool promptSaveFile(std::string& path, bool csv);
    void closeBookState();

    // MainWindowVCard.cpp
    void importVCard();
    bool openVCard(const std::string& path);
    void exportVCard();

    // MainWindowCard.cpp
    // The questions askSaveCard asks: save the card's changes before they are
    // replaced, or before the card is read again.
    static constexpr int kSaveCardChanges = 2;
    static constexpr int kSaveCardBeforeRead = 3;
    bool askSaveCard(int questionId);
    void readCard();
    void writeCard(int command);
    void closeCard();
    void closeCardConnection();
    void emptyDialledBooks();
    void showSimInfo();
    void changePin();
    void unblockPin();
    void changePin2();
    void unblockPin2();
    bool writeWholeBookToCard();
    CardHost cardHost();
    int runTransfer(CardSession& session);
    void takeSelectionSnapshot();
    std::string cardReaderName() const;
    unsigned cardRecordCount() const;

    // MainWindowHelp.cpp
    void showReadme();
    void toggleUpdateCheck();
    void showAbout();
    static QString readmePath();

public:
    // Checks for a newer version when a feed is configured.
    void startUpdateCheck(bool quietWhenCurrent);

private:
    AppContext& m_app;
    CommandActions* m_actions = nullptr;
    QHash<int, std::function<void()>> m_handlers;
    std::function<bool(int)> m_filter;
    ContactListModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_contextMenu = nullptr;
    // Sort direction of the name and number columns; each starts ascending.
    bool m_nameAscending = true;
    bool m_numberAscending = true;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    bool m_updateCheck = false;
    UpdateChecker* m_updateChecker = nullptr;
    // Set by the transfer when a read ran to its end.
    bool m_readComplete = false;
    // The backup the last write took, and whether that write failed.
    std::string m_lastBackup;
    bool m_lastWriteFailed = false;
    void offerBackup();
};
