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

// The command set for a connection of its own (the PIN2 flows without the
// shared one): the card's kind is learnt as above. On a UICC the USIM
// application is selected, as PIN2 belongs to it. Leaves MF selected.
std::unique_ptr<CardCommands> commandsForConnection(const PcscApi& api, SCARDHANDLE card,
                                                    const CardTransport& transport);
