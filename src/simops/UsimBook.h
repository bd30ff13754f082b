#pragma once

#include "card/flows/CardSession.h"
#include "simops/UsimRecords.h"

#include <cstdint>
#include <optional>
#include <vector>

// The USIM phone book as read from the card: the sets of EF PBR with the
// records of their files, loaded as far as a read or a write needs them.
namespace usim {

struct FileImage
{
    PbrFile ref;
    int recordLength = 0;
    int recordCount = 0;
    std::vector<std::vector<uint8_t>> records; // [record - 1]; empty: not read
    bool isType2() const { return ref.link == Link::Type2; }
    const std::vector<uint8_t>& record(int r) const
    {
        return records[static_cast<std::size_t>(r - 1)];
    }
};

struct SetImage
{
    PbrSet pbr;
    FileImage adn;
    std::optional<FileImage> iap;
    std::vector<FileImage> anr;   // in PBR order
    std::vector<FileImage> email; // in PBR order
    std::optional<FileImage> sne;

    // The record of type 2 `file` that this set's IAP record `r` names; 0 for
    // none, also when the IAP record is missing or too short to name it.
    int linkedRecord(const FileImage& file, int r) const;
};

struct BookImage
{
    std::vector<SetImage> sets;
    std::optional<FileImage> ext1; // shared by every set
    // Files beside EF ADN that EF PBR names and the card does not have (or
    // type 2 files without their IAP file): their fields are neither read
    // nor written.
    std::vector<PbrFile> missing;
    int contactCount() const;      // ADN records of all sets
};

// Reads and updates the files of DF PHONEBOOK through the session's command set.
class CardBook
{
public:
    CardBook(CardSession& session) : m_session(session) {}

    // Reads EF PBR and the geometry of every file it names. False: the card
    // refused a command (`failure` holds its answer) or EF PBR is malformed
    // (`failure` not ok, outcome Unknown).
    bool open(BookImage& image);
    // Reads record `r` of `file` into the image unless it is there already.
    bool load(FileImage& file, int r);
    bool loadAll(FileImage& file);
    // Updates record `r` and reads it back. False: the card refused or lost
    // a command, or kept other bytes (notKept()).
    bool update(FileImage& file, int r, const std::vector<uint8_t>& data);
    bool notKept() const { return m_notKept; }

    // Another file was selected since: the next command selects its file again.
    void forgetSelection() { m_current = 0; }

    const CardResult& failure() const { return m_failure; }
    int commandsSent() const { return m_commands; }

private:
    bool selectFile(uint16_t fileId);
    bool sizeFile(FileImage& file);
    bool fail(CardResult result);

    CardSession& m_session;
    uint16_t m_current = 0; // file of DF PHONEBOOK selected last; 0: none
    CardResult m_failure;
    int m_commands = 0;
    bool m_notKept = false;
};

// The contacts of an image whose ADN records (and the records they link) are
// loaded: in contact-number order, free ADN records skipped.
std::vector<Contact> contactsOf(const BookImage& image);
// The records a contact's read needs beyond EF ADN: IAP, type 1 files at the
// ADN record, the type 2 records its IAP names, EXT1 records named. Loads them.
bool loadLinked(CardBook& card, BookImage& image);

} // namespace usim
