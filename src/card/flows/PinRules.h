#pragma once

#include <string_view>

// When the OK button of a PIN dialog is enabled. The dialogs of every front
// end follow these rules; the card flows judge the entries themselves.

// false for an absent text, true for an empty one, else whether every
// character is '0' to '9'.
bool isDigits(const char* text);
bool isDigits(std::string_view text);

// Enter PIN (PIN1, after the first change of the edit): the PIN is not empty.
// OK starts enabled.
bool pinEntryOkEnabled(std::string_view pin);
// Change PIN (PIN1): both edits hold text, and the "Enable PIN:" box is ticked.
// OK is enabled as well when the box has just been cleared.
bool changePinOkEnabled(std::string_view newPin, std::string_view confirmPin, bool pinEnabled);
// Change PIN2: the new PIN2 is digits only, not empty and equals its
// confirmation. OK starts enabled.
bool changePin2OkEnabled(std::string_view newPin, std::string_view confirmPin);
// Unblock PIN2: as Change PIN2, and the PUK2 is not empty. OK starts enabled.
bool unblockPin2OkEnabled(std::string_view puk, std::string_view newPin,
                          std::string_view confirmPin);
