#pragma once

#include "SimCard.h"

#include <QJsonObject>
#include <QString>

#include <memory>

// Card profiles: JSON files describing a SIM (ATR, codes and counters, files
// and their records, faults). See tests/data/cards/README.md for the format.
namespace vsim {

// Builds a card from a profile document. Returns nullptr and fills `error` when
// the document is malformed (unknown kind, bad hex, record too long, ...).
std::unique_ptr<SimCard> cardFromJson(const QJsonObject& profile, QString* error);
std::unique_ptr<SimCard> loadProfile(const QString& path, QString* error);

// Parses one fault object: {"afterApdus": N, "command": "A0 B2", "do": "remove"},
// {"command": "A0 B2 05 04", "sw": "6F 00"}, {"command": "A0 C0", "truncate": 3}.
bool faultFromJson(const QJsonObject& object, Fault* fault, QString* error);

// The card's present state in profile form. `original` supplies what the card
// does not hold itself (the faults of the profile are kept as they were).
QJsonObject cardToJson(const SimCard& card, const QJsonObject& original = {});
bool saveProfile(const SimCard& card, const QString& path, const QJsonObject& original,
                 QString* error);

} // namespace vsim
