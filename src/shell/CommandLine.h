#pragma once

#include <string>

// The path of the file to open at start. 0 when the command line is empty;
// otherwise 1 with `path` holding the text after the first double quote up to
// the next one or the end (at most 258 characters), or, without a double
// quote, the whole command line (at most 259 characters). Only the first
// quoted name counts.
int parseCommandLinePath(const std::string& commandLine, std::string& path);
