#pragma once

#include "card/transport/PcscApi.h"
#include "cli/TerminalUserInterface.h"

#include <iosfwd>
#include <string>
#include <vector>

// Where phonara-cli talks to: its streams, the terminal, and PC/SC.
struct CliEnvironment
{
    std::ostream& out;
    std::ostream& err;
    // Codes and answers may be asked (standard input is a terminal).
    bool interactive = false;
    // Standard error is a terminal: card transfers show a progress line.
    bool progress = false;
    // The PC/SC table to use; null binds the PC/SC client library.
    const PcscApi* pcsc = nullptr;
    TerminalUserInterface::SecretPrompt secretPrompt = promptSecret;
    TerminalUserInterface::LinePrompt linePrompt = promptLine;
};

// Exit status of a command that did its work but left lines of its input
// file out (the import's summary says which).
inline constexpr int kExitSkipped = 3;

// Runs one command line (the arguments after the program name) and returns
// the exit status: 0 done, 1 failed, 2 wrong usage, kExitSkipped done with
// something of the input left out.
int runPhonaraCli(const std::vector<std::string>& arguments, CliEnvironment& environment);
