#include "card/flows/PinRules.h"

#include <algorithm>

bool isDigits(const char* text)
{
    return text != nullptr && isDigits(std::string_view(text));
}

bool isDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool pinEntryOkEnabled(std::string_view pin)
{
    return !pin.empty();
}

bool changePinOkEnabled(std::string_view newPin, std::string_view confirmPin, bool pinEnabled)
{
    return pinEnabled && !newPin.empty() && !confirmPin.empty();
}

bool changePin2OkEnabled(std::string_view newPin, std::string_view confirmPin)
{
    return newPin == confirmPin && !newPin.empty() && isDigits(newPin);
}

bool unblockPin2OkEnabled(std::string_view puk, std::string_view newPin,
                          std::string_view confirmPin)
{
    return changePin2OkEnabled(newPin, confirmPin) && !puk.empty();
}
