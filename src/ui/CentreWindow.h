#pragma once

class QWidget;

// Centres `window` on its parent, or on the screen when it has no parent or
// `onDesktop` is set, keeping it inside the screen.
void centreWindow(QWidget* window, bool onDesktop = false);
