#pragma once

#include "card/flows/CardSession.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "simops/WritePlan.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

class ProgressMeter;
class UserInterface;

// The phone-book part of a write run: learn what the card holds, plan, check,
// back up, write only the records that change and read every one of them
// back. Every command goes through session.commands().

// What the user asked of a write beyond its mode.
struct WriteRequest
{
    bool dryRun = false;       // plan and report; nothing is written
    bool allowPartial = false; // write what fits when not everything does
    bool backup = true;        // save the card's books before the phone book changes
    // Asked once the plan is known and before anything is written (not for a
    // dry run); false stops the write with nothing written. Empty: go on when
    // everything fits, or when allowPartial is set.
    std::function<bool(const WritePlan& plan, std::span<const Contact> contacts)> approve;
};

// How the phone-book part ended.
enum class WriteStop
{
    Completed,      // every planned record written and read back
    DryRun,         // planned and reported, nothing written
    EmptyBook,      // write all/selected of no contact: refused, nothing written
    BadNumber,      // a number cannot be dialled: refused, nothing written
    DoesNotFit,     // not everything fits and no partial write was asked for
    Declined,       // the user said no to the plan: nothing written
    ReadFailed,     // the card's records could not be read: nothing written
    BackupFailed,   // the backup could not be saved: nothing written
    SideBookFailed, // a fixed dialling, last dialled or own number was refused
    CardRemoved,    // the card went away (or the connection broke) during the write
    Refused,        // the card refused a record
    NotKept,        // a record read back differs from what was written
};

struct WriteReport
{
    WriteStop stop = WriteStop::Completed;
    CardBookImage image; // the card's records before the write
    WritePlan plan;
    std::vector<Contact> contacts; // the contacts the write was given, in order
    std::string backupPath;        // empty: no backup taken
    std::string backupError;
    std::string badNumber;       // BadNumber: the contact and number refused
    int contactsOnCard = 0;      // planned contacts that are on the card now
    int recordsWritten = 0;      // UPDATE RECORDs the card took
    int failedRecord = 0;        // the record that failed, from 1
    std::string failedFile;      // "EF ADN", "EF EXT1", "EMAIL 4F50"
    CardResult answer;           // the failed command's answer

    bool written() const { return stop == WriteStop::Completed; }
    // Something on the card changed before the write ended.
    bool partlyWritten() const { return recordsWritten > 0 && !written(); }
};

// The contacts a mode writes: all of the book, or its selected ones.
std::vector<Contact> chosenContacts(const PhoneBook& book, WriteMode writeMode);
PlanMode planModeOf(WriteMode writeMode);

// The checks before the card is read: report.contacts, the chosen contacts
// of `book`, are not empty for a write all/selected (EmptyBook) and their
// numbers, with `secondNumbersToo` their second numbers as well, can be
// dialled (BadNumber; the numbers are left in their clean form). False:
// report.stop says why nothing is to be written.
bool checkChosenContacts(WriteReport& report, const PhoneBook& book, WriteMode writeMode,
                         bool secondNumbersToo = false);

// Once report.plan is known: a dry run stops here (DryRun), the user's
// approval is asked, or a plan that does not fit stops unless a partial write
// was asked for (DoesNotFit, Declined). True: the write may go on.
bool writeApproved(WriteReport& report, const WriteRequest& request);

// The answers that say the card is gone rather than that it refused something.
bool cardWentAway(const CardResult& result);

// The phone-book records and the extension records of EF EXT1 as the card
// holds them, with the EXT1 records the own numbers name. Not ok: the answer
// of the command that failed (nothing is shown).
CardResult readCardImage(CardSession& session, CardBookImage& image);

// Everything before the first UPDATE RECORD: the empty-book and number
// checks, the card's records, the plan, the check that it fits (or the
// user's approval), the backup. report.stop is Completed when the write may
// go on (DryRun for a dry run); nothing has been written either way.
WriteReport prepareWrite(CardSession& session, UserInterface& ui, const PhoneBook& book,
                         WriteMode writeMode, const WriteRequest& request);

// The EXT1 records that the card's records name or the plan gives away: an
// own number written beside the phone book must take none of them.
std::vector<bool> extensionsInUse(const WriteReport& report);

// Writes the plan's extension records, then its phone-book records, each read
// back and compared; stops at the first failure (report.stop says which).
void carryOutPlan(CardSession& session, WriteReport& report, ProgressMeter& meter);

// What the user is told about a write, the same words in every front end:
// "40 contacts were written to the SIM Card. ...", "The SIM Card was removed
// after 17 of 40 contacts were written; ...". The string-table id goes to `id`.
std::string writeReportText(const WriteReport& report, int* id = nullptr);
// "12 of 40 contacts fit on the SIM Card." and what does not, for the check
// before writing; with the contacts, the ones that lose something are named.
std::string fitText(const WritePlan& plan, std::span<const Contact> contacts = {});
// "3 new, 1 changed, 2 removed" and, when the card loses contacts, how many.
std::string summaryText(const WritePlan& plan);
