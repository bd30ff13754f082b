// The file and code commands of the card: READ/UPDATE BINARY, READ/UPDATE
// RECORD and the CHV commands, with the access conditions they check.
#include "SimCard.h"
#include "SimCardInternal.h"

namespace vsim {

using detail::statusOnly;
using detail::withStatus;

bool SimCard::granted(Access access) const
{
    switch (access) {
    case Access::Always:
        return true;
    case Access::Chv1:
        if (!m_chv1.initialised || !m_chv1.enabled)
            return true;
        return m_chv1.verified && m_chv1.tries > 0;
    case Access::Chv2:
        return m_chv2.initialised && m_chv2.verified && m_chv2.tries > 0;
    case Access::Adm:
    case Access::Never:
        return false;
    }
    return false;
}

QByteArray SimCard::readBinary(int offset, int length)
{
    if (!m_currentEf)
        return statusOnly(sw::kNoEfSelected);
    if (m_currentEf->kind != FileKind::Transparent)
        return statusOnly(sw::kFileInconsistent);
    if (!granted(m_currentEf->read))
        return statusOnly(sw::kAccessNotFulfilled);
    if (m_currentEf->invalidated)
        return statusOnly(sw::kContradictsInvalidation);
    if (offset >= m_currentEf->data.size())
        return statusOnly(sw::kOutOfRange);
    if (offset + length > m_currentEf->data.size())
        return statusOnly(sw::kWrongLength);
    return withStatus(m_currentEf->data.mid(offset, length), sw::kOk);
}

QByteArray SimCard::updateBinary(int offset, const QByteArray& data)
{
    if (!m_currentEf)
        return statusOnly(sw::kNoEfSelected);
    if (m_currentEf->kind != FileKind::Transparent)
        return statusOnly(sw::kFileInconsistent);
    if (!granted(m_currentEf->update))
        return statusOnly(sw::kAccessNotFulfilled);
    if (m_currentEf->invalidated)
        return statusOnly(sw::kContradictsInvalidation);
    if (offset >= m_currentEf->data.size())
        return statusOnly(sw::kOutOfRange);
    if (data.isEmpty() || offset + data.size() > m_currentEf->data.size())
        return statusOnly(sw::kWrongLength);
    m_currentEf->data.replace(offset, data.size(), data);
    return statusOnly(sw::kOk);
}

// Record addressing of READ/UPDATE RECORD: P2 02 next, 03 previous, 04 absolute
// (P1 = 0: the current record). Linear files stop at their ends, cyclic files wrap.
std::optional<int> SimCard::resolveRecord(uint8_t p1, uint8_t mode, bool forUpdate, uint16_t* error)
{
    const int count = int(m_currentEf->records.size());
    const bool cyclic = m_currentEf->kind == FileKind::Cyclic;
    switch (mode) {
    case 0x02: {
        if (forUpdate && cyclic)
            break;
        int next = m_recordPointer + 1;
        if (next > count) {
            if (!cyclic) {
                *error = sw::kOutOfRange;
                return std::nullopt;
            }
            next = 1;
        }
        return next;
    }
    case 0x03: {
        if (forUpdate && cyclic)
            return 1; // the oldest record becomes record 1
        int previous = m_recordPointer == 0 ? count : m_recordPointer - 1;
        if (previous < 1) {
            if (!cyclic) {
                *error = sw::kOutOfRange;
                return std::nullopt;
            }
            previous = count;
        }
        return previous;
    }
    case 0x04: {
        if (forUpdate && cyclic)
            break;
        const int n = p1 == 0 ? m_recordPointer : p1;
        if (n < 1 || n > count) {
            *error = sw::kOutOfRange;
            return std::nullopt;
        }
        return n;
    }
    default:
        break;
    }
    *error = sw::kWrongP1P2;
    return std::nullopt;
}

QByteArray SimCard::readRecord(uint8_t p1, uint8_t mode, int length)
{
    if (!m_currentEf)
        return statusOnly(sw::kNoEfSelected);
    if (!m_currentEf->isRecordFile())
        return statusOnly(sw::kFileInconsistent);
    if (!granted(m_currentEf->read))
        return statusOnly(sw::kAccessNotFulfilled);
    if (m_currentEf->invalidated)
        return statusOnly(sw::kContradictsInvalidation);
    uint16_t error = 0;
    const auto n = resolveRecord(p1, mode, false, &error);
    if (!n)
        return statusOnly(error);
    if (length != m_currentEf->recordLength)
        return statusOnly(sw::kWrongLength);
    m_recordPointer = *n;
    return withStatus(m_currentEf->records[*n - 1], sw::kOk);
}

QByteArray SimCard::updateRecord(uint8_t p1, uint8_t mode, const QByteArray& data)
{
    if (!m_currentEf)
        return statusOnly(sw::kNoEfSelected);
    if (!m_currentEf->isRecordFile())
        return statusOnly(sw::kFileInconsistent);
    if (!granted(m_currentEf->update))
        return statusOnly(sw::kAccessNotFulfilled);
    if (m_currentEf->invalidated)
        return statusOnly(sw::kContradictsInvalidation);
    uint16_t error = 0;
    const auto n = resolveRecord(p1, mode, true, &error);
    if (!n)
        return statusOnly(error);
    if (data.size() != m_currentEf->recordLength)
        return statusOnly(sw::kWrongLength);
    if (m_currentEf->kind == FileKind::Cyclic) {
        m_currentEf->records.removeLast();
        m_currentEf->records.prepend(data);
    } else {
        m_currentEf->records[*n - 1] = data;
    }
    m_recordPointer = *n;
    return statusOnly(sw::kOk);
}

// Counts a presentation of `code` against `chv`: 9000 resets the counter,
// a wrong code costs one try; the last try blocks the code.
QByteArray SimCard::presentCode(Chv& chv, const QByteArray& code)
{
    if (chv.tries <= 0)
        return statusOnly(sw::kChvBlocked);
    if (code != chv.code) {
        --chv.tries;
        chv.verified = false;
        return statusOnly(chv.tries > 0 ? sw::kAccessNotFulfilled : sw::kChvBlocked);
    }
    chv.tries = chv.maxTries;
    chv.verified = true;
    return statusOnly(sw::kOk);
}

QByteArray SimCard::verify(int number, const QByteArray& code)
{
    Chv& c = chv(number);
    if (!c.initialised)
        return statusOnly(sw::kNoChvInitialised);
    if (!c.enabled)
        return statusOnly(sw::kContradictsChvStatus);
    return presentCode(c, code);
}

QByteArray SimCard::change(int number, const QByteArray& oldCode, const QByteArray& newCode)
{
    Chv& c = chv(number);
    if (!c.initialised)
        return statusOnly(sw::kNoChvInitialised);
    if (!c.enabled)
        return statusOnly(sw::kContradictsChvStatus);
    QByteArray answer = presentCode(c, oldCode);
    if (c.verified)
        c.code = newCode;
    return answer;
}

QByteArray SimCard::setEnabled(bool enable, const QByteArray& code)
{
    if (!m_chv1.initialised)
        return statusOnly(sw::kNoChvInitialised);
    if (m_chv1.enabled == enable)
        return statusOnly(sw::kContradictsChvStatus);
    QByteArray answer = presentCode(m_chv1, code);
    if (m_chv1.verified)
        m_chv1.enabled = enable;
    return answer;
}

QByteArray SimCard::unblock(int number, const QByteArray& unblockCode, const QByteArray& newCode)
{
    Chv& c = chv(number);
    if (!c.initialised)
        return statusOnly(sw::kNoChvInitialised);
    if (c.unblockTries <= 0)
        return statusOnly(sw::kChvBlocked);
    if (unblockCode != c.unblock) {
        --c.unblockTries;
        return statusOnly(c.unblockTries > 0 ? sw::kAccessNotFulfilled : sw::kChvBlocked);
    }
    c.unblockTries = c.maxUnblockTries;
    c.tries = c.maxTries;
    c.code = newCode;
    c.verified = true;
    c.enabled = true; // unblocking a disabled CHV1 enables it again
    return statusOnly(sw::kOk);
}

} // namespace vsim
