#pragma once

#include "shell/OwnedText.h"

#include <iosfwd>
#include <optional>
#include <string>

// Secret codes (PIN, PIN2, PUK) for the terminal front end: from a file's
// first line or from a prompt that does not echo. Each code is read straight
// into its OwnedText, through a fixed buffer that is wiped: no other copy of
// it is left in memory.

// The longest line kept of a code; a longer one is kept cut to this length,
// which no code rule accepts, so it is refused, never used.
inline constexpr std::size_t kSecretLineLimit = 64;

// The first line of the file (without its line end); "-" reads standard
// input. nullopt with `error` set when the file cannot be read or the line
// is empty.
std::optional<OwnedText> readSecretFile(const std::string& path, std::string& error);

// True when standard input is a terminal, where codes can be asked.
bool stdinIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal on
// standard input with echo off. nullopt at end of input.
std::optional<OwnedText> promptSecret(const std::string& prompt);
// The same on the terminal `fd`, showing `prompt` on `err`.
std::optional<OwnedText> promptSecretOn(int fd, std::ostream& err, const std::string& prompt);

// Shows `prompt` on standard error and reads one line (echoed) from standard
// input. nullopt at end of input.
std::optional<std::string> promptLine(const std::string& prompt);
