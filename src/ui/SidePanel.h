#pragma once

#include "phonebook/PhoneBook.h"

#include <QWidget>

#include <functional>

class MainWindow;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QToolBar;
struct BookEntry;

// The contact list with the side panel at its left: the Show/Hide button,
// the bold label naming the book shown, and the tall toolbar with Read,
// Write (and its drop-down of write modes), the three books and Change PIN.
// It replaces the list as the main window's central widget and lays the
// pieces out on every resize.
class SidePanel : public QWidget
{
    Q_OBJECT

public:
    explicit SidePanel(MainWindow& window);

    // Shows or hides the panel; `toggle` reverses the stored "show_hide" first.
    void showHidePanel(bool toggle);
    bool panelShown() const;
    // Shows book `kind` in the list and names it in the label.
    void setShownBook(PhoneBookKind kind);

    // Lays out the list, panel and label again, the list's column widths included
    // (after the list gained or lost a column).
    void relayout();

    QToolBar* toolbar() const { return m_panel; }
    QMenu* writeMenu() const { return m_writeMenu; }

    // The dialog that adds (add = true) or edits one slot of a side book;
    // true when the user confirmed and the entry was written.
    using SlotDialog =
        std::function<bool(QWidget* owner, BookEntry& entry, PhoneBookKind kind, bool add)>;
    // Pastes clipboard text into the side book's free slots; true when any changed.
    using SlotPaste = std::function<bool(BookEntry* entries, uint32_t count)>;
    static void setSlotDialog(SlotDialog dialog);
    static void setSlotPaste(SlotPaste paste);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutPanel();
    void sizeColumns(QTableView& table, int w, int half, int listHeight) const;
    void updateWriteMenu();
    void showBookLabel();
    // The side books' editing commands; true when the command was carried out here.
    bool filterCommand(int id);
    void moveSelected(int step);
    void addOrEdit(bool add);
    void deleteSelectedSlots();
    void markChanged();
    std::vector<int> selectedRows() const;

    MainWindow& m_window;
    QWidget* m_list;
    QToolBar* m_panel;
    QMenu* m_writeMenu;
    QPushButton* m_showHide;
    QLabel* m_label;
};

// Builds the main toolbar and the side panel of `window`, and connects Print
// and Options.
void installSidePanel(MainWindow& window);
