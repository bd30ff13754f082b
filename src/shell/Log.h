#pragma once

// Optional diagnostic log. Logging is off unless a file VM_<module>.log lies in
// $HOME or at the root of a local, non-removable file system; its first byte
// chooses the highest level written (a digit; anything else means 3). The file
// is kept readable by its owner only.
//
// Names and numbers of contacts (and whatever else the user keeps in the phone
// book) are written only at PersonalData, the level a user turns on for
// debugging by starting the file with 9. Secret codes are never written.

// The numbers are the digits the log file's first byte is compared with.
enum class LogLevel
{
    Error = 1,
    Warning = 2,
    Trace = 3,
    Progress = 4,
    Info = 5,
    PersonalData = 9,
};

// Looks for the log file and writes the start entry. 1 when logging is on.
int openLog(const char* moduleName);

// Appends one entry (open, append, close). 0 when filtered out, 1 otherwise.
// The caller's lastError() is kept.
int writeLog(LogLevel level, const char* tag, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
