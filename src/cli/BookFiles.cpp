#include "cli/BookFiles.h"

#include "cli/TerminalUserInterface.h"
#include "files/CsvFile.h"
#include "files/FileIo.h"
#include "files/PhnFile.h"
#include "shell/LastError.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr int kCannotOpenFile = 25; // "Can't open the file!"
} // namespace

bool IsCsvPath(const std::string& path)
{
    constexpr std::string_view suffix = ".csv";
    if (path.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), path.end() - suffix.size(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

bool LoadBookFile(const std::string& path, PhoneBook& book, SideBooks& sideBooks,
                  TerminalUserInterface& ui)
{
    // The readers take a missing file for an empty book; here it is an error.
    if (!FileIsReadable(path)) {
        ui.inform(kCannotOpenFile);
        return false;
    }
    PhoneBook loaded;
    if (IsCsvPath(path)) {
        if (ImportCsvFile(path, loaded, ui) == 0) {
            // A file that cannot be read gives no message of its own.
            if (ui.failures() == 0)
                ui.inform(kCannotOpenFile);
            return false;
        }
        book = loaded;
        return true;
    }
    if (!LoadPhnOrAdrFile(path, loaded, sideBooks, ui))
        return false;
    book = loaded;
    return true;
}

bool SaveBookFile(const std::string& path, const PhoneBook& book, const SideBooks& sideBooks,
                  TerminalUserInterface& ui)
{
    if (IsCsvPath(path))
        return ExportCsvFile(path, book, ui);
    SavePhnFile(path, &book, sideBooks.fdn.data(), sideBooks.fdnCount, sideBooks.lnd.data(),
                sideBooks.lndCount, &ui);
    return lastError() == 0;
}
