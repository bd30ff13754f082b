#include "phonebook/RecordCodec.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"

#include <QByteArray>

#include <algorithm>
#include <array>

namespace {

// The 10 digit bytes starting at `offset`, followed by a filler, as the
// decoder expects them; bytes beyond the record read as filler.
std::array<uint8_t, kDigitBytesPerRecord + 1> digitBytes(std::span<const uint8_t> record,
                                                         std::size_t offset)
{
    std::array<uint8_t, kDigitBytesPerRecord + 1> bytes;
    bytes.fill(SimRecord::kUnused);
    for (std::size_t i = 0; i < kDigitBytesPerRecord && offset + i < record.size(); ++i) {
        bytes[i] = record[offset + i];
    }
    return bytes;
}

std::string_view asText(std::span<const uint8_t> bytes)
{
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

bool isFreeRecord(std::span<const uint8_t> record)
{
    return record.empty() || record[0] == SimRecord::kUnused;
}

std::string cardAlphaField(std::span<const uint8_t> alphaField)
{
    if (alphaField.empty()) {
        return {};
    }
    const std::string_view field = asText(alphaField);
    std::size_t length = 0;
    switch (alphaField[0]) {
    case AlphaForm::kUcs2Pairs:
        // Whole pairs up to the padding; a character may hold one byte 0xFF.
        length = 1;
        while (length + 1 < alphaField.size() && !(alphaField[length] == SimRecord::kUnused &&
                                                   alphaField[length + 1] == SimRecord::kUnused)) {
            length += 2;
        }
        break;
    case AlphaForm::kUcs2Base8:
        // The count byte says how many characters follow; 0xFF may be one of them.
        length = alphaField.size() < 2 ? alphaField.size() : 3u + alphaField[1];
        break;
    case AlphaForm::kUcs2Base16:
        length = alphaField.size() < 2 ? alphaField.size() : 4u + alphaField[1];
        break;
    default:
        // GSM default alphabet: 0x00 is the at sign, only 0xFF pads.
        length = std::find(alphaField.begin(), alphaField.end(), SimRecord::kUnused) -
                 alphaField.begin();
        break;
    }
    return std::string(field.substr(0, std::min(length, field.size())));
}

std::optional<NumberRecord> parseNumberRecord(std::span<const uint8_t> record)
{
    using namespace SimRecord;
    if (record.size() < kFixedPartLength) {
        return std::nullopt;
    }
    const std::size_t length = record.size();
    NumberRecord parsed;
    parsed.alpha = cardAlphaField(record.first(length - kFixedPartLength));
    parsed.lengthByte = record[length - kLengthFromEnd];
    parsed.tonNpi = record[length - kTonNpiFromEnd];
    parsed.number =
        decodeDiallingNumber(parsed.tonNpi, digitBytes(record, length - kDigitsFromEnd));
    parsed.ccp = record[length - kCcpFromEnd];
    parsed.extensionRecord = record[length - kExtensionFromEnd];
    return parsed;
}

std::string heldNameFromCardAlpha(std::string_view alpha, std::size_t maxBytes)
{
    return heldNameFromUnicode(decodeCardAlpha(alpha), maxBytes);
}

std::string entryNameFromCardAlpha(std::string_view alpha)
{
    return unicodeToCp1252(decodeCardAlpha(alpha));
}

std::string parseExtensionDigits(std::span<const uint8_t> record)
{
    // Type, length and further-record bytes are not consulted: only the digits count.
    return decodeDiallingNumber(0, digitBytes(record, 2));
}

bool isReusableExtension(std::span<const uint8_t> record)
{
    return !record.empty() &&
           (record[0] == SimRecord::kExtensionAdditionalData || record[0] == SimRecord::kUnused);
}

namespace {

std::string cardAlphaOf(QStringView name, std::size_t alphaLength, bool* cut)
{
    CardAlpha alpha = encodeCardAlpha(name, alphaLength);
    if (cut != nullptr) {
        *cut = alpha.cut;
    }
    return std::move(alpha.bytes);
}

} // namespace

std::string cardAlphaFromHeldName(std::string_view held, std::size_t alphaLength, bool* cut)
{
    return cardAlphaOf(heldNameToUnicode(held), alphaLength, cut);
}

std::string cardAlphaFromEntryName(std::string_view cp1252Name, std::size_t alphaLength, bool* cut)
{
    return cardAlphaOf(cp1252ToUnicode(cp1252Name), alphaLength, cut);
}

std::string cardAlphaForEntry(std::string_view cp1252Name, std::string_view keptAlphaHex,
                              std::size_t alphaLength, bool* cut)
{
    const QByteArray kept =
        QByteArray::fromHex(QByteArray(keptAlphaHex.data(), qsizetype(keptAlphaHex.size())));
    const std::string keptAlpha(kept.constData(), static_cast<std::size_t>(kept.size()));
    if (!keptAlpha.empty() && keptAlpha.size() <= alphaLength &&
        entryNameFromCardAlpha(keptAlpha) == cp1252Name) {
        if (cut != nullptr)
            *cut = false;
        return keptAlpha;
    }
    return cardAlphaFromEntryName(cp1252Name, alphaLength, cut);
}

QString entryNameToUnicode(std::string_view cp1252Name, std::string_view keptAlphaHex)
{
    const QByteArray kept =
        QByteArray::fromHex(QByteArray(keptAlphaHex.data(), qsizetype(keptAlphaHex.size())));
    const std::string keptAlpha(kept.constData(), static_cast<std::size_t>(kept.size()));
    if (!keptAlpha.empty() && entryNameFromCardAlpha(keptAlpha) == cp1252Name)
        return decodeCardAlpha(keptAlpha);
    return cp1252ToUnicode(cp1252Name);
}

std::string cardAlphaHex(std::string_view alpha)
{
    return QByteArray(alpha.data(), qsizetype(alpha.size())).toHex().toStdString();
}

std::string_view recordDigits(std::string_view number)
{
    return number.substr(0, std::min(number.size(), kDigitsPerRecord));
}

std::string_view extensionDigits(std::string_view number)
{
    if (number.size() <= kDigitsPerRecord) {
        return {};
    }
    return number.substr(kDigitsPerRecord, kDigitsPerRecord);
}

bool needsExtension(std::string_view number)
{
    return number.size() > kDigitsPerRecord;
}

std::vector<uint8_t> emptyRecord(std::size_t length)
{
    return std::vector<uint8_t>(length, SimRecord::kUnused);
}

std::vector<uint8_t> buildNumberRecord(std::size_t length, std::string_view cardAlpha,
                                       std::string_view number, uint8_t tonNpi, uint8_t ccp,
                                       uint8_t extensionRecord)
{
    using namespace SimRecord;
    if (length < kFixedPartLength) {
        return {};
    }
    std::vector<uint8_t> record = emptyRecord(length);
    const std::size_t alphaLength = length - kFixedPartLength;
    std::copy_n(cardAlpha.begin(), std::min(cardAlpha.size(), alphaLength), record.begin());

    const EncodedNumber digits = encodeDiallingNumber(recordDigits(number));
    record[length - kLengthFromEnd] = numberLengthByte(digits);
    record[length - kTonNpiFromEnd] = tonNpi;
    std::copy_n(digits.begin(), kDigitBytesPerRecord, record.begin() + (length - kDigitsFromEnd));
    record[length - kCcpFromEnd] = ccp;
    record[length - kExtensionFromEnd] = extensionRecord;
    return record;
}

std::vector<uint8_t> buildExtensionRecord(std::size_t length, std::string_view digits)
{
    std::vector<uint8_t> record = emptyRecord(length);
    if (length < 2 + kDigitBytesPerRecord) {
        return record;
    }
    const EncodedNumber bcd = encodeDiallingNumber(digits.substr(0, kDigitsPerRecord));
    record[0] = SimRecord::kExtensionAdditionalData;
    // Digit bytes in use: the record's length byte does not count a TON/NPI here.
    record[1] = static_cast<uint8_t>(numberLengthByte(bcd) - 1);
    std::copy_n(bcd.begin(), kDigitBytesPerRecord, record.begin() + 2);
    return record;
}
