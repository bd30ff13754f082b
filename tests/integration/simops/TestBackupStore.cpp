// Backups of the card's books before a write: where they go, what they hold,
// and that only the newest 20 are kept.
#include "files/PhnFile.h"
#include "simops/BackupStore.h"

#include <QTemporaryDir>
#include <QTest>

class TestBackupStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_data = m_dir->path();
        qputenv("XDG_DATA_HOME", m_data.toUtf8());
    }

    void keepsTheNewestTwenty()
    {
        auto book = std::make_unique<PhoneBook>();
        auto side = std::make_unique<SideBooks>();
        Contact anna;
        anna.setName("Anna");
        anna.setNumber("+4912345");
        book->append(anna);
        side->fdn[0].name.assign("Ops");
        side->fdn[0].number.assign("110");
        const QDateTime start(QDate(2026, 12, 6), QTime(4, 0, 0));
        BackupResult last;
        for (int i = 0; i < 22; ++i) {
            // Two backups in the same second: both are kept apart.
            last = saveCardBackup(*book, *side, "8949020000123456789", start.addSecs(i / 2 * 60));
            QVERIFY2(last.ok, last.error.c_str());
        }
        QCOMPARE(QString::fromStdString(last.path),
                 m_data + "/phonara/backups/card-20261206-041000-8949020000123456789_2.phn");

        const std::vector<std::string> backups = listBackups();
        QCOMPARE(backups.size(), std::size_t(20));
        QCOMPARE(backups.front(), last.path);
        // The two oldest (04:00:00 and its twin) are gone.
        QVERIFY(QString::fromStdString(backups.back())
                    .endsWith("card-20261206-040100-8949020000123456789.phn"));

        auto read = std::make_unique<PhoneBook>();
        auto readSide = std::make_unique<SideBooks>();
        QCOMPARE(loadPhnFile(last.path, read.get(), readSide->fdn.data(), readSide->fdnCount,
                             readSide->lnd.data(), readSide->lndCount),
                 1);
        QCOMPARE(read->contactCount(), 1u);
        QCOMPARE(read->contacts[0].numberText(), std::string_view("+4912345"));
        QCOMPARE(readSide->fdn[0].number.view(), std::string_view("110"));
    }

    void unwritableFolderIsReported()
    {
        QFile blocker(m_data + "/phonara");
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        auto book = std::make_unique<PhoneBook>();
        auto side = std::make_unique<SideBooks>();
        const BackupResult result = saveCardBackup(*book, *side, "");
        QVERIFY(!result.ok);
        QVERIFY(!result.error.empty());
    }
};

QTEST_GUILESS_MAIN(TestBackupStore)
#include "TestBackupStore.moc"
