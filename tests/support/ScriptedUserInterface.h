#pragma once

#include "shell/UserInterface.h"

#include <deque>
#include <string>
#include <vector>

// A UserInterface for tests: records every message and progress display, and
// answers questions from a queue prepared by the test. Extend it with further
// recorded requests and answer queues as UserInterface grows.
class ScriptedUserInterface : public UserInterface
{
public:
    // Every message shown, in order.
    std::vector<Message> messages;
    // Answers handed out in order, one per message; when the queue is empty,
    // a message with a Yes button gets Yes, any other Ok.
    std::deque<Answer> answers;

    // Captions given to runWithProgress, and every percentage reported.
    std::vector<std::string> progressCaptions;
    std::vector<int> progressPercents;

    Answer message(const Message& message) override;
    void runWithProgress(const std::string& caption, const std::function<void()>& work) override;
    void setProgress(int percent) override;
    void setProgressCaption(const std::string& caption) override;

    // PIN dialogs: every request, in order, and the answers handed out in
    // order; when the queue is empty the dialog is cancelled.
    std::vector<PinRequest> pinRequests;
    std::deque<PinAnswer> pinAnswers;
    PinAnswer askPin(const PinRequest& request) override;
    // Queues a confirmed answer: the code (PIN or PUK), and for the change and
    // unblock dialogs the new PIN and its confirmation.
    void queuePin(const std::string& code, const std::string& newPin = {},
                  const std::string& confirmPin = {}, bool pinEnabled = true);
    void queuePinCancel();

    // File choosers: every request, in order; the answers are handed out in
    // order, and an empty queue (or an empty answer) cancels the dialog.
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::string> chosenFiles;
    std::string chooseFile(const FileDialogRequest& request) override;

    // CSV mapping dialog: every request as it arrived; the answers in order.
    // With the queue empty the dialog ends with Done, leaving the mapping as given.
    struct CsvMappingAnswer
    {
        bool done = true;
        unsigned nameField = 0;
        unsigned numberField = 1;
    };
    std::vector<CsvMappingRequest> csvMappingRequests;
    std::deque<CsvMappingAnswer> csvMappingAnswers;
    bool mapCsvFields(CsvMappingRequest& mapping) override;

    // The ids of the messages shown, in order.
    std::vector<int> messageIds() const;
    // Forgets what was recorded (the answers stay).
    void clearRecords();
};
