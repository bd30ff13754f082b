#include "ScriptedUserInterface.h"

UserInterface::Answer ScriptedUserInterface::message(const Message& message)
{
    messages.push_back(message);
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    const bool hasYes =
        message.buttons == Buttons::YesNo || message.buttons == Buttons::YesNoCancel;
    return hasYes ? Answer::Yes : Answer::Ok;
}

void ScriptedUserInterface::runWithProgress(const std::string& caption,
                                            const std::function<void()>& work)
{
    progressCaptions.push_back(caption);
    work();
}

void ScriptedUserInterface::setProgress(int percent)
{
    progressPercents.push_back(percent);
}

void ScriptedUserInterface::setProgressCaption(const std::string&) {}

std::vector<int> ScriptedUserInterface::messageIds() const
{
    std::vector<int> ids;
    ids.reserve(messages.size());
    for (const Message& shown : messages) {
        ids.push_back(shown.id);
    }
    return ids;
}

UserInterface::PinAnswer ScriptedUserInterface::askPin(const PinRequest& request)
{
    pinRequests.push_back(request);
    if (pinAnswers.empty()) {
        return {};
    }
    PinAnswer answer = pinAnswers.front();
    pinAnswers.pop_front();
    return answer;
}

void ScriptedUserInterface::queuePin(const std::string& code, const std::string& newPin,
                                     const std::string& confirmPin, bool pinEnabled)
{
    PinAnswer answer;
    answer.confirmed = true;
    answer.entries.code.assign(code);
    answer.entries.newPin.assign(newPin);
    answer.entries.confirmPin.assign(confirmPin);
    answer.entries.pinEnabled = pinEnabled;
    pinAnswers.push_back(answer);
}

void ScriptedUserInterface::queuePinCancel()
{
    pinAnswers.push_back(PinAnswer{});
}

std::string ScriptedUserInterface::chooseFile(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    if (chosenFiles.empty()) {
        return {};
    }
    std::string chosen = chosenFiles.front();
    chosenFiles.pop_front();
    return chosen;
}

bool ScriptedUserInterface::mapCsvFields(CsvMappingRequest& mapping)
{
    csvMappingRequests.push_back(mapping);
    if (csvMappingAnswers.empty()) {
        return true;
    }
    const CsvMappingAnswer answer = csvMappingAnswers.front();
    csvMappingAnswers.pop_front();
    if (answer.done) {
        mapping.nameField = answer.nameField;
        mapping.numberField = answer.numberField;
    }
    return answer.done;
}

void ScriptedUserInterface::clearRecords()
{
    pinRequests.clear();
    fileRequests.clear();
    csvMappingRequests.clear();
    messages.clear();
    progressCaptions.clear();
    progressPercents.clear();
}
