#include "CsvMappingDialog.h"

#include "CentreWindow.h"
#include "shell/Strings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int kChangeMapTitle = 130;
constexpr int kChangeMapping = 131;
constexpr int kImportTitle = 132;
constexpr int kMapPrompt = 133;
constexpr int kTextField = 134;
constexpr int kPhonebookField = 135;
constexpr int kDone = 136;
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;

// The choices of the field-choice dialog: text and object name.
struct FieldChoice
{
    CsvMappingModel::Field field;
    int textId;
    const char* objectName;
};
constexpr FieldChoice kFieldChoices[] = {
    {CsvMappingModel::Field::Name, 127, "nameChoice"},               // "&Name."
    {CsvMappingModel::Field::Number, 128, "numberChoice"},           // "&Number."
    {CsvMappingModel::Field::ExtraNumber, 330, "extraNumberChoice"}, // "&Further number."
    {CsvMappingModel::Field::Email, 331, "emailChoice"},             // "&E-mail address."
    {CsvMappingModel::Field::SecondName, 332, "secondNameChoice"},   // "&Second name."
    {CsvMappingModel::Field::LastName, 333, "lastNameChoice"},       // "&Last name ..."
};

QString text(int id)
{
    return QString::fromStdString(resString(id));
}
} // namespace

CsvMappingDialog::CsvMappingDialog(const UserInterface::CsvMappingRequest& request, QWidget* owner)
    : QDialog(owner), m_model(request)
{
    setObjectName("CsvMappingDialog");
    setWindowTitle(text(kImportTitle));

    m_table = new QTableWidget(static_cast<int>(m_model.rowCount()), 2, this);
    m_table->setObjectName("fields");
    m_table->setHorizontalHeaderLabels({text(kTextField), text(kPhonebookField)});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        auto* field = new QTableWidgetItem(QString::fromStdString(m_model.text(row)));
        field->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        m_table->setItem(row, 0, field);
        auto* mapped = new QTableWidgetItem;
        mapped->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_table->setItem(row, 1, mapped);
    }
    refreshRows();

    auto* change = new QPushButton(text(kChangeMapping), this);
    change->setObjectName("changeButton");
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* done = buttons->addButton(text(kDone), QDialogButtonBox::AcceptRole);
    done->setObjectName("doneButton");
    done->setDefault(true);
    QPushButton* cancel = buttons->addButton(text(kCancelText), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text(kMapPrompt), this));
    layout->addWidget(m_table);
    layout->addWidget(change, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
    resize(440, 380);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(change, &QPushButton::clicked, this,
            [this] { askField(static_cast<int>(m_model.selectedRow())); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row) { askField(row); });
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0)
            m_model.select(static_cast<std::size_t>(row));
    });
    connect(m_table, &QTableWidget::cellChanged, this, &CsvMappingDialog::onItemChanged);
    centreWindow(this);
}

void CsvMappingDialog::refreshRows()
{
    m_refreshing = true;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        m_table->item(row, 0)->setCheckState(m_model.isChecked(row) ? Qt::Checked : Qt::Unchecked);
        m_table->item(row, 1)->setText(QString::fromStdString(m_model.fieldText(row)));
    }
    m_refreshing = false;
}

void CsvMappingDialog::onItemChanged(int row, int column)
{
    if (m_refreshing || column != 0)
        return;
    const bool checked = m_table->item(row, 0)->checkState() == Qt::Checked;
    m_model.select(static_cast<std::size_t>(row));
    if (m_model.setChecked(static_cast<std::size_t>(row), checked))
        askField(row);
    // Deferred: the view is still inside its own item update.
    QMetaObject::invokeMethod(
        this, [this] { refreshRows(); }, Qt::QueuedConnection);
}

void CsvMappingDialog::askField(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return;
    const auto index = static_cast<std::size_t>(row);
    FieldChoiceDialog choice(QString::fromStdString(m_model.choicePrompt(index)),
                             m_model.field(index), this);
    choice.exec();
    // Cancelled: the row stays as it was (a row just ticked was not mapped yet).
    if (const std::optional<CsvMappingModel::Field> answer = choice.answer())
        m_model.choose(index, *answer);
    refreshRows();
}

FieldChoiceDialog::FieldChoiceDialog(const QString& prompt, CsvMappingModel::Field current,
                                     QWidget* owner)
    : QDialog(owner)
{
    setObjectName("FieldChoiceDialog");
    setWindowTitle(text(kChangeMapTitle));
    auto* label = new QLabel(prompt, this);
    label->setObjectName("prompt");
    for (const FieldChoice& choice : kFieldChoices) {
        auto* button = new QRadioButton(text(choice.textId), this);
        button->setObjectName(choice.objectName);
        button->setChecked(choice.field == current);
        m_choices.emplace_back(button, choice.field);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text(kOkText), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    QPushButton* cancel = buttons->addButton(text(kCancelText), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    for (const auto& choice : m_choices)
        layout->addWidget(choice.first);
    layout->addWidget(buttons);
    centreWindow(this);
}

std::optional<CsvMappingModel::Field> FieldChoiceDialog::answer() const
{
    if (result() != QDialog::Accepted)
        return std::nullopt;
    for (const auto& [button, field] : m_choices) {
        if (button->isChecked())
            return field;
    }
    return CsvMappingModel::Field::None;
}
