#include "cli/CliMain.h"

#include "card/flows/CardMessages.h"
#include "card/flows/PinRules.h"
#include "cli/BookFiles.h"
#include "cli/CardCommands.h"
#include "cli/CliOptions.h"
#include "cli/ReaderFilter.h"
#include "files/FileIo.h"
#include "files/ImportReport.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "shell/Strings.h"

#include <ostream>

#ifndef PHONARA_VERSION
#define PHONARA_VERSION "unknown"
#endif

namespace {

constexpr int kNoSmartCardComponents = 28;
constexpr int kNoReaders = 2521;
// Shown when the PC/SC client library cannot be used, as the program says it.
constexpr const char* kNoPcscService = "Error connecting to smart card service, please check if "
                                       "this service was started, and work propely!";

int usageError(CliEnvironment& environment, CliCommand command, const std::string& error)
{
    environment.err << "phonara-cli: " << error << '\n' << cliUsage(command) << std::flush;
    return 2;
}

struct SecretFile
{
    const std::string& path;
    TerminalUserInterface::SecretRole role;
    SecretKind kind;
    const char* option;
};

// Reads the codes named on the command line before any card work starts, and
// holds each to its rule: a code the card would refuse, or that would have
// to be cut, is refused here, before the card is even looked for.
int loadSecrets(const CliOptions& options, TerminalUserInterface& ui, CliEnvironment& environment)
{
    using Role = TerminalUserInterface::SecretRole;
    // PIN2 commands take the current PIN2 from --pin-file.
    const bool pin2Command = options.command == CliCommand::Pin && options.chv == 2;
    const Role pinRole = pin2Command ? Role::Pin2 : Role::Pin;
    const SecretKind pinKind = pin2Command ? SecretKind::Pin2 : SecretKind::Pin1;
    const SecretFile files[] = {
        {options.pinFile, pinRole, pinKind, "--pin-file"},
        {options.pin2File, Role::Pin2, SecretKind::Pin2, "--pin2-file"},
        {options.newPinFile, Role::NewPin, pinKind, "--new-pin-file"},
        {options.pukFile, Role::Puk, pin2Command ? SecretKind::Puk2 : SecretKind::Puk1,
         "--puk-file"},
    };
    int fromStdin = 0;
    for (const SecretFile& file : files)
        fromStdin += file.path == "-" ? 1 : 0;
    if (fromStdin > 1)
        return usageError(environment, options.command,
                          "only one code can be read from standard input");
    ui.setSecretOption(pinRole, "--pin-file");
    for (const SecretFile& file : files) {
        // Typed on the terminal: asked when the card needs it, with its
        // label (a new code twice), and held to its rule then.
        if (file.path.empty() || (file.path == "-" && environment.interactive))
            continue;
        std::string error;
        std::optional<OwnedText> secret = readSecretFile(file.path, error);
        if (!secret) {
            ui.complain(std::string(file.option) + ": " + error);
            return 1;
        }
        if (const int refusal = codeRuleRefusal(file.kind, secret->view())) {
            ui.complain(std::string(file.option) + ": " + cardText(refusal));
            return 1;
        }
        ui.setSecret(file.role, std::move(*secret));
    }
    return 0;
}

int runConvert(const CliOptions& options, TerminalUserInterface& ui)
{
    PhoneBook book;
    SideBooks sideBooks;
    ImportReport report;
    if (!loadBookFile(options.input, book, sideBooks, ui, vCardNumbersOf(options), &report))
        return 1;
    if (!saveBookFile(options.output, book, sideBooks, ui, vCardVersionOf(options)))
        return 1;
    // Done, but the summary shown lists what the input had that OUT lacks.
    return report.skippedAny() ? kExitSkipped : 0;
}

// The PC/SC table for the card commands: the given one, or the client
// library's; restricted to --reader when one is named.
int runCardCommand(const CliOptions& options, const PcscApi& api, TerminalUserInterface& ui,
                   CliEnvironment& environment)
{
    PcscApi chosen = api;
    if (!options.reader.empty() && options.command != CliCommand::Readers) {
        std::vector<std::string> names;
        if (listReaderNames(api, names) != SCARD_S_SUCCESS) {
            ui.inform(kNoSmartCardComponents);
            return 1;
        }
        if (names.empty()) {
            ui.inform(kNoReaders);
            return 1;
        }
        const std::string name = matchReaderName(names, options.reader);
        if (name.empty()) {
            ui.complain("no reader is named '" + options.reader +
                        "'; 'phonara-cli readers' lists them");
            return 1;
        }
        chosen = onlyReader(api, name);
    }
    switch (options.command) {
    case CliCommand::Readers:
        return runReadersCommand(chosen, ui, environment.out);
    case CliCommand::Info:
        return runInfoCommand(chosen, ui, environment.out);
    case CliCommand::Read:
        return runReadCommand(chosen, options, ui);
    case CliCommand::Write:
        return runWriteCommand(chosen, options, ui, environment.out);
    case CliCommand::Pin:
        return runPinCommand(chosen, options, ui);
    default:
        return 2;
    }
}

} // namespace

int runPhonaraCli(const std::vector<std::string>& arguments, CliEnvironment& environment)
{
    const CliParseResult parsed = parseCliArguments(arguments);
    const CliOptions& options = parsed.options;
    if (!parsed.ok)
        return usageError(environment, options.command, parsed.error);
    if (options.help) {
        environment.out << cliHelp(options.command) << std::flush;
        return 0;
    }
    if (options.version) {
        environment.out << "phonara-cli " << PHONARA_VERSION << '\n' << std::flush;
        return 0;
    }

    TerminalUserInterface ui(environment.err, environment.interactive, environment.progress,
                             environment.secretPrompt, environment.linePrompt);
    ui.setAssumeYes(options.assumeYes);
    ui.setAllowLastAttempt(options.allowLastAttempt);
    ui.setCsvMapping(options.nameField, options.numberField);
    if (const int status = loadSecrets(options, ui, environment); status != 0)
        return status;

    if (options.command == CliCommand::Convert)
        return runConvert(options, ui);

    if (environment.pcsc != nullptr)
        return runCardCommand(options, *environment.pcsc, ui, environment);
    void* library = nullptr;
    PcscApi api;
    if (!bindPcsc(library, api)) {
        environment.err << kNoPcscService << '\n' << std::flush;
        return 1;
    }
    const int status = runCardCommand(options, api, ui, environment);
    unbindPcsc(library, api);
    return status;
}
