#pragma once

#include "card/flows/CardSession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line of phonara-cli: one subcommand, its operands and options.
// Secrets never come from here, only the names of the files that hold them.

enum class CliCommand
{
    None,
    Readers,
    Info,
    Read,
    Write,
    Pin,
    Convert,
};

enum class PinAction
{
    Change,
    Enable,
    Disable,
    Unblock,
};

struct CliOptions
{
    CliCommand command = CliCommand::None;
    bool help = false;    // --help: the command's (or the program's) help
    bool version = false; // --version
    std::string input;    // read: OUT goes to output; write: IN; convert: IN
    std::string output;
    std::string reader; // --reader; empty: the first reader holding a SIM
    std::string pinFile;
    std::string pin2File;
    std::string newPinFile;
    std::string pukFile;
    std::optional<WriteMode> writeMode; // empty until --mode is given
    std::string selectList;             // --select, as typed
    bool assumeYes = false;             // --yes
    bool dryRun = false;                // --dry-run: list what a write would change, write nothing
    bool partial = false;               // --partial: write the contacts that fit when not all do
    bool noBackup = false;              // --no-backup: no backup of the card's books before a write
    // --allow-last-attempt: a code from a file may use up the card's last attempt
    bool allowLastAttempt = false;
    PinAction pinAction = PinAction::Change;
    int chv = 1;                 // --chv
    // --name-field, --number-field; without them the columns the CSV header
    // names, else 0 and 1.
    std::optional<unsigned> nameField;
    std::optional<unsigned> numberField;
    bool entryPerNumber = false; // --numbers each: vCard input, one entry per number
    bool vCard30 = false;        // --vcard-version 3.0: vCard output
};

struct CliParseResult
{
    bool ok = false;
    CliOptions options;
    std::string error; // why the line is wrong (ok false)
};

// Parses the arguments after the program name. Options take their value as
// the next argument or after '='; "--" ends the options.
CliParseResult parseCliArguments(const std::vector<std::string>& arguments);

// The help text of a command (CliCommand::None: the program's overview).
std::string cliHelp(CliCommand command);
// The one-line usage of a command, for error messages.
std::string cliUsage(CliCommand command);
// The command named `name` on the command line, or None.
CliCommand cliCommandByName(std::string_view name);

// --select: 1-based places of contacts ("2,5-7") for a book of `count`
// contacts, as 0-based rows in ascending order without repeats. false with
// `error` set when the list is malformed or names a place outside the book.
bool parseSelection(std::string_view list, uint32_t count, std::vector<uint32_t>& rows,
                    std::string& error);
