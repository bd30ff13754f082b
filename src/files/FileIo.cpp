#include "files/FileIo.h"

#include "shell/LastError.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>
#include <system_error>

namespace {

constexpr int kCouldNotSave = 300;
constexpr int kNotRegular = 302;
constexpr int kCouldNotOpen = 303;
constexpr int kTooLarge = 304;
constexpr int kMaxLinkHops = 40;
constexpr const char* kTag = "writeFileAtomically";

FileSystemCalls g_calls = systemFileCalls();

FileResult systemFailure(int error)
{
    FileResult result;
    result.problem = FileProblem::System;
    result.error = error != 0 ? error : EIO;
    return result;
}

FileResult notRegular()
{
    FileResult result;
    result.problem = FileProblem::NotRegular;
    return result;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a save writes: `path`, or the end of its chain of symbolic links
// (which need not exist yet). The links themselves are left alone.
FileResult resolveLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info
        {
        };
        if (lstat(target.c_str(), &info) != 0) {
            return errno == ENOENT ? FileResult{} : systemFailure(errno);
        }
        if (!S_ISLNK(info.st_mode)) {
            return {};
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t length = readlink(target.c_str(), link.data(), link.size());
        if (length < 0) {
            return systemFailure(errno);
        }
        link.resize(static_cast<std::size_t>(length));
        target = link.starts_with('/') ? link : folderOf(target) + "/" + link;
    }
    return systemFailure(ELOOP);
}

// A new file beside `target`, created exclusively (the umask applies).
int createTemporary(const std::string& target, std::string& name)
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const std::string folder = folderOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/." + base + ".tmp-" + std::to_string(getpid()) + "-" +
               std::to_string(counter++) + "-" + std::to_string(random() % 1000000);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

FileResult writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        errno = 0;
        const ssize_t wrote = g_calls.write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote < 0) {
            return systemFailure(errno);
        }
        if (wrote == 0) {
            // No progress and no error: the disk took nothing more.
            return systemFailure(ENOSPC);
        }
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return {};
}

// Flushes a folder's entries to the disk. File systems that cannot flush a
// folder say EINVAL; that is no failure.
FileResult syncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return systemFailure(errno);
    }
    const int synced = g_calls.fsync(fd);
    const int error = errno;
    close(fd);
    if (synced != 0 && error != EINVAL) {
        return systemFailure(error);
    }
    return {};
}

// Writes, flushes and closes the temporary file; closes `fd` in every case.
FileResult fillTemporary(int fd, std::string_view bytes, const struct stat* old)
{
    FileResult result;
    if (old != nullptr) {
        // The old file's permissions and, where allowed, its owner.
        if (fchmod(fd, old->st_mode & 07777) != 0) {
            result = systemFailure(errno);
        } else if (fchown(fd, old->st_uid, old->st_gid) != 0 && errno != EPERM) {
            writeLog(LogLevel::Warning, kTag, "the owner could not be kept: errno %d", errno);
        }
    }
    if (result.ok()) {
        result = writeAll(fd, bytes);
    }
    if (result.ok() && g_calls.fsync(fd) != 0) {
        result = systemFailure(errno);
    }
    // close() reports late write errors (on network file systems above all).
    if (g_calls.close(fd) != 0 && result.ok()) {
        result = systemFailure(errno);
    }
    return result;
}

QString fileName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

uint32_t errorOf(const QFileDevice& file)
{
    // Qt keeps only its own error kinds; errno still holds the system's reason
    // right after the failing call. Fall back to EIO when it was cleared.
    const int saved = errno;
    if (saved != 0) {
        return static_cast<uint32_t>(saved);
    }
    return file.error() == QFileDevice::PermissionsError ? EACCES : EIO;
}

FileResult tooLarge(uint64_t limit)
{
    FileResult result;
    result.problem = FileProblem::TooLarge;
    result.limit = limit;
    return result;
}

// Opens a regular file for reading. A pipe, device or folder is refused
// before anything waits on it: the open does not block (a pipe without a
// writer would), and the file's kind is checked on what was opened.
FileResult openRegular(const std::string& path, int& fd, uint64_t& size)
{
    fd = -1;
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0) {
        return systemFailure(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notRegular();
    }
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return systemFailure(errno);
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        close(fd);
        fd = -1;
        return S_ISREG(info.st_mode) ? systemFailure(error) : notRegular();
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    return {};
}

// Reads up to `maxBytes`; with `failWhenLonger` a longer file is refused.
FileResult readRegular(const std::string& path, uint64_t maxBytes, bool failWhenLonger,
                       std::string& bytes)
{
    bytes.clear();
    int fd = -1;
    uint64_t size = 0;
    if (FileResult opened = openRegular(path, fd, size); !opened.ok()) {
        return opened;
    }
    if (failWhenLonger && size > maxBytes) {
        close(fd);
        return tooLarge(maxBytes);
    }
    bytes.reserve(static_cast<std::size_t>(std::min(size, maxBytes)));
    char buffer[65536];
    FileResult result;
    for (;;) {
        const uint64_t room = maxBytes - bytes.size() + (failWhenLonger ? 1 : 0);
        const ssize_t got =
            read(fd, buffer, static_cast<std::size_t>(std::min<uint64_t>(room, sizeof buffer)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result = systemFailure(errno);
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            // The file grew while it was read.
            result = tooLarge(maxBytes);
            break;
        }
        if (bytes.size() == maxBytes && !failWhenLonger) {
            break;
        }
    }
    close(fd);
    if (!result.ok()) {
        bytes.clear();
        bytes.shrink_to_fit();
    }
    return result;
}

uint32_t lastErrorOf(const FileResult& result)
{
    switch (result.problem) {
    case FileProblem::None:
        return 0;
    case FileProblem::System:
        return static_cast<uint32_t>(result.error);
    case FileProblem::NotRegular:
        return EINVAL;
    case FileProblem::TooLarge:
        return EFBIG;
    }
    return EIO;
}

} // namespace

uint64_t queryFileSize(const std::string& path)
{
    int fd = -1;
    uint64_t size = 0;
    if (!openRegular(path, fd, size).ok()) {
        return 0;
    }
    close(fd);
    return size;
}

FileResult checkInputFile(const std::string& path)
{
    int fd = -1;
    uint64_t size = 0;
    const FileResult opened = openRegular(path, fd, size);
    if (opened.ok()) {
        close(fd);
    }
    return opened;
}

bool fileIsReadable(const std::string& path)
{
    return checkInputFile(path).ok();
}

FileResult readInputFile(const std::string& path, uint64_t maxSize, std::string& bytes)
{
    return readRegular(path, maxSize, true, bytes);
}

std::optional<std::string> readWholeFile(const std::string& path, uint64_t maxSize)
{
    std::string bytes;
    const FileResult result = readRegular(path, maxSize, true, bytes);
    setLastError(lastErrorOf(result));
    if (!result.ok()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> readFileStart(const std::string& path, uint64_t maxBytes)
{
    std::string bytes;
    const FileResult result = readRegular(path, maxBytes, false, bytes);
    setLastError(lastErrorOf(result));
    if (!result.ok()) {
        return std::nullopt;
    }
    return bytes;
}

FileSystemCalls systemFileCalls()
{
    return FileSystemCalls{::write, ::fsync, ::close, ::rename};
}

FileSystemCalls setFileSystemCalls(const FileSystemCalls& calls)
{
    const FileSystemCalls previous = g_calls;
    g_calls = calls;
    return previous;
}

std::string FileResult::reason() const
{
    switch (problem) {
    case FileProblem::System:
        return std::generic_category().message(error);
    case FileProblem::NotRegular:
        return resString(kNotRegular);
    case FileProblem::TooLarge:
        return formatResString(kTooLarge, static_cast<unsigned>(limit / (1024 * 1024)));
    case FileProblem::None:
        break;
    }
    return {};
}

std::string saveFailureText(const std::string& path, const FileResult& result)
{
    return formatResString(kCouldNotSave, path.c_str(), result.reason().c_str());
}

std::string openFailureText(const std::string& path, const FileResult& result)
{
    return formatResString(kCouldNotOpen, path.c_str(), result.reason().c_str());
}

void tellOpenFailure(UserInterface& ui, const std::string& path, const FileResult& result)
{
    UserInterface::Message message;
    message.id = kCouldNotOpen;
    message.text = openFailureText(path, result);
    message.icon = UserInterface::Icon::Error;
    ui.message(message);
}

void tellSaveFailure(UserInterface& ui, const std::string& path, const FileResult& result)
{
    UserInterface::Message message;
    message.id = kCouldNotSave;
    message.text = saveFailureText(path, result);
    message.icon = UserInterface::Icon::Error;
    ui.message(message);
}

SaveResult saveFileAtomically(const std::string& path, std::string_view bytes)
{
    std::string target;
    if (FileResult resolved = resolveLinks(path, target); !resolved.ok()) {
        return resolved;
    }
    struct stat old
    {
    };
    bool exists = false;
    if (stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            return notRegular();
        }
        exists = true;
    } else if (errno != ENOENT) {
        return systemFailure(errno);
    }

    std::string temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        return systemFailure(errno);
    }
    FileResult result = fillTemporary(fd, bytes, exists ? &old : nullptr);
    const std::string folder = folderOf(target);
    if (result.ok()) {
        result = syncFolder(folder);
    }
    if (result.ok() && g_calls.rename(temporary.c_str(), target.c_str()) != 0) {
        result = systemFailure(errno);
    }
    if (!result.ok()) {
        unlink(temporary.c_str());
        writeLog(LogLevel::Error, kTag, "%s: %s", target.c_str(), result.reason().c_str());
        return result;
    }
    // The new name on the disk; the file itself is already safe there.
    if (const FileResult synced = syncFolder(folder); !synced.ok()) {
        writeLog(LogLevel::Warning, kTag, "%s: folder not flushed: %s", folder.c_str(),
                 synced.reason().c_str());
    }
    return result;
}

SaveResult saveWithinLimit(const std::string& path, std::string_view bytes, uint64_t maxSize)
{
    if (bytes.size() > maxSize) {
        return tooLarge(maxSize);
    }
    return saveFileAtomically(path, bytes);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    const SaveResult saved = saveFileAtomically(path, bytes);
    setLastError(saved.ok() ? 0 : static_cast<uint32_t>(saved.error != 0 ? saved.error : EINVAL));
    return saved.ok();
}

bool ensureFileExists(const std::string& path)
{
    QFile file(fileName(path));
    if (file.exists()) {
        return true;
    }
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        setLastError(errorOf(file));
        return false;
    }
    file.close();
    setLastError(0);
    return true;
}
