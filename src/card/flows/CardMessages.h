#pragma once

#include "shell/UserInterface.h"

#include <string>

// String-table ids of the texts the card flows show.
namespace CardText {
inline constexpr int WrongPinBlocked = 7;
inline constexpr int Unblocked = 19;
inline constexpr int PinEnabled = 21;
inline constexpr int PinRemainedDisabled = 22;
inline constexpr int PinDisabled = 23;
inline constexpr int PinNotDisabled = 24;
inline constexpr int NoSmartCardComponents = 28;
inline constexpr int BlockedFinally = 32;
inline constexpr int Blocked = 33;
inline constexpr int DeviceError = 34;
inline constexpr int NotBlocked = 37;
inline constexpr int UnblockError = 43;
inline constexpr int PukLabel = 55;
inline constexpr int PinTitle = 57;
inline constexpr int PinGroup = 58;
inline constexpr int PinTooLong = 59;
inline constexpr int UnblockSimTitle = 72;
inline constexpr int NoSimFound = 126;
inline constexpr int CardBusy = 824; // "The SIM Card is in use by another program."
inline constexpr int DeviceLabel = 158;
inline constexpr int EnterPin2Text = 159;
inline constexpr int EnterPin2Label = 160;
inline constexpr int EnterPin2Title = 161;
inline constexpr int ChangePin2Title = 162;
inline constexpr int ConfirmPin2Label = 163;
inline constexpr int ChangePin2Text = 164;
inline constexpr int UnblockPin2Text = 165;
inline constexpr int EnterPuk2Label = 166;
// The code rules, the card's answers to secret codes, and the attempts left.
inline constexpr int Pin1Rule = 400;
inline constexpr int Pin2Rule = 401;
inline constexpr int Puk1Rule = 402;
inline constexpr int Puk2Rule = 403;
inline constexpr int CodeNotSet = 404;
inline constexpr int WrongPinAttempts = 405;
inline constexpr int WrongPin2Attempts = 406;
inline constexpr int Pin2Blocked = 407;
inline constexpr int AlreadyEnabled = 408;
inline constexpr int AlreadyDisabled = 409;
inline constexpr int NoPin1 = 410;
inline constexpr int NoPin2 = 411;
inline constexpr int LastAttempt = 412;
inline constexpr int LastPukAttempt = 413;
inline constexpr int PukAttemptsRemaining = 414;
inline constexpr int NoAnswer = 415;
inline constexpr int Pin1AttemptsLabel = 416;
inline constexpr int Puk1AttemptsLabel = 417;
inline constexpr int Pin2AttemptsLabel = 418;
inline constexpr int Puk2AttemptsLabel = 419;
inline constexpr int ConfirmPinLabel = 2101;
inline constexpr int EnablePinLabel = 2103;
inline constexpr int PinLabel = 2110;
inline constexpr int ChangePinTitle = 2317;
inline constexpr int UnknownProvider = 2328;
inline constexpr int AttemptsRemaining = 2410;
inline constexpr int PinChanged = 2411;
inline constexpr int ChangePinError = 2501;
inline constexpr int WrongPin = 2504;
inline constexpr int NoReaders = 2521;
inline constexpr int PinMismatch = 2526;
} // namespace CardText

// Text `id` of the string table, formatted printf-style with one number when
// the text has a field for it.
std::string cardText(int id);
std::string cardText(int id, int value);
std::string cardTextHex(int id, unsigned value);

// Shows the message box of text `id` (already formatted in `text`, or loaded
// when empty) with OK. The card flows' boxes carry the program's caption.
void showCardMessage(UserInterface& ui, int id, std::string text = {},
                     UserInterface::Icon icon = UserInterface::Icon::Information,
                     const std::string& caption = {});
