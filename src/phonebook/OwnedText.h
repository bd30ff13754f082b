#pragma once

// The wiped text buffer lives with the user interface's secret entries in shell.
#include "shell/OwnedText.h"
