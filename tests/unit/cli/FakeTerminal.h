#pragma once

// Terminal answers prepared by a test, and the prompts that asked for them:
// the secret and line prompts a TerminalUserInterface or phonara-cli takes.

#include "cli/TerminalUserInterface.h"

#include <deque>
#include <string>
#include <vector>

struct FakeTerminal
{
    std::deque<std::string> secrets;
    std::deque<std::string> lines;
    std::vector<std::string> prompts;

    // No answer left reads as the end of input.
    TerminalUserInterface::SecretPrompt secretPrompt()
    {
        return [this](const std::string& prompt) -> std::optional<OwnedText> {
            prompts.push_back(prompt);
            if (secrets.empty())
                return std::nullopt;
            OwnedText text = OwnedText::of(secrets.front());
            secrets.pop_front();
            return text;
        };
    }

    TerminalUserInterface::LinePrompt linePrompt()
    {
        return [this](const std::string& prompt) -> std::optional<std::string> {
            prompts.push_back(prompt);
            if (lines.empty())
                return std::nullopt;
            std::string line = lines.front();
            lines.pop_front();
            return line;
        };
    }
};
