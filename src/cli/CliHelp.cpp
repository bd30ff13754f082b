// The help and usage texts of phonara-cli.

#include "cli/CliOptions.h"

namespace {

constexpr const char* kOverview =
    "Usage: phonara-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
    "\n"
    "Phonara's card and file work from a terminal or a script: back up and restore\n"
    "the phone book of a GSM SIM card in a PC/SC smart-card reader, manage its PIN,\n"
    "and convert phone-book files.\n"
    "\n"
    "Commands:\n"
    "  readers   list the smart-card readers\n"
    "  info      show the SIM information (record counts, PIN1 state, card number...)\n"
    "  read      read the card's phone books into a .phn or .csv file\n"
    "  write     write a phone-book file to the card (five ways)\n"
    "  pin       change, enable, disable or unblock PIN1, change or unblock PIN2\n"
    "  convert   convert between .phn, .csv, vCard (.vcf) and legacy address files\n"
    "\n"
    "  --help     show this help; 'phonara-cli COMMAND --help' explains a command\n"
    "  --version  show the program's version\n"
    "\n"
    "Secret codes (PIN, PIN2, PUK) are never taken from the command line: name a file\n"
    "whose first line holds the code ('-' reads it from standard input), or type it\n"
    "when asked on a terminal, where it is not shown.\n"
    "\n"
    "Messages go to standard error. Exit status: 0 done, 1 failed (card, file or\n"
    "refused PIN), 2 wrong usage, 3 done (converted or written) but something of\n"
    "the input file was left out (listed on standard error).\n";

constexpr const char* kReaderOption =
    "  --reader NAME    use only this reader (as 'phonara-cli readers' lists it);\n"
    "                   by default the first reader that holds a SIM card is used\n";

constexpr const char* kPinFileOption =
    "  --pin-file F     take PIN1 from the first line of file F ('-': standard input);\n"
    "                   without it PIN1 is asked on the terminal when the card needs it\n";

constexpr const char* kCodeRules =
    "A PIN or PIN2 has 4 to 8 digits, a PUK or PUK2 exactly 8; any other code is\n"
    "refused before the card sees it. When the card has one attempt left for a code,\n"
    "a code from a file or standard input is not tried (a wrong one would block it;\n"
    "a wrong PUK blocks the card for good), and one typed on the terminal is tried\n"
    "only after a question:\n"
    "  --allow-last-attempt  try the code from the file all the same\n";

constexpr const char* kFieldOptions =
    "  --name-field N   CSV input: the field (counted from 0) that holds the names\n"
    "                   (by default the one the header calls a name, else 0)\n"
    "  --number-field M CSV input: the field that holds the numbers (by default the\n"
    "                   one the header calls a mobile or phone number, else 1)\n";

constexpr const char* kNumbersOption =
    "  --numbers preferred|each\n"
    "                   vCard input, a contact with several numbers: 'preferred' (the\n"
    "                   default) takes its preferred number and keeps the others as\n"
    "                   additional numbers; 'each' makes one entry per number, named\n"
    "                   like 'Anna (work)'\n";

constexpr const char* kVCardVersionOption =
    "  --vcard-version 4.0|3.0\n"
    "                   vCard output: the version written, 4.0 unless 3.0 is asked for\n"
    "                   (for programs that read only 3.0)\n";

constexpr const char* kReaders = "Usage: phonara-cli readers\n"
                                 "\n"
                                 "Lists the names of the smart-card readers the PC/SC service\n"
                                 "knows, one per line, on standard output.\n";

constexpr const char* kInfo =
    "Usage: phonara-cli info [--reader NAME] [--pin-file F] [--allow-last-attempt]\n"
    "\n"
    "Reads the SIM card and prints what the SIM information shows, one\n"
    "'Label: value' line each: the number of phone-book records, contacts read,\n"
    "free records, name length, PIN1 state, identification number (ICCID),\n"
    "service provider name and own number, then the attempts left of PIN1, PUK1,\n"
    "PIN2 and PUK2 as the card tells them ('none on this card' for a code it does\n"
    "not have).\n"
    "\n";

constexpr const char* kRead =
    "Usage: phonara-cli read OUT [--reader NAME] [--pin-file F] [--vcard-version V]\n"
    "                            [--allow-last-attempt]\n"
    "\n"
    "Reads the card's phone book, fixed dialling numbers and last numbers dialled\n"
    "and saves them in OUT: a name ending in .csv gets the phone book as a CSV\n"
    "export, one ending in .vcf or .vcard the phone book as vCard cards; any other\n"
    "name gets a Phonara phone-book file (.phn) with all three books.\n"
    "\n";

constexpr const char* kWrite =
    "Usage: phonara-cli write IN --mode all|selected|add|add-selected|clear\n"
    "                         [--select LIST] [--reader NAME] [--pin-file F]\n"
    "                         [--pin2-file F] [--yes] [--numbers preferred|each]\n"
    "                         [--dry-run] [--partial] [--no-backup]\n"
    "                         [--allow-last-attempt]\n"
    "\n"
    "Loads the phone book from IN (a .phn file, a .csv file, a vCard file ending\n"
    "in .vcf or .vcard, or a legacy address file) and writes it to the card:\n"
    "  --mode all           overwrite the card's phone book with all contacts\n"
    "  --mode selected      overwrite it with the contacts chosen by --select\n"
    "  --mode add           add all contacts into the card's free records\n"
    "  --mode add-selected  add the contacts chosen by --select into free records\n"
    "  --mode clear         delete every entry of the card's phone book\n"
    "\n"
    "  --select LIST    contacts by their place in IN, counted from 1: '2,5-7'\n"
    "  --yes            do not ask for confirmation (needed when not on a terminal,\n"
    "                   unless the confirmation was turned off in Phonara)\n"
    "  --pin2-file F    take PIN2, which the card asks for fixed dialling numbers,\n"
    "                   from the first line of file F\n"
    "  --dry-run        read the card and list, record by record, what the write\n"
    "                   would change (old -> new, and the extension records that\n"
    "                   long numbers take); nothing is written\n"
    "  --partial        when not every contact fits (no free record, no free\n"
    "                   extension record for a number over 20 digits, or second\n"
    "                   numbers, e-mails or a second name that a GSM SIM cannot\n"
    "                   hold), write what fits; without it such a write is refused\n"
    "                   before anything is written\n"
    "  --no-backup      do not back up the card's books first\n"
    "\n"
    "Before a write changes the card's phone book, the card's books are saved as a\n"
    "dated .phn file in $XDG_DATA_HOME/phonara/backups (~/.local/share/phonara/\n"
    "backups); the newest 20 are kept and the path is printed. Only records whose\n"
    "bytes change are written, and each is read back and compared. Numbers lose\n"
    "blanks, '-', '.' and parentheses; a number that cannot be dialled stops the\n"
    "write before anything is written. Writing all or selected contacts of an\n"
    "empty book is refused: use --mode clear to empty the card.\n"
    "\n"
    "Exit status: 0 every contact of the write is on the card (with --partial:\n"
    "every contact that fits), or the dry run was planned; 3 the same, but lines\n"
    "of IN were left out (no number, a number that cannot be dialled...: the\n"
    "summary on standard error says which); 1 nothing or not everything was\n"
    "written (the message says how far the write got and where the backup is);\n"
    "2 wrong usage.\n";

constexpr const char* kPin =
    "Usage: phonara-cli pin change|enable|disable|unblock [--chv 1|2] [--reader NAME]\n"
    "                       [--pin-file F] [--new-pin-file F] [--puk-file F]\n"
    "                       [--allow-last-attempt]\n"
    "\n"
    "Manages the card's secret codes:\n"
    "  change    change PIN1 (or PIN2 with --chv 2); needs the current PIN and the new one\n"
    "  enable    switch the PIN1 check on; needs the current PIN1\n"
    "  disable   switch the PIN1 check off; needs the current PIN1\n"
    "  unblock   give a blocked PIN1 (or PIN2 with --chv 2) a new value with the PUK\n"
    "\n"
    "  --chv 1|2        which code: 1 for PIN1 (the default), 2 for PIN2\n"
    "  --pin-file F     the current PIN (PIN2 with --chv 2), first line of file F\n"
    "  --new-pin-file F the new PIN, first line of file F\n"
    "  --puk-file F     the PUK (PUK2 with --chv 2), first line of file F\n"
    "Codes not given in files are asked on the terminal, a new one twice.\n";

constexpr const char* kConvert =
    "Usage: phonara-cli convert IN OUT [--name-field N] [--number-field M]\n"
    "                                  [--numbers preferred|each] [--vcard-version V]\n"
    "\n"
    "Converts a phone-book file. IN may be a Phonara phone-book file (.phn), a CSV\n"
    "file (by its .csv name; the first line names the fields and is not imported),\n"
    "a vCard file (by its .vcf or .vcard name; versions 2.1, 3.0 and 4.0) or a\n"
    "legacy address file. OUT ending in .csv gets the phone book as a CSV export,\n"
    "one ending in .vcf or .vcard the phone book as vCard cards (UTF-8, one card a\n"
    "contact); any other name gets a .phn file with all three books. What an\n"
    "import leaves out (entries without a number, numbers a card cannot dial, text\n"
    "in an unreadable character set) is listed in one summary with counts and the\n"
    "first line numbers. Numbers lose blanks, '-', '.' and parentheses; one with\n"
    "letters, a '+' not in front or more than 40 digits is left out.\n"
    "\n"
    "A CSV file is read as spreadsheets write it: fields in double quotes may hold\n"
    "the separator, line breaks and doubled quotes. Without --name-field and\n"
    "--number-field the columns are taken from the header's names (Name, First\n"
    "Name and Last Name, Mobile, Phone...), else 0 and 1. A CSV output quotes what\n"
    "needs it and puts a ' before a name a spreadsheet would run as a formula\n"
    "(= + - @); reading it back takes the ' off again.\n"
    "\n"
    "Exit status: 0 converted; 3 converted, but something of IN was left out (the\n"
    "summary on standard error says what); 1 nothing written (IN unreadable, not a\n"
    "regular file, too large, or OUT could not be saved: OUT is then unchanged);\n"
    "2 wrong usage.\n"
    "\n";

} // namespace

std::string cliHelp(CliCommand command)
{
    switch (command) {
    case CliCommand::Readers:
        return kReaders;
    case CliCommand::Info:
        return std::string(kInfo) + kReaderOption + kPinFileOption + kCodeRules;
    case CliCommand::Read:
        return std::string(kRead) + kReaderOption + kPinFileOption + kVCardVersionOption +
               kCodeRules;
    case CliCommand::Write:
        return std::string(kWrite) + kReaderOption + kPinFileOption + kFieldOptions +
               kNumbersOption + kCodeRules;
    case CliCommand::Pin:
        return std::string(kPin) + kReaderOption + kCodeRules;
    case CliCommand::Convert:
        return std::string(kConvert) + kFieldOptions + kNumbersOption + kVCardVersionOption;
    case CliCommand::None:
        break;
    }
    return kOverview;
}

std::string cliUsage(CliCommand command)
{
    const std::string help = cliHelp(command);
    if (command == CliCommand::None)
        return help.substr(0, help.find('\n') + 1) +
               "Try 'phonara-cli --help' for more information.\n";
    // The usage lines run up to the first empty line.
    return help.substr(0, help.find("\n\n") + 1);
}
