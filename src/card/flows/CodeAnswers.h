#pragma once

#include "card/commands/CardCommands.h"
#include "card/commands/CardResult.h"

#include <string>

class UserInterface;

// The commands that present a secret code to the card.
enum class CodeCommand
{
    Verify,
    Change,
    Enable,
    Disable,
    Unblock, // PUK and new PIN
};

// What the card's answer to a code command means to the user. The status word
// alone does not say it: 98 08 to ENABLE means the PIN is on already, to
// DISABLE or VERIFY that it is off.
enum class CodeVerdict
{
    Accepted,
    Wrong,           // the card judged the code wrong and has attempts left
    Blocked,         // the code (for an UNBLOCK: the PUK) has no attempt left
    AlreadyEnabled,  // ENABLE of a PIN that is on
    AlreadyDisabled, // a PIN that is off: DISABLE, VERIFY or CHANGE
    NoSuchCode,      // the card has no such code
    NoAnswer,        // the command never got an answer: no status word at all
    Failed,          // any other refusal
};

CodeVerdict judgeCodeAnswer(CodeCommand command, const CardResult& result);

// A message of the string table, formatted.
struct CodeMessage
{
    int id = 0;
    std::string text;
};

// What the user is told when `code` did not get through `command`.
// `attemptsLeft` is the count after this answer (of the PUK for an UNBLOCK),
// as the caller keeps it; an answer that carries the count (63 Cx) wins.
CodeMessage codeRefusalMessage(SecretCode code, CodeCommand command, const CardResult& result,
                               int attemptsLeft);

// Shows codeRefusalMessage() with OK; `caption` as showCardMessage takes it.
void reportCodeRefusal(UserInterface& ui, SecretCode code, CodeCommand command,
                       const CardResult& result, int attemptsLeft, const std::string& caption = {});
