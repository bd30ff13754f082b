#include "card/uicc/CardKind.h"

#include "card/commands/FileIds.h"
#include "card/sim/SimCommands.h"
#include "card/uicc/Fcp.h"
#include "card/uicc/UiccCommands.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint8_t kApplicationTemplate = 0x61;
constexpr uint8_t kTagAid = 0x4F;
constexpr uint8_t kTagLabel = 0x50;
constexpr uint16_t kEfDir = 0x2F00;
constexpr std::array<uint8_t, 7> kUsimAidPrefix{0xA0, 0x00, 0x00, 0x00, 0x87, 0x10, 0x02};
constexpr DWORD kAnswerRoom = 258;

CardAnswer selectFcp(const CardTransport& transport, uint16_t fileId)
{
    const std::array<uint8_t, 7> command{Uicc::kCla,
                                         Uicc::kInsSelect,
                                         Uicc::kSelectByFileId,
                                         Uicc::kReturnFcp,
                                         0x02,
                                         static_cast<uint8_t>(fileId >> 8),
                                         static_cast<uint8_t>(fileId & 0xFF)};
    return transport.exchange(command, kAnswerRoom);
}

bool succeeded(const CardAnswer& answer)
{
    return answer.pcsc == Pcsc::kSuccess && !answer.shortAnswer && answer.sw.sw1 == 0x90 &&
           answer.sw.sw2 == 0x00;
}

} // namespace

const char* cardKindText(const CardIdentity& identity)
{
    if (identity.kind == CardKind::Sim)
        return "GSM SIM";
    return identity.usimAid.empty() ? "UICC" : "UICC with USIM";
}

bool atrHasClassIndicator(std::span<const uint8_t> atr)
{
    // TS, T0, then the interface bytes: each TDi names in its low nibble the
    // protocol of the bytes that follow it and in its high nibble which follow.
    if (atr.size() < 2)
        return false;
    std::size_t i = 1;
    uint8_t indicator = atr[i++]; // T0: its high nibble says which of TA1..TD1 follow
    bool first = true;
    while (true) {
        const int present = indicator >> 4;
        i += ((present & 1) != 0) + ((present & 2) != 0) + ((present & 4) != 0);
        if ((present & 8) == 0 || i >= atr.size())
            return false;
        indicator = atr[i++];
        if (!first && (indicator & 0x0F) == 0x0F)
            return true;
        first = false;
    }
}

DirApplication decodeDirRecord(std::span<const uint8_t> record)
{
    DirApplication application;
    if (record.size() < 2 || record[0] != kApplicationTemplate)
        return application;
    const std::size_t end = std::min<std::size_t>(record.size(), 2u + record[1]);
    std::size_t i = 2;
    while (i + 2 <= end) {
        const uint8_t tag = record[i];
        const std::size_t length = record[i + 1];
        if (i + 2 + length > end)
            break;
        const auto value = record.subspan(i + 2, length);
        if (tag == kTagAid)
            application.aid.assign(value.begin(), value.end());
        else if (tag == kTagLabel)
            application.label.assign(value.begin(), value.end());
        i += 2 + length;
    }
    return application;
}

bool isUsimAid(std::span<const uint8_t> aid)
{
    return aid.size() >= kUsimAidPrefix.size() &&
           std::equal(kUsimAidPrefix.begin(), kUsimAidPrefix.end(), aid.begin());
}

CardIdentity identifyCard(const CardTransport& transport, std::span<const uint8_t> atr)
{
    CardIdentity identity;
    identity.atrNamesUicc = atrHasClassIndicator(atr);
    const CardAnswer mf = selectFcp(transport, FileId::kMf);
    if (!succeeded(mf) || !Uicc::decodeFcp(mf.data))
        return identity;
    identity.kind = CardKind::Uicc;

    const CardAnswer dir = selectFcp(transport, kEfDir);
    const auto dirFcp = succeeded(dir) ? Uicc::decodeFcp(dir.data) : std::nullopt;
    if (dirFcp && dirFcp->recordLength != 0 && dirFcp->recordLength <= 255) {
        for (int r = 1; r <= dirFcp->recordCount && identity.usimAid.empty(); ++r) {
            const std::array<uint8_t, 5> read{Uicc::kCla, Uicc::kInsReadRecord,
                                              static_cast<uint8_t>(r), 0x04,
                                              static_cast<uint8_t>(dirFcp->recordLength)};
            const CardAnswer record = transport.exchange(read, kAnswerRoom);
            if (!succeeded(record))
                break;
            const DirApplication application = decodeDirRecord(record.data);
            if (isUsimAid(application.aid)) {
                identity.usimAid = application.aid;
                identity.usimLabel = application.label;
            }
        }
    }
    selectFcp(transport, FileId::kMf);
    return identity;
}

std::unique_ptr<CardCommands> commandsFor(const CardIdentity& identity,
                                          const CardTransport& transport)
{
    if (identity.kind == CardKind::Uicc)
        return std::make_unique<UiccCommands>(transport, identity.usimAid);
    return std::make_unique<SimCommands>(transport);
}
