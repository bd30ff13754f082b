#pragma once

#include "card/flows/CardSession.h"

enum class PinDialogResult
{
    Confirmed,
    Cancelled
};

// Asks for PIN1, showing the tries left. Confirmed: the PIN, held to its
// rule, is in cachedPin1 and the book counts as the card's. Cancelled (also a
// PIN that breaks the rule):
// cachedPin1 is emptied (and a file's card connection ended). A blocked PIN1
// is only reported, with the result Confirmed.
PinDialogResult pinDialog(CardSession& session, CardHost& host);

// The Change PIN command: on the open card book when there is one, otherwise
// through change_pin1 on a connection of its own.
void changePinCommand(CardSession& session, CardHost& host);
// Change, enable or disable PIN1 on a fresh connection, which it ends.
bool changePin1(CardSession& session, CardHost& host);
// The Change PIN dialog on the open connection, cachedPin1 holding the PIN.
void changePinDialog(CardSession& session, CardHost& host);

// The Unblock PIN command: new PIN1 with PUK1, on a fresh connection it ends.
bool unblockPin1(CardSession& session, CardHost& host);
// The Unblock SIM dialog on the open connection.
void unblockSimDialog(CardSession& session, CardHost& host);

// Tells the user why the card did not take a PIN1 (CodeAnswers.h): wrong with
// the attempts left, blocked, switched off, no answer... "Wrong" only when
// the card judged the code. Call it after notePin1Verify has counted the try.
void reportPin1Refusal(const CardSession& session, CardHost& host, const CardResult& verify);

// Counts a refused PIN1 in chv1Status.
void countRefusedPin1(CardSession& session);
