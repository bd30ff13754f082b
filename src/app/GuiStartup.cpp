#include "GuiStartup.h"

#include "card/transport/PcscApi.h"
#include "card/transport/SmartCardService.h"
#include "shell/Association.h"
#include "shell/CommandLine.h"
#include "shell/Config.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "ui/AppContext.h"
#include "ui/ConfirmWriteDialog.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QMessageBox>

namespace {
constexpr const char* kLogModule = "Phonar";
// Caption of the boxes shown before the main window exists.
constexpr const char* kExecutableName = "PhonaraApp";
constexpr const char* kAssociationKey = "if_pna_assotiate";
constexpr int kNotAssociated = 137;
constexpr int kFileTypeDescription = 138;
constexpr int kOpenVerb = 2340;
// This system is not one of the Windows kinds, so the service text is the one shown.
constexpr const char* kNoPcscService = "Error connecting to smart card service, please check if "
                                       "this service was started, and work propely!";
// The path field of the command line.
constexpr std::size_t kPathBuffer = 260;

std::string commandLineOf(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}
} // namespace

// A file manager may pass a name with blanks as several arguments: the
// arguments joined with blanks form the command line the path is taken from.
std::string startPathOf(int argc, char** argv)
{
    std::string path;
    parseCommandLinePath(commandLineOf(argc, argv), path);
    return path;
}

void offerFileAssociation()
{
    if (checkAssociation("phn", kExecutableName) != 0)
        return;
    std::string text = formatResString(kNotAssociated, "phn", kProductName);
    if (text.size() >= kPathBuffer)
        text.resize(kPathBuffer - 1);
    const ConfirmResult answer =
        confirmWriteDialog(nullptr, QString::fromLatin1(kProductName), QString::fromStdString(text),
                           kAssociationKey, resourceIcon(113), ConfirmResult::Cancel);
    // A skipped dialog counts as declined: only an explicit OK registers.
    if (answer == ConfirmResult::Ok)
        associate("phn", "PhonaraApp.Document", resString(kOpenVerb).c_str(), 0,
                  resString(kFileTypeDescription).c_str());
}

int runPhonaraGui(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProductName));
    QApplication::setOrganizationName(QString::fromLatin1(kCompanyName));
    // Docks and task bars match the window to the installed menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("PhonaraApp"));
    QApplication::setWindowIcon(resourceIcon(113));

    const std::string commandLine = commandLineOf(argc, argv);
    openLog(kLogModule);
    writeLog(LogLevel::Info, "Start", "Command line %s : %d", commandLine.c_str(), 1);

    const bool catalogue = loadLanguageLibrary("pna");
    startSmartcardService();

    void* pcscLibrary = nullptr;
    PcscApi api;
    if (!bindPcsc(pcscLibrary, api)) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kExecutableName),
                        QString::fromLatin1(kNoPcscService), QMessageBox::Ok);
        box.exec();
        if (catalogue)
            unloadLanguageLibrary();
        return 0;
    }

    offerFileAssociation();

    const std::string path = startPathOf(argc, argv);

    int status = 0;
    {
        AppContext app(api);
        MainWindow window(app);
        app.ui.setOwner(&window);
        window.openAtStart(path);
        window.show();
        if (readConfigNumber("CheckUpdate").value_or(0) != 0)
            window.startUpdateCheck(true);
        status = application.exec();
        // The card connection goes with the window.
        endSession(app.session);
    }

    if (catalogue)
        unloadLanguageLibrary();
    unbindPcsc(pcscLibrary, api);
    return status == 0 ? 0 : status;
}
