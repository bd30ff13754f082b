#include "MainWindow.h"

#include "AppContext.h"
#include "CentreWindow.h"
#include "CommandIds.h"
#include "ContactListModel.h"
#include "EditCommands.h"
#include "Icons.h"
#include "MainMenu.h"
#include "SidePanel.h"
#include "shell/Config.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>

namespace {
constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;
constexpr int kRowNumberWidth = 20;

} // namespace

MainWindow::MainWindow(AppContext& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    setObjectName("MainWindow");
    setAcceptDrops(true); // a .vcf file dropped onto the window is imported
    setWindowIcon(resourceIcon(113));
    m_actions = new CommandActions(this);
    m_actions->buildMenuBar(this);
    createList();

    m_status = new QLabel(QStringLiteral("0/0"), this);
    m_status->setObjectName("statusText");
    statusBar()->addWidget(m_status, 1);

    setTitle(QStringLiteral("Phonara"));
    m_updateCheck = readConfigNumber("CheckUpdate").value_or(0) != 0;
    action(Command::Update)->setChecked(m_updateCheck);

    const std::pair<int, void (MainWindow::*)()> own[] = {
        {Command::New, &MainWindow::newFile},
        {Command::Open, &MainWindow::openFile},
        {Command::ImportCsv, &MainWindow::importCsv},
        {Command::CloseFile, &MainWindow::closeFile},
        {Command::Save, &MainWindow::saveFile},
        {Command::SaveAs, &MainWindow::saveFileAs},
        {Command::ExportCsv, &MainWindow::exportCsv},
        {Command::ImportVCard, &MainWindow::importVCard},
        {Command::ExportVCard, &MainWindow::exportVCard},
        {Command::Read, &MainWindow::readCard},
        {Command::CloseCard, &MainWindow::closeCard},
        {Command::SimInfo, &MainWindow::showSimInfo},
        {Command::ChangePin, &MainWindow::changePin},
        {Command::UnblockPin, &MainWindow::unblockPin},
        {Command::ChangePin2, &MainWindow::changePin2},
        {Command::UnblockPin2, &MainWindow::unblockPin2},
        {Command::Delete, &MainWindow::deleteSelected},
        {Command::MoveUp, &MainWindow::moveUp},
        {Command::MoveDown, &MainWindow::moveDown},
        {Command::Readme, &MainWindow::showReadme},
        {Command::Update, &MainWindow::toggleUpdateCheck},
        {Command::About, &MainWindow::showAbout},
        {Command::KeyboardContextMenu, &MainWindow::showContextMenuFromKeyboard},
    };
    for (const auto& [id, method] : own)
        m_handlers.insert(id, [this, method = method] { (this->*method)(); });
    for (int id : {Command::WriteAll, Command::WriteSelected, Command::AddAll, Command::AddSelected,
                   Command::ClearCard})
        m_handlers.insert(id, [this, id] { writeCard(id); });
    m_handlers.insert(Command::Exit, [this] { close(); });

    connectCommands();
    installSidePanel(*this);
    installEditing(*this);
    updateItemCommands();

    // The side panel may have asked for more room.
    resize(std::max(kStartWidth, width()), std::max(kStartHeight, height()));
    centreWindow(this, true);
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::action(int id) const
{
    return m_actions->action(id);
}

void MainWindow::createList()
{
    m_model = new ContactListModel(m_app.book, m_app.sideBooks, this);
    m_list = new QTableView(this);
    m_list->setObjectName("contactList");
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(false);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
    m_list->horizontalHeader()->setSectionsMovable(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setStretchLastSection(true);
    // The arrow shows the column and direction of the last sort.
    m_list->horizontalHeader()->setSortIndicatorShown(true);
    m_list->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // Tab moves on to the next control instead of from cell to cell.
    m_list->setTabKeyNavigation(false);
    m_list->setColumnWidth(
        ContactListModel::RowNumber,
        std::max(kRowNumberWidth, m_list->fontMetrics().horizontalAdvance("4500") + 8));
    m_list->setColumnWidth(ContactListModel::Name, kStartWidth / 2 - 10);
    m_list->setColumnHidden(ContactListModel::More, true);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateMoreColumn);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &MainWindow::updateMoreColumn);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &MainWindow::updateMoreColumn);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateMoreColumn);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(m_list);

    // Item colour chosen in the options, when one was stored (0x00BBGGRR).
    if (const auto colour = readConfigNumber("Item Text Color")) {
        QPalette palette = m_list->palette();
        const auto value = static_cast<uint32_t>(*colour);
        palette.setColor(QPalette::Text,
                         QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF));
        m_list->setPalette(palette);
    }

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::onSelectionChanged);
    connect(m_list, &QTableView::doubleClicked, this, [this] { runCommand(Command::Edit); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showContextMenu(m_list->viewport()->mapToGlobal(pos)); });
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::sortByColumn);
    // Commands that need a non-empty list follow it at once.
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateItemCommands);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateItemCommands);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateItemCommands);
    // Any other change of the rows may break the order the arrow promises.
    const auto unsorted = [this] { showSortIndicator(-1, true); };
    connect(m_model, &QAbstractItemModel::modelReset, this, unsorted);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, unsorted);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, unsorted);
    connect(m_model, &QAbstractItemModel::dataChanged, this, unsorted);
}

void MainWindow::connectCommands()
{
    for (QAction* action : m_actions->all()) {
        const int id = action->data().toInt();
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
    connect(m_actions->cardMenu(), &QMenu::aboutToShow, this, &MainWindow::updateCardMenu);
    connect(m_actions->writeMenu(), &QMenu::aboutToShow, this, &MainWindow::updateWriteMenu);
}

void MainWindow::setCommandHandler(int id, std::function<void()> handler)
{
    m_handlers.insert(id, std::move(handler));
    updateItemCommands();
}

void MainWindow::runCommand(int id)
{
    id = Command::mainTwinOf(id);
    if (m_filter && m_filter(id))
        return;
    const auto handler = m_handlers.constFind(id);
    if (handler == m_handlers.constEnd())
        return;
    QAction* own = action(id);
    if (own && !own->isEnabled())
        return;
    (*handler)();
}

void MainWindow::updateItemCommands()
{
    const bool hasRows = m_model->rowCount() > 0;
    for (QAction* action : m_actions->all()) {
        const int id = action->data().toInt();
        const bool itemCommand = std::find(std::begin(kItemCommands), std::end(kItemCommands),
                                           id) != std::end(kItemCommands);
        action->setEnabled(m_handlers.contains(id) && (!itemCommand || hasRows));
    }
}

// "SIM info" only makes sense for a book read from the card.
void MainWindow::updateCardMenu()
{
    action(Command::SimInfo)
        ->setEnabled(m_handlers.contains(Command::SimInfo) && m_app.state.fromCard());
}

void MainWindow::updateWriteMenu()
{
    const bool selection = m_app.state.selectedIndex != -1;
    action(Command::WriteSelected)->setEnabled(selection);
    action(Command::AddSelected)->setEnabled(selection);
}

void MainWindow::setTitle(const QString& title)
{
    setWindowTitle(title);
}

void MainWindow::refreshTitle()
{
    setTitle(QString::fromStdString(windowTitleFor(m_app.state, cardReaderName())));
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::refreshStatus()
{
    m_status->setText(QString::fromStdString(
        statusTextFor(m_app.state, m_app.book.contactCount(), cardRecordCount())));
}

void MainWindow::refillList()
{
    m_model->refill();
    updateItemCommands();
}

void MainWindow::updateMoreColumn()
{
    const bool show = m_model->hasMore();
    if (show == !m_list->isColumnHidden(ContactListModel::More))
        return;
    m_list->setColumnHidden(ContactListModel::More, !show);
    // The side panel's layout gives every column its width.
    if (auto* panel = findChild<SidePanel*>())
        panel->relayout();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Q1: an untitled list; Q2: a changed file; Q3: a changed card book.
    if (!askSaveUntitled() || !askSaveChangedFile()) {
        event->ignore();
        return;
    }
    if (m_app.state.fromCard()) {
        if (!askSaveCard(kSaveCardChanges)) {
            event->ignore();
            return;
        }
        closeCardConnection();
    }
    event->accept();
}
