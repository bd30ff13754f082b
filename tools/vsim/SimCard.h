#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// A SIM or UICC held in memory: the file tree under MF, the two card-holder
// verification codes with their counters, and the APDU processors for class A0
// (GSM SIM) and class 00 (UICC, UiccCommands.cpp); the profile says which the
// card answers. It stores raw bytes only; it knows nothing about what the
// records mean.
namespace vsim {

namespace detail {
class UiccCommands;
}

namespace sw {
inline constexpr uint16_t kOk = 0x9000;
inline constexpr uint16_t kResponseLength = 0x9F00; // low byte: bytes waiting for GET RESPONSE
inline constexpr uint16_t kNoEfSelected = 0x9400;
inline constexpr uint16_t kOutOfRange = 0x9402;
inline constexpr uint16_t kNotFound = 0x9404;
inline constexpr uint16_t kFileInconsistent = 0x9408;
inline constexpr uint16_t kNoChvInitialised = 0x9802;
inline constexpr uint16_t kAccessNotFulfilled = 0x9804; // also: wrong code, tries left
inline constexpr uint16_t kContradictsChvStatus = 0x9808;
inline constexpr uint16_t kContradictsInvalidation = 0x9810;
inline constexpr uint16_t kChvBlocked = 0x9840; // also: wrong code, no try left
inline constexpr uint16_t kWrongLength = 0x6700;
inline constexpr uint16_t kWrongP1P2 = 0x6B00;
inline constexpr uint16_t kUnknownInstruction = 0x6D00;
inline constexpr uint16_t kWrongClass = 0x6E00;
inline constexpr uint16_t kTechnicalProblem = 0x6F00;
// The UICC's words besides 67 00, 6B 00, 6D 00, 6E 00 and 6F 00 above.
inline constexpr uint16_t kMoreData = 0x6100;    // low byte: bytes waiting for GET RESPONSE
inline constexpr uint16_t kWrongLe = 0x6C00;     // low byte: the length the card has
inline constexpr uint16_t kPinRejected = 0x63C0; // low nibble: tries left
inline constexpr uint16_t kChannelNotSupported = 0x6881;
inline constexpr uint16_t kIncompatibleFile = 0x6981;
inline constexpr uint16_t kSecurityNotSatisfied = 0x6982;
inline constexpr uint16_t kPinBlocked = 0x6983;
inline constexpr uint16_t kDataInvalidated = 0x6984; // also: the PIN is disabled
inline constexpr uint16_t kConditionsNotSatisfied = 0x6985;
inline constexpr uint16_t kNoEfSelectedUicc = 0x6986;
inline constexpr uint16_t kFileNotFound = 0x6A82;
inline constexpr uint16_t kRecordNotFound = 0x6A83;
inline constexpr uint16_t kKeyNotFound = 0x6A88;
} // namespace sw

namespace ins {
inline constexpr uint8_t kSelect = 0xA4;
inline constexpr uint8_t kStatus = 0xF2;
inline constexpr uint8_t kGetResponse = 0xC0;
inline constexpr uint8_t kReadBinary = 0xB0;
inline constexpr uint8_t kUpdateBinary = 0xD6;
inline constexpr uint8_t kReadRecord = 0xB2;
inline constexpr uint8_t kUpdateRecord = 0xDC;
inline constexpr uint8_t kVerifyChv = 0x20;
inline constexpr uint8_t kChangeChv = 0x24;
inline constexpr uint8_t kDisableChv = 0x26;
inline constexpr uint8_t kEnableChv = 0x28;
inline constexpr uint8_t kUnblockChv = 0x2C;
} // namespace ins

inline constexpr uint8_t kGsmClass = 0xA0;
inline constexpr uint8_t kUiccClass = 0x00;
inline constexpr uint8_t kUiccProprietaryClass = 0x80; // STATUS of a UICC

enum class FileKind
{
    Master,
    Dedicated,
    Application, // an ADF: selected by its AID or 7FFF, never by its own file id
    Transparent,
    Linear,
    Cyclic
};

// Access condition nibbles of the EF GET RESPONSE bytes 9-11.
enum class Access : uint8_t
{
    Always = 0x0,
    Chv1 = 0x1,
    Chv2 = 0x2,
    Adm = 0x4,
    Never = 0xF
};

struct CardFile
{
    uint16_t id = 0;
    FileKind kind = FileKind::Transparent;
    CardFile* parent = nullptr;
    std::vector<std::unique_ptr<CardFile>> children;
    QByteArray data;           // transparent EF content
    QList<QByteArray> records; // record EFs; for a cyclic EF index 0 is record 1, the newest
    int recordLength = 0;
    QByteArray recordFill; // what an unused record holds in the profile; empty: all FF
    QByteArray aid;        // application identifier of an ADF
    uint8_t sfi = 0;       // short file identifier of a UICC EF, 1..30; 0: none
    Access read = Access::Always;
    Access update = Access::Always;
    bool invalidated = false;

    bool isDirectory() const
    {
        return kind == FileKind::Master || kind == FileKind::Dedicated ||
               kind == FileKind::Application;
    }
    bool isRecordFile() const { return kind == FileKind::Linear || kind == FileKind::Cyclic; }
    int size() const;
    CardFile* child(uint16_t fileId) const;
    QString path() const; // "3F00/7F10/6F3A"
};

struct Chv
{
    bool initialised = false;
    QByteArray code;    // 8 bytes, ASCII digits padded with FF
    QByteArray unblock; // 8 bytes
    int tries = 3;
    int maxTries = 3;
    int unblockTries = 10;
    int maxUnblockTries = 10;
    bool enabled = true; // only CHV1 can be disabled
    bool verified = false;
};

struct Fault
{
    enum class Action
    {
        Remove,
        StatusWord,
        Truncate,
        Forget,   // answers 90 00 and does nothing (a card that loses its writes)
        AfterWork // carries the command out, then answers statusWord in place of 90 00
    };
    QByteArray commandPrefix; // empty: any command
    int afterApdus = 0;       // fires only once the card has answered this many APDUs
    Action action = Action::Remove;
    uint16_t statusWord = 0;
    int keepBytes = 0; // Truncate: bytes of the answer that are sent
    bool once = true;
    bool fired = false;
};

struct Response
{
    QByteArray bytes;     // response data followed by SW1 SW2
    bool removed = false; // the card left the reader instead of answering
};

// Pads an ASCII secret to the 8-byte field the card compares.
QByteArray secretField(const QByteArray& text);
// Hex text with optional blanks ("A0 A4 00 00 02") to bytes; nullopt when malformed.
std::optional<QByteArray> fromHex(const QString& text);
QString toHex(const QByteArray& bytes); // "A0 A4 00 00"

class SimCard
{
public:
    SimCard();

    // Builds the tree: creates the DFs on the way. Fails when an element is
    // not a 4-digit hex id, the path does not start at 3F00 or the file exists.
    CardFile* addFile(const QString& path, FileKind kind, QString* error = nullptr);
    CardFile* file(const QString& path) const;
    CardFile* masterFile() const { return m_mf.get(); }
    // The access conditions real SIMs give the files this program uses.
    static void applyDefaultAccess(CardFile& file);

    QByteArray atr() const { return m_atr; }
    void setAtr(const QByteArray& atr) { m_atr = atr; }
    Chv& chv(int number) { return number == 2 ? m_chv2 : m_chv1; }
    const Chv& chv(int number) const { return number == 2 ? m_chv2 : m_chv1; }
    QList<Fault>& faults() { return m_faults; }
    // A card that is not a SIM: every APDU gets this status word.
    void setAnswerAll(std::optional<uint16_t> statusWord) { m_answerAll = statusWord; }
    std::optional<uint16_t> answerAll() const { return m_answerAll; }
    // Which command sets the card answers: class A0 (GSM SIM) and class 00/80 (UICC).
    void setClasses(bool gsm, bool uicc)
    {
        m_answersGsm = gsm;
        m_answersUicc = uicc;
    }
    bool answersGsm() const { return m_answersGsm; }
    bool answersUicc() const { return m_answersUicc; }

    // Power on or reset: MF selected, no code presented, nothing pending.
    void reset();
    Response transmit(const QByteArray& apdu);
    int apduCount() const { return m_apduCount; }

    // Inspection for tests: record `number` from 1 (empty when absent), content of a transparent
    // EF.
    QByteArray record(const QString& path, int number) const;
    QByteArray binary(const QString& path) const;
    QString currentPath() const;

private:
    friend class detail::UiccCommands;

    QByteArray process(const QByteArray& apdu);
    QByteArray processGsm(const QByteArray& apdu);
    QByteArray select(uint16_t fileId);
    QByteArray directoryResponse(const CardFile& df) const;
    QByteArray fileResponse(const CardFile& ef) const;
    QByteArray readBinary(int offset, int length);
    QByteArray updateBinary(int offset, const QByteArray& data);
    QByteArray readRecord(uint8_t p1, uint8_t mode, int length);
    QByteArray updateRecord(uint8_t p1, uint8_t mode, const QByteArray& data);
    QByteArray verify(int number, const QByteArray& code);
    QByteArray change(int number, const QByteArray& oldCode, const QByteArray& newCode);
    QByteArray setEnabled(bool enable, const QByteArray& code);
    QByteArray unblock(int number, const QByteArray& unblockCode, const QByteArray& newCode);
    QByteArray presentCode(Chv& chv, const QByteArray& code);
    bool granted(Access access) const;
    std::optional<int> resolveRecord(uint8_t p1, uint8_t mode, bool forUpdate, uint16_t* error);

    std::unique_ptr<CardFile> m_mf;
    CardFile* m_currentDf = nullptr;
    CardFile* m_currentEf = nullptr;
    CardFile* m_currentAdf = nullptr; // the application selected by its AID since the reset
    int m_recordPointer = 0;          // 0: not set since the EF was selected
    QByteArray m_pending;             // answer waiting for GET RESPONSE
    QByteArray m_atr;
    Chv m_chv1;
    Chv m_chv2;
    QList<Fault> m_faults;
    std::optional<uint16_t> m_answerAll;
    int m_apduCount = 0;
    bool m_answersGsm = true;
    bool m_answersUicc = false;
};

} // namespace vsim
