#include "simops/BackupStore.h"

#include "files/FileIo.h"
#include "files/PhnFile.h"
#include "shell/Config.h"
#include "shell/LastError.h"
#include "shell/Log.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kTag = "card_backup";
constexpr const char* kPrefix = "card-";

std::string digitsOnly(std::string_view text)
{
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                 [](char c) { return c >= '0' && c <= '9'; });
    return digits;
}

} // namespace

bool cardBackupEnabled()
{
    return readConfigNumber(kCardBackupKey).value_or(1) != 0;
}

std::string backupFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("phonara/backups")).toStdString();
}

std::vector<std::string> listBackups()
{
    QDir dir(QString::fromStdString(backupFolder()));
    // The names begin with the time, so their order is the order they were taken.
    const QStringList names = dir.entryList({QString::fromLatin1(kPrefix) + "*.phn"}, QDir::Files,
                                            QDir::Name | QDir::Reversed);
    std::vector<std::string> paths;
    for (const QString& name : names)
        paths.push_back(dir.filePath(name).toStdString());
    return paths;
}

BackupResult saveCardBackup(const PhoneBook& book, const SideBooks& sideBooks,
                            std::string_view iccid, const QDateTime& when)
{
    BackupResult result;
    const QString folder = QString::fromStdString(backupFolder());
    if (!QDir().mkpath(folder)) {
        result.error = "cannot create the folder " + folder.toStdString();
        return result;
    }
    QString base = QString::fromLatin1(kPrefix) + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const std::string digits = digitsOnly(iccid);
    if (!digits.empty())
        base += '-' + QString::fromStdString(digits);
    QString path = QDir(folder).filePath(base + ".phn");
    // Two backups within one second get a counter, never the same file; '_'
    // sorts after '.', so the names keep the order the backups were taken.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(base + '_' + QString::number(n) + ".phn");

    const std::string bytes = phnFileBytes(&book, sideBooks.fdn.data(), sideBooks.fdnCount,
                                           sideBooks.lnd.data(), sideBooks.lndCount);
    result.path = path.toStdString();
    if (!writeFileAtomically(result.path, bytes)) {
        result.error = std::strerror(static_cast<int>(lastError()));
        writeLog(LogLevel::Error, kTag, "backup %s not written: %s", result.path.c_str(),
                 result.error.c_str());
        return result;
    }
    result.ok = true;
    writeLog(LogLevel::Info, kTag, "backup %s", result.path.c_str());

    const std::vector<std::string> backups = listBackups();
    for (std::size_t i = kBackupsKept; i < backups.size(); ++i)
        QFile::remove(QString::fromStdString(backups[i]));
    return result;
}
