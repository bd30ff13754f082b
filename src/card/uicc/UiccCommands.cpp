#include "card/uicc/UiccCommands.h"

#include "card/commands/FileIds.h"
#include "phonebook/OwnedText.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr DWORD kSelectReceiveLength = 258;
constexpr DWORD kCodeReceiveLength = 20;
constexpr DWORD kUpdateReceiveLength = 50;
// Tries a code has when the card does not need it verified.
constexpr int kFullPinTries = 3;
constexpr int kFullUnblockTries = 10;

// First match wins: single words before the wildcards that cover them.
constexpr StatusRule kUiccStatusWords[] = {
    {"9000", CardOutcome::Success, "normal ending of the command"},
    {"91xx", CardOutcome::SuccessWithInfo, "normal ending, with a proactive command pending"},
    {"92xx", CardOutcome::SuccessWithInfo, "normal ending, with information"},
    {"61xx", CardOutcome::Success, "normal ending, xx bytes of response data"},
    {"6282", CardOutcome::SuccessWithInfo, "end of file or record reached before Le bytes"},
    {"6283", CardOutcome::Invalidated, "selected file invalidated"},
    {"62xx", CardOutcome::SuccessWithInfo, "warning, memory unchanged"},
    {"63Cx", CardOutcome::WrongCode, "verification failed, x attempts left"},
    {"63xx", CardOutcome::SuccessWithInfo, "warning, memory changed"},
    {"6581", CardOutcome::MemoryProblem, "memory problem"},
    {"64xx", CardOutcome::Unknown, "execution error, memory unchanged"},
    {"65xx", CardOutcome::MemoryProblem, "execution error, memory changed"},
    {"67xx", CardOutcome::WrongLength, "wrong length"},
    {"68xx", CardOutcome::NotSupported, "function in class not supported"},
    {"6981", CardOutcome::WrongParameters, "command incompatible with file structure"},
    {"6982", CardOutcome::AccessRefused, "security status not satisfied"},
    {"6983", CardOutcome::Blocked, "authentication method blocked"},
    {"6984", CardOutcome::AccessRefused, "referenced data invalidated"},
    {"6985", CardOutcome::AccessRefused, "conditions of use not satisfied"},
    {"6986", CardOutcome::NoSuchFile, "command not allowed, no EF selected"},
    {"69xx", CardOutcome::AccessRefused, "command not allowed"},
    {"6A82", CardOutcome::NoSuchFile, "file or application not found"},
    {"6A83", CardOutcome::RecordNotFound, "record not found"},
    {"6A84", CardOutcome::MemoryProblem, "not enough memory space in the file"},
    {"6A88", CardOutcome::NoSuchFile, "referenced data not found"},
    {"6Axx", CardOutcome::WrongParameters, "incorrect parameters in the data field"},
    {"6Bxx", CardOutcome::WrongParameters, "wrong parameter P1 or P2"},
    {"6Cxx", CardOutcome::WrongLength, "wrong length, xx expected"},
    {"6Dxx", CardOutcome::NotSupported, "instruction code not supported or invalid"},
    {"6Exx", CardOutcome::NotSupported, "class not supported"},
    {"6Fxx", CardOutcome::Unknown, "technical problem, no precise diagnosis"},
    {"98xx", CardOutcome::AccessRefused, "security management"},
};

uint8_t keyOf(SecretCode code)
{
    return code == SecretCode::Pin2 ? Uicc::kKeyPin2 : Uicc::kKeyPin1;
}

void putPinField(uint8_t* field, std::string_view text)
{
    std::memset(field, 0xFF, Uicc::kPinFieldLength);
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), Uicc::kPinFieldLength));
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

std::span<const StatusRule> Uicc::statusTable()
{
    return kUiccStatusWords;
}

CardResult UiccCommands::selectBy(uint8_t p1, std::span<const uint8_t> id)
{
    const std::vector<uint8_t> command = withData(
        {Uicc::kCla, Uicc::kInsSelect, p1, Uicc::kReturnFcp, static_cast<uint8_t>(id.size())}, id);
    CardResult result =
        judgeAnswer(m_transport.exchange(command, kSelectReceiveLength), Uicc::statusTable());
    m_fcp.reset();
    if (result.ok())
        m_fcp = Uicc::decodeFcp(result.data);
    return result;
}

CardResult UiccCommands::select(uint16_t fileId)
{
    const std::array<uint8_t, 2> id{static_cast<uint8_t>(fileId >> 8),
                                    static_cast<uint8_t>(fileId & 0xFF)};
    CardResult result = selectBy(Uicc::kSelectByFileId, id);
    if (fileId == FileId::kDirGsm && result.outcome == CardOutcome::NoSuchFile &&
        !m_usimAid.empty())
        return selectApplication();
    return result;
}

CardResult UiccCommands::selectApplication()
{
    return selectBy(Uicc::kSelectByAid, m_usimAid);
}

int UiccCommands::triesLeft(uint8_t ins, uint8_t keyReference, int full, CounterState* state)
{
    CounterState told = CounterState::Unknown;
    int tries = -1;
    const std::array<uint8_t, 5> command{Uicc::kCla, ins, 0x00, keyReference, 0x00};
    const CardAnswer answer = m_transport.exchange(command, kCodeReceiveLength);
    if (answer.pcsc != Pcsc::kSuccess || answer.shortAnswer) {
        // no answer: nothing is known
    } else if (answer.sw.sw1 == 0x90 && answer.sw.sw2 == 0x00) {
        tries = full; // no verification needed: the card does not say how many are left
    } else if (answer.sw.sw1 == 0x63 && (answer.sw.sw2 & 0xF0) == 0xC0) {
        tries = answer.sw.sw2 & 0x0F;
        told = CounterState::Known;
    } else if (answer.sw.sw1 == 0x69 && answer.sw.sw2 == 0x83) {
        tries = 0;
        told = CounterState::Known;
    }
    if (state != nullptr)
        *state = told;
    return tries;
}

HeaderResult UiccCommands::header()
{
    HeaderResult answer;
    if (!m_fcp) {
        // Nothing selected, or an answer that was not an FCP: say so as the card would.
        CardAnswer none;
        none.sw = {0x69, 0x86};
        answer.result = judgeAnswer(none, Uicc::statusTable());
        return answer;
    }
    answer.result.outcome = CardOutcome::Success;
    answer.result.sw = {0x90, 0x00};
    answer.result.text = "FCP of the last SELECT";
    answer.header = Uicc::headerOf(*m_fcp);
    if (answer.header.isDirectory()) {
        // The FCP tells only whether each PIN is enabled; the tries come from the card.
        answer.header.pin1Disabled = !m_fcp->keyEnabled(Uicc::kKeyPin1).value_or(true);
        const auto tries = [](int n) { return static_cast<uint8_t>(std::max(n, 0)); };
        FileHeader& header = answer.header;
        header.pin1Attempts =
            tries(triesLeft(Uicc::kInsVerify, Uicc::kKeyPin1, kFullPinTries, &header.pin1Counter));
        header.puk1Attempts = tries(
            triesLeft(Uicc::kInsUnblock, Uicc::kKeyPin1, kFullUnblockTries, &header.puk1Counter));
        header.pin2Attempts =
            tries(triesLeft(Uicc::kInsVerify, Uicc::kKeyPin2, kFullPinTries, &header.pin2Counter));
        header.puk2Attempts = tries(
            triesLeft(Uicc::kInsUnblock, Uicc::kKeyPin2, kFullUnblockTries, &header.puk2Counter));
    }
    return answer;
}

CardResult UiccCommands::readRecord(uint8_t record, uint8_t length, RecordMode mode)
{
    // P2 04 absolute, 02 next, 03 previous; the transport repeats a 6C xx with Le = xx.
    const uint8_t p2 = mode == RecordMode::Absolute ? 0x04 : 0x03;
    const std::array<uint8_t, 5> command{Uicc::kCla, Uicc::kInsReadRecord, record, p2, length};
    return judgeAnswer(m_transport.exchange(command, static_cast<DWORD>(length) + 2),
                       Uicc::statusTable(), "read_record");
}

CardResult UiccCommands::updateRecord(uint8_t record, RecordMode mode,
                                      std::span<const uint8_t> data)
{
    const uint8_t p2 = mode == RecordMode::Absolute ? 0x04 : 0x03;
    const std::vector<uint8_t> command = withData(
        {Uicc::kCla, Uicc::kInsUpdateRecord, mode == RecordMode::Absolute ? record : uint8_t{0}, p2,
         static_cast<uint8_t>(data.size())},
        data);
    return judgeAnswer(m_transport.exchange(command, kUpdateReceiveLength), Uicc::statusTable());
}

CardResult UiccCommands::readBinary(uint16_t offset, uint8_t length)
{
    const std::array<uint8_t, 5> command{Uicc::kCla, Uicc::kInsReadBinary,
                                         static_cast<uint8_t>((offset >> 8) & 0x7F),
                                         static_cast<uint8_t>(offset & 0xFF), length};
    return judgeAnswer(m_transport.exchange(command, static_cast<DWORD>(length) + 2),
                       Uicc::statusTable());
}

CardResult UiccCommands::updateBinary(uint16_t offset, std::span<const uint8_t> data)
{
    const std::vector<uint8_t> command =
        withData({Uicc::kCla, Uicc::kInsUpdateBinary, static_cast<uint8_t>((offset >> 8) & 0x7F),
                  static_cast<uint8_t>(offset & 0xFF), static_cast<uint8_t>(data.size())},
                 data);
    return judgeAnswer(m_transport.exchange(command, kUpdateReceiveLength), Uicc::statusTable());
}

CardResult UiccCommands::secretCommand(uint8_t ins, uint8_t keyReference, std::string_view first,
                                       const std::string_view* second)
{
    // A code longer than its field would have to be cut: it is not sent at all.
    const auto fits = [](std::string_view code) {
        return code.size() <= std::size_t{Uicc::kPinFieldLength};
    };
    if (!fits(first) || (second != nullptr && !fits(*second))) {
        CardResult unsent;
        unsent.outcome = CardOutcome::WrongLength;
        unsent.text = "secret code longer than 8 characters: not sent";
        return unsent;
    }
    std::array<uint8_t, 5 + 2 * Uicc::kPinFieldLength> command{};
    const uint8_t fieldsLength =
        second != nullptr ? 2 * Uicc::kPinFieldLength : Uicc::kPinFieldLength;
    command[0] = Uicc::kCla;
    command[1] = ins;
    command[2] = 0x00;
    command[3] = keyReference;
    command[4] = fieldsLength;
    putPinField(&command[5], first);
    if (second != nullptr)
        putPinField(&command[5 + Uicc::kPinFieldLength], *second);
    CardAnswer answer =
        m_transport.exchange(std::span(command.data(), 5 + fieldsLength), kCodeReceiveLength);
    wipeMemory(command.data(), command.size());
    return judgeAnswer(std::move(answer), Uicc::statusTable());
}

CardResult UiccCommands::verifyCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Uicc::kInsVerify, keyOf(code), pin, nullptr);
}

CardResult UiccCommands::changeCode(SecretCode code, std::string_view oldPin,
                                    std::string_view newPin)
{
    return secretCommand(Uicc::kInsChange, keyOf(code), oldPin, &newPin);
}

CardResult UiccCommands::unblockCode(SecretCode code, std::string_view unblockCode,
                                     std::string_view newPin)
{
    return secretCommand(Uicc::kInsUnblock, keyOf(code), unblockCode, &newPin);
}

CardResult UiccCommands::disableCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Uicc::kInsDisable, keyOf(code), pin, nullptr);
}

CardResult UiccCommands::enableCode(SecretCode code, std::string_view pin)
{
    return secretCommand(Uicc::kInsEnable, keyOf(code), pin, nullptr);
}
