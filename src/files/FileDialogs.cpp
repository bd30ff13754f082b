#include "files/FileDialogs.h"

#include "files/FileIo.h"
#include "shell/Config.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

namespace {

constexpr int kAskSaveChanges = 1;
constexpr int kNothingToSave = 6;
constexpr int kCannotOpenFile = 25;
constexpr int kTextFile = 2324;
constexpr int kTextOpen = 2340;
constexpr int kTextNew = 2341;
constexpr int kTextSaveAs = 2343;
constexpr int kAskOverwrite = 2403;

constexpr const char* kPhnFilter = "Address book files (*.phn)";
constexpr const char* kCsvOpenFilter = "Address book files in csv (*.csv)";
constexpr const char* kCsvSaveFilter = "Address book files in csv(*.csv)";

// The directory part of a path, with its trailing '/' (empty without one).
std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

UserInterface::Answer askQuestion(UserInterface& ui, int id, std::string text)
{
    UserInterface::Message question;
    question.id = id;
    question.text = std::move(text);
    question.icon = UserInterface::Icon::Question;
    question.buttons = UserInterface::Buttons::YesNoCancel;
    question.caption = kProductName;
    return ui.message(question);
}

} // namespace

bool promptOpenFile(UserInterface& ui, FileDialogMemory& memory, PromptMode mode, std::string& path,
                    bool csv, const OpenBookState& book)
{
    // The process's working directory is left alone by the choosers here, so
    // there is nothing to remember and restore around them.
    if (book.fromFile) {
        if (book.modified) {
            switch (askQuestion(ui, kAskSaveChanges, resString(kAskSaveChanges))) {
            case UserInterface::Answer::Yes:
                if (book.save) {
                    book.save();
                }
                break;
            case UserInterface::Answer::No:
                break;
            default:
                return false;
            }
        }
        if (book.emptyList) {
            book.emptyList();
        }
    }

    UserInterface::FileDialogRequest request;
    request.directory = memory.openDirectory;
    if (mode == PromptMode::New) {
        request.kind = UserInterface::FileDialogKind::New;
        request.title = resString(kTextNew) + " " + resString(kTextFile);
        request.fileName = kNewPhoneBookName;
        request.defaultSuffix = "phn";
        request.filterName = kPhnFilter;
        request.pattern = "*.phn";
    } else {
        request.kind = UserInterface::FileDialogKind::Open;
        request.title = resString(kTextOpen);
        request.filterName = csv ? kCsvOpenFilter : kPhnFilter;
        request.pattern = csv ? "*.csv" : "*.phn";
        request.fileMustExist = true;
    }

    for (;;) {
        path = ui.chooseFile(request);
        if (path.empty()) {
            return false;
        }
        if (mode != PromptMode::New || !fileIsReadable(path)) {
            break;
        }
        const std::string shown = resString(kTextFile) + ": " + path;
        const UserInterface::Answer answer =
            askQuestion(ui, kAskOverwrite, formatResString(kAskOverwrite, shown.c_str()));
        if (answer == UserInterface::Answer::Yes) {
            return true;
        }
        if (answer != UserInterface::Answer::No) {
            path.clear();
            return false;
        }
    }
    memory.openDirectory = directoryOf(path);
    return true;
}

bool promptSaveFile(UserInterface& ui, FileDialogMemory& memory, std::string& path, bool csv,
                    bool nothingToSave)
{
    if (nothingToSave) {
        ui.inform(kNothingToSave);
        return false;
    }

    UserInterface::FileDialogRequest request;
    request.kind = UserInterface::FileDialogKind::SaveAs;
    request.title = resString(kTextSaveAs);
    request.filterName = csv ? kCsvSaveFilter : kPhnFilter;
    request.pattern = csv ? "*.csv" : "*.phn";
    request.defaultSuffix = csv ? "csv" : "phn";
    request.confirmOverwrite = true;

    // The current file's name is offered without its extension (the filter's
    // is added), in the current file's folder when it has one.
    std::string offered = path;
    const std::size_t dot = offered.rfind('.');
    if (dot != std::string::npos && offered.find('/', dot) == std::string::npos) {
        offered.erase(dot);
    }
    const std::string offeredDirectory = directoryOf(offered);
    request.directory = offeredDirectory.empty() ? memory.saveDirectory : offeredDirectory;
    request.fileName = offered.substr(offeredDirectory.size());

    const std::string chosen = ui.chooseFile(request);
    if (chosen.empty()) {
        return false;
    }
    path = chosen;
    memory.saveDirectory = directoryOf(chosen);
    if (!ensureFileExists(path)) {
        ui.inform(kCannotOpenFile);
        return false;
    }
    return true;
}
