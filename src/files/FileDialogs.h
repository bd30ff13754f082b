#pragma once

#include <functional>
#include <string>

class UserInterface;

// The Open, New and Save As dialogs of the phone-book and CSV files. The
// choosers themselves belong to the UserInterface; this is what the program
// asks, in which order, and what it remembers between two dialogs.

enum class PromptMode
{
    Open, // choose an existing file to open (or, with the CSV flag, to import)
    New,  // choose a name for a new phone-book file
};

// The directories of the last file opened and the last file saved, each with a
// trailing '/'; empty until a file was chosen (the dialog then picks a start).
struct FileDialogMemory
{
    std::string openDirectory;
    std::string saveDirectory;
};

// What the Open and New dialogs need to know of the book that is open now.
struct OpenBookState
{
    bool fromFile = false; // the open book came from a file
    bool modified = false; // it has unsaved changes
    // Saves the open book to its own file (asked before another file replaces it).
    std::function<void()> save;
    // Empties the contact list (the chosen file will fill it again).
    std::function<void()> emptyList;
};

inline constexpr const char* kNewPhoneBookName = "PhoneBook1.phn";

// Open ("open") or New ("new") dialog. A changed open file is offered for
// saving first (message 1, Yes/No/Cancel). In mode New an existing file asks
// message 2403 whether to overwrite it: Yes takes it, No shows the dialog
// again, Cancel gives up. true when `path` holds the chosen file; false with
// `path` empty when the user cancelled.
bool promptOpenFile(UserInterface& ui, FileDialogMemory& memory, PromptMode mode, std::string& path,
                    bool csv, const OpenBookState& book = {});

// Save As. `path` comes in as the current file (its name without extension is
// offered) and leaves as the chosen file, which then exists (an existing file
// keeps its contents until the save replaces them). `nothingToSave` (no book
// open and no untitled list) shows message 6 instead. false when cancelled.
bool promptSaveFile(UserInterface& ui, FileDialogMemory& memory, std::string& path, bool csv,
                    bool nothingToSave);
