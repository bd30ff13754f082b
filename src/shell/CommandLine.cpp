#include "shell/CommandLine.h"

namespace {
constexpr std::size_t kQuotedLimit = 258;
constexpr std::size_t kBareLimit = 259;
} // namespace

int parseCommandLinePath(const std::string& commandLine, std::string& path)
{
    path.clear();
    if (commandLine.empty())
        return 0;
    const auto quote = commandLine.find('"');
    if (quote == std::string::npos) {
        path = commandLine.substr(0, kBareLimit);
        return 1;
    }
    const auto start = quote + 1;
    const auto end = commandLine.find('"', start);
    const auto length = (end == std::string::npos ? commandLine.size() : end) - start;
    path = commandLine.substr(start, std::min(length, kQuotedLimit));
    return 1;
}
