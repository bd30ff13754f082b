#include "simops/PhoneBookWrite.h"

#include "card/commands/FileIds.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "simops/BackupStore.h"
#include "simops/BookReader.h"
#include "simops/CardFiles.h"
#include "simops/ProgressMeter.h"

#include <PCSC/pcsclite.h>

#include <algorithm>

using namespace simops;

namespace {

constexpr const char* kTag = "write_phone_book";

namespace Text {
enum Id : int
{
    EmptyBook = 800,
    Fit = 801,
    NoRecord = 802,
    NoExtension = 803,
    Summary = 805,
    Loses = 806,
    Written = 807,
    Backup = 808,
    Removed = 809,
    Refused = 810,
    NotKept = 811,
    Partly = 812,
    BackupFailed = 813,
    ReadFailed = 814,
    CutNames = 815,
    BadNumber = 816,
    NothingWritten = 817,
    AlreadyThere = 818,
    SideBookFailed = 819,
    Cleared = 825,
    TextsCut = 1902,
    NumbersCut = 1903,
    ExtraNumbersLost = 1904,
    EmailsLost = 1905,
    SecondNamesLost = 1907,
    ContactsConcerned = 1908,
    ExtrasDropped = 1920,
    ExtrasNames = 1921,
    NotAllFits = 1923,
};
} // namespace Text

using Bytes = std::vector<uint8_t>;

} // namespace

bool cardWentAway(const CardResult& result)
{
    if (result.answered())
        return false;
    switch (result.pcsc) {
    case SCARD_W_REMOVED_CARD:
    case SCARD_E_NO_SMARTCARD:
    case SCARD_W_RESET_CARD:
    case SCARD_W_UNPOWERED_CARD:
    case SCARD_E_READER_UNAVAILABLE:
    case SCARD_E_INVALID_HANDLE:
    case SCARD_E_NO_SERVICE:
    case SCARD_E_SERVICE_STOPPED:
        return true;
    default:
        return false;
    }
}

namespace {

CardResult readRecords(CardSession& session, uint16_t fileId, std::vector<Bytes>& records,
                       int* recordLength = nullptr)
{
    BookFile file;
    CardResult selected = selectBookFile(session, fileId, file);
    if (!selected.ok())
        return selected;
    if (recordLength != nullptr)
        *recordLength = file.recordLength;
    const int last = std::min(file.recordCount, kHighestRecordNumber);
    records.clear();
    for (int r = 1; r <= last; ++r) {
        CardResult read = session.commands().readRecord(static_cast<uint8_t>(r),
                                                        static_cast<uint8_t>(file.recordLength));
        if (!read.ok() || read.data.size() != static_cast<std::size_t>(file.recordLength))
            return read.ok() ? CardResult{} : read;
        records.push_back(std::move(read.data));
    }
    return selected;
}

// Puts `after` into record `r` of the selected file and reads it back.
bool writeAndCheck(CardSession& session, int r, const Bytes& after, const char* file,
                   WriteReport& report)
{
    CardCommands& commands = session.commands();
    CardResult update = commands.updateRecord(static_cast<uint8_t>(r), RecordMode::Absolute, after);
    if (!update.ok()) {
        report.stop = cardWentAway(update) ? WriteStop::CardRemoved : WriteStop::Refused;
        report.failedRecord = r;
        report.failedFile = file;
        report.answer = std::move(update);
        return false;
    }
    CardResult check =
        commands.readRecord(static_cast<uint8_t>(r), static_cast<uint8_t>(after.size()));
    if (!check.ok() || check.data != after) {
        report.stop =
            !check.ok() && cardWentAway(check) ? WriteStop::CardRemoved : WriteStop::NotKept;
        report.failedRecord = r;
        report.failedFile = file;
        report.answer = std::move(check);
        writeLog(LogLevel::Error, kTag, "%s record %d does not hold what was written", file, r);
        return false;
    }
    ++report.recordsWritten;
    return true;
}

// The same check the editor and the file loaders make (checkNumber).
bool diallableNumber(std::string& number)
{
    return checkNumber(number) == NumberRefusal::None;
}

std::string joinedNames(std::span<const Contact> contacts, const std::vector<int>& which)
{
    std::string names;
    for (int i : which) {
        if (!names.empty())
            names += ", ";
        names += decodeAlphaToText(contacts[i].heldName());
    }
    return names;
}

} // namespace

std::vector<Contact> chosenContacts(const PhoneBook& book, WriteMode writeMode)
{
    std::vector<Contact> contacts;
    if (writeMode == WriteMode::ClearCard)
        return contacts;
    const bool selectedOnly =
        writeMode == WriteMode::WriteSelected || writeMode == WriteMode::AddSelected;
    for (uint32_t i = 0; i < book.contactCount(); ++i) {
        if (!selectedOnly || book.isSelected(i))
            contacts.push_back(book.contacts[i]);
    }
    return contacts;
}

PlanMode planModeOf(WriteMode writeMode)
{
    switch (writeMode) {
    case WriteMode::AddAll:
    case WriteMode::AddSelected:
        return PlanMode::Add;
    case WriteMode::ClearCard:
        return PlanMode::Clear;
    case WriteMode::WriteAll:
    case WriteMode::WriteSelected:
        break;
    }
    return PlanMode::Overwrite;
}

CardResult readCardImage(CardSession& session, CardBookImage& image)
{
    image = CardBookImage{};
    CardResult adn = readRecords(session, FileId::kAdn, image.records);
    if (!adn.ok())
        return adn;
    // A card without EF EXT1 has no long numbers to keep. Own numbers and last
    // dialled numbers name EXT1 records too; a book the card does not have
    // names none, one that could not be read may name any.
    if (readRecords(session, FileId::kExt1, image.extensions).ok()) {
        for (const uint16_t other : {FileId::kMsisdn, FileId::kLnd}) {
            std::vector<Bytes> records;
            const CardResult read = readRecords(session, other, records);
            if (read.ok()) {
                for (const Bytes& record : records) {
                    if (!record.empty() && record.back() != SimRecord::kUnused)
                        image.otherReferences.push_back(record.back());
                }
            } else if (read.outcome != CardOutcome::NoSuchFile) {
                for (std::size_t e = 1; e <= image.extensions.size(); ++e)
                    image.otherReferences.push_back(static_cast<uint8_t>(e));
                break;
            }
        }
    }
    BookFile phoneBook;
    return selectBookFile(session, FileId::kAdn, phoneBook);
}

bool checkChosenContacts(WriteReport& report, const PhoneBook& book, WriteMode writeMode,
                         bool secondNumbersToo)
{
    report.contacts = chosenContacts(book, writeMode);
    if (planModeOf(writeMode) == PlanMode::Overwrite && report.contacts.empty()) {
        report.stop = WriteStop::EmptyBook;
        return false;
    }
    const auto refuse = [&report](const Contact& contact, std::string_view number) {
        report.stop = WriteStop::BadNumber;
        report.badNumber =
            decodeAlphaToText(contact.heldName()) + " (" + std::string(number) + ")";
        return false;
    };
    for (Contact& contact : report.contacts) {
        std::string number(contact.numberText());
        if (!diallableNumber(number))
            return refuse(contact, contact.numberText());
        contact.setNumber(number);
        if (!secondNumbersToo || contact.extras().extraNumbers.empty())
            continue;
        for (ExtraNumber& extra : contact.editExtras().extraNumbers) {
            std::string second = extra.number;
            if (!diallableNumber(second))
                return refuse(contact, extra.number);
            extra.number = std::move(second);
        }
    }
    return true;
}

bool writeApproved(WriteReport& report, const WriteRequest& request)
{
    const WritePlan& plan = report.plan;
    if (request.dryRun) {
        report.stop = WriteStop::DryRun;
        return false;
    }
    if (request.approve) {
        if (!request.approve(plan, report.contacts)) {
            report.stop = plan.fits() ? WriteStop::Declined : WriteStop::DoesNotFit;
            return false;
        }
    } else if (!plan.fits() && !request.allowPartial) {
        report.stop = WriteStop::DoesNotFit;
        return false;
    }
    return true;
}

WriteReport prepareWrite(CardSession& session, UserInterface& ui, const PhoneBook& book,
                         WriteMode writeMode, const WriteRequest& request)
{
    WriteReport report;
    if (!checkChosenContacts(report, book, writeMode))
        return report;

    CardResult read = readCardImage(session, report.image);
    if (!read.ok()) {
        report.stop = cardWentAway(read) ? WriteStop::CardRemoved : WriteStop::ReadFailed;
        report.answer = std::move(read);
        return report;
    }
    report.plan = planPhoneBookWrite(report.image, report.contacts, planModeOf(writeMode));
    const WritePlan& plan = report.plan;
    if (!writeApproved(report, request))
        return report;

    if (request.backup && plan.updateCount() > 0) {
        auto saved = std::make_unique<CardBooksRead>();
        // The side books as the card holds them, for the backup file.
        readPhoneNumbers(session, ui, FileId::kFdn, saved->sideBooks.fdn,
                         saved->sideBooks.fdnCount);
        readPhoneNumbers(session, ui, FileId::kLnd, saved->sideBooks.lnd,
                         saved->sideBooks.lndCount);
        auto backupBook = std::make_unique<PhoneBook>();
        for (const Contact& contact : contactsOfImage(report.image))
            backupBook->append(contact);
        const BackupResult backup =
            saveCardBackup(*backupBook, saved->sideBooks, session.iccid.data());
        if (!backup.ok) {
            report.stop = WriteStop::BackupFailed;
            report.backupError = backup.error;
            return report;
        }
        report.backupPath = backup.path;
    }
    report.stop = WriteStop::Completed;
    return report;
}

std::vector<bool> extensionsInUse(const WriteReport& report)
{
    const CardBookImage& image = report.image;
    std::vector<bool> used(image.extensions.size() + 1, false);
    const auto mark = [&](int e) {
        if (e >= 1 && e < static_cast<int>(used.size()))
            used[e] = true;
    };
    for (const Bytes& record : image.records)
        mark(record.empty() ? 0 : record.back());
    for (uint8_t e : image.otherReferences)
        mark(e);
    for (const RecordChange& change : report.plan.records)
        mark(change.extension);
    return used;
}

void carryOutPlan(CardSession& session, WriteReport& report, ProgressMeter& meter)
{
    const WritePlan& plan = report.plan;
    // Contacts already where they belong count as on the card from the start.
    report.contactsOnCard = plan.unchanged;
    const auto reselect = [&](uint16_t fileId, const char* name) {
        BookFile file;
        CardResult selected = selectBookFile(session, fileId, file);
        if (selected.ok())
            return true;
        report.stop = cardWentAway(selected) ? WriteStop::CardRemoved : WriteStop::Refused;
        report.failedFile = name;
        report.answer = std::move(selected);
        return false;
    };
    int step = 0;
    if (!plan.extensions.empty()) {
        if (!reselect(FileId::kExt1, "EF EXT1"))
            return;
        for (const RecordChange& change : plan.extensions) {
            if (!writeAndCheck(session, change.record, change.after, "EF EXT1", report))
                return;
            meter.advance(++step);
        }
    }
    if (!reselect(FileId::kAdn, "EF ADN"))
        return;
    for (const RecordChange& change : plan.records) {
        if (!writeAndCheck(session, change.record, change.after, "EF ADN", report))
            return;
        if (change.contact >= 0)
            ++report.contactsOnCard;
        meter.advance(++step);
    }
    report.stop = WriteStop::Completed;
}

std::string fitText(const WritePlan& plan, std::span<const Contact> contacts)
{
    std::string text = formatResString(Text::Fit, plan.contactsPlaced, plan.contactsGiven);
    if (!plan.noRecord.empty())
        text += " " + formatResString(Text::NoRecord, static_cast<int>(plan.noRecord.size()));
    if (!plan.noExtension.empty())
        text += " " + formatResString(Text::NoExtension, static_cast<int>(plan.noExtension.size()));
    const bool allPlaced = plan.contactsPlaced == plan.contactsGiven;
    if (!plan.extrasDropped.empty()) {
        const std::string extras =
            formatResString(Text::ExtrasDropped, static_cast<int>(plan.extrasDropped.size()));
        // Every contact has its record: only what they lose is told.
        text = allPlaced ? extras : text + " " + extras;
    }
    if (!plan.partsLost.empty()) {
        // A USIM phone book: one line per part that placed contacts lose.
        if (allPlaced && plan.extrasDropped.empty())
            text = resString(Text::NotAllFits);
        for (const auto& [id, count] :
             {std::pair{Text::NumbersCut, plan.numbersCut},
              std::pair{Text::ExtraNumbersLost, plan.extraNumbersDropped},
              std::pair{Text::EmailsLost, plan.emailsDropped},
              std::pair{Text::SecondNamesLost, plan.secondNamesDropped}}) {
            if (count != 0)
                text += "\n" + formatResString(id, count);
        }
        if (!contacts.empty())
            text += "\n" + formatResString(Text::ContactsConcerned,
                                           joinedNames(contacts, plan.partsLost).c_str());
    }
    return text;
}

std::string summaryText(const WritePlan& plan)
{
    std::string text = formatResString(Text::Summary, plan.added, plan.changed, plan.removed);
    if (plan.contactsLost > 0)
        text += " " + formatResString(Text::Loses, plan.contactsLost);
    return text;
}

std::string writeReportText(const WriteReport& report, int* id)
{
    const WritePlan& plan = report.plan;
    int textId = Text::Written;
    std::string text;
    const auto how = [&](int messageId, auto... arguments) {
        textId = messageId;
        return formatResString(messageId, arguments...);
    };
    switch (report.stop) {
    case WriteStop::Completed:
    case WriteStop::DryRun:
        if (plan.updateCount() == 0)
            text = how(Text::AlreadyThere);
        else if (plan.contactsGiven == 0)
            text = how(Text::Cleared, plan.removed);
        else
            text = how(Text::Written, report.contactsOnCard);
        if (!plan.fits())
            text += "\n" + fitText(plan, report.contacts);
        break;
    case WriteStop::EmptyBook:
        text = how(Text::EmptyBook);
        break;
    case WriteStop::BadNumber:
        text = how(Text::BadNumber, report.badNumber.c_str());
        break;
    case WriteStop::DoesNotFit:
        text = how(Text::NothingWritten) + " " + fitText(plan, report.contacts);
        break;
    case WriteStop::Declined:
        text = how(Text::NothingWritten);
        break;
    case WriteStop::ReadFailed:
        text = how(Text::ReadFailed, report.answer.text);
        break;
    case WriteStop::BackupFailed:
        text = how(Text::BackupFailed, report.backupError.c_str());
        break;
    case WriteStop::SideBookFailed:
        // The phone book went to the card; what the side books lack has been told.
        text = formatResString(Text::Written, report.contactsOnCard) + "\n" +
               how(Text::SideBookFailed);
        break;
    case WriteStop::CardRemoved:
        text = how(Text::Removed, report.contactsOnCard, plan.contactsPlaced);
        break;
    case WriteStop::Refused:
        text = how(Text::Refused, report.failedRecord, report.failedFile.c_str(),
                   report.answer.answered() ? report.answer.sw.hex().c_str() : report.answer.text,
                   report.contactsOnCard, plan.contactsPlaced);
        break;
    case WriteStop::NotKept:
        text = how(Text::NotKept, report.failedRecord, report.failedFile.c_str(),
                   report.contactsOnCard,
                   plan.contactsPlaced);
        break;
    }
    if (report.partlyWritten())
        text += "\n" + resString(Text::Partly);
    if (!report.backupPath.empty())
        text += "\n" + formatResString(Text::Backup, report.backupPath.c_str());
    if (report.written() && !plan.cutNames.empty())
        text += "\n" + formatResString(Text::CutNames,
                                       joinedNames(report.contacts, plan.cutNames).c_str());
    if (report.written() && (!plan.cutEmails.empty() || !plan.cutSecondNames.empty())) {
        std::vector<int> cut = plan.cutEmails;
        cut.insert(cut.end(), plan.cutSecondNames.begin(), plan.cutSecondNames.end());
        std::sort(cut.begin(), cut.end());
        cut.erase(std::unique(cut.begin(), cut.end()), cut.end());
        text += "\n" + formatResString(Text::TextsCut, joinedNames(report.contacts, cut).c_str());
    }
    if ((report.written() || report.stop == WriteStop::DoesNotFit) && !plan.extrasDropped.empty())
        text += "\n" + formatResString(Text::ExtrasNames,
                                       joinedNames(report.contacts, plan.extrasDropped).c_str());
    if (id != nullptr)
        *id = textId;
    return text;
}
