#include "shell/Association.h"
#include "shell/CommandLine.h"
#include "shell/UpdateFeed.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The test runs with its own HOME and XDG folders.
        QVERIFY(qEnvironmentVariableIsSet("PHONARA_TEST_TMP"));
        QStandardPaths::setTestModeEnabled(false);
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("path");

        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("bare path taken whole") << "/tmp/my book.phn" << 1 << "/tmp/my book.phn";
        QTest::newRow("quoted, more arguments")
            << "\"/tmp/a b.phn\" --other x" << 1 << "/tmp/a b.phn";
        QTest::newRow("quote not closed") << "\"/tmp/a.phn" << 1 << "/tmp/a.phn";
        QTest::newRow("text before the quote") << "-x \"/tmp/c.phn\"" << 1 << "/tmp/c.phn";
        QTest::newRow("bare, cut to 259")
            << QString(300, QLatin1Char('a')) << 1 << QString(259, QLatin1Char('a'));
        QTest::newRow("quoted, cut to 258")
            << "\"" + QString(300, QLatin1Char('b')) << 1 << QString(258, QLatin1Char('b'));
    }

    void commandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(int, result);
        QFETCH(QString, path);

        std::string parsed = "left over";
        QCOMPARE(parseCommandLinePath(commandLine.toStdString(), parsed), result);
        QCOMPARE(QString::fromStdString(parsed), path);
    }

    void versions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "1.0.0"
                               << "1.0.0" << 0;
        QTest::newRow("missing parts are 0") << "1.0"
                                             << "1.0.0" << 0;
        QTest::newRow("numeric, not text") << "1.10"
                                           << "1.9" << 1;
        QTest::newRow("older") << "0.9.9"
                               << "1.0.0" << -1;
        QTest::newRow("suffix ignored") << "1.2.0-rc1"
                                        << "1.2" << 0;
    }

    void versions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareVersions(a.toStdString(), b.toStdString()), order);
        QCOMPARE(compareVersions(b.toStdString(), a.toStdString()), -order);
    }

    void updateFeed()
    {
        UpdateFeed feed;
        QVERIFY(parseUpdateFeed("# Phonara\n\nversion = 1.4.2\nurl=https://example.org/p\n", feed));
        QCOMPARE(QString::fromStdString(feed.version), QString("1.4.2"));
        QCOMPARE(QString::fromStdString(feed.url), QString("https://example.org/p"));
        QVERIFY(!parseUpdateFeed("url=https://example.org/p\n", feed));
        QVERIFY(!parseUpdateFeed("<html>not found</html>", feed));
        // No feed configured: no check, no traffic.
        QVERIFY(updateFeedUrl().empty());
    }

    void associationCheck_data()
    {
        QTest::addColumn<QString>("defaultHandler");
        QTest::addColumn<int>("associated");

        QTest::newRow("no handler") << "" << 0;
        QTest::newRow("our desktop file") << "PhonaraApp.desktop" << 1;
        QTest::newRow("lower case") << "phonaraapp.desktop" << 1;
        QTest::newRow("among others") << "other.desktop;PhonaraApp.desktop;" << 1;
        QTest::newRow("another program") << "org.example.Editor.desktop" << 0;
    }

    void associationCheck()
    {
        QFETCH(QString, defaultHandler);
        QFETCH(int, associated);

        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir().mkpath(config);
        QFile list(config + "/mimeapps.list");
        QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!defaultHandler.isEmpty()) {
            const QString type = QString::fromStdString(mimeTypeForExtension("phn"));
            list.write(("[Added Associations]\nx/y=z.desktop\n\n[Default Applications]\n" + type +
                        "=" + defaultHandler + "\n")
                           .toUtf8());
        }
        list.close();
        QCOMPARE(checkAssociation("phn", "PhonaraApp"), associated);
    }

    // Associate registers the type, the desktop file and the default handler,
    // and keeps what mimeapps.list held before.
    void associate()
    {
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QFile list(config + "/mimeapps.list");
        QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        list.write("[Default Applications]\ntext/plain=org.example.Editor.desktop\n");
        list.close();
        QCOMPARE(checkAssociation("phn", "PhonaraApp"), 0);

        QCOMPARE(::associate("phn", "PhonaraApp.Document", "Open", 0, "Phonara phonebook file"), 1);
        QCOMPARE(checkAssociation("phn", "PhonaraApp"), 1);

        QVERIFY(list.open(QIODevice::ReadOnly));
        const QString lists = QString::fromUtf8(list.readAll());
        QVERIFY(lists.contains("text/plain=org.example.Editor.desktop"));
        QFile desktop(data + "/applications/PhonaraApp.desktop");
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QString entry = QString::fromUtf8(desktop.readAll());
        QVERIFY(entry.contains("Exec="));
        QVERIFY(entry.contains(" %f\n"));
        QVERIFY(entry.contains("MimeType=" + QString::fromStdString(mimeTypeForExtension("phn")) +
                               ";"));
        QVERIFY(entry.contains("Comment=Phonara phonebook file"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
