#include "simops/BookWriter.h"

#include "card/Pin2.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "simops/BookReader.h"
#include "simops/CardFiles.h"

#include <algorithm>
#include <array>

using namespace simops;

namespace {

constexpr uint8_t kModePrevious = 3;             // the cyclic LND takes its newest record this way
constexpr std::size_t kExtensionDigitBytes = 12; // type, length, 10 digit bytes
constexpr std::size_t kMsisdnTableRecords = 9;

char firstCharOf(std::string_view text)
{
    return text.empty() ? ' ' : text.front();
}

bool update(CardSession& session, int r, uint8_t mode, const std::vector<uint8_t>& record)
{
    return session.simCard.updateRecord(session.card, static_cast<uint8_t>(r),
                                         static_cast<uint8_t>(record.size()), mode, record.data());
}

// The extension record for a side-book or own-number entry with a long number,
// written from `cursor`; 0xFF when the number fits its record. False when the
// extension could not be written (the connection has been ended).
bool extensionFor(CardSession& session, UserInterface& ui, std::string_view number,
                  uint16_t& cursor, uint16_t bookFile, uint8_t& extensionRecord)
{
    extensionRecord = SimRecord::Unused;
    if (!needsExtension(number))
        return true;
    if (!writeOverflowDigits(session, ui, cursor, number, bookFile))
        return false;
    extensionRecord = static_cast<uint8_t>(cursor - 1);
    return true;
}

} // namespace

bool writeOverflowDigits(CardSession& session, UserInterface& ui, uint16_t& cursor,
                         std::string_view number, uint16_t bookFile)
{
    const SimCard& sim = session.simCard;
    const auto fail = [&] {
        reportCardFailure(ui);
        endSession(session);
        return false;
    };

    uint16_t responseLength = 0;
    if (!sim.select(session.card, extensionFileOf(bookFile), &responseLength))
        return fail();
    uint16_t fileSize = 0;
    uint8_t recordLength = 0;
    if (!sim.getResponse(session.card, static_cast<uint8_t>(responseLength),
                          {.fileSize = &fileSize, .recordLength = &recordLength}) ||
        recordLength < kExtensionDigitBytes)
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
        buffer.fill(SimRecord::Unused);
        if (!sim.readRecord(session.card, static_cast<uint8_t>(cursor), recordLength,
                             Sim::ModeAbsolute, buffer.data()))
            return fail();
        if (isReusableExtension(std::span<const uint8_t>(buffer.data(), recordLength))) {
            if (!update(session, cursor, Sim::ModeAbsolute, extension))
                return fail();
            taken = true;
        }
        ++cursor;
    }
    // No free extension record left: the number cannot be written whole.
    if (!taken)
        return fail();

    if (!sim.select(session.card, bookFile, &responseLength))
        return fail();
    if (bookFile == Sim::FileAdn &&
        !sim.getResponse(session.card, static_cast<uint8_t>(responseLength), {}))
        return fail();
    return true;
}

bool buildContactRecord(CardSession& session, UserInterface& ui, const Contact& contact,
                        uint16_t& extensionCursor, std::vector<uint8_t>& record)
{
    const auto length = static_cast<std::size_t>(session.adnRecordLength);
    const std::string alpha =
        cardAlphaFromHeldName(contact.heldName(), length - SimRecord::FixedPartLength);
    uint8_t extensionRecord = SimRecord::Unused;
    if (!extensionFor(session, ui, contact.numberText(), extensionCursor, Sim::FileAdn,
                      extensionRecord))
        return false;
    record = buildNumberRecord(length, alpha, contact.numberText(), contact.tonNpi, contact.ccp,
                               extensionRecord);
    return true;
}

bool writePhoneNumbers(CardSession& session, UserInterface& ui, uint16_t fileId,
                         std::span<const BookEntry> entries, uint32_t checkCount)
{
    constexpr const char* kTag = "write_phone_numbers";
    const auto checked = entries.first(std::min<std::size_t>(checkCount, entries.size()));
    if (std::none_of(checked.begin(), checked.end(),
                     [](const BookEntry& entry) { return entry.dirty != 0; }))
        return true;
    if (fileId == Sim::FileFdn && verifyPin2(session, ui) != 1)
        return false;

    BookFile file;
    if (!selectBookFile(session, fileId, file) ||
        file.recordLength < static_cast<int>(SimRecord::FixedPartLength))
        return false;
    const std::size_t alphaLength = file.recordLength - SimRecord::FixedPartLength;
    const int n = std::min<int>(file.recordCount, static_cast<int>(entries.size()));
    const bool cyclic = fileId == Sim::FileLnd;

    // Every entry is written, changed or not. The cyclic file puts each update
    // in front, so writing from the last entry to the first leaves entry 0 in record 1.
    uint16_t cursor = 1;
    bool written = false;
    for (int i = 0; i < n; ++i) {
        const int r = cyclic ? n - i : i + 1;
        const BookEntry& entry = entries[r - 1];
        writeLog(LogLevel::Trace, kTag, "%2d:Name=%s", r, entry.name.c_str());
        writeLog(LogLevel::Trace, kTag, "%2d:Phone=%c", r, firstCharOf(entry.number.view()));

        // These names are kept in the code page, not in the GSM alphabet.
        const std::string alpha = entry.name.empty()
                                      ? std::string()
                                      : cardAlphaFromEntryName(entry.name.view(), alphaLength);
        uint8_t extensionRecord = SimRecord::Unused;
        if (!extensionFor(session, ui, entry.number.view(), cursor, fileId, extensionRecord))
            return written;
        std::vector<uint8_t> record =
            buildNumberRecord(file.recordLength, alpha, entry.number.view(), entry.tonNpi,
                              entry.ccp, extensionRecord);
        if (entry.number.empty())
            record[alphaLength] = SimRecord::Unused; // no number: the length byte stays free
        if (update(session, r, cyclic ? kModePrevious : Sim::ModeAbsolute, record))
            written = true;
    }
    return written;
}

bool writeOwnNumbers(CardSession& session, UserInterface& ui, std::span<const BookEntry> entries,
                     int* failedUpdates)
{
    if (failedUpdates != nullptr)
        *failedUpdates = 0;
    BookFile file;
    if (!selectBookFile(session, Sim::FileMsisdn, file))
        return false;

    if (file.recordLength >= static_cast<int>(SimRecord::FixedPartLength)) {
        const std::size_t alphaLength = file.recordLength - SimRecord::FixedPartLength;
        const int n = std::min<int>(
            file.recordCount, static_cast<int>(std::min(kMsisdnTableRecords, entries.size())));
        uint16_t cursor = 1;
        for (int r = 1; r <= n; ++r) {
            const BookEntry& entry = entries[r - 1];
            // An emptied own number is left on the card as it is.
            if (entry.dirty == 0 || entry.number.empty())
                continue;
            const std::string alpha = cardAlphaFromHeldName(entry.name.view(), alphaLength);
            uint8_t extensionRecord = SimRecord::Unused;
            if (!extensionFor(session, ui, entry.number.view(), cursor, Sim::FileMsisdn,
                              extensionRecord))
                return false;
            const std::vector<uint8_t> record =
                buildNumberRecord(file.recordLength, alpha, entry.number.view(), entry.tonNpi,
                                  entry.ccp, extensionRecord);
            if (!update(session, r, Sim::ModeAbsolute, record) && failedUpdates != nullptr)
                ++*failedUpdates;
        }
    }

    BookFile phoneBook;
    return selectBookFile(session, Sim::FileAdn, phoneBook);
}
