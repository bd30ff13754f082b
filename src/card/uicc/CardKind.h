#pragma once

#include "card/commands/CardCommands.h"
#include "card/transport/CardTransport.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Which kind of card is in the reader, learnt once per connection.
enum class CardKind
{
    Sim,  // a GSM SIM: class A0, GSM 11.11 file headers
    Uicc, // a UICC: class 00, FCP templates, applications listed in EF DIR
};

// Where the card keeps the phone book the program reads and writes.
enum class PhoneBookPlace
{
    SimAdn,     // EF ADN under DF TELECOM
    UsimLocal,  // DF PHONEBOOK under ADF USIM
    UsimGlobal, // DF PHONEBOOK under DF TELECOM
};

struct CardIdentity
{
    CardKind kind = CardKind::Sim;
    bool atrNamesUicc = false;    // the ATR's T=15 byte lists class indicators
    std::vector<uint8_t> usimAid; // the USIM application of EF DIR; empty: none
    std::string usimLabel;        // its label, when EF DIR gives one
};

// "GSM SIM", "UICC with USIM", "UICC": what the user is told.
const char* cardKindText(const CardIdentity& identity);

// Whether the ATR carries a T=15 global interface byte (the class indicator of
// a UICC). `atr` as the reader reports it.
bool atrHasClassIndicator(std::span<const uint8_t> atr);

// One application template of EF DIR: 61 L 4F len AID [50 len label].
struct DirApplication
{
    std::vector<uint8_t> aid;
    std::string label;
};
// nullopt-like: an empty aid when the record holds no application template.
DirApplication decodeDirRecord(std::span<const uint8_t> record);
// The AIDs of the USIM application start with RID A0 00 00 00 87 and app code 10 02.
bool isUsimAid(std::span<const uint8_t> aid);

// Tells a UICC from a SIM: a SELECT of MF in class 00 that is answered with an
// FCP template makes it a UICC, whose EF DIR is then searched for the USIM
// application. Any other answer (a SIM refuses class 00 with 6E 00) leaves a
// SIM. Leaves MF selected on a UICC.
CardIdentity identifyCard(const CardTransport& transport, std::span<const uint8_t> atr);

// The command set for the card: SimCommands or UiccCommands.
std::unique_ptr<CardCommands> commandsFor(const CardIdentity& identity,
                                          const CardTransport& transport);
