#include "cli/BookFiles.h"

#include "cli/CliOptions.h"
#include "cli/TerminalUserInterface.h"
#include "files/CsvFile.h"
#include "files/FileIo.h"
#include "files/ImportReport.h"
#include "files/PhnFile.h"
#include "shell/LastError.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr int kCannotOpenFile = 25; // "Can't open the file!"
} // namespace

VCardNumbers vCardNumbersOf(const CliOptions& options)
{
    return options.entryPerNumber ? VCardNumbers::EntryPerNumber : VCardNumbers::PreferredOnly;
}

VCardVersion vCardVersionOf(const CliOptions& options)
{
    return options.vCard30 ? VCardVersion::V30 : VCardVersion::V40;
}

bool isCsvPath(const std::string& path)
{
    constexpr std::string_view kSuffix = ".csv";
    if (path.size() < kSuffix.size())
        return false;
    return std::equal(
        kSuffix.begin(), kSuffix.end(), path.end() - kSuffix.size(),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool loadBookFile(const std::string& path, PhoneBook& book, SideBooks& sideBooks,
                  TerminalUserInterface& ui, VCardNumbers numbers, ImportReport* report)
{
    // The readers take a missing file for an empty book; here it is an error.
    if (const FileResult readable = checkInputFile(path); !readable.ok()) {
        tellOpenFailure(ui, path, readable);
        return false;
    }
    PhoneBook loaded;
    if (isVCardPath(path)) {
        if (!importVCardFile(path, loaded, numbers, ui, report))
            return false;
        book = loaded;
        return true;
    }
    if (isCsvPath(path)) {
        if (importCsvFile(path, loaded, ui, report) == 0) {
            // A file that cannot be read gives no message of its own.
            if (ui.failures() == 0)
                ui.inform(kCannotOpenFile);
            return false;
        }
        book = loaded;
        return true;
    }
    if (!loadPhnOrAdrFile(path, loaded, sideBooks, ui))
        return false;
    book = loaded;
    return true;
}

bool saveBookFile(const std::string& path, const PhoneBook& book, const SideBooks& sideBooks,
                  TerminalUserInterface& ui, VCardVersion version)
{
    if (isVCardPath(path))
        return exportVCardFile(path, book, version, ui);
    if (isCsvPath(path))
        return exportCsvFile(path, book, ui);
    return savePhnFile(path, &book, sideBooks.fdn.data(), sideBooks.fdnCount,
                       sideBooks.lnd.data(), sideBooks.lndCount, &ui)
        .ok();
}
