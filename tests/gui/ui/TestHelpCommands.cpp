// The Help menu: the read-me and the check for a new version.

#include "GuiHarness.h"

#include "shell/Config.h"
#include "shell/ExecutablePath.h"
#include "shell/UpdateFeed.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

namespace {
// ReadMe.txt beside the test program, where the window looks first.
QString readmeBesideProgram()
{
    return QString::fromStdString(executableDir()) + "ReadMe.txt";
}

QDialog* readmeWindow(const GuiHarness& gui)
{
    return gui.window->findChild<QDialog*>("readmeWindow");
}
} // namespace

class TestHelpCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }
    void cleanup() { QFile::remove(readmeBesideProgram()); }

    // Without a desktop viewer (none under the offscreen platform) the read-me
    // opens in a window of our own; only a missing file is reported as such.
    void readme_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("missing") << false;
    }

    void readme()
    {
        QFETCH(bool, present);
        if (present) {
            QFile file(readmeBesideProgram());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Phonara read-me\nsecond line\n");
        }
        if (QFile::exists(QString::fromStdString(installedDocDir()) + "ReadMe.txt") && !present)
            QSKIP("an installed read-me is found instead");
        GuiHarness gui;
        // F1, as the Help menu says.
        QTest::keyClick(gui.window.get(), Qt::Key_F1);
        QDialog* window = readmeWindow(gui);
        QCOMPARE(window != nullptr, present);
        QCOMPARE(gui.messageIds(), present ? std::vector<int>{} : std::vector<int>{12});
        if (present) {
            QVERIFY(window->isVisible());
            QCOMPARE(window->findChild<QPlainTextEdit*>()->toPlainText(),
                     QString("Phonara read-me\nsecond line\n"));
        }
    }

    // Every way a check can end is told when it was asked for from the menu,
    // and every end clears the menu's tick.
    void updateCheck_data()
    {
        QTest::addColumn<QString>("feed"); // file contents; "missing": no file; "unset": no URL
        QTest::addColumn<QString>("told");
        QTest::newRow("newer version") << "version=999.0\nurl=https://example.org/get\n"
                                       << "Phonara 999.0 is available";
        QTest::newRow("same version")
            << "version=" + QString::fromStdString(programVersion()) << "is the latest version";
        QTest::newRow("empty feed") << ""
                                    << "failed: the answer holds no version number";
        QTest::newRow("feed not found") << "missing"
                                        << "The check for a new version failed: ";
        QTest::newRow("no feed set") << "unset"
                                     << "Update Feed URL";
    }

    void updateCheck()
    {
        QFETCH(QString, feed);
        QFETCH(QString, told);
        const QString path = qEnvironmentVariable("PHONARA_TEST_TMP") + "/feed.txt";
        QFile::remove(path);
        if (feed != "missing" && feed != "unset")
            writeTempFile("feed.txt", feed.toUtf8());
        if (feed != "unset")
            writeConfigText(kUpdateFeedSetting, QUrl::fromLocalFile(path).toString().toStdString());

        GuiHarness gui;
        QAction* update = gui.window->action(Command::Update);
        QVERIFY(!update->isChecked());
        update->trigger();
        QCOMPARE(readConfigNumber("CheckUpdate").value_or(0), 1);
        QTRY_COMPARE_WITH_TIMEOUT(gui.messages.size(), std::size_t(1), 20000);
        QVERIFY2(QString::fromStdString(gui.messages[0].text).contains(told),
                 gui.messages[0].text.c_str());
        QTRY_VERIFY_WITH_TIMEOUT(!update->isChecked(), 20000);
    }
};

QTEST_MAIN(TestHelpCommands)
#include "TestHelpCommands.moc"
