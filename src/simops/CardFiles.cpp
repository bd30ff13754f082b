#include "simops/CardFiles.h"

#include "card/CardMessages.h"
#include "card/ConnectSequence.h"

namespace simops {

namespace {
constexpr int kErrorWithCode = 35;
constexpr int kError = 36;
} // namespace

bool selectBookFile(CardSession& session, uint16_t fileId, BookFile& file)
{
    uint16_t responseLength = 0;
    uint8_t isDirectory = 0;
    uint8_t recordLength = 0;
    uint16_t fileSize = 0;
    if (indexToDirAndFile(session.simCard, session.card, responseLength, fileId, &isDirectory,
                              &recordLength, &fileSize, Sim::DirTelecom) != SelectResult::Selected)
        return false;
    file.recordLength = recordLength;
    file.recordCount = recordLength != 0 ? fileSize / recordLength : 0;
    return true;
}

void reportCardError(UserInterface& ui, uint32_t lastErrorValue)
{
    showCardMessage(ui, kErrorWithCode, cardTextHex(kErrorWithCode, lastErrorValue));
}

void reportCardFailure(UserInterface& ui)
{
    showCardMessage(ui, kError);
}

} // namespace simops
