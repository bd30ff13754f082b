// UICC file selection: SELECT by file id, by path and by AID, the FCP
// templates it answers, and STATUS.
#include "SimCardInternal.h"
#include "UiccCommands.h"

namespace vsim::detail {

namespace {

constexpr uint16_t kMf = 0x3F00;
constexpr uint16_t kCurrentAdf = 0x7FFF;

// SELECT P1: how the data names the file.
constexpr uint8_t kByFileId = 0x00;
constexpr uint8_t kByAid = 0x04;
constexpr uint8_t kPathFromMf = 0x08;
constexpr uint8_t kPathFromCurrentDf = 0x09;
// SELECT P2: b3 b4 what is answered, b1 b2 which occurrence of an AID.
constexpr uint8_t kReturnFcp = 0x04;
constexpr uint8_t kNoData = 0x0C;
constexpr uint8_t kNextOccurrence = 0x02;

// File descriptor byte: b7 shareable; b6-b4 111 a DF, 000 a working EF; b3-b1 the structure.
constexpr uint8_t kDescriptorDf = 0x78;
constexpr uint8_t kDescriptorTransparent = 0x41;
constexpr uint8_t kDescriptorLinear = 0x42;
constexpr uint8_t kDescriptorCyclic = 0x46;
constexpr uint8_t kDataCoding = 0x21;

constexpr uint8_t kOperationalActivated = 0x05;
constexpr uint8_t kOperationalDeactivated = 0x04;

// Access mode bytes of the security attributes.
constexpr uint8_t kModeRead = 0x01;
constexpr uint8_t kModeUpdate = 0x02;
constexpr uint8_t kModeActivateDeactivate = 0x18;
constexpr uint8_t kModeAllDf = 0x7F; // delete, terminate, (de)activate, create, delete child

QByteArray tlv(uint8_t tag, const QByteArray& value)
{
    QByteArray out;
    out.append(char(tag));
    out.append(char(value.size()));
    out.append(value);
    return out;
}

QByteArray twoBytes(int value)
{
    QByteArray out;
    out.append(char((value >> 8) & 0xFF));
    out.append(char(value & 0xFF));
    return out;
}

// The security condition of one access mode: always, never, or a PIN by its key reference.
QByteArray condition(Access access)
{
    auto userPin = [](uint8_t reference) {
        // control reference template: key reference, usage qualifier 08 (user verification)
        QByteArray crt;
        crt.append(char(0x83));
        crt.append(char(0x01));
        crt.append(char(reference));
        crt.append(QByteArray::fromHex("950108"));
        return tlv(0xA4, crt);
    };
    switch (access) {
    case Access::Always:
        return QByteArray::fromHex("9000");
    case Access::Never:
        return QByteArray::fromHex("9700");
    case Access::Chv1:
        return userPin(keyref::kPin1);
    case Access::Chv2:
        return userPin(keyref::kPin2);
    case Access::Adm:
        return userPin(keyref::kAdm1);
    }
    return QByteArray::fromHex("9700");
}

QByteArray accessMode(uint8_t modes)
{
    return tlv(0x80, QByteArray(1, char(modes)));
}

int totalSize(const CardFile& dir)
{
    int total = 0;
    for (const auto& c : dir.children)
        total += c->isDirectory() ? totalSize(*c) : c->size();
    return total;
}

} // namespace

QByteArray UiccCommands::securityAttributes(const CardFile& file) const
{
    QByteArray rules;
    if (file.isDirectory()) {
        rules = accessMode(kModeAllDf) + condition(Access::Adm);
    } else if (file.read == file.update) {
        rules = accessMode(kModeRead | kModeUpdate) + condition(file.read);
    } else {
        rules = accessMode(kModeRead) + condition(file.read) + accessMode(kModeUpdate) +
                condition(file.update);
    }
    if (!file.isDirectory())
        rules += accessMode(kModeActivateDeactivate) + condition(Access::Adm);
    return tlv(0xAB, rules);
}

// Which PINs the card has and which of them are enabled: PS_DO b8 for the first
// key reference listed, b7 for the second.
QByteArray UiccCommands::pinStatusTemplate() const
{
    uint8_t enabled = 0;
    QByteArray references;
    int bit = 0x80;
    for (int n : {1, 2}) {
        const Chv& c = m_card.chv(n);
        if (!c.initialised)
            continue;
        if (n == 2 || c.enabled)
            enabled |= uint8_t(bit);
        bit >>= 1;
        references += tlv(0x83, QByteArray(1, char(n == 1 ? keyref::kPin1 : keyref::kPin2)));
    }
    return tlv(0xC6, tlv(0x90, QByteArray(1, char(enabled))) + references);
}

QByteArray UiccCommands::fcp(const CardFile& file) const
{
    QByteArray body;
    if (file.isDirectory()) {
        body += tlv(0x82, QByteArray(1, char(kDescriptorDf)) + char(kDataCoding));
    } else if (file.kind == FileKind::Transparent) {
        body += tlv(0x82, QByteArray(1, char(kDescriptorTransparent)) + char(kDataCoding));
    } else {
        const uint8_t descriptor =
            file.kind == FileKind::Cyclic ? kDescriptorCyclic : kDescriptorLinear;
        // A profile check keeps the record count within the one byte it has here.
        body += tlv(0x82, QByteArray(1, char(descriptor)) + char(kDataCoding) +
                              twoBytes(file.recordLength) + char(file.records.size()));
    }
    body += tlv(0x83, twoBytes(file.id));
    if (file.kind == FileKind::Application)
        body += tlv(0x84, file.aid);
    body += tlv(0x8A, QByteArray(1, char(file.invalidated ? kOperationalDeactivated
                                                          : kOperationalActivated)));
    body += securityAttributes(file);
    if (file.isDirectory()) {
        body += pinStatusTemplate();
        body += tlv(0x81, twoBytes(totalSize(file)));
    } else {
        body += tlv(0x80, twoBytes(file.size()));
        // Without this tag the SFI would default to the file id's low five bits.
        body += file.sfi ? tlv(0x88, QByteArray(1, char(file.sfi << 3))) : tlv(0x88, {});
    }
    return tlv(0x62, body);
}

// The files a file id reaches from the current DF: MF, the current ADF by 7FFF,
// the current DF itself, its children, its parent and the DFs beside it.
CardFile* UiccCommands::findById(uint16_t fileId) const
{
    CardFile* mf = m_card.m_mf.get();
    CardFile* df = m_card.m_currentDf;
    if (fileId == kMf)
        return mf;
    if (fileId == kCurrentAdf)
        return m_card.m_currentAdf;
    if (fileId == df->id && df->kind != FileKind::Application)
        return df;
    if (CardFile* c = df->child(fileId); c && c->kind != FileKind::Application)
        return c;
    if (df->parent && df->parent->id == fileId && df->parent->kind != FileKind::Application)
        return df->parent;
    if (df->parent) {
        CardFile* sibling = df->parent->child(fileId);
        if (sibling && sibling->kind == FileKind::Dedicated)
            return sibling;
    }
    return nullptr;
}

CardFile* UiccCommands::findByPath(CardFile* start, const QByteArray& path) const
{
    CardFile* f = start;
    for (int i = 0; i + 1 < path.size(); i += 2) {
        const uint16_t id = uint16_t((uint8_t(path[i]) << 8) | uint8_t(path[i + 1]));
        if (!f || !f->isDirectory())
            return nullptr;
        if (id == kCurrentAdf && i == 0 && start == m_card.m_mf.get()) {
            f = m_card.m_currentAdf;
            continue;
        }
        CardFile* next = f->child(id);
        f = next && next->kind != FileKind::Application ? next : nullptr;
    }
    return f;
}

CardFile* UiccCommands::findByAid(const QByteArray& aid) const
{
    // A right-truncated AID selects the first application it begins.
    for (const auto& c : m_card.m_mf->children) {
        if (c->kind == FileKind::Application && c->aid.startsWith(aid))
            return c.get();
    }
    return nullptr;
}

CardFile* UiccCommands::findBySfi(uint8_t sfi) const
{
    CardFile* df = m_card.m_currentDf;
    for (const auto& c : df->children) {
        if (!c->isDirectory() && c->sfi == sfi)
            return c.get();
    }
    return nullptr;
}

void UiccCommands::makeCurrent(CardFile* target)
{
    if (target->isDirectory()) {
        m_card.m_currentDf = target;
        m_card.m_currentEf = nullptr;
    } else {
        m_card.m_currentDf = target->parent;
        m_card.m_currentEf = target;
    }
    if (target->kind == FileKind::Application)
        m_card.m_currentAdf = target;
    m_card.m_recordPointer = 0;
}

QByteArray UiccCommands::select(uint8_t p1, uint8_t p2, const QByteArray& data)
{
    const uint8_t answer = p2 & 0xFC;
    if (answer != kReturnFcp && answer != kNoData)
        return statusOnly(sw::kWrongP1P2);
    if ((p2 & 0x03) != 0 && !((p2 & 0x03) == kNextOccurrence && p1 == kByAid))
        return statusOnly(sw::kWrongP1P2);

    CardFile* target = nullptr;
    switch (p1) {
    case kByFileId:
        if (data.size() != 2)
            return statusOnly(sw::kWrongLength);
        target = findById(uint16_t((uint8_t(data[0]) << 8) | uint8_t(data[1])));
        break;
    case kPathFromMf:
    case kPathFromCurrentDf:
        if (data.isEmpty() || data.size() % 2 != 0)
            return statusOnly(sw::kWrongLength);
        target = findByPath(p1 == kPathFromMf ? m_card.m_mf.get() : m_card.m_currentDf, data);
        break;
    case kByAid:
        if (data.isEmpty() || data.size() > 16)
            return statusOnly(sw::kWrongLength);
        // The card holds each application once: there is no next occurrence.
        target = (p2 & 0x03) == kNextOccurrence ? nullptr : findByAid(data);
        break;
    default:
        return statusOnly(sw::kWrongP1P2);
    }
    if (!target)
        return statusOnly(sw::kFileNotFound);

    makeCurrent(target);
    if (answer == kNoData)
        return statusOnly(sw::kOk);
    m_card.m_pending = fcp(*target);
    return statusOnly(uint16_t(sw::kMoreData | m_card.m_pending.size()));
}

// STATUS (class 80): P2 00 the current DF's FCP, 01 the current application's
// AID as a DF name object, 0C nothing.
QByteArray UiccCommands::status(uint8_t p2, int le)
{
    QByteArray answer;
    if (p2 == 0x00) {
        answer = fcp(*m_card.m_currentDf);
    } else if (p2 == 0x01) {
        if (!m_card.m_currentAdf)
            return statusOnly(sw::kConditionsNotSatisfied);
        answer = tlv(0x84, m_card.m_currentAdf->aid);
    } else if (p2 == kNoData) {
        return statusOnly(sw::kOk);
    } else {
        return statusOnly(sw::kWrongP1P2);
    }
    if (le != answer.size())
        return statusOnly(uint16_t(sw::kWrongLe | answer.size()));
    return withStatus(answer, sw::kOk);
}

} // namespace vsim::detail
