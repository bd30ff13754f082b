#include "card/flows/CardKindChoice.h"

#include "card/commands/FileIds.h"
#include "card/uicc/UsimFiles.h"
#include "shell/Log.h"

#include <array>

namespace {

constexpr const char* kTag = "card_kind";

bool selectPath(CardCommands& commands, std::initializer_list<uint16_t> path)
{
    for (const uint16_t id : path)
        if (!commands.select(id).ok())
            return false;
    return true;
}

CardIdentity identifyConnectedCard(const PcscApi& api, SCARDHANDLE card,
                                   const CardTransport& transport)
{
    std::array<uint8_t, 33> atr{};
    DWORD atrLength = atr.size();
    DWORD state = 0;
    DWORD protocol = 0;
    DWORD nameLength = 0;
    if (api.SCardStatus == nullptr || api.SCardStatus(card, nullptr, &nameLength, &state, &protocol,
                                                      atr.data(), &atrLength) != Pcsc::kSuccess)
        atrLength = 0;
    return identifyCard(transport, std::span(atr.data(), std::min<DWORD>(atrLength, 33)));
}

} // namespace

std::unique_ptr<CardCommands> commandsForConnection(const PcscApi& api, SCARDHANDLE card,
                                                    const CardTransport& transport)
{
    const CardIdentity identity = identifyConnectedCard(api, card, transport);
    std::unique_ptr<CardCommands> commands = commandsFor(identity, transport);
    if (identity.kind == CardKind::Uicc) {
        // DF GSM reaches ADF USIM on a UICC (see UiccCommands).
        selectPath(*commands, {FileId::kDirGsm});
        commands->select(FileId::kMf);
    }
    writeLog(LogLevel::Trace, kTag, "card kind of a connection of its own: %s",
             cardKindText(identity));
    return commands;
}

void chooseCommandSet(CardSession& session)
{
    session.identity = identifyConnectedCard(session.api, session.card, session.transport);
    session.phoneBookPlace = PhoneBookPlace::SimAdn;
    session.simAdnToo = false;
    session.useCommandSet(commandsFor(session.identity, session.transport));
    writeLog(LogLevel::Trace, kTag, "card kind: %s%s", cardKindText(session.identity),
             session.identity.atrNamesUicc ? " (the ATR names UICC classes)" : "");
}

bool locateUsimPhoneBook(CardSession& session)
{
    if (session.identity.kind != CardKind::Uicc)
        return false;
    CardCommands& commands = session.commands();
    session.simAdnToo = selectPath(commands, {FileId::kMf, FileId::kDirTelecom, FileId::kAdn});

    // DF GSM reaches ADF USIM on a UICC (see UiccCommands).
    if (!session.identity.usimAid.empty() &&
        selectPath(commands,
                   {FileId::kMf, FileId::kDirGsm, UsimFile::kDirPhoneBook, UsimFile::kPbr}))
        session.phoneBookPlace = PhoneBookPlace::UsimLocal;
    else if (selectPath(commands, {FileId::kMf, FileId::kDirTelecom, UsimFile::kDirPhoneBook,
                                   UsimFile::kPbr}))
        session.phoneBookPlace = PhoneBookPlace::UsimGlobal;
    else
        session.phoneBookPlace = PhoneBookPlace::SimAdn;

    if (session.phoneBookPlace == PhoneBookPlace::SimAdn) {
        session.simAdnToo = false;
        commands.select(FileId::kMf);
        return false;
    }
    writeLog(LogLevel::Trace, kTag, "%s phone book of the USIM%s",
             session.phoneBookPlace == PhoneBookPlace::UsimLocal ? "local" : "global",
             session.simAdnToo ? "; EF ADN is there as well" : "");
    return true;
}
