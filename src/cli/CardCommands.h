#pragma once

#include "card/transport/PcscApi.h"
#include "cli/CliOptions.h"

#include <iosfwd>

class TerminalUserInterface;

// The card commands of phonara-cli. Each opens what it needs of the card
// through `api`, ends the connection before it returns, and returns the exit
// status: 0 done, 1 failed (the reason has been shown), 2 wrong usage; a
// write whose input file had lines left out gives kExitSkipped when done.

// Lists the readers on `out`, one name a line.
int runReadersCommand(const PcscApi& api, TerminalUserInterface& ui, std::ostream& out);
// Reads the card and prints the SIM information on `out`.
int runInfoCommand(const PcscApi& api, TerminalUserInterface& ui, std::ostream& out);
// Reads the card's books and saves them to options.output.
int runReadCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui);
// Loads options.input and writes it to the card in options.writeMode.
// With --dry-run the plan goes to `out`, record by record.
int runWriteCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui,
                    std::ostream& out);
// Changes, enables, disables or unblocks PIN1, or changes or unblocks PIN2.
int runPinCommand(const PcscApi& api, const CliOptions& options, TerminalUserInterface& ui);
