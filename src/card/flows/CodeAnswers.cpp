#include "card/flows/CodeAnswers.h"

#include "card/commands/StatusTable.h"
#include "card/flows/CardMessages.h"

#include <optional>

namespace {

// Refusals that the outcome of the command set's table does not tell apart.
// First match wins; no command: any command.
struct AnswerRule
{
    const char* pattern;
    std::optional<CodeCommand> command;
    CodeVerdict verdict;
};

constexpr AnswerRule kAnswerRules[] = {
    {"9802", std::nullopt, CodeVerdict::NoSuchCode}, // SIM: no CHV initialised
    {"6A88", std::nullopt, CodeVerdict::NoSuchCode}, // UICC: referenced data not found
    // SIM: in contradiction with the CHV status
    {"9808", CodeCommand::Enable, CodeVerdict::AlreadyEnabled},
    {"9808", std::nullopt, CodeVerdict::AlreadyDisabled},
    // UICC: conditions of use not satisfied (ENABLE of a PIN that is on)
    {"6985", CodeCommand::Enable, CodeVerdict::AlreadyEnabled},
    // UICC: the PIN is switched off (DISABLE, VERIFY or CHANGE of it)
    {"6984", std::nullopt, CodeVerdict::AlreadyDisabled},
};

// The texts of each verdict: for PIN1, for PIN2, and for an UNBLOCK, which
// is about the PUK (PUK1 and PUK2 alike).
struct Wording
{
    CodeVerdict verdict;
    int pin1Id;
    int pin2Id;
    int unblockId;
};

constexpr Wording kWordings[] = {
    {CodeVerdict::Wrong, CardText::WrongPinAttempts, CardText::WrongPin2Attempts,
     CardText::UnblockError},
    {CodeVerdict::Blocked, CardText::WrongPinBlocked, CardText::Pin2Blocked,
     CardText::BlockedFinally},
    {CodeVerdict::AlreadyEnabled, CardText::AlreadyEnabled, CardText::AlreadyEnabled,
     CardText::AlreadyEnabled},
    {CodeVerdict::AlreadyDisabled, CardText::AlreadyDisabled, CardText::AlreadyDisabled,
     CardText::AlreadyDisabled},
    {CodeVerdict::NoSuchCode, CardText::NoPin1, CardText::NoPin2, 0},
    {CodeVerdict::NoAnswer, CardText::NoAnswer, CardText::NoAnswer, CardText::NoAnswer},
};

// Any other refusal: the Change PIN dialog's own texts where it has them,
// else the device error with the status word.
int failedTextId(CodeCommand command)
{
    switch (command) {
    case CodeCommand::Change:
        return CardText::ChangePinError;
    case CodeCommand::Enable:
        return CardText::PinRemainedDisabled;
    case CodeCommand::Disable:
        return CardText::PinNotDisabled;
    case CodeCommand::Verify:
    case CodeCommand::Unblock:
        break;
    }
    return CardText::DeviceError;
}

} // namespace

CodeVerdict judgeCodeAnswer(CodeCommand command, const CardResult& result)
{
    if (!result.answered())
        return CodeVerdict::NoAnswer;
    if (result.ok())
        return CodeVerdict::Accepted;
    if (result.outcome == CardOutcome::Blocked)
        return CodeVerdict::Blocked;
    if (result.outcome == CardOutcome::WrongCode)
        return result.attemptsLeft == 0 ? CodeVerdict::Blocked : CodeVerdict::Wrong;
    for (const AnswerRule& rule : kAnswerRules) {
        if ((!rule.command || *rule.command == command) &&
            statusPatternMatches(rule.pattern, result.sw))
            return rule.verdict;
    }
    return CodeVerdict::Failed;
}

CodeMessage codeRefusalMessage(SecretCode code, CodeCommand command, const CardResult& result,
                               int attemptsLeft)
{
    CodeVerdict verdict = judgeCodeAnswer(command, result);
    const int left = result.attemptsLeft >= 0 ? result.attemptsLeft : attemptsLeft;
    if (verdict == CodeVerdict::Wrong && left == 0)
        verdict = CodeVerdict::Blocked;
    // No code to unblock is no code at all.
    const bool unblock = command == CodeCommand::Unblock && verdict != CodeVerdict::NoSuchCode;

    CodeMessage message;
    for (const Wording& wording : kWordings) {
        if (wording.verdict == verdict)
            message.id = unblock                    ? wording.unblockId
                         : code == SecretCode::Pin2 ? wording.pin2Id
                                                    : wording.pin1Id;
    }
    if (message.id == 0) {
        message.id = failedTextId(command);
        message.text = message.id == CardText::DeviceError
                           ? cardTextHex(message.id, result.errorCode())
                           : cardText(message.id);
        return message;
    }
    switch (verdict) {
    case CodeVerdict::Wrong:
        if (left < 0) { // the count is not known: say only that the code was wrong
            message.id = unblock ? CardText::DeviceError : CardText::WrongPin;
            message.text =
                unblock ? cardTextHex(message.id, result.errorCode()) : cardText(message.id);
        } else {
            message.text = cardText(message.id, left);
        }
        break;
    case CodeVerdict::NoAnswer:
        message.text = cardTextHex(message.id, result.errorCode());
        break;
    default:
        message.text = cardText(message.id);
        break;
    }
    return message;
}

void reportCodeRefusal(UserInterface& ui, SecretCode code, CodeCommand command,
                       const CardResult& result, int attemptsLeft, const std::string& caption)
{
    CodeMessage message = codeRefusalMessage(code, command, result, attemptsLeft);
    showCardMessage(ui, message.id, std::move(message.text), UserInterface::Icon::Information,
                    caption);
}
