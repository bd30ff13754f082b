#pragma once

#include "card/PcscApi.h"

#include <cstdint>

// GSM 11.11 command bytes, file ids and status words, named once.
namespace Sim {
inline constexpr uint8_t Cla = 0xA0;

inline constexpr uint8_t InsSelect = 0xA4;
inline constexpr uint8_t InsGetResponse = 0xC0;
inline constexpr uint8_t InsReadBinary = 0xB0;
inline constexpr uint8_t InsUpdateBinary = 0xD6;
inline constexpr uint8_t InsReadRecord = 0xB2;
inline constexpr uint8_t InsUpdateRecord = 0xDC;
inline constexpr uint8_t InsVerifyChv = 0x20;
inline constexpr uint8_t InsChangeChv = 0x24;
inline constexpr uint8_t InsDisableChv = 0x26;
inline constexpr uint8_t InsEnableChv = 0x28;
inline constexpr uint8_t InsUnblockChv = 0x2C;

inline constexpr uint16_t FileMf = 0x3F00;
inline constexpr uint16_t FileIccid = 0x2FE2;
inline constexpr uint16_t DirGsm = 0x7F20;
inline constexpr uint16_t FileSpn = 0x6F46;
inline constexpr uint16_t DirTelecom = 0x7F10;
inline constexpr uint16_t FileAdn = 0x6F3A;
inline constexpr uint16_t FileFdn = 0x6F3B;
inline constexpr uint16_t FileMsisdn = 0x6F40;
inline constexpr uint16_t FileLnd = 0x6F44;
inline constexpr uint16_t FileExt1 = 0x6F4A;
inline constexpr uint16_t FileExt2 = 0x6F4B;

// CHV numbers of VERIFY/CHANGE, and the references UNBLOCK CHV expects.
inline constexpr uint8_t Chv1 = 1;
inline constexpr uint8_t Chv2 = 2;
inline constexpr uint8_t UnblockChv1 = 0;
inline constexpr uint8_t UnblockChv2 = 2;

// Record modes (P2 of READ/UPDATE RECORD).
inline constexpr uint8_t ModeAbsolute = 4;

// Type of file, byte 7 of a GET RESPONSE answer.
inline constexpr uint8_t TypeMf = 0x01;
inline constexpr uint8_t TypeDf = 0x02;
inline constexpr uint8_t TypeEf = 0x04;

// Secret codes travel in 8-byte fields padded with FF.
inline constexpr int SecretFieldLength = 8;

// PC/SC code stored for 69 82 (security status not satisfied).
inline constexpr uint32_t AccessDenied = 0x80100027;
} // namespace Sim

// Where get_response puts what it decodes; each output is written only when given.
struct SimFileInfo
{
    uint8_t* isDirectory = nullptr;
    uint16_t* fileSize = nullptr;     // EF: bytes 3-4
    uint16_t* freeMemory = nullptr;   // MF/DF: bytes 3-4
    uint8_t* childDfCount = nullptr;  // MF/DF: byte 15
    uint8_t* childEfCount = nullptr;  // MF/DF: byte 16
    uint8_t* chv1Status = nullptr;    // MF/DF: PIN1 tries low nibble, PUK1 tries high nibble
    uint8_t* recordLength = nullptr;  // EF: byte 15
    uint16_t* chv1Disabled = nullptr; // MF/DF: bit 8 of byte 14
    uint8_t* chv2Attempts = nullptr;  // MF/DF: byte 21, low nibble
    uint8_t* puk2Attempts = nullptr;  // MF/DF: byte 22, low nibble
};

// Every GSM 11.11 command the program sends. Holds nothing of its own but the
// PC/SC table: the card handle is an argument of every operation. Operations
// return false on a transmit failure (lastError() = the PC/SC result) or a
// refused status word; both are logged.
class SimCard
{
public:
    explicit SimCard(const PcscApi& api) : m_api(&api) {}
    virtual ~SimCard() = default;

    virtual bool verifyChv(SCARDHANDLE card, const char* pinText, uint8_t chvNumber) const;
    virtual bool changeChv(SCARDHANDLE card, const char* oldPinText, const char* newPinText,
                            uint8_t chvNumber) const;
    virtual bool unblockChv(SCARDHANDLE card, const char* unblockText, const char* newPinText,
                             uint8_t chvReference) const;
    // responseLengthOut receives SW2 of the 9F xx answer (the GET RESPONSE length).
    virtual bool select(SCARDHANDLE card, uint16_t fileId,
                        uint16_t* responseLengthOut = nullptr) const;
    virtual bool getResponse(SCARDHANDLE card, uint8_t length, const SimFileInfo& out) const;
    virtual bool readRecord(SCARDHANDLE card, uint8_t recordNumber, uint8_t length, uint8_t mode,
                             uint8_t* dataOut) const;
    // 90 00, 9F xx and 94 02 pass; 69 82 sets lastError() to Sim::AccessDenied.
    static bool verifyStatus(uint8_t sw1, uint8_t sw2);
    // EF ICCID as digits into textOut; give a zeroed buffer of at least 21 bytes.
    virtual bool readSerialNumber(SCARDHANDLE card, char* textOut) const;
    virtual bool disableChv(SCARDHANDLE card, const char* pinText) const;
    virtual bool enableChv(SCARDHANDLE card, const char* pinText) const;
    virtual bool updateBinary(SCARDHANDLE card, uint8_t offsetLow, uint8_t offsetHigh,
                               const uint8_t* data, uint8_t length) const;
    virtual bool updateRecord(SCARDHANDLE card, uint8_t recordNumber, uint8_t length, uint8_t mode,
                               const uint8_t* data) const;
    // EF SPN: nameOut gets the 16 name bytes (FF turned into 0), without a terminator.
    virtual bool readSpn(SCARDHANDLE card, char* nameOut, uint8_t* displayConditionOut) const;

    const PcscApi& api() const { return *m_api; }

private:
    LONG transmit(SCARDHANDLE card, const uint8_t* command, DWORD commandLength, uint8_t* response,
                  DWORD& responseLength) const;
    // What a refused status word leaves in lastError(): 0, or what verify_status set
    // (69 82 after a CHV command reads as access denied).
    enum class RefusalError { Cleared, AsJudged };
    // Sends the command and judges the answer. A failed transmit is logged and left in
    // lastError(); a refused status word is logged with code 0. The status word is
    // returned in sw2Out (for 9F xx) when given.
    bool exchange(SCARDHANDLE card, const uint8_t* command, DWORD commandLength,
                  uint8_t* response, DWORD& responseLength, RefusalError refusal,
                  uint8_t* sw2Out = nullptr) const;
    bool sendSecretCommand(SCARDHANDLE card, uint8_t ins, uint8_t p2, const char* first,
                           const char* second) const;

    const PcscApi* m_api;
};
