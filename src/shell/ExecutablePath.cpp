#include "shell/ExecutablePath.h"

#include <climits>
#include <unistd.h>

std::string executablePath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    return std::string(path, static_cast<std::size_t>(n));
}

std::string executableDir()
{
    std::string path = executablePath();
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    path.resize(slash + 1);
    return path;
}

namespace {
// Paths from the program's folder to its data and documentation folders; the
// build passes those of its install layout.
#ifndef PHONARA_DATA_FROM_BIN
#define PHONARA_DATA_FROM_BIN "../share/phonara"
#endif
#ifndef PHONARA_DOC_FROM_BIN
#define PHONARA_DOC_FROM_BIN "../share/doc/phonara"
#endif

std::string besideProgram(const char* relative)
{
    const std::string dir = executableDir();
    return dir.empty() ? dir : dir + relative + '/';
}
} // namespace

std::string installedDataDir()
{
    return besideProgram(PHONARA_DATA_FROM_BIN);
}

std::string installedDocDir()
{
    return besideProgram(PHONARA_DOC_FROM_BIN);
}
