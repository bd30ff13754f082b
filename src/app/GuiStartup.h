#pragma once

#include <string>

// The GUI's start-up and shutdown: log, language catalogue, pcscd check,
// PC/SC binding, the .phn association offer, the main window with the file
// named on the command line, and the release of all of it in reverse order.
// Returns the process's exit status.
int runPhonaraGui(int argc, char** argv);

// Offers to register the .phn file type when it is not registered to the
// program, unless the user ticked "Don't show this dialog again" before.
void offerFileAssociation();

// The file to open at start: the command line after the program name, a
// quoted name counting alone.
std::string startPathOf(int argc, char** argv);
