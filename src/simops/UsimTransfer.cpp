#include "simops/UsimTransfer.h"

#include "card/commands/FileIds.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"
#include "simops/BackupStore.h"
#include "simops/CardFiles.h"
#include "simops/PhoneBookWrite.h"
#include "simops/ProgressMeter.h"
#include "simops/UsimWritePlan.h"

#include <memory>
#include <string>

using namespace simops;

namespace {

constexpr const char* kTag = "usim_transfer";

// Message ids of the USIM phone book.
constexpr int kBothBooks = 1900;
constexpr int kNotAllWritten = 1901;
constexpr int kLeftOver = 1902;
constexpr int kNumbersCut = 1903;
constexpr int kExtraNumbersDropped = 1904;
constexpr int kEmailsDropped = 1905;
constexpr int kTextsCut = 1906;
constexpr int kSecondNamesDropped = 1907;
constexpr int kContactsConcerned = 1908;
constexpr int kTooMany = 1909;
constexpr int kBadPbr = 1910;
// "A fixed dialling number, last number dialled or own number was not written."
constexpr int kSideBookFailed = 819;
constexpr int kWriteWhatFits = 804;  // "Write the contacts that fit?"
constexpr int kNothingWritten = 817; // "Nothing was written."
constexpr int kBackupIn = 808;       // "The backup of the SIM Card is in %s"
constexpr int kBackupFailed =
    813; // "Nothing was written: the SIM Card's books could not be backed up (%s)."
constexpr int kDryRun = 1922;
constexpr int kWouldNotFit = 1923;

void tellFailure(CardSession& session, UserInterface& ui, const usim::CardBook& card)
{
    const CardResult& failure = card.failure();
    if (failure.outcome == CardOutcome::Unknown && failure.sw.value() == 0 && failure.answered())
        ui.inform(kBadPbr);
    else
        reportCardError(ui, failure.errorCode());
    endSession(session);
}

void noteGeometry(CardSession& session, const usim::BookImage& image)
{
    session.adnRecordLength = image.sets.front().adn.recordLength;
    session.adnNameLength = session.adnRecordLength - static_cast<int>(SimRecord::kFixedPartLength);
    session.adnRecordCount = image.contactCount();
}

// Leaves the first ADN file selected, as the SIM's read leaves EF ADN: a kept
// connection is probed by reading its record 1.
void selectFirstAdn(usim::CardBook& card, usim::BookImage& image)
{
    std::vector<uint8_t> first = image.sets.front().adn.records.front();
    image.sets.front().adn.records.front().clear();
    card.load(image.sets.front().adn, 1);
    if (image.sets.front().adn.records.front().empty())
        image.sets.front().adn.records.front() = std::move(first);
}

void tellBothBooks(CardSession& session, UserInterface& ui)
{
    if (session.simAdnToo)
        ui.inform(kBothBooks);
}

// What does not fit, under the heading `headingId`: one line per kind of loss
// and the contacts concerned.
std::string lossesText(const usim::PlanLosses& losses, int headingId)
{
    std::string text = resString(headingId);
    const auto line = [&text](int id, int count) {
        if (count != 0)
            text += "\n" + formatResString(id, count);
    };
    line(kLeftOver, losses.contactsLeftOver);
    line(kNumbersCut, losses.numbersCut);
    line(kExtraNumbersDropped, losses.extraNumbersDropped);
    line(kEmailsDropped, losses.emailsDropped);
    line(kTextsCut, losses.textsCut);
    line(kSecondNamesDropped, losses.secondNamesDropped);
    std::string names;
    for (const std::string& name : losses.names)
        names += (names.empty() ? "" : ", ") + name;
    text += "\n" + formatResString(kContactsConcerned, names.c_str());
    return text;
}

UserInterface::Answer tellLosses(UserInterface& ui, const usim::PlanLosses& losses,
                                 int headingId = kNotAllWritten, std::string tail = {},
                                 UserInterface::Buttons buttons = UserInterface::Buttons::Ok)
{
    if (!losses.any())
        return UserInterface::Answer::Ok;
    UserInterface::Message message;
    message.id = headingId;
    message.text = lossesText(losses, headingId) + tail;
    message.icon = buttons == UserInterface::Buttons::Ok ? UserInterface::Icon::Warning
                                                         : UserInterface::Icon::Question;
    message.buttons = buttons;
    return ui.message(message);
}

// The card's books as they are before the write, saved as a backup file: the
// USIM phone book from the records read for the plan, the fixed dialling and
// last dialled numbers read again.
BackupResult backUpCard(CardSession& session, UserInterface& ui, const usim::BookImage& image)
{
    auto saved = std::make_unique<CardBooksRead>();
    readPhoneNumbers(session, ui, FileId::kFdn, saved->sideBooks.fdn, saved->sideBooks.fdnCount);
    readPhoneNumbers(session, ui, FileId::kLnd, saved->sideBooks.lnd, saved->sideBooks.lndCount);
    auto book = std::make_unique<PhoneBook>();
    for (const Contact& contact : usim::contactsOf(image))
        book->append(contact);
    return saveCardBackup(*book, saved->sideBooks, session.iccid.data());
}

// Before anything is written: a plan that loses something goes on only when
// the user asked for a partial write, or says so when asked (the program
// asks, phonara-cli does not). False: nothing is to be written, the user
// has been told.
bool lossesAccepted(UserInterface& ui, const usim::PlanLosses& losses, const WriteRequest& request)
{
    if (!losses.any() || request.allowPartial)
        return true;
    if (request.approve &&
        tellLosses(ui, losses, kWouldNotFit, "\n" + resString(kWriteWhatFits),
                   UserInterface::Buttons::OkCancel) == UserInterface::Answer::Ok)
        return true;
    if (request.approve)
        ui.inform(kNothingWritten);
    else
        tellLosses(ui, losses, kWouldNotFit, "\n" + resString(kNothingWritten));
    return false;
}

} // namespace

bool readUsimBooks(CardSession& session, UserInterface& ui, CardBooksRead& out)
{
    // The side books first, where the card keeps them (fixed dialling and own
    // numbers in ADF USIM, last dialled under DF TELECOM): a book the card does
    // not have stays empty.
    SideBooks& side = out.sideBooks;
    readPhoneNumbers(session, ui, FileId::kFdn, side.fdn, side.fdnCount, &out.fdnIncomplete);
    readPhoneNumbers(session, ui, FileId::kLnd, side.lnd, side.lndCount, &out.lndIncomplete);
    // An extension record that could not be read has ended the connection (and told the user).
    if (session.context == 0)
        return false;
    readMsisdn(session, ui, side.msisdn, side.msisdnCount);
    if (session.context == 0)
        return false;

    usim::CardBook card(session);
    usim::BookImage image;
    if (!card.open(image)) {
        tellFailure(session, ui, card);
        return false;
    }
    noteGeometry(session, image);
    tellBothBooks(session, ui);
    ProgressMeter meter(image.contactCount(), ui);
    int done = 0;
    for (usim::SetImage& set : image.sets)
        for (int r = 1; r <= set.adn.recordCount; ++r) {
            if (!card.load(set.adn, r)) {
                tellFailure(session, ui, card);
                return false;
            }
            meter.advance(++done);
        }
    if (!usim::loadLinked(card, image)) {
        tellFailure(session, ui, card);
        return false;
    }
    out.contacts = usim::contactsOf(image);
    selectFirstAdn(card, image);
    writeLog(LogLevel::Trace, kTag, "read %d contacts with %d commands",
             static_cast<int>(out.contacts.size()), card.commandsSent());
    return true;
}

WriteOutcome writeUsimBook(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    usim::CardBook card(session);
    usim::BookImage image;
    if (!card.open(image)) {
        tellFailure(session, ui, card);
        return WriteOutcome::ReadFailed;
    }
    noteGeometry(session, image);
    tellBothBooks(session, ui);
    for (usim::SetImage& set : image.sets) {
        bool loaded = card.loadAll(set.adn) && (!set.iap || card.loadAll(*set.iap)) &&
                      (!set.sne || card.loadAll(*set.sne));
        for (auto* files : {&set.anr, &set.email})
            for (usim::FileImage& file : *files)
                loaded = loaded && card.loadAll(file);
        if (!loaded) {
            tellFailure(session, ui, card);
            return WriteOutcome::ReadFailed;
        }
    }
    if (image.ext1 && !card.loadAll(*image.ext1)) {
        tellFailure(session, ui, card);
        return WriteOutcome::ReadFailed;
    }

    const WriteMode mode = books.state.writeMode;
    const bool selectedOnly = mode == WriteMode::WriteSelected || mode == WriteMode::AddSelected;
    std::vector<const Contact*> contacts;
    if (mode != WriteMode::ClearCard)
        for (uint32_t i = 0; i < books.book.contactCount(); ++i)
            if (!selectedOnly || books.book.isSelected(i))
                contacts.push_back(&books.book.contacts[i]);
    const usim::PlanMode planMode = mode == WriteMode::AddAll || mode == WriteMode::AddSelected
                                        ? usim::PlanMode::Add
                                        : usim::PlanMode::Replace;
    const usim::Plan plan = usim::planWrite(image, contacts, planMode);
    if (plan.tooMany) {
        ui.inform(kTooMany, static_cast<int>(contacts.size()), image.contactCount());
        endSession(session);
        return WriteOutcome::RecordCountExceeded;
    }

    const WriteRequest defaults;
    const WriteRequest& request = books.request != nullptr ? *books.request : defaults;
    std::vector<usim::RecordUpdate> updates = usim::updatesOf(image, plan);
    if (request.dryRun) {
        ui.inform(kDryRun, plan.contactsPlaced, static_cast<int>(contacts.size()),
                  static_cast<int>(updates.size()));
        tellLosses(ui, plan.losses, kWouldNotFit);
        return WriteOutcome::Completed;
    }
    if (!lossesAccepted(ui, plan.losses, request))
        return WriteOutcome::NotWritten;
    std::string backupPath;
    if (request.backup && !updates.empty()) {
        BackupResult backup = backUpCard(session, ui, image);
        if (!backup.ok) {
            ui.inform(kBackupFailed, backup.error.c_str());
            return WriteOutcome::NotWritten;
        }
        backupPath = std::move(backup.path);
    }

    // The changed side books go first, as on a SIM; they are not part of the
    // USIM phone book and take none of its records.
    // The side books' extension files are not the USIM phone book's. But a
    // card that also has the older phone book keeps its long numbers in DF
    // TELECOM's EXT1, which the last dialled and own numbers share: the
    // records it names, and those of the side books that stay, are not free.
    std::vector<bool> ext1Reserved;
    std::vector<bool> ext2Reserved;
    {
        WriteReport older;
        const CardResult read = readCardImage(session, older.image);
        if (read.ok())
            ext1Reserved = extensionsInUse(older);
        else if (!read.answered()) {
            reportCardError(ui, read.errorCode());
            endSession(session);
            return WriteOutcome::UpdateFailed;
        }
        card.forgetSelection();
    }
    const SideBooksWrite side =
        writeSideBooks(session, ui, books.sideBooks, ext1Reserved, ext2Reserved, false);
    if (side.stop)
        return *side.stop;
    if (!side.allWritten)
        ui.inform(kSideBookFailed);
    // The backup and the side books have selected files of their own.
    card.forgetSelection();

    writeLog(LogLevel::Trace, kTag, "%d contacts placed, %d records to update", plan.contactsPlaced,
             static_cast<int>(updates.size()));
    ProgressMeter meter(static_cast<int>(updates.size()), ui);
    int done = 0;
    for (usim::RecordUpdate& update : updates) {
        if (!card.update(*update.file, update.record, update.data)) {
            writeLog(LogLevel::Error, kTag, "update of file 0x%X record %d refused",
                     update.file->ref.fileId, update.record);
            reportCardError(ui, card.failure().errorCode());
            endSession(session);
            return WriteOutcome::UpdateFailed;
        }
        meter.advance(++done);
    }
    selectFirstAdn(card, image);
    tellLosses(ui, plan.losses);
    if (!backupPath.empty())
        ui.inform(kBackupIn, backupPath.c_str());
    return side.allWritten ? WriteOutcome::Completed : WriteOutcome::SideBookFailed;
}
