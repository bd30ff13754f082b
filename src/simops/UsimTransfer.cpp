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
constexpr int kBadPbr = 1910;
constexpr int kMissingFiles = 1901;

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
    const auto roomOf = [](const usim::FileImage& file) {
        return static_cast<int>(
            usim::textRoom(static_cast<std::size_t>(file.recordLength), file.isType2()));
    };
    const usim::SetImage& first = image.sets.front();
    session.emailRoom = first.email.empty() ? 0 : roomOf(first.email.front());
    session.secondNameRoom = first.sne ? roomOf(*first.sne) : 0;
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

// Files EF PBR names that the card does not have: what they would hold is
// neither read nor written, and the user hears which they are.
void tellMissing(UserInterface& ui, const usim::BookImage& image)
{
    if (image.missing.empty())
        return;
    std::string files;
    for (const usim::PbrFile& file : image.missing)
        files += (files.empty() ? "" : ", ") + usim::fileLabel(file);
    ui.inform(kMissingFiles, files.c_str());
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
    tellMissing(ui, image);
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
    const WriteRequest defaults;
    const WriteRequest& request = books.request != nullptr ? *books.request : defaults;
    WriteReport local;
    WriteReport& report = books.report != nullptr ? *books.report : local;
    report = WriteReport{};
    // The second numbers go to the card here: they are checked as well.
    if (!checkChosenContacts(report, books.book, books.state.writeMode, true))
        return finishWrite(session, ui, report);

    usim::CardBook card(session);
    usim::BookImage image;
    const auto readFailed = [&] {
        tellFailure(session, ui, card);
        report.stop = WriteStop::ReadFailed;
        return WriteOutcome::ReadFailed;
    };
    if (!card.open(image))
        return readFailed();
    noteGeometry(session, image);
    tellBothBooks(session, ui);
    tellMissing(ui, image);
    for (usim::SetImage& set : image.sets) {
        bool loaded = card.loadAll(set.adn) && (!set.iap || card.loadAll(*set.iap)) &&
                      (!set.sne || card.loadAll(*set.sne));
        for (auto* files : {&set.anr, &set.email})
            for (usim::FileImage& file : *files)
                loaded = loaded && card.loadAll(file);
        if (!loaded)
            return readFailed();
    }
    if (image.ext1 && !card.loadAll(*image.ext1))
        return readFailed();

    // The same plan, questions and listing as a SIM's phone book: the plan's
    // summary holds the counts and every record that changes.
    std::vector<const Contact*> contacts;
    for (const Contact& contact : report.contacts)
        contacts.push_back(&contact);
    const usim::PlanMode planMode = planModeOf(books.state.writeMode) == PlanMode::Add
                                        ? usim::PlanMode::Add
                                        : usim::PlanMode::Replace;
    usim::Plan plan = usim::planWrite(image, contacts, planMode);
    std::vector<usim::RecordUpdate> updates = usim::updatesOf(image, plan);
    report.plan = std::move(plan.summary);
    if (!writeApproved(report, request))
        return finishWrite(session, ui, report);
    if (request.backup && !updates.empty()) {
        BackupResult backup = backUpCard(session, ui, image);
        if (!backup.ok) {
            report.stop = WriteStop::BackupFailed;
            report.backupError = std::move(backup.error);
            return finishWrite(session, ui, report);
        }
        report.backupPath = std::move(backup.path);
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
            report.stop = WriteStop::CardRemoved;
            report.answer = read;
            return finishWrite(session, ui, report);
        }
        card.forgetSelection();
    }
    const SideBooksWrite side =
        writeSideBooks(session, ui, books.sideBooks, ext1Reserved, ext2Reserved, false);
    if (side.stop) {
        // The user has been told; the phone book was not written.
        report.stop = WriteStop::Refused;
        return *side.stop;
    }
    // The backup and the side books have selected files of their own.
    card.forgetSelection();

    writeLog(LogLevel::Trace, kTag, "%d contacts placed, %d records to update",
             report.plan.contactsPlaced, static_cast<int>(updates.size()));
    report.contactsOnCard = report.plan.unchanged;
    ProgressMeter meter(static_cast<int>(updates.size()), ui);
    int done = 0;
    for (usim::RecordUpdate& update : updates) {
        if (!card.update(*update.file, update.record, update.data)) {
            writeLog(LogLevel::Error, kTag, "update of file 0x%X record %d failed",
                     update.file->ref.fileId, update.record);
            const CardResult& failure = card.failure();
            report.stop = card.notKept()           ? WriteStop::NotKept
                          : cardWentAway(failure) ? WriteStop::CardRemoved
                                                  : WriteStop::Refused;
            report.failedRecord = update.record;
            report.failedFile = usim::fileLabel(update.file->ref);
            report.answer = failure;
            return finishWrite(session, ui, report);
        }
        ++report.recordsWritten;
        if (update.contact >= 0)
            ++report.contactsOnCard;
        meter.advance(++done);
    }
    selectFirstAdn(card, image);
    report.stop = side.allWritten ? WriteStop::Completed : WriteStop::SideBookFailed;
    return finishWrite(session, ui, report);
}
