#pragma once

#include "card/flows/CardSession.h"

// Learns what kind of card the new connection holds (a GSM SIM or a UICC)
// and gives the session the command set for it. Every connect sequence runs
// this first; nothing after it asks about the card kind again.
void chooseCommandSet(CardSession& session);

// On a UICC, looks for the USIM phone book: DF PHONEBOOK with EF PBR under
// ADF USIM (the local book), else under DF TELECOM (the global book). Notes
// whether EF ADN is there as well. True: EF PBR is left selected and
// session.phoneBookPlace names the book; false: the card's phone book is EF ADN.
bool locateUsimPhoneBook(CardSession& session);
