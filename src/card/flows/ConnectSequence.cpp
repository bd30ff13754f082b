#include "card/flows/ConnectSequence.h"

#include "card/commands/FileContents.h"
#include "card/commands/FileIds.h"
#include "card/flows/CardKindChoice.h"
#include "card/flows/CardMessages.h"
#include "card/flows/Pin1.h"
#include "shell/Log.h"

namespace {

constexpr const char* kReadTag = "Read Phone from SIM";
// A pulled card makes every select fail: stop trying to get back to MF after this many.
constexpr int kMfReselectLimit = 3;
// What an accepted PIN1 leaves in chv1Status.
constexpr uint8_t kPin1Accepted = 3;

int runTransfer(CardSession& session, CardHost& host)
{
    return host.transfer ? host.transfer(session) : 0;
}

// The blocked card's message, then the connection is ended.
ConnectResult reportBlocked(CardSession& session, CardHost& host)
{
    showCardMessage(host.ui,
                    session.chv1Status == 0 ? CardText::BlockedFinally : CardText::Blocked);
    endSession(session);
    return ConnectResult::Blocked;
}

void storeGeometry(CardSession& session, const FileHeader& adn)
{
    session.adnRecordLength = adn.recordLength;
    session.adnNameLength = adn.recordLength - 14;
    session.adnRecordCount = adn.recordCount();
    session.emailRoom = 0;
    session.secondNameRoom = 0;
}

// The open card must still answer before a kept connection is used again.
bool probeOpenCard(CardSession& session)
{
    return session.commands().readRecord(1, static_cast<uint8_t>(session.adnRecordLength)).ok();
}

// Connects (connect_to_card leaves EF ADN selected) and reads EF ADN's header.
// ConnectResult::Done: the sequence goes on; any other result is the
// sequence's, with the connection ended. `responseFailedLog`, when given, is
// logged after a failed GET RESPONSE.
// What a transfer needs of EF ADN's header, and how long the header was.
struct AdnHeader
{
    FileHeader header;
    int responseLength = 0;
};

ConnectResult openPhoneBook(CardSession& session, CardHost& host, AdnHeader& adn,
                            const char* responseFailedLog)
{
    const CardState state = connectToCard(session);
    if (state == CardState::Failed)
        return ConnectResult::GiveUp;
    if (state == CardState::Pin1Blocked)
        return reportBlocked(session, host);

    const HeaderResult sized = sizePhoneBook(session, host);
    if (!sized.result.ok()) {
        if (responseFailedLog != nullptr)
            writeLog(LogLevel::Error, kReadTag, "%s", responseFailedLog);
        return ConnectResult::Blocked;
    }
    adn.header = sized.header;
    adn.responseLength = static_cast<int>(sized.result.data.size());
    return ConnectResult::Done;
}

// VERIFY of the PIN1 in cachedPin1 during a connect sequence. false: the
// user has been told why and the connection is ended.
bool verifyPin1(CardSession& session, CardHost& host, const char* refusedLog)
{
    const CardResult verify =
        session.commands().verifyCode(SecretCode::Pin1, session.cachedPin1.view());
    notePin1Verify(session, verify);
    if (verify.ok())
        return true;
    if (refusedLog != nullptr)
        writeLog(LogLevel::Error, kReadTag, "%s", refusedLog);
    reportPin1Refusal(session, host, verify);
    endSession(session);
    return false;
}

} // namespace

void notePin1Verify(CardSession& session, const CardResult& verify)
{
    if (verify.ok()) {
        session.chv1Status = kPin1Accepted;
    } else if (verify.codeRefused()) {
        countRefusedPin1(session);
        // 98 40: that was the last try, whatever the count said.
        if (verify.outcome == CardOutcome::Blocked)
            session.chv1Status &= 0xF0;
    }
}

HeaderResult sizePhoneBook(CardSession& session, CardHost& host)
{
    HeaderResult sized = session.commands().header();
    if (!sized.result.ok()) {
        showCardMessage(host.ui, CardText::DeviceError,
                        cardTextHex(CardText::DeviceError, sized.result.errorCode()));
        endSession(session);
    }
    return sized;
}

SelectedFile indexToDirAndFile(CardCommands& commands, SCARDHANDLE card, uint16_t fileId,
                               uint16_t dirId)
{
    constexpr const char* kTag = "index_to_dir_and_file";
    SelectedFile selected;
    writeLog(LogLevel::Trace, kTag, "Handle %d", static_cast<int>(card));
    selected.result = commands.select(FileId::kMf);
    if (!selected.result.ok()) {
        writeLog(LogLevel::Error, kTag, "select 0x3F00 failed! Error:%d",
                 static_cast<int>(selected.result.errorCode()));
        return selected;
    }
    writeLog(LogLevel::Trace, kTag, "%s", "connect_to_card after select dir 0x3F00");
    selected.result = commands.select(dirId);
    if (!selected.result.ok()) {
        writeLog(LogLevel::Error, kTag, "connect_to_card select dir 0x%X failed! Error:%d", dirId,
                 static_cast<int>(selected.result.errorCode()));
        return selected;
    }
    writeLog(LogLevel::Trace, kTag, "connect_to_card after select dir 0x%X", dirId);
    selected.result = commands.select(fileId);
    if (!selected.result.ok()) {
        writeLog(LogLevel::Error, kTag, "connect_to_card select file 0x%X failed! Error:%d", fileId,
                 static_cast<int>(selected.result.errorCode()));
        return selected;
    }
    const int responseLength = selected.result.pending;
    writeLog(LogLevel::Trace, kTag, "connect_to_card after select file 0x%X", fileId);
    HeaderResult header = commands.header();
    selected.result = std::move(header.result);
    if (!selected.result.ok()) {
        writeLog(LogLevel::Error, kTag,
                 "connect_card_to_read get_responce on file 0x%X failed! Error:%d", fileId,
                 static_cast<int>(selected.result.errorCode()));
        selected.status = SelectStatus::ResponseFailed;
        return selected;
    }
    selected.header = header.header;
    selected.status = SelectStatus::Selected;
    writeLog(LogLevel::Trace, kTag,
             "connect_card_to_read file 0x%X size:%d, data len:%d, record len:%d.", fileId,
             selected.header.fileSize, responseLength, selected.header.recordLength);
    return selected;
}

CardState readIccid(CardSession& session)
{
    constexpr const char* kTag = "read_ICCID";
    CardCommands& commands = session.commands();
    session.iccid[0] = '\0';
    const CardResult selected = commands.select(FileId::kIccid);
    if (!selected.ok()) {
        writeLog(LogLevel::Error, kTag, "select 0x2FE2 failed! %ld",
                 static_cast<long>(selected.errorCode()));
        endSession(session);
        return CardState::Failed;
    }
    const CardResult read = commands.readBinary(0, FileId::kIccidLength);
    if (!read.ok()) {
        writeLog(LogLevel::Error, kTag, "%s", "read_serial_number failed!");
        endSession(session);
        return CardState::Failed;
    }
    const std::string digits = iccidDigits(read.data);
    std::copy(digits.begin(), digits.end(), session.iccid.begin());
    if (digits.size() < session.iccid.size())
        session.iccid[digits.size()] = '\0';
    const CardResult back = commands.select(FileId::kMf);
    if (!back.ok()) {
        writeLog(LogLevel::Error, kReadTag, "connect_to_card select 0x3F00 failed! %ld",
                 static_cast<long>(back.errorCode()));
        endSession(session);
        return CardState::Failed;
    }
    return CardState::Ready;
}

CardState readServiceProviderName(CardSession& session)
{
    constexpr const char* kTag = "read_service_provider_name";
    CardCommands& commands = session.commands();
    session.serviceProviderName.wipe();
    if (!commands.select(FileId::kDirGsm).ok()) {
        writeLog(LogLevel::Error, kTag, "%s", "connect_to_card select 0x7F20 failed!");
        endSession(session);
        return CardState::Failed;
    }

    // A card without EF SPN keeps an empty provider name.
    if (commands.select(FileId::kSpn).ok()) {
        const CardResult read = commands.readBinary(0, FileId::kSpnLength);
        if (read.ok()) {
            const ServiceProviderName spn = serviceProviderNameOf(read.data);
            if (spn.name.empty())
                session.serviceProviderName.assignTruncated16(cardText(CardText::UnknownProvider));
            else
                session.serviceProviderName.assignTruncated16(spn.name);
            session.spnDisplayCondition = spn.displayCondition;
            writeLog(LogLevel::Trace, kTag, "service_provider_name:%s", spn.name.c_str());
        } else {
            writeLog(LogLevel::Error, kTag, "%s", "read_serial_number failed!");
        }
    }

    for (int attempt = 0; attempt < kMfReselectLimit; ++attempt) {
        const CardResult back = commands.select(FileId::kMf);
        if (back.ok())
            break;
        writeLog(LogLevel::Error, kTag, "connect_to_card select 0x3F00 failed! %ld",
                 static_cast<long>(back.errorCode()));
    }
    return CardState::Ready;
}

CardState connectToCard(CardSession& session)
{
    chooseCommandSet(session);
    CardCommands& commands = session.commands();
    writeLog(LogLevel::Trace, kReadTag, "connect_to_card Handle %d",
             static_cast<int>(session.card));
    if (!commands.select(FileId::kMf).ok()) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select 0x3F00 failed!");
        endSession(session);
        return CardState::Failed;
    }
    if (readIccid(session) == CardState::Failed ||
        readServiceProviderName(session) == CardState::Failed)
        return CardState::Failed;

    // read_service_provider_name ends on MF: its header holds the PIN1 state.
    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select dir 0x3F00");
    const HeaderResult mf = commands.header();
    if (!mf.result.ok()) {
        endSession(session);
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card get_response failed!");
        return CardState::Failed;
    }
    session.counters = {};
    if (mf.header.isDirectory()) {
        session.chv1Status =
            static_cast<uint8_t>((mf.header.pin1Attempts & 0x0F) | (mf.header.puk1Attempts << 4));
        session.chv1Disabled = mf.header.pin1Disabled ? 1 : 0;
        const FileHeader& told = mf.header;
        session.counters = {{told.pin1Attempts, told.pin1Counter},
                            {told.puk1Attempts, told.puk1Counter},
                            {told.pin2Attempts, told.pin2Counter},
                            {told.puk2Attempts, told.puk2Counter}};
    }
    writeLog(LogLevel::Trace, kReadTag, "connect_to_card after get_response pin attempts %d",
             session.chv1Status);

    // A USIM phone book is used in place of EF ADN; EF PBR is left selected.
    if (locateUsimPhoneBook(session))
        return session.pin1Attempts() != 0 ? CardState::Ready : CardState::Pin1Blocked;
    if (!commands.select(FileId::kDirTelecom).ok()) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select dir 0x7F10 failed!");
        endSession(session);
        return CardState::Failed;
    }
    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select dir 0x7F10");
    if (!commands.select(FileId::kAdn).ok()) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select file 0x6F3A failed!");
        endSession(session);
        return CardState::Failed;
    }
    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select file 0x6F3A");
    return session.pin1Attempts() != 0 ? CardState::Ready : CardState::Pin1Blocked;
}

ConnectResult connectCardToRead(CardSession& session, CardHost& host, bool early)
{
    writeLog(LogLevel::Trace, kReadTag, "connect_card_to_read Handle %d",
             static_cast<int>(session.card));
    session.transferDirection = Transfer::Read;

    if (early) {
        writeLog(LogLevel::Trace, kReadTag, "%s",
                 "connect_card_to_read connection was established early");
        if (!probeOpenCard(session))
            return ConnectResult::GiveUp;
        writeLog(LogLevel::Trace, kReadTag, "%s",
                 "connect_card_to_read before proccessing the sim");
        runTransfer(session, host);
        return host.book.bookSource == BookSource::Card ? ConnectResult::Done
                                                        : ConnectResult::TransferFailed;
    }

    AdnHeader adn;
    if (const ConnectResult opened = openPhoneBook(
            session, host, adn, "connect_card_to_read get_responce on file 0x6F3A failed!");
        opened != ConnectResult::Done)
        return opened;
    writeLog(LogLevel::Trace, kReadTag,
             "connect_card_to_read file 0x6F3A size:%d, data len:%d, record len:%d.",
             adn.header.fileSize, adn.responseLength, adn.header.recordLength);

    if (session.chv1Disabled == 0) {
        if (pinDialog(session, host) == PinDialogResult::Cancelled)
            return ConnectResult::PinCancelled;
    } else {
        session.cachedPin1.assign("a");
    }
    if (session.cachedPin1.empty()) {
        endSession(session);
        return ConnectResult::PinRefused;
    }
    if (session.chv1Disabled == 0 &&
        !verifyPin1(session, host, "connect_card_to_read verify_chv failed!")) {
        host.book.bookSource = BookSource::Nothing;
        return ConnectResult::PinRefused;
    }

    storeGeometry(session, adn.header);
    runTransfer(session, host);
    return host.book.bookSource == BookSource::Card ? ConnectResult::Done
                                                    : ConnectResult::TransferFailed;
}

ConnectResult connectCardToWrite(CardSession& session, CardHost& host, bool early)
{
    session.transferDirection = Transfer::Write;
    if (early) {
        if (!probeOpenCard(session))
            return ConnectResult::GiveUp;
        return runTransfer(session, host) == 1 ? ConnectResult::TransferFailed
                                               : ConnectResult::Done;
    }

    AdnHeader adn;
    if (const ConnectResult opened = openPhoneBook(session, host, adn, nullptr);
        opened != ConnectResult::Done)
        return opened;

    // A cancelled PIN dialog has emptied cachedPin1: that ends the write below.
    if (session.chv1Disabled == 0)
        pinDialog(session, host);
    else
        session.cachedPin1.assign("a");
    if (session.cachedPin1.empty()) {
        endSession(session);
        return ConnectResult::PinRefused;
    }
    if (session.chv1Disabled == 0 && !verifyPin1(session, host, nullptr))
        return ConnectResult::PinRefused;

    storeGeometry(session, adn.header);
    return runTransfer(session, host) == 1 ? ConnectResult::TransferFailed : ConnectResult::Done;
}
