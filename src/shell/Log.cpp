#include "shell/Log.h"

#include "shell/ExecutablePath.h"
#include "shell/LastError.h"
#include "shell/LogSearch.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifndef PHONARA_VERSION
#define PHONARA_VERSION "0.0.0"
#define PHONARA_VERSION_MAJOR 0
#define PHONARA_VERSION_MINOR 0
#define PHONARA_VERSION_PATCH 0
#endif

namespace {

constexpr std::size_t kEntrySize = 512;
// The log is the owner's alone: read and written by nobody else.
constexpr mode_t kLogMode = S_IRUSR | S_IWUSR;
constexpr std::size_t kTextSize = 260;

// Set by OpenLog at start, before any other thread runs; read by every writer.
std::string g_logPath;
std::atomic<int> g_logLevel{0};

const char* levelLetter(LogLevel level)
{
    switch (level) {
    case LogLevel::Error:
        return "E";
    case LogLevel::Warning:
        return "W";
    case LogLevel::Trace:
        return "T";
    case LogLevel::Progress:
        return "P";
    case LogLevel::Info:
        return "I";
    case LogLevel::PersonalData:
        break;
    }
    return ""; // levels 6 to 9 carry no letter
}

std::string cut(std::string text)
{
    if (text.empty()) {
        return "Unknown";
    }
    if (text.size() > kTextSize - 1) {
        text.resize(kTextSize - 1);
    }
    return text;
}

// This program does not tell one Linux from another in its log.
const char* systemName()
{
    return "Unknown";
}

} // namespace

int openLog(const char* moduleName)
{
    if (g_logPath.size() > 5 || moduleName == nullptr) {
        return 0;
    }
    g_logLevel = 0;

    FILE* file = nullptr;
    for (const std::string& folder : logSearchFolders()) {
        g_logPath = folder + (folder.ends_with('/') ? "" : "/") + "VM_" + moduleName + ".log";
        file = std::fopen(g_logPath.c_str(), "r+");
        if (file != nullptr) {
            break;
        }
    }
    if (file == nullptr) {
        return 0;
    }
    const int first = std::fgetc(file);
    g_logLevel = (first >= '0' && first <= '9') ? first - '0' : static_cast<int>(LogLevel::Trace);
    // A file the user made with the usual umask is readable by others: from
    // now on it is the owner's alone (a file of somebody else stays as it is).
    struct stat status = {};
    if (fstat(fileno(file), &status) == 0 && status.st_uid == geteuid() &&
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        fchmod(fileno(file), status.st_mode & ~static_cast<mode_t>(S_IRWXG | S_IRWXO));
    std::fclose(file);

    const std::time_t now = std::time(nullptr);
    std::tm date = {};
    localtime_r(&now, &date);
    const std::string productVersion = PHONARA_VERSION;
    const std::string fileVersion =
        fileVersionText(PHONARA_VERSION_MAJOR, PHONARA_VERSION_MINOR, PHONARA_VERSION_PATCH, 0);
    const std::string modulePath = cut(executablePath());
    writeLog(LogLevel::Error, "",
             "Start logfile ============================================\r\n"
             "   Product: %s, Ver: %s\r\n"
             "   Module: %s, Ver: %s\r\n"
             "   OS: %s\r\n"
             "   Date: %02d.%02d.%02d",
             "Phonara", productVersion.c_str(), modulePath.c_str(), fileVersion.c_str(),
             systemName(), date.tm_mday, date.tm_mon + 1, date.tm_year + 1900);
    return 1;
}

int writeLog(LogLevel level, const char* tag, const char* format, ...)
{
    if (static_cast<int>(level) <= 0 || static_cast<int>(level) > g_logLevel) {
        return 0;
    }
    const uint32_t savedError = lastError();
    const int savedErrno = errno;

    timespec ts = {};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm time = {};
    localtime_r(&ts.tv_sec, &time);

    char entry[kEntrySize];
    int length =
        std::snprintf(entry, sizeof entry, "\r\n[%2d:%2d : %2d:%3d] %s [%30s] ", time.tm_hour,
                      time.tm_min, time.tm_sec, static_cast<int>(ts.tv_nsec / 1000000),
                      levelLetter(level), tag != nullptr ? tag : "");
    if (length < 0) {
        length = 0;
    }
    if (static_cast<std::size_t>(length) < sizeof entry - 1) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(entry + length, sizeof entry - static_cast<std::size_t>(length), format,
                       args);
        va_end(args);
    }
    const std::size_t size = std::char_traits<char>::length(entry);

    // One open, append and close per entry: the file may be read, copied or
    // deleted while the program runs.
    const int fd = open(g_logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kLogMode);
    if (fd < 0) {
        setLastError(savedError);
        errno = savedErrno;
        return 1;
    }
    const ssize_t written = write(fd, entry, size);
    const int writeErrno = errno;
    close(fd);
    if (written < 0) {
        setLastError(static_cast<uint32_t>(writeErrno));
        errno = writeErrno;
    } else {
        setLastError(savedError);
        errno = savedErrno;
    }
    return 1;
}

void resetLogState()
{
    g_logPath.clear();
    g_logLevel = 0;
}

std::string logPath()
{
    return g_logPath;
}

int logLevel()
{
    return g_logLevel;
}
