#pragma once

#include <QObject>
#include <QPoint>

class MainWindow;
class QLabel;
class QTimer;

// The editing commands of the main window: Add and Edit (the contact
// dialogs), Copy, Cut and Paste as text, Find, and moving a row by dragging
// it onto another. Paste follows the clipboard: it is enabled only while the
// clipboard holds pasteable text.
class EditCommands : public QObject
{
    Q_OBJECT

public:
    explicit EditCommands(MainWindow& window);

    // Re-checks the clipboard and enables or greys Paste.
    void refreshPasteState();
    bool pasteEnabled() const { return m_pasteable; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addContact();
    void editContact();
    void copySelection();
    void cutSelection();
    void paste();
    void find();
    void dropAt(const QPoint& pos);
    void autoScroll();
    void highlightDropRow(int row);
    // The picture of the dragged row that follows the pointer.
    void showDragImage(const QPoint& globalPos);
    void hideDragImage();

    MainWindow& m_window;
    bool m_pasteable = false;
    // Drag of a row: the row pressed, where, and whether the drag started.
    int m_dragRow = -1;
    QPoint m_pressPos;
    QPoint m_lastPos;
    bool m_dragging = false;
    int m_dropRow = -1;
    QTimer* m_scroller = nullptr;
    QLabel* m_dragImage = nullptr;
};

// Installs the editing commands on the window (called once by the window).
void installEditing(MainWindow& window);
