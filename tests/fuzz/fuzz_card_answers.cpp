// libFuzzer target: whatever a card answers to SELECT (a SIM's file header or
// a UICC's FCP template) and whatever its EF DIR and USIM phone-book records
// hold must decode without reading outside the answer, and the USIM records
// the program writes back must read as what it read.
#include "card/sim/SimCommands.h"
#include "card/uicc/CardKind.h"
#include "card/uicc/Fcp.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/RecordCodec.h"
#include "simops/UsimRecords.h"

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

void decodeSelectAnswer(std::span<const uint8_t> answer)
{
    (void)Sim::decodeHeader(answer);
    if (const std::optional<Uicc::Fcp> fcp = Uicc::decodeFcp(answer)) {
        check(fcp->aid.size() <= answer.size());
        (void)Uicc::headerOf(*fcp);
    }
    const DirApplication application = decodeDirRecord(answer);
    check(application.aid.size() + application.label.size() <= answer.size());
    (void)isUsimAid(application.aid);
    (void)atrHasClassIndicator(answer);
}

// EF PBR: the input cut into records, each as long as its first byte says.
void decodePbr(std::span<const uint8_t> bytes)
{
    std::vector<std::vector<uint8_t>> records;
    while (!bytes.empty()) {
        const std::size_t length = std::min<std::size_t>(bytes[0], bytes.size() - 1);
        records.emplace_back(bytes.begin() + 1, bytes.begin() + 1 + static_cast<long>(length));
        bytes = bytes.subspan(1 + length);
    }
    const std::optional<std::vector<usim::PbrSet>> sets = usim::parsePbr(records);
    if (!sets) {
        return;
    }
    check(sets->size() <= records.size());
    for (const usim::PbrSet& set : *sets) {
        check(set.adn() != nullptr);
        // The n-th type 2 file has IAP byte n; two with one file id share
        // the first one's byte.
        int type2 = 0;
        for (const usim::PbrFile& file : set.files) {
            if (file.link != usim::Link::Type2)
                continue;
            const int index = set.iapIndexOf(file);
            check(index >= 0 && index <= type2);
            ++type2;
        }
    }
}

// ANR, EMAIL and SNE records, as type 1 and as type 2 files: an ANR number
// and a text that fits go back as they were read.
void decodeUsimRecords(std::span<const uint8_t> record)
{
    for (const bool type2 : {false, true}) {
        if (const std::optional<usim::AnrContent> anr = usim::parseAnrRecord(record)) {
            const std::vector<uint8_t> rebuilt = usim::buildAnrRecord(
                record.size(), anr->number, anr->tonNpi, anr->extensionRecord, 1, 1, type2);
            check(rebuilt.size() == record.size());
            const std::optional<usim::AnrContent> again = usim::parseAnrRecord(rebuilt);
            if (!anr->number.empty() && !needsExtension(anr->number)) {
                check(again && again->number == anr->number &&
                      again->extensionRecord == anr->extensionRecord);
            }
        }
        const std::string text = usim::parseTextRecord(record, type2);
        bool cut = false;
        const std::vector<uint8_t> rebuilt =
            usim::buildTextRecord(record.size(), text, 1, 1, type2, &cut);
        check(rebuilt.size() == record.size());
        // What the user sees of the text is what goes back to the card.
        if (!cut) {
            check(heldNameToUnicode(usim::parseTextRecord(rebuilt, type2)) ==
                  heldNameToUnicode(text));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // A card answers at most 256 bytes; the copy is exactly as long as the
    // answer, so any read past its end is caught.
    const std::vector<uint8_t> answer(data, data + std::min<std::size_t>(size, 256));
    decodeSelectAnswer(answer);
    decodePbr(answer);
    decodeUsimRecords(answer);
    return 0;
}
