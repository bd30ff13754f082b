#pragma once

#include "SimCard.h"

#include <QByteArray>

#include <cstdint>

// The UICC command set over a card's state: class 00, and class 80 for STATUS.
// Selection answers FCP templates through 61 xx and GET RESPONSE; wrong Le is
// answered 6C xx as a T=0 card does; PINs go by key reference (01 PIN1,
// 81 PIN2) with 63 Cx counters. Built for one APDU; it keeps nothing itself.
namespace vsim::detail {

namespace keyref {
inline constexpr uint8_t kPin1 = 0x01;
inline constexpr uint8_t kPin2 = 0x81; // local to the application
inline constexpr uint8_t kAdm1 = 0x0A; // shown in security attributes; no code to present
} // namespace keyref

class UiccCommands
{
public:
    explicit UiccCommands(SimCard& card) : m_card(card) {}

    QByteArray process(const QByteArray& apdu);

    // The FCP template (62 ...) that SELECT with P2 04 and STATUS answer.
    QByteArray fcp(const CardFile& file) const;

private:
    // UiccSelect.cpp
    QByteArray select(uint8_t p1, uint8_t p2, const QByteArray& data);
    CardFile* findById(uint16_t fileId) const;
    CardFile* findByPath(CardFile* start, const QByteArray& path) const;
    CardFile* findByAid(const QByteArray& aid) const;
    CardFile* findBySfi(uint8_t sfi) const;
    void makeCurrent(CardFile* target);
    QByteArray status(uint8_t p2, int le);
    QByteArray securityAttributes(const CardFile& file) const;
    QByteArray pinStatusTemplate() const;

    // UiccCommands.cpp
    QByteArray getResponse(uint8_t p1, uint8_t p2, int le, const QByteArray& pending);
    QByteArray readBinary(uint8_t p1, uint8_t p2, int le);
    QByteArray updateBinary(uint8_t p1, uint8_t p2, const QByteArray& data);
    QByteArray readRecord(uint8_t p1, uint8_t p2, int le);
    QByteArray updateRecord(uint8_t p1, uint8_t p2, const QByteArray& data);
    // Picks the EF that READ/UPDATE work on: the current one, or the one an SFI names.
    // 0 when the command may go on, else the status word to answer.
    uint16_t targetEf(uint8_t sfi, bool records, Access CardFile::*access);
    QByteArray pinCommand(uint8_t ins, uint8_t p1, uint8_t p2, const QByteArray& data);
    Chv* pinFor(uint8_t keyReference, uint16_t* error);

    SimCard& m_card;
};

} // namespace vsim::detail
