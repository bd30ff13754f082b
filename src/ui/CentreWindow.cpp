#include "CentreWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreWindow(QWidget* window, bool onDesktop)
{
    if (!window)
        return;
    // A window given its size keeps it; others take the size their layout asks for.
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = parent ? parent->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect reference = (parent && !onDesktop) ? parent->frameGeometry() : screenRect;
    const QSize size = window->frameGeometry().size();

    int x = reference.left() + (reference.width() - size.width()) / 2;
    int y = reference.top() + (reference.height() - size.height()) / 2;
    x = qMax(x, 0);
    y = qMax(y, 0);
    if (x + size.width() > screenRect.right() + 1)
        x = qMax(screenRect.right() + 1 - size.width(), 0);
    if (y + size.height() > screenRect.bottom() + 1)
        y = qMax(screenRect.bottom() + 1 - size.height(), 0);
    window->move(x, y);
}
