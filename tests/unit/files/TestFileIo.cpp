// Saving never destroys the old file, whichever step fails; reading never
// hangs on something that is not a regular file.

#include "ScriptedUserInterface.h"
#include "files/CsvFile.h"
#include "files/FileIo.h"
#include "files/ImportReport.h"
#include "files/PhnFile.h"
#include "files/VCardFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kOld = "[Version]\r\nformat=phn\r\nversion=1\r\nthe old book\r\n";

// The failure a test plants below the save code: the call that fails, from
// which use of it on, and with what errno.
enum class Step
{
    Write,
    ShortWrite,
    ZeroWrite,
    Fsync,
    FolderFsync,
    Close,
    Rename
};
struct Fault
{
    Step step = Step::Write;
    int error = 0;
    int calls = 0; // calls of the step so far
};
Fault g_fault;

ssize_t faultyWrite(int fd, const void* data, std::size_t size)
{
    ++g_fault.calls;
    switch (g_fault.step) {
    case Step::Write:
        errno = g_fault.error;
        return -1;
    case Step::ShortWrite:
        // Half of the first write lands, then the disk is full.
        if (g_fault.calls == 1)
            return ::write(fd, data, size / 2);
        errno = g_fault.error;
        return -1;
    case Step::ZeroWrite:
        return 0;
    default:
        return ::write(fd, data, size);
    }
}

int faultyFsync(int fd)
{
    struct stat info
    {
    };
    fstat(fd, &info);
    const bool folder = S_ISDIR(info.st_mode);
    if ((g_fault.step == Step::Fsync && !folder) || (g_fault.step == Step::FolderFsync && folder)) {
        errno = g_fault.error;
        return -1;
    }
    return ::fsync(fd);
}

int faultyClose(int fd)
{
    const int closed = ::close(fd);
    if (g_fault.step == Step::Close) {
        errno = g_fault.error;
        return -1;
    }
    return closed;
}

int faultyRename(const char* from, const char* to)
{
    if (g_fault.step == Step::Rename) {
        errno = g_fault.error;
        return -1;
    }
    return ::rename(from, to);
}

// The calls with the fault, for the life of one object.
class PlantedFault
{
public:
    PlantedFault(Step step, int error)
    {
        g_fault = Fault{step, error, 0};
        m_previous = setFileSystemCalls({faultyWrite, faultyFsync, faultyClose, faultyRename});
    }
    ~PlantedFault() { setFileSystemCalls(m_previous); }

private:
    FileSystemCalls m_previous{};
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// A book whose file is far larger than any write buffer.
std::string bigBytes()
{
    return std::string(300000, 'x');
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void failedStepKeepsTheOldFile_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("reported");
        QTest::newRow("disk full at once") << Step::Write << ENOSPC << ENOSPC;
        QTest::newRow("disk full part-way") << Step::ShortWrite << ENOSPC << ENOSPC;
        QTest::newRow("quota part-way") << Step::ShortWrite << EDQUOT << EDQUOT;
        QTest::newRow("write takes nothing") << Step::ZeroWrite << 0 << ENOSPC;
        QTest::newRow("flush fails") << Step::Fsync << EIO << EIO;
        QTest::newRow("folder flush fails") << Step::FolderFsync << EIO << EIO;
        QTest::newRow("close reports a late error") << Step::Close << EIO << EIO;
        QTest::newRow("rename refused") << Step::Rename << EACCES << EACCES;
    }

    void failedStepKeepsTheOldFile()
    {
        QFETCH(Step, step);
        QFETCH(int, error);
        QFETCH(int, reported);
        QTemporaryDir dir;
        const QString path = dir.filePath("book.phn");
        writeFile(path, kOld);

        SaveResult result;
        {
            PlantedFault fault(step, error);
            result = saveFileAtomically(path.toStdString(), bigBytes());
        }
        QVERIFY(!result.ok());
        QCOMPARE(result.problem, FileProblem::System);
        QCOMPARE(result.error, reported);
        QCOMPARE(contents(path), kOld);
        QCOMPARE(entriesOf(dir.path()), QStringList{"book.phn"});
        const std::string text = saveFailureText("book.phn", result);
        QCOMPARE(QString::fromStdString(text),
                 QStringLiteral("Could not save book.phn: ") +
                     QString::fromStdString(std::generic_category().message(reported)));
    }

    // The same on a real small file system that fills up; needs the right to mount.
    void fullTmpfsKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (mount("phonara-test", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("a tmpfs cannot be mounted here (needs root)");
        const QString path = dir.filePath("book.phn");
        writeFile(path, kOld);
        const SaveResult result = saveFileAtomically(path.toStdString(), bigBytes());
        const QByteArray after = contents(path);
        const QStringList entries = entriesOf(dir.path());
        umount(mountPoint.constData());

        QCOMPARE(result.error, ENOSPC);
        QCOMPARE(after, kOld);
        QCOMPARE(entries, QStringList{"book.phn"});
    }

    // A file larger than its reader takes is not written at all.
    void tooLargeIsNotWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("book.phn");
        writeFile(path, kOld);
        const SaveResult large = saveWithinLimit(path.toStdString(), "12345", 4);
        QCOMPARE(large.problem, FileProblem::TooLarge);
        QCOMPARE(contents(path), kOld);
        QVERIFY(QString::fromStdString(saveFailureText(path.toStdString(), large))
                    .endsWith("too large (this program reads at most 0 MiB)"));
    }

    void savedFileKeepsPermissionsAndLinks()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("real.phn");
        writeFile(target, kOld);
        QVERIFY(chmod(QFile::encodeName(target).constData(), 0640) == 0);
        const QString link = dir.filePath("link.phn");
        QVERIFY(symlink("real.phn", QFile::encodeName(link).constData()) == 0);

        QVERIFY(saveFileAtomically(link.toStdString(), "new").ok());
        QCOMPARE(contents(target), QByteArray("new"));
        QVERIFY(QFileInfo(link).isSymLink());
        struct stat info
        {
        };
        QVERIFY(stat(QFile::encodeName(target).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
        QCOMPARE(entriesOf(dir.path()), (QStringList{"link.phn", "real.phn"}));

        // A new file through a dangling link is created at the link's target.
        const QString dangling = dir.filePath("later.phn");
        QVERIFY(symlink("sub-later.phn", QFile::encodeName(dangling).constData()) == 0);
        QVERIFY(saveFileAtomically(dangling.toStdString(), "made").ok());
        QCOMPARE(contents(dir.filePath("sub-later.phn")), QByteArray("made"));
    }

    // Every loader refuses, at once and saying why, an input that is not a
    // regular file or is larger than it reads; a save refuses to replace what
    // is not a regular file, and leaves it there.
    void notRegularOrTooLargeIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        for (const char* name : {"in.phn", "in.csv", "in.vcf", "out.phn"}) {
            QTest::addRow("pipe %s", name) << "fifo" << name << "not a regular file";
            QTest::addRow("folder %s", name) << "folder" << name << "not a regular file";
        }
        for (const char* name : {"in.phn", "in.csv", "in.vcf", "in.adr"})
            QTest::addRow("large %s", name) << "large" << name << "too large";
        QTest::newRow("device in.phn") << "device"
                                       << "in.phn"
                                       << "not a regular file";
        QTest::newRow("device out.phn") << "device"
                                        << "out.phn"
                                        << "not a regular file";
    }

    void notRegularOrTooLargeIsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(name);
        if (kind == "fifo") {
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (kind == "device") {
            path =
                name.startsWith("out") ? QStringLiteral("/dev/null") : QStringLiteral("/dev/zero");
        } else {
            // Sparse, and over the 64 MiB every reader takes.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.endsWith(".adr") ? QByteArray("\x1C\x02<{[This is Adr File]}>")
                                             : QByteArray("[Version]\r\nformat=phn\r\n"));
            QVERIFY(file.resize(65 << 20));
        }
        const std::string file = path.toStdString();
        if (name.startsWith("out")) {
            const SaveResult result = saveFileAtomically(file, "x");
            QCOMPARE(result.problem, FileProblem::NotRegular);
            QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
            QCOMPARE(entriesOf(dir.path()).size(), kind == "device" ? 0 : 1);
            QVERIFY(QString::fromStdString(saveFailureText(file, result)).contains(reason));
            return;
        }
        ScriptedUserInterface ui;
        PhoneBook book;
        SideBooks sideBooks;
        ImportReport report;
        bool loaded = true;
        if (name.endsWith(".csv"))
            loaded = importCsvFile(file, book, ui) != 0;
        else if (name.endsWith(".vcf"))
            loaded = importVCardFile(file, book, VCardNumbers::PreferredOnly, ui, &report);
        else
            loaded = loadPhnOrAdrFile(file, book, sideBooks, ui);
        QVERIFY(!loaded);
        QCOMPARE(ui.messages.size(), std::size_t{1});
        if (!name.endsWith(".vcf") || kind != "large") {
            QCOMPARE(ui.messages[0].id, 303);
            QVERIFY2(QString::fromStdString(ui.messages[0].text).contains(reason),
                     ui.messages[0].text.c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestFileIo)
#include "TestFileIo.moc"
