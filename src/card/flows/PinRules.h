#pragma once

#include "shell/UserInterface.h"

#include <cstddef>
#include <string>
#include <string_view>

// The rules every secret code is held to before it may reach the card, and
// when the OK button of a PIN dialog is enabled. Every front end follows them;
// the card flows check the entries once more before they send anything.

// The four codes of a SIM.
enum class SecretKind
{
    Pin1,
    Pin2,
    Puk1,
    Puk2,
};

// PIN1 and PIN2 have 4 to 8 digits, PUK1 and PUK2 exactly 8 (GSM 11.11). A
// digit is '0' to '9'; nothing else, not even a blank, is allowed, and a code
// that is too long is refused, never cut.
inline constexpr std::size_t kPinMinDigits = 4;
inline constexpr std::size_t kPinMaxDigits = 8;
inline constexpr std::size_t kPukDigits = 8;

// Whether `code` follows the rule of its kind.
bool followsCodeRule(SecretKind kind, std::string_view code);
// The string-table id of the text that states the rule of `kind`.
int codeRuleTextId(SecretKind kind);
// 0 when `code` follows its rule, else codeRuleTextId(kind).
int codeRuleRefusal(SecretKind kind, std::string_view code);

// The first entry of a PIN dialog's answer that breaks its rule, as the id of
// the text that states the rule; 0 when every entry the card would get follows
// its rule. Only what the dialog collects is judged: the current PIN1 that
// the Change PIN dialog carries, and the new PIN after the "Enable PIN:" box
// has been cleared, are not. A confirmation is judged by being equal.
int pinEntriesRefusal(UserInterface::PinDialogKind kind, const UserInterface::PinEntries& entries);
// Asks `request` through `ui` and holds the answer to the rules: a confirmed
// answer with a code that breaks its rule is shown the rule (with `caption`
// as showCardMessage takes it) and comes back cancelled. Nothing is ever cut
// to fit the card.
UserInterface::PinAnswer askPinChecked(UserInterface& ui, const UserInterface::PinRequest& request,
                                       const std::string& caption = {});
// Which code the first edit (`code`) of a dialog holds, and which the new-PIN
// edit holds.
SecretKind codeKindOf(UserInterface::PinDialogKind kind);
SecretKind newPinKindOf(UserInterface::PinDialogKind kind);

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
