#include "card/flows/Pin2.h"

#include "card/commands/FileIds.h"
#include "card/flows/CardKindChoice.h"
#include "card/flows/CardMessages.h"
#include "card/flows/CodeAnswers.h"
#include "card/flows/ConnectSequence.h"
#include "card/sim/SimCommands.h"
#include "shell/Log.h"

#include <string_view>

namespace {

using Icon = UserInterface::Icon;
using Kind = UserInterface::PinDialogKind;
constexpr std::size_t kBufferSize = 520;
// Messages that report success are shown without an icon.
constexpr Icon kNoIcon = Icon::None;
constexpr int kNoSimId = 0;
constexpr const char* kNoSimText = "No SIM was found!";

// One PIN2 flow: its connection (shared or private), the two wiped buffers
// handed to the dialogs, and the PIN2/PUK2 counters read from MF.
class Pin2Flow
{
public:
    // `sharedCommands`: the command set of the shared connection, when the
    // caller has one; a private connection speaks the GSM SIM set.
    Pin2Flow(const PcscApi& api, UserInterface& ui, const std::string& caption,
             SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard,
             CardCommands* sharedCommands = nullptr)
        : m_api(api), m_ui(ui), m_caption(caption), m_shared(sharedContext != 0 && sharedCard != 0),
          m_card(m_shared ? sharedCard : 0), m_transport(api, m_card)
    {
        if (m_shared && sharedCommands != nullptr) {
            m_commands = sharedCommands;
        } else {
            m_ownCommands = std::make_unique<SimCommands>(m_transport);
            m_commands = m_ownCommands.get();
        }
    }
    Pin2Flow(const Pin2Flow&) = delete;
    Pin2Flow& operator=(const Pin2Flow&) = delete;

    // Connects (unless shared) and reads the counters. False when no SIM was
    // found (reported) or MF did not answer (the command has logged it).
    bool open(const char* sharedReaderName)
    {
        if (m_shared) {
            if (sharedReaderName != nullptr)
                m_readerText.assign(sharedReaderName);
        } else if (!connectToSim(m_api, m_ui, m_caption, m_privateContext, m_card, m_readerText)) {
            message(kNoSimId, kNoSimText, kNoIcon);
            return false;
        } else if (m_ownCommands != nullptr) {
            m_ownCommands = commandsForConnection(m_api, m_card, m_transport);
            m_commands = m_ownCommands.get();
        }
        return true;
    }

    // Reads PIN2's and PUK2's counters from MF's header. A card that does not
    // answer, or refuses, is reported: the flow ends there.
    bool readCounters()
    {
        const CardResult selected = m_commands->select(FileId::kMf);
        if (!selected.ok()) {
            reportDeviceFailure(selected);
            return false;
        }
        const HeaderResult mf = m_commands->header();
        if (!mf.result.ok()) {
            reportDeviceFailure(mf.result);
            return false;
        }
        if (mf.header.isDirectory()) {
            chv2Attempts = mf.header.pin2Attempts;
            puk2Attempts = mf.header.puk2Attempts;
            pin2Counter = mf.header.pin2Counter;
        }
        return true;
    }

    void reportDeviceFailure(const CardResult& result)
    {
        const int id = result.answered() ? CardText::DeviceError : CardText::NoAnswer;
        message(id, cardTextHex(id, result.errorCode()));
    }

    // Before anything is asked: a card without PIN2, or with PIN2 blocked,
    // is reported. false then.
    bool pin2Usable()
    {
        if (pin2Counter == CounterState::NotInitialised) {
            message(CardText::NoPin2);
            return false;
        }
        if (chv2Attempts == 0) {
            message(CardText::Pin2Blocked);
            return false;
        }
        return true;
    }

    // Wipes the buffers and closes a private connection; with the shared one,
    // optionally puts the card back on the phone book.
    void close(bool reselectPhoneBook)
    {
        m_readerText.wipe();
        m_secretText.wipe();
        if (!m_shared) {
            closeCard(m_api, m_privateContext, m_card);
        } else if (reselectPhoneBook) {
            indexToDirAndFile(*m_commands, m_card, FileId::kAdn, FileId::kDirTelecom);
        }
    }

    void message(int id, std::string text = {}, Icon icon = Icon::Information)
    {
        showCardMessage(m_ui, id, std::move(text), icon, m_caption);
    }

    UserInterface::PinAnswer ask(Kind kind, int titleId, int textId, int attempts)
    {
        UserInterface::PinRequest request;
        request.kind = kind;
        request.title = cardText(titleId);
        request.textId = textId;
        request.attempts = attempts;
        request.text = attempts >= 0 ? cardText(textId, attempts) : cardText(textId);
        request.readerName = std::string(m_readerText.view());
        return askPinChecked(m_ui, request, m_caption);
    }

    // Takes the PIN2 the user entered and has the card verify it; a refused
    // PIN2 is reported.
    bool verifyEnteredPin2(const UserInterface::PinAnswer& answer)
    {
        m_secretText.assign(answer.entries.code.view());
        const CardResult verify = m_commands->verifyCode(SecretCode::Pin2, m_secretText.view());
        if (verify.ok())
            return true;
        reportCodeRefusal(m_ui, SecretCode::Pin2, CodeCommand::Verify, verify, chv2Attempts - 1,
                          m_caption);
        return false;
    }

    void reportRefusal(CodeCommand command, const CardResult& result, int attemptsLeft)
    {
        reportCodeRefusal(m_ui, SecretCode::Pin2, command, result, attemptsLeft, m_caption);
    }

    CardCommands& commands() { return *m_commands; }
    OwnedText& readerText() { return m_readerText; }
    OwnedText& secretText() { return m_secretText; }

    uint8_t chv2Attempts = 0;
    uint8_t puk2Attempts = 0;
    CounterState pin2Counter = CounterState::Unknown;

private:
    const PcscApi& m_api;
    UserInterface& m_ui;
    std::string m_caption;
    bool m_shared;
    SCARDCONTEXT m_privateContext = 0;
    SCARDHANDLE m_card;
    CardTransport m_transport;
    std::unique_ptr<CardCommands> m_ownCommands;
    CardCommands* m_commands = nullptr;
    OwnedText m_readerText{kBufferSize};
    OwnedText m_secretText{kBufferSize};
};

} // namespace

namespace {

int runVerifyPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
                  SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName,
                  CardCommands* sharedCommands)
{
    Pin2Flow flow(api, ui, caption, sharedContext, sharedCard, sharedCommands);
    if (!flow.open(sharedReaderName))
        return 0;
    int result = 0;
    if (flow.readCounters() && flow.pin2Usable()) {
        const UserInterface::PinAnswer answer = flow.ask(
            Kind::EnterPin2, CardText::EnterPin2Title, CardText::EnterPin2Text, flow.chv2Attempts);
        if (answer.confirmed && flow.verifyEnteredPin2(answer))
            result = 1;
    }
    flow.close(false);
    return result;
}

} // namespace

namespace {

int runChangePin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
                  SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName,
                  CardCommands* sharedCommands)
{
    constexpr const char* kTag = "change_pin2";
    writeLog(LogLevel::Info, kTag, "%d %s %d %d %s", 0, caption.c_str(),
             static_cast<int>(sharedContext), static_cast<int>(sharedCard),
             sharedReaderName != nullptr ? sharedReaderName : "");
    Pin2Flow flow(api, ui, caption, sharedContext, sharedCard, sharedCommands);
    if (!flow.open(sharedReaderName))
        return 0;
    writeLog(LogLevel::Info, kTag, "%s", "get properties of pin2");
    if (flow.readCounters()) {
        writeLog(LogLevel::Info, kTag, "pin2:%d puk2:%d", flow.chv2Attempts, flow.puk2Attempts);
        if (flow.pin2Usable()) {
            const UserInterface::PinAnswer current =
                flow.ask(Kind::EnterPin2, CardText::EnterPin2Title, CardText::EnterPin2Text,
                         flow.chv2Attempts);
            writeLog(LogLevel::Info, kTag, "dialog was? %d", current.confirmed ? 1 : 0);
            if (current.confirmed && flow.verifyEnteredPin2(current)) {
                const UserInterface::PinAnswer changed = flow.ask(
                    Kind::ChangePin2, CardText::ChangePin2Title, CardText::ChangePin2Text, -1);
                if (changed.confirmed) {
                    flow.readerText().assign(changed.entries.newPin.view());
                    const CardResult done = flow.commands().changeCode(
                        SecretCode::Pin2, flow.secretText().view(), flow.readerText().view());
                    if (done.ok())
                        flow.message(CardText::PinChanged, {}, kNoIcon);
                    else
                        flow.reportRefusal(CodeCommand::Change, done, flow.chv2Attempts - 1);
                }
            }
        }
    }
    flow.close(true);
    return 0;
}

} // namespace

namespace {

int runUnblockPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
                   SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName,
                   CardCommands* sharedCommands)
{
    Pin2Flow flow(api, ui, caption, sharedContext, sharedCard, sharedCommands);
    if (!flow.open(sharedReaderName))
        return 0;
    int result = 0;
    if (flow.readCounters()) {
        if (flow.pin2Counter == CounterState::NotInitialised) {
            flow.message(CardText::NoPin2);
        } else if (flow.chv2Attempts != 0) {
            flow.message(CardText::NotBlocked);
            result = 1;
        } else if (flow.puk2Attempts == 0) {
            flow.message(CardText::BlockedFinally);
        } else {
            const UserInterface::PinAnswer answer =
                flow.ask(Kind::UnblockPin2, CardText::UnblockSimTitle, CardText::UnblockPin2Text,
                         flow.puk2Attempts);
            if (answer.confirmed) {
                flow.secretText().assign(answer.entries.code.view());
                flow.readerText().assign(answer.entries.newPin.view());
                const CardResult done = flow.commands().unblockCode(
                    SecretCode::Pin2, flow.secretText().view(), flow.readerText().view());
                if (done.ok()) {
                    flow.message(CardText::Unblocked, {}, kNoIcon);
                    result = 1;
                } else {
                    flow.reportRefusal(CodeCommand::Unblock, done, flow.puk2Attempts - 1);
                }
            }
        }
    }
    flow.close(true);
    return result;
}

} // namespace

namespace {

struct SharedConnection
{
    SCARDCONTEXT context = 0;
    SCARDHANDLE card = 0;
    const char* readerName = nullptr;
};

SharedConnection sharedOf(const CardSession& session)
{
    if (session.context == 0 || session.card == 0)
        return {};
    return {session.context, session.card, session.readerName.c_str()};
}

} // namespace

int verifyPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
               SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName)
{
    return runVerifyPin2(api, ui, caption, sharedContext, sharedCard, sharedReaderName, nullptr);
}

int changePin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
               SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName)
{
    return runChangePin2(api, ui, caption, sharedContext, sharedCard, sharedReaderName, nullptr);
}

int unblockPin2(const PcscApi& api, UserInterface& ui, const std::string& caption,
                SCARDCONTEXT sharedContext, SCARDHANDLE sharedCard, const char* sharedReaderName)
{
    return runUnblockPin2(api, ui, caption, sharedContext, sharedCard, sharedReaderName, nullptr);
}

int verifyPin2(CardSession& session, UserInterface& ui)
{
    const SharedConnection shared = sharedOf(session);
    return runVerifyPin2(session.api, ui, {}, shared.context, shared.card, shared.readerName,
                         &session.commands());
}

int changePin2(CardSession& session, UserInterface& ui)
{
    const SharedConnection shared = sharedOf(session);
    return runChangePin2(session.api, ui, {}, shared.context, shared.card, shared.readerName,
                         &session.commands());
}

int unblockPin2(CardSession& session, UserInterface& ui)
{
    const SharedConnection shared = sharedOf(session);
    return runUnblockPin2(session.api, ui, {}, shared.context, shared.card, shared.readerName,
                          &session.commands());
}
