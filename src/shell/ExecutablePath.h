#pragma once

#include <string>

// Full path of the running program (from /proc/self/exe); empty when unknown.
std::string executablePath();
// The folder that holds the running program, with a trailing '/'; empty when unknown.
std::string executableDir();
// Where an installed copy keeps its own data (PREFIX/share/phonara/ for
// PREFIX/bin/phonara), found from the program's folder so that any prefix
// works; with a trailing '/'. Empty when the program's folder is unknown.
std::string installedDataDir();
// The installed documentation folder (PREFIX/share/doc/phonara/), the same way.
std::string installedDocDir();
