// Decoding whatever bytes a card returns for a phone-book or extension record
// must never crash or read outside the record; what it decodes must survive
// being laid out again.

#include "phonebook/AlphaCodec.h"
#include "phonebook/Contact.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"

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
    const std::optional<NumberRecord> parsed = ParseNumberRecord(record);
    check(parsed.has_value() == (record.size() >= SimRecord::FixedPartLength));
    if (!parsed) {
        return;
    }
    check(parsed->alpha.size() <= record.size() - SimRecord::FixedPartLength);
    check(parsed->number.size() <= 21);

    // What the reader stores and shows.
    Contact contact;
    contact.setName(HeldNameFromCardAlpha(parsed->alpha));
    contact.setNumber(parsed->number);
    check(contact.heldName().size() < Contact::NameSize);
    char shown[16];
    DecodeAlphaToText(contact.heldName(), shown, sizeof shown);
    (void)HeldNameToUnicode(contact.heldName());
    (void)DecodeAlphaToText(parsed->alpha);

    // The decoded digits encode back to the same text.
    const EncodedNumber bcd = EncodeDiallingNumber(parsed->number);
    check(DecodeDiallingNumber(parsed->tonNpi, bcd) == parsed->number);

    // Laying the record out again keeps the number and the held name's alpha field.
    const std::vector<uint8_t> rebuilt = BuildNumberRecord(
        record.size(), CardAlphaFromHeldName(contact.heldName(), record.size() - 14),
        parsed->number, parsed->tonNpi, parsed->ccp, parsed->extensionRecord);
    check(rebuilt.size() == record.size());
    const std::optional<NumberRecord> again = ParseNumberRecord(rebuilt);
    check(again && again->ccp == parsed->ccp && again->extensionRecord == parsed->extensionRecord);
    // A '+' counts as one of the 20 characters of a record: "+" and 20 digits
    // would send the last digit to an extension record.
    if (!NeedsExtension(parsed->number)) {
        check(again->number == parsed->number);
    }
}

void decodeExtensionRecord(std::span<const uint8_t> record)
{
    const std::string digits = ParseExtensionDigits(record);
    check(digits.size() <= 20);
    (void)IsReusableExtension(record);
    if (record.size() >= 13) {
        const std::vector<uint8_t> rebuilt = BuildExtensionRecord(record.size(), digits);
        check(ParseExtensionDigits(rebuilt) == digits);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Copy into a buffer of exactly the record's size so that any read past
    // its end is caught.
    const std::vector<uint8_t> record(data, data + size);
    decodeNumberRecord(record);
    decodeExtensionRecord(record);
    (void)HeldNameLength(reinterpret_cast<const char*>(record.data()), record.size());
    return 0;
}
