#pragma once

#include "card/transport/StatusWord.h"

#include <span>

// What a command's answer means to the program, whatever the card kind.
enum class CardOutcome
{
    Success,
    SuccessWithInfo, // done, and the card has something more to say (91 xx, 92 0x)
    WrongCode,       // secret code refused (or access condition not met), attempts left
    Blocked,         // secret code blocked: no attempt left
    NoSuchFile,      // file id not found, or no file selected
    RecordNotFound,  // record number or offset out of range
    AccessRefused,   // security status not satisfied, or against the code's state
    Invalidated,     // the file is invalidated
    MemoryProblem,   // the card could not write its memory
    WrongLength,     // Le or Lc the card does not accept
    WrongParameters, // P1/P2 or the file type do not fit the command
    NotSupported,    // instruction or class the card does not know
    Unknown,         // a status word no table row names
    NoAnswer,        // the transmit itself failed: no status word at all
};

// A readable name of the outcome for traces and test failures ("WrongCode").
const char* outcomeName(CardOutcome outcome);

// One row of a command set's status-word table. The pattern is four hex
// digits, each of which may be 'x' for any nibble: "9000", "63Cx", "9Fxx".
struct StatusRule
{
    const char* pattern;
    CardOutcome outcome;
    const char* text;
};

// The first row whose pattern matches `sw`, or nullptr.
const StatusRule* findStatusRule(std::span<const StatusRule> table, StatusWord sw);
// Whether `pattern` (four digits, 'x' any nibble) matches `sw`.
bool statusPatternMatches(const char* pattern, StatusWord sw);
