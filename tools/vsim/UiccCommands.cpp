// The UICC command set: the APDU cases, GET RESPONSE, READ/UPDATE BINARY and
// RECORD, and the PIN commands by key reference.
#include "UiccCommands.h"
#include "SimCardInternal.h"

namespace vsim::detail {

namespace {

constexpr int kPinLength = 8;

uint16_t pinRejected(int triesLeft)
{
    return uint16_t(sw::kPinRejected | (triesLeft & 0x0F));
}

} // namespace

QByteArray UiccCommands::process(const QByteArray& apdu)
{
    const bool proprietary = (uint8_t(apdu[0]) & 0x80) != 0;
    const auto in = uint8_t(apdu[1]);
    const auto p1 = uint8_t(apdu[2]);
    const auto p2 = uint8_t(apdu[3]);

    // Answers wait for GET RESPONSE only until the next command.
    QByteArray pending;
    std::swap(pending, m_card.m_pending);

    enum class Case
    {
        Outgoing, // P3 is Le
        Incoming, // P3 is Lc; the VERIFY and UNBLOCK queries send none
    };
    Case kind;
    if (proprietary) {
        if (in != ins::kStatus)
            return statusOnly(sw::kUnknownInstruction);
        kind = Case::Outgoing;
    } else {
        switch (in) {
        case ins::kGetResponse:
        case ins::kReadBinary:
        case ins::kReadRecord:
            kind = Case::Outgoing;
            break;
        case ins::kSelect:
        case ins::kUpdateBinary:
        case ins::kUpdateRecord:
        case ins::kVerifyChv:
        case ins::kChangeChv:
        case ins::kDisableChv:
        case ins::kEnableChv:
        case ins::kUnblockChv:
            kind = Case::Incoming;
            break;
        default:
            return statusOnly(sw::kUnknownInstruction);
        }
    }

    // A header alone is a case 1 command: only the PIN queries are.
    const bool query = in == ins::kVerifyChv || in == ins::kUnblockChv;
    if (apdu.size() == 4 && !(query && !proprietary))
        return statusOnly(sw::kWrongLength);
    const int p3 = apdu.size() > 4 ? uint8_t(apdu[4]) : 0;
    QByteArray body = apdu.mid(5);
    if (kind == Case::Outgoing) {
        if (!body.isEmpty())
            return statusOnly(sw::kWrongLength);
    } else {
        // A T=0 reader sends SELECT's Le as a GET RESPONSE of its own; one left after the
        // data is dropped as the reader would.
        if (in == ins::kSelect && body.size() == p3 + 1)
            body.chop(1);
        if (body.size() != p3)
            return statusOnly(sw::kWrongLength);
    }
    const int le = p3 == 0 ? 256 : p3;

    if (proprietary) {
        if (p1 > 0x02)
            return statusOnly(sw::kWrongP1P2);
        return status(p2, le);
    }
    switch (in) {
    case ins::kSelect:
        return select(p1, p2, body);
    case ins::kGetResponse:
        return getResponse(p1, p2, le, pending);
    case ins::kReadBinary:
        return readBinary(p1, p2, le);
    case ins::kUpdateBinary:
        return updateBinary(p1, p2, body);
    case ins::kReadRecord:
        return readRecord(p1, p2, le);
    case ins::kUpdateRecord:
        return updateRecord(p1, p2, body);
    default:
        return pinCommand(in, p1, p2, body);
    }
}

QByteArray UiccCommands::getResponse(uint8_t p1, uint8_t p2, int le, const QByteArray& pending)
{
    if (p1 != 0 || p2 != 0)
        return statusOnly(sw::kWrongP1P2);
    if (pending.isEmpty())
        return statusOnly(sw::kConditionsNotSatisfied);
    if (le > pending.size()) {
        m_card.m_pending = pending; // kept for the retry with the length the card named
        return statusOnly(uint16_t(sw::kWrongLe | pending.size()));
    }
    if (le < pending.size()) {
        m_card.m_pending = pending.mid(le);
        return withStatus(pending.left(le),
                          uint16_t(sw::kMoreData | std::min<int>(0xFF, m_card.m_pending.size())));
    }
    return withStatus(pending, sw::kOk);
}

uint16_t UiccCommands::targetEf(uint8_t sfi, bool records, Access CardFile::*access)
{
    if (sfi != 0) {
        CardFile* f = findBySfi(sfi);
        if (!f)
            return sw::kFileNotFound;
        makeCurrent(f);
    }
    const CardFile* ef = m_card.m_currentEf;
    if (!ef)
        return sw::kNoEfSelectedUicc;
    if (ef->isRecordFile() != records)
        return sw::kIncompatibleFile;
    if (!m_card.granted(ef->*access))
        return sw::kSecurityNotSatisfied;
    if (ef->invalidated)
        return sw::kDataInvalidated;
    return 0;
}

// READ/UPDATE BINARY: P1 b8 set names the EF by its SFI (b5-b1) and P2 is the
// offset; otherwise P1 P2 are the offset into the current EF.
QByteArray UiccCommands::readBinary(uint8_t p1, uint8_t p2, int le)
{
    if ((p1 & 0x80) && (p1 & 0x60))
        return statusOnly(sw::kWrongP1P2);
    const bool bySfi = p1 & 0x80;
    if (const uint16_t error = targetEf(bySfi ? p1 & 0x1F : 0, false, &CardFile::read))
        return statusOnly(error);
    const QByteArray& data = m_card.m_currentEf->data;
    const int offset = bySfi ? p2 : (p1 << 8) | p2;
    if (offset >= data.size())
        return statusOnly(sw::kWrongP1P2);
    // A T=0 card cannot send fewer bytes than P3 announced: it names what it has.
    if (offset + le > data.size())
        return statusOnly(uint16_t(sw::kWrongLe | (data.size() - offset)));
    return withStatus(data.mid(offset, le), sw::kOk);
}

QByteArray UiccCommands::updateBinary(uint8_t p1, uint8_t p2, const QByteArray& body)
{
    if ((p1 & 0x80) && (p1 & 0x60))
        return statusOnly(sw::kWrongP1P2);
    const bool bySfi = p1 & 0x80;
    if (const uint16_t error = targetEf(bySfi ? p1 & 0x1F : 0, false, &CardFile::update))
        return statusOnly(error);
    QByteArray& data = m_card.m_currentEf->data;
    const int offset = bySfi ? p2 : (p1 << 8) | p2;
    if (offset >= data.size())
        return statusOnly(sw::kWrongP1P2);
    if (body.isEmpty() || offset + body.size() > data.size())
        return statusOnly(sw::kWrongLength);
    data.replace(offset, body.size(), body);
    return statusOnly(sw::kOk);
}

// READ/UPDATE RECORD: P2 b8-b4 an SFI (0: the current EF), b3-b1 the mode:
// 02 next, 03 previous, 04 absolute (P1 = 0: the current record).
QByteArray UiccCommands::readRecord(uint8_t p1, uint8_t p2, int le)
{
    const uint8_t sfi = p2 >> 3;
    if (sfi == 0x1F)
        return statusOnly(sw::kWrongP1P2);
    if (const uint16_t error = targetEf(sfi, true, &CardFile::read))
        return statusOnly(error);
    uint16_t error = 0;
    const auto n = m_card.resolveRecord(p1, p2 & 0x07, false, &error);
    if (!n)
        return statusOnly(error == sw::kOutOfRange ? sw::kRecordNotFound : sw::kWrongP1P2);
    const CardFile& ef = *m_card.m_currentEf;
    if (le != ef.recordLength)
        return statusOnly(uint16_t(sw::kWrongLe | ef.recordLength));
    m_card.m_recordPointer = *n;
    return withStatus(ef.records[*n - 1], sw::kOk);
}

QByteArray UiccCommands::updateRecord(uint8_t p1, uint8_t p2, const QByteArray& body)
{
    const uint8_t sfi = p2 >> 3;
    if (sfi == 0x1F)
        return statusOnly(sw::kWrongP1P2);
    if (const uint16_t error = targetEf(sfi, true, &CardFile::update))
        return statusOnly(error);
    uint16_t error = 0;
    // A cyclic EF takes only PREVIOUS: the oldest record becomes record 1.
    const auto n = m_card.resolveRecord(p1, p2 & 0x07, true, &error);
    if (!n)
        return statusOnly(error == sw::kOutOfRange ? sw::kRecordNotFound : sw::kWrongP1P2);
    CardFile& ef = *m_card.m_currentEf;
    if (body.size() != ef.recordLength)
        return statusOnly(sw::kWrongLength);
    if (ef.kind == FileKind::Cyclic) {
        ef.records.removeLast();
        ef.records.prepend(body);
    } else {
        ef.records[*n - 1] = body;
    }
    m_card.m_recordPointer = *n;
    return statusOnly(sw::kOk);
}

// PIN1 is global; PIN2 is local to the USIM and known only once an application is selected.
Chv* UiccCommands::pinFor(uint8_t keyReference, uint16_t* error)
{
    Chv* chv = nullptr;
    if (keyReference == keyref::kPin1)
        chv = &m_card.m_chv1;
    else if (keyReference == keyref::kPin2 && m_card.m_currentAdf)
        chv = &m_card.m_chv2;
    if (!chv || !chv->initialised) {
        *error = sw::kKeyNotFound;
        return nullptr;
    }
    return chv;
}

QByteArray UiccCommands::pinCommand(uint8_t in, uint8_t p1, uint8_t p2, const QByteArray& data)
{
    if (p1 != 0)
        return statusOnly(sw::kWrongP1P2);
    uint16_t error = 0;
    Chv* chv = pinFor(p2, &error);
    if (!chv)
        return statusOnly(error);

    const bool queryAllowed = in == ins::kVerifyChv || in == ins::kUnblockChv;
    const int expected =
        in == ins::kChangeChv || in == ins::kUnblockChv ? 2 * kPinLength : kPinLength;
    if (data.size() != expected && !(queryAllowed && data.isEmpty()))
        return statusOnly(sw::kWrongLength);

    if (in == ins::kUnblockChv) {
        if (data.isEmpty())
            return statusOnly(pinRejected(chv->unblockTries));
        if (chv->unblockTries <= 0)
            return statusOnly(sw::kPinBlocked);
        if (data.left(kPinLength) != chv->unblock) {
            --chv->unblockTries;
            return statusOnly(pinRejected(chv->unblockTries));
        }
        chv->unblockTries = chv->maxUnblockTries;
        chv->tries = chv->maxTries;
        chv->code = data.mid(kPinLength);
        chv->verified = true;
        chv->enabled = true; // as the SIM does: an unblocked PIN1 is enabled again
        return statusOnly(sw::kOk);
    }

    if (in == ins::kVerifyChv && data.isEmpty()) {
        // Asks whether a verification is needed and how many tries are left.
        if (!chv->enabled || (chv->verified && chv->tries > 0))
            return statusOnly(sw::kOk);
        return statusOnly(pinRejected(chv->tries));
    }
    // PIN2 stays enabled on this card; PIN1 is enabled or disabled once.
    if (in == ins::kDisableChv && chv == &m_card.m_chv2)
        return statusOnly(sw::kConditionsNotSatisfied);
    if (in == ins::kEnableChv && chv->enabled)
        return statusOnly(sw::kConditionsNotSatisfied);
    if (in != ins::kEnableChv && !chv->enabled)
        return statusOnly(sw::kDataInvalidated);
    if (chv->tries <= 0)
        return statusOnly(sw::kPinBlocked);
    if (data.left(kPinLength) != chv->code) {
        --chv->tries;
        chv->verified = false;
        return statusOnly(pinRejected(chv->tries));
    }
    chv->tries = chv->maxTries;
    chv->verified = true;
    if (in == ins::kChangeChv)
        chv->code = data.mid(kPinLength);
    else if (in == ins::kDisableChv)
        chv->enabled = false;
    else if (in == ins::kEnableChv)
        chv->enabled = true;
    return statusOnly(sw::kOk);
}

} // namespace vsim::detail
