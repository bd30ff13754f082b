#include "SimCard.h"
#include "SimCardInternal.h"
#include "UiccCommands.h"

#include <QRegularExpression>
#include <QStringList>

namespace vsim {

namespace {

using detail::statusOnly;
using detail::withStatus;

constexpr uint16_t kMf = 0x3F00;
constexpr int kDirectoryResponseLength = 34;
constexpr int kFileResponseLength = 15;

// b8 set: the code is initialised; b1-b4: false presentations remaining.
uint8_t codeStatus(bool initialised, int triesLeft)
{
    return initialised ? uint8_t(0x80 | (triesLeft & 0x0F)) : 0x00;
}

std::optional<uint16_t> parseFileId(const QString& text)
{
    if (text.size() != 4)
        return std::nullopt;
    bool ok = false;
    const uint id = text.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return uint16_t(id);
}

} // namespace

int CardFile::size() const
{
    if (isRecordFile())
        return int(records.size()) * recordLength;
    return int(data.size());
}

CardFile* CardFile::child(uint16_t fileId) const
{
    for (const auto& c : children) {
        if (c->id == fileId)
            return c.get();
    }
    return nullptr;
}

QString CardFile::path() const
{
    const QString own = QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper();
    return parent ? parent->path() + QLatin1Char('/') + own : own;
}

QByteArray secretField(const QByteArray& text)
{
    QByteArray field = text.left(8);
    field.append(8 - field.size(), char(0xFF));
    return field;
}

std::optional<QByteArray> fromHex(const QString& text)
{
    // Blanks may separate groups of whole bytes ("A0A4 00 00"), never split one.
    QByteArray out;
    for (const QString& group :
         text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (group.size() % 2 != 0)
            return std::nullopt;
        for (const QChar c : group) {
            if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
                return std::nullopt;
        }
        out += QByteArray::fromHex(group.toLatin1());
    }
    return out;
}

QString toHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

SimCard::SimCard() : m_mf(std::make_unique<CardFile>())
{
    m_mf->id = kMf;
    m_mf->kind = FileKind::Master;
    m_atr = QByteArray::fromHex("3B021450");
    reset();
}

void SimCard::applyDefaultAccess(CardFile& file)
{
    switch (file.id) {
    case 0x2FE2: // ICCID
        file.read = Access::Always;
        file.update = Access::Never;
        break;
    case 0x2F00: // EF DIR of a UICC
        file.read = Access::Always;
        file.update = Access::Adm;
        break;
    case 0x4F30: // PBR: the phone book's layout is the operator's
        file.read = Access::Chv1;
        file.update = Access::Adm;
        break;
    case 0x6F46: // SPN
        file.read = Access::Always;
        file.update = Access::Adm;
        break;
    case 0x6F3B: // FDN
    case 0x6F4B: // EXT2
        file.read = Access::Chv1;
        file.update = Access::Chv2;
        break;
    default: // ADN, LND, MSISDN, EXT1 and the rest of the telecom files
        file.read = Access::Chv1;
        file.update = Access::Chv1;
        break;
    }
}

CardFile* SimCard::addFile(const QString& path, FileKind kind, QString* error)
{
    auto fail = [&](const QString& why) -> CardFile* {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return nullptr;
    };
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.first().toUpper() != QLatin1String("3F00"))
        return fail(QStringLiteral("path must start at 3F00"));
    if (parts.size() == 1)
        return kind == FileKind::Master ? m_mf.get() : fail(QStringLiteral("3F00 is the MF"));
    if (kind == FileKind::Master)
        return fail(QStringLiteral("only 3F00 is the MF"));
    CardFile* dir = m_mf.get();
    for (int i = 1; i < parts.size(); ++i) {
        const auto id = parseFileId(parts[i]);
        if (!id || *id == kMf)
            return fail(QStringLiteral("bad file id %1").arg(parts[i]));
        const bool last = i == parts.size() - 1;
        CardFile* existing = dir->child(*id);
        if (existing) {
            if (last) {
                if (kind == FileKind::Dedicated && existing->isDirectory())
                    return existing;
                // An ADF named after the files below it were added.
                if (kind == FileKind::Application && existing->kind == FileKind::Dedicated &&
                    dir == m_mf.get()) {
                    existing->kind = kind;
                    return existing;
                }
                return fail(QStringLiteral("file exists"));
            }
            if (!existing->isDirectory())
                return fail(QStringLiteral("%1 is not a DF").arg(parts[i]));
            dir = existing;
            continue;
        }
        if (kind == FileKind::Application && (!last || dir != m_mf.get()))
            return fail(QStringLiteral("an ADF sits directly under 3F00"));
        auto created = std::make_unique<CardFile>();
        created->id = *id;
        created->parent = dir;
        created->kind = last ? kind : FileKind::Dedicated;
        if (!created->isDirectory())
            applyDefaultAccess(*created);
        dir->children.push_back(std::move(created));
        dir = dir->children.back().get();
    }
    return dir;
}

CardFile* SimCard::file(const QString& path) const
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.first().toUpper() != QLatin1String("3F00"))
        return nullptr;
    CardFile* f = m_mf.get();
    for (int i = 1; i < parts.size() && f; ++i) {
        const auto id = parseFileId(parts[i]);
        f = id ? f->child(*id) : nullptr;
    }
    return f;
}

void SimCard::reset()
{
    m_currentDf = m_mf.get();
    m_currentEf = nullptr;
    m_currentAdf = nullptr;
    m_recordPointer = 0;
    m_pending.clear();
    m_chv1.verified = false;
    m_chv2.verified = false;
}

Response SimCard::transmit(const QByteArray& apdu)
{
    Response response;
    Fault* hit = nullptr;
    for (Fault& f : m_faults) {
        if (f.fired && f.once)
            continue;
        if (m_apduCount < f.afterApdus || !apdu.startsWith(f.commandPrefix))
            continue;
        hit = &f;
        break;
    }
    ++m_apduCount;
    if (hit && hit->action == Fault::Action::Remove) {
        hit->fired = true;
        response.removed = true;
        return response;
    }
    if (hit && hit->action == Fault::Action::StatusWord) {
        hit->fired = true;
        response.bytes = statusOnly(hit->statusWord);
        return response;
    }
    if (hit && hit->action == Fault::Action::Forget) {
        hit->fired = true;
        response.bytes = statusOnly(sw::kOk);
        return response;
    }
    response.bytes = m_answerAll ? statusOnly(*m_answerAll) : process(apdu);
    if (hit && hit->action == Fault::Action::AfterWork && response.bytes.endsWith("\x90\x00")) {
        hit->fired = true;
        response.bytes.chop(2);
        response.bytes += statusOnly(hit->statusWord);
    }
    if (hit && hit->action == Fault::Action::Truncate) {
        hit->fired = true;
        response.bytes.truncate(hit->keepBytes);
    }
    return response;
}

QByteArray SimCard::process(const QByteArray& apdu)
{
    if (apdu.size() < 4)
        return statusOnly(sw::kWrongLength);
    const auto cla = uint8_t(apdu[0]);
    if (cla == kGsmClass && m_answersGsm)
        return processGsm(apdu);
    if (m_answersUicc) {
        // b1-b2 of an interindustry class name a logical channel; only the basic one exists.
        if ((cla & 0xFC) == kUiccClass || (cla & 0xFC) == kUiccProprietaryClass) {
            if ((cla & 0x03) != 0)
                return statusOnly(sw::kChannelNotSupported);
            return detail::UiccCommands(*this).process(apdu);
        }
    }
    return statusOnly(sw::kWrongClass);
}

QByteArray SimCard::processGsm(const QByteArray& apdu)
{
    const auto in = uint8_t(apdu[1]);
    const auto p1 = uint8_t(apdu[2]);
    const auto p2 = uint8_t(apdu[3]);

    // Answers wait for GET RESPONSE only until the next command.
    QByteArray pending;
    std::swap(pending, m_pending);

    enum Case
    {
        Outgoing,
        Incoming
    };
    Case kind;
    switch (in) {
    case ins::kSelect:
    case ins::kUpdateBinary:
    case ins::kUpdateRecord:
    case ins::kVerifyChv:
    case ins::kChangeChv:
    case ins::kDisableChv:
    case ins::kEnableChv:
    case ins::kUnblockChv:
        kind = Incoming;
        break;
    case ins::kGetResponse:
    case ins::kReadBinary:
    case ins::kReadRecord:
    case ins::kStatus:
        kind = Outgoing;
        break;
    default:
        return statusOnly(sw::kUnknownInstruction);
    }
    if (apdu.size() < 5)
        return statusOnly(sw::kWrongLength);
    const int p3 = uint8_t(apdu[4]);
    const QByteArray body = apdu.mid(5);
    if (kind == Incoming ? body.size() != p3 : !body.isEmpty())
        return statusOnly(sw::kWrongLength);

    auto codeP2 = [&](bool allowChv2) -> int {
        if (p1 != 0)
            return 0;
        if (p2 == 1 || (allowChv2 && p2 == 2))
            return p2;
        return 0;
    };

    switch (in) {
    case ins::kSelect:
        if (p1 != 0 || p2 != 0)
            return statusOnly(sw::kWrongP1P2);
        if (p3 != 2)
            return statusOnly(sw::kWrongLength);
        return select(uint16_t((uint8_t(body[0]) << 8) | uint8_t(body[1])));
    case ins::kGetResponse:
        if (p1 != 0 || p2 != 0)
            return statusOnly(sw::kWrongP1P2);
        if (pending.isEmpty())
            return statusOnly(sw::kTechnicalProblem);
        if (p3 == 0 || p3 > pending.size())
            return statusOnly(sw::kWrongLength);
        return withStatus(pending.left(p3), sw::kOk);
    case ins::kStatus: {
        if (p1 != 0 || p2 != 0)
            return statusOnly(sw::kWrongP1P2);
        const QByteArray answer = directoryResponse(*m_currentDf);
        if (p3 == 0 || p3 > answer.size())
            return statusOnly(sw::kWrongLength);
        return withStatus(answer.left(p3), sw::kOk);
    }
    case ins::kReadBinary:
        if (p1 & 0x80)
            return statusOnly(sw::kWrongP1P2);
        return readBinary((p1 << 8) | p2, p3 == 0 ? 256 : p3);
    case ins::kUpdateBinary:
        if (p1 & 0x80)
            return statusOnly(sw::kWrongP1P2);
        return updateBinary((p1 << 8) | p2, body);
    case ins::kReadRecord:
        return readRecord(p1, p2, p3 == 0 ? 256 : p3);
    case ins::kUpdateRecord:
        return updateRecord(p1, p2, body);
    case ins::kVerifyChv:
    case ins::kChangeChv: {
        const int n = codeP2(true);
        if (n == 0)
            return statusOnly(sw::kWrongP1P2);
        if (p3 != (in == ins::kVerifyChv ? 8 : 16))
            return statusOnly(sw::kWrongLength);
        return in == ins::kVerifyChv ? verify(n, body) : change(n, body.left(8), body.mid(8));
    }
    case ins::kDisableChv:
    case ins::kEnableChv:
        if (codeP2(false) == 0)
            return statusOnly(sw::kWrongP1P2);
        if (p3 != 8)
            return statusOnly(sw::kWrongLength);
        return setEnabled(in == ins::kEnableChv, body);
    case ins::kUnblockChv:
        // UNBLOCK CHV names CHV1 with 00 and CHV2 with 02.
        if (p1 != 0 || (p2 != 0 && p2 != 2))
            return statusOnly(sw::kWrongP1P2);
        if (p3 != 16)
            return statusOnly(sw::kWrongLength);
        return unblock(p2 == 0 ? 1 : 2, body.left(8), body.mid(8));
    }
    return statusOnly(sw::kUnknownInstruction);
}

QByteArray SimCard::select(uint16_t fileId)
{
    CardFile* target = nullptr;
    // A GSM session never sees an ADF; when a UICC session left one current,
    // selection starts from MF.
    CardFile* df = m_currentDf;
    for (CardFile* d = df; d; d = d->parent) {
        if (d->kind == FileKind::Application)
            df = m_mf.get();
    }
    if (fileId == kMf) {
        target = m_mf.get();
    } else if (CardFile* c = df->child(fileId); c && c->kind != FileKind::Application) {
        target = c; // a child of the current directory
    } else if (df->parent && df->parent->id == fileId) {
        target = df->parent;
    } else {
        // DFs beside the current DF, and DFs directly under MF.
        CardFile* sibling = df->parent ? df->parent->child(fileId) : nullptr;
        CardFile* top = m_mf->child(fileId);
        if (sibling && sibling->kind == FileKind::Dedicated)
            target = sibling;
        else if (top && top->kind == FileKind::Dedicated)
            target = top;
    }
    if (!target)
        return statusOnly(sw::kNotFound);

    if (target->isDirectory()) {
        m_currentDf = target;
        m_currentEf = nullptr;
        m_pending = directoryResponse(*target);
    } else {
        m_currentDf = target->parent;
        m_currentEf = target;
        m_pending = fileResponse(*target);
    }
    m_recordPointer = 0;
    return statusOnly(uint16_t(sw::kResponseLength | m_pending.size()));
}

QByteArray SimCard::directoryResponse(const CardFile& df) const
{
    QByteArray r(kDirectoryResponseLength, '\0');
    int dfs = 0;
    int efs = 0;
    for (const auto& c : df.children) {
        if (c->kind != FileKind::Application)
            (c->isDirectory() ? dfs : efs)++;
    }
    r[4] = char(df.id >> 8);
    r[5] = char(df.id & 0xFF);
    r[6] = char(df.kind == FileKind::Master ? 0x01 : 0x02);
    r[12] = char(kDirectoryResponseLength - 13); // length of the GSM-specific data
    // File characteristics: clock stop allowed; b8 set when CHV1 is disabled.
    r[13] = char(0x01 | (m_chv1.initialised && !m_chv1.enabled ? 0x80 : 0x00));
    r[14] = char(dfs);
    r[15] = char(efs);
    r[16] = char(0x04); // CHV1, CHV2 and their unblock codes
    r[18] = char(codeStatus(m_chv1.initialised, m_chv1.tries));
    r[19] = char(codeStatus(m_chv1.initialised, m_chv1.unblockTries));
    r[20] = char(codeStatus(m_chv2.initialised, m_chv2.tries));
    r[21] = char(codeStatus(m_chv2.initialised, m_chv2.unblockTries));
    return r;
}

QByteArray SimCard::fileResponse(const CardFile& ef) const
{
    QByteArray r(kFileResponseLength, '\0');
    const int size = ef.size();
    r[2] = char((size >> 8) & 0xFF);
    r[3] = char(size & 0xFF);
    r[4] = char(ef.id >> 8);
    r[5] = char(ef.id & 0xFF);
    r[6] = char(0x04);
    r[8] = char((uint8_t(ef.read) << 4) | uint8_t(ef.update));
    r[9] = char(0xF0);  // INCREASE never
    r[10] = char(0x44); // REHABILITATE and INVALIDATE: administrative
    r[11] = char(ef.invalidated ? 0x00 : 0x01);
    r[12] = char(0x02);
    r[13] = char(ef.kind == FileKind::Transparent ? 0x00
                 : ef.kind == FileKind::Linear    ? 0x01
                                                  : 0x03);
    r[14] = char(ef.isRecordFile() ? ef.recordLength : 0);
    return r;
}

QByteArray SimCard::record(const QString& path, int number) const
{
    const CardFile* f = file(path);
    if (!f || !f->isRecordFile() || number < 1 || number > f->records.size())
        return {};
    return f->records[number - 1];
}

QByteArray SimCard::binary(const QString& path) const
{
    const CardFile* f = file(path);
    return f && f->kind == FileKind::Transparent ? f->data : QByteArray();
}

QString SimCard::currentPath() const
{
    return m_currentEf ? m_currentEf->path() : m_currentDf->path();
}

} // namespace vsim
