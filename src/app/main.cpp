#include "GuiStartup.h"
#include "shell/OwnedText.h"
#include "shell/UpdateFeed.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kUsage =
    "Usage: phonara [FILE]\n"
    "\n"
    "Phonara manages the phone book of GSM SIM cards in a PC/SC smart-card reader:\n"
    "it reads the card's phone book, fixed dialling numbers, last numbers dialled\n"
    "and own numbers, lets you edit them and writes them back to the card. It keeps\n"
    "phone books in .phn files, imports and exports CSV files and prints them.\n"
    "\n"
    "FILE is a phone-book file (.phn) or a legacy address file to open at start.\n"
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the program's version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME, are taken as well. phonara-cli does\n"
    "the same card and file work from a terminal or a script.\n";

bool isOption(const char* argument, const char* option)
{
    return std::strcmp(argument, option) == 0;
}
} // namespace

int main(int argc, char** argv)
{
    // PINs and PUKs pass through this process: no core dump may hold them.
    keepSecretsOutOfCoreDumps();
    // Answered before any window exists, so that they work without a display.
    if (argc == 2 && (isOption(argv[1], "--help") || isOption(argv[1], "-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && isOption(argv[1], "--version")) {
        std::printf("phonara %s\n", programVersion().c_str());
        return 0;
    }
    return runPhonaraGui(argc, argv);
}
