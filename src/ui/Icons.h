#pragma once

#include <QIcon>

// Icons by their resource numbers: 113 the program, 114 the PIN dialogs,
// 115-127 the toolbar and context-menu pictures, 130/132 writing/reading.
QIcon resourceIcon(int id);

// Our own picture named `name` (the message boxes' "dialog-information" ...).
QIcon namedIcon(const char* name);
