#include "cli/SecretInput.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// One line from `fd`, read byte by byte so that nothing after the line end is
// taken from the stream, into `out`. Bytes past kSecretLineLimit are read and
// dropped. False at end of input with nothing read.
bool readSecretLine(int fd, OwnedText& out)
{
    std::array<char, kSecretLineLimit + 1> line{};
    std::size_t length = 0;
    char c = 0;
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        if (length < kSecretLineLimit)
            line[length++] = c;
    }
    if (length > 0 && line[length - 1] == '\r')
        line[--length] = '\0';
    const bool assigned = any && out.assign(std::string_view(line.data(), length));
    wipeMemory(line.data(), line.size());
    wipeMemory(&c, sizeof c);
    return assigned;
}

std::optional<std::string> readPlainLine()
{
    std::string line;
    char c = 0;
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        line.push_back(c);
    }
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

std::optional<OwnedText> readSecretFile(const std::string& path, std::string& error)
{
    OwnedText secret;
    if (path == "-") {
        // Typed on a terminal: not shown.
        if (stdinIsTerminal()) {
            std::optional<OwnedText> typed = promptSecret("");
            if (typed && !typed->empty())
                return typed;
            error = "no code typed";
            return std::nullopt;
        }
        if (!readSecretLine(STDIN_FILENO, secret)) {
            error = "no code on standard input";
            return std::nullopt;
        }
    } else {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        readSecretLine(fd, secret);
        ::close(fd);
    }
    if (secret.empty()) {
        error = (path == "-" ? std::string("standard input") : path) +
                " holds no code on its first line";
        return std::nullopt;
    }
    return secret;
}

bool stdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<OwnedText> promptSecret(const std::string& prompt)
{
    return promptSecretOn(STDIN_FILENO, std::cerr, prompt);
}

std::optional<OwnedText> promptSecretOn(int fd, std::ostream& err, const std::string& prompt)
{
    err << prompt << std::flush;
    termios saved{};
    const bool terminal = ::tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    OwnedText secret;
    const bool read = readSecretLine(fd, secret);
    if (terminal)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
    if (!read)
        return std::nullopt;
    return secret;
}

std::optional<std::string> promptLine(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    return readPlainLine();
}
