#pragma once

#include "card/commands/CardCommands.h"
#include "card/transport/CardTransport.h"

#include <span>

// GSM 11.11 instruction bytes and the other values of the SIM command set.
namespace Sim {
inline constexpr uint8_t kCla = 0xA0;

inline constexpr uint8_t kInsSelect = 0xA4;
inline constexpr uint8_t kInsGetResponse = 0xC0;
inline constexpr uint8_t kInsReadBinary = 0xB0;
inline constexpr uint8_t kInsUpdateBinary = 0xD6;
inline constexpr uint8_t kInsReadRecord = 0xB2;
inline constexpr uint8_t kInsUpdateRecord = 0xDC;
inline constexpr uint8_t kInsVerifyChv = 0x20;
inline constexpr uint8_t kInsChangeChv = 0x24;
inline constexpr uint8_t kInsDisableChv = 0x26;
inline constexpr uint8_t kInsEnableChv = 0x28;
inline constexpr uint8_t kInsUnblockChv = 0x2C;

// CHV numbers of VERIFY/CHANGE/DISABLE/ENABLE, and the references UNBLOCK CHV expects.
inline constexpr uint8_t kChv1 = 1;
inline constexpr uint8_t kChv2 = 2;
inline constexpr uint8_t kUnblockChv1 = 0;
inline constexpr uint8_t kUnblockChv2 = 2;

// P2 of READ/UPDATE RECORD.
inline constexpr uint8_t kModePrevious = 3;
inline constexpr uint8_t kModeAbsolute = 4;

// Type of file, byte 7 of a GET RESPONSE answer.
inline constexpr uint8_t kTypeMf = 0x01;
inline constexpr uint8_t kTypeDf = 0x02;
inline constexpr uint8_t kTypeEf = 0x04;

// Secret codes travel in 8-byte fields padded with FF.
inline constexpr int kSecretFieldLength = 8;

// What the SIM's status words mean.
std::span<const StatusRule> statusTable();

// The file header of a GET RESPONSE answer to a SELECT.
FileHeader decodeHeader(std::span<const uint8_t> answer);
} // namespace Sim

// The GSM SIM command set: class A0, SELECT by file id with P2 00 answered
// 9F xx, the GSM 11.11 header layout read with GET RESPONSE, CHV numbers 1
// and 2. The header is fetched only when asked for (header()), as the card
// keeps it until the next command.
class SimCommands final : public CardCommands
{
public:
    explicit SimCommands(const CardTransport& transport) : m_transport(transport) {}

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

private:
    CardResult secretCommand(uint8_t ins, uint8_t p2, std::string_view first,
                             const std::string_view* second);

    CardTransport m_transport;
    int m_pending = 0; // xx of the last SELECT's 9F xx
};
