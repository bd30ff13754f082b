#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <optional>
#include <vector>

class UserInterface;
struct WriteReport;
struct WriteRequest;

// The card transfer: reads the card's books into the program's tables, or
// writes them to the card in the chosen WriteMode, while the user interface
// shows its progress display. The main window (or the command-line front end)
// owns the tables and the document state; the transfer borrows them.
struct CardTransferBooks
{
    PhoneBook& book;
    SideBooks& sideBooks;
    BookState& state; // bookSource, selectedIndex, writeMode
    // A write's options (null: the defaults) and where its report goes (null: nowhere).
    const WriteRequest* request = nullptr;
    WriteReport* report = nullptr;
};

// How a write run ended.
enum class WriteOutcome
{
    Completed,          // the mode's loop ran to its end
    NotWritten,         // refused before anything was written (empty book, does not fit, ...)
    UpdateFailed,       // the card refused, lost or did not keep a record: connection ended
    ReadFailed,         // the card's records could not be read: connection ended
    OwnNumbersFailed,   // an own number could not be written: the phone book was not written
    SideBookFailed,     // the phone book was written, a fixed dialling or last dialled book not
    ExtensionFailed,    // a side book's extension record could not be written: connection ended
    RecordCountExceeded // the USIM book: more contacts than the card has records
};

// The side-book part of a write run: the changed fixed dialling (after PIN2)
// and last dialled numbers, then the own numbers. Their long numbers take no
// extension record marked in `ext2Reserved` (fixed dialling) or
// `ext1Reserved` (the others) and mark the ones they take. `stop` is set when
// the run must end there (the user has been told); `allWritten` is false when
// a side book was refused and the others were written. Without
// `ownNumbersRequired` the own numbers are left alone when none changed.
struct SideBooksWrite
{
    std::optional<WriteOutcome> stop;
    bool allWritten = true;
};
SideBooksWrite writeSideBooks(CardSession& session, UserInterface& ui, const SideBooks& side,
                              std::vector<bool>& ext1Reserved, std::vector<bool>& ext2Reserved,
                              bool ownNumbersRequired);

// The read run. Side books first, then every phone-book record. Only a complete
// read replaces the tables and sets bookSource to Card; after a failure the
// tables keep what they held (the user has been told why, except when the card
// has no EF MSISDN) and bookSource is unchanged. True for a complete read.
bool readFromCard(CardSession& session, CardTransferBooks& books, UserInterface& ui);

// The write run: changed side-book entries (fixed dialling after PIN2), own
// numbers, then the phone book by books.state.writeMode. The tables are not changed.
WriteOutcome writeToCard(CardSession& session, CardTransferBooks& books, UserInterface& ui);

// Tells the user how a phone-book write ended (nothing for a dry run) and
// turns its report into the run's outcome; a card in doubt is let go.
WriteOutcome finishWrite(CardSession& session, UserInterface& ui, const WriteReport& report);

// `writeFailed` of a write run: 0 when it completed, 1 otherwise.
inline int writeFailedOf(WriteOutcome outcome)
{
    return outcome == WriteOutcome::Completed ? 0 : 1;
}

// The transfer of session.transferDirection (Transfer::None does nothing) inside
// ui.runWithProgress, with the caption " Reading from SIM Card ... " or " Writing to SIM Card ...
// ". Returns `writeFailed` after a write, and after a read 0 when it completed, 1 when it did not.
int cardTransfer(CardSession& session, CardTransferBooks& books, UserInterface& ui);

// The hook the connect sequences run (CardHost::transfer). The references
// must outlive the hook.
TransferHook makeCardTransferHook(CardTransferBooks books, UserInterface& ui);
