#pragma once

#include "card/commands/CardCommands.h"
#include "card/transport/CardTransport.h"
#include "card/uicc/Fcp.h"

#include <span>
#include <vector>

// Instruction bytes and references of the UICC command set (class 00).
namespace Uicc {
inline constexpr uint8_t kCla = 0x00;

inline constexpr uint8_t kInsSelect = 0xA4;
inline constexpr uint8_t kInsReadBinary = 0xB0;
inline constexpr uint8_t kInsUpdateBinary = 0xD6;
inline constexpr uint8_t kInsReadRecord = 0xB2;
inline constexpr uint8_t kInsUpdateRecord = 0xDC;
inline constexpr uint8_t kInsVerify = 0x20;
inline constexpr uint8_t kInsChange = 0x24;
inline constexpr uint8_t kInsDisable = 0x26;
inline constexpr uint8_t kInsEnable = 0x28;
inline constexpr uint8_t kInsUnblock = 0x2C;

// SELECT: P1 by file id or by application id; P2 asks for the FCP.
inline constexpr uint8_t kSelectByFileId = 0x00;
inline constexpr uint8_t kSelectByAid = 0x04;
inline constexpr uint8_t kReturnFcp = 0x04;

// Key references: PIN1 is the card's global PIN, PIN2 the application's second PIN.
inline constexpr uint8_t kKeyPin1 = 0x01;
inline constexpr uint8_t kKeyPin2 = 0x81;

// The current application directory.
inline constexpr uint16_t kCurrentAdf = 0x7FFF;

inline constexpr int kPinFieldLength = 8;

// What the UICC's status words mean.
std::span<const StatusRule> statusTable();
} // namespace Uicc

// The UICC command set: class 00, SELECT with the FCP (fetched by the transport
// from the card's 61 xx), key references 01 and 81, and the code states asked
// with VERIFY/UNBLOCK without data (63 Cx tells the tries left).
//
// A UICC has no DF GSM: its network application is ADF USIM, which holds what
// DF GSM holds on a SIM (EF SPN among others). A select of DF GSM that the
// card does not have therefore reaches the USIM application, when the card has
// one, so that the flows find those files in the same place on both kinds.
class UiccCommands final : public CardCommands
{
public:
    // `usimAid`: the USIM application from EF DIR, empty when the card has none.
    UiccCommands(const CardTransport& transport, std::vector<uint8_t> usimAid)
        : m_transport(transport), m_usimAid(std::move(usimAid))
    {
    }

    CardResult select(uint16_t fileId) override;
    HeaderResult header() override;
    CardResult readRecord(uint8_t record, uint8_t length, RecordMode mode) override;
    CardResult updateRecord(uint8_t record, RecordMode mode,
                            std::span<const uint8_t> data) override;
    CardResult readBinary(uint16_t offset, uint8_t length) override;
    CardResult updateBinary(uint16_t offset, std::span<const uint8_t> data) override;
    CardResult verifyCode(SecretCode code, std::string_view pin) override;
    CardResult changeCode(SecretCode code, std::string_view oldPin,
                          std::string_view newPin) override;
    CardResult unblockCode(SecretCode code, std::string_view unblockCode,
                           std::string_view newPin) override;
    CardResult disableCode(SecretCode code, std::string_view pin) override;
    CardResult enableCode(SecretCode code, std::string_view pin) override;

    // Selects the USIM application by its AID.
    CardResult selectApplication();
    // The FCP of the file the last select reached (nullopt after a failed one).
    const std::optional<Uicc::Fcp>& lastFcp() const { return m_fcp; }
    const std::vector<uint8_t>& usimAid() const { return m_usimAid; }

    // Tries left for a key: VERIFY (or UNBLOCK for its PUK) without data.
    // -1 when the card does not tell; a code that needs no verification
    // (disabled, or verified already) counts as all its tries left (`full`).
    // `state`, when given, says whether the number is the card's own count.
    int triesLeft(uint8_t ins, uint8_t keyReference, int full, CounterState* state = nullptr);

private:
    CardResult selectBy(uint8_t p1, std::span<const uint8_t> id);
    CardResult secretCommand(uint8_t ins, uint8_t keyReference, std::string_view first,
                             const std::string_view* second);

    CardTransport m_transport;
    std::vector<uint8_t> m_usimAid;
    std::optional<Uicc::Fcp> m_fcp;
};
