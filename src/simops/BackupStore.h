#pragma once

#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <QDateTime>

#include <string>
#include <string_view>
#include <vector>

// Backups of the card's books taken before a write changes the phone book:
// .phn files named after the time they were taken (and the card's number),
// in $XDG_DATA_HOME/phonara/backups. Only the newest kBackupsKept are kept.

inline constexpr int kBackupsKept = 20;

// The setting that turns the backup off: 0 off, anything else or missing on.
inline constexpr const char* kCardBackupKey = "Card_Backup";

// True unless the user turned the backup off.
bool cardBackupEnabled();

// The folder the backups go to (not created).
std::string backupFolder();

struct BackupResult
{
    bool ok = false;
    std::string path;  // the file written
    std::string error; // why not, as the system says it
};

// Saves the books as a new backup file and removes the oldest ones beyond
// kBackupsKept. `iccid` (digits, may be empty) goes into the name so that a
// backup can be matched to its card.
BackupResult saveCardBackup(const PhoneBook& book, const SideBooks& sideBooks,
                            std::string_view iccid,
                            const QDateTime& when = QDateTime::currentDateTime());

// The backup files, newest first.
std::vector<std::string> listBackups();
