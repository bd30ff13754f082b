#include "simops/CardFiles.h"

#include "card/flows/CardMessages.h"
#include "card/flows/ConnectSequence.h"
#include "card/transport/CardError.h"

#include <string>

namespace simops {

namespace {
constexpr int kErrorWithCode = 35;
constexpr int kError = 36;
} // namespace

CardResult selectBookFile(CardSession& session, uint16_t fileId, BookFile& file)
{
    const bool inUsim = session.identity.kind == CardKind::Uicc &&
                        !session.identity.usimAid.empty() &&
                        (fileId == FileId::kFdn || fileId == FileId::kMsisdn);
    SelectedFile selected;
    if (inUsim) {
        selected = indexToDirAndFile(session.commands(), session.card, fileId, FileId::kDirGsm);
        if (selected.status == SelectStatus::Selected) {
            file.recordLength = selected.header.recordLength;
            file.recordCount = selected.header.recordCount();
            file.extensionFile = fileId == FileId::kMsisdn ? kExt5 : FileId::kExt2;
            return std::move(selected.result);
        }
        if (selected.result.outcome != CardOutcome::NoSuchFile)
            return std::move(selected.result);
    }
    selected = indexToDirAndFile(session.commands(), session.card, fileId, FileId::kDirTelecom);
    if (selected.status == SelectStatus::Selected) {
        file.recordLength = selected.header.recordLength;
        file.recordCount = selected.header.recordCount();
        file.extensionFile = extensionFileOf(fileId);
    }
    return std::move(selected.result);
}

void reportCardError(UserInterface& ui, uint32_t errorCode)
{
    std::string text = cardTextHex(kErrorWithCode, errorCode);
    // A PC/SC result (8010xxxx) says why the card did not answer, for example
    // that it was taken out; the number alone tells the user nothing.
    if ((errorCode & 0xFFFF0000U) == 0x80100000U)
        text += std::string("\n") + cardErrorText(errorCode);
    showCardMessage(ui, kErrorWithCode, text);
}

void reportCardFailure(UserInterface& ui)
{
    showCardMessage(ui, kError);
}

} // namespace simops
