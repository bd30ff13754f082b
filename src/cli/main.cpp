#include "cli/CliMain.h"
#include "cli/SecretInput.h"
#include "shell/Config.h"
#include "shell/Log.h"
#include "shell/OwnedText.h"
#include "shell/Strings.h"

#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

namespace {
constexpr const char* kLogModule = "Phonar";
} // namespace

int main(int argc, char** argv)
{
    // PINs and PUKs pass through this process: no core dump may hold them.
    keepSecretsOutOfCoreDumps();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProductName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kCompanyName));

    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The command line holds file names only, never a secret code.
    std::string commandLine;
    for (const std::string& argument : arguments)
        commandLine += (commandLine.empty() ? "" : " ") + argument;
    openLog(kLogModule);
    writeLog(LogLevel::Info, "Start", "phonara-cli %s", commandLine.c_str());
    const bool catalogue = loadLanguageLibrary("pna");

    CliEnvironment environment{std::cout, std::cerr};
    environment.interactive = stdinIsTerminal();
    environment.progress = ::isatty(STDERR_FILENO) == 1;
    const int status = runPhonaraCli(arguments, environment);

    if (catalogue)
        unloadLanguageLibrary();
    return status;
}
