#include "files/VCardFile.h"

#include "files/FileIo.h"
#include "files/HeldText.h"
#include "files/ImportReport.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/PhoneBook.h"
#include "shell/LastError.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

#include <QHash>

#include <algorithm>

namespace {

constexpr int kCannotOpenFile = 25; // "Can't open the file!"

constexpr std::size_t kNameBytes = Contact::kNameSize - 1;
// Room to encode a text before measuring it against a field.
constexpr std::size_t kMeasureBytes = 4 * Contact::kNameSize + 4 * Contact::kMaxEmailBytes;
constexpr std::size_t kFoldOctets = 75;

// The held form of `base` + `suffix` within `maxBytes`: the suffix is kept,
// the base loses characters from its end. `cut` tells whether it did.
std::string fittedHeldText(QString base, const QString& suffix, std::size_t maxBytes, bool& cut)
{
    cut = false;
    // No held form has fewer than one byte a character.
    const auto room = static_cast<qsizetype>(maxBytes) - suffix.size();
    if (base.size() > std::max<qsizetype>(room, 0)) {
        base.truncate(std::max<qsizetype>(room, 0));
        cut = true;
    }
    while (true) {
        std::string held = heldNameFromText(base + suffix, kMeasureBytes);
        if (held.size() <= maxBytes || base.isEmpty()) {
            if (held.size() > maxBytes) {
                held = heldNameFromText(suffix, maxBytes);
            }
            return held;
        }
        cut = true;
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() ? 2 : 1);
    }
}

struct AcceptedNumber
{
    std::string text;
    uint8_t tonNpi = TonNpi::kNational;
    NumberType type = NumberType::None;
    int preference = 0;
    uint32_t line = 0;
};

std::optional<AcceptedNumber> acceptedNumber(const VCardNumber& number)
{
    std::optional<std::string> text = vCardDiallingText(number.text);
    if (!text || !validateNumber(*text)) {
        return std::nullopt;
    }
    const std::size_t digits = text->size() - (text->starts_with('+') ? 1 : 0);
    if (digits == 0 || digits > Contact::kMaxCardDigits) {
        return std::nullopt;
    }
    AcceptedNumber accepted;
    accepted.tonNpi = number.tonNpi.value_or(tonNpiForNumber(*text, TonNpi::kNational));
    accepted.text = std::move(*text);
    accepted.type = number.type;
    accepted.preference = number.preference;
    accepted.line = number.line;
    return accepted;
}

// FN, else N, else ORG; nullopt when the card had names but none could be read.
std::optional<QString> personName(const VCardPerson& person)
{
    for (const auto* name : {&person.formattedName, &person.structuredName, &person.organisation}) {
        if (*name) {
            return (*name)->text;
        }
    }
    if (!person.undecodableNames.empty()) {
        return std::nullopt;
    }
    return QString();
}

// The suffix that tells apart the entries of one card: " (work)", " (cell 2)",
// " (3)" for a number without a label.
std::vector<QString> entrySuffixes(const std::vector<AcceptedNumber>& numbers)
{
    std::vector<QString> labels;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string_view type = numberTypeName(numbers[i].type);
        labels.push_back(
            type.empty() ? QString::number(i + 1)
                         : QString::fromLatin1(type.data(), static_cast<qsizetype>(type.size())));
    }
    std::vector<QString> suffixes;
    QHash<QString, int> seen;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const int same = seen[labels[i]]++;
        QString label = labels[i];
        if (same > 0 && !numberTypeName(numbers[i].type).empty()) {
            label += u' ' + QString::number(same + 1);
        }
        suffixes.push_back(QStringLiteral(" (") + label + u')');
    }
    return suffixes;
}

// A name as the summary shows it; long names are cut, the line tells the rest.
std::string shownName(const QString& name)
{
    constexpr qsizetype kShown = 40;
    return (name.size() > kShown ? name.left(kShown) + QStringLiteral("...") : name).toStdString();
}

void addOptionalFields(const VCardPerson& person, const std::string& name, Contact& contact,
                       ImportReport& report)
{
    if (person.nickname) {
        bool cut = false;
        contact.editExtras().secondName =
            fittedHeldText(person.nickname->text, {}, kNameBytes, cut);
        if (cut) {
            report.skip(SkipReason::NameShortened, person.nickname->line, name);
        }
    }
    for (const VCardText& email : person.emails) {
        std::string held = heldNameFromText(email.text, kMeasureBytes);
        if (contact.extras().emails.size() >= Contact::kMaxEmails ||
            held.size() > Contact::kMaxEmailBytes) {
            report.skip(SkipReason::NotKept, email.line, name, shownName(email.text));
            continue;
        }
        contact.editExtras().emails.push_back(std::move(held));
    }
}

void importPerson(const VCardPerson& person, PhoneBook& book, VCardNumbers mode,
                  ImportReport& report)
{
    const std::optional<QString> name = personName(person);
    const std::string shown = name ? shownName(*name) : std::string();
    std::vector<AcceptedNumber> numbers;
    for (const VCardNumber& number : person.numbers) {
        if (std::optional<AcceptedNumber> accepted = acceptedNumber(number)) {
            numbers.push_back(std::move(*accepted));
        } else {
            report.skip(SkipReason::RefusedNumber, number.line, shown, shownName(number.text));
        }
    }
    if (!name) {
        report.skip(SkipReason::Undecodable, person.undecodableNames.front());
        return;
    }
    if (numbers.empty()) {
        report.skip(SkipReason::NoNumber, person.line, shown);
        return;
    }
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const AcceptedNumber& a, const AcceptedNumber& b) {
                         return a.preference < b.preference;
                     });

    const bool perNumber = mode == VCardNumbers::EntryPerNumber && numbers.size() > 1;
    const std::vector<QString> suffixes =
        perNumber ? entrySuffixes(numbers) : std::vector<QString>(1);
    const std::size_t entries = perNumber ? numbers.size() : 1;
    for (std::size_t i = 0; i < entries; ++i) {
        Contact contact;
        bool cut = false;
        contact.setName(fittedHeldText(*name, suffixes[i], kNameBytes, cut));
        if (cut) {
            report.skip(SkipReason::NameShortened, person.line, shown);
        }
        contact.setNumber(numbers[i].text);
        contact.tonNpi = numbers[i].tonNpi;
        contact.numberType = numbers[i].type;
        contact.ccp = person.ccp.value_or(0xFF);
        if (i == 0) {
            if (!perNumber) {
                for (std::size_t k = 1; k < numbers.size(); ++k) {
                    if (contact.extras().extraNumbers.size() >= Contact::kMaxExtraNumbers) {
                        report.skip(SkipReason::NotKept, numbers[k].line, shown, numbers[k].text);
                        continue;
                    }
                    contact.editExtras().extraNumbers.push_back(
                        ExtraNumber{numbers[k].text, numbers[k].tonNpi, numbers[k].type});
                }
            }
            addOptionalFields(person, shown, contact, report);
        }
        contact.sequence = book.contactCount();
        book.append(contact);
        report.addImported();
    }
}

// ---- writing ----

std::string escapedText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string utf8Of(std::string_view held)
{
    return heldNameToUnicode(held).toStdString();
}

// Appends the content line folded at 75 octets, never inside a UTF-8 sequence;
// the blank that starts a continuation counts.
void appendFolded(std::string& out, std::string_view line)
{
    std::size_t limit = kFoldOctets;
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<uint8_t>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kFoldOctets - 1;
    }
    out.append(line);
    out += "\r\n";
}

std::string telLine(std::string_view number, uint8_t tonNpi, NumberType type, bool preferred,
                    VCardVersion version)
{
    std::string line = "TEL";
    std::string types(numberTypeName(type));
    if (preferred && version != VCardVersion::V40) {
        types += types.empty() ? "pref" : ",pref";
    }
    if (!types.empty()) {
        line += ";TYPE=" + types;
    }
    if (preferred && version == VCardVersion::V40) {
        line += ";PREF=1";
    }
    if (tonNpi != tonNpiForNumber(number, TonNpi::kNational)) {
        line += ";X-PHONARA-TON-NPI=" + std::to_string(tonNpi);
    }
    return line + ':' + escapedText(number);
}

bool isEmptyContact(const Contact& contact)
{
    return contact.heldName().empty() && contact.numberText().empty() && !contact.hasExtras();
}

void appendCard(std::string& out, const Contact& contact, VCardVersion version)
{
    const std::string name = escapedText(utf8Of(contact.heldName()));
    appendFolded(out, "BEGIN:VCARD");
    appendFolded(out, version == VCardVersion::V40 ? "VERSION:4.0" : "VERSION:3.0");
    appendFolded(out, "FN:" + name);
    appendFolded(out, "N:;" + name + ";;;");
    if (!contact.extras().secondName.empty()) {
        appendFolded(out, "NICKNAME:" + escapedText(utf8Of(contact.extras().secondName)));
    }
    const bool several = !contact.extras().extraNumbers.empty();
    if (!contact.numberText().empty()) {
        appendFolded(out, telLine(contact.numberText(), contact.tonNpi, contact.numberType, several,
                                  version));
    }
    for (const ExtraNumber& extra : contact.extras().extraNumbers) {
        appendFolded(out, telLine(extra.number, extra.tonNpi, extra.type, false, version));
    }
    for (const std::string& email : contact.extras().emails) {
        appendFolded(out, "EMAIL:" + escapedText(utf8Of(email)));
    }
    if (contact.ccp != 0xFF) {
        appendFolded(out, "X-PHONARA-CCP:" + std::to_string(contact.ccp));
    }
    appendFolded(out, "END:VCARD");
}

} // namespace

VCardLoad importVCardBytes(std::string_view bytes, PhoneBook& book, VCardNumbers numbers,
                           ImportReport& report)
{
    if (bytes.size() > kVCardMaxFileSize) {
        return VCardLoad::TooLarge;
    }
    ImportReport parseReport;
    const VCardParse parse = parseVCards(bytes, parseReport);
    if (!parse.foundCard) {
        return VCardLoad::NotVCard;
    }
    report.merge(parseReport);
    for (const VCardPerson& person : parse.people) {
        importPerson(person, book, numbers, report);
    }
    book.nextSequence = book.contactCount() + 1;
    return VCardLoad::Loaded;
}

VCardLoad importVCardFile(const std::string& path, PhoneBook& book, VCardNumbers numbers,
                          ImportReport& report)
{
    if (!fileIsReadable(path)) {
        return VCardLoad::CannotOpen;
    }
    if (queryFileSize(path) > kVCardMaxFileSize) {
        return VCardLoad::TooLarge;
    }
    const std::optional<std::string> bytes = readWholeFile(path, kVCardMaxFileSize);
    if (!bytes) {
        return VCardLoad::CannotOpen;
    }
    return importVCardBytes(*bytes, book, numbers, report);
}

std::string vCardBytes(const PhoneBook& book, VCardVersion version, uint32_t* leftOut)
{
    std::string out;
    uint32_t empty = 0;
    for (uint32_t i = 0; i < book.contactCount(); ++i) {
        const Contact& contact = book.contacts[i];
        if (isEmptyContact(contact)) {
            ++empty;
            continue;
        }
        appendCard(out, contact, version);
    }
    if (leftOut != nullptr) {
        *leftOut = empty;
    }
    return out;
}

bool exportVCardFile(const std::string& path, const PhoneBook& book, VCardVersion version,
                     uint32_t* leftOut)
{
    return writeFileAtomically(path, vCardBytes(book, version, leftOut));
}

bool importVCardFile(const std::string& path, PhoneBook& book, VCardNumbers numbers,
                     UserInterface& ui, ImportReport* report)
{
    ImportReport summary;
    switch (importVCardFile(path, book, numbers, summary)) {
    case VCardLoad::CannotOpen:
        if (const FileResult readable = checkInputFile(path); !readable.ok()) {
            tellOpenFailure(ui, path, readable);
        } else {
            ui.inform(kCannotOpenFile);
        }
        return false;
    case VCardLoad::TooLarge:
        ui.inform(kVCardTooLargeTextId);
        return false;
    case VCardLoad::NotVCard:
        ui.inform(kVCardNotVCardTextId);
        return false;
    case VCardLoad::Loaded:
        break;
    }
    tellImportSummary(ui, path, summary);
    if (report != nullptr) {
        *report = summary;
    }
    return true;
}

bool exportVCardFile(const std::string& path, const PhoneBook& book, VCardVersion version,
                     UserInterface& ui)
{
    if (exportVCardFile(path, book, version)) {
        return true;
    }
    LastErrorKeeper keep;
    ui.inform(kCannotOpenFile);
    return false;
}

bool isVCardPath(std::string_view path)
{
    const auto endsWith = [path](std::string_view suffix) {
        if (path.size() < suffix.size()) {
            return false;
        }
        const std::string_view tail = path.substr(path.size() - suffix.size());
        return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
    };
    return endsWith(".vcf") || endsWith(".vcard");
}
