#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What an import left out and why: every loader (CSV, .phn, the legacy file,
// vCard) fills one of these, the CLI prints it, the window shows it.
// Places are line numbers of a text file (from 1), entry numbers of a .phn
// section or record numbers of a legacy file.
enum class SkipReason
{
    NoNumber,      // a line or entry without any number
    Undecodable,   // text that is not valid in the file's encoding
    RefusedNumber, // a number that cannot be dialled (letters, a '+' inside, too long)
    NotKept,       // numbers or e-mail addresses beyond what one contact holds
    NotUnderstood, // a line that is no part of the file's format
    BookFull,      // an entry for which the book had no room
    Unended,       // an entry cut off by the end of the file (imported as far as it went)
    NameShortened, // a name longer than the book holds (imported, shortened)
};
inline constexpr std::size_t kSkipReasonCount = 8;

struct SkippedEntry
{
    uint32_t place = 0;
    std::string name;   // the contact's name as the user knows it (UTF-8), may be empty
    std::string detail; // e.g. the refused number as it stood in the file
};

class ImportReport
{
public:
    // Entries listed per reason; the rest are only counted.
    static constexpr std::size_t kListed = 5;

    void skip(SkipReason reason, uint32_t place, std::string name = {}, std::string detail = {});
    void addImported(uint32_t count = 1) { m_imported += count; }
    // Adds the counts and listed entries of `other`.
    void merge(const ImportReport& other);

    uint32_t imported() const { return m_imported; }
    uint32_t skipped(SkipReason reason) const;
    uint32_t skippedTotal() const;
    bool skippedAny() const { return skippedTotal() > 0; }
    // The first kListed entries of a reason, in the order they were skipped.
    const std::vector<SkippedEntry>& listed(SkipReason reason) const;

    // The summary for the user (UTF-8, lines joined by '\n'), e.g.
    //   "Imported 4998 contacts from book.csv; 2 were skipped:
    //    - 1 without a number: line 4 (Anna)
    //    - 1 with a number that cannot be dialled: line 9 (Bob: 12ab)"
    // Empty when nothing was skipped.
    std::string text(const std::string& fileName) const;

private:
    struct Reason
    {
        uint32_t count = 0;
        std::vector<SkippedEntry> listed;
    };
    std::array<Reason, kSkipReasonCount> m_reasons{};
    uint32_t m_imported = 0;
};

class UserInterface;

// Shows the summary of an import from `path` (a warning naming the file) when
// anything was skipped; nothing otherwise. The GUI and phonara-cli both show
// imports' summaries through this.
void tellImportSummary(UserInterface& ui, const std::string& path, const ImportReport& report);

// String-table id of the summary's first line, the id a message showing the
// summary carries.
inline constexpr int kImportSummaryTextId = 310;
