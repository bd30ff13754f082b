#pragma once

#include "card/commands/FileIds.h"
#include "card/flows/CardSession.h"

#include <cstdint>

// Small helpers shared by the book reader and writer.
namespace simops {

inline constexpr const char* kReadTag = "Read Phone from SIM";

// Geometry of a book file learnt by index_to_dir_and_file.
struct BookFile
{
    int recordLength = 0;
    int recordCount = 0;        // file size / record length
    uint16_t extensionFile = 0; // the extension file beside it that its records name
};

// EF EXT5: the own numbers' extension file in ADF USIM.
inline constexpr uint16_t kExt5 = 0x6F4E;

// Selects the directory that holds `fileId` and the file, and sizes it. A UICC
// with the USIM application keeps the fixed dialling numbers and the own
// numbers in ADF USIM (reached as DF GSM, see UiccCommands); they are looked
// for there first, then under DF Telecom, where a SIM keeps every book. Not
// ok: the answer of the selection or header read that failed
// (index_to_dir_and_file has logged it).
CardResult selectBookFile(CardSession& session, uint16_t fileId, BookFile& file);

// The extension file of a book: EF EXT2 for the fixed dialling numbers,
// EF EXT1 for every other book.
inline uint16_t extensionFileOf(uint16_t bookFile)
{
    return bookFile == FileId::kFdn ? FileId::kExt2 : FileId::kExt1;
}

// Shows string 35 "Error reading SIM Card: %08X." with the code of the failed
// command (CardResult::errorCode()), or string 36 "Error reading SIM Card!".
void reportCardError(UserInterface& ui, uint32_t errorCode);
void reportCardFailure(UserInterface& ui);

} // namespace simops
