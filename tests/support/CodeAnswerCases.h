#pragma once

#include <cstdint>

// What the user is told when the card answers a secret-code command, one row
// a case: the desktop flows (message id and text) and phonara-cli (the same
// words on standard error, and the exit status) are both checked against it.
// The words are the string table's.
struct CodeAnswerCase
{
    const char* name;
    const char* profile; // a card of tests/data/cards
    const char* action;  // "change", "enable", "disable" or "unblock", as phonara-cli pin takes it
    int chv;             // 1 or 2
    const char* code;    // the PIN, or for "unblock" the PUK
    // The card answers `faultSw` to commands starting with these bytes (hex),
    // or, with faultSw 0, leaves the reader instead of answering. "": no fault.
    const char* faultCommand;
    uint16_t faultSw;
    int messageId;
    const char* message;
    int exitStatus;
};

// The PINs and PUKs of the cards: PIN1 1234, PUK1 12345678, PIN2 5678, PUK2 87654321.
// A new PIN is always 4321.
inline constexpr CodeAnswerCase kCodeAnswerCases[] = {
    {"PIN1 changed", "typical", "change", 1, "1234", "", 0, 2411, "PIN is changed successfully!",
     0},
    {"wrong PIN1, 2 left", "typical", "change", 1, "9999", "", 0, 405,
     "The PIN you entered is incorrect!\nThere are 2 attempts remaining.", 1},
    {"wrong PIN1 on its last try", "tries-1", "change", 1, "9999", "", 0, 7,
     "Wrong PIN!\nSIM Card is blocked. Use PUK to unblock it.", 1},
    {"wrong PIN2, 2 left", "typical", "change", 2, "9999", "", 0, 406,
     "The PIN2 you entered is incorrect!\nThere are 2 attempts remaining.", 1},
    {"PIN2 blocked (98 40)", "typical", "change", 2, "5678", "A0 20 00 02", 0x9840, 407,
     "PIN2 is blocked!\nUse PUK2 to unblock it.", 1},
    {"PIN1 already enabled (98 08)", "pin1-disabled", "enable", 1, "1234", "A0 28", 0x9808, 408,
     "PIN is already enabled.", 1},
    {"PIN1 already disabled (98 08)", "typical", "disable", 1, "1234", "A0 26", 0x9808, 409,
     "PIN is already disabled.", 1},
    {"no PIN1 (98 02)", "typical", "change", 1, "1234", "A0 20 00 01", 0x9802, 410,
     "This SIM Card has no PIN.", 1},
    {"no PIN2 (98 02)", "typical", "change", 2, "5678", "A0 20 00 02", 0x9802, 411,
     "This SIM Card has no PIN2.", 1},
    {"wrong PUK1", "pin1-blocked", "unblock", 1, "11112222", "", 0, 43,
     "SIM Card unblock error!\nThere are 9 attempts remaining.", 1},
    {"wrong PUK2 on its last try", "pin2-blocked-puk2-1", "unblock", 2, "11112222", "", 0, 32,
     "SIM Card blocked finally!", 1},
    {"change refused (6F 00)", "typical", "change", 1, "1234", "A0 24", 0x6F00, 2501,
     "An error occurred while changing PIN!", 1},
    {"unblock refused (6F 00)", "pin1-blocked", "unblock", 1, "12345678", "A0 2C", 0x6F00, 34,
     "Device error: 00006F00 Check your SIM Card.", 1},
    {"no answer to VERIFY PIN1", "typical", "change", 1, "1234", "A0 20", 0, 415,
     "The SIM Card did not answer (error 80100069).\nCheck that it is in the reader.", 1},
    {"no answer to CHANGE PIN2", "typical", "change", 2, "5678", "A0 24", 0, 415,
     "The SIM Card did not answer (error 80100069).\nCheck that it is in the reader.", 1},
    {"no answer to UNBLOCK PIN1", "pin1-blocked", "unblock", 1, "12345678", "A0 2C", 0, 415,
     "The SIM Card did not answer (error 80100069).\nCheck that it is in the reader.", 1},
    {"no answer to PIN2's counters", "typical", "unblock", 2, "87654321", "A0 A4 00 00 02 3F 00", 0,
     415, "The SIM Card did not answer (error 80100069).\nCheck that it is in the reader.", 1},
};
