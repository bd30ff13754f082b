#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Plain file access for the phone-book files. Paths are the platform's file
// names as bytes (UTF-8 on any usual system).

// The file's size, or 0 when it cannot be opened for reading (or is not a
// regular file).
uint64_t queryFileSize(const std::string& path);

// The whole file, or nullopt when it cannot be opened or read, or is larger
// than `maxSize` bytes. lastError() holds the errno value on failure.
std::optional<std::string> readWholeFile(const std::string& path, uint64_t maxSize);

// The first `maxBytes` bytes of the file (all of a shorter one), or nullopt
// when it cannot be opened or read.
std::optional<std::string> readFileStart(const std::string& path, uint64_t maxBytes);

// Replaces the file with `bytes` without ever destroying the old contents
// first: the new text goes into a temporary file beside it, is flushed to the
// disk, and only then renamed over the old file. On any failure (no room, no
// permission, an interrupted write) the old file is left exactly as it was,
// the temporary file is removed, lastError() holds the errno value and the
// result is false. An existing file keeps its permissions.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Creates the file empty when it does not exist; an existing file is left as
// it is (a later save replaces it atomically). False when it cannot be created.
bool ensureFileExists(const std::string& path);

bool fileIsReadable(const std::string& path);
