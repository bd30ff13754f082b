#pragma once

#include <string>

// The .phn file type on a freedesktop desktop: a MIME type for the extension,
// the desktop file PhonaraApp.desktop, and the user's default handler in
// mimeapps.list.

// MIME type of the extension: the shared MIME database's answer, or our own
// type for "phn" when the database does not know it yet.
std::string mimeTypeForExtension(const std::string& extension);

// 1 when the user's default handler of the extension's MIME type names `name`
// (any letter case), else 0. Looks at the mimeapps.list files in the order
// the desktop reads them; the first one with an entry decides.
int checkAssociation(const char* extension, const char* name);

// Registers the type for the current user: the MIME type (glob *.extension,
// `description` as its comment), a desktop file that opens the program with
// the file's path, and that desktop file as the default handler. `className`
// names the desktop file ("PhonaraApp.Document" gives PhonaraApp.desktop);
// `verb` is the action's name. 1 on success.
int associate(const char* extension, const char* className, const char* verb, int flags,
              const char* description);
