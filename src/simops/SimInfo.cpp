#include "simops/SimInfo.h"

#include "card/flows/CardMessages.h"
#include "phonebook/Contact.h"
#include "phonebook/DiallingNumber.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"
#include "simops/BookWriter.h"
#include "simops/CardFiles.h"

namespace {

constexpr int kWrongNumber = 18;
constexpr std::size_t kOwnNumberLimit = 518; // what the own-number field takes

int pin1StateIdOf(const CardSession& session)
{
    if (session.chv1Status == 0) // no PIN1 and no PUK1 tries left
        return SimInfoText::Pin1Blocked;
    return session.chv1Disabled == 1 ? SimInfoText::Pin1Off : SimInfoText::Pin1On;
}

std::vector<SimInfo::Counter> countersOf(const CardSession& session)
{
    const CodeCounters& told = session.counters;
    const std::pair<int, CodeCounter> counters[] = {
        {CardText::Pin1AttemptsLabel, {session.pin1Attempts(), told.pin1.state}},
        {CardText::Puk1AttemptsLabel, told.puk1},
        {CardText::Pin2AttemptsLabel, told.pin2},
        {CardText::Puk2AttemptsLabel, told.puk2},
    };
    std::vector<SimInfo::Counter> lines;
    for (const auto& [labelId, counter] : counters) {
        if (counter.state == CounterState::Known)
            lines.push_back({labelId, std::to_string(counter.attempts)});
        else if (counter.state == CounterState::NotInitialised)
            lines.push_back({labelId, resString(CardText::CodeNotSet)});
    }
    return lines;
}

} // namespace

SimInfo collectSimInfo(const CardSession& session, const PhoneBook& book,
                       const SideBooks& sideBooks)
{
    SimInfo info;
    info.recordCount = session.adnRecordCount;
    info.contactsRead = static_cast<int>(book.contactCount());
    info.freeRecords = info.recordCount - info.contactsRead;
    info.nameLength = session.adnNameLength;
    info.pin1StateId = pin1StateIdOf(session);
    info.pin1State = resString(info.pin1StateId);
    info.iccid = session.iccid.data();
    info.serviceProviderName = session.serviceProviderName.c_str();
    if (session.context != 0 || !session.readerName.empty()) {
        const CardIdentity& identity = session.identity;
        info.cardKind = resString(identity.kind == CardKind::Sim ? SimInfoText::KindSim
                                  : identity.usimAid.empty()     ? SimInfoText::KindUicc
                                                                 : SimInfoText::KindUiccWithUsim);
        info.phoneBook = resString(
            session.phoneBookPlace == PhoneBookPlace::UsimLocal    ? SimInfoText::BookUsimLocal
            : session.phoneBookPlace == PhoneBookPlace::UsimGlobal ? SimInfoText::BookUsimGlobal
                                                                   : SimInfoText::BookAdn);
        info.counters = countersOf(session);
    }
    const BookEntry& own = sideBooks.msisdn[0];
    if (own.recordIndex != -1)
        info.ownNumber = own.number.c_str();
    return info;
}

OwnNumberChange applyOwnNumber(CardSession& session, SideBooks& sideBooks, UserInterface& ui,
                               std::string_view typed)
{
    // The number goes to the card: check it as every other typed number is
    // checked, so that no letter is coded into a digit nibble and a '+' is
    // carried by the TON/NPI byte.
    std::string number(typed.substr(0, kOwnNumberLimit));
    if (!validateNumber(number)) {
        ui.inform(kWrongNumber);
        return OwnNumberChange::Invalid;
    }
    BookEntry& own = sideBooks.msisdn[0];
    if (number == own.number.view())
        return OwnNumberChange::Unchanged;

    own.number.assign(number);
    own.tonNpi = tonNpiForNumber(number, own.tonNpi);
    if (own.recordIndex == -1)
        own.recordIndex = 0;
    own.dirty = 1;
    if (number.empty())
        return OwnNumberChange::NotWritten;

    if (!writeOwnNumbers(session, ui, sideBooks.msisdn).ok()) {
        simops::reportCardFailure(ui);
        return OwnNumberChange::WriteFailed;
    }
    return OwnNumberChange::Written;
}
