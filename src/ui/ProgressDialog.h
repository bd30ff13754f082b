#pragma once

#include <QDialog>
#include <QPoint>

class QGroupBox;
class QLabel;
class QProgressBar;

// The modal, non-cancellable dialog shown while a card transfer runs: the
// operation caption, the percentage and a bar. It has no title bar and can be
// dragged by any point of its face.
class ProgressDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget* owner);

    void setCaption(const QString& caption);
    void setPercent(int percent);
    int percent() const;
    QString caption() const;

protected:
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QGroupBox* m_group = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_percentText = nullptr;
    QPoint m_dragOffset;
};
