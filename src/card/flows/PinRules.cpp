#include "card/flows/PinRules.h"

#include "card/flows/CardMessages.h"

#include <algorithm>

namespace {
using Kind = UserInterface::PinDialogKind;

bool isPin2Dialog(Kind kind)
{
    return kind == Kind::EnterPin2 || kind == Kind::ChangePin2 || kind == Kind::UnblockPin2;
}
} // namespace

bool followsCodeRule(SecretKind kind, std::string_view code)
{
    if (!isDigits(code))
        return false;
    if (kind == SecretKind::Puk1 || kind == SecretKind::Puk2)
        return code.size() == kPukDigits;
    return code.size() >= kPinMinDigits && code.size() <= kPinMaxDigits;
}

int codeRuleTextId(SecretKind kind)
{
    switch (kind) {
    case SecretKind::Pin1:
        return CardText::Pin1Rule;
    case SecretKind::Pin2:
        return CardText::Pin2Rule;
    case SecretKind::Puk1:
        return CardText::Puk1Rule;
    case SecretKind::Puk2:
        return CardText::Puk2Rule;
    }
    return CardText::Pin1Rule;
}

int codeRuleRefusal(SecretKind kind, std::string_view code)
{
    return followsCodeRule(kind, code) ? 0 : codeRuleTextId(kind);
}

SecretKind codeKindOf(Kind kind)
{
    switch (kind) {
    case Kind::UnblockPin1:
        return SecretKind::Puk1;
    case Kind::UnblockPin2:
        return SecretKind::Puk2;
    default:
        return isPin2Dialog(kind) ? SecretKind::Pin2 : SecretKind::Pin1;
    }
}

SecretKind newPinKindOf(Kind kind)
{
    return isPin2Dialog(kind) ? SecretKind::Pin2 : SecretKind::Pin1;
}

int pinEntriesRefusal(Kind kind, const UserInterface::PinEntries& entries)
{
    switch (kind) {
    case Kind::EnterPin1:
    case Kind::EnterPin2:
        return codeRuleRefusal(codeKindOf(kind), std::string_view(entries.code));
    case Kind::ChangePin1:
        return entries.pinEnabled
                   ? codeRuleRefusal(newPinKindOf(kind), std::string_view(entries.newPin))
                   : 0;
    case Kind::ChangePin2:
        return codeRuleRefusal(newPinKindOf(kind), std::string_view(entries.newPin));
    case Kind::UnblockPin1:
    case Kind::UnblockPin2:
        if (const int refusal = codeRuleRefusal(codeKindOf(kind), std::string_view(entries.code)))
            return refusal;
        return codeRuleRefusal(newPinKindOf(kind), std::string_view(entries.newPin));
    }
    return 0;
}

UserInterface::PinAnswer askPinChecked(UserInterface& ui, const UserInterface::PinRequest& request,
                                       const std::string& caption)
{
    UserInterface::PinAnswer answer = ui.askPin(request);
    if (!answer.confirmed)
        return answer;
    if (const int refusal = pinEntriesRefusal(request.kind, answer.entries)) {
        showCardMessage(ui, refusal, {}, UserInterface::Icon::Warning, caption);
        answer.confirmed = false;
    }
    return answer;
}

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
