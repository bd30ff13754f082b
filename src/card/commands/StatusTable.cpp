#include "card/commands/StatusTable.h"

namespace {

int nibbleOf(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return -1;
}

} // namespace

const char* outcomeName(CardOutcome outcome)
{
    switch (outcome) {
    case CardOutcome::Success:
        return "Success";
    case CardOutcome::SuccessWithInfo:
        return "SuccessWithInfo";
    case CardOutcome::WrongCode:
        return "WrongCode";
    case CardOutcome::Blocked:
        return "Blocked";
    case CardOutcome::NoSuchFile:
        return "NoSuchFile";
    case CardOutcome::RecordNotFound:
        return "RecordNotFound";
    case CardOutcome::AccessRefused:
        return "AccessRefused";
    case CardOutcome::Invalidated:
        return "Invalidated";
    case CardOutcome::MemoryProblem:
        return "MemoryProblem";
    case CardOutcome::WrongLength:
        return "WrongLength";
    case CardOutcome::WrongParameters:
        return "WrongParameters";
    case CardOutcome::NotSupported:
        return "NotSupported";
    case CardOutcome::Unknown:
        return "Unknown";
    case CardOutcome::NoAnswer:
        return "NoAnswer";
    }
    return "Unknown";
}

bool statusPatternMatches(const char* pattern, StatusWord sw)
{
    const uint16_t value = sw.value();
    for (int i = 0; i < 4; ++i) {
        const char digit = pattern[i];
        if (digit == '\0')
            return false;
        if (digit == 'x' || digit == 'X')
            continue;
        const int nibble = (value >> (12 - 4 * i)) & 0x0F;
        if (nibbleOf(digit) != nibble)
            return false;
    }
    return pattern[4] == '\0';
}

const StatusRule* findStatusRule(std::span<const StatusRule> table, StatusWord sw)
{
    for (const StatusRule& rule : table)
        if (statusPatternMatches(rule.pattern, sw))
            return &rule;
    return nullptr;
}
