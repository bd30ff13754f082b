#pragma once

#include <functional>
#include <string>

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
    enum class Icon { Information, Question, Warning, Error };
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

    // ---- files: file choice, overwrite question, CSV mapping (added by the files code) ----
};
