#pragma once

#include <cstdarg>
#include <string>

// Every text the user sees is loaded by its number from the string table.
// Built-in English texts (UTF-8), overridden id by id by the catalogue
// pna_lang.ini when one is found.

// Copies text `id` into `buffer` (or the shared 1024-byte buffer when none is
// given; size -1 means 1024). Unknown ids give the empty text.
const char* loadResString(int id, char* buffer = nullptr, int size = -1);
// Loads text `id` and formats it printf-style into `buffer` (or the shared buffer).
const char* formatResString(int id, char* buffer, int size, ...);
const char* formatResString1(int id, const char* argument, char* buffer, int size);

// Convenience forms for C++ callers that need their own copy.
std::string resString(int id);
std::string formatResString(int id, ...);
std::string vformatResString(int id, va_list args);

// The language catalogue "<prefix>_lang.ini" (UTF-8, section [Strings], lines
// id=text, \n and \r escapes; blanks around a text are dropped unless it is
// written in double quotes): looked for beside the executable, then in the
// XDG data folders under phonara/, then in the installation's data folder. Its texts take precedence id by id; an id it
// lacks, or gives an empty text, keeps the built-in text. Always true: the
// built-in table is there when no catalogue is found.
bool loadLanguageLibrary(const char* prefix);
// Uses the catalogue file at `path`; false when it cannot be read.
bool loadLanguageCatalogue(const std::string& path);
// Drops the catalogue; only the built-in texts remain.
void unloadLanguageLibrary();
// True while a catalogue is in use.
bool languageCatalogueLoaded();
