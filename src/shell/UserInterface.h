#pragma once

#include "shell/OwnedText.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The core never shows anything itself: every message, question, PIN entry,
// file choice and progress display goes through this class. Implementations:
// Qt widgets (src/ui), the terminal (phonara-cli) and scripted answers (tests).
//
// Texts are passed by string-table id together with the text already loaded
// and formatted, so every implementation shows the same words and tests can
// check the id. Methods may be called from the card transfer worker; the Qt
// implementation marshals them to the GUI thread and blocks until answered.
//
// New methods get a default implementation so that existing implementations
// keep building.
class UserInterface
{
public:
    // None: a plain box (the PIN flows' success messages are shown without an icon).
    enum class Icon { Information, Question, Warning, Error, None };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Message
    {
        int id = 0;          // string-table id of the text
        std::string text;    // the text, loaded and formatted (UTF-8)
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        std::string caption; // empty: "Phonara"
    };

    virtual ~UserInterface() = default;

    virtual Answer message(const Message& message) = 0;

    // Shorthand: the information message box with OK for string `id`, formatted
    // with the printf-style arguments.
    void inform(int id, ...);

    // Long work (a card transfer): the GUI shows a modal progress dialog with
    // the caption while `work` runs on a worker thread, and returns when it ends.
    // The default runs `work` on the calling thread.
    virtual void runWithProgress(const std::string& caption, const std::function<void()>& work)
    {
        (void)caption;
        work();
    }
    // Called by the work while it runs: percentage 0..100, and a new caption.
    virtual void setProgress(int percent) { (void)percent; }
    virtual void setProgressCaption(const std::string& caption) { (void)caption; }

    // ---- card: PIN1/PIN2/PUK dialogs (added by the card code) ----

    // The six secret-code dialogs of the card flows. A dialog only collects the
    // entries; the card code decides what happens with them, and asks again
    // (with `initial` holding what stays in the edits) when a dialog has to stay
    // open. The rules for enabling OK are in src/card/PinRules.h.
    enum class PinDialogKind {
        EnterPin1,   // "PIN": one PIN edit (code); text = the attempts line
        ChangePin1,  // "Change PIN": "Enable PIN:" box, new PIN and confirmation
        UnblockPin1, // "Unblock SIM": PUK (code), new PIN, confirmation
        EnterPin2,   // "Enter PIN2": one PIN2 edit (code), the reader shown
        ChangePin2,  // "Change PIN2": new PIN2 and confirmation, the reader shown
        UnblockPin2, // "Unblock SIM": PUK2 (code), new PIN2, confirmation, the reader shown
    };

    // The contents of a PIN dialog's edits. The codes live in wiped buffers:
    // nothing they held stays in memory when they are replaced, moved or
    // destroyed. A copy is made only where an entries object is copied.
    struct PinEntries
    {
        OwnedText code;         // PIN (enter dialogs, ChangePin1: the current PIN) or PUK
        OwnedText newPin;       // change and unblock dialogs
        OwnedText confirmPin;   // change and unblock dialogs
        bool pinEnabled = true; // ChangePin1: the "Enable PIN:" box
        PinEntries() = default;
        PinEntries(const PinEntries& other) { *this = other; }
        PinEntries(PinEntries&&) noexcept = default;
        PinEntries& operator=(const PinEntries& other)
        {
            if (this != &other) {
                code.assign(other.code.view());
                newPin.assign(other.newPin.view());
                confirmPin.assign(other.confirmPin.view());
                pinEnabled = other.pinEnabled;
            }
            return *this;
        }
        PinEntries& operator=(PinEntries&&) noexcept = default;
        ~PinEntries() = default;
    };

    struct PinRequest
    {
        PinDialogKind kind = PinDialogKind::EnterPin1;
        std::string title;      // the dialog's title, loaded
        int textId = 0;         // string-table id of `text` (0: none)
        std::string text;       // the explanation or attempts line, formatted
        int attempts = -1;      // the count shown in `text` (-1: none)
        std::string readerName; // PIN2 dialogs: the reader, shown in bold
        PinEntries initial;     // what the edits hold when the dialog opens
    };

    struct PinAnswer
    {
        bool confirmed = false; // false: Cancel or Escape
        PinEntries entries;
    };

    // Default: cancelled, so implementations without PIN dialogs keep building.
    virtual PinAnswer askPin(const PinRequest& request)
    {
        (void)request;
        return {};
    }

    // ---- files: file choice, overwrite question, CSV mapping (added by the files code) ----

    // The Open, New and Save As file choosers. The overwrite question of New is
    // asked by the caller through message(); Save As asks it itself when
    // `confirmOverwrite` is set (a No there lets the user choose again).
    enum class FileDialogKind { Open, New, SaveAs };
    struct FileDialogRequest
    {
        FileDialogKind kind = FileDialogKind::Open;
        std::string title;         // loaded and formatted
        std::string filterName;    // "Address book files (*.phn)"
        std::string pattern;       // "*.phn"
        std::string defaultSuffix; // appended when the typed name has none ("phn"); may be empty
        std::string directory;     // where the dialog starts; empty lets it choose
        std::string fileName;      // pre-filled name (may be empty)
        bool fileMustExist = false;
        bool confirmOverwrite = false;
    };
    // The chosen path (file-system encoding, UTF-8 as a rule); empty when cancelled.
    virtual std::string chooseFile(const FileDialogRequest& request)
    {
        (void)request;
        return {};
    }

    // The CSV import's mapping dialog: `fields` are the texts of the file's
    // first line (UTF-8), one row each; the columns arrive as the header names
    // them (name and number 0 and 1 when it names none) and leave as the user
    // mapped them. true: Done; false: Cancel or closed.
    // The row rules of the dialog are in src/files/CsvMappingModel.h.
    struct CsvMappingRequest
    {
        std::vector<std::string> fields;
        unsigned nameField = 0;
        unsigned numberField = 1;
        // A contact's further numbers and e-mail addresses (in column order),
        // its second name, and a last name joined to the name after a blank.
        std::vector<unsigned> extraNumberFields = {};
        std::vector<unsigned> emailFields = {};
        std::optional<unsigned> secondNameField = {};
        std::optional<unsigned> lastNameField = {};
    };
    virtual bool mapCsvFields(CsvMappingRequest& mapping)
    {
        (void)mapping;
        return false;
    }
};
