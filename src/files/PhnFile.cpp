#include "files/PhnFile.h"

#include "files/AdrFile.h"
#include "files/DelimitedField.h"
#include "files/FileIo.h"
#include "files/HeldText.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/Contact.h"
#include "phonebook/Cp1252.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "shell/LastError.h"
#include "shell/Strings.h"
#include "shell/UserInterface.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr int32_t kItemsMissing = -1;
// The bytes of an address file's start that hold its record length, count and tag.
constexpr std::size_t kAdrStartBytes = 64;

std::string keyName(std::string_view prefix, int32_t n)
{
    return std::string(prefix) + std::to_string(n);
}

// Key of the k-th value of entry n of a field that repeats (Phone5_2: the
// second number of entry 5).
std::string keyName(std::string_view prefix, int32_t n, std::size_t k)
{
    return keyName(prefix, n) + '_' + std::to_string(k);
}

// Keys of the optional fields. Readers that predate them look up only the
// four prefixes of the Contact line and pass these keys by.
namespace ExtraKey {
constexpr std::string_view kNumberType = "NumberType"; // NumberType<n>, NumberType<n>_<k>
constexpr std::string_view kSecondName = "SecondName"; // SecondName<n>
constexpr std::string_view kPhone = "Phone";           // Phone<n>_<k>, k from 2
constexpr std::string_view kTonNpi = "TON_NPI";        // TON_NPI<n>_<k>, k from 2
constexpr std::string_view kEmail = "Email";           // Email<n>_<k>, k from 1
} // namespace ExtraKey

// A text value of a file as Windows-1252 bytes.
std::string cp1252Value(const ProfileFile& file, std::string_view value)
{
    if (!file.hasUtf8Bom()) {
        return std::string(value);
    }
    return unicodeToCp1252(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

// The held form of a name read as text: as it stands when Windows-1252 can
// hold it, else a UCS2 form (see heldNameFromText).
std::string heldFromValue(const ProfileFile& file, std::string_view value, std::size_t maxBytes)
{
    const QString wide = file.hasUtf8Bom()
                             ? QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()))
                             : cp1252ToUnicode(value);
    return heldNameFromText(wide, maxBytes);
}

void setNameFromText(const ProfileFile& file, Contact& contact, std::string_view value)
{
    contact.setName(heldFromValue(file, value, Contact::kNameSize - 1));
}

// A value as the writer puts it into the file. The file has no escapes: line
// ends cannot be kept and become blanks; a value that would lose its outer
// blanks or quotes on reading is put in double quotes, which readers remove.
std::string quotedValue(std::string value)
{
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const bool outerBlank = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (outerBlank || quoted) {
        value = '"' + value + '"';
    }
    return value;
}

// A Windows-1252 text in the file's encoding.
std::string fileValue(const ProfileFile& file, std::string_view cp1252Text)
{
    if (file.hasUtf8Bom()) {
        return quotedValue(cp1252ToUnicode(cp1252Text).toUtf8().toStdString());
    }
    return quotedValue(std::string(cp1252Text));
}

// A phone-book name as the file shows it: its display text, in UTF-8 files
// with every character, in Windows-1252 files as the code page allows.
std::string heldTextValue(const ProfileFile& file, std::string_view held)
{
    if (file.hasUtf8Bom()) {
        return quotedValue(heldNameToUnicode(held).toUtf8().toStdString());
    }
    return quotedValue(decodeAlphaToText(held));
}

std::string contactNameValue(const ProfileFile& file, const Contact& contact)
{
    return heldTextValue(file, contact.heldName());
}

struct Prefixes
{
    std::string name, number, ccp, tonNpi;
};

std::optional<Prefixes> sectionPrefixes(const ProfileFile& file, std::string_view section)
{
    const std::optional<std::string> fields = file.readString(section, "Contact", kPhnTextCapacity);
    if (!fields) {
        return std::nullopt;
    }
    const auto field = [&](unsigned n) {
        return std::string(
            delimitedField(*fields, ',', n, kPhnTextCapacity - 1).value_or(std::string_view()));
    };
    return Prefixes{field(0), field(1), field(2), field(3)};
}

// The low 8 bits of a CCP or TON/NPI value; nullopt when the key is missing.
std::optional<uint8_t> byteValue(const ProfileFile& file, std::string_view section,
                                 const std::string& key)
{
    const std::optional<std::string> text = file.readString(section, key, kPhnTextCapacity);
    if (!text) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(static_cast<uint32_t>(profileIntFromText(*text)) & 0xFFu);
}


// The n of a key "<prefix><n>" (prefix without regard to case, n written
// without leading zeros as the keys are looked up), or 0 for another key.
int32_t entryNumber(std::string_view key, std::string_view prefix)
{
    // Keys are looked up without their leading blanks.
    while (!prefix.empty() && (prefix.front() == ' ' || prefix.front() == '\t')) {
        prefix.remove_prefix(1);
    }
    if (key.size() <= prefix.size() || !profileNamesEqual(key.substr(0, prefix.size()), prefix)) {
        return 0;
    }
    const std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 10 || digits.front() == '0') {
        return 0;
    }
    int64_t n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        n = n * 10 + (c - '0');
    }
    return n <= INT32_MAX ? static_cast<int32_t>(n) : 0;
}

int32_t bookCount(const ProfileFile& file, std::string_view section)
{
    return file.readInt(section, "items", kItemsMissing);
}

bool heldNeedsUnicode(std::string_view held)
{
    if (!isUcs2Form(held)) {
        return false;
    }
    bool exact = false;
    unicodeToCp1252(heldNameToUnicode(held), &exact);
    return !exact;
}

bool nameNeedsUnicode(const Contact& contact)
{
    return heldNeedsUnicode(contact.heldName()) || heldNeedsUnicode(contact.extras().secondName) ||
           std::any_of(contact.extras().emails.begin(), contact.extras().emails.end(),
                       heldNeedsUnicode);
}

NumberType numberTypeValue(const ProfileFile& file, std::string_view section,
                           const std::string& key)
{
    const std::optional<std::string> text = file.readString(section, key, kPhnTextCapacity);
    return text ? numberTypeFromName(*text).value_or(NumberType::None) : NumberType::None;
}

// The optional fields of entry n. They are absent from most files, and an
// absent one means the contact has none: whatever the entry held is replaced.
void readExtras(const ProfileFile& file, std::string_view section, int32_t n, Contact& contact)
{
    contact.numberType = numberTypeValue(file, section, keyName(ExtraKey::kNumberType, n));
    contact.dropExtras();
    if (const auto second =
            file.readString(section, keyName(ExtraKey::kSecondName, n), kPhnTextCapacity)) {
        contact.editExtras().secondName = heldFromValue(file, *second, Contact::kNameSize - 1);
    }
    for (std::size_t k = 2; contact.extras().extraNumbers.size() < Contact::kMaxExtraNumbers; ++k) {
        const auto number =
            file.readString(section, keyName(ExtraKey::kPhone, n, k), kPhnTextCapacity);
        if (!number) {
            break;
        }
        ExtraNumber extra;
        extra.number = cp1252Value(file, *number).substr(0, Contact::kNumberSize - 1);
        if (const auto tonNpi = byteValue(file, section, keyName(ExtraKey::kTonNpi, n, k))) {
            extra.tonNpi = *tonNpi;
        }
        extra.type = numberTypeValue(file, section, keyName(ExtraKey::kNumberType, n, k));
        contact.editExtras().extraNumbers.push_back(std::move(extra));
    }
    for (std::size_t k = 1; contact.extras().emails.size() < Contact::kMaxEmails; ++k) {
        const auto email =
            file.readString(section, keyName(ExtraKey::kEmail, n, k), kPhnTextCapacity);
        if (!email) {
            break;
        }
        contact.editExtras().emails.push_back(heldFromValue(file, *email, Contact::kMaxEmailBytes));
    }
}

// Entry n of a section into `contact`; keys missing leave their fields alone.
// `extras` false: the section has no keys beyond the four fields, and the
// optional ones are not looked up (a large book's file reads half as many keys).
void readContact(const ProfileFile& file, std::string_view section, const Prefixes& prefixes,
                 int32_t n, Contact& contact, bool extras = true)
{
    if (const auto name = file.readString(section, keyName(prefixes.name, n), kPhnTextCapacity)) {
        setNameFromText(file, contact, *name);
    }
    if (const auto number =
            file.readString(section, keyName(prefixes.number, n), kPhnTextCapacity)) {
        contact.setNumber(cp1252Value(file, *number));
    }
    if (const auto ccp = byteValue(file, section, keyName(prefixes.ccp, n))) {
        contact.ccp = *ccp;
    }
    if (const auto tonNpi = byteValue(file, section, keyName(prefixes.tonNpi, n))) {
        contact.tonNpi = *tonNpi;
    }
    if (extras) {
        readExtras(file, section, n, contact);
    } else {
        contact.numberType = NumberType::None;
        contact.dropExtras();
    }
    contact.sequence = static_cast<uint32_t>(n - 1);
}

// Writes the keys of one section: where they stand or at its end as any
// write does, or, for a file written from its start, straight at the end.
class SectionWriter
{
public:
    SectionWriter(ProfileFile& file, std::string_view section, bool fresh)
        : m_file(file), m_section(section), m_fresh(fresh)
    {
    }
    const ProfileFile& file() const { return m_file; }
    void put(std::string_view key, std::string_view value) const
    {
        if (m_fresh) {
            m_file.appendString(m_section, key, value);
        } else {
            m_file.writeString(m_section, key, value);
        }
    }

private:
    ProfileFile& m_file;
    std::string_view m_section;
    bool m_fresh;
};

void writeExtras(const SectionWriter& out, int32_t n, const Contact& contact)
{
    if (contact.numberType != NumberType::None) {
        out.put(keyName(ExtraKey::kNumberType, n), numberTypeName(contact.numberType));
    }
    if (!contact.extras().secondName.empty()) {
        out.put(keyName(ExtraKey::kSecondName, n),
                heldTextValue(out.file(), contact.extras().secondName));
    }
    const std::size_t numbers =
        std::min(contact.extras().extraNumbers.size(), Contact::kMaxExtraNumbers);
    for (std::size_t i = 0; i < numbers; ++i) {
        const ExtraNumber& extra = contact.extras().extraNumbers[i];
        const std::size_t k = i + 2;
        out.put(keyName(ExtraKey::kPhone, n, k), fileValue(out.file(), extra.number));
        out.put(keyName(ExtraKey::kTonNpi, n, k), std::to_string(extra.tonNpi));
        if (extra.type != NumberType::None) {
            out.put(keyName(ExtraKey::kNumberType, n, k), numberTypeName(extra.type));
        }
    }
    const std::size_t emails = std::min(contact.extras().emails.size(), Contact::kMaxEmails);
    for (std::size_t i = 0; i < emails; ++i) {
        out.put(keyName(ExtraKey::kEmail, n, i + 1),
                heldTextValue(out.file(), contact.extras().emails[i]));
    }
}

int writeBook(const SectionWriter& out, const Contact* entries, uint32_t count)
{
    while (count > 0 && entries[count - 1].heldName().empty() &&
           entries[count - 1].numberText().empty() && !entries[count - 1].hasExtras()) {
        --count;
    }
    out.put("items", std::to_string(count));
    for (uint32_t i = 0; i < count; ++i) {
        const Contact& contact = entries[i];
        const auto n = static_cast<int32_t>(i + 1);
        out.put(keyName("Name", n), contactNameValue(out.file(), contact));
        out.put(keyName("Phone", n), fileValue(out.file(), contact.numberText()));
        out.put(keyName("CCP", n), std::to_string(contact.ccp));
        out.put(keyName("TON_NPI", n), std::to_string(contact.tonNpi));
        writeExtras(out, n, contact);
    }
    return count > 0 ? 1 : 0;
}

int writeBook(const SectionWriter& out, const BookEntry* entries, uint32_t count)
{
    while (count > 0 && entries[count - 1].isBlank()) {
        --count;
    }
    out.put("items", std::to_string(count));
    for (uint32_t i = 0; i < count; ++i) {
        const BookEntry& entry = entries[i];
        const auto n = static_cast<int32_t>(i + 1);
        out.put(keyName("Name", n), fileValue(out.file(), entry.name.view()));
        out.put(keyName("Phone", n), fileValue(out.file(), entry.number.view()));
        out.put(keyName("CCP", n), std::to_string(entry.ccp));
        out.put(keyName("TON_NPI", n), std::to_string(entry.tonNpi));
    }
    return count > 0 ? 1 : 0;
}

} // namespace

int readPhnSection(const ProfileFile& file, std::string_view section, Contact* entries,
                   int32_t count)
{
    const std::optional<Prefixes> prefixes = sectionPrefixes(file, section);
    if (!prefixes) {
        return 0;
    }
    for (int32_t n = 1; n <= count; ++n) {
        readContact(file, section, *prefixes, n, entries[n - 1]);
    }
    return 1;
}

int readPhnBook(const ProfileFile& file, PhoneBook& book, int32_t items)
{
    const std::optional<Prefixes> prefixes = sectionPrefixes(file, PhnSection::kAddressBook);
    if (!prefixes) {
        return 0;
    }
    // Only entries that have a key in the file become contacts, so a count far
    // beyond the entries (items=2000000000) costs nothing.
    std::vector<int32_t> numbers;
    bool otherKeys = false; // optional fields, or anything else beside the four
    file.forEachKey(PhnSection::kAddressBook, [&](std::string_view key) {
        bool field = false;
        for (const std::string* prefix :
             {&prefixes->name, &prefixes->number, &prefixes->ccp, &prefixes->tonNpi}) {
            const int32_t n = entryNumber(key, *prefix);
            field = field || n >= 1;
            if (n >= 1 && n <= items) {
                // An entry's keys stand together: one number for them all.
                if (numbers.empty() || numbers.back() != n) {
                    numbers.push_back(n);
                }
                break;
            }
        }
        otherKeys = otherKeys || (!field && !profileNamesEqual(key, "Contact") &&
                                  !profileNamesEqual(key, "items"));
    });
    // A file written by this program has its entries in order already.
    if (!std::is_sorted(numbers.begin(), numbers.end())) {
        std::sort(numbers.begin(), numbers.end());
    }
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    book.clear();
    book.contacts.resize(numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        readContact(file, PhnSection::kAddressBook, *prefixes, numbers[i], book.contacts[i],
                    otherKeys);
    }
    book.nextSequence = static_cast<uint32_t>(numbers.empty() ? 0 : numbers.back()) + 1;
    return 1;
}

int readPhnSection(const ProfileFile& file, std::string_view section, BookEntry* entries,
                   int32_t count)
{
    const std::optional<Prefixes> prefixes = sectionPrefixes(file, section);
    if (!prefixes) {
        return 0;
    }
    for (int32_t i = 0; i < count; ++i) {
        entries[i].tonNpi = 0xFF;
        entries[i].ccp = 0xFF;
        entries[i].unmark();
    }
    for (int32_t n = 1; n <= count; ++n) {
        BookEntry& entry = entries[n - 1];
        if (const auto name =
                file.readString(section, keyName(prefixes->name, n), kPhnTextCapacity)) {
            entry.name.assign(cp1252Value(file, *name));
        }
        if (const auto number =
                file.readString(section, keyName(prefixes->number, n), kPhnTextCapacity)) {
            entry.number.assign(cp1252Value(file, *number));
        }
        if (const auto ccp = byteValue(file, section, keyName(prefixes->ccp, n))) {
            entry.ccp = *ccp;
        }
        if (const auto tonNpi = byteValue(file, section, keyName(prefixes->tonNpi, n))) {
            entry.tonNpi = *tonNpi;
        }
        entry.recordIndex = n - 1;
    }
    return 1;
}

int writePhnSection(ProfileFile& file, std::string_view section, const Contact* entries,
                    uint32_t count)
{
    return writeBook(SectionWriter(file, section, false), entries, count);
}

int writePhnSection(ProfileFile& file, std::string_view section, const BookEntry* entries,
                    uint32_t count)
{
    return writeBook(SectionWriter(file, section, false), entries, count);
}

namespace {

// loadPhnBytes on a text that the reader may keep as its own.
int loadOwnedPhnBytes(std::string&& bytes, PhoneBook* book, BookEntry* fdn, uint32_t fdnCount,
                      BookEntry* lnd, uint32_t lndCount)
{
    if (bytes.empty()) {
        return 1;
    }
    const ProfileFile file = ProfileFile::fromBytes(std::move(bytes));
    const auto format = file.readString(PhnSection::kVersion, "format", kPhnTextCapacity);
    if (!format || *format != "phn") {
        return 0;
    }
    const auto version = file.readString(PhnSection::kVersion, "version", kPhnTextCapacity);
    if (!version || *version != "1") {
        return 0;
    }

    int read = 0;
    if (book != nullptr) {
        const int32_t items = bookCount(file, PhnSection::kAddressBook);
        if (items != kItemsMissing) {
            read |= readPhnBook(file, *book, items);
        }
    }
    const auto sideBook = [&](std::string_view section, BookEntry* entries, uint32_t count) {
        if (entries != nullptr && bookCount(file, section) != kItemsMissing) {
            read |= readPhnSection(file, section, entries, static_cast<int32_t>(count));
        }
    };
    sideBook(PhnSection::kFixedDialling, fdn, std::min(fdnCount, SideBooks::kFdnCapacity));
    sideBook(PhnSection::kLastDialled, lnd, std::min(lndCount, SideBooks::kLndCapacity));
    return read != 0 ? 1 : 0;
}

} // namespace

int loadPhnBytes(std::string_view bytes, PhoneBook* book, BookEntry* fdn, uint32_t fdnCount,
                 BookEntry* lnd, uint32_t lndCount)
{
    return loadOwnedPhnBytes(std::string(bytes), book, fdn, fdnCount, lnd, lndCount);
}

int loadPhnFile(const std::string& path, PhoneBook* book, BookEntry* fdn, uint32_t fdnCount,
                BookEntry* lnd, uint32_t lndCount)
{
    if (queryFileSize(path) == 0) {
        return 1;
    }
    std::optional<std::string> bytes = readWholeFile(path, kPhnMaxFileSize);
    if (!bytes) {
        return 0;
    }
    return loadOwnedPhnBytes(std::move(*bytes), book, fdn, fdnCount, lnd, lndCount);
}

bool loadPhnOrAdrFile(const std::string& path, PhoneBook& book, SideBooks& sideBooks,
                      UserInterface& ui)
{
    std::string bytes;
    if (const FileResult read = readInputFile(path, kAdrMaxFileSize, bytes); !read.ok()) {
        // A file that is not there yet is a new, empty book. One that is there
        // but cannot be read is never taken for empty: saving would replace it.
        if (read.problem == FileProblem::System && read.error == ENOENT) {
            return true;
        }
        tellOpenFailure(ui, path, read);
        return false;
    }
    uint32_t recordLength = 0;
    uint32_t nameLength = 0;
    if (!isAdrBytes(bytes)) {
        if (bytes.size() > kPhnMaxFileSize) {
            FileResult large;
            large.problem = FileProblem::TooLarge;
            large.limit = kPhnMaxFileSize;
            tellOpenFailure(ui, path, large);
            return false;
        }
        // The reader keeps the text itself; the start is enough to say that
        // the file is no address file either.
        const std::string start = bytes.substr(0, kAdrStartBytes);
        if (loadOwnedPhnBytes(std::move(bytes), &book, sideBooks.fdn.data(), sideBooks.fdnCount,
                              sideBooks.lnd.data(), sideBooks.lndCount) != 0) {
            return true;
        }
        book.clear();
        return readAdrBytes(start, book, recordLength, nameLength, ui);
    }
    book.clear();
    return readAdrBytes(bytes, book, recordLength, nameLength, ui);
}

std::string phnFileBytes(const PhoneBook* book, const BookEntry* fdn, uint32_t fdnCount,
                         const BookEntry* lnd, uint32_t lndCount, int* result)
{
    // A new file, written from its start: every key goes to the end, and
    // nothing has to be looked up.
    ProfileFile file;
    if (book != nullptr) {
        file.setUtf8Bom(
            std::any_of(book->contacts.begin(), book->contacts.end(), nameNeedsUnicode));
    }
    file.appendString(PhnSection::kVersion, "format", "phn");
    file.appendString(PhnSection::kVersion, "version", "1");

    int last = 0;
    // A book given is written even when empty (an empty book's data() is null).
    const auto section = [&](std::string_view name, bool given, auto* entries, uint32_t count) {
        if (given) {
            const SectionWriter out(file, name, true);
            out.put("Contact", kPhnFieldList);
            last = writeBook(out, entries, count);
        }
    };
    if (book != nullptr) {
        section(PhnSection::kAddressBook, true, book->contacts.data(), book->contactCount());
    }
    section(PhnSection::kFixedDialling, fdn != nullptr, fdn,
            std::min(fdnCount, SideBooks::kFdnCapacity));
    section(PhnSection::kLastDialled, lnd != nullptr, lnd,
            std::min(lndCount, SideBooks::kLndCapacity));
    if (result != nullptr) {
        *result = last;
    }
    return file.toBytes();
}

SaveResult savePhnFile(const std::string& path, const PhoneBook* book, const BookEntry* fdn,
                       uint32_t fdnCount, const BookEntry* lnd, uint32_t lndCount,
                       UserInterface* ui)
{
    const SaveResult saved =
        saveWithinLimit(path, phnFileBytes(book, fdn, fdnCount, lnd, lndCount), kPhnMaxFileSize);
    if (!saved.ok() && ui != nullptr) {
        tellSaveFailure(*ui, path, saved);
    }
    return saved;
}
