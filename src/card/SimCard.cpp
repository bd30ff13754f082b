#include "card/SimCard.h"

#include "card/CardError.h"
#include "phonebook/OwnedText.h"
#include "shell/LastError.h"
#include "shell/Log.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// Every command goes out with the T=0 header, whatever the connection reported.
const SCARD_IO_REQUEST kSendPci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};

constexpr DWORD kChvReceiveLength = 20;
constexpr DWORD kSelectReceiveLength = 10;
constexpr DWORD kGetResponseReceiveLength = 250;
constexpr DWORD kUpdateReceiveLength = 50;
constexpr uint8_t kIccidLength = 10;
constexpr uint8_t kSpnLength = 17;

// The first eight characters of `text`, the rest of the field FF.
void putSecretField(uint8_t* field, const char* text)
{
    std::memset(field, 0xFF, Sim::SecretFieldLength);
    if (text == nullptr)
        return;
    const size_t length = strnlen(text, Sim::SecretFieldLength);
    std::memcpy(field, text, length);
}

struct StatusWord
{
    uint8_t sw1 = 0;
    uint8_t sw2 = 0;
};

// The status bytes are always the last two bytes the card returned.
StatusWord statusOf(const uint8_t* response, DWORD length)
{
    if (length < 2)
        return {};
    return {response[length - 2], response[length - 1]};
}

} // namespace

LONG SimCard::transmit(SCARDHANDLE card, const uint8_t* command, DWORD commandLength,
                       uint8_t* response, DWORD& responseLength) const
{
    return m_api->SCardTransmit(card, &kSendPci, command, commandLength, nullptr, response,
                                &responseLength);
}

bool SimCard::exchange(SCARDHANDLE card, const uint8_t* command, DWORD commandLength,
                       uint8_t* response, DWORD& responseLength, RefusalError refusal,
                       uint8_t* sw2Out) const
{
    const LONG result = transmit(card, command, commandLength, response, responseLength);
    if (result != Pcsc::Success) {
        logCardError(static_cast<uint32_t>(result));
        setLastError(static_cast<uint32_t>(result));
        return false;
    }
    const StatusWord sw = statusOf(response, responseLength);
    if (!verifyStatus(sw.sw1, sw.sw2)) {
        logCardError(0);
        if (refusal == RefusalError::Cleared)
            setLastError(0);
        return false;
    }
    if (sw2Out != nullptr)
        *sw2Out = sw.sw2;
    return true;
}

bool SimCard::sendSecretCommand(SCARDHANDLE card, uint8_t ins, uint8_t p2, const char* first,
                                const char* second) const
{
    std::array<uint8_t, 5 + 2 * Sim::SecretFieldLength> command{};
    const uint8_t fieldsLength =
        second != nullptr ? 2 * Sim::SecretFieldLength : Sim::SecretFieldLength;
    command[0] = Sim::Cla;
    command[1] = ins;
    command[2] = 0x00;
    command[3] = p2;
    command[4] = fieldsLength;
    putSecretField(&command[5], first);
    if (second != nullptr)
        putSecretField(&command[5 + Sim::SecretFieldLength], second);

    std::array<uint8_t, kChvReceiveLength> response{};
    DWORD responseLength = kChvReceiveLength;
    // The last error after a refusal stays as verify_status left it (69 82: access denied).
    const bool accepted = exchange(card, command.data(), 5 + fieldsLength, response.data(),
                                   responseLength, RefusalError::AsJudged);
    wipeMemory(command.data(), command.size());
    return accepted;
}

bool SimCard::verifyChv(SCARDHANDLE card, const char* pinText, uint8_t chvNumber) const
{
    return sendSecretCommand(card, Sim::InsVerifyChv, chvNumber, pinText, nullptr);
}

bool SimCard::changeChv(SCARDHANDLE card, const char* oldPinText, const char* newPinText,
                         uint8_t chvNumber) const
{
    return sendSecretCommand(card, Sim::InsChangeChv, chvNumber, oldPinText,
                             newPinText != nullptr ? newPinText : "");
}

bool SimCard::unblockChv(SCARDHANDLE card, const char* unblockText, const char* newPinText,
                          uint8_t chvReference) const
{
    return sendSecretCommand(card, Sim::InsUnblockChv, chvReference, unblockText,
                             newPinText != nullptr ? newPinText : "");
}

bool SimCard::disableChv(SCARDHANDLE card, const char* pinText) const
{
    return sendSecretCommand(card, Sim::InsDisableChv, Sim::Chv1, pinText, nullptr);
}

bool SimCard::enableChv(SCARDHANDLE card, const char* pinText) const
{
    return sendSecretCommand(card, Sim::InsEnableChv, Sim::Chv1, pinText, nullptr);
}

bool SimCard::select(SCARDHANDLE card, uint16_t fileId, uint16_t* responseLengthOut) const
{
    const std::array<uint8_t, 7> command{Sim::Cla,
                                         Sim::InsSelect,
                                         0x00,
                                         0x00,
                                         0x02,
                                         static_cast<uint8_t>(fileId >> 8),
                                         static_cast<uint8_t>(fileId & 0xFF)};
    std::array<uint8_t, kSelectReceiveLength> response{};
    DWORD responseLength = kSelectReceiveLength;
    uint8_t sw2 = 0;
    if (!exchange(card, command.data(), command.size(), response.data(), responseLength,
                  RefusalError::Cleared, &sw2))
        return false;
    if (responseLengthOut != nullptr)
        *responseLengthOut = sw2;
    return true;
}

bool SimCard::getResponse(SCARDHANDLE card, uint8_t length, const SimFileInfo& out) const
{
    const std::array<uint8_t, 5> command{Sim::Cla, Sim::InsGetResponse, 0x00, 0x00, length};
    std::array<uint8_t, 255> response{};
    DWORD responseLength = kGetResponseReceiveLength;
    if (!exchange(card, command.data(), command.size(), response.data(), responseLength,
                  RefusalError::Cleared))
        return false;

    // Bytes are numbered from 1 as in GSM 11.11: byte n is response[n - 1].
    const auto byte = [&response](int n) { return response[n - 1]; };
    const uint16_t bytes3And4 = static_cast<uint16_t>(byte(3) << 8 | byte(4));
    switch (byte(7)) {
    case Sim::TypeEf:
        if (out.fileSize != nullptr)
            *out.fileSize = bytes3And4;
        if (out.recordLength != nullptr)
            *out.recordLength = byte(15);
        break;
    case Sim::TypeMf:
    case Sim::TypeDf:
        if (out.isDirectory != nullptr)
            *out.isDirectory = 1;
        if (out.freeMemory != nullptr)
            *out.freeMemory = bytes3And4;
        if (out.childDfCount != nullptr)
            *out.childDfCount = byte(15);
        if (out.childEfCount != nullptr)
            *out.childEfCount = byte(16);
        if (out.chv1Status != nullptr) {
            *out.chv1Status = static_cast<uint8_t>((byte(19) & 0x0F) | (byte(20) & 0x0F) << 4);
            if (out.chv1Disabled != nullptr)
                *out.chv1Disabled = (byte(14) & 0x80) != 0 ? 1 : 0;
        }
        if (out.chv2Attempts != nullptr)
            *out.chv2Attempts = byte(21) & 0x0F;
        if (out.puk2Attempts != nullptr)
            *out.puk2Attempts = byte(22) & 0x0F;
        break;
    default:
        break;
    }
    return true;
}

bool SimCard::readRecord(SCARDHANDLE card, uint8_t recordNumber, uint8_t length, uint8_t mode,
                          uint8_t* dataOut) const
{
    const std::array<uint8_t, 5> command{
        Sim::Cla, Sim::InsReadRecord, recordNumber,
        static_cast<uint8_t>(mode == Sim::ModeAbsolute ? 0x04 : 0x00), length};
    static constexpr char kHex[] = "0123456789ABCDEF";
    char hex[11] = {};
    for (size_t i = 0; i < command.size(); ++i) {
        hex[2 * i] = kHex[command[i] >> 4];
        hex[2 * i + 1] = kHex[command[i] & 0x0F];
    }
    writeLog(LogLevel::Info, "read_record", "SCardTransmit bcd str %s", hex);

    std::array<uint8_t, 258> response{};
    DWORD responseLength = static_cast<DWORD>(length) + 2;
    const LONG result =
        transmit(card, command.data(), command.size(), response.data(), responseLength);
    if (result != Pcsc::Success) {
        writeLog(LogLevel::Error, "read_record SCardTransmit", "%s", "");
        logCardError(static_cast<uint32_t>(result));
        setLastError(static_cast<uint32_t>(result));
        return false;
    }
    const StatusWord sw = statusOf(response.data(), responseLength);
    if (!verifyStatus(sw.sw1, sw.sw2)) {
        writeLog(LogLevel::Error, "read_record verify_status", "%s", "");
        logCardError(0);
        setLastError(0);
        return false;
    }
    if (dataOut != nullptr)
        std::memcpy(dataOut, response.data(), length);
    return true;
}

bool SimCard::verifyStatus(uint8_t sw1, uint8_t sw2)
{
    writeLog(LogLevel::Info, "verify_status ", "byte1 %d byte2 %d", sw1, sw2);
    if ((sw1 == 0x90 && sw2 == 0x00) || sw1 == 0x9F || (sw1 == 0x94 && sw2 == 0x02))
        return true;
    if (sw1 == 0x69 && sw2 == 0x82)
        setLastError(Sim::AccessDenied);
    return false;
}

bool SimCard::readSerialNumber(SCARDHANDLE card, char* textOut) const
{
    const std::array<uint8_t, 5> command{Sim::Cla, Sim::InsReadBinary, 0x00, 0x00, kIccidLength};
    std::array<uint8_t, kIccidLength + 2> response{};
    DWORD responseLength = response.size();
    if (!exchange(card, command.data(), command.size(), response.data(), responseLength,
                  RefusalError::Cleared))
        return false;

    // Swapped-nibble BCD, low nibble first; an F nibble ends the number.
    char* out = textOut;
    for (int i = 0; i < kIccidLength; ++i) {
        const uint8_t low = response[i] & 0x0F;
        const uint8_t high = response[i] >> 4;
        if (low == 0x0F) {
            *out = '\0';
            return true;
        }
        *out++ = static_cast<char>('0' + low);
        if (high == 0x0F) {
            *out = '\0';
            return true;
        }
        *out++ = static_cast<char>('0' + high);
    }
    return true;
}

bool SimCard::readSpn(SCARDHANDLE card, char* nameOut, uint8_t* displayConditionOut) const
{
    const std::array<uint8_t, 5> command{Sim::Cla, Sim::InsReadBinary, 0x00, 0x00, kSpnLength};
    std::array<uint8_t, kSpnLength + 2> response{};
    DWORD responseLength = response.size();
    if (!exchange(card, command.data(), command.size(), response.data(), responseLength,
                  RefusalError::Cleared))
        return false;
    if (displayConditionOut != nullptr)
        *displayConditionOut = response[0];
    for (int i = 1; i < kSpnLength; ++i)
        nameOut[i - 1] = response[i] == 0xFF ? '\0' : static_cast<char>(response[i]);
    return true;
}

bool SimCard::updateRecord(SCARDHANDLE card, uint8_t recordNumber, uint8_t length, uint8_t mode,
                            const uint8_t* data) const
{
    std::vector<uint8_t> command(static_cast<size_t>(length) + 5);
    command[0] = Sim::Cla;
    command[1] = Sim::InsUpdateRecord;
    command[2] = recordNumber;
    command[3] = mode;
    command[4] = length;
    if (length != 0)
        std::memcpy(&command[5], data, length);
    std::array<uint8_t, kUpdateReceiveLength> response{};
    DWORD responseLength = kUpdateReceiveLength;
    return exchange(card, command.data(), command.size(), response.data(), responseLength,
                    RefusalError::AsJudged);
}

bool SimCard::updateBinary(SCARDHANDLE card, uint8_t offsetLow, uint8_t offsetHigh,
                            const uint8_t* data, uint8_t length) const
{
    std::vector<uint8_t> command(static_cast<size_t>(length) + 5);
    command[0] = Sim::Cla;
    command[1] = Sim::InsUpdateBinary;
    command[2] = offsetHigh;
    command[3] = offsetLow;
    command[4] = length;
    if (length != 0)
        std::memcpy(&command[5], data, length);
    std::array<uint8_t, kUpdateReceiveLength> response{};
    DWORD responseLength = kUpdateReceiveLength;
    const LONG result =
        transmit(card, command.data(), command.size(), response.data(), responseLength);
    const StatusWord sw = statusOf(response.data(), responseLength);
    if (result != Pcsc::Success || !verifyStatus(sw.sw1, sw.sw2)) {
        logCardError(1);
        setLastError(1);
        return false;
    }
    return true;
}
