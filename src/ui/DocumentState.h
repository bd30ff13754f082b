#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"

#include <string>

// The main window's document state. One object per main window, owned by the
// application object and passed by reference. The part the card flows change
// (bookSource, selectedIndex, writeMode) is the BookState it derives from.
struct DocumentState : BookState
{
    bool modified = false;
    // Contacts typed or pasted while nothing was open: no file and no card yet.
    bool untitledList = false;
    // A CSV file is open, so the next Save must ask for a phone-book file name.
    bool needsFileName = false;
    std::string currentPath;
    PhoneBookKind shownBook = PhoneBookKind::PhoneBook;
    std::string selectedName;
    std::string selectedNumber;
    // Longest name the edit dialogs accept, and the record length of the open book.
    int nameLimit = 0;
    int recordLength = 0;
    // Set by Import/Export CSV just before the Open / Save As path runs.
    bool csvMode = false;

    bool fromNothing() const { return bookSource == BookSource::Nothing; }
    bool fromFile() const { return bookSource == BookSource::File; }
    bool fromCard() const { return bookSource == BookSource::Card; }
    // A book is open, or contacts were typed into an untitled list.
    bool hasBook() const { return !fromNothing() || untitledList; }
    bool phoneBookShown() const { return shownBook == PhoneBookKind::PhoneBook; }
    void clearSelection()
    {
        selectedIndex = -1;
        selectedName.clear();
        selectedNumber.clear();
    }
};

// Window title for the state: "Phonara", "Phonara - [ name ]" for a file,
// "Phonara - [SIM card] - reader" for a card.
std::string windowTitleFor(const DocumentState& state, const std::string& readerName);
// Status bar text: "count/records" for a card, "count/*" for a file, empty otherwise.
std::string statusTextFor(const DocumentState& state, unsigned contactCount,
                          unsigned cardRecordCount);
// The part of a path after its last separator.
std::string fileTitleOf(const std::string& path);
