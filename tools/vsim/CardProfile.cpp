#include "CardProfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>

namespace vsim {

namespace {

struct KindName
{
    FileKind kind;
    const char* name;
};
constexpr KindName kKinds[] = {{FileKind::Dedicated, "df"},
                               {FileKind::Application, "adf"},
                               {FileKind::Transparent, "transparent"},
                               {FileKind::Linear, "linear"},
                               {FileKind::Cyclic, "cyclic"}};

struct AccessName
{
    Access access;
    const char* name;
};
constexpr AccessName kAccessNames[] = {{Access::Always, "always"},
                                       {Access::Chv1, "chv1"},
                                       {Access::Chv2, "chv2"},
                                       {Access::Adm, "adm"},
                                       {Access::Never, "never"}};

std::optional<Access> accessFromName(const QString& name)
{
    for (const auto& a : kAccessNames) {
        if (name == QLatin1String(a.name))
            return a.access;
    }
    return std::nullopt;
}

QString accessName(Access access)
{
    for (const auto& a : kAccessNames) {
        if (a.access == access)
            return QString::fromLatin1(a.name);
    }
    return {};
}

bool chvFromJson(const QJsonValue& value, Chv* chv, QString* error)
{
    if (value.isUndefined() || value.isNull()) {
        chv->initialised = false;
        return true;
    }
    if (!value.isObject()) {
        *error = QStringLiteral("a code entry must be an object");
        return false;
    }
    const QJsonObject o = value.toObject();
    chv->initialised = true;
    chv->code = secretField(o.value(QLatin1String("code")).toString().toLatin1());
    chv->unblock = secretField(o.value(QLatin1String("unblock")).toString().toLatin1());
    chv->maxTries = o.value(QLatin1String("maxTries")).toInt(3);
    chv->maxUnblockTries = o.value(QLatin1String("maxUnblockTries")).toInt(10);
    chv->tries = o.value(QLatin1String("tries")).toInt(chv->maxTries);
    chv->unblockTries = o.value(QLatin1String("unblockTries")).toInt(chv->maxUnblockTries);
    chv->enabled = o.value(QLatin1String("enabled")).toBool(true);
    if (chv->tries < 0 || chv->tries > 15 || chv->unblockTries < 0 || chv->unblockTries > 15) {
        *error = QStringLiteral("tries must lie between 0 and 15");
        return false;
    }
    return true;
}

QJsonObject chvToJson(const Chv& chv, bool withEnabled)
{
    auto text = [](QByteArray field) {
        while (field.endsWith(char(0xFF)))
            field.chop(1);
        return QString::fromLatin1(field);
    };
    QJsonObject o;
    o.insert(QLatin1String("code"), text(chv.code));
    o.insert(QLatin1String("unblock"), text(chv.unblock));
    o.insert(QLatin1String("tries"), chv.tries);
    o.insert(QLatin1String("unblockTries"), chv.unblockTries);
    if (chv.maxTries != 3)
        o.insert(QLatin1String("maxTries"), chv.maxTries);
    if (chv.maxUnblockTries != 10)
        o.insert(QLatin1String("maxUnblockTries"), chv.maxUnblockTries);
    if (withEnabled)
        o.insert(QLatin1String("enabled"), chv.enabled);
    return o;
}

// T=0, T=15 with a class indicator (TA3 C7: classes A, B and C), historical bytes
// in compact form, and the check byte that any protocol other than T=0 calls for.
constexpr char kUiccAtr[] = "3B87801FC78031E073FE211331";

// The FCP's file descriptor counts records in one byte.
bool recordCountsFitUicc(const CardFile& dir, QString* error)
{
    for (const auto& c : dir.children) {
        if (c->isRecordFile() && c->records.size() > 255) {
            *error = QStringLiteral("%1: a UICC file holds at most 255 records").arg(c->path());
            return false;
        }
        if (c->isDirectory() && !recordCountsFitUicc(*c, error))
            return false;
    }
    return true;
}

bool fileFromJson(SimCard& card, const QJsonObject& o, QString* error)
{
    const QString path = o.value(QLatin1String("path")).toString();
    const QString kindText = o.value(QLatin1String("kind")).toString();
    std::optional<FileKind> kind;
    for (const auto& k : kKinds) {
        if (kindText == QLatin1String(k.name))
            kind = k.kind;
    }
    if (!kind) {
        *error = QStringLiteral("%1: unknown kind \"%2\"").arg(path, kindText);
        return false;
    }
    CardFile* f = card.addFile(path, *kind, error);
    if (!f)
        return false;
    auto fail = [&](const QString& why) {
        *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    for (const char* key : {"read", "update"}) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            continue;
        const auto access = accessFromName(v.toString());
        if (!access)
            return fail(QStringLiteral("unknown access condition \"%1\"").arg(v.toString()));
        (qstrcmp(key, "read") == 0 ? f->read : f->update) = *access;
    }
    f->invalidated = o.value(QLatin1String("invalidated")).toBool(false);
    if (*kind == FileKind::Application) {
        const auto aid = fromHex(o.value(QLatin1String("aid")).toString());
        if (!aid || aid->size() < 5 || aid->size() > 16)
            return fail(QStringLiteral("an ADF needs an aid of 5 to 16 bytes"));
        f->aid = *aid;
    }
    if (o.contains(QLatin1String("sfi"))) {
        const int sfi = o.value(QLatin1String("sfi")).toInt(-1);
        if (f->isDirectory() || sfi < 1 || sfi > 30)
            return fail(QStringLiteral("sfi must lie in 1..30, for an EF"));
        f->sfi = uint8_t(sfi);
    }

    if (*kind == FileKind::Transparent) {
        const auto data = fromHex(o.value(QLatin1String("data")).toString());
        if (!data)
            return fail(QStringLiteral("bad hex in data"));
        f->data = *data;
        const int size = o.value(QLatin1String("size")).toInt(int(data->size()));
        if (size < data->size())
            return fail(QStringLiteral("data longer than size"));
        f->data.append(size - data->size(), char(0xFF));
    } else if (f->isRecordFile()) {
        f->recordLength = o.value(QLatin1String("recordLength")).toInt();
        const int count = o.value(QLatin1String("recordCount")).toInt();
        // The file size must fit the two bytes of the GET RESPONSE answer; records
        // past 255 exist (some test cards have them) but only NEXT reaches them.
        if (f->recordLength < 1 || f->recordLength > 255 || count < 1 ||
            count * f->recordLength > 0xFFFF)
            return fail(QStringLiteral("recordLength must lie in 1..255 and the file size "
                                       "below 64 KiB"));
        QByteArray unused(f->recordLength, char(0xFF));
        if (o.contains(QLatin1String("fill"))) {
            const auto fill = fromHex(o.value(QLatin1String("fill")).toString());
            if (!fill || fill->size() > f->recordLength)
                return fail(QStringLiteral("fill: bad hex or longer than the record"));
            f->recordFill = *fill;
            unused.replace(0, fill->size(), *fill);
        }
        for (int i = 0; i < count; ++i)
            f->records.append(unused);
        const QJsonObject records = o.value(QLatin1String("records")).toObject();
        for (auto it = records.begin(); it != records.end(); ++it) {
            bool ok = false;
            const int n = it.key().toInt(&ok);
            if (!ok || n < 1 || n > count)
                return fail(QStringLiteral("record number %1 out of range").arg(it.key()));
            const auto bytes = fromHex(it.value().toString());
            if (!bytes || bytes->size() > f->recordLength)
                return fail(QStringLiteral("record %1: bad hex or longer than the record").arg(n));
            f->records[n - 1].replace(0, bytes->size(), *bytes);
        }
    }
    return true;
}

void filesToJson(const CardFile& dir, QJsonArray& out)
{
    for (const auto& c : dir.children) {
        QJsonObject o;
        o.insert(QLatin1String("path"), c->path());
        for (const auto& k : kKinds) {
            if (k.kind == c->kind)
                o.insert(QLatin1String("kind"), QLatin1String(k.name));
        }
        if (!c->isDirectory()) {
            CardFile defaults;
            defaults.id = c->id;
            SimCard::applyDefaultAccess(defaults);
            if (c->read != defaults.read)
                o.insert(QLatin1String("read"), accessName(c->read));
            if (c->update != defaults.update)
                o.insert(QLatin1String("update"), accessName(c->update));
            if (c->invalidated)
                o.insert(QLatin1String("invalidated"), true);
            if (c->sfi)
                o.insert(QLatin1String("sfi"), int(c->sfi));
        }
        if (c->kind == FileKind::Application)
            o.insert(QLatin1String("aid"), toHex(c->aid));
        if (c->kind == FileKind::Transparent) {
            o.insert(QLatin1String("data"), toHex(c->data));
        } else if (c->isRecordFile()) {
            o.insert(QLatin1String("recordLength"), c->recordLength);
            o.insert(QLatin1String("recordCount"), int(c->records.size()));
            QJsonObject records;
            QByteArray empty(c->recordLength, char(0xFF));
            if (!c->recordFill.isEmpty()) {
                o.insert(QLatin1String("fill"), toHex(c->recordFill));
                empty.replace(0, c->recordFill.size(), c->recordFill);
            }
            for (int i = 0; i < c->records.size(); ++i) {
                if (c->records[i] != empty)
                    records.insert(QString::number(i + 1), toHex(c->records[i]));
            }
            o.insert(QLatin1String("records"), records);
        }
        // A DF with files below is implied by their paths.
        const bool impliedDf = c->kind == FileKind::Dedicated && !c->children.empty();
        if (!impliedDf)
            out.append(o);
        if (c->isDirectory())
            filesToJson(*c, out);
    }
}

} // namespace

bool faultFromJson(const QJsonObject& o, Fault* fault, QString* error)
{
    Fault f;
    const auto prefix = fromHex(o.value(QLatin1String("command")).toString());
    if (!prefix) {
        *error = QStringLiteral("fault: bad hex in command");
        return false;
    }
    f.commandPrefix = *prefix;
    f.afterApdus = o.value(QLatin1String("afterApdus")).toInt(0);
    const QString action = o.value(QLatin1String("do")).toString();
    if (o.contains(QLatin1String("sw"))) {
        const auto sw = fromHex(o.value(QLatin1String("sw")).toString());
        if (!sw || sw->size() != 2) {
            *error = QStringLiteral("fault: sw must be two bytes");
            return false;
        }
        // "after": true carries the command out and answers the word in place of 90 00.
        f.action = o.value(QLatin1String("after")).toBool() ? Fault::Action::AfterWork
                                                            : Fault::Action::StatusWord;
        f.statusWord = uint16_t((uint8_t(sw->at(0)) << 8) | uint8_t(sw->at(1)));
        f.once = false;
    } else if (o.contains(QLatin1String("truncate"))) {
        f.action = Fault::Action::Truncate;
        f.keepBytes = o.value(QLatin1String("truncate")).toInt();
        f.once = false;
    } else if (action == QLatin1String("remove")) {
        f.action = Fault::Action::Remove;
    } else if (action == QLatin1String("forget")) {
        f.action = Fault::Action::Forget;
        f.once = false;
    } else {
        *error =
            QStringLiteral("fault: needs \"do\": \"remove\" or \"forget\", \"sw\" or \"truncate\"");
        return false;
    }
    f.once = o.value(QLatin1String("once")).toBool(f.once);
    *fault = f;
    return true;
}

std::unique_ptr<SimCard> cardFromJson(const QJsonObject& profile, QString* error)
{
    QString localError;
    QString* err = error ? error : &localError;
    auto card = std::make_unique<SimCard>();
    const QString kind = profile.value(QLatin1String("kind")).toString(QStringLiteral("sim"));
    if (kind != QLatin1String("sim") && kind != QLatin1String("uicc")) {
        *err = QStringLiteral("kind must be \"sim\" or \"uicc\"");
        return nullptr;
    }
    const bool uicc = kind == QLatin1String("uicc");
    if (uicc)
        card->setAtr(QByteArray::fromHex(kUiccAtr));
    bool gsm = true;
    if (profile.contains(QLatin1String("classes"))) {
        QStringList classes;
        for (const QJsonValue v : profile.value(QLatin1String("classes")).toArray())
            classes << v.toString().toUpper();
        gsm = classes.contains(QLatin1String("A0"));
        const bool uiccClass = classes.contains(QLatin1String("00"));
        if (classes.isEmpty() || classes.size() != int(gsm) + int(uiccClass) ||
            (uiccClass && !uicc)) {
            *err = QStringLiteral("classes lists \"A0\" and, for a UICC, \"00\"");
            return nullptr;
        }
        card->setClasses(gsm, uiccClass);
    } else {
        card->setClasses(true, uicc);
    }
    if (profile.contains(QLatin1String("atr"))) {
        const auto atr = fromHex(profile.value(QLatin1String("atr")).toString());
        if (!atr || atr->size() < 2 || atr->size() > 33) {
            *err = QStringLiteral("bad ATR");
            return nullptr;
        }
        card->setAtr(*atr);
    }
    if (!chvFromJson(profile.value(QLatin1String("chv1")), &card->chv(1), err) ||
        !chvFromJson(profile.value(QLatin1String("chv2")), &card->chv(2), err))
        return nullptr;
    card->chv(2).enabled = true;
    for (const QJsonValue v : profile.value(QLatin1String("files")).toArray()) {
        if (!fileFromJson(*card, v.toObject(), err))
            return nullptr;
    }
    if (uicc && !recordCountsFitUicc(*card->masterFile(), err))
        return nullptr;
    for (const QJsonValue v : profile.value(QLatin1String("faults")).toArray()) {
        Fault f;
        if (!faultFromJson(v.toObject(), &f, err))
            return nullptr;
        card->faults().append(f);
    }
    if (profile.contains(QLatin1String("answerAll"))) {
        const auto sw = fromHex(profile.value(QLatin1String("answerAll")).toString());
        if (!sw || sw->size() != 2) {
            *err = QStringLiteral("answerAll must be two bytes");
            return nullptr;
        }
        card->setAnswerAll(uint16_t((uint8_t(sw->at(0)) << 8) | uint8_t(sw->at(1))));
    }
    card->reset();
    return card;
}

std::unique_ptr<SimCard> loadProfile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return nullptr;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, parseError.errorString());
        return nullptr;
    }
    QString why;
    auto card = cardFromJson(doc.object(), &why);
    if (!card && error)
        *error = QStringLiteral("%1: %2").arg(path, why);
    return card;
}

QJsonObject cardToJson(const SimCard& card, const QJsonObject& original)
{
    QJsonObject o = original;
    o.insert(QLatin1String("atr"), toHex(card.atr()));
    o.remove(QLatin1String("chv1"));
    o.remove(QLatin1String("chv2"));
    if (card.chv(1).initialised)
        o.insert(QLatin1String("chv1"), chvToJson(card.chv(1), true));
    if (card.chv(2).initialised)
        o.insert(QLatin1String("chv2"), chvToJson(card.chv(2), false));
    QJsonArray files;
    filesToJson(*card.masterFile(), files);
    o.insert(QLatin1String("files"), files);
    return o;
}

bool saveProfile(const SimCard& card, const QString& path, const QJsonObject& original,
                 QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(cardToJson(card, original)).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace vsim
