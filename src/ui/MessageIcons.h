#pragma once

#include <QMessageBox>

// Message boxes get their icon drawn from a vector picture at the screen's
// pixel ratio, so it stays sharp on a 2x screen: the desktop theme's dialog
// icon where the theme has one, ours otherwise. QMessageBox::icon() then
// reads NoIcon; messageIconOf() tells which icon the box shows.
void setMessageIcon(QMessageBox& box, QMessageBox::Icon icon);
QMessageBox::Icon messageIconOf(const QMessageBox& box);
