#include "shell/Association.h"

#include "shell/ExecutablePath.h"
#include "shell/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace {
constexpr const char* kTag = "check_assotiation";
constexpr const char* kOwnPhnType = "application/x-phonara-phonebook";
constexpr const char* kDefaultsSection = "[Default Applications]";
constexpr std::size_t kLongestExtension = 260;
constexpr int kToolTimeoutMs = 10000;

// mimeapps.list files in the order the desktop reads them.
QStringList mimeAppsLists()
{
    QStringList files;
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        files << dir + QStringLiteral("/applications/mimeapps.list");
    return files;
}

// The value of `key` in `section` of a desktop-entry style file, if present.
bool readEntry(const QString& path, const QString& section, const QString& key, QString& value)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == section;
            continue;
        }
        if (!inSection)
            continue;
        const auto equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == key) {
            value = line.mid(equals + 1).trimmed();
            return true;
        }
    }
    return false;
}

// Sets `key` in `section` of the file, keeping every other line.
bool writeEntry(const QString& path, const QString& section, const QString& key,
                const QString& value)
{
    QStringList lines;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!existing.atEnd())
            lines << QString::fromUtf8(existing.readLine()).trimmed();
        existing.close();
    }
    const QString entry = key + QLatin1Char('=') + value;
    int sectionAt = lines.indexOf(section);
    if (sectionAt < 0) {
        if (!lines.isEmpty() && !lines.last().isEmpty())
            lines << QString();
        lines << section << entry;
    } else {
        int i = sectionAt + 1;
        bool replaced = false;
        for (; i < lines.size() && !lines[i].startsWith(QLatin1Char('[')); ++i) {
            const auto equals = lines[i].indexOf(QLatin1Char('='));
            if (equals > 0 && lines[i].left(equals).trimmed() == key) {
                lines[i] = entry;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            lines.insert(sectionAt + 1, entry);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit();
}

bool writeWhole(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    return file.commit();
}

// "PhonaraApp.Document" is the desktop file PhonaraApp.desktop.
QString desktopIdFor(const char* className)
{
    QString base = QString::fromUtf8(className);
    const auto dot = base.indexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    return base + QStringLiteral(".desktop");
}

// Desktop files quote arguments with double quotes and escape \ " ` $ inside.
QString quotedExec(const QString& program)
{
    QString escaped;
    for (QChar c : program) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
            c == QLatin1Char('$'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
} // namespace

std::string mimeTypeForExtension(const std::string& extension)
{
    const QMimeDatabase database;
    const QList<QMimeType> types =
        database.mimeTypesForFileName(QStringLiteral("file.") + QString::fromStdString(extension));
    for (const QMimeType& type : types) {
        if (!type.isDefault())
            return type.name().toStdString();
    }
    if (QString::fromStdString(extension).compare(QLatin1String("phn"), Qt::CaseInsensitive) == 0)
        return kOwnPhnType;
    return "application/x-extension-" + extension;
}

int checkAssociation(const char* extension, const char* name)
{
    if (!extension || !*extension || std::char_traits<char>::length(extension) > kLongestExtension)
        return 0;
    const std::string key = std::string(".") + extension;
    writeLog(LogLevel::Info, kTag, "%s", "start");

    const QString mimeType = QString::fromStdString(mimeTypeForExtension(extension));
    QString handler;
    bool found = false;
    for (const QString& list : mimeAppsLists()) {
        if (readEntry(list, QLatin1String(kDefaultsSection), mimeType, handler)) {
            found = true;
            break;
        }
    }
    if (!found) {
        writeLog(LogLevel::Error, kTag, "open %s fail!", key.c_str());
        return 0;
    }
    writeLog(LogLevel::Info, kTag, "%s - %s", handler.toUtf8().constData(), name ? name : "");
    if (!name || !handler.contains(QString::fromUtf8(name), Qt::CaseInsensitive)) {
        writeLog(LogLevel::Error, kTag, "%s", "StrStrI_dll not found!");
        return 0;
    }
    return 1;
}

int associate(const char* extension, const char* className, const char* verb, int flags,
              const char* description)
{
    (void)flags;
    if (!extension || !*extension || !className || !*className)
        return 0;
    const QString mimeType = QString::fromStdString(mimeTypeForExtension(extension));
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString desktopId = desktopIdFor(className);
    const QString comment = QString::fromUtf8(description ? description : "");

    // The MIME type, unless the shared database already has one for the extension.
    bool ok = true;
    if (mimeType == QLatin1String(kOwnPhnType)) {
        const QString xml =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<mime-info xmlns=\"http://www.freedesktop.org/standards/"
                           "shared-mime-info\">\n"
                           "  <mime-type type=\"%1\">\n"
                           "    <comment>%2</comment>\n"
                           "    <glob pattern=\"*.%3\"/>\n"
                           "  </mime-type>\n"
                           "</mime-info>\n")
                .arg(mimeType, comment.toHtmlEscaped(), QString::fromUtf8(extension));
        ok = writeWhole(dataHome + QStringLiteral("/mime/packages/phonara-") +
                            QString::fromUtf8(extension) + QStringLiteral(".xml"),
                        xml.toUtf8());
        const QString updater =
            QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (ok && !updater.isEmpty()) {
            QProcess process;
            process.start(updater, {dataHome + QStringLiteral("/mime")});
            process.waitForFinished(kToolTimeoutMs);
        }
    }

    QString program = QString::fromStdString(executablePath());
    if (program.isEmpty())
        program = QStringLiteral("phonara");
    const QString exec = quotedExec(program) + QStringLiteral(" %f");
    const QString desktop =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Phonara\n"
                       "Comment=%1\n"
                       "Exec=%2\n"
                       "Icon=phonara\n"
                       "Terminal=false\n"
                       "MimeType=%3;\n"
                       "Categories=Office;ContactManagement;\n"
                       "Actions=open;\n"
                       "\n"
                       "[Desktop Action open]\n"
                       "Name=%4\n"
                       "Exec=%2\n")
            .arg(comment, exec, mimeType, QString::fromUtf8(verb ? verb : "Open"));
    ok =
        writeWhole(dataHome + QStringLiteral("/applications/") + desktopId, desktop.toUtf8()) && ok;
    ok = writeEntry(configHome + QStringLiteral("/mimeapps.list"), QLatin1String(kDefaultsSection),
                    mimeType, desktopId) &&
         ok;
    writeLog(LogLevel::Info, kTag, "Associate %s with %s: %s", extension,
             desktopId.toUtf8().constData(), ok ? "done" : "failed");
    return ok ? 1 : 0;
}
