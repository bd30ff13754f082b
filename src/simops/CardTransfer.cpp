#include "simops/CardTransfer.h"

#include "card/commands/FileIds.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"
#include "simops/BookReader.h"
#include "simops/BookWriter.h"
#include "simops/CardFiles.h"
#include "simops/PhoneBookWrite.h"
#include "simops/ProgressMeter.h"
#include "simops/UsimTransfer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace simops;

namespace {

constexpr int kReadingCaption = 73;
constexpr int kWritingCaption = 74;
constexpr int kSideBookMissing = 821; // "The %s could not be read from the SIM Card; ..."
constexpr int kFdnName = 822;
constexpr int kLndName = 823;
constexpr int kCutNames = 815; // "Names cut to fit the SIM Card: %s"
constexpr int kBookNotSelected = 827; // "The %s were not written: %s could not be selected (%s)."
constexpr int kBookRefused = 828;     // "The %s were not written in full: ..."
constexpr int kOwnNumbersName = 829;
constexpr int kPhoneBookNotWritten = 830;
constexpr int kBookNotRead = 831; // "The %s could not be read: %s could not be selected (%s)."
constexpr int kPhoneBookNotRead = 832;

// "EF FDN (6F3B)": the file a side book lives in, as the user is told of it.
std::string sideFileLabel(uint16_t fileId)
{
    const char* name = fileId == FileId::kFdn   ? "EF FDN"
                       : fileId == FileId::kLnd ? "EF LND"
                                                : "EF MSISDN";
    char label[24];
    std::snprintf(label, sizeof label, "%s (%04X)", name, fileId);
    return label;
}

std::string answerText(const CardResult& answer)
{
    if (!answer.answered())
        return answer.text;
    return answer.sw.hex() + (*answer.text != '\0' ? std::string(", ") + answer.text : "");
}

// A side book that was not written, or not in full: which book, which file,
// what the card answered and how far the write got; `then`, when not 0, the
// text of what the failure stopped.
void tellSideBookFailure(UserInterface& ui, uint16_t fileId, const BookWrite& write, int then = 0)
{
    const int nameId = fileId == FileId::kFdn   ? kFdnName
                       : fileId == FileId::kLnd ? kLndName
                                                : kOwnNumbersName;
    const std::string book = resString(nameId);
    const std::string file = sideFileLabel(fileId);
    UserInterface::Message message;
    message.icon = UserInterface::Icon::Warning;
    if (write.status == BookWrite::Status::SelectFailed) {
        message.id = kBookNotSelected;
        message.text = formatResString(kBookNotSelected, book.c_str(), file.c_str(),
                                       answerText(write.answer).c_str());
    } else {
        message.id = kBookRefused;
        message.text =
            formatResString(kBookRefused, book.c_str(), write.record, file.c_str(),
                            answerText(write.answer).c_str(), write.recordsWritten);
    }
    if (then != 0)
        message.text += "\n" + resString(then);
    ui.message(message);
}

} // namespace

WriteOutcome finishWrite(CardSession& session, UserInterface& ui, const WriteReport& report)
{
    if (report.stop == WriteStop::DryRun)
        return WriteOutcome::Completed;
    UserInterface::Message message;
    message.text = writeReportText(report, &message.id);
    message.icon =
        report.written() ? UserInterface::Icon::Information : UserInterface::Icon::Warning;
    ui.message(message);
    switch (report.stop) {
    case WriteStop::Completed:
        return WriteOutcome::Completed;
    case WriteStop::SideBookFailed:
        return WriteOutcome::SideBookFailed;
    case WriteStop::ReadFailed:
    case WriteStop::CardRemoved:
    case WriteStop::Refused:
    case WriteStop::NotKept:
        // The card is in doubt: the next command starts with a fresh connection.
        if (session.context != 0)
            endSession(session);
        return report.stop == WriteStop::ReadFailed ? WriteOutcome::ReadFailed
                                                    : WriteOutcome::UpdateFailed;
    default:
        return WriteOutcome::NotWritten;
    }
}

bool readFromCard(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    writeLog(LogLevel::Trace, kReadTag, "progress %c", 'r');
    ui.setProgressCaption(resString(kReadingCaption));
    // The read goes into a table of its own: a card pulled out half-way must not
    // leave a mixture of the old book and part of the card's in the program,
    // nor the card's dialled numbers beside a file's phone book.
    auto read = std::make_unique<CardBooksRead>();
    if (session.phoneBookPlace != PhoneBookPlace::SimAdn) {
        if (!readUsimBooks(session, ui, *read))
            return false;
    } else {
        ProgressMeter meter(session.adnRecordCount, ui);
        if (!readCardBooks(session, ui, meter, *read)) {
            // Without EF MSISDN a SIM's phone book is not read at all: say why.
            if (read->ownNumbersRefused) {
                UserInterface::Message message;
                message.id = kBookNotRead;
                message.icon = UserInterface::Icon::Warning;
                message.text = formatResString(kBookNotRead, resString(kOwnNumbersName).c_str(),
                                               sideFileLabel(FileId::kMsisdn).c_str(),
                                               answerText(*read->ownNumbersRefused).c_str());
                message.text += "\n" + resString(kPhoneBookNotRead);
                ui.message(message);
            }
            return false;
        }
    }
    storeCardBooks(*read, books.book, books.sideBooks);
    books.state.bookSource = BookSource::Card;
    // The phone book is shown all the same; the user learns which book is missing.
    for (const auto& [missing, nameId] :
         {std::pair{read->fdnIncomplete, kFdnName}, std::pair{read->lndIncomplete, kLndName}}) {
        if (missing)
            ui.inform(kSideBookMissing, resString(nameId).c_str());
    }
    return true;
}

SideBooksWrite writeSideBooks(CardSession& session, UserInterface& ui, const SideBooks& side,
                              std::vector<bool>& ext1Reserved, std::vector<bool>& ext2Reserved,
                              bool ownNumbersRequired)
{
    SideBooksWrite result;
    std::string cutNames;
    // Names cut to fit their records are told once the books are written.
    const auto noteCut = [&cutNames](const BookWrite& write) {
        for (const std::string& name : write.cutNames)
            cutNames += (cutNames.empty() ? "" : ", ") + name;
    };
    const auto tellCut = [&] {
        if (!cutNames.empty())
            ui.inform(kCutNames, cutNames.c_str());
    };
    // The card failure has been told; what it stopped has not.
    const auto stopBeforePhoneBook = [&] {
        UserInterface::Message message;
        message.id = kPhoneBookNotWritten;
        message.text = resString(kPhoneBookNotWritten);
        message.icon = UserInterface::Icon::Warning;
        ui.message(message);
        result.stop = WriteOutcome::ExtensionFailed;
        return result;
    };
    for (const auto& [fileId, entries] :
         {std::pair{FileId::kFdn, std::span<const BookEntry>(side.fdn)},
          std::pair{FileId::kLnd, std::span<const BookEntry>(side.lnd)}}) {
        const BookWrite write =
            writePhoneNumbers(session, ui, fileId, entries, 20,
                              fileId == FileId::kFdn ? &ext2Reserved : &ext1Reserved);
        // An extension record that could not be written has ended the connection
        // and told the user; the phone book is not written.
        noteCut(write);
        if (write.status == BookWrite::Status::ExtensionFailed || session.context == 0)
            return stopBeforePhoneBook();
        // A PIN2 that was refused or not given has been dealt with by the PIN2
        // dialog: the fixed dialling numbers stay as they are on the card.
        if (write.ok() || write.status == BookWrite::Status::Pin2NotGiven)
            continue;
        writeLog(LogLevel::Error, kReadTag, "progress write of file 0x%X stopped at record %d",
                 fileId, write.record);
        tellSideBookFailure(ui, fileId, write);
        // The other books are still written, as the user asked; the run does
        // not pass for done.
        result.allWritten = false;
    }
    if (!ownNumbersRequired &&
        std::none_of(side.msisdn.begin(), side.msisdn.end(),
                     [](const BookEntry& entry) { return entry.dirty != 0; })) {
        tellCut();
        return result;
    }
    const BookWrite own = writeOwnNumbers(session, ui, side.msisdn, &ext1Reserved);
    noteCut(own);
    tellCut();
    if (own.status == BookWrite::Status::ExtensionFailed || session.context == 0)
        return stopBeforePhoneBook();
    if (!own.ok()) {
        // Without EF MSISDN the phone book is not written at all: say so rather
        // than let the write pass for done and the changes for saved.
        tellSideBookFailure(ui, FileId::kMsisdn, own, kPhoneBookNotWritten);
        result.stop = WriteOutcome::OwnNumbersFailed;
    }
    return result;
}

WriteOutcome writeToCard(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    writeLog(LogLevel::Trace, kReadTag, "progress %c", 'w');
    ui.setProgressCaption(resString(kWritingCaption));
    if (session.phoneBookPlace != PhoneBookPlace::SimAdn)
        return writeUsimBook(session, books, ui);

    const WriteRequest defaults;
    const WriteRequest& request = books.request != nullptr ? *books.request : defaults;
    WriteReport local;
    WriteReport& report = books.report != nullptr ? *books.report : local;

    // The phone book is planned, checked and backed up before anything, the
    // side books included, is written.
    report = prepareWrite(session, ui, books.book, books.state.writeMode, request);
    if (report.stop != WriteStop::Completed)
        return finishWrite(session, ui, report);

    // The long numbers of the side books and own numbers take no extension
    // record that a contact keeps or is about to get, nor one another's.
    std::vector<bool> ext1Reserved = extensionsInUse(report);
    std::vector<bool> ext2Reserved;
    const SideBooksWrite side =
        writeSideBooks(session, ui, books.sideBooks, ext1Reserved, ext2Reserved, true);
    if (side.stop) {
        // The user has been told; the phone book was not written.
        report.stop = WriteStop::Refused;
        return *side.stop;
    }
    const bool sideBooksWritten = side.allWritten;

    ProgressMeter meter(report.plan.updateCount(), ui);
    carryOutPlan(session, report, meter);
    if (report.written() && !sideBooksWritten)
        report.stop = WriteStop::SideBookFailed;
    return finishWrite(session, ui, report);
}

int cardTransfer(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    switch (session.transferDirection) {
    case Transfer::Read: {
        bool complete = false;
        ui.runWithProgress(resString(kReadingCaption),
                           [&] { complete = readFromCard(session, books, ui); });
        return complete ? 0 : 1;
    }
    case Transfer::Write: {
        WriteOutcome outcome = WriteOutcome::Completed;
        ui.runWithProgress(resString(kWritingCaption),
                           [&] { outcome = writeToCard(session, books, ui); });
        return writeFailedOf(outcome);
    }
    case Transfer::None:
        break;
    }
    return 0;
}

TransferHook makeCardTransferHook(CardTransferBooks books, UserInterface& ui)
{
    return [books, &ui](CardSession& session) mutable { return cardTransfer(session, books, ui); };
}
