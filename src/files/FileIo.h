#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Plain file access for the phone-book files. Paths are the platform's file
// names as bytes (UTF-8 on any usual system).

// Only regular files are read: a pipe, a device or a folder is refused at
// once, without waiting for a writer that may never come.

// The file's size, or 0 when it cannot be opened for reading (or is not a
// regular file).
uint64_t queryFileSize(const std::string& path);

// The whole file, or nullopt when it cannot be opened or read, or is larger
// than `maxSize` bytes. lastError() holds the errno value on failure (EINVAL
// for a file that is not a regular one, EFBIG for one that is too large).
std::optional<std::string> readWholeFile(const std::string& path, uint64_t maxSize);

// The first `maxBytes` bytes of the file (all of a shorter one), or nullopt
// when it cannot be opened or read.
std::optional<std::string> readFileStart(const std::string& path, uint64_t maxBytes);

// saveFileAtomically for callers that want a yes or no: lastError() holds
// the errno value on failure (EINVAL for an output that is not a regular file).
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Creates the file empty when it does not exist; an existing file is left as
// it is (a later save replaces it atomically). False when it cannot be created.
bool ensureFileExists(const std::string& path);

bool fileIsReadable(const std::string& path);

class UserInterface;

enum class FileProblem
{
    None,
    System,     // a system call failed: `error` holds its errno
    NotRegular, // a folder, a pipe, a device: never replaced, never read
    TooLarge,   // a file to read is larger than `limit` bytes
};

// The outcome of a save or a read: success, or what went wrong in the
// system's own words ("No space left on device").
struct FileResult
{
    FileProblem problem = FileProblem::None;
    int error = 0;      // errno of the failing call (FileProblem::System)
    uint64_t limit = 0; // the largest size taken (FileProblem::TooLarge)

    bool ok() const { return problem == FileProblem::None; }
    explicit operator bool() const { return ok(); }
    std::string reason() const;
};
using SaveResult = FileResult;

// Replaces the file with `bytes` so that the old contents are never lost:
// the bytes go into a temporary file beside it, every write is checked (a
// short write on a full disk fails), the file and then its folder are flushed
// to the disk, the old file's permissions are kept, and only then is the
// temporary file renamed over the old one. On any failure the old file is
// left exactly as it was and no temporary file remains. An existing output
// that is not a regular file (a pipe, a device, a folder) is refused; a
// symbolic link is saved through to its target (the link stays).
SaveResult saveFileAtomically(const std::string& path, std::string_view bytes);

// Whether the file can be opened for reading as a regular file.
FileResult checkInputFile(const std::string& path);

// Reads the whole of a regular file of at most `maxSize` bytes into `bytes`.
FileResult readInputFile(const std::string& path, uint64_t maxSize, std::string& bytes);

// "Could not open <path>: <reason>" (string 303), as text and as an error message.
std::string openFailureText(const std::string& path, const FileResult& result);
void tellOpenFailure(UserInterface& ui, const std::string& path, const FileResult& result);

// saveFileAtomically for a format whose reader takes at most `maxSize`
// bytes: a larger file is not written (FileProblem::TooLarge), so that what
// is saved can always be opened again.
SaveResult saveWithinLimit(const std::string& path, std::string_view bytes, uint64_t maxSize);

// "Could not save <path>: <reason>" (string 300), as text and as an error message.
std::string saveFailureText(const std::string& path, const FileResult& result);
void tellSaveFailure(UserInterface& ui, const std::string& path, const FileResult& result);

// The system calls a save makes, replaceable so that tests can make any one
// of them fail part-way.
struct FileSystemCalls
{
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
// Sets the calls used from now on and returns the previous ones.
FileSystemCalls setFileSystemCalls(const FileSystemCalls& calls);
// The real system calls.
FileSystemCalls systemFileCalls();
