#include "simops/CardFiles.h"

#include "card/flows/CardMessages.h"
#include "card/flows/ConnectSequence.h"

namespace simops {

namespace {
constexpr int kErrorWithCode = 35;
constexpr int kError = 36;
} // namespace

CardResult selectBookFile(CardSession& session, uint16_t fileId, BookFile& file)
{
    SelectedFile selected =
        indexToDirAndFile(session.commands(), session.card, fileId, FileId::kDirTelecom);
    if (selected.status == SelectStatus::Selected) {
        file.recordLength = selected.header.recordLength;
        file.recordCount = selected.header.recordCount();
    }
    return std::move(selected.result);
}

void reportCardError(UserInterface& ui, uint32_t errorCode)
{
    showCardMessage(ui, kErrorWithCode, cardTextHex(kErrorWithCode, errorCode));
}

void reportCardFailure(UserInterface& ui)
{
    showCardMessage(ui, kError);
}

} // namespace simops
