#include "VCardOptionsDialog.h"

#include "shell/Strings.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString text(int id)
{
    return QString::fromStdString(resString(id));
}

// String ids of each kind: title, question, first and second answer.
struct Texts
{
    int title, question, first, second;
};
constexpr Texts kImportTexts{774, 775, 776, 777};
constexpr Texts kExportTexts{778, 779, 780, 781};

} // namespace

VCardOptionsDialog::VCardOptionsDialog(Kind kind, QWidget* parent) : QDialog(parent)
{
    const Texts& texts = kind == Kind::Import ? kImportTexts : kExportTexts;
    setObjectName(kind == Kind::Import ? "VCardImportDialog" : "VCardExportDialog");
    setWindowTitle(text(texts.title));

    auto* layout = new QVBoxLayout(this);
    auto* question = new QLabel(text(texts.question), this);
    question->setWordWrap(true);
    layout->addWidget(question);
    m_first = new QRadioButton(text(texts.first), this);
    m_first->setObjectName("firstChoice");
    m_second = new QRadioButton(text(texts.second), this);
    m_second->setObjectName("secondChoice");
    auto* group = new QButtonGroup(this);
    group->addButton(m_first);
    group->addButton(m_second);
    m_first->setChecked(true);
    layout->addWidget(m_first);
    layout->addWidget(m_second);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(text(2010));
    buttons->button(QDialogButtonBox::Cancel)->setText(text(2002));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

VCardNumbers VCardOptionsDialog::numbers() const
{
    return m_second->isChecked() ? VCardNumbers::EntryPerNumber : VCardNumbers::PreferredOnly;
}

VCardVersion VCardOptionsDialog::version() const
{
    return m_second->isChecked() ? VCardVersion::V30 : VCardVersion::V40;
}
