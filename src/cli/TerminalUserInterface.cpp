#include "cli/TerminalUserInterface.h"

#include "card/flows/CardMessages.h"
#include "card/flows/PinRules.h"
#include "shell/Strings.h"

#include <algorithm>
#include <cctype>
#include <ostream>

namespace {

// Messages that report a success; every other message with only an OK
// button tells why the work did not get done.
constexpr int kSuccessIds[] = {
    19,   // "SIM Card is successfully unblocked."
    310,  // an import's summary (CSV, vCard): it ran, and says what it left out
    21,   // "PIN enabled"
    23,   // "PIN disabled"
    2411, // "PIN is changed successfully!"
    807,  // "%d contacts are on the SIM Card now."
    808,  // "The backup of the SIM Card is in %s" (after a USIM write)
    815,  // "Names cut to fit the SIM Card: %s" (side books, written all the same)
    818,  // "The SIM Card already holds these contacts: nothing had to be written."
    825,  // "%d contacts were removed from the SIM Card."
    1900, // the card has both phone books: the USIM one is used (a notice)
};

// Labels of the dialogs' edits, used as prompts.
constexpr int kPinLabel = 2110;        // "PIN:"
constexpr int kConfirmPinLabel = 2101; // "Confirm PIN:"
constexpr int kPukLabel = 55;          // "PUK:"
constexpr int kPin2Label = 160;        // "Enter PIN2:"
constexpr int kConfirmPin2Label = 163; // "Confirm PIN2:"
constexpr int kPuk2Label = 166;        // "Enter PUK2:"
constexpr int kDeviceLabel = 158;      // "Device:"

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

std::size_t roleIndex(TerminalUserInterface::SecretRole role)
{
    return static_cast<std::size_t>(role);
}

// The code's name in complaints.
const char* roleText(TerminalUserInterface::SecretRole role, UserInterface::PinDialogKind kind)
{
    using Kind = UserInterface::PinDialogKind;
    const bool pin2 =
        kind == Kind::EnterPin2 || kind == Kind::ChangePin2 || kind == Kind::UnblockPin2;
    switch (role) {
    case TerminalUserInterface::SecretRole::Pin:
        return pin2 ? "PIN2" : "PIN";
    case TerminalUserInterface::SecretRole::Pin2:
        return "PIN2";
    case TerminalUserInterface::SecretRole::NewPin:
        return pin2 ? "new PIN2" : "new PIN";
    case TerminalUserInterface::SecretRole::Puk:
        return pin2 ? "PUK2" : "PUK";
    }
    return "code";
}

} // namespace

TerminalUserInterface::TerminalUserInterface(std::ostream& err, bool interactive, bool progress,
                                             SecretPrompt secretPrompt, LinePrompt linePrompt)
    : m_err(err), m_interactive(interactive), m_progress(progress),
      m_secretPrompt(std::move(secretPrompt)), m_linePrompt(std::move(linePrompt))
{
}

void TerminalUserInterface::setSecret(SecretRole role, OwnedText secret)
{
    m_secrets[roleIndex(role)] = std::move(secret);
}

void TerminalUserInterface::setSecretOption(SecretRole role, std::string option)
{
    m_options[roleIndex(role)] = std::move(option);
}

void TerminalUserInterface::setCsvMapping(std::optional<unsigned> nameField,
                                          std::optional<unsigned> numberField)
{
    m_nameField = nameField;
    m_numberField = numberField;
}

void TerminalUserInterface::complain(const std::string& text)
{
    endProgressLine();
    m_err << "phonara-cli: " << text << '\n' << std::flush;
    ++m_failures;
}

std::optional<bool> TerminalUserInterface::confirm(const std::string& question)
{
    if (m_assumeYes)
        return true;
    endProgressLine();
    if (!m_interactive) {
        // Shown all the same, so that the log of a script says what was not done.
        m_err << question << '\n' << std::flush;
        return std::nullopt;
    }
    const std::optional<std::string> answer = m_linePrompt(question + " [y/N] ");
    if (!answer)
        return false;
    const std::string word = trimmed(*answer);
    return word == "y" || word == "Y" || word == "yes" || word == "Yes" || word == "YES";
}

UserInterface::Answer TerminalUserInterface::message(const Message& message)
{
    endProgressLine();
    m_shownIds.push_back(message.id);
    if (message.buttons == Buttons::Ok) {
        m_err << message.text << '\n' << std::flush;
        if (std::find(std::begin(kSuccessIds), std::end(kSuccessIds), message.id) ==
            std::end(kSuccessIds))
            ++m_failures;
        return Answer::Ok;
    }
    const bool yesNo = message.buttons == Buttons::YesNo || message.buttons == Buttons::YesNoCancel;
    const std::optional<bool> yes = confirm(message.text);
    if (yes.value_or(false))
        return yesNo ? Answer::Yes : Answer::Ok;
    if (message.buttons == Buttons::YesNo)
        return Answer::No;
    return Answer::Cancel;
}

void TerminalUserInterface::runWithProgress(const std::string& caption,
                                            const std::function<void()>& work)
{
    m_inProgress = true;
    m_progressCaption = trimmed(caption);
    m_percent = 0;
    drawProgress();
    work();
    endProgressLine();
    m_inProgress = false;
}

void TerminalUserInterface::setProgress(int percent)
{
    m_percent = std::clamp(percent, 0, 100);
    drawProgress();
}

void TerminalUserInterface::setProgressCaption(const std::string& caption)
{
    m_progressCaption = trimmed(caption);
    drawProgress();
}

void TerminalUserInterface::drawProgress()
{
    if (!m_progress || !m_inProgress)
        return;
    // Back to the start of the line and clear what an earlier caption left.
    m_err << '\r' << m_progressCaption << ' ' << m_percent << "%\033[K" << std::flush;
    m_lineDrawn = true;
}

void TerminalUserInterface::endProgressLine()
{
    if (!m_lineDrawn)
        return;
    m_err << '\n' << std::flush;
    m_lineDrawn = false;
}

std::optional<OwnedText> TerminalUserInterface::secret(SecretRole role, const PinRequest& request,
                                                       const std::string& label)
{
    if (const std::optional<OwnedText>& given = m_secrets[roleIndex(role)])
        return OwnedText::of(given->view());
    const char* what = roleText(role, request.kind);
    if (!m_interactive) {
        complain(std::string("the card asks for the ") + what + ": name a file with " +
                 m_options[roleIndex(role)] + " or run the command on a terminal");
        return std::nullopt;
    }
    endProgressLine();
    std::optional<OwnedText> typed = m_secretPrompt(label + " ");
    if (!typed || typed->empty()) {
        complain(std::string("no ") + what + " given");
        return std::nullopt;
    }
    return typed;
}

// A new code from a file is taken as it is; one typed on the terminal is asked
// twice, and two different entries end the dialog before anything is sent.
std::optional<OwnedText> TerminalUserInterface::newSecret(const PinRequest& request,
                                                          const std::string& label,
                                                          const std::string& confirmLabel,
                                                          OwnedText& confirm)
{
    const bool fromFile = m_secrets[roleIndex(SecretRole::NewPin)].has_value();
    std::optional<OwnedText> newPin = secret(SecretRole::NewPin, request, label);
    if (!newPin)
        return std::nullopt;
    if (fromFile) {
        confirm.assign(newPin->view());
        return newPin;
    }
    std::optional<OwnedText> again = m_secretPrompt(confirmLabel + " ");
    if (!again) {
        complain("no confirmation given");
        return std::nullopt;
    }
    if (again->view() != newPin->view()) {
        inform(CardText::PinMismatch);
        return std::nullopt;
    }
    confirm.assign(again->view());
    return newPin;
}

// With one attempt left a wrong code blocks the code (for the PUK: the card,
// for good). A code given in a file is tried then only with
// --allow-last-attempt; otherwise, and for a code to be typed, the user is
// asked on the terminal first (--yes does not answer this). Without a
// terminal nothing is sent.
bool TerminalUserInterface::mayTryLastAttempt(SecretRole role, const PinRequest& request)
{
    if (request.attempts != 1)
        return true;
    if (m_secrets[roleIndex(role)].has_value() && m_allowLastAttempt)
        return true;
    const bool puk = role == SecretRole::Puk;
    const char* what = roleText(role, request.kind);
    const std::string warning = resString(puk ? CardText::LastPukAttempt : CardText::LastAttempt);
    if (!m_interactive) {
        complain(std::string("the card has one attempt left for the ") + what +
                 "; nothing was sent. " + warning +
                 " To try the code all the same, give --allow-last-attempt");
        return false;
    }
    endProgressLine();
    const std::optional<std::string> answer =
        m_linePrompt(warning + " Try the " + what + " all the same? [y/N] ");
    const std::string word = answer ? trimmed(*answer) : std::string();
    if (word == "y" || word == "Y" || word == "yes" || word == "Yes" || word == "YES")
        return true;
    complain(std::string("the ") + what + " was not tried");
    return false;
}

UserInterface::PinAnswer TerminalUserInterface::askPin(const PinRequest& request)
{
    PinAnswer answer;
    // A dialog that comes back has refused what it got; asking again would
    // only repeat the same codes, so the command gives up instead.
    if (!m_askedKinds.insert(request.kind).second)
        return answer;
    if (m_interactive) {
        endProgressLine();
        if (!request.title.empty())
            m_err << trimmed(request.title) << '\n';
        if (!request.text.empty())
            m_err << request.text << '\n';
        if (!request.readerName.empty())
            m_err << resString(kDeviceLabel) << ' ' << request.readerName << '\n';
        m_err << std::flush;
    }

    PinEntries& entries = answer.entries;
    std::optional<OwnedText> code;
    std::optional<OwnedText> newPin;
    OwnedText confirm;
    switch (request.kind) {
    case PinDialogKind::EnterPin1:
        if (!mayTryLastAttempt(SecretRole::Pin, request))
            return answer;
        code = secret(SecretRole::Pin, request, resString(kPinLabel));
        break;
    case PinDialogKind::EnterPin2:
        if (!mayTryLastAttempt(SecretRole::Pin2, request))
            return answer;
        code = secret(SecretRole::Pin2, request, resString(kPin2Label));
        break;
    case PinDialogKind::ChangePin1:
        entries = request.initial;
        if (m_pin1Choice == Pin1Choice::Disable) {
            entries.pinEnabled = false;
            answer.confirmed = true;
            return answer;
        }
        entries.pinEnabled = true;
        if (m_pin1Choice == Pin1Choice::Enable) {
            answer.confirmed = true;
            return answer;
        }
        [[fallthrough]];
    case PinDialogKind::ChangePin2: {
        const bool pin2 = request.kind == PinDialogKind::ChangePin2;
        newPin = newSecret(request, resString(pin2 ? kPin2Label : kPinLabel),
                           resString(pin2 ? kConfirmPin2Label : kConfirmPinLabel), confirm);
        if (!newPin)
            return answer;
        entries.newPin.assign(newPin->view());
        entries.confirmPin.assign(confirm.view());
        break;
    }
    case PinDialogKind::UnblockPin1:
    case PinDialogKind::UnblockPin2: {
        const bool pin2 = request.kind == PinDialogKind::UnblockPin2;
        if (!mayTryLastAttempt(SecretRole::Puk, request))
            return answer;
        code = secret(SecretRole::Puk, request, resString(pin2 ? kPuk2Label : kPukLabel));
        if (!code)
            return answer;
        newPin = newSecret(request, resString(pin2 ? kPin2Label : kPinLabel),
                           resString(pin2 ? kConfirmPin2Label : kConfirmPinLabel), confirm);
        if (!newPin)
            return answer;
        entries.newPin.assign(newPin->view());
        entries.confirmPin.assign(confirm.view());
        break;
    }
    }
    if (code)
        entries.code.assign(code->view());
    else if (request.kind == PinDialogKind::EnterPin1 || request.kind == PinDialogKind::EnterPin2)
        return answer;
    // A code that breaks its rule never goes to the card.
    if (const int refusal = pinEntriesRefusal(request.kind, entries)) {
        inform(refusal);
        return answer;
    }
    answer.confirmed = true;
    return answer;
}

bool TerminalUserInterface::mapCsvFields(CsvMappingRequest& mapping)
{
    // The fields named on the command line, else the ones the header named.
    const unsigned name = m_nameField.value_or(mapping.nameField);
    const unsigned number = m_numberField.value_or(mapping.numberField);
    const std::size_t fields = mapping.fields.size();
    if (name >= fields || number >= fields) {
        complain("the CSV file's first line has " + std::to_string(fields) +
                 " field(s), counted from 0; choose others with --name-field and "
                 "--number-field");
        return false;
    }
    if (name == number) {
        complain("field " + std::to_string(name) +
                 " cannot hold both names and numbers; choose with --name-field and "
                 "--number-field");
        return false;
    }
    // A last name goes with the first name the header has beside it.
    if (name != mapping.nameField)
        mapping.lastNameField.reset();
    mapping.nameField = name;
    mapping.numberField = number;
    return true;
}
