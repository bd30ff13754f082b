#pragma once

#include "card/flows/PinRules.h"

// The code rules as the user meets them, one row a case. The desktop dialogs
// and the phonara-cli code files are both checked against this one table.
struct CodeRuleCase
{
    const char* name;
    SecretKind kind;
    const char* code; // UTF-8
    bool accepted;
};

inline constexpr CodeRuleCase kCodeRuleCases[] = {
    {"PIN1 of 4 digits", SecretKind::Pin1, "1234", true},
    {"PIN1 of 8 digits", SecretKind::Pin1, "12345678", true},
    {"PIN1 of 3 digits", SecretKind::Pin1, "123", false},
    {"PIN1 of 9 digits", SecretKind::Pin1, "123456789", false},
    {"PIN1 with a letter", SecretKind::Pin1, "12a4", false},
    {"PIN1 with a blank at the end", SecretKind::Pin1, "1234 ", false},
    {"PIN1 with an Arabic-Indic digit", SecretKind::Pin1, "12\u06634", false},
    {"PIN2 of 6 digits", SecretKind::Pin2, "123456", true},
    {"PIN2 of 2 digits", SecretKind::Pin2, "12", false},
    {"PIN2 of letters", SecretKind::Pin2, "abcdefgh", false},
    {"PUK1 of 8 digits", SecretKind::Puk1, "12345678", true},
    {"PUK1 of 7 digits", SecretKind::Puk1, "1234567", false},
    {"PUK1 of 9 digits", SecretKind::Puk1, "123456789", false},
    {"PUK2 of 8 digits", SecretKind::Puk2, "87654321", true},
    {"PUK2 with a sign", SecretKind::Puk2, "+7654321", false},
};

// What the refusal says, in words a user reads: the rule of the code's kind.
inline const char* codeRuleWords(SecretKind kind)
{
    switch (kind) {
    case SecretKind::Pin1:
        return "The PIN must have 4 to 8 digits (0 to 9) and nothing else.";
    case SecretKind::Pin2:
        return "PIN2 must have 4 to 8 digits (0 to 9) and nothing else.";
    case SecretKind::Puk1:
        return "The PUK must have exactly 8 digits (0 to 9).";
    case SecretKind::Puk2:
        return "PUK2 must have exactly 8 digits (0 to 9).";
    }
    return "";
}
