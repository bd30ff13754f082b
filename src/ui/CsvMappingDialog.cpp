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
constexpr int kNameChoice = 127;
constexpr int kNumberChoice = 128;
constexpr int kChangeMapping = 131;
constexpr int kImportTitle = 132;
constexpr int kMapPrompt = 133;
constexpr int kTextField = 134;
constexpr int kPhonebookField = 135;
constexpr int kDone = 136;
constexpr int kOkText = 2010;
constexpr int kCancelText = 2002;

QString text(int id)
{
    return QString::fromStdString(resString(id));
}
} // namespace

CsvMappingDialog::CsvMappingDialog(std::vector<std::string> fields, unsigned nameField,
                                   unsigned numberField, QWidget* owner)
    : QDialog(owner), m_model(std::move(fields), nameField, numberField)
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
    resize(420, 300);

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
    FieldChoiceDialog choice(
        QString::fromStdString(m_model.choicePrompt(static_cast<std::size_t>(row))), this);
    choice.exec();
    m_model.choose(static_cast<std::size_t>(row), choice.answer());
    refreshRows();
}

FieldChoiceDialog::FieldChoiceDialog(const QString& prompt, QWidget* owner) : QDialog(owner)
{
    setObjectName("FieldChoiceDialog");
    setWindowTitle(text(kChangeMapTitle));
    auto* label = new QLabel(prompt, this);
    label->setObjectName("prompt");
    m_name = new QRadioButton(text(kNameChoice), this);
    m_name->setObjectName("nameChoice");
    m_number = new QRadioButton(text(kNumberChoice), this);
    m_number->setObjectName("numberChoice");

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text(kOkText), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    QPushButton* cancel = buttons->addButton(text(kCancelText), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_name);
    layout->addWidget(m_number);
    layout->addWidget(buttons);
    centreWindow(this);
}

CsvMappingModel::Field FieldChoiceDialog::answer() const
{
    if (result() != QDialog::Accepted)
        return CsvMappingModel::Field::None;
    if (m_name->isChecked())
        return CsvMappingModel::Field::Name;
    if (m_number->isChecked())
        return CsvMappingModel::Field::Number;
    return CsvMappingModel::Field::None;
}
