#include "card/flows/Pin1.h"

#include "card/flows/CardMessages.h"
#include "card/flows/CodeAnswers.h"
#include "card/flows/ConnectSequence.h"
#include "card/flows/PinRules.h"
#include "card/transport/CardError.h"

#include <string_view>

namespace {

using Icon = UserInterface::Icon;
// The card takes 8 characters of every secret code (the rules keep them to that).
constexpr std::size_t kSecretLength = 8;
// Messages that report success are shown without an icon.
constexpr Icon kNoIcon = Icon::None;

enum class FindResult
{
    Ready,
    Pin1Blocked,
    NotFound
};

// Connects to the first reader holding a SIM and runs connect_to_card on it,
// as the PIN commands do (T=0 only). NotFound has been reported.
FindResult findSim(CardSession& session, CardHost& host)
{
    if (!listReaders(session, host))
        return FindResult::NotFound;

    for (const char* name : readerNames(session.readerList.data(), session.readerList.size())) {
        SCARDHANDLE card = 0;
        DWORD protocol = 0;
        const LONG connected = session.api.SCardConnect(
            session.context, name, Pcsc::kShareExclusive, Pcsc::kProtocolT0, &card, &protocol);
        if (connected != Pcsc::kSuccess) {
            logCardError(static_cast<uint32_t>(connected));
            continue;
        }
        session.card = card;
        session.activeProtocol = protocol;
        const CardState state = connectToCard(session);
        if (state == CardState::Failed) {
            // connect_to_card has ended the connection; look further afresh.
            if (!establishContext(session, host))
                return FindResult::NotFound;
            continue;
        }
        session.readerName.assign(name);
        return state == CardState::Ready ? FindResult::Ready : FindResult::Pin1Blocked;
    }
    showCardMessage(host.ui, CardText::NoSimFound);
    return FindResult::NotFound;
}

void forgetCardBook(CardHost& host)
{
    if (host.book.bookSource == BookSource::Card)
        host.book.bookSource = BookSource::Nothing;
}

// Changes PIN1 to `newPin` unless it is the PIN already in use.
void changeTo(CardSession& session, CardHost& host, std::string_view newPin)
{
    if (newPin == session.cachedPin1.view())
        return;
    OwnedText pin(kSecretLength + 1);
    pin.assign(newPin);
    const CardResult changed =
        session.commands().changeCode(SecretCode::Pin1, session.cachedPin1.view(), pin.view());
    notePin1Verify(session, changed);
    if (changed.ok()) {
        session.cachedPin1.assign(newPin);
        showCardMessage(host.ui, CardText::PinChanged, {}, kNoIcon);
    } else {
        reportCodeRefusal(host.ui, SecretCode::Pin1, CodeCommand::Change, changed,
                          session.pin1Attempts());
    }
}

} // namespace

void reportPin1Refusal(const CardSession& session, CardHost& host, const CardResult& verify)
{
    reportCodeRefusal(host.ui, SecretCode::Pin1, CodeCommand::Verify, verify,
                      session.pin1Attempts());
}

void countRefusedPin1(CardSession& session)
{
    const int triesBefore = session.pin1Attempts();
    session.chv1Status = static_cast<uint8_t>(session.chv1Status - 1);
    if (triesBefore - 1 <= 0)
        session.chv1Status &= 0xF0;
}

PinDialogResult pinDialog(CardSession& session, CardHost& host)
{
    if (session.pin1Attempts() == 0) {
        showCardMessage(host.ui, CardText::Blocked);
        return PinDialogResult::Confirmed;
    }

    UserInterface::PinRequest request;
    request.kind = UserInterface::PinDialogKind::EnterPin1;
    request.title = cardText(CardText::PinTitle);
    request.textId = CardText::AttemptsRemaining;
    request.attempts = session.pin1Attempts();
    request.text = cardText(CardText::AttemptsRemaining, request.attempts);
    const UserInterface::PinAnswer answer = askPinChecked(host.ui, request);

    if (answer.confirmed) {
        session.cachedPin1.assign(answer.entries.code.view());
        host.book.bookSource = BookSource::Card;
        return PinDialogResult::Confirmed;
    }
    session.cachedPin1.wipe();
    if (host.book.bookSource == BookSource::File)
        endSession(session);
    else if (host.book.bookSource == BookSource::Card)
        host.book.bookSource = BookSource::CancellingPin;
    return PinDialogResult::Cancelled;
}

void changePinCommand(CardSession& session, CardHost& host)
{
    if (host.book.bookSource != BookSource::Card) {
        changePin1(session, host);
        return;
    }

    // A card book is open and its connection is live.
    OwnedText previousPin(9);
    previousPin.assign(session.cachedPin1.view());
    pinDialog(session, host);
    if (host.book.bookSource == BookSource::CancellingPin) {
        host.book.bookSource = BookSource::Card;
        session.cachedPin1.assign(previousPin.view());
        return;
    }
    if (session.cachedPin1.empty())
        return;
    if (session.chv1Disabled != 0) {
        changePinDialog(session, host);
        return;
    }
    if (session.pin1Attempts() == 0) {
        showCardMessage(host.ui, CardText::Blocked);
        return;
    }
    const CardResult verify =
        session.commands().verifyCode(SecretCode::Pin1, session.cachedPin1.view());
    notePin1Verify(session, verify);
    if (verify.ok()) {
        changePinDialog(session, host);
        return;
    }
    // A PIN the card did not judge is neither counted nor called wrong.
    reportPin1Refusal(session, host, verify);
    if (verify.codeRefused() && session.pin1Attempts() == 0)
        endSession(session);
}

bool changePin1(CardSession& session, CardHost& host)
{
    switch (findSim(session, host)) {
    case FindResult::NotFound:
        return false;
    case FindResult::Pin1Blocked:
        showCardMessage(host.ui,
                        session.chv1Status == 0 ? CardText::BlockedFinally : CardText::Blocked);
        endSession(session);
        return true;
    case FindResult::Ready:
        break;
    }
    if (!sizePhoneBook(session, host).result.ok())
        return false;

    pinDialog(session, host);
    if (session.cachedPin1.empty()) {
        endSession(session);
        forgetCardBook(host);
        return false;
    }
    if (session.chv1Disabled == 0) {
        const CardResult verify =
            session.commands().verifyCode(SecretCode::Pin1, session.cachedPin1.view());
        notePin1Verify(session, verify);
        if (!verify.ok()) {
            reportPin1Refusal(session, host, verify);
            endSession(session);
            return false;
        }
    }
    changePinDialog(session, host);
    endSession(session);
    forgetCardBook(host);
    return true;
}

void changePinDialog(CardSession& session, CardHost& host)
{
    UserInterface::PinRequest request;
    request.kind = UserInterface::PinDialogKind::ChangePin1;
    request.title = cardText(CardText::ChangePinTitle);
    request.textId = CardText::PinTooLong;
    request.text = cardText(CardText::PinTooLong);
    request.initial.code.assign(session.cachedPin1.view());
    request.initial.newPin.assign(session.cachedPin1.view());
    request.initial.confirmPin.assign(session.cachedPin1.view());
    request.initial.pinEnabled = session.chv1Disabled == 0;

    for (;;) {
        const UserInterface::PinAnswer answer = askPinChecked(host.ui, request);
        if (!answer.confirmed) {
            if (host.book.bookSource == BookSource::File)
                endSession(session);
            return;
        }
        const std::string_view newPin = answer.entries.newPin.view();
        if (newPin != answer.entries.confirmPin.view()) {
            // The dialog stays open with what was typed.
            showCardMessage(host.ui, CardText::WrongPin);
            request.initial = answer.entries;
            continue;
        }

        const bool pinWasEnabled = session.chv1Disabled == 0;
        if (answer.entries.pinEnabled && pinWasEnabled) {
            changeTo(session, host, newPin);
        } else if (answer.entries.pinEnabled) {
            const CardResult enabled =
                session.commands().enableCode(SecretCode::Pin1, session.cachedPin1.view());
            notePin1Verify(session, enabled);
            if (!enabled.ok()) {
                reportCodeRefusal(host.ui, SecretCode::Pin1, CodeCommand::Enable, enabled,
                                  session.pin1Attempts());
                return;
            }
            session.chv1Disabled = 0;
            showCardMessage(host.ui, CardText::PinEnabled, {}, kNoIcon);
            changeTo(session, host, newPin);
        } else if (pinWasEnabled) {
            const CardResult disabled =
                session.commands().disableCode(SecretCode::Pin1, session.cachedPin1.view());
            notePin1Verify(session, disabled);
            if (disabled.ok()) {
                session.chv1Disabled = 1;
                showCardMessage(host.ui, CardText::PinDisabled, {}, kNoIcon);
            } else {
                reportCodeRefusal(host.ui, SecretCode::Pin1, CodeCommand::Disable, disabled,
                                  session.pin1Attempts());
            }
        }
        return;
    }
}

bool unblockPin1(CardSession& session, CardHost& host)
{
    endSession(session);
    const FindResult found = findSim(session, host);
    if (found == FindResult::NotFound)
        return false;
    if (session.chv1Status == 0 || found == FindResult::Ready) {
        showCardMessage(host.ui,
                        session.chv1Status == 0 ? CardText::BlockedFinally : CardText::NotBlocked);
        endSession(session);
        return true;
    }
    if (!sizePhoneBook(session, host).result.ok())
        return false;
    unblockSimDialog(session, host);
    forgetCardBook(host);
    endSession(session);
    return true;
}

void unblockSimDialog(CardSession& session, CardHost& host)
{
    session.cachedPin1.wipe();
    UserInterface::PinRequest request;
    request.kind = UserInterface::PinDialogKind::UnblockPin1;
    request.title = cardText(CardText::UnblockSimTitle);
    // The PUK's count: with one attempt left the dialog warns, and phonara-cli
    // does not spend it on a code from a file unasked.
    request.textId = CardText::PukAttemptsRemaining;
    request.attempts = session.puk1Attempts();
    request.text = cardText(CardText::PukAttemptsRemaining, request.attempts);

    for (;;) {
        const UserInterface::PinAnswer answer = askPinChecked(host.ui, request);
        if (!answer.confirmed)
            break;
        // cachedPin1 lends its buffer to the PUK while this dialog is up.
        session.cachedPin1.assign(answer.entries.code.view());
        OwnedText newPin(kSecretLength + 1);
        newPin.assign(answer.entries.newPin.view());
        const std::string_view confirmPin = answer.entries.confirmPin.view();
        if (newPin.empty() || confirmPin.empty() || newPin.view() != confirmPin) {
            showCardMessage(host.ui, CardText::PinMismatch);
            request.initial = UserInterface::PinEntries{};
            request.initial.code.assign(answer.entries.code.view());
            continue;
        }
        const CardResult unblocked = session.commands().unblockCode(
            SecretCode::Pin1, session.cachedPin1.view(), newPin.view());
        if (unblocked.ok()) {
            showCardMessage(host.ui, CardText::Unblocked, {}, kNoIcon);
        } else {
            reportCodeRefusal(host.ui, SecretCode::Pin1, CodeCommand::Unblock, unblocked,
                              session.puk1Attempts() - 1);
        }
        break;
    }
    if (host.book.bookSource == BookSource::File)
        endSession(session);
}
