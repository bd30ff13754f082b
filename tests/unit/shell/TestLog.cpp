#include "shell/LastError.h"
#include "shell/Log.h"
#include "shell/LogSearch.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

namespace {

QString logFile()
{
    return QDir::homePath() + "/VM_Phonar.log";
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The time stamp "[hh:mm : ss:mmm]" with its fields right-aligned.
const QRegularExpression
    kStamp(QStringLiteral(R"(^\r\n\[([ \d]\d):([ \d]\d) : ([ \d]\d):([ \d]{2}\d)\])"));

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The tests run in a temporary $HOME; the machine's own roots stay out.
        setLogSearchHomeOnly(true);
        QVERIFY(QDir::homePath().startsWith(qEnvironmentVariable("PHONARA_TEST_TMP", "?")));
    }

    void init()
    {
        resetLogState();
        QFile::remove(logFile());
        setLastError(0);
    }

    void withoutLogFileNothingIsWritten()
    {
        QCOMPARE(openLog("Phonar"), 0);
        QCOMPARE(writeLog(LogLevel::Error, "tag", "message"), 0);
        QVERIFY(!QFile::exists(logFile()));
        QCOMPARE(QDir::home().entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void firstByteChoosesLevel_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("highest"); // highest level written; 0: none

        QTest::newRow("0 turns logging off") << QByteArray("0") << 0;
        QTest::newRow("1 errors only") << QByteArray("1") << 1;
    }

    void firstByteChoosesLevel()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, highest);
        writeFile(logFile(), content);

        QCOMPARE(openLog("Phonar"), 1);
        for (int level = 1; level <= 9; ++level) {
            QCOMPARE(writeLog(LogLevel(level), "level_test", "level %d", level),
                     level <= highest ? 1 : 0);
        }
        QCOMPARE(writeLog(LogLevel(0), "level_test", "level zero"), 0);

        const QByteArray bytes = readFile(logFile());
        QVERIFY(bytes.startsWith(content));
        QCOMPARE(bytes.contains("Start logfile"), highest >= 1);
        for (int level = 0; level <= 9; ++level) {
            const QByteArray message =
                level == 0 ? "level zero" : "level " + QByteArray::number(level);
            QCOMPARE(bytes.contains("] " + message), level >= 1 && level <= highest);
        }
        if (highest == 0) {
            QCOMPARE(bytes, content);
        }
    }

    void entryFormat_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("afterStamp");
        const auto row = [](const char* name, int level, const QByteArray& tag,
                            const QByteArray& afterStamp, const QByteArray& message = "Start") {
            QTest::newRow(name) << level << tag << message << afterStamp;
        };

        // The tag is right-aligned in 30 characters.
        row("info", 5, "connect_to_sim", " I [                connect_to_sim] Start");
        row("progress", 4, "123456789012345678901234567890",
            " P [123456789012345678901234567890] Start");
        row("level 7 has no letter", 7, "index_to_dir_and_file",
            "  [         index_to_dir_and_file] Start");
        row("long tag written whole", 5, "a_tag_that_is_longer_than_thirty_chars",
            " I [a_tag_that_is_longer_than_thirty_chars] Start");
        // One 512-byte buffer with its terminating zero: 511 bytes, of which CR LF, the
        // 16-byte stamp, " I [", the 30-character tag field and "] " leave 457 for the text.
        row("long entry cut", 5, "long",
            " I [                          long] " + QByteArray(511 - (2 + 16 + 4 + 30 + 2), 'a'),
            QByteArray(1000, 'a'));
    }

    void entryFormat()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, tag);
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, afterStamp);
        writeFile(logFile(), "9");
        QCOMPARE(openLog("Phonar"), 1);
        QFile::remove(logFile()); // drop the start entry; the writer creates the file again

        const QTime before = QTime::currentTime();
        QCOMPARE(writeLog(LogLevel(level), tag.constData(), "%s", message.constData()), 1);
        const QTime after = QTime::currentTime();

        const QByteArray entry = readFile(logFile());
        const auto match = kStamp.match(QString::fromLatin1(entry));
        QVERIFY2(match.hasMatch(), entry.constData());
        QCOMPARE(entry.mid(match.capturedLength()), afterStamp);
        const QTime stamped(
            match.captured(1).trimmed().toInt(), match.captured(2).trimmed().toInt(),
            match.captured(3).trimmed().toInt(), match.captured(4).trimmed().toInt());
        QVERIFY(stamped.isValid());
        if (before <= after) { // not across midnight
            QVERIFY(stamped >= before.addMSecs(-before.msec()) && stamped <= after);
        }
    }

    void startEntry()
    {
        writeFile(logFile(), "3");
        QCOMPARE(openLog("Phonar"), 1);
        const QByteArray bytes = readFile(logFile());
        // A second open writes nothing.
        QCOMPARE(openLog("Phonar"), 0);
        QCOMPARE(readFile(logFile()), bytes);
        const QByteArray entry = bytes.mid(1); // after the level byte

        const QDate today = QDate::currentDate();
        // The file version's layout is checked by fileVersion below.
        const QByteArray fileVersion = QByteArray::fromStdString(fileVersionText(
            PHONARA_EXPECTED_MAJOR, PHONARA_EXPECTED_MINOR, PHONARA_EXPECTED_PATCH, 0));
        const QByteArray expected = " E [                              ] Start logfile "
                                    "============================================\r\n"
                                    "   Product: Phonara, Ver: " PHONARA_EXPECTED_VERSION "\r\n"
                                    "   Module: " +
                                    QCoreApplication::applicationFilePath().toUtf8() +
                                    ", Ver: " + fileVersion + "\r\n" +
                                    "   OS: Unknown\r\n"
                                    "   Date: " +
                                    today.toString("dd.MM.yyyy").toLatin1();
        const auto match = kStamp.match(QString::fromLatin1(entry));
        QVERIFY(match.hasMatch());
        QCOMPARE(entry.mid(match.capturedLength()), expected);
    }

    void lastErrorIsKept()
    {
        writeFile(logFile(), "4");
        QCOMPARE(openLog("Phonar"), 1);

        setLastError(0x80100069u);
        errno = ENOENT;
        QCOMPARE(writeLog(LogLevel::Progress, "keep", "written"), 1);
        QCOMPARE(lastError(), 0x80100069u);
        QCOMPARE(errno, ENOENT);

        setLastError(0x8010000Cu);
        QCOMPARE(writeLog(LogLevel::Info, "keep", "filtered"), 0);
        QCOMPARE(lastError(), 0x8010000Cu);

        // The file cannot be opened: a folder stands in its place.
        QVERIFY(QFile::remove(logFile()));
        QVERIFY(QDir::home().mkdir("VM_Phonar.log"));
        setLastError(0x80100017u);
        QCOMPARE(writeLog(LogLevel::Error, "keep", "not written"), 1);
        QCOMPARE(lastError(), 0x80100017u);
        QVERIFY(QDir::home().rmdir("VM_Phonar.log"));
    }

    // The log is readable by its owner only: a file made with the usual umask
    // is narrowed when the log opens, and one created again is made so.
    void fileIsTheOwnersAlone_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("made readable by all") << 0644 << false;
        QTest::newRow("deleted while the program runs") << 0644 << true;
    }

    void fileIsTheOwnersAlone()
    {
        QFETCH(int, mode);
        QFETCH(bool, deleted);
        writeFile(logFile(), "3");
        QVERIFY(chmod(QFile::encodeName(logFile()).constData(), static_cast<mode_t>(mode)) == 0);
        // Even with a umask that lets everybody read what is created.
        const mode_t previousMask = umask(0);
        QCOMPARE(openLog("Phonar"), 1);
        if (deleted)
            QVERIFY(QFile::remove(logFile()));
        writeLog(LogLevel::Trace, "mode", "written");
        umask(previousMask);
        struct stat status = {};
        QVERIFY(stat(QFile::encodeName(logFile()).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        QVERIFY(readFile(logFile()).endsWith("mode] written"));
    }

    void fileVersion_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("build");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("text");

        QTest::newRow("1.5") << 1 << 5 << 0 << 0 << "1.05";
        QTest::newRow("revision") << 1 << 5 << 0 << 3 << "1.05.0.3";
        QTest::newRow("build") << 1 << 5 << 12 << 0 << "1.05.12";
    }

    void fileVersion()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, build);
        QFETCH(int, revision);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(fileVersionText(major, minor, build, revision)), text);
    }

    void mountRoots()
    {
        const char* mountinfo = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
                                "24 22 0:5 / /dev rw shared:2 - devtmpfs udev rw\n"
                                "25 22 8:2 / /home rw,relatime shared:3 - xfs /dev/sda2 rw\n"
                                "26 22 0:26 / /tmp rw shared:4 - tmpfs tmpfs rw\n"
                                "27 22 8:17 / /media/stick rw,nosuid shared:5 - vfat /dev/sdb1 rw\n"
                                "28 22 0:50 / /net/share rw shared:6 - nfs4 server:/export rw\n"
                                "29 22 8:2 /srv /srv rw shared:3 - xfs /dev/sda2 rw\n"
                                "30 22 8:1 / /again rw shared:1 - ext4 /dev/sda1 rw\n"
                                "31 22 0:45 / /data rw shared:7 master:2 - btrfs /dev/sda3 rw\n"
                                "32 22 8:4 / /mnt/my\\040disk rw - ext4 /dev/sda4 rw\n"
                                "33 22 0:60 / /mnt/remote rw - fuse.sshfs host:/ rw\n"
                                "34 22 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n";
        // sdb (8:16..8:31) is a USB stick.
        const auto removable = [](unsigned major, unsigned minor, const std::string&) {
            return major == 8 && minor >= 16 && minor < 32;
        };
        const std::vector<std::string> roots = parseLocalFixedMountRoots(mountinfo, removable);
        const std::vector<std::string> expected = {"/", "/home", "/data", "/mnt/my disk"};
        QCOMPARE(roots, expected);
    }

    void homeIsSearchedFirst()
    {
        setLogSearchHomeOnly(false);
        const std::vector<std::string> folders = logSearchFolders();
        setLogSearchHomeOnly(true);
        QVERIFY(!folders.empty());
        QCOMPARE(QString::fromStdString(folders.front()), QDir::homePath());
        QCOMPARE(logSearchFolders(), std::vector<std::string>{QDir::homePath().toStdString()});
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "TestLog.moc"
