#include "ScriptedUserInterface.h"
#include "files/FileDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Kind = UserInterface::FileDialogKind;
using Answer = UserInterface::Answer;

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
        const auto& request = ui.fileRequests[0];
        QCOMPARE(request.kind, Kind::New);
        QCOMPARE(request.title, std::string("New File"));
        QCOMPARE(request.fileName, std::string("PhoneBook1.phn"));
        QCOMPARE(request.defaultSuffix, std::string("phn"));
        QCOMPARE(request.filterName, std::string("Address book files (*.phn)"));
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
        const auto& request = ui.fileRequests[0];
        QCOMPARE(request.kind, Kind::Open);
        QCOMPARE(request.title, std::string("Open"));
        QCOMPARE(request.filterName, std::string("Address book files in csv (*.csv)"));
        QCOMPARE(request.pattern, std::string("*.csv"));
        QCOMPARE(request.directory, std::string("/books/"));
        QVERIFY(request.fileMustExist);
        QVERIFY(request.fileName.empty());

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
        auto request = ui.fileRequests.back();
        QCOMPARE(request.kind, Kind::SaveAs);
        QCOMPARE(request.title, std::string("Save As"));
        QCOMPARE(request.fileName, std::string("book"));
        QCOMPARE(request.directory, std::string("/dir.d/"));
        QCOMPARE(request.filterName, std::string("Address book files (*.phn)"));
        QCOMPARE(request.defaultSuffix, std::string("phn"));
        QVERIFY(request.confirmOverwrite);

        // CSV export: the CSV filter and extension; a bare name starts in the save folder.
        path.clear();
        const std::string target = m_dir.filePath("export.csv").toStdString();
        ui.chosenFiles = {target};
        QVERIFY(promptSaveFile(ui, memory, path, true, false));
        request = ui.fileRequests.back();
        QCOMPARE(request.filterName, std::string("Address book files in csv(*.csv)"));
        QCOMPARE(request.defaultSuffix, std::string("csv"));
        QCOMPARE(request.directory, std::string("/saved/"));
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
