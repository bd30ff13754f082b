#include "ScriptedUserInterface.h"
#include "files/FileDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Answer = UserInterface::Answer;

namespace {

// What a file dialog was asked to show, on one line: kind (0 open, 1 new,
// 2 save as), title, file name, folder, filter, pattern, suffix, then "must
// exist" and "confirm overwrite".
QString shown(const UserInterface::FileDialogRequest& r)
{
    return QString::fromStdString(std::to_string(int(r.kind)) + "|" + r.title + "|" + r.fileName +
                                  "|" + r.directory + "|" + r.filterName + "|" + r.pattern + "|" +
                                  r.defaultSuffix + "|" + (r.fileMustExist ? "exists" : "") + "|" +
                                  (r.confirmOverwrite ? "confirm" : ""));
}

} // namespace

class TestFileDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void newDialogAsksBeforeOverwriting()
    {
        const std::string existing = m_dir.filePath("old.phn").toStdString();
        QFile file(QString::fromStdString(existing));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const std::string fresh = m_dir.filePath("fresh.phn").toStdString();

        ScriptedUserInterface ui;
        ui.chosenFiles = {existing, fresh};
        ui.answers = {Answer::No};
        FileDialogMemory memory;
        std::string path;
        QVERIFY(promptOpenFile(ui, memory, PromptMode::New, path, false));
        QCOMPARE(path, fresh);
        QCOMPARE(ui.fileRequests.size(), 2u); // No showed the dialog again
        QCOMPARE(shown(ui.fileRequests[0]),
                 "1|New File|PhoneBook1.phn||Address book files (*.phn)|*.phn|phn||");
        QCOMPARE(ui.messageIds(), std::vector<int>{2403});
        QCOMPARE(ui.messages[0].text,
                 "File: " + existing + " already exists!\nWould you like to overwrite it?");
        QCOMPARE(memory.openDirectory, m_dir.path().toStdString() + "/");

        // Yes takes the existing file at once, without remembering its folder.
        FileDialogMemory untouched;
        ui.chosenFiles = {existing};
        ui.answers = {Answer::Yes};
        QVERIFY(promptOpenFile(ui, untouched, PromptMode::New, path, false));
        QCOMPARE(path, existing);
        QVERIFY(untouched.openDirectory.empty());

        ui.chosenFiles = {existing};
        ui.answers = {Answer::Cancel};
        QVERIFY(!promptOpenFile(ui, memory, PromptMode::New, path, false));
        QVERIFY(path.empty());
    }

    void openDialogFiltersAndRemembersFolder()
    {
        ScriptedUserInterface ui;
        FileDialogMemory memory{"/books/", ""};
        std::string path = "stale";
        QVERIFY(!promptOpenFile(ui, memory, PromptMode::Open, path, true)); // cancelled
        QVERIFY(path.empty());
        QCOMPARE(shown(ui.fileRequests[0]),
                 "0|Open||/books/|Address book files in csv (*.csv)|*.csv||exists|");

        ui.chosenFiles = {"/other/place/list.phn"};
        QVERIFY(promptOpenFile(ui, memory, PromptMode::Open, path, false));
        QCOMPARE(ui.fileRequests[1].filterName, std::string("Address book files (*.phn)"));
        QCOMPARE(memory.openDirectory, std::string("/other/place/"));
    }

    void changedFileIsOfferedForSaving()
    {
        int saved = 0;
        int emptied = 0;
        const OpenBookState book{true, true, [&] { ++saved; }, [&] { ++emptied; }};
        ScriptedUserInterface ui;
        FileDialogMemory memory;
        std::string path;

        ui.answers = {Answer::Cancel};
        QVERIFY(!promptOpenFile(ui, memory, PromptMode::Open, path, false, book));
        QVERIFY(ui.fileRequests.empty());
        QCOMPARE(emptied, 0);

        ui.answers = {Answer::Yes};
        promptOpenFile(ui, memory, PromptMode::Open, path, false, book);
        QCOMPARE(saved, 1);
        QCOMPARE(emptied, 1);
        QCOMPARE(ui.messageIds(), (std::vector<int>{1, 1}));

        ui.answers = {Answer::No};
        promptOpenFile(ui, memory, PromptMode::Open, path, false, book);
        QCOMPARE(saved, 1);
        QCOMPARE(emptied, 2);
    }

    void saveAsOffersTheNameWithoutExtension()
    {
        ScriptedUserInterface ui;
        FileDialogMemory memory{"", "/saved/"};
        std::string path = "/dir.d/book.phn";
        QVERIFY(!promptSaveFile(ui, memory, path, false, false));
        QCOMPARE(path, std::string("/dir.d/book.phn")); // cancelled: unchanged
        QCOMPARE(shown(ui.fileRequests.back()),
                 "2|Save As|book|/dir.d/|Address book files (*.phn)|*.phn|phn||confirm");

        // CSV export: the CSV filter and extension; a bare name starts in the save folder.
        path.clear();
        const std::string target = m_dir.filePath("export.csv").toStdString();
        ui.chosenFiles = {target};
        QVERIFY(promptSaveFile(ui, memory, path, true, false));
        QCOMPARE(shown(ui.fileRequests.back()),
                 "2|Save As||/saved/|Address book files in csv(*.csv)|*.csv|csv||confirm");
        QCOMPARE(path, target);
        QVERIFY(QFile::exists(QString::fromStdString(target)));
        QCOMPARE(memory.saveDirectory, m_dir.path().toStdString() + "/");

        // A folder that does not exist: the file cannot be made.
        ui.chosenFiles = {m_dir.filePath("none/x.phn").toStdString()};
        QVERIFY(!promptSaveFile(ui, memory, path, false, false));
        QCOMPARE(ui.messageIds(), std::vector<int>{25});
    }

    void saveAsWithNothingOpen()
    {
        ScriptedUserInterface ui;
        FileDialogMemory memory;
        std::string path;
        QVERIFY(!promptSaveFile(ui, memory, path, false, true));
        QCOMPARE(ui.messageIds(), std::vector<int>{6});
        QVERIFY(ui.fileRequests.empty());
    }
};

QTEST_GUILESS_MAIN(TestFileDialogs)
#include "TestFileDialogs.moc"
