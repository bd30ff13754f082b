#include "simops/BookReader.h"

#include "card/flows/ConnectSequence.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "simops/CardFiles.h"
#include "simops/ProgressMeter.h"

#include <algorithm>
#include <array>

using namespace simops;

namespace {

// Room for the longest record a card can announce (the length is one byte).
using RecordBuffer = std::array<uint8_t, 256>;

constexpr std::size_t kMsisdnTableRecords = 9; // records 1 to 9 fit the own-number table

char firstCharOf(const std::string& text)
{
    return text.empty() ? ' ' : text.front();
}

// Reads record `r` of the selected file into a buffer pre-filled with 0xFF, so
// that a card answering with less data leaves free bytes behind. A refused
// read (94 02 past the end, 98 04 without PIN1, ...) is a failure, never data.
CardResult readRecord(CardSession& session, int r, int length, RecordBuffer& buffer)
{
    buffer.fill(SimRecord::kUnused);
    CardResult read =
        session.commands().readRecord(static_cast<uint8_t>(r), static_cast<uint8_t>(length));
    if (read.ok())
        std::copy_n(read.data.begin(),
                    std::min<std::size_t>(read.data.size(), static_cast<std::size_t>(length)),
                    buffer.begin());
    return read;
}

std::span<const uint8_t> recordSpan(const RecordBuffer& buffer, int length)
{
    return std::span<const uint8_t>(buffer.data(), static_cast<std::size_t>(length));
}

// Fills a side-book entry from a number record; false when an extension
// record could not be read (the connection has then been ended).
bool fillEntry(CardSession& session, UserInterface& ui, const NumberRecord& record,
               std::string name, uint16_t fileId, const BookFile& file, int r, const char* tag,
               BookEntry& entry)
{
    entry.name.assign(name);
    entry.cardAlpha.assign(cardAlphaHex(record.alpha));
    writeLog(LogLevel::PersonalData, tag, "%2d:Name=%s", r, entry.name.c_str());
    entry.ccp = record.ccp;
    entry.tonNpi = record.tonNpi;
    std::string number = record.number;
    if (record.hasExtension()) {
        writeLog(LogLevel::Trace, tag, "%s", "progress phone was longer than 20 digits");
        if (!readOverflowNumber(session, ui, number, record.extensionRecord, fileId,
                                file.extensionFile))
            return false;
    }
    entry.number.assign(number);
    if (!number.empty() || (fileId != FileId::kMsisdn && !name.empty()))
        entry.recordIndex = r - 1;
    writeLog(LogLevel::PersonalData, tag, "%2d:Phone=%c", r, firstCharOf(number));
    return true;
}

} // namespace

bool readPhoneNumbers(CardSession& session, UserInterface& ui, uint16_t fileId,
                      std::span<BookEntry> entries, uint32_t& count, bool* incomplete)
{
    bool ignored = false;
    bool& failed = incomplete != nullptr ? *incomplete : ignored;
    failed = false;
    constexpr const char* kTag = "read_phone_numbers";
    for (std::size_t i = 0; i < std::min<std::size_t>(count, entries.size()); ++i)
        entries[i].unmark();

    BookFile file;
    const CardResult selected = selectBookFile(session, fileId, file);
    // A card without the file has no such book; any other failure loses it.
    failed = !selected.ok() && selected.outcome != CardOutcome::NoSuchFile;
    if (!selected.ok() || file.recordLength < static_cast<int>(SimRecord::kFixedPartLength))
        return false;
    // The table's capacity bounds every read, not the size of the last card's
    // book: a card with more records than an earlier one is read in full.
    const int n = std::min<int>(file.recordCount, static_cast<int>(entries.size()));
    count = static_cast<uint32_t>(n);
    if (n == 0)
        return false;

    bool lastRead = false;
    RecordBuffer buffer;
    for (int r = 1; r <= n; ++r) {
        const CardResult read = readRecord(session, r, file.recordLength, buffer);
        lastRead = read.ok();
        if (!lastRead) {
            failed = true;
            // A card that has stopped answering has nothing more to give.
            if (!read.answered())
                return false;
            continue;
        }
        const auto record = parseNumberRecord(recordSpan(buffer, file.recordLength));
        // The side books keep their names in Windows-1252.
        std::string name = entryNameFromCardAlpha(record->alpha);
        if (!fillEntry(session, ui, *record, std::move(name), fileId, file, r, kTag,
                       entries[r - 1])) {
            failed = true;
            return false;
        }
    }
    return lastRead;
}

bool readMsisdn(CardSession& session, UserInterface& ui, std::span<BookEntry> entries,
                uint16_t& count, std::optional<CardResult>* refused)
{
    for (BookEntry& entry : entries)
        entry.unmark();
    count = 0;

    // A card that no longer answers ends the read with its reason; a record the
    // card refuses is left out.
    const auto lost = [&](const CardResult& result) {
        reportCardError(ui, result.errorCode());
        endSession(session);
        return false;
    };
    BookFile file;
    if (CardResult selected = selectBookFile(session, FileId::kMsisdn, file); !selected.ok()) {
        if (!selected.answered())
            return lost(selected);
        if (refused != nullptr)
            *refused = std::move(selected);
        return false;
    }
    if (file.recordLength >= static_cast<int>(SimRecord::kFixedPartLength))
        count = static_cast<uint16_t>(file.recordCount);

    const int n =
        std::min<int>(count, static_cast<int>(std::min(kMsisdnTableRecords, entries.size())));
    RecordBuffer buffer;
    for (int r = 1; r <= n; ++r) {
        if (const CardResult read = readRecord(session, r, file.recordLength, buffer); !read.ok()) {
            if (!read.answered())
                return lost(read);
            continue;
        }
        const auto record = parseNumberRecord(recordSpan(buffer, file.recordLength));
        std::string name = entryNameFromCardAlpha(record->alpha);
        if (!fillEntry(session, ui, *record, std::move(name), FileId::kMsisdn, file, r,
                       "read_msisdn", entries[r - 1]))
            return false;
    }

    if (session.phoneBookPlace != PhoneBookPlace::SimAdn)
        return true;
    BookFile phoneBook;
    const CardResult back = selectBookFile(session, FileId::kAdn, phoneBook);
    if (!back.answered())
        return lost(back);
    return back.ok();
}

bool readOverflowNumber(CardSession& session, UserInterface& ui, std::string& number,
                        uint8_t extensionRecord, uint16_t returnFile, uint16_t extensionFile)
{
    constexpr const char* kTag = "read_overflow_number";
    CardCommands& commands = session.commands();
    const auto fail = [&](const char* trace) {
        writeLog(LogLevel::Error, kTag, "%s", trace);
        reportCardFailure(ui);
        endSession(session);
        return false;
    };

    const CardResult selected =
        commands.select(extensionFile != 0 ? extensionFile : extensionFileOf(returnFile));
    if (!selected.ok())
        return fail("read_overflow_number select file 0x6F4A failed!");
    writeLog(LogLevel::Trace, kTag, "%s", "read_overflow_number select file 0x6F4A success!");

    const HeaderResult extension = commands.header();
    if (!extension.result.ok())
        return fail("read_overflow_number get_responce at file 0x6F4A failed!");
    const uint8_t recordLength = extension.header.recordLength;
    writeLog(LogLevel::Trace, kTag,
             "read_overflow_number get_response at file 0x6F4A file size:%d, data len:%d, rec "
             "len:%d",
             extension.header.fileSize, selected.pending, recordLength);

    RecordBuffer buffer;
    if (const CardResult read = readRecord(session, extensionRecord, recordLength, buffer);
        !read.ok()) {
        writeLog(LogLevel::Error, kTag, "read_overflow_number read record %d", extensionRecord);
        reportCardError(ui, read.errorCode());
        endSession(session);
        return false;
    }
    // Only one extension record is followed; its type, length and further-record
    // bytes are not consulted.
    number += parseExtensionDigits(recordSpan(buffer, recordLength));
    writeLog(LogLevel::PersonalData, kTag, "read_overflow_number number %s", number.c_str());

    if (!commands.select(returnFile).ok())
        return fail("read_overflow_number select file 0x6F3A failed!");
    writeLog(LogLevel::Trace, kTag, "%s", "read_overflow_number return to file 0x6F3A");
    if (returnFile == FileId::kAdn && !commands.header().result.ok())
        return fail("read_overflow_number get_responce at file 0x6F3A");
    return true;
}

bool readCardBooks(CardSession& session, UserInterface& ui, ProgressMeter& meter,
                   CardBooksRead& out)
{
    SideBooks& side = out.sideBooks;
    readPhoneNumbers(session, ui, FileId::kFdn, side.fdn, side.fdnCount, &out.fdnIncomplete);
    readPhoneNumbers(session, ui, FileId::kLnd, side.lnd, side.lndCount, &out.lndIncomplete);
    // An extension record that could not be read has ended the connection (and told the user).
    if (session.context == 0)
        return false;
    if (!readMsisdn(session, ui, side.msisdn, side.msisdnCount, &out.ownNumbersRefused))
        return false;

    writeLog(LogLevel::Trace, kReadTag, "progress before read_record number of records:%d",
             session.adnRecordCount);
    writeLog(LogLevel::Trace, kReadTag, "record len:%d person len:%d", session.adnRecordLength,
             session.adnNameLength);

    const int length = session.adnRecordLength;
    if (length < static_cast<int>(SimRecord::kFixedPartLength)) {
        reportCardFailure(ui);
        return false;
    }
    const int lastRecord = std::min(session.adnRecordCount, kHighestRecordNumber);
    out.contacts.clear();
    out.contacts.reserve(static_cast<std::size_t>(lastRecord));
    RecordBuffer buffer;
    for (int r = 1; r <= lastRecord; ++r) {
        writeLog(LogLevel::Trace, kReadTag,
                 "progress read_record step:[%d] -----------------------------", r);
        if (const CardResult read = readRecord(session, r, length, buffer); !read.ok()) {
            writeLog(LogLevel::Error, kReadTag, "progress read_record failed on step:%d", r);
            reportCardError(ui, read.errorCode());
            endSession(session);
            return false;
        }
        const auto record = recordSpan(buffer, length);
        if (isFreeRecord(record)) {
            writeLog(LogLevel::Trace, kReadTag, "%s", "progress empty record");
            meter.advance(r);
            continue;
        }
        writeLog(LogLevel::Trace, kReadTag, "progress record:(%d)*******************",
                 static_cast<int>(out.contacts.size()));
        const auto parsed = parseNumberRecord(record);
        Contact contact;
        contact.setName(heldNameFromCardAlpha(parsed->alpha));
        writeLog(LogLevel::PersonalData, kReadTag, "progress Name:%s... ",
                 std::string(contact.heldName()).c_str());
        contact.ccp = parsed->ccp;
        contact.tonNpi = parsed->tonNpi;
        writeLog(LogLevel::Trace, kReadTag, "progress cpp:%X", contact.ccp);
        writeLog(LogLevel::Trace, kReadTag, "progress ton_npi:%X", contact.tonNpi);
        std::string number = parsed->number;
        if (parsed->hasExtension()) {
            writeLog(LogLevel::Trace, kReadTag, "%s", "progress phone was longer than 20 digits");
            if (!readOverflowNumber(session, ui, number, parsed->extensionRecord, FileId::kAdn))
                return false;
        }
        contact.setNumber(number);
        writeLog(LogLevel::PersonalData, kReadTag, "progress Number:%c... ",
                 firstCharOf(number));
        out.contacts.push_back(contact);
        meter.advance(r);
    }
    return true;
}

void storeCardBooks(CardBooksRead& read, PhoneBook& book, SideBooks& sideBooks)
{
    book.clear();
    const std::size_t count = read.contacts.size();
    book.contacts = read.contacts;
    for (std::size_t j = 0; j < count; ++j) {
        book.contacts[j].sequence = static_cast<uint32_t>(j);
    }
    book.nextSequence = static_cast<uint32_t>(count) + 1;

    // The old entries go to `read`, whose buffers are wiped when it is destroyed.
    std::swap(sideBooks.fdn, read.sideBooks.fdn);
    std::swap(sideBooks.lnd, read.sideBooks.lnd);
    std::swap(sideBooks.msisdn, read.sideBooks.msisdn);
    sideBooks.fdnCount = read.sideBooks.fdnCount;
    sideBooks.lndCount = read.sideBooks.lndCount;
    sideBooks.msisdnCount = read.sideBooks.msisdnCount;
}
