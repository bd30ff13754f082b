#include "EditCommands.h"

#include "AppContext.h"
#include "CommandIds.h"
#include "ContactDialog.h"
#include "ContactEditing.h"
#include "ContactListModel.h"
#include "FindDialog.h"
#include "MainWindow.h"
#include "SidePanel.h"
#include "VCardClipboard.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/SideBooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace {
constexpr int kOpenSomethingToEdit = 9;
constexpr int kChooseContactToEdit = 10;
constexpr int kWrongNumber = 18;
constexpr int kPhoneIcon = 129;
constexpr int kFixedDiallingIcon = 131;
constexpr int kLastDialledIcon = 133;
// What a list typed or pasted while nothing was open gets.
constexpr int kUntitledRecordLength = 98;
constexpr int kUntitledNameLimit = 74;
// Room in bytes for an e-mail address or second name of a book that is not the card's.
constexpr int kFileTextLimit = 255;
// Texts read from a row for the clipboard.
constexpr qsizetype kCopiedFieldLength = 99;
// The number edit is read up to 41 characters.
constexpr qsizetype kReadNumberLength = 41;
// Auto-scroll while dragging: period, and the band at the top that scrolls up.
constexpr int kScrollPeriodMs = 300;
constexpr int kTopBand = 9;
// The dragged row's picture: right of the pointer, half see-through.
constexpr int kDragImageOffset = 5;
constexpr qreal kDragImageOpacity = 0.7;

void startUntitledList(DocumentState& state)
{
    if (!state.fromNothing())
        return;
    state.untitledList = true;
    state.recordLength = kUntitledRecordLength;
    state.nameLimit = kUntitledNameLimit;
}

std::string clipboardText()
{
    return unicodeToCp1252(QApplication::clipboard()->text());
}
} // namespace

EditCommands::EditCommands(MainWindow& window) : QObject(&window), m_window(window)
{
    m_scroller = new QTimer(this);
    m_scroller->setInterval(kScrollPeriodMs);
    connect(m_scroller, &QTimer::timeout, this, &EditCommands::autoScroll);

    const std::pair<int, void (EditCommands::*)()> commands[] = {
        {Command::Add, &EditCommands::addContact},     {Command::Edit, &EditCommands::editContact},
        {Command::Copy, &EditCommands::copySelection}, {Command::Cut, &EditCommands::cutSelection},
        {Command::Paste, &EditCommands::paste},        {Command::Find, &EditCommands::find},
    };
    // The window enables every command that has a handler whenever the list
    // changes; Paste stays greyed while the clipboard holds nothing pasteable.
    QAction* pasteAction = window.action(Command::Paste);
    connect(pasteAction, &QAction::changed, this, [this, pasteAction] {
        if (pasteAction->isEnabled() && !m_pasteable)
            pasteAction->setEnabled(false);
    });
    for (const auto& [id, method] : commands)
        window.setCommandHandler(id, [this, method = method] { (this->*method)(); });

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &EditCommands::refreshPasteState);
    window.listView()->viewport()->installEventFilter(this);
    refreshPasteState();
}

void EditCommands::refreshPasteState()
{
    m_pasteable = parseClipboardText(clipboardText()) > 0;
    m_window.action(Command::Paste)->setEnabled(m_pasteable);
}

void EditCommands::addContact()
{
    AppContext& app = m_window.app();
    DocumentState& state = app.state;
    if (!state.phoneBookShown())
        return;
    startUntitledList(state);
    ContactDialog dialog(ContactDialog::Kind::AddPhone, state.nameLimit, kPhoneIcon, &m_window);
    dialog.setAcceptFunction([&app](const QString& name, const QString& number) {
        if (addTypedContact(app.book, name, unicodeToCp1252(number.left(kReadNumberLength)),
                            app.state.nameLimit))
            return true;
        app.ui.inform(kWrongNumber);
        return false;
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_window.refillList();
    m_window.selectRow(static_cast<int>(app.book.contactCount()) - 1);
    state.modified = true;
    m_window.refreshStatus();
    emit m_window.documentChanged();
}

void EditCommands::editContact()
{
    AppContext& app = m_window.app();
    DocumentState& state = app.state;
    const int row = state.selectedIndex;
    if (!state.hasBook()) {
        app.ui.inform(kOpenSomethingToEdit);
        return;
    }
    if (row == -1) {
        app.ui.inform(kChooseContactToEdit);
        return;
    }
    if (!state.phoneBookShown() || row < 0 || row >= static_cast<int>(app.book.contactCount()))
        return;
    ContactDialog dialog(ContactDialog::Kind::EditPhone, state.nameLimit, kPhoneIcon, &m_window);
    dialog.setTexts(m_window.listModel()->nameText(row), m_window.listModel()->numberText(row));
    // Second numbers, e-mail addresses and the second name are edited beside
    // the name where the book has them; an empty edit offers one more.
    const Contact& contact = app.book.contacts[static_cast<std::size_t>(row)];
    if (m_window.listModel()->hasMore() ||
        (state.fromCard() && app.session.phoneBookPlace != PhoneBookPlace::SimAdn)) {
        ContactDialog::Extras extras;
        for (const ExtraNumber& extra : contact.extras().extraNumbers)
            extras.numbers << cp1252ToUnicode(numberDisplayForm(extra.number));
        for (const std::string& email : contact.extras().emails)
            extras.emails << heldNameToUnicode(email);
        if (extras.numbers.isEmpty())
            extras.numbers << QString();
        if (extras.emails.isEmpty())
            extras.emails << QString();
        extras.secondName = heldNameToUnicode(contact.extras().secondName);
        // The card's room; a book from a file has the room of a long name.
        const bool card = state.fromCard();
        dialog.setExtras(extras,
                         card && app.session.emailRoom > 0 ? app.session.emailRoom
                                                           : kFileTextLimit,
                         card && app.session.secondNameRoom > 0 ? app.session.secondNameRoom
                                                                : kFileTextLimit);
    }
    dialog.setAcceptFunction([&app, &dialog, row](const QString& name, const QString& number) {
        const ContactDialog::Extras extras = dialog.extras();
        // Every number is checked before anything of the contact changes.
        Contact typed = app.book.contacts[static_cast<std::size_t>(row)];
        if (editTypedExtras(typed, extras.numbers, extras.emails, extras.secondName) &&
            editTypedContact(app.book, static_cast<uint32_t>(row), name,
                             unicodeToCp1252(number.left(kReadNumberLength)),
                             app.state.nameLimit)) {
            Contact& edited = app.book.contacts[static_cast<std::size_t>(row)];
            edited.editExtras() = std::move(typed.editExtras());
            return true;
        }
        app.ui.inform(kWrongNumber);
        return false;
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_window.listModel()->rowsChanged(row, row);
    m_window.selectRow(row);
    state.modified = true;
    emit m_window.documentChanged();
}

void EditCommands::copySelection()
{
    const std::vector<bool> selected = m_window.selectionBits();
    std::vector<ClipboardRow> rows;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (!selected[row])
            continue;
        const int r = static_cast<int>(row);
        rows.push_back(
            {unicodeToCp1252(m_window.listModel()->nameText(r).left(kCopiedFieldLength)),
             unicodeToCp1252(m_window.listModel()->numberText(r).left(kCopiedFieldLength))});
    }
    if (rows.empty()) {
        QApplication::clipboard()->clear();
        return;
    }
    auto* mime = new QMimeData;
    mime->setText(cp1252ToUnicode(clipboardTextOf(rows)));
    if (m_window.listModel()->shownBook() == PhoneBookKind::PhoneBook)
        mime->setData(kVCardMimeType, vCardOfRows(m_window.app().book, selected));
    QApplication::clipboard()->setMimeData(mime);
}

void EditCommands::cutSelection()
{
    copySelection();
    m_window.runCommand(Command::Delete);
}

void EditCommands::paste()
{
    AppContext& app = m_window.app();
    const std::string text = clipboardText();
    ContactListModel* model = m_window.listModel();
    if (model->shownBook() != PhoneBookKind::PhoneBook) {
        const bool fixed = model->shownBook() == PhoneBookKind::FixedDialling;
        if (pasteIntoSideBook(text, fixed ? app.sideBooks.fdn.data() : app.sideBooks.lnd.data(),
                              fixed ? app.sideBooks.fdnCount : app.sideBooks.lndCount) != 0) {
            m_window.refillList();
            emit m_window.documentChanged();
        }
        return;
    }
    const std::vector<bool> before = m_window.selectionBits();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    const int added = mime != nullptr && mime->hasFormat(kVCardMimeType)
                          ? pasteVCardContacts(app.book, mime)
                          : pasteContacts(app.book, text);
    if (added == 0)
        return;
    m_window.refillList();
    QItemSelectionModel* selection = m_window.listView()->selectionModel();
    const int count = static_cast<int>(app.book.contactCount());
    for (int row = 0; row < count; ++row)
        if (row >= count - added || (static_cast<std::size_t>(row) < before.size() && before[row]))
            selection->select(model->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QModelIndex last = model->index(count - 1, ContactListModel::Name);
    selection->setCurrentIndex(last, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_window.listView()->scrollTo(last);
    startUntitledList(app.state);
    app.state.modified = true;
    m_window.refreshStatus();
    emit m_window.documentChanged();
}

void EditCommands::find()
{
    if (!m_window.app().state.phoneBookShown())
        return;
    FindDialog dialog(m_window);
    dialog.exec();
}

bool EditCommands::eventFilter(QObject* watched, QEvent* event)
{
    QTableView* list = m_window.listView();
    if (watched != list->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_dragRow = -1;
        if (mouse->button() == Qt::LeftButton && m_window.app().state.phoneBookShown()) {
            m_dragRow = list->indexAt(mouse->position().toPoint()).row();
            m_pressPos = mouse->position().toPoint();
        }
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragRow == -1 || !(mouse->buttons() & Qt::LeftButton))
            return false;
        const QPoint pos = mouse->position().toPoint();
        if (!m_dragging &&
            (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            m_scroller->start();
        }
        if (!m_dragging)
            return false;
        m_lastPos = pos;
        showDragImage(mouse->globalPosition().toPoint());
        list->viewport()->setCursor(list->viewport()->rect().contains(pos) ? Qt::ArrowCursor
                                                                           : Qt::ForbiddenCursor);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_dragging || mouse->button() != Qt::LeftButton) {
            m_dragRow = -1;
            return false;
        }
        m_dragging = false;
        m_scroller->stop();
        hideDragImage();
        highlightDropRow(-1);
        list->viewport()->unsetCursor();
        dropAt(mouse->position().toPoint());
        m_dragRow = -1;
        return true;
    }
    default:
        return false;
    }
}

void EditCommands::showDragImage(const QPoint& globalPos)
{
    if (!m_dragImage) {
        QTableView* list = m_window.listView();
        const QRect row(0, list->rowViewportPosition(m_dragRow), list->viewport()->width(),
                        list->rowHeight(m_dragRow));
        m_dragImage = new QLabel(&m_window, Qt::ToolTip | Qt::FramelessWindowHint);
        m_dragImage->setObjectName("dragImage");
        m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dragImage->setPixmap(list->viewport()->grab(row));
        m_dragImage->setWindowOpacity(kDragImageOpacity);
    }
    // The picture's corner sits just right of the pointer, as the pointer drags it.
    m_dragImage->move(globalPos + QPoint(kDragImageOffset, 0));
    m_dragImage->show();
}

void EditCommands::hideDragImage()
{
    delete m_dragImage;
    m_dragImage = nullptr;
}

void EditCommands::dropAt(const QPoint& pos)
{
    QTableView* list = m_window.listView();
    AppContext& app = m_window.app();
    const int target = list->viewport()->rect().contains(pos) ? list->indexAt(pos).row() : -1;
    if (target < 0 || m_dragRow < 0 || m_dragRow >= static_cast<int>(app.book.contactCount()))
        return;
    moveContactTo(app.book, static_cast<uint32_t>(m_dragRow), static_cast<uint32_t>(target));
    m_window.refillList();
    m_window.selectRow(target);
    app.state.modified = true;
    emit m_window.documentChanged();
}

// While a row is dragged, the list scrolls when the pointer is near its top
// with rows hidden above, or below its bottom with rows hidden below.
void EditCommands::autoScroll()
{
    if (!m_dragging) {
        m_scroller->stop();
        return;
    }
    QTableView* list = m_window.listView();
    highlightDropRow(list->viewport()->rect().contains(m_lastPos) ? list->rowAt(m_lastPos.y())
                                                                  : -1);
    QScrollBar* bar = list->verticalScrollBar();
    if (m_lastPos.y() < kTopBand && list->rowAt(0) > 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (m_lastPos.y() >= list->viewport()->height() && bar->value() < bar->maximum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

// The row under the pointer is selected while a row is dragged over it; the
// row highlighted before loses that selection again.
void EditCommands::highlightDropRow(int row)
{
    QItemSelectionModel* selection = m_window.listView()->selectionModel();
    const auto rowIndex = [this](int r) { return m_window.listModel()->index(r, 0); };
    const auto flags = QItemSelectionModel::Rows;
    if (row == m_dropRow)
        return;
    if (m_dropRow != -1 && m_dropRow != m_dragRow)
        selection->select(rowIndex(m_dropRow), QItemSelectionModel::Deselect | flags);
    m_dropRow = -1;
    if (row == -1 || selection->isRowSelected(row))
        return;
    selection->select(rowIndex(row), QItemSelectionModel::Select | flags);
    m_dropRow = row;
}

void installEditing(MainWindow& window)
{
    new EditCommands(window);
    // The side panel adds and edits fixed-dialling and last-dialled entries
    // with the side-book dialog, and pastes into their free slots.
    SidePanel::setSlotDialog([](QWidget* owner, BookEntry& entry, PhoneBookKind kind, bool add) {
        auto* main = qobject_cast<MainWindow*>(owner);
        if (main == nullptr)
            return false;
        SideEntryRecord record;
        record.name = std::string(entry.name.view());
        record.number = std::string(entry.number.view());
        record.mode = add ? SideEntryRecord::Add : SideEntryRecord::Edit;
        // Adding shows the book's own picture; editing the phone-book one.
        if (add)
            record.icon =
                kind == PhoneBookKind::FixedDialling ? kFixedDiallingIcon : kLastDialledIcon;
        if (runSideEntryDialog(owner, &record, main->app().ui) != 1 || !record.changed)
            return false;
        entry.name.assign(record.name);
        entry.number.assign(record.number);
        entry.tonNpi = tonNpiForNumber(record.number, entry.tonNpi);
        return true;
    });
    SidePanel::setSlotPaste([](BookEntry* entries, uint32_t count) {
        return pasteIntoSideBook(clipboardText(), entries, count) == 99;
    });
}
