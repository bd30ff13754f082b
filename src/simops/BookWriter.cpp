#include "simops/BookWriter.h"

#include "card/commands/FileIds.h"
#include "card/flows/Pin2.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "simops/BookReader.h"
#include "simops/CardFiles.h"

#include <algorithm>
#include <array>

using namespace simops;

namespace {

constexpr std::size_t kExtensionDigitBytes = 12; // type, length, 10 digit bytes
constexpr std::size_t kMsisdnTableRecords = 9;

char firstCharOf(std::string_view text)
{
    return text.empty() ? ' ' : text.front();
}

CardResult update(CardSession& session, int r, RecordMode mode, const std::vector<uint8_t>& record)
{
    return session.commands().updateRecord(static_cast<uint8_t>(r), mode, record);
}

BookWrite refused(BookWrite write, int r, CardResult answer)
{
    write.status = BookWrite::Status::RecordRefused;
    write.record = r;
    write.answer = std::move(answer);
    return write;
}

// The extension record for a side-book or own-number entry with a long number,
// written from `cursor`; 0xFF when the number fits its record. False when the
// extension could not be written (the connection has been ended).
bool extensionFor(CardSession& session, UserInterface& ui, std::string_view number,
                  uint16_t& cursor, uint16_t bookFile, uint8_t& extensionRecord,
                  std::vector<bool>* reserved = nullptr, uint16_t extensionFile = 0)
{
    extensionRecord = SimRecord::kUnused;
    if (!needsExtension(number))
        return true;
    if (!writeOverflowDigits(session, ui, cursor, number, bookFile, reserved, extensionFile))
        return false;
    extensionRecord = static_cast<uint8_t>(cursor - 1);
    return true;
}

// The alpha field of a side-book or own-number entry; a name cut to fit the
// field is logged and listed in `write`.
std::string entryAlpha(const BookEntry& entry, std::size_t alphaLength, const char* tag,
                       BookWrite& write)
{
    bool cut = false;
    std::string alpha =
        cardAlphaForEntry(entry.name.view(), entry.cardAlpha.view(), alphaLength, &cut);
    if (cut) {
        writeLog(LogLevel::Warning, tag, "%s", "a name was cut to fit the record");
        writeLog(LogLevel::PersonalData, tag, "name cut to fit the record: %s", entry.name.c_str());
        write.cutNames.emplace_back(entry.name.view());
    }
    return alpha;
}

} // namespace

bool writeOverflowDigits(CardSession& session, UserInterface& ui, uint16_t& cursor,
                         std::string_view number, uint16_t bookFile, std::vector<bool>* reserved,
                         uint16_t extensionFile)
{
    CardCommands& commands = session.commands();
    const auto fail = [&] {
        reportCardFailure(ui);
        endSession(session);
        return false;
    };

    if (!commands.select(extensionFile != 0 ? extensionFile : extensionFileOf(bookFile)).ok())
        return fail();
    const HeaderResult extensionHeader = commands.header();
    const uint16_t fileSize = extensionHeader.header.fileSize;
    const uint8_t recordLength = extensionHeader.header.recordLength;
    if (!extensionHeader.result.ok() || recordLength < kExtensionDigitBytes)
        return fail();

    // Records of type 0x02 count as free: each write run lays the extension
    // records out afresh from record 1 in the order the long numbers come.
    // The search stops at the end of the file: past it a card may answer
    // 94 02 without data, which would otherwise look like a record.
    const int lastRecord = std::min<int>(fileSize / recordLength, kHighestRecordNumber);
    const std::vector<uint8_t> extension =
        buildExtensionRecord(recordLength, extensionDigits(number));
    std::array<uint8_t, 256> buffer;
    bool taken = false;
    while (!taken && cursor >= 1 && cursor <= lastRecord) {
        buffer.fill(SimRecord::kUnused);
        const CardResult read = commands.readRecord(static_cast<uint8_t>(cursor), recordLength);
        if (!read.ok())
            return fail();
        std::copy_n(read.data.begin(), std::min<std::size_t>(read.data.size(), recordLength),
                    buffer.begin());
        const bool inUse = reserved != nullptr && cursor < reserved->size() && (*reserved)[cursor];
        if (!inUse && isReusableExtension(std::span<const uint8_t>(buffer.data(), recordLength))) {
            if (!update(session, cursor, RecordMode::Absolute, extension).ok())
                return fail();
            taken = true;
            if (reserved != nullptr) {
                if (reserved->size() <= cursor)
                    reserved->resize(cursor + 1U, false);
                (*reserved)[cursor] = true;
            }
        }
        ++cursor;
    }
    // No free extension record left: the number cannot be written whole.
    if (!taken)
        return fail();

    if (!commands.select(bookFile).ok())
        return fail();
    if (bookFile == FileId::kAdn && !commands.header().result.ok())
        return fail();
    return true;
}

bool buildContactRecord(CardSession& session, UserInterface& ui, const Contact& contact,
                        uint16_t& extensionCursor, std::vector<uint8_t>& record, bool* nameCut)
{
    const auto length = static_cast<std::size_t>(session.adnRecordLength);
    bool cut = false;
    const std::string alpha =
        cardAlphaFromHeldName(contact.heldName(), length - SimRecord::kFixedPartLength, &cut);
    if (cut) {
        writeLog(LogLevel::Warning, "buildContactRecord", "%s", "a name was cut to fit the record");
        writeLog(LogLevel::PersonalData, "buildContactRecord", "name cut to fit the record: %s",
                 decodeAlphaToText(contact.heldName()).c_str());
    }
    if (nameCut != nullptr)
        *nameCut = cut;
    uint8_t extensionRecord = SimRecord::kUnused;
    if (!extensionFor(session, ui, contact.numberText(), extensionCursor, FileId::kAdn,
                      extensionRecord))
        return false;
    record = buildNumberRecord(length, alpha, contact.numberText(), contact.tonNpi, contact.ccp,
                               extensionRecord);
    return true;
}

BookWrite writePhoneNumbers(CardSession& session, UserInterface& ui, uint16_t fileId,
                            std::span<const BookEntry> entries, uint32_t checkCount,
                            std::vector<bool>* reserved)
{
    constexpr const char* kTag = "write_phone_numbers";
    BookWrite write;
    const auto checked = entries.first(std::min<std::size_t>(checkCount, entries.size()));
    if (std::none_of(checked.begin(), checked.end(),
                     [](const BookEntry& entry) { return entry.dirty != 0; }))
        return write;
    if (fileId == FileId::kFdn && verifyPin2(session, ui) != 1) {
        write.status = BookWrite::Status::Pin2NotGiven;
        return write;
    }

    BookFile file;
    write.answer = selectBookFile(session, fileId, file);
    if (!write.answer.ok() || file.recordLength < static_cast<int>(SimRecord::kFixedPartLength)) {
        write.status = BookWrite::Status::SelectFailed;
        return write;
    }
    const std::size_t alphaLength = file.recordLength - SimRecord::kFixedPartLength;
    const int n = std::min<int>(file.recordCount, static_cast<int>(entries.size()));
    const bool cyclic = fileId == FileId::kLnd;

    // Every entry is written, changed or not. The cyclic file puts each update
    // in front, so writing from the last entry to the first leaves entry 0 in record 1.
    uint16_t cursor = 1;
    for (int i = 0; i < n; ++i) {
        const int r = cyclic ? n - i : i + 1;
        const BookEntry& entry = entries[r - 1];
        writeLog(LogLevel::PersonalData, kTag, "%2d:Name=%s", r, entry.name.c_str());
        writeLog(LogLevel::PersonalData, kTag, "%2d:Phone=%c", r,
                 firstCharOf(entry.number.view()));

        const std::string alpha = entryAlpha(entry, alphaLength, kTag, write);
        uint8_t extensionRecord = SimRecord::kUnused;
        if (!extensionFor(session, ui, entry.number.view(), cursor, fileId, extensionRecord,
                          reserved, file.extensionFile)) {
            write.status = BookWrite::Status::ExtensionFailed;
            write.record = r;
            return write;
        }
        std::vector<uint8_t> record =
            buildNumberRecord(file.recordLength, alpha, entry.number.view(), entry.tonNpi,
                              entry.ccp, extensionRecord);
        if (entry.number.empty())
            record[alphaLength] = SimRecord::kUnused; // no number: the length byte stays free
        CardResult answer =
            update(session, r, cyclic ? RecordMode::Previous : RecordMode::Absolute, record);
        if (!answer.ok())
            return refused(write, r, std::move(answer));
        ++write.recordsWritten;
    }
    write.status = BookWrite::Status::Written;
    return write;
}

BookWrite writeOwnNumbers(CardSession& session, UserInterface& ui,
                          std::span<const BookEntry> entries, std::vector<bool>* reserved)
{
    BookWrite write;
    BookFile file;
    write.answer = selectBookFile(session, FileId::kMsisdn, file);
    if (!write.answer.ok()) {
        write.status = BookWrite::Status::SelectFailed;
        return write;
    }

    if (file.recordLength >= static_cast<int>(SimRecord::kFixedPartLength)) {
        const std::size_t alphaLength = file.recordLength - SimRecord::kFixedPartLength;
        const int n = std::min<int>(
            file.recordCount, static_cast<int>(std::min(kMsisdnTableRecords, entries.size())));
        uint16_t cursor = 1;
        for (int r = 1; r <= n; ++r) {
            const BookEntry& entry = entries[r - 1];
            // An emptied own number is left on the card as it is.
            if (entry.dirty == 0 || entry.number.empty())
                continue;
            const std::string alpha = entryAlpha(entry, alphaLength, "writeOwnNumbers", write);
            uint8_t extensionRecord = SimRecord::kUnused;
            if (!extensionFor(session, ui, entry.number.view(), cursor, FileId::kMsisdn,
                              extensionRecord, reserved, file.extensionFile)) {
                write.status = BookWrite::Status::ExtensionFailed;
                write.record = r;
                return write;
            }
            const std::vector<uint8_t> record =
                buildNumberRecord(file.recordLength, alpha, entry.number.view(), entry.tonNpi,
                                  entry.ccp, extensionRecord);
            CardResult answer = update(session, r, RecordMode::Absolute, record);
            if (!answer.ok())
                return refused(write, r, std::move(answer));
            ++write.recordsWritten;
            write.status = BookWrite::Status::Written;
        }
    }

    if (session.phoneBookPlace != PhoneBookPlace::SimAdn)
        return write;
    BookFile phoneBook;
    if (CardResult back = selectBookFile(session, FileId::kAdn, phoneBook); !back.ok()) {
        write.status = BookWrite::Status::SelectFailed;
        write.answer = std::move(back);
    }
    return write;
}
