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
