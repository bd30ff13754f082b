#include "card/uicc/Fcp.h"

#include <algorithm>

namespace {

constexpr uint8_t kFcpTemplate = 0x62;
constexpr uint8_t kTagFileSize = 0x80;
constexpr uint8_t kTagDescriptor = 0x82;
constexpr uint8_t kTagFileId = 0x83;
constexpr uint8_t kTagAid = 0x84;
constexpr uint8_t kTagShortFileId = 0x88;
constexpr uint8_t kTagPinStatus = 0xC6;
constexpr uint8_t kTagPsDo = 0x90;
constexpr uint8_t kTagKeyReference = 0x83;
constexpr uint16_t kMfId = 0x3F00;
// File descriptor byte: b6-b4 all set name a directory; b3-b1 the EF structure.
constexpr uint8_t kDirectoryBits = 0x38;

struct Tlv
{
    uint8_t tag = 0;
    std::span<const uint8_t> value;
};

// Splits `data` into simple one-byte-tag, one-byte-length TLVs (BER lengths
// 81 xx accepted). False when a length runs past the end.
bool splitTlvs(std::span<const uint8_t> data, std::vector<Tlv>& out)
{
    std::size_t i = 0;
    while (i < data.size()) {
        if (data[i] == 0x00 || data[i] == 0xFF) { // padding between objects
            ++i;
            continue;
        }
        if (i + 2 > data.size())
            return false;
        const uint8_t tag = data[i];
        std::size_t length = data[i + 1];
        i += 2;
        if (length == 0x81) {
            if (i >= data.size())
                return false;
            length = data[i++];
        }
        if (i + length > data.size())
            return false;
        out.push_back({tag, data.subspan(i, length)});
        i += length;
    }
    return true;
}

uint32_t bigEndian(std::span<const uint8_t> bytes)
{
    uint32_t value = 0;
    for (uint8_t b : bytes.first(std::min<std::size_t>(bytes.size(), 4)))
        value = value << 8 | b;
    return value;
}

Uicc::EfStructure structureOf(uint8_t descriptor)
{
    switch (descriptor & 0x07) {
    case 1:
        return Uicc::EfStructure::Transparent;
    case 2:
        return Uicc::EfStructure::LinearFixed;
    case 6:
        return Uicc::EfStructure::Cyclic;
    default:
        return Uicc::EfStructure::Other;
    }
}

// C6: PS_DO (90) holds one bit per key reference (83) listed after it, the
// first key in b8 of the first byte.
void readPinStatus(std::span<const uint8_t> value, Uicc::Fcp& fcp)
{
    std::vector<Tlv> objects;
    if (!splitTlvs(value, objects))
        return;
    std::span<const uint8_t> psDo;
    std::size_t keyIndex = 0;
    for (const Tlv& object : objects) {
        if (object.tag == kTagPsDo) {
            psDo = object.value;
        } else if (object.tag == kTagKeyReference && object.value.size() == 1) {
            const std::size_t byte = keyIndex / 8;
            const int bit = 7 - static_cast<int>(keyIndex % 8);
            const bool enabled = byte < psDo.size() && ((psDo[byte] >> bit) & 1) != 0;
            fcp.keys.push_back({object.value[0], enabled});
            ++keyIndex;
        }
    }
}

} // namespace

std::optional<bool> Uicc::Fcp::keyEnabled(uint8_t keyReference) const
{
    for (const KeyState& key : keys)
        if (key.keyReference == keyReference)
            return key.enabled;
    return std::nullopt;
}

std::optional<Uicc::Fcp> Uicc::decodeFcp(std::span<const uint8_t> answer)
{
    std::vector<Tlv> outer;
    if (!splitTlvs(answer, outer) || outer.empty() || outer.front().tag != kFcpTemplate)
        return std::nullopt;
    std::vector<Tlv> objects;
    if (!splitTlvs(outer.front().value, objects))
        return std::nullopt;
    Fcp fcp;
    for (const Tlv& object : objects) {
        const auto v = object.value;
        switch (object.tag) {
        case kTagDescriptor:
            if (v.empty())
                return std::nullopt;
            fcp.isDirectory = (v[0] & kDirectoryBits) == kDirectoryBits;
            fcp.structure = fcp.isDirectory ? EfStructure::None : structureOf(v[0]);
            if (v.size() >= 5) {
                fcp.recordLength = static_cast<uint16_t>(v[2] << 8 | v[3]);
                fcp.recordCount = v[4];
            }
            break;
        case kTagFileId:
            fcp.fileId = static_cast<uint16_t>(bigEndian(v));
            break;
        case kTagFileSize:
            fcp.fileSize = bigEndian(v);
            break;
        case kTagShortFileId:
            fcp.shortFileId = v.empty() ? 0 : static_cast<uint8_t>(v[0] >> 3);
            break;
        case kTagAid:
            fcp.aid.assign(v.begin(), v.end());
            break;
        case kTagPinStatus:
            readPinStatus(v, fcp);
            break;
        default:
            break;
        }
    }
    return fcp;
}

FileHeader Uicc::headerOf(const Fcp& fcp)
{
    FileHeader header;
    if (fcp.isDirectory) {
        header.type = fcp.fileId == kMfId ? FileType::Master : FileType::Dedicated;
        return header;
    }
    header.type = FileType::Elementary;
    header.recordLength = static_cast<uint8_t>(std::min<uint16_t>(fcp.recordLength, 255));
    // A record file's size is its records' size, whatever tag 80 adds.
    header.fileSize =
        fcp.recordLength != 0
            ? static_cast<uint16_t>(std::min<uint32_t>(fcp.recordLength * fcp.recordCount, 0xFFFF))
            : static_cast<uint16_t>(std::min<uint32_t>(fcp.fileSize, 0xFFFF));
    return header;
}
