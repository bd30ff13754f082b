#include "card/sim/SimCommands.h"

#include "phonebook/OwnedText.h"
#include "shell/Log.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

// Room offered for the answers, as the commands have always asked.
constexpr DWORD kChvReceiveLength = 20;
constexpr DWORD kSelectReceiveLength = 10;
constexpr DWORD kGetResponseReceiveLength = 250;
constexpr DWORD kUpdateReceiveLength = 50;

// First match wins: the single words before the wildcards that cover them.
constexpr StatusRule kSimStatusWords[] = {
    {"9000", CardOutcome::Success, "normal ending of the command"},
    {"9Fxx", CardOutcome::Success, "normal ending, xx bytes of response data"},
    {"91xx", CardOutcome::SuccessWithInfo, "normal ending, with a proactive command pending"},
    {"9Exx", CardOutcome::SuccessWithInfo, "normal ending, with data download error data"},
    {"920x", CardOutcome::SuccessWithInfo, "done after internal update retries"},
    {"9240", CardOutcome::MemoryProblem, "memory problem"},
    {"9400", CardOutcome::NoSuchFile, "no EF selected"},
    {"9402", CardOutcome::RecordNotFound, "out of range (invalid address)"},
    {"9404", CardOutcome::NoSuchFile, "file id not found"},
    {"9408", CardOutcome::WrongParameters, "file is inconsistent with the command"},
    {"9802", CardOutcome::AccessRefused, "no CHV initialised"},
    {"9804", CardOutcome::WrongCode,
     "access condition not fulfilled, or wrong secret code (attempts left)"},
    {"9808", CardOutcome::AccessRefused, "in contradiction with the CHV status"},
    {"9810", CardOutcome::Invalidated, "in contradiction with the invalidation status"},
    {"9840", CardOutcome::Blocked, "secret code blocked, no attempt left"},
    {"9850", CardOutcome::WrongParameters, "increase cannot be performed, maximum value reached"},
    {"6982", CardOutcome::AccessRefused, "security status not satisfied"},
    {"6983", CardOutcome::Blocked, "authentication method blocked"},
    {"63Cx", CardOutcome::WrongCode, "verification failed, x attempts left"},
    {"6A82", CardOutcome::NoSuchFile, "file not found"},
    {"6A83", CardOutcome::RecordNotFound, "record not found"},
    {"6581", CardOutcome::MemoryProblem, "memory failure"},
    {"67xx", CardOutcome::WrongLength, "incorrect parameter P3"},
    {"6Cxx", CardOutcome::WrongLength, "wrong length, xx expected"},
    {"6Bxx", CardOutcome::WrongParameters, "incorrect parameter P1 or P2"},
    {"6Dxx", CardOutcome::NotSupported, "unknown instruction code"},
    {"6Exx", CardOutcome::NotSupported, "wrong instruction class"},
    {"6Fxx", CardOutcome::Unknown, "technical problem with no diagnostic given"},
};

uint8_t chvOf(SecretCode code)
{
    return code == SecretCode::Pin2 ? Sim::kChv2 : Sim::kChv1;
}

uint8_t unblockReferenceOf(SecretCode code)
{
    return code == SecretCode::Pin2 ? Sim::kUnblockChv2 : Sim::kUnblockChv1;
}

// `text` (at most the field's length), the rest of the field FF.
void putSecretField(uint8_t* field, std::string_view text)
{
    std::memset(field, 0xFF, Sim::kSecretFieldLength);
    const std::size_t length = std::min<std::size_t>(text.size(), Sim::kSecretFieldLength);
    std::memcpy(field, text.data(), length);
}

// The five header bytes as ten upper-case hex digits, for the read_record trace.
std::array<char, 11> hexOf(const std::array<uint8_t, 5>& command)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::array<char, 11> hex{};
    for (std::size_t i = 0; i < command.size(); ++i) {
        hex[2 * i] = kHex[command[i] >> 4];
        hex[2 * i + 1] = kHex[command[i] & 0x0F];
    }
    return hex;
}

std::vector<uint8_t> withData(std::array<uint8_t, 5> header, std::span<const uint8_t> data)
{
    std::vector<uint8_t> command(header.size() + data.size());
    std::copy(header.begin(), header.end(), command.begin());
    if (!data.empty())
        std::memcpy(command.data() + header.size(), data.data(), data.size());
    return command;
}

} // namespace

std::span<const StatusRule> Sim::statusTable()
{
    return kSimStatusWords;
}

FileHeader Sim::decodeHeader(std::span<const uint8_t> answer)
{
    // Bytes are numbered from 1 as in GSM 11.11; missing bytes read as 0.
    const auto byte = [&answer](std::size_t n) -> uint8_t {
        return n <= answer.size() ? answer[n - 1] : 0;
    };
    // A code's status byte: b8 set when the code is initialised, b4-b1 the
    // attempts left. A byte the answer does not reach tells nothing.
    const auto counterState = [&answer, &byte](std::size_t n) {
        if (n > answer.size())
            return CounterState::Unknown;
        return (byte(n) & 0x80) != 0 ? CounterState::Known : CounterState::NotInitialised;
    };
    FileHeader header;
    const uint16_t bytes3And4 = static_cast<uint16_t>(byte(3) << 8 | byte(4));
    switch (byte(7)) {
    case kTypeEf:
        header.type = FileType::Elementary;
        header.fileSize = bytes3And4;
        header.recordLength = byte(15);
        break;
    case kTypeMf:
    case kTypeDf:
        header.type = byte(7) == kTypeMf ? FileType::Master : FileType::Dedicated;
        header.freeMemory = bytes3And4;
        header.childDfCount = byte(15);
        header.childEfCount = byte(16);
        header.pin1Disabled = (byte(14) & 0x80) != 0;
        header.pin1Attempts = byte(19) & 0x0F;
        header.puk1Attempts = byte(20) & 0x0F;
        header.pin2Attempts = byte(21) & 0x0F;
        header.puk2Attempts = byte(22) & 0x0F;
        header.pin1Counter = counterState(19);
        header.puk1Counter = counterState(20);
        header.pin2Counter = counterState(21);
        header.puk2Counter = counterState(22);
        break;
    default:
        break;
    }
    return header;
}

CardResult SimCommands::select(uint16_t fileId)
{
    const std::array<uint8_t, 7> command{Sim::kCla,
                                         Sim::kInsSelect,
                                         0x00,
                                         0x00,
                                         0x02,
                                         static_cast<uint8_t>(fileId >> 8),
                                         static_cast<uint8_t>(fileId & 0xFF)};
    // The header waits on the card until header() asks for it.
    CardResult result = judgeAnswer(
        m_transport.exchange(command, kSelectReceiveLength, Collect::Later), Sim::statusTable());
    m_pending = result.ok() ? result.pending : 0;
    return result;
}

HeaderResult SimCommands::header()
{
    HeaderResult answer;
    answer.result = judgeAnswer(m_transport.getResponse(Sim::kCla, static_cast<uint8_t>(m_pending),
                                                        kGetResponseReceiveLength),
                                Sim::statusTable());
    if (answer.result.ok())
        answer.header = Sim::decodeHeader(answer.result.data);
    return answer;
}

CardResult SimCommands::readRecord(uint8_t record, uint8_t length, RecordMode mode)
{
    const std::array<uint8_t, 5> command{
        Sim::kCla, Sim::kInsReadRecord, record,
        static_cast<uint8_t>(mode == RecordMode::Absolute ? Sim::kModeAbsolute : 0x00), length};
    writeLog(LogLevel::Info, "read_record", "SCardTransmit bcd str %s", hexOf(command).data());
    return judgeAnswer(m_transport.exchange(command, static_cast<DWORD>(length) + 2),
                       Sim::statusTable(), "read_record");
}

CardResult SimCommands::updateRecord(uint8_t record, RecordMode mode, std::span<const uint8_t> data)
{
    const uint8_t p2 = mode == RecordMode::Previous ? Sim::kModePrevious : Sim::kModeAbsolute;
    const std::vector<uint8_t> command = withData(
        {Sim::kCla, Sim::kInsUpdateRecord, record, p2, static_cast<uint8_t>(data.size())}, data);
    return judgeAnswer(m_transport.exchange(command, kUpdateReceiveLength), Sim::statusTable());
}

CardResult SimCommands::readBinary(uint16_t offset, uint8_t length)
{
    const std::array<uint8_t, 5> command{Sim::kCla, Sim::kInsReadBinary,
                                         static_cast<uint8_t>(offset >> 8),
                                         static_cast<uint8_t>(offset & 0xFF), length};
    return judgeAnswer(m_transport.exchange(command, static_cast<DWORD>(length) + 2),
                       Sim::statusTable());
}

CardResult SimCommands::updateBinary(uint16_t offset, std::span<const uint8_t> data)
{
    const std::vector<uint8_t> command =
        withData({Sim::kCla, Sim::kInsUpdateBinary, static_cast<uint8_t>(offset >> 8),
                  static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>(data.size())},
                 data);
    return judgeAnswer(m_transport.exchange(command, kUpdateReceiveLength), Sim::statusTable());
}

CardResult SimCommands::secretCommand(uint8_t ins, uint8_t p2, std::string_view first,
                                      const std::string_view* second)
{
    // A code longer than its field would have to be cut: it is not sent at all.
    const auto fits = [](std::string_view code) {
        return code.size() <= std::size_t{Sim::kSecretFieldLength};
    };
    if (!fits(first) || (second != nullptr && !fits(*second))) {
        CardResult unsent;
        unsent.outcome = CardOutcome::WrongLength;
        unsent.text = "secret code longer than 8 characters: not sent";
        return unsent;
    }
    std::array<uint8_t, 5 + 2 * Sim::kSecretFieldLength> command{};
    const uint8_t fieldsLength =
        second != nullptr ? 2 * Sim::kSecretFieldLength : Sim::kSecretFieldLength;
    command[0] = Sim::kCla;
    command[1] = ins;
    command[2] = 0x00;
    command[3] = p2;
    command[4] = fieldsLength;
    putSecretField(&command[5], first);
    if (second != nullptr)
        putSecretField(&command[5 + Sim::kSecretFieldLength], *second);
    CardAnswer answer =
        m_transport.exchange(std::span(command.data(), 5 + fieldsLength), kChvReceiveLength);
    wipeMemory(command.data(), command.size());
    return judgeAnswer(std::move(answer), Sim::statusTable());
}

CardResult SimCommands::verifyCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Sim::kInsVerifyChv, chvOf(code), pin, nullptr);
}

CardResult SimCommands::changeCode(SecretCode code, std::string_view oldPin,
                                   std::string_view newPin)
{
    return secretCommand(Sim::kInsChangeChv, chvOf(code), oldPin, &newPin);
}

CardResult SimCommands::unblockCode(SecretCode code, std::string_view unblockCode,
                                    std::string_view newPin)
{
    return secretCommand(Sim::kInsUnblockChv, unblockReferenceOf(code), unblockCode, &newPin);
}

CardResult SimCommands::disableCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Sim::kInsDisableChv, chvOf(code), pin, nullptr);
}

CardResult SimCommands::enableCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Sim::kInsEnableChv, chvOf(code), pin, nullptr);
}
