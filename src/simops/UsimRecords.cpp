#include "simops/UsimRecords.h"

#include "phonebook/RecordCodec.h"

#include <algorithm>

namespace usim {
namespace {

constexpr uint8_t kTemplateType1 = 0xA8;
constexpr uint8_t kTemplateType2 = 0xA9;
constexpr uint8_t kTemplateType3 = 0xAA;
constexpr uint8_t kAasNone = 0x00;

bool parseTemplate(std::span<const uint8_t> value, Link link, PbrSet& set)
{
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == 0xFF)
            break;
        if (i + 2 > value.size())
            return false;
        const uint8_t tag = value[i];
        const std::size_t length = value[i + 1];
        if (i + 2 + length > value.size() || length < 2)
            return false;
        PbrFile file;
        file.tag = static_cast<PbrTag>(tag);
        file.link = link;
        file.fileId = static_cast<uint16_t>(value[i + 2] << 8 | value[i + 3]);
        file.shortFileId = length >= 3 ? value[i + 4] : 0;
        set.files.push_back(file);
        i += 2 + length;
    }
    return true;
}

} // namespace

const PbrFile* PbrSet::adn() const
{
    for (const PbrFile& file : files)
        if (file.tag == PbrTag::Adn)
            return &file;
    return nullptr;
}

std::vector<PbrFile> PbrSet::filesWith(PbrTag tag) const
{
    std::vector<PbrFile> found;
    for (const PbrFile& file : files)
        if (file.tag == tag)
            found.push_back(file);
    return found;
}

int PbrSet::iapIndexOf(const PbrFile& file) const
{
    int index = 0;
    for (const PbrFile& candidate : files) {
        if (candidate.link != Link::Type2)
            continue;
        if (candidate.fileId == file.fileId)
            return index;
        ++index;
    }
    return -1;
}

std::optional<std::vector<PbrSet>> parsePbr(const std::vector<std::vector<uint8_t>>& records)
{
    std::vector<PbrSet> sets;
    for (const std::vector<uint8_t>& record : records) {
        PbrSet set;
        std::size_t i = 0;
        while (i < record.size() && record[i] != 0xFF) {
            if (i + 2 > record.size())
                return std::nullopt;
            const uint8_t tag = record[i];
            const std::size_t length = record[i + 1];
            if (i + 2 + length > record.size())
                return std::nullopt;
            const auto value = std::span(record).subspan(i + 2, length);
            const Link link = tag == kTemplateType1   ? Link::Type1
                              : tag == kTemplateType2 ? Link::Type2
                                                      : Link::Type3;
            if ((tag == kTemplateType1 || tag == kTemplateType2 || tag == kTemplateType3) &&
                !parseTemplate(value, link, set))
                return std::nullopt;
            i += 2 + length;
        }
        if (set.adn() != nullptr)
            sets.push_back(std::move(set));
    }
    return sets;
}

std::optional<AnrContent> parseAnrRecord(std::span<const uint8_t> record)
{
    if (record.size() < kAnrFixedLength)
        return std::nullopt;
    // Byte 2 is the length of TON/NPI and digits: 00 or FF is an unused record.
    if (record[1] == 0x00 || record[1] == 0xFF)
        return std::nullopt;
    const auto parsed = parseNumberRecord(record.first(kAnrFixedLength));
    if (!parsed)
        return std::nullopt;
    return AnrContent{parsed->number, parsed->tonNpi, parsed->extensionRecord};
}

std::vector<uint8_t> buildAnrRecord(std::size_t length, const std::string& number, uint8_t tonNpi,
                                    uint8_t ext, uint8_t adnSfi, uint8_t adnRecord, bool type2)
{
    std::vector<uint8_t> record(std::max(length, kAnrFixedLength), 0xFF);
    const std::string aas(1, static_cast<char>(kAasNone));
    const std::vector<uint8_t> fixed =
        buildNumberRecord(kAnrFixedLength, aas, number, tonNpi, 0xFF, ext);
    std::copy(fixed.begin(), fixed.end(), record.begin());
    if (type2 && record.size() >= kAnrFixedLength + 2) {
        record[record.size() - 2] = adnSfi;
        record[record.size() - 1] = adnRecord;
    }
    record.resize(length);
    return record;
}

std::string parseTextRecord(std::span<const uint8_t> record, bool type2)
{
    const auto text = record.first(textRoom(record.size(), type2));
    if (isFreeRecord(text))
        return {};
    return heldNameFromCardAlpha(cardAlphaField(text));
}

std::vector<uint8_t> buildTextRecord(std::size_t length, const std::string& heldText,
                                     uint8_t adnSfi, uint8_t adnRecord, bool type2, bool* cut)
{
    std::vector<uint8_t> record(length, 0xFF);
    const std::size_t room = textRoom(length, type2);
    const std::string card = cardAlphaFromHeldName(heldText, room, cut);
    std::copy_n(card.begin(), std::min(card.size(), room), record.begin());
    if (type2 && length >= 2) {
        record[length - 2] = adnSfi;
        record[length - 1] = adnRecord;
    }
    return record;
}

} // namespace usim
