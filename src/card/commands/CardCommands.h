#pragma once

#include "card/commands/CardResult.h"

#include <cstdint>
#include <span>
#include <string_view>

// The secret codes the flows name; each command set knows its own references
// (CHV 1/2 on a GSM SIM, key references 01/81 on a UICC).
enum class SecretCode
{
    Pin1,
    Pin2
};

// How READ/UPDATE RECORD address a record.
enum class RecordMode
{
    Absolute, // the record number given
    Previous  // the cyclic file's newest record is written this way
};

enum class FileType
{
    Unknown,
    Master,
    Dedicated,
    Elementary
};

// What a directory's header tells of one secret code's counter.
enum class CounterState
{
    Unknown,        // the card did not say: the number beside it is a guess or 0
    NotInitialised, // the card has no such code
    Known,          // the number is the card's own count of attempts left
};

// What a command set reads from a file's header (the answer of a SELECT).
// Fields that the file's type does not carry stay 0.
struct FileHeader
{
    FileType type = FileType::Unknown;
    // Elementary files
    uint16_t fileSize = 0;
    uint8_t recordLength = 0;
    // Master and dedicated files
    uint16_t freeMemory = 0;
    uint8_t childDfCount = 0;
    uint8_t childEfCount = 0;
    uint8_t pin1Attempts = 0;
    uint8_t puk1Attempts = 0;
    bool pin1Disabled = false;
    uint8_t pin2Attempts = 0;
    uint8_t puk2Attempts = 0;
    CounterState pin1Counter = CounterState::Unknown;
    CounterState puk1Counter = CounterState::Unknown;
    CounterState pin2Counter = CounterState::Unknown;
    CounterState puk2Counter = CounterState::Unknown;

    bool isDirectory() const { return type == FileType::Master || type == FileType::Dedicated; }
    int recordCount() const { return recordLength != 0 ? fileSize / recordLength : 0; }
};

struct HeaderResult
{
    CardResult result;
    FileHeader header; // filled when result.ok()
};

// One card command set: the commands the flows need, in the card kind's own
// class byte, SELECT control and answer layouts. The flows choose one for a
// session and never look at what kind of card lies below. Every command
// returns what happened; none shows anything, none reads or sets a
// thread-global error. Not for two threads at once: a set remembers the file
// the last SELECT reached.
class CardCommands
{
public:
    virtual ~CardCommands() = default;

    // Selects `fileId` as GSM 11.11 and TS 102 221 both allow: a child of the
    // current directory, its parent, or MF.
    virtual CardResult select(uint16_t fileId) = 0;
    // The header of the file the last select reached.
    virtual HeaderResult header() = 0;

    virtual CardResult readRecord(uint8_t record, uint8_t length,
                                  RecordMode mode = RecordMode::Absolute) = 0;
    virtual CardResult updateRecord(uint8_t record, RecordMode mode,
                                    std::span<const uint8_t> data) = 0;
    virtual CardResult readBinary(uint16_t offset, uint8_t length) = 0;
    virtual CardResult updateBinary(uint16_t offset, std::span<const uint8_t> data) = 0;

    // Secret codes go to the card as typed, in an 8-byte field padded with FF.
    // A longer code is never cut: the command sends nothing and ends with
    // CardOutcome::WrongLength.
    virtual CardResult verifyCode(SecretCode code, std::string_view pin) = 0;
    virtual CardResult changeCode(SecretCode code, std::string_view oldPin,
                                  std::string_view newPin) = 0;
    virtual CardResult unblockCode(SecretCode code, std::string_view unblockCode,
                                   std::string_view newPin) = 0;
    virtual CardResult disableCode(SecretCode code, std::string_view pin) = 0;
    virtual CardResult enableCode(SecretCode code, std::string_view pin) = 0;
};
