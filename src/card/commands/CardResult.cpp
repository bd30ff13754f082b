#include "card/commands/CardResult.h"

#include "card/transport/CardError.h"
#include "shell/Log.h"

namespace {
// SCARD_E_NO_ACCESS, "Access is denied to the file."
constexpr uint32_t kAccessDenied = 0x80100027;
constexpr const char* kErrorTag = "Error Log ";
} // namespace

uint32_t CardResult::errorCode() const
{
    if (outcome == CardOutcome::NoAnswer)
        return static_cast<uint32_t>(pcsc);
    if (sw.sw1 == 0x69 && sw.sw2 == 0x82)
        return kAccessDenied;
    return sw.value();
}

CardResult judgeAnswer(CardAnswer answer, std::span<const StatusRule> table, const char* commandTag)
{
    CardResult result;
    result.pcsc = answer.pcsc;
    if (answer.pcsc != Pcsc::kSuccess) {
        result.outcome = CardOutcome::NoAnswer;
        result.text = cardErrorText(static_cast<uint32_t>(answer.pcsc));
        if (commandTag != nullptr)
            writeLog(LogLevel::Error, (std::string(commandTag) + " SCardTransmit").c_str(), "%s",
                     "");
        logCardError(static_cast<uint32_t>(answer.pcsc));
        return result;
    }

    result.sw = answer.sw;
    result.data = std::move(answer.data);
    result.pending = answer.pending;
    writeLog(LogLevel::Info, "verify_status ", "byte1 %d byte2 %d", result.sw.sw1, result.sw.sw2);
    const StatusRule* rule = answer.shortAnswer ? nullptr : findStatusRule(table, result.sw);
    if (rule != nullptr) {
        result.outcome = rule->outcome;
        result.text = rule->text;
    } else {
        result.outcome = CardOutcome::Unknown;
        result.text = answer.shortAnswer ? "answer without a status word" : "unknown status word";
    }
    if (result.outcome == CardOutcome::WrongCode && result.sw.sw1 == 0x63 &&
        (result.sw.sw2 & 0xF0) == 0xC0)
        result.attemptsLeft = result.sw.sw2 & 0x0F;

    if (!result.ok()) {
        if (commandTag != nullptr)
            writeLog(LogLevel::Error, (std::string(commandTag) + " verify_status").c_str(), "%s",
                     "");
        writeLog(LogLevel::Error, kErrorTag, "Card answered %s: %s", result.sw.hex().c_str(),
                 result.text);
    }
    return result;
}
