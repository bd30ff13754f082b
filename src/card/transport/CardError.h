#pragma once

#include <cstdint>

// The text of a PC/SC result code; "Unknown error!" for a code it does not know.
const char* cardErrorText(uint32_t code);

// Writes the text of `code` to the log at level 1, followed by the thread's
// error value as it stood on entry. lastError() is left as it was.
void logCardError(uint32_t code);
