#pragma once

#include "cli/SecretInput.h"
#include "shell/UserInterface.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The UserInterface of phonara-cli. Messages go to standard error with the
// string table's texts; questions are answered by --yes, on the terminal, or
// else with No/Cancel; the PIN dialogs take their codes from the files named
// on the command line or ask for them on the terminal without echo; the
// progress of a card transfer is one line that rewrites itself, shown only
// when standard error is a terminal.
class TerminalUserInterface : public UserInterface
{
public:
    // The codes a command may need. Which dialog takes which code depends on
    // the command: PIN2 commands put PIN2 into Pin and PUK2 into Puk.
    enum class SecretRole
    {
        Pin,    // PIN1, or the current PIN2 of a PIN2 command
        Pin2,   // PIN2 asked during a write (fixed dialling numbers)
        NewPin, // the new PIN1 or PIN2
        Puk,    // PUK1 or PUK2
    };
    // What the Change PIN dialog is answered with.
    enum class Pin1Choice
    {
        Change,  // a new PIN1, the check stays (or is switched) on
        Enable,  // the check on, PIN1 unchanged
        Disable, // the check off
    };

    using SecretPrompt = std::function<std::optional<OwnedText>(const std::string& prompt)>;
    using LinePrompt = std::function<std::optional<std::string>(const std::string& prompt)>;

    // `interactive`: codes and answers may be asked on the terminal (through
    // the prompts). `progress`: standard error is a terminal that shows the
    // progress line.
    TerminalUserInterface(std::ostream& err, bool interactive, bool progress,
                          SecretPrompt secretPrompt = promptSecret,
                          LinePrompt linePrompt = promptLine);

    void setSecret(SecretRole role, OwnedText secret);
    // The option that names the file of a code, for the complaint when the
    // code is needed and cannot be asked.
    void setSecretOption(SecretRole role, std::string option);
    void setPin1Choice(Pin1Choice choice) { m_pin1Choice = choice; }
    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    // --allow-last-attempt: a code from a file or standard input may be tried
    // when the card has one attempt left for it (which a wrong code uses up).
    void setAllowLastAttempt(bool allow) { m_allowLastAttempt = allow; }
    void setCsvMapping(std::optional<unsigned> nameField, std::optional<unsigned> numberField);

    // Says `text` on standard error as the program's own complaint, and counts
    // it as a failure.
    void complain(const std::string& text);

    // Asks a yes/no question: --yes answers yes; on a terminal the user does;
    // otherwise the question is only shown and the answer is nullopt.
    std::optional<bool> confirm(const std::string& question);

    // Messages shown so far that report a failure (every message with only an
    // OK button but those that report a success), plus complaints and codes
    // that could not be had.
    int failures() const { return m_failures; }
    const std::vector<int>& shownIds() const { return m_shownIds; }

    Answer message(const Message& message) override;
    void runWithProgress(const std::string& caption, const std::function<void()>& work) override;
    void setProgress(int percent) override;
    void setProgressCaption(const std::string& caption) override;
    PinAnswer askPin(const PinRequest& request) override;
    bool mapCsvFields(CsvMappingRequest& mapping) override;

private:
    std::optional<OwnedText> secret(SecretRole role, const PinRequest& request,
                                    const std::string& label);
    std::optional<OwnedText> newSecret(const PinRequest& request, const std::string& label,
                                       const std::string& confirmLabel, OwnedText& confirm);
    bool mayTryLastAttempt(SecretRole role, const PinRequest& request);
    void drawProgress();
    void endProgressLine();

    std::ostream& m_err;
    bool m_interactive;
    bool m_progress;
    SecretPrompt m_secretPrompt;
    LinePrompt m_linePrompt;
    std::optional<OwnedText> m_secrets[4];
    std::string m_options[4] = {"--pin-file", "--pin2-file", "--new-pin-file", "--puk-file"};
    Pin1Choice m_pin1Choice = Pin1Choice::Change;
    bool m_assumeYes = false;
    bool m_allowLastAttempt = false;
    std::optional<unsigned> m_nameField;
    std::optional<unsigned> m_numberField;
    std::set<PinDialogKind> m_askedKinds;
    int m_failures = 0;
    std::vector<int> m_shownIds;
    // The progress line while a transfer runs.
    bool m_inProgress = false;
    bool m_lineDrawn = false;
    std::string m_progressCaption;
    int m_percent = 0;
};
