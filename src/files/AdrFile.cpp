#include "files/AdrFile.h"

#include "files/FileIo.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/PhoneBook.h"
#include "shell/Log.h"
#include "shell/UserInterface.h"

#include <algorithm>
#include <span>
#include <vector>

namespace {

constexpr int kCannotOpenFile = 25;
constexpr int kNotPhoneBookFile = 26;
constexpr const char* kTag = "open_adr_file";

constexpr std::size_t kHeldNameLimit = 100;
constexpr std::size_t kLongNameCopy = 97;
constexpr std::size_t kMaxDigitBytes = 20;
// A standard record without alpha field is the shortest that has its number fields.
constexpr int kMinRecordLength = 14;

// Reads bytes one after the other; what lies past the end reads as 0xFF.
class ByteReader
{
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}
    uint8_t byte()
    {
        return m_pos < m_bytes.size() ? static_cast<uint8_t>(m_bytes[m_pos++]) : 0xFF;
    }
    std::string_view take(std::size_t count)
    {
        const std::size_t start = std::min(m_pos, m_bytes.size());
        const std::size_t n = std::min(count, m_bytes.size() - start);
        m_pos = start + n;
        return m_bytes.substr(start, n);
    }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    std::size_t remaining() const { return m_bytes.size() - std::min(m_pos, m_bytes.size()); }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

std::string hexText(const std::vector<uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

void readRecord(const std::vector<uint8_t>& record, std::size_t nameLength, Contact& contact)
{
    const std::size_t length = record.size();
    const std::size_t copied = nameLength > kHeldNameLimit ? kLongNameCopy : nameLength;
    std::string name(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(copied));
    if (const std::size_t end = name.find('\xFF'); end != std::string::npos) {
        name.erase(end);
    }
    writeLog(LogLevel::PersonalData, kTag, "person entry:%s", name.c_str());
    if (!isUcs2Form(name)) {
        // GSM default alphabet: converted once, here, like names read from the
        // card. A GSM '@' (0x00) becomes a real '@' rather than ending the name.
        std::transform(name.begin(), name.end(), name.begin(), [](char c) {
            return static_cast<char>(gsmToAnsiChar(static_cast<uint8_t>(c)));
        });
    }
    contact.clear();
    contact.setName(name);
    contact.tonNpi = record[nameLength + 1];
    contact.ccp = record[length - 2];

    // The digits run up to the CCP byte: 20 bytes in the long records, the 10
    // of a standard record in the short ones (never into the CCP, extension
    // or next record).
    const std::size_t digitStart = nameLength + 2;
    const std::size_t digitBytes = std::min(kMaxDigitBytes, length - 2 - digitStart);
    const std::string number = decodeDiallingNumber(
        contact.tonNpi, std::span<const uint8_t>(record.data() + digitStart, digitBytes));
    contact.setNumber(number);
    writeLog(LogLevel::PersonalData, kTag, "phone entry:%s", number.c_str());
}

bool notPhoneBookFile(uint32_t& recordLength, uint32_t& nameLength, PhoneBook& book,
                      UserInterface& ui)
{
    recordLength = 0;
    nameLength = 0;
    book.clear();
    ui.inform(kNotPhoneBookFile);
    return false;
}

} // namespace

int adrNameLength(int recordLength)
{
    const int longForm = recordLength - 24;
    return longForm < 10 ? recordLength - 14 : longForm;
}

bool readAdrBytes(std::string_view bytes, PhoneBook& book, uint32_t& recordLength,
                  uint32_t& nameLength, UserInterface& ui)
{
    ByteReader reader(bytes);
    const int length = bytes.empty() ? 0 : reader.byte();
    writeLog(LogLevel::Trace, kTag, "record len:%d", length);
    const int alphaLength = adrNameLength(length);

    uint32_t count = bytes.size() > 1 ? reader.byte() : 0;
    if (bytes.size() > 1 && count == 0) {
        const std::string_view wide = reader.take(4);
        for (std::size_t i = wide.size(); i-- > 0;) {
            count = (count << 8) | static_cast<uint8_t>(wide[i]);
        }
    }
    writeLog(LogLevel::Trace, kTag, "records num:%u", count);

    if (reader.take(kAdrFileTag.size()) != kAdrFileTag || length < kMinRecordLength) {
        return notPhoneBookFile(recordLength, nameLength, book, ui);
    }

    const auto recordSize = static_cast<std::size_t>(length);
    // The records the file holds (a cut-off last one counts): a count beyond
    // them is a damaged file, not a reason to make millions of empty rows.
    const std::size_t held = (reader.remaining() + recordSize - 1) / recordSize;
    const auto rows = static_cast<uint32_t>(std::min<std::size_t>(count, held));
    const auto nameSize = static_cast<std::size_t>(alphaLength);
    bool truncated = rows < count;
    book.clear();
    book.contacts.resize(rows);
    std::vector<uint8_t> record(recordSize);
    for (uint32_t row = 0; row < rows; ++row) {
        std::fill(record.begin(), record.end(), 0xFF);
        const std::string_view got = reader.take(recordSize);
        std::copy(got.begin(), got.end(), record.begin());
        truncated = truncated || got.size() < recordSize;
        writeLog(LogLevel::PersonalData, kTag, "Record entry:%s", hexText(record).c_str());
        readRecord(record, nameSize, book.contacts[row]);
        book.contacts[row].sequence = row;
    }
    if (truncated) {
        writeLog(LogLevel::Warning, kTag, "file ends before its %u records", count);
    }
    book.nextSequence = rows + 1;
    recordLength = static_cast<uint32_t>(length);
    nameLength = static_cast<uint32_t>(alphaLength);
    return true;
}

bool isAdrBytes(std::string_view bytes)
{
    // The tag follows the length and the short count, or the long count.
    if (bytes.size() < 2) {
        return false;
    }
    const std::size_t at = bytes[1] != 0 ? 2 : 6;
    return bytes.size() >= at + kAdrFileTag.size() &&
           bytes.substr(at, kAdrFileTag.size()) == kAdrFileTag;
}

bool openAdrFile(const std::string& path, PhoneBook& book, uint32_t& recordLength,
                 uint32_t& nameLength, UserInterface& ui)
{
    std::string bytes;
    if (const FileResult read = readInputFile(path, kAdrMaxFileSize, bytes); !read.ok()) {
        if (read.problem == FileProblem::System) {
            ui.inform(kCannotOpenFile);
        } else {
            tellOpenFailure(ui, path, read);
        }
        return false;
    }
    return readAdrBytes(bytes, book, recordLength, nameLength, ui);
}
