#include "files/FileIo.h"

#include "shell/LastError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

namespace {

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

} // namespace

uint64_t queryFileSize(const std::string& path)
{
    QFile file(fileName(path));
    if (QFileInfo(file).isDir() || !file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const qint64 size = file.size();
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

bool fileIsReadable(const std::string& path)
{
    QFile file(fileName(path));
    return !QFileInfo(file).isDir() && file.open(QIODevice::ReadOnly);
}

namespace {

// Reads up to `maxBytes`; with `failWhenLonger` a longer file is refused.
std::optional<std::string> readFile(const std::string& path, uint64_t maxBytes, bool failWhenLonger)
{
    QFile file(fileName(path));
    errno = 0;
    if (QFileInfo(file).isDir()) {
        setLastError(EISDIR);
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setLastError(errorOf(file));
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const uint64_t room = maxBytes - bytes.size() + (failWhenLonger ? 1 : 0);
        const qint64 got =
            file.read(buffer, static_cast<qint64>(std::min<uint64_t>(room, sizeof buffer)));
        if (got < 0) {
            setLastError(errorOf(file));
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            setLastError(EFBIG);
            return std::nullopt;
        }
        if (bytes.size() == maxBytes && !failWhenLonger) {
            break;
        }
    }
    setLastError(0);
    return bytes;
}

} // namespace

std::optional<std::string> readWholeFile(const std::string& path, uint64_t maxSize)
{
    return readFile(path, maxSize, true);
}

std::optional<std::string> readFileStart(const std::string& path, uint64_t maxBytes)
{
    return readFile(path, maxBytes, false);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    QSaveFile file(fileName(path));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        setLastError(errorOf(file));
        return false;
    }
    qint64 done = 0;
    const auto total = static_cast<qint64>(bytes.size());
    while (done < total) {
        errno = 0;
        const qint64 wrote = file.write(bytes.data() + done, total - done);
        if (wrote <= 0) {
            setLastError(errorOf(file));
            file.cancelWriting();
            return false;
        }
        done += wrote;
    }
    errno = 0;
    if (!file.commit()) {
        // commit() removes the temporary file; the old file is untouched.
        setLastError(errorOf(file));
        return false;
    }
    setLastError(0);
    return true;
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
