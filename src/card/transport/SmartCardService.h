#pragma once

#include "card/transport/PcscApi.h"

// Checks at start-up that the PC/SC daemon answers (a context can be
// established; a socket-activated pcscd starts on that request) and logs what
// was found. Starts nothing else. True when pcscd answered; start-up goes on
// whatever the result.
bool startSmartcardService(const PcscApi& api);
// The same with a binding of its own, for a start-up that has not bound PC/SC yet.
bool startSmartcardService();
