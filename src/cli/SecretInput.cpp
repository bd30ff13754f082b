#include "cli/SecretInput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include <termios.h>
#include <unistd.h>

namespace {

void wipeString(std::string& text)
{
    volatile char* bytes = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = 0;
    text.clear();
}

// One line from standard input, read byte by byte so that nothing after the
// line end is taken from the stream. nullopt at end of input with nothing read.
std::optional<std::string> readStdinLine()
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
    c = 0;
    if (!any) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

SecretText& SecretText::operator=(const SecretText& other)
{
    if (this != &other) {
        wipe();
        m_text = other.m_text;
    }
    return *this;
}

void SecretText::wipe()
{
    wipeString(m_text);
}

std::optional<SecretText> readSecretFile(const std::string& path, std::string& error)
{
    std::optional<std::string> line;
    if (path == "-") {
        // Typed on a terminal: not shown.
        if (stdinIsTerminal()) {
            std::optional<SecretText> typed = promptSecret("");
            if (typed && !typed->empty())
                return typed;
            error = "no code typed";
            return std::nullopt;
        }
        line = readStdinLine();
        if (!line) {
            error = "no code on standard input";
            return std::nullopt;
        }
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        std::string text;
        std::getline(file, text);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        line = std::move(text);
    }
    SecretText secret(std::move(*line));
    wipeString(*line);
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

std::optional<SecretText> promptSecret(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::optional<std::string> line = readStdinLine();
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!line)
        return std::nullopt;
    SecretText secret(*line);
    wipeString(*line);
    return secret;
}

std::optional<std::string> promptLine(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    return readStdinLine();
}
