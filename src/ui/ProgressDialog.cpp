#include "ProgressDialog.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
// The dialog is slightly see-through, like the rest of the program's transfer UI.
constexpr double kOpacity = 205.0 / 255.0;
} // namespace

ProgressDialog::ProgressDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName("ProgressDialog");
    setModal(true);
    setWindowOpacity(kOpacity);

    m_group = new QGroupBox(this);
    m_bar = new QProgressBar(m_group);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_percentText = new QLabel(QStringLiteral("0%"), m_group);
    m_percentText->setObjectName("percent");
    m_percentText->setMinimumWidth(m_percentText->fontMetrics().horizontalAdvance("100%") + 4);
    m_percentText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* row = new QHBoxLayout(m_group);
    row->addWidget(m_bar, 1);
    row->addWidget(m_percentText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    setMinimumWidth(320);
}

void ProgressDialog::setCaption(const QString& caption)
{
    m_group->setTitle(caption);
}

QString ProgressDialog::caption() const
{
    return m_group->title();
}

void ProgressDialog::setPercent(int percent)
{
    percent = qBound(0, percent, 100);
    m_bar->setValue(percent);
    m_percentText->setText(QString::number(percent) + QLatin1Char('%'));
}

int ProgressDialog::percent() const
{
    return m_bar->value();
}

// A transfer cannot be cancelled: the dialog ends only when the work ends.
void ProgressDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void ProgressDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    QDialog::mousePressEvent(event);
}

void ProgressDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - m_dragOffset);
    QDialog::mouseMoveEvent(event);
}
