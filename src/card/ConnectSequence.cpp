#include "card/ConnectSequence.h"

#include "card/CardMessages.h"
#include "card/Pin1.h"
#include "shell/LastError.h"
#include "shell/Log.h"

#include <array>

namespace {

constexpr const char* kReadTag = "Read Phone from SIM";
// A pulled card makes every select fail: stop trying to get back to MF after this many.
constexpr int kMfReselectLimit = 3;

int runTransfer(CardSession& session, CardHost& host)
{
    return host.transfer ? host.transfer(session) : 0;
}

// The blocked card's message, then the connection is ended.
int reportBlocked(CardSession& session, CardHost& host)
{
    showCardMessage(host.ui,
                    session.chv1Status == 0 ? CardText::BlockedFinally : CardText::Blocked);
    endSession(session);
    return ConnectResult::Blocked;
}

void storeGeometry(CardSession& session, uint16_t fileSize, uint8_t recordLength)
{
    session.adnRecordLength = recordLength;
    session.adnNameLength = recordLength - 14;
    session.adnRecordCount = recordLength != 0 ? fileSize / recordLength : 0;
}

// The open card must still answer before a kept connection is used again.
bool probeOpenCard(CardSession& session)
{
    std::array<uint8_t, 256> record{};
    return session.simCard.readRecord(session.card, 1,
                                       static_cast<uint8_t>(session.adnRecordLength),
                                       Sim::ModeAbsolute, record.data());
}

// What a transfer needs of EF ADN's header.
struct AdnHeader
{
    uint16_t responseLength = 0;
    uint16_t fileSize = 0;
    uint8_t recordLength = 0;
};

// Connects (connect_to_card leaves EF ADN selected) and reads EF ADN's header.
// ConnectResult::Done: the sequence goes on; any other result is the
// sequence's, with the connection ended. `responseFailedLog`, when given, is
// logged after a failed GET RESPONSE.
int openPhoneBook(CardSession& session, CardHost& host, AdnHeader& header,
                  const char* responseFailedLog)
{
    const int state = connectToCard(session, header.responseLength);
    if (state == CardState::Failed)
        return ConnectResult::GiveUp;
    if (state == CardState::Pin1Blocked)
        return reportBlocked(session, host);

    if (!sizePhoneBook(session, host, header.responseLength, &header.fileSize,
                       &header.recordLength)) {
        if (responseFailedLog != nullptr)
            writeLog(LogLevel::Error, kReadTag, "%s", responseFailedLog);
        return ConnectResult::Blocked;
    }
    return ConnectResult::Done;
}

} // namespace

bool sizePhoneBook(CardSession& session, CardHost& host, uint16_t responseLength,
                   uint16_t* fileSizeOut, uint8_t* recordLengthOut)
{
    uint8_t isDirectory = 0;
    uint16_t fileSize = 0;
    uint8_t recordLength = 0;
    if (!session.simCard.getResponse(
            session.card, static_cast<uint8_t>(responseLength),
            {.isDirectory = &isDirectory, .fileSize = &fileSize, .recordLength = &recordLength})) {
        showCardMessage(host.ui, CardText::DeviceError,
                        cardTextHex(CardText::DeviceError, lastError()));
        endSession(session);
        return false;
    }
    if (fileSizeOut != nullptr)
        *fileSizeOut = fileSize;
    if (recordLengthOut != nullptr)
        *recordLengthOut = recordLength;
    return true;
}

int indexToDirAndFile(const SimCard& simCard, SCARDHANDLE card, uint16_t& responseLength,
                          uint16_t fileId, uint8_t* isDirectoryOut, uint8_t* recordLengthOut,
                          uint16_t* fileSizeOut, uint16_t dirId)
{
    constexpr const char* kTag = "index_to_dir_and_file";
    writeLog(LogLevel::Trace, kTag, "Handle %d", static_cast<int>(card));
    if (!simCard.select(card, Sim::FileMf, &responseLength)) {
        writeLog(LogLevel::Error, kTag, "select 0x3F00 failed! Error:%d",
                 static_cast<int>(lastError()));
        return SelectResult::SelectFailed;
    }
    writeLog(LogLevel::Trace, kTag, "%s", "connect_to_card after select dir 0x3F00");
    if (!simCard.select(card, dirId)) {
        writeLog(LogLevel::Error, kTag, "connect_to_card select dir 0x%X failed! Error:%d", dirId,
                 static_cast<int>(lastError()));
        return SelectResult::SelectFailed;
    }
    writeLog(LogLevel::Trace, kTag, "connect_to_card after select dir 0x%X", dirId);
    if (!simCard.select(card, fileId, &responseLength)) {
        writeLog(LogLevel::Error, kTag, "connect_to_card select file 0x%X failed! Error:%d", fileId,
                 static_cast<int>(lastError()));
        return SelectResult::SelectFailed;
    }
    writeLog(LogLevel::Trace, kTag, "connect_to_card after select file 0x%X", fileId);
    uint16_t fileSize = 0;
    uint8_t recordLength = 0;
    if (!simCard.getResponse(card, static_cast<uint8_t>(responseLength),
                              {.isDirectory = isDirectoryOut,
                               .fileSize = &fileSize,
                               .recordLength = &recordLength})) {
        writeLog(LogLevel::Error, kTag,
                 "connect_card_to_read get_responce on file 0x%X failed! Error:%d", fileId,
                 static_cast<int>(lastError()));
        return SelectResult::ResponseFailed;
    }
    if (fileSizeOut != nullptr)
        *fileSizeOut = fileSize;
    if (recordLengthOut != nullptr)
        *recordLengthOut = recordLength;
    writeLog(LogLevel::Trace, kTag,
             "connect_card_to_read file 0x%X size:%d, data len:%d, record len:%d.", fileId,
             fileSize, responseLength, recordLength);
    return SelectResult::Selected;
}

int readIccid(CardSession& session, uint16_t& responseLength)
{
    constexpr const char* kTag = "read_ICCID";
    const SimCard& sim = session.simCard;
    session.iccid[0] = '\0';
    if (!sim.select(session.card, Sim::FileIccid, &responseLength)) {
        writeLog(LogLevel::Error, kTag, "select 0x2FE2 failed! %ld",
                 static_cast<long>(lastError()));
        endSession(session);
        return CardState::Failed;
    }
    if (!sim.readSerialNumber(session.card, session.iccid.data())) {
        writeLog(LogLevel::Error, kTag, "%s", "read_serial_number failed!");
        endSession(session);
        return CardState::Failed;
    }
    if (!sim.select(session.card, Sim::FileMf, &responseLength)) {
        writeLog(LogLevel::Error, kReadTag, "connect_to_card select 0x3F00 failed! %ld",
                 static_cast<long>(lastError()));
        endSession(session);
        return CardState::Failed;
    }
    return CardState::Ready;
}

int readServiceProviderName(CardSession& session, uint16_t& responseLength)
{
    constexpr const char* kTag = "read_service_provider_name";
    const SimCard& sim = session.simCard;
    session.serviceProviderName.wipe();
    if (!sim.select(session.card, Sim::DirGsm, &responseLength)) {
        writeLog(LogLevel::Error, kTag, "%s", "connect_to_card select 0x7F20 failed!");
        endSession(session);
        return CardState::Failed;
    }

    // A card without EF SPN keeps an empty provider name.
    if (sim.select(session.card, Sim::FileSpn, &responseLength)) {
        std::array<char, 17> name{};
        uint8_t displayCondition = 0;
        if (sim.readSpn(session.card, name.data(), &displayCondition)) {
            if (name[0] == '\0')
                session.serviceProviderName.assignTruncated16(cardText(CardText::UnknownProvider));
            else
                session.serviceProviderName.assignTruncated16(name.data());
            session.spnDisplayCondition = displayCondition;
            writeLog(LogLevel::Trace, kTag, "service_provider_name:%s", name.data());
        } else {
            writeLog(LogLevel::Error, kTag, "%s", "read_serial_number failed!");
        }
    }

    for (int attempt = 0; attempt < kMfReselectLimit; ++attempt) {
        if (sim.select(session.card, Sim::FileMf, &responseLength))
            break;
        writeLog(LogLevel::Error, kTag, "connect_to_card select 0x3F00 failed! %ld",
                 static_cast<long>(lastError()));
    }
    return CardState::Ready;
}

int connectToCard(CardSession& session, uint16_t& responseLength)
{
    const SimCard& sim = session.simCard;
    writeLog(LogLevel::Trace, kReadTag, "connect_to_card Handle %d",
             static_cast<int>(session.card));
    if (!sim.select(session.card, Sim::FileMf, &responseLength)) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select 0x3F00 failed!");
        endSession(session);
        return CardState::Failed;
    }
    if (readIccid(session, responseLength) == CardState::Failed ||
        readServiceProviderName(session, responseLength) == CardState::Failed)
        return CardState::Failed;

    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select dir 0x3F00");
    uint8_t isDirectory = 0;
    if (!sim.getResponse(session.card, static_cast<uint8_t>(responseLength),
                          {.isDirectory = &isDirectory,
                           .chv1Status = &session.chv1Status,
                           .chv1Disabled = &session.chv1Disabled})) {
        endSession(session);
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card get_response failed!");
        return CardState::Failed;
    }
    writeLog(LogLevel::Trace, kReadTag, "connect_to_card after get_response pin attempts %d",
             session.chv1Status);

    if (!sim.select(session.card, Sim::DirTelecom)) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select dir 0x7F10 failed!");
        endSession(session);
        return CardState::Failed;
    }
    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select dir 0x7F10");
    if (!sim.select(session.card, Sim::FileAdn, &responseLength)) {
        writeLog(LogLevel::Error, kReadTag, "%s", "connect_to_card select file 0x6F3A failed!");
        endSession(session);
        return CardState::Failed;
    }
    writeLog(LogLevel::Trace, kReadTag, "%s", "connect_to_card after select file 0x6F3A");
    return session.pin1Attempts() != 0 ? CardState::Ready : CardState::Pin1Blocked;
}

int connectCardToRead(CardSession& session, CardHost& host, bool early)
{
    writeLog(LogLevel::Trace, kReadTag, "connect_card_to_read Handle %d",
             static_cast<int>(session.card));
    session.transferDirection = 'r';

    if (early) {
        writeLog(LogLevel::Trace, kReadTag, "%s",
                 "connect_card_to_read connection was established early");
        if (!probeOpenCard(session))
            return ConnectResult::GiveUp;
        writeLog(LogLevel::Trace, kReadTag, "%s",
                 "connect_card_to_read before proccessing the sim");
        runTransfer(session, host);
        return host.book.bookSource == BookSource::Card ? ConnectResult::Done
                                                        : ConnectResult::GiveUp;
    }

    AdnHeader header;
    if (const int opened = openPhoneBook(
            session, host, header, "connect_card_to_read get_responce on file 0x6F3A failed!");
        opened != ConnectResult::Done)
        return opened;
    writeLog(LogLevel::Trace, kReadTag,
             "connect_card_to_read file 0x6F3A size:%d, data len:%d, record len:%d.",
             header.fileSize, header.responseLength, header.recordLength);

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
    if (session.chv1Disabled == 0) {
        if (!session.simCard.verifyChv(session.card, session.cachedPin1.c_str(), Sim::Chv1)) {
            writeLog(LogLevel::Error, kReadTag, "%s", "connect_card_to_read verify_chv failed!");
            showCardMessage(host.ui, CardText::WrongPin);
            endSession(session);
            host.book.bookSource = BookSource::Nothing;
            countRefusedPin1(session);
            return ConnectResult::PinRefused;
        }
        session.chv1Status = 3;
    }

    storeGeometry(session, header.fileSize, header.recordLength);
    runTransfer(session, host);
    return host.book.bookSource == BookSource::Card ? ConnectResult::Done : ConnectResult::GiveUp;
}

int connectCardToWrite(CardSession& session, CardHost& host, bool early)
{
    session.transferDirection = 'w';
    if (early) {
        if (!probeOpenCard(session))
            return ConnectResult::GiveUp;
        return runTransfer(session, host) == 1 ? ConnectResult::GiveUp : ConnectResult::Done;
    }

    AdnHeader header;
    if (const int opened = openPhoneBook(session, host, header, nullptr);
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
    if (session.chv1Disabled == 0) {
        if (!session.simCard.verifyChv(session.card, session.cachedPin1.c_str(), Sim::Chv1)) {
            showCardMessage(host.ui, CardText::WrongPin);
            endSession(session);
            countRefusedPin1(session);
            return ConnectResult::PinRefused;
        }
        session.chv1Status = 3;
    }

    storeGeometry(session, header.fileSize, header.recordLength);
    return runTransfer(session, host) == 1 ? ConnectResult::GiveUp : ConnectResult::Done;
}
