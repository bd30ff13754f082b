#pragma once

#include "card/flows/CardSession.h"
#include "card/flows/PinRules.h"

#include <string>

// The PIN2 flows. Each works on the shared connection when `sharedContext`
// and `sharedCard` are both non-zero, otherwise on a private connection of
// its own (connect_to_sim), closed again before it returns. No PIN2 or PUK2
// outlives a flow. Messages carry `caption` ("Phonara" when empty).

// Asks for PIN2 and verifies it: 1 when the card accepted it, else 0. Run by
// the FDN writer on the transfer worker; leaves the selected file as it is.
int verifyPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
               SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName);
// Verifies PIN2, then changes it. Always 0: the outcome is shown to the user.
int changePin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
               SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName);
// New PIN2 with PUK2: 1 when the card was not blocked or was unblocked, else 0.
int unblockPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
                SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName);

// The same, passing the session's connection when it is open (both handles set).
int verifyPin2(CardSession& session, UserInterface& ui);
int changePin2(CardSession& session, UserInterface& ui);
int unblockPin2(CardSession& session, UserInterface& ui);
