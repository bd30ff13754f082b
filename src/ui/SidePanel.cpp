#include "SidePanel.h"

#include "AppContext.h"
#include "CommandIds.h"
#include "ContactListModel.h"
#include "Icons.h"
#include "MainWindow.h"
#include "SideBookEditing.h"
#include "print/Appearance.h"
#include "print/PrintPhoneBook.h"
#include "shell/Config.h"
#include "shell/Strings.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int kShowHide = 1124;
constexpr int kChooseContactToEdit = 10;
constexpr int kBookButtons[] = {1210, 1211, 1212};
constexpr int kButtonWidth = 100;
constexpr int kPanelWidth = kButtonWidth + 2;
constexpr int kRowHeight = 34;
constexpr int kStatusTipMs = 3000;

SidePanel::SlotDialog& slotDialog()
{
    static SidePanel::SlotDialog dialog;
    return dialog;
}

SidePanel::SlotPaste& slotPaste()
{
    static SidePanel::SlotPaste paste;
    return paste;
}

QString text(int id)
{
    return QString::fromUtf8(resString(id));
}

// The freedesktop theme's icon where it has a fitting one, ours otherwise.
QIcon themedIcon(const char* themeName, int resource)
{
    return QIcon::fromTheme(QLatin1String(themeName), resourceIcon(resource));
}

// Tooltip text of each toolbar command.
int tooltipStringOf(int command)
{
    static const std::pair<int, int> table[] = {
        {1002, 92},   {40029, 90}, {1003, 90},  {1004, 91},  {1005, 93},  {40033, 106},
        {40034, 101}, {1010, 96},  {1011, 97},  {1021, 105}, {1016, 98},  {1019, 45},
        {1020, 51},   {1007, 94},  {1008, 95},  {1017, 103}, {1018, 104}, {1022, 102},
        {1023, 72},   {1210, 171}, {1211, 173}, {1212, 172},
    };
    for (const auto& [id, string] : table) {
        if (id == command)
            return string;
    }
    return 0;
}

// Shows a toolbar button's tooltip in the status bar for a moment too; the
// status bar's own timer brings the status text back.
class StatusTip : public QObject
{
public:
    StatusTip(QStatusBar* bar, QObject* parent) : QObject(parent), m_bar(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Enter) {
            if (auto* button = qobject_cast<QToolButton*>(watched))
                m_bar->showMessage(button->toolTip(), kStatusTipMs);
        }
        return false;
    }

private:
    QStatusBar* m_bar;
};

// Breaks a button text into lines that fit the button width (at most three).
QString wrapped(const QString& label, const QFontMetrics& metrics)
{
    QStringList lines;
    for (const QString& word : label.split(QLatin1Char(' '))) {
        if (!lines.isEmpty() && lines.size() <= 3 &&
            metrics.horizontalAdvance(lines.back() + QLatin1Char(' ') + word) <= kButtonWidth - 8)
            lines.back() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    while (lines.size() > 3)
        lines[2] += QLatin1Char(' ') + lines.takeAt(3);
    return lines.join(QLatin1Char('\n'));
}

void watchButtons(QToolBar* toolbar, StatusTip* tip)
{
    for (QToolButton* button : toolbar->findChildren<QToolButton*>())
        button->installEventFilter(tip);
}

struct ToolbarButton
{
    int command;
    const char* theme;
    int icon;
};

void createMainToolbar(MainWindow& window, StatusTip* tip)
{
    static const ToolbarButton buttons[] = {
        {Command::New, "document-new", 115},
        {Command::Open, "document-open", 116},
        {Command::Save, "document-save", 117},
        {0, nullptr, 0},
        {Command::Print, "document-print", 118},
        {0, nullptr, 0},
        {Command::Cut, "edit-cut", 119},
        {Command::Copy, "edit-copy", 120},
        {Command::Paste, "edit-paste", 121},
        {Command::Delete, "edit-delete", 122},
        {0, nullptr, 0},
        {Command::Find, "edit-find", 127},
        {0, nullptr, 0},
        {Command::Add, "list-add", 123},
        {Command::Edit, "document-properties", 124},
        {Command::MoveUp, "go-up", 125},
        {Command::MoveDown, "go-down", 126},
    };
    auto* toolbar = window.addToolBar(QStringLiteral("Main"));
    toolbar->setObjectName("mainToolbar");
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(24, 24));
    for (const ToolbarButton& button : buttons) {
        QAction* action = button.command != 0 ? window.action(button.command) : nullptr;
        if (action == nullptr) {
            toolbar->addSeparator();
            continue;
        }
        // The toolbar shows the picture only; the menus keep their own icons.
        auto* own = new QAction(themedIcon(button.theme, button.icon),
                                text(tooltipStringOf(button.command)), toolbar);
        own->setEnabled(action->isEnabled());
        QObject::connect(action, &QAction::changed, own,
                         [own, action] { own->setEnabled(action->isEnabled()); });
        QObject::connect(own, &QAction::triggered, &window,
                         [&window, id = button.command] { window.runCommand(id); });
        toolbar->addAction(own);
    }
    watchButtons(toolbar, tip);
}
} // namespace

void SidePanel::setSlotDialog(SlotDialog dialog)
{
    slotDialog() = std::move(dialog);
}

void SidePanel::setSlotPaste(SlotPaste paste)
{
    slotPaste() = std::move(paste);
}

SidePanel::SidePanel(MainWindow& window) : QWidget(&window), m_window(window)
{
    setObjectName("sidePanelArea");
    m_list = window.takeCentralWidget();
    m_list->setParent(this);

    m_panel = new QToolBar(this);
    m_panel->setObjectName("sidePanel");
    m_panel->setOrientation(Qt::Vertical);
    m_panel->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_panel->setIconSize(QSize(48, 48));
    struct PanelButton
    {
        int command;
        int textId;
        const char* theme;
        int icon;
    };
    static const PanelButton buttons[] = {
        {Command::Read, 103, "", 132},
        {Command::WriteAll, 104, "", 130},
        {0, 0, nullptr, 0},
        {1210, 167, "x-office-address-book", 129},
        {1211, 169, "document-open-recent", 133},
        {1212, 168, "", 131},
        {0, 0, nullptr, 0},
        {Command::ChangePin, 102, "dialog-password", 128},
    };
    for (const PanelButton& entry : buttons) {
        if (entry.command == 0) {
            m_panel->addSeparator();
            continue;
        }
        QAction* action = m_panel->addAction(themedIcon(entry.theme, entry.icon),
                                             wrapped(text(entry.textId), m_panel->fontMetrics()));
        action->setToolTip(text(tooltipStringOf(entry.command)));
        action->setData(entry.command);
        if (std::find(std::begin(kBookButtons), std::end(kBookButtons), entry.command) !=
            std::end(kBookButtons)) {
            connect(action, &QAction::triggered, this,
                    [this, id = entry.command] { setShownBook(phoneBookKindFromInt(id - 1209)); });
        } else {
            connect(action, &QAction::triggered, this,
                    [this, id = entry.command] { m_window.runCommand(id); });
        }
        if (QWidget* button = m_panel->widgetForAction(action))
            button->setFixedWidth(kButtonWidth);
        if (entry.command == Command::WriteAll) {
            m_writeMenu = new QMenu(this);
            m_writeMenu->setObjectName("writeDropDown");
            for (const auto& [id, string] : {std::pair{Command::WriteSelected, 109},
                                             {Command::AddSelected, 111},
                                             {Command::WriteAll, 108},
                                             {Command::AddAll, 110},
                                             {Command::ClearCard, 112}}) {
                QAction* item = m_writeMenu->addAction(text(string));
                item->setData(id);
                connect(item, &QAction::triggered, this,
                        [this, id = id] { m_window.runCommand(id); });
            }
            connect(m_writeMenu, &QMenu::aboutToShow, this, &SidePanel::updateWriteMenu);
            auto* button = qobject_cast<QToolButton*>(m_panel->widgetForAction(action));
            button->setMenu(m_writeMenu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
    }

    m_showHide = new QPushButton(this);
    m_showHide->setObjectName("showHideButton");
    connect(m_showHide, &QPushButton::clicked, this, [this] { showHidePanel(true); });

    m_label = new QLabel(this);
    m_label->setObjectName("bookLabel");
    QFont bold = m_label->font();
    bold.setPointSize(10);
    bold.setBold(true);
    m_label->setFont(bold);

    window.setCentralWidget(this);
    window.setMinimumSize(410, 300);
    // Tall enough for the panel's buttons: six button rows and the window's frame.
    int buttonHeight = 0;
    for (QToolButton* button : m_panel->findChildren<QToolButton*>())
        buttonHeight = std::max(buttonHeight, button->sizeHint().height());
    const int startHeight = 6 * (buttonHeight + 18) + window.menuBar()->sizeHint().height() + 10;
    window.resize(std::max(window.width(), startHeight + 50),
                  std::max(window.height(), startHeight));
    window.setCommandFilter([this](int id) { return filterCommand(id); });
    connect(&window, &MainWindow::shownBookChanged, this, &SidePanel::showBookLabel);
    // Opening or closing a book puts the phone book back in the list.
    connect(window.listModel(), &QAbstractItemModel::modelReset, this, &SidePanel::showBookLabel);
    m_window.app().state.shownBook = PhoneBookKind::PhoneBook;
    showBookLabel();
    showHidePanel(false);
}

bool SidePanel::panelShown() const
{
    return readConfigNumber(ConfigKey::kShowHide).value_or(1) == 1;
}

void SidePanel::showHidePanel(bool toggle)
{
    auto value = readConfigNumber(ConfigKey::kShowHide);
    if (!value) {
        value = 1;
        writeConfigNumber(ConfigKey::kShowHide, 1);
    }
    if (toggle) {
        value = *value == 1 ? 0 : 1;
        writeConfigNumber(ConfigKey::kShowHide, *value);
    }
    const bool shown = *value == 1;
    m_showHide->setText(text(shown ? 178 : 177));
    m_showHide->setToolTip(text(shown ? 180 : 179));
    layoutPanel();
}

void SidePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanel();
}

// The one rule for the list's columns: the row number takes a sixth of the
// window, name and number half of what is left each, less half the panel
// when it is shown and, for the name, less the scroll bar when the rows do
// not all fit. When the More column shows, name and number give up a quarter
// each to it.
void SidePanel::sizeColumns(QTableView& table, int w, int half, int listHeight) const
{
    const int rowHeight = std::max(table.verticalHeader()->defaultSectionSize(), 1);
    const bool scrolls = table.model()->rowCount() >
                         (listHeight - table.horizontalHeader()->sizeHint().height()) / rowHeight;
    const int scrollBar = scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    int name = std::max(w / 2 - w / 6 - 3 - half - scrollBar, 40);
    int number = std::max(w / 2 - 1 - half, 40);
    if (!table.isColumnHidden(ContactListModel::More)) {
        name = std::max(name * 3 / 4, 40);
        number = std::max(number * 3 / 4, 40);
    }
    table.setColumnWidth(ContactListModel::RowNumber, w / 6);
    table.setColumnWidth(ContactListModel::Name, name);
    table.setColumnWidth(ContactListModel::Number, number);
}

void SidePanel::relayout()
{
    layoutPanel();
}

void SidePanel::layoutPanel()
{
    const int w = width();
    const int h = height();
    const bool shown = panelShown();
    const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int listHeight = std::max(h - kRowHeight, 0);
    if (auto* table = qobject_cast<QTableView*>(m_list))
        sizeColumns(*table, w, shown ? kPanelWidth / 2 : 0, listHeight);
    if (shown)
        m_list->setGeometry(kPanelWidth + 1, kRowHeight, w - kPanelWidth - 1, listHeight);
    else
        m_list->setGeometry(1, kRowHeight, w - 2, listHeight);
    m_panel->setVisible(shown);
    m_panel->setGeometry(1, kRowHeight, kPanelWidth, listHeight);
    m_showHide->setGeometry(1, 2, kPanelWidth, kRowHeight - 4);
    m_label->setGeometry(f + kPanelWidth + 1, 0, std::max(w - 2 * f - kPanelWidth, 0), kRowHeight);
}

void SidePanel::showBookLabel()
{
    m_label->setText(text(phoneBookKindTitleId(m_window.listModel()->shownBook())));
}

void SidePanel::setShownBook(PhoneBookKind kind)
{
    DocumentState& state = m_window.app().state;
    state.shownBook = kind;
    state.clearSelection();
    m_window.listModel()->setShownBook(kind);
    m_window.refillList();
    showBookLabel();
}

// The modes that write only the selected contacts need a selection.
void SidePanel::updateWriteMenu()
{
    const bool selection = m_window.app().state.selectedIndex != -1;
    for (QAction* item : m_writeMenu->actions()) {
        const int id = item->data().toInt();
        if (id == Command::WriteSelected || id == Command::AddSelected)
            item->setEnabled(selection);
    }
}

std::vector<int> SidePanel::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_window.listView()->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SidePanel::markChanged()
{
    m_window.app().state.modified = true;
    emit m_window.documentChanged();
}

bool SidePanel::filterCommand(int id)
{
    if (id == kShowHide) {
        showHidePanel(true);
        return true;
    }
    const PhoneBookKind kind = m_window.app().state.shownBook;
    if (kind == PhoneBookKind::PhoneBook)
        return false;
    switch (id) {
    case Command::MoveUp:
        moveSelected(-1);
        return true;
    case Command::MoveDown:
        moveSelected(1);
        return true;
    case Command::Add:
        addOrEdit(true);
        return true;
    case Command::Edit:
        addOrEdit(false);
        return true;
    case Command::Delete:
        deleteSelectedSlots();
        return true;
    case Command::Cut:
        m_window.runCommand(Command::Copy);
        deleteSelectedSlots();
        return true;
    case Command::Paste: {
        const SideBookSlots sideSlots = sideBookSlots(m_window.app().sideBooks, kind);
        if (slotPaste() && slotPaste()(sideSlots.entries, sideSlots.count)) {
            m_window.refillList();
            markChanged();
        }
        return true;
    }
    default:
        return false;
    }
}

void SidePanel::moveSelected(int step)
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1)
        return;
    const int from = rows.front();
    const int to = from + step;
    const SideBookSlots sideSlots =
        sideBookSlots(m_window.app().sideBooks, m_window.app().state.shownBook);
    if (to >= 0 && to < m_window.listModel()->rowCount() &&
        swapSideSlots(sideSlots, static_cast<uint32_t>(from), static_cast<uint32_t>(to))) {
        // Rows may appear or go: trailing empty slots are not shown.
        m_window.refillList();
        m_window.selectRow(to);
    }
    markChanged();
}

void SidePanel::addOrEdit(bool add)
{
    DocumentState& state = m_window.app().state;
    const SideBookSlots sideSlots = sideBookSlots(m_window.app().sideBooks, state.shownBook);
    int slot = -1;
    if (add) {
        slot = firstFreeSideSlot(sideSlots);
        if (slot < 0)
            return;
    } else {
        const std::vector<int> rows = selectedRows();
        if (rows.empty()) {
            m_window.app().ui.inform(kChooseContactToEdit);
            return;
        }
        slot = rows.front();
    }
    if (!slotDialog() || !slotDialog()(&m_window, sideSlots.entries[slot], state.shownBook, add))
        return;
    BookEntry& entry = sideSlots.entries[slot];
    entry.dirty = 1;
    entry.recordIndex = entry.isBlank() ? -1 : slot;
    m_window.refillList();
    m_window.selectRow(slot);
    markChanged();
}

void SidePanel::deleteSelectedSlots()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        m_window.app().ui.inform(kChooseContactToEdit);
        return;
    }
    deleteSideSlots(sideBookSlots(m_window.app().sideBooks, m_window.app().state.shownBook), rows);
    m_window.app().state.clearSelection();
    m_window.refillList();
    markChanged();
}

void installSidePanel(MainWindow& window)
{
    auto* tip = new StatusTip(window.statusBar(), &window);
    createMainToolbar(window, tip);
    auto* panel = new SidePanel(window);
    watchButtons(panel->toolbar(), tip);

    AppContext& app = window.app();
    window.setCommandHandler(Command::Print, [&window, &app] {
        printPhoneBook(&window, app.book.contacts.data(), app.book.contactCount(),
                       app.state.fromCard() ? std::string() : app.state.currentPath);
    });
    window.setCommandHandler(Command::Options,
                             [&window] { showOptionsDialog(window.listView(), &window); });
    applyBackgroundPicture(window.listView());
}
