#pragma once

#include "shell/UserInterface.h"

#include <string>

// String-table ids of the texts the card flows show.
namespace CardText {
enum Id : int
{
    WrongPinBlocked = 7,
    Unblocked = 19,
    PinEnabled = 21,
    PinRemainedDisabled = 22,
    PinDisabled = 23,
    PinNotDisabled = 24,
    NoSmartCardComponents = 28,
    BlockedFinally = 32,
    Blocked = 33,
    DeviceError = 34,
    NotBlocked = 37,
    UnblockError = 43,
    PukLabel = 55,
    PinTitle = 57,
    PinGroup = 58,
    PinTooLong = 59,
    UnblockSimTitle = 72,
    NoSimFound = 126,
    CardBusy = 824, // "The SIM Card is in use by another program."
    DeviceLabel = 158,
    EnterPin2Text = 159,
    EnterPin2Label = 160,
    EnterPin2Title = 161,
    ChangePin2Title = 162,
    ConfirmPin2Label = 163,
    ChangePin2Text = 164,
    UnblockPin2Text = 165,
    EnterPuk2Label = 166,
    // The code rules, the card's answers to secret codes, and the attempts left.
    Pin1Rule = 400,
    Pin2Rule = 401,
    Puk1Rule = 402,
    Puk2Rule = 403,
    CodeNotSet = 404,
    WrongPinAttempts = 405,
    WrongPin2Attempts = 406,
    Pin2Blocked = 407,
    AlreadyEnabled = 408,
    AlreadyDisabled = 409,
    NoPin1 = 410,
    NoPin2 = 411,
    LastAttempt = 412,
    LastPukAttempt = 413,
    PukAttemptsRemaining = 414,
    NoAnswer = 415,
    Pin1AttemptsLabel = 416,
    Puk1AttemptsLabel = 417,
    Pin2AttemptsLabel = 418,
    Puk2AttemptsLabel = 419,
    ConfirmPinLabel = 2101,
    EnablePinLabel = 2103,
    PinLabel = 2110,
    ChangePinTitle = 2317,
    UnknownProvider = 2328,
    AttemptsRemaining = 2410,
    PinChanged = 2411,
    ChangePinError = 2501,
    WrongPin = 2504,
    NoReaders = 2521,
    PinMismatch = 2526,
};
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
