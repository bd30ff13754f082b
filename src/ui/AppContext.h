#pragma once

#include "DocumentState.h"
#include "QtUserInterface.h"
#include "card/flows/CardSession.h"
#include "files/FileDialogs.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

// Everything the main window works on, owned by the application object for
// the life of the process and handed to the window by reference. A test
// builds a fresh one around its own PC/SC table.
struct AppContext
{
    explicit AppContext(const PcscApi& pcscApi) : session(pcscApi) {}
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    DocumentState state;
    PhoneBook book;
    SideBooks sideBooks;
    CardSession session;
    FileDialogMemory fileDialogs;
    QtUserInterface ui;
};
