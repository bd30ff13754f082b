#include "files/VCardParser.h"

#include "files/ImportReport.h"
#include "phonebook/Cp1252.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace {

constexpr int kNoPreference = 101;
constexpr int kMostPreferred = 1;

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerText(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Physical lines of the file, one ahead, ended by CR LF, LF or CR.
class LineReader
{
public:
    explicit LineReader(std::string_view bytes) : m_bytes(bytes) { advance(); }
    bool hasLine() const { return m_hasLine; }
    std::string_view line() const { return m_line; }
    uint32_t number() const { return m_number; }
    void next() { advance(); }

private:
    void advance()
    {
        if (m_pos >= m_bytes.size()) {
            m_hasLine = false;
            return;
        }
        const std::size_t end = m_bytes.find_first_of("\r\n", m_pos);
        if (end == std::string_view::npos) {
            m_line = m_bytes.substr(m_pos);
            m_pos = m_bytes.size();
        } else {
            m_line = m_bytes.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            if (m_bytes[end] == '\r' && m_pos < m_bytes.size() && m_bytes[m_pos] == '\n') {
                ++m_pos;
            }
        }
        ++m_number;
        m_hasLine = true;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::string_view m_line;
    uint32_t m_number = 0;
    bool m_hasLine = false;
};

// True when the parameters before the first ':' name QUOTED-PRINTABLE, whose
// lines may end in a soft break '='.
bool namesQuotedPrintable(std::string_view line)
{
    const std::string_view head = line.substr(0, line.find(':'));
    constexpr std::string_view kQp = "quoted-printable";
    if (head.size() < kQp.size()) {
        return false;
    }
    for (std::size_t i = 0; i + kQp.size() <= head.size(); ++i) {
        if (equalsNoCase(head.substr(i, kQp.size()), kQp)) {
            return true;
        }
    }
    return false;
}

struct LogicalLine
{
    std::string text;
    uint32_t line = 0;
};

// One property line with its folded and soft-broken continuations joined.
LogicalLine readLogicalLine(LineReader& in, VCardVersion version)
{
    LogicalLine out{std::string(in.line()), in.number()};
    in.next();
    const bool quotedPrintable = namesQuotedPrintable(out.text);
    while (in.hasLine()) {
        const std::string_view next = in.line();
        if (quotedPrintable && !out.text.empty() && out.text.back() == '=') {
            out.text.pop_back();
            out.text.append(next);
        } else if (!next.empty() && (next.front() == ' ' || next.front() == '\t')) {
            out.text.append(version == VCardVersion::V21 ? next : next.substr(1));
        } else {
            break;
        }
        in.next();
    }
    return out;
}

struct Params
{
    std::vector<std::string> types; // lower case
    std::string encoding;           // lower case
    std::string charset;            // lower case
    std::string valueType;          // lower case
    int preference = kNoPreference;
    std::optional<uint8_t> tonNpi;
};

std::optional<int> smallNumber(std::string_view text, int max)
{
    text = trimmed(text);
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= max ? std::optional<int>(value) : std::nullopt;
}

bool isEncodingName(std::string_view lower)
{
    return lower == "quoted-printable" || lower == "base64" || lower == "b" || lower == "8bit" ||
           lower == "7bit";
}

void addParam(std::string_view param, Params& params)
{
    const std::size_t equals = param.find('=');
    if (equals == std::string_view::npos) {
        // 2.1 writes types and encodings bare: TEL;HOME;VOICE;QUOTED-PRINTABLE
        const std::string lower = lowerText(trimmed(param));
        if (isEncodingName(lower)) {
            params.encoding = lower;
        } else if (!lower.empty()) {
            params.types.push_back(lower);
        }
        return;
    }
    const std::string name = lowerText(trimmed(param.substr(0, equals)));
    std::string value(param.substr(equals + 1));
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    if (name == "type") {
        std::size_t start = 0;
        while (start <= value.size()) {
            const std::size_t comma = std::min(value.find(',', start), value.size());
            const std::string lower =
                lowerText(trimmed(std::string_view(value).substr(start, comma - start)));
            if (!lower.empty()) {
                params.types.push_back(lower);
            }
            start = comma + 1;
        }
    } else if (name == "encoding") {
        params.encoding = lowerText(trimmed(value));
    } else if (name == "charset") {
        params.charset = lowerText(trimmed(value));
    } else if (name == "value") {
        params.valueType = lowerText(trimmed(value));
    } else if (name == "pref") {
        if (const auto pref = smallNumber(value, 100); pref && *pref >= kMostPreferred) {
            params.preference = *pref;
        }
    } else if (name == "x-phonara-ton-npi") {
        if (const auto tonNpi = smallNumber(value, 255)) {
            params.tonNpi = static_cast<uint8_t>(*tonNpi);
        }
    }
}

struct ContentLine
{
    std::string_view group;
    std::string_view name;
    Params params;
    std::string_view value;
};

// [group "."] name *(";" param) ":" value; nullopt when the line is none.
std::optional<ContentLine> parseContentLine(std::string_view text)
{
    ContentLine out;
    std::size_t i = text.find_first_of(";:");
    if (i == std::string_view::npos || i == 0) {
        return std::nullopt;
    }
    std::string_view name = trimmed(text.substr(0, i));
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        out.group = name.substr(0, dot);
        name = name.substr(dot + 1);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    out.name = name;
    while (i < text.size() && text[i] == ';') {
        const std::size_t start = ++i;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == ';' || c == ':')) {
                break;
            }
        }
        addParam(text.substr(start, i - start), out.params);
    }
    if (i >= text.size() || text[i] != ':') {
        return std::nullopt;
    }
    out.value = text.substr(i + 1);
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = lowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// =XX to the byte; a '=' not followed by two hex digits stays as it is.
std::string decodeQuotedPrintable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::optional<QString> strictUtf8(std::string_view bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

std::optional<QString> decodeCharset(std::string_view bytes, const std::string& charset,
                                     VCardVersion version)
{
    if (charset.empty()) {
        if (auto text = strictUtf8(bytes)) {
            return text;
        }
        // 2.1 leaves the character set to the writer's system; that was
        // Windows-1252 for the programs that left it out.
        if (version == VCardVersion::V21) {
            return cp1252ToUnicode(bytes);
        }
        return std::nullopt;
    }
    if (charset == "utf-8" || charset == "utf8") {
        return strictUtf8(bytes);
    }
    if (charset == "iso-8859-1" || charset == "iso8859-1" || charset == "latin1" ||
        charset == "latin-1") {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    if (charset == "windows-1252" || charset == "cp1252" || charset == "us-ascii" ||
        charset == "ascii") {
        return cp1252ToUnicode(bytes);
    }
    QStringDecoder decoder(charset.c_str(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

// The value's text after its transfer encoding and character set; nullopt
// when it cannot be decoded.
std::optional<QString> decodeValue(std::string_view value, const Params& params,
                                   VCardVersion version)
{
    if (params.encoding == "quoted-printable") {
        return decodeCharset(decodeQuotedPrintable(value), params.charset, version);
    }
    if (params.encoding == "base64" || params.encoding == "b") {
        const QByteArray raw =
            QByteArray::fromBase64(QByteArray(value.data(), static_cast<qsizetype>(value.size())));
        return decodeCharset(
            std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())), params.charset,
            version);
    }
    return decodeCharset(value, params.charset, version);
}

QString unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar escaped = text[++i];
            out += (escaped == u'n' || escaped == u'N') ? QChar(u'\n') : escaped;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits at every `separator` that is not escaped; the parts stay escaped.
std::vector<QStringView> splitUnescaped(QStringView text, QChar separator)
{
    std::vector<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == separator) {
            parts.push_back(text.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.mid(start));
    return parts;
}

// N: family; given; additional; prefix; suffix, each maybe a list, shown
// as prefix given additional family suffix.
QString composedName(QStringView value)
{
    const std::vector<QStringView> parts = splitUnescaped(value, u';');
    QStringList words;
    for (const std::size_t index : {3u, 1u, 2u, 0u, 4u}) {
        if (index >= parts.size()) {
            continue;
        }
        for (const QStringView item : splitUnescaped(parts[index], u',')) {
            const QString word = unescaped(item).simplified();
            if (!word.isEmpty()) {
                words << word;
            }
        }
    }
    return words.join(u' ');
}

QString firstPart(QStringView value, QChar separator)
{
    for (const QStringView part : splitUnescaped(value, separator)) {
        const QString text = unescaped(part).trimmed();
        if (!text.isEmpty()) {
            return text;
        }
    }
    return {};
}

NumberType typeOf(const std::vector<std::string>& types)
{
    bool cell = false, fax = false, home = false, work = false, other = false;
    for (const std::string& type : types) {
        if (type == "cell" || type == "mobile" || type == "iphone" || type == "pcs") {
            cell = true;
        } else if (type == "fax") {
            fax = true;
        } else if (type == "home") {
            home = true;
        } else if (type == "work") {
            work = true;
        } else if (type != "voice" && type != "pref" && type != "internet" && type != "x400") {
            other = true;
        }
    }
    if (cell) {
        return NumberType::Cell;
    }
    if (fax) {
        return NumberType::Fax;
    }
    if (home) {
        return NumberType::Home;
    }
    if (work) {
        return NumberType::Work;
    }
    return other ? NumberType::Other : NumberType::None;
}

// The label an address book puts beside a grouped number (item1.X-ABLabel),
// either its own form _$!<Mobile>!$_ or the user's words.
NumberType labelType(const QString& label)
{
    const QString lower = label.toLower();
    if (lower.contains(u"fax")) {
        return NumberType::Fax;
    }
    if (lower.contains(u"mobile") || lower.contains(u"cell") || lower.contains(u"iphone")) {
        return NumberType::Cell;
    }
    if (lower.contains(u"home")) {
        return NumberType::Home;
    }
    if (lower.contains(u"work")) {
        return NumberType::Work;
    }
    return NumberType::Other;
}

// The state of the card being read.
struct CardReader
{
    VCardPerson person;
    std::vector<std::string> numberGroups; // beside person.numbers
    std::unordered_map<std::string, NumberType> groupLabels;

    void finish()
    {
        for (std::size_t i = 0; i < person.numbers.size(); ++i) {
            VCardNumber& number = person.numbers[i];
            if (number.type != NumberType::None || numberGroups[i].empty()) {
                continue;
            }
            if (const auto label = groupLabels.find(numberGroups[i]); label != groupLabels.end()) {
                number.type = label->second;
            }
        }
    }
};

bool isVCardValue(std::string_view value)
{
    return equalsNoCase(trimmed(value), "vcard");
}

void readProperty(const ContentLine& content, uint32_t line, CardReader& card, ImportReport& report)
{
    VCardPerson& person = card.person;
    const std::string name = lowerText(content.name);
    const auto decoded = [&]() {
        return decodeValue(content.value, content.params, person.version);
    };

    if (name == "version") {
        const std::string_view version = trimmed(content.value);
        if (version == "2.1") {
            person.version = VCardVersion::V21;
        } else if (version == "4.0") {
            person.version = VCardVersion::V40;
        } else {
            person.version = VCardVersion::V30;
        }
    } else if (name == "fn" || name == "n" || name == "org" || name == "nickname") {
        const std::optional<QString> text = decoded();
        if (!text) {
            person.undecodableNames.push_back(line);
            return;
        }
        QString value;
        if (name == "fn") {
            value = unescaped(*text).simplified();
        } else if (name == "n") {
            value = composedName(*text);
        } else {
            value = firstPart(*text, name == "org" ? u';' : u',');
        }
        if (value.isEmpty()) {
            return;
        }
        std::optional<VCardText>& slot = name == "fn"    ? person.formattedName
                                         : name == "n"   ? person.structuredName
                                         : name == "org" ? person.organisation
                                                         : person.nickname;
        if (!slot) {
            slot = VCardText{value, line};
        }
    } else if (name == "tel") {
        const std::optional<QString> text = decoded();
        if (!text) {
            report.skip(SkipReason::Undecodable, line);
            return;
        }
        VCardNumber number;
        number.text = unescaped(*text).trimmed();
        number.type = typeOf(content.params.types);
        number.preference = content.params.preference;
        if (std::find(content.params.types.begin(), content.params.types.end(), "pref") !=
            content.params.types.end()) {
            number.preference = kMostPreferred;
        }
        number.line = line;
        number.tonNpi = content.params.tonNpi;
        if (number.text.isEmpty()) {
            return;
        }
        person.numbers.push_back(std::move(number));
        card.numberGroups.push_back(lowerText(content.group));
    } else if (name == "email") {
        const std::optional<QString> text = decoded();
        if (!text) {
            report.skip(SkipReason::Undecodable, line);
            return;
        }
        const QString email = unescaped(*text).trimmed();
        if (!email.isEmpty()) {
            person.emails.push_back(VCardText{email, line});
        }
    } else if (name == "x-ablabel" && !content.group.empty()) {
        if (const std::optional<QString> text = decoded()) {
            card.groupLabels.emplace(lowerText(content.group), labelType(unescaped(*text)));
        }
    } else if (name == "x-phonara-ccp") {
        if (const auto ccp = smallNumber(content.value, 255)) {
            person.ccp = static_cast<uint8_t>(*ccp);
        }
    }
}

} // namespace

VCardParse parseVCards(std::string_view bytes, ImportReport& report)
{
    VCardParse parse;
    std::string converted;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        const QString text =
            decoder(QByteArrayView(bytes.data() + 2, static_cast<qsizetype>(bytes.size() - 2)));
        converted = text.toUtf8().toStdString();
        bytes = converted;
    }

    LineReader in(bytes);
    CardReader card;
    int depth = 0; // cards open, the outermost one read, inner ones passed by
    while (in.hasLine()) {
        if (trimmed(in.line()).empty()) {
            in.next();
            continue;
        }
        const VCardVersion version = depth > 0 ? card.person.version : VCardVersion::V30;
        const LogicalLine logical = readLogicalLine(in, version);
        const std::optional<ContentLine> content = parseContentLine(logical.text);
        if (!content) {
            report.skip(SkipReason::NotUnderstood, logical.line);
            continue;
        }
        const bool begin = equalsNoCase(content->name, "begin") && isVCardValue(content->value);
        // 2.1 may hold a whole card as the value of AGENT.
        const bool agent = equalsNoCase(content->name, "agent") &&
                           startsWithNoCase(trimmed(content->value), "begin:vcard");
        if (begin || agent) {
            if (depth == 0 && begin) {
                card = CardReader();
                card.person.line = logical.line;
                parse.foundCard = true;
            }
            ++depth;
            continue;
        }
        if (equalsNoCase(content->name, "end") && isVCardValue(content->value)) {
            if (depth == 0) {
                report.skip(SkipReason::NotUnderstood, logical.line);
            } else if (--depth == 0) {
                card.finish();
                parse.people.push_back(std::move(card.person));
            }
            continue;
        }
        if (depth == 0) {
            report.skip(SkipReason::NotUnderstood, logical.line);
            continue;
        }
        if (depth == 1) {
            readProperty(*content, logical.line, card, report);
        }
        // A 2.1 BASE64 block may go on in lines without a leading blank up
        // to an empty line; base64 has no ':', so a property line ends it too.
        const std::string& encoding = content->params.encoding;
        if (version == VCardVersion::V21 && (encoding == "base64" || encoding == "b")) {
            while (in.hasLine() && !trimmed(in.line()).empty() &&
                   in.line().find(':') == std::string_view::npos) {
                in.next();
            }
        }
    }
    if (depth > 0) {
        report.skip(SkipReason::Unended, card.person.line);
        card.finish();
        parse.people.push_back(std::move(card.person));
    }
    return parse;
}

std::optional<std::string> vCardDiallingText(const QString& value)
{
    QStringView text = QStringView(value).trimmed();
    QStringView extension;
    if (text.startsWith(u"tel:", Qt::CaseInsensitive)) {
        text = text.mid(4);
        const qsizetype semicolon = text.indexOf(u';');
        if (semicolon >= 0) {
            for (const QStringView param : text.mid(semicolon + 1).split(u';')) {
                if (param.startsWith(u"ext=", Qt::CaseInsensitive)) {
                    extension = param.mid(4);
                }
            }
            text = text.left(semicolon);
        }
    }
    std::string out;
    bool digits = false;
    const auto take = [&](QStringView part) {
        for (const QChar c : part) {
            const char16_t u = c.unicode();
            if ((u >= '0' && u <= '9') || u == '*' || u == '#') {
                out += static_cast<char>(u);
                digits = digits || (u >= '0' && u <= '9');
            } else if (u == '+' && out.empty()) {
                out += '+';
            } else if (u == ' ' || u == '-' || u == '.' || u == '(' || u == ')' || u == '/' ||
                       u == '[' || u == ']' || u == 0x00A0) {
                continue;
            } else if (u == ',' || u == ';' || u == 'p' || u == 'P' || u == 'w' || u == 'W') {
                out += 'p';
            } else {
                return false;
            }
        }
        return true;
    };
    if (!take(text)) {
        return std::nullopt;
    }
    if (!extension.isEmpty()) {
        out += 'p';
        if (!take(extension)) {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return out;
}
