// The contact list: selection, delete, move, sort and the context menu.

#include "AppContext.h"
#include "CommandIds.h"
#include "ContactListModel.h"
#include "Icons.h"
#include "MainWindow.h"
#include "phonebook/AlphaCodec.h"
#include "shell/Strings.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>

namespace {
constexpr int kOpenSomethingToDelete = 16;
constexpr int kChooseContactToDelete = 17;
// Room for the selected texts, as the edit dialogs take them.
constexpr std::size_t kSelectedNameBytes = 98;
constexpr std::size_t kSelectedNumberBytes = 42;

std::string cut(std::string text, std::size_t size)
{
    if (text.size() > size)
        text.resize(size);
    return text;
}
} // namespace

std::vector<bool> MainWindow::selectionBits() const
{
    std::vector<bool> bits(static_cast<std::size_t>(m_model->rowCount()), false);
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        bits[static_cast<std::size_t>(index.row())] = true;
    return bits;
}

void MainWindow::onSelectionChanged()
{
    DocumentState& state = m_app.state;
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        state.clearSelection();
        return;
    }
    // The row the user just selected: the current one when it is selected.
    const QModelIndex current = m_list->currentIndex();
    int row = rows.last().row();
    if (current.isValid() && m_list->selectionModel()->isRowSelected(current.row()))
        row = current.row();
    state.selectedIndex = row;
    if (m_model->shownBook() == PhoneBookKind::PhoneBook)
        state.selectedName =
            cut(decodeAlphaToText(m_app.book.contacts[row].heldName()), kSelectedNameBytes);
    else
        state.selectedName = cut(m_model->nameText(row).toStdString(), kSelectedNameBytes);
    state.selectedNumber = cut(m_model->numberText(row).toStdString(), kSelectedNumberBytes);
}

void MainWindow::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, ContactListModel::Name);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_list->scrollTo(index);
    onSelectionChanged();
}

void MainWindow::deleteSelected()
{
    DocumentState& state = m_app.state;
    if (!state.phoneBookShown())
        return;
    if (!state.hasBook()) {
        m_app.ui.inform(kOpenSomethingToDelete);
        return;
    }
    if (state.selectedIndex == -1) {
        m_app.ui.inform(kChooseContactToDelete);
        return;
    }
    const int next = deleteSelectedContacts(m_app.book, selectionBits());
    refillList();
    state.clearSelection();
    selectRow(next);
    state.modified = true;
    refreshStatus();
    emit documentChanged();
}

void MainWindow::moveUp()
{
    DocumentState& state = m_app.state;
    if (!state.phoneBookShown())
        return;
    const int from = state.selectedIndex;
    const int to = moveContactUp(m_app.book, from);
    if (to != from && from >= 0)
        m_model->rowsChanged(to, from);
    selectRow(to);
    state.modified = true;
    emit documentChanged();
}

void MainWindow::moveDown()
{
    DocumentState& state = m_app.state;
    if (!state.phoneBookShown())
        return;
    const int from = state.selectedIndex;
    const int to = moveContactDown(m_app.book, from);
    if (to != from)
        m_model->rowsChanged(from, to);
    selectRow(to);
    state.modified = true;
    emit documentChanged();
}

// Header clicks on the name and number columns sort the phone book; each
// click reverses that column's order.
void MainWindow::sortByColumn(int column)
{
    DocumentState& state = m_app.state;
    // The header turns its arrow on every click; only a sort may keep it turned.
    showSortIndicator(m_sortColumn, m_sortAscending);
    if (state.fromNothing() || !state.phoneBookShown())
        return;
    if (column != ContactListModel::Name && column != ContactListModel::Number)
        return;
    bool& ascending = column == ContactListModel::Name ? m_nameAscending : m_numberAscending;
    const int selected = sortContacts(
        m_app.book, column == ContactListModel::Name ? SortColumn::Name : SortColumn::Number,
        ascending, state.selectedIndex);
    refillList();
    showSortIndicator(column, ascending);
    if (selected != -1)
        selectRow(selected);
    else
        state.clearSelection();
    ascending = !ascending;
    state.modified = true;
    emit documentChanged();
}

void MainWindow::showSortIndicator(int column, bool ascending)
{
    m_sortColumn = column;
    m_sortAscending = ascending;
    m_list->horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder
                                                                   : Qt::DescendingOrder);
}

void MainWindow::showContextMenu(const QPoint& globalPos)
{
    delete m_contextMenu;
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName("contextMenu");
    const auto addItem = [this](int command, int textId, int icon) {
        QString label = QString::fromStdString(resString(textId));
        label.remove(QLatin1Char('&'));
        QAction* item = m_contextMenu->addAction(resourceIcon(icon), label);
        item->setData(command);
        QAction* twin = action(Command::mainTwinOf(command));
        item->setEnabled(!twin || twin->isEnabled());
        connect(item, &QAction::triggered, this, [this, command] { runCommand(command); });
    };
    addItem(Command::ContextCut, 2204, 119);
    addItem(Command::ContextCopy, 2202, 120);
    // Paste only when the clipboard holds something to paste.
    if (action(Command::Paste)->isEnabled())
        addItem(Command::ContextPaste, 2215, 121);
    addItem(Command::ContextDelete, 2205, 122);
    m_contextMenu->addSeparator();
    addItem(Command::ContextAdd, 85, 123);
    addItem(Command::ContextEdit, 2207, 124);
    addItem(Command::ContextMoveUp, 87, 125);
    addItem(Command::ContextMoveDown, 88, 126);
    m_contextMenu->popup(globalPos);
}

// Shift+F10 opens the context menu when the pointer is over the list.
void MainWindow::showContextMenuFromKeyboard()
{
    const QPoint pos = QCursor::pos();
    const QRect area(m_list->viewport()->mapToGlobal(QPoint(0, 0)), m_list->viewport()->size());
    if (area.contains(pos))
        showContextMenu(pos);
}
