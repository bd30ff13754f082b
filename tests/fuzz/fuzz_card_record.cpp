// Decoding whatever bytes a card returns for a phone-book or extension record
// must never crash or read outside the record; what it decodes must survive
// being laid out again.

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Contact.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void decodeNumberRecord(std::span<const uint8_t> record)
{
    const std::optional<NumberRecord> parsed = parseNumberRecord(record);
    check(parsed.has_value() == (record.size() >= SimRecord::kFixedPartLength));
    if (!parsed) {
        return;
    }
    check(parsed->alpha.size() <= record.size() - SimRecord::kFixedPartLength);
    check(parsed->number.size() <= 21);

    // What the reader stores and shows.
    Contact contact;
    contact.setName(heldNameFromCardAlpha(parsed->alpha));
    contact.setNumber(parsed->number);
    check(contact.heldName().size() < Contact::kNameSize);
    char shown[16];
    decodeAlphaToText(contact.heldName(), shown, sizeof shown);
    (void)heldNameToUnicode(contact.heldName());
    (void)decodeAlphaToText(parsed->alpha);

    // The decoded digits encode back to the same text.
    const EncodedNumber bcd = encodeDiallingNumber(parsed->number);
    check(decodeDiallingNumber(parsed->tonNpi, bcd) == parsed->number);

    // Laying the record out again keeps the number and the held name's alpha field.
    const std::vector<uint8_t> rebuilt = buildNumberRecord(
        record.size(), cardAlphaFromHeldName(contact.heldName(), record.size() - 14),
        parsed->number, parsed->tonNpi, parsed->ccp, parsed->extensionRecord);
    check(rebuilt.size() == record.size());
    const std::optional<NumberRecord> again = parseNumberRecord(rebuilt);
    check(again && again->ccp == parsed->ccp && again->extensionRecord == parsed->extensionRecord);
    // A '+' counts as one of the 20 characters of a record: "+" and 20 digits
    // would send the last digit to an extension record.
    if (!needsExtension(parsed->number)) {
        check(again->number == parsed->number);
    }
}

// Any alpha identifier decodes; what it decodes to, written into a field of
// the same size or the largest one, reads back whole or as its beginning, and
// the encoder says which.
void decodeAlpha(std::span<const uint8_t> field)
{
    const std::string alpha = cardAlphaField(field);
    check(alpha.size() <= field.size());
    const QString name = decodeCardAlpha(alpha);
    check(static_cast<std::size_t>(name.size()) <= field.size());
    for (const std::size_t room : {field.size(), std::size_t(241)}) {
        const CardAlpha encoded = encodeCardAlpha(name, room);
        check(encoded.bytes.size() <= room);
        check(cardAlphaField(std::span<const uint8_t>(
                  reinterpret_cast<const uint8_t*>(encoded.bytes.data()), encoded.bytes.size())) ==
              encoded.bytes);
        const QString back = decodeCardAlpha(encoded.bytes);
        check(static_cast<std::size_t>(back.size()) == encoded.chars && name.startsWith(back));
        check(encoded.cut == (back.size() < name.size()));
    }
    // The held form keeps every character of a name of up to 100 characters,
    // but U+FFFF, which is no character: its bytes end the held 0x80 form.
    const std::string held = heldNameFromCardAlpha(alpha, 255);
    if (name.size() <= 100 && !(name.contains(QChar(0xFFFF)) && held.front() == '\x80')) {
        check(heldNameToUnicode(held) == name);
    }
    (void)entryNameFromCardAlpha(alpha);
}

void decodeExtensionRecord(std::span<const uint8_t> record)
{
    const std::string digits = parseExtensionDigits(record);
    check(digits.size() <= 20);
    (void)isReusableExtension(record);
    if (record.size() >= 13) {
        const std::vector<uint8_t> rebuilt = buildExtensionRecord(record.size(), digits);
        check(parseExtensionDigits(rebuilt) == digits);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Copy into a buffer of exactly the record's size so that any read past
    // its end is caught.
    const std::vector<uint8_t> record(data, data + size);
    decodeNumberRecord(record);
    decodeAlpha(record);
    decodeExtensionRecord(record);
    (void)heldNameLength(reinterpret_cast<const char*>(record.data()), record.size());
    return 0;
}
