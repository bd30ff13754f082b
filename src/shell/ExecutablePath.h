#pragma once

#include <string>

// Full path of the running program (from /proc/self/exe); empty when unknown.
std::string executablePath();
// The folder that holds the running program, with a trailing '/'; empty when unknown.
std::string executableDir();
