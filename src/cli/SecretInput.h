#pragma once

#include <optional>
#include <string>

// Secret codes (PIN, PIN2, PUK) for the terminal front end: from a file's
// first line or from a prompt that does not echo. The texts are wiped when
// they go.

class SecretText
{
public:
    SecretText() = default;
    explicit SecretText(std::string text) : m_text(std::move(text)) {}
    SecretText(const SecretText& other) : m_text(other.m_text) {}
    SecretText& operator=(const SecretText& other);
    ~SecretText() { wipe(); }

    const std::string& text() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    void wipe();

private:
    std::string m_text;
};

// The first line of the file (without its line end); "-" reads standard
// input. nullopt with `error` set when the file cannot be read or the line
// is empty.
std::optional<SecretText> readSecretFile(const std::string& path, std::string& error);

// True when standard input is a terminal, where codes can be asked.
bool stdinIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal on
// standard input with echo off. nullopt at end of input.
std::optional<SecretText> promptSecret(const std::string& prompt);

// Shows `prompt` on standard error and reads one line (echoed) from standard
// input. nullopt at end of input.
std::optional<std::string> promptLine(const std::string& prompt);
