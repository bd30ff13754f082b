#include "simops/CardTransfer.h"

#include "card/commands/FileIds.h"
#include "phonebook/RecordCodec.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"
#include "simops/BookReader.h"
#include "simops/BookWriter.h"
#include "simops/CardFiles.h"
#include "simops/ProgressMeter.h"
#include "simops/UsimTransfer.h"

#include <algorithm>
#include <memory>
#include <optional>

using namespace simops;

namespace {

constexpr int kReadingCaption = 73;
constexpr int kWritingCaption = 74;
constexpr int kWriteOnlySelected = -10;

// The phone-book part of a write run: one mode's loop over the records.
class PhoneBookWriter
{
public:
    PhoneBookWriter(CardSession& session, CardTransferBooks& books, UserInterface& ui)
        : m_session(session), m_book(books.book), m_state(books.state), m_ui(ui),
          m_meter(session.adnRecordCount, ui),
          m_lastRecord(std::min(session.adnRecordCount, kHighestRecordNumber)),
          m_empty(emptyRecord(static_cast<std::size_t>(session.adnRecordLength)))
    {
    }

    WriteOutcome run()
    {
        if (m_session.adnRecordLength < static_cast<int>(SimRecord::FixedPartLength))
            return fail(WriteOutcome::UpdateFailed);
        switch (m_state.writeMode) {
        case WriteSelected:
            return writeSelected();
        case AddAll:
            return addFree(false);
        case AddSelected:
            return addFree(true);
        case ClearCard:
            return clearCard();
        default:
            return writeAll();
        }
    }

private:
    WriteOutcome writeAll()
    {
        for (uint32_t i = 0; i < m_book.contactCount(); ++i) {
            if (const auto outcome = writeContact(i, static_cast<int>(i) + 1))
                return *outcome;
            m_meter.advance(static_cast<int>(i));
        }
        return emptyFrom(static_cast<int>(m_book.contactCount()) + 1);
    }

    WriteOutcome writeSelected()
    {
        m_state.selectedIndex = kWriteOnlySelected;
        int written = 0;
        for (uint32_t i = 0; i < m_book.contactCount(); ++i) {
            if (!m_book.isSelected(i))
                continue;
            if (const auto outcome = writeContact(i, written + 1))
                return *outcome;
            ++written;
            m_meter.advance(written);
        }
        return emptyFrom(written + 1);
    }

    // Puts contacts (all, or the selected ones) into the free records in record
    // order; records in use are left alone, and contacts left over when the
    // records run out are not written.
    WriteOutcome addFree(bool selectedOnly)
    {
        std::vector<uint8_t> buffer(static_cast<std::size_t>(m_session.adnRecordLength));
        uint32_t i = 0;
        for (int r = 1; r <= m_lastRecord; ++r) {
            std::fill(buffer.begin(), buffer.end(), SimRecord::Unused);
            const CardResult read = m_session.commands().readRecord(
                static_cast<uint8_t>(r), static_cast<uint8_t>(buffer.size()));
            if (!read.ok()) {
                writeLog(LogLevel::Error, kReadTag, "progress read_record failed on step:%d", r);
                reportCardError(m_ui, read.errorCode());
                return fail(WriteOutcome::ReadFailed);
            }
            std::copy_n(read.data.begin(), std::min(read.data.size(), buffer.size()),
                        buffer.begin());
            if (isFreeRecord(buffer)) {
                while (selectedOnly && i < m_book.contactCount() && !m_book.isSelected(i))
                    ++i;
                if (i >= m_book.contactCount())
                    return WriteOutcome::Completed;
                if (const auto outcome = writeContact(i, r))
                    return *outcome;
                ++i;
            }
            m_meter.advance(r + static_cast<int>(i));
        }
        return WriteOutcome::Completed;
    }

    WriteOutcome clearCard() { return emptyFrom(1); }

    WriteOutcome emptyFrom(int first)
    {
        for (int r = first; r <= m_lastRecord; ++r) {
            if (const auto outcome = writeRecord(r, m_empty))
                return *outcome;
            m_meter.advance(r);
        }
        // Records past the last addressable one cannot be reached; with more
        // contacts than records the write has already failed above.
        return WriteOutcome::Completed;
    }

    std::optional<WriteOutcome> writeContact(uint32_t index, int r)
    {
        // A contact past the last record would be lost: fail as the card does
        // when the record does not exist (some cards accept it with 94 02).
        if (r > m_lastRecord)
            return fail(WriteOutcome::RecordCountExceeded);
        std::vector<uint8_t> record;
        if (!buildContactRecord(m_session, m_ui, m_book.contacts[index], m_extensionCursor, record))
            return WriteOutcome::ExtensionFailed; // told and disconnected by the extension writer
        return writeRecord(r, record);
    }

    std::optional<WriteOutcome> writeRecord(int r, const std::vector<uint8_t>& record)
    {
        const CardResult answer = m_session.commands().updateRecord(static_cast<uint8_t>(r),
                                                                    RecordMode::Absolute, record);
        if (answer.ok())
            return std::nullopt;
        reportCardError(m_ui, answer.errorCode());
        return fail(WriteOutcome::UpdateFailed);
    }

    WriteOutcome fail(WriteOutcome outcome)
    {
        endSession(m_session);
        return outcome;
    }

    CardSession& m_session;
    const PhoneBook& m_book;
    BookState& m_state;
    UserInterface& m_ui;
    ProgressMeter m_meter;
    int m_lastRecord;
    std::vector<uint8_t> m_empty;
    uint16_t m_extensionCursor = 1;
};

} // namespace

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
        if (!readCardBooks(session, ui, meter, *read))
            return false;
    }
    storeCardBooks(*read, books.book, books.sideBooks);
    books.state.bookSource = BookSource::Card;
    return true;
}

WriteOutcome writeToCard(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    writeLog(LogLevel::Trace, kReadTag, "progress %c", 'w');
    ui.setProgressCaption(resString(kWritingCaption));
    if (session.phoneBookPlace != PhoneBookPlace::SimAdn)
        return writeUsimBook(session, books, ui);
    SideBooks& side = books.sideBooks;
    bool sideBooksWritten = true;
    for (const auto& [fileId, entries] :
         {std::pair{FileId::kFdn, std::span<const BookEntry>(side.fdn)},
          std::pair{FileId::kLnd, std::span<const BookEntry>(side.lnd)}}) {
        const BookWrite write = writePhoneNumbers(session, ui, fileId, entries, 20);
        // An extension record that could not be written has ended the connection
        // and told the user.
        if (write.status == BookWrite::Status::ExtensionFailed || session.context == 0)
            return WriteOutcome::ExtensionFailed;
        // A PIN2 that was refused or not given has been dealt with by the PIN2
        // dialog: the fixed dialling numbers stay as they are on the card.
        if (write.ok() || write.status == BookWrite::Status::Pin2NotGiven)
            continue;
        writeLog(LogLevel::Error, kReadTag, "progress write of file 0x%X stopped at record %d",
                 fileId, write.record);
        reportCardError(ui, write.answer.errorCode());
        // The other books are still written, as the user asked; the run does
        // not pass for done.
        sideBooksWritten = false;
    }
    const BookWrite own = writeOwnNumbers(session, ui, side.msisdn);
    if (own.status == BookWrite::Status::ExtensionFailed || session.context == 0)
        return WriteOutcome::ExtensionFailed;
    if (!own.ok()) {
        // Without EF MSISDN the phone book is not written at all: say so rather
        // than let the write pass for done and the changes for saved.
        if (own.status == BookWrite::Status::RecordRefused)
            reportCardError(ui, own.answer.errorCode());
        else
            reportCardFailure(ui);
        return WriteOutcome::OwnNumbersFailed;
    }
    const WriteOutcome phoneBook = PhoneBookWriter(session, books, ui).run();
    if (phoneBook == WriteOutcome::Completed && !sideBooksWritten)
        return WriteOutcome::SideBookFailed;
    return phoneBook;
}

int cardTransfer(CardSession& session, CardTransferBooks& books, UserInterface& ui)
{
    switch (session.transferDirection) {
    case 'r': {
        bool complete = false;
        ui.runWithProgress(resString(kReadingCaption),
                           [&] { complete = readFromCard(session, books, ui); });
        return complete ? 0 : 1;
    }
    case 'w': {
        WriteOutcome outcome = WriteOutcome::Completed;
        ui.runWithProgress(resString(kWritingCaption),
                           [&] { outcome = writeToCard(session, books, ui); });
        return writeFailedOf(outcome);
    }
    default:
        return 0;
    }
}

TransferHook makeCardTransferHook(CardTransferBooks books, UserInterface& ui)
{
    return [books, &ui](CardSession& session) mutable { return cardTransfer(session, books, ui); };
}
