#include "card/commands/FileContents.h"

#include <algorithm>

namespace {
constexpr std::size_t kIccidBytes = 10;
constexpr std::size_t kSpnNameBytes = 16;
} // namespace

std::string iccidDigits(std::span<const uint8_t> content)
{
    std::string digits;
    for (std::size_t i = 0; i < std::min(content.size(), kIccidBytes); ++i) {
        const uint8_t low = content[i] & 0x0F;
        const uint8_t high = content[i] >> 4;
        // Digits above 9 are not special: they come out as the characters after '9'.
        if (low == 0x0F)
            break;
        digits += static_cast<char>('0' + low);
        if (high == 0x0F)
            break;
        digits += static_cast<char>('0' + high);
    }
    return digits;
}

ServiceProviderName serviceProviderNameOf(std::span<const uint8_t> content)
{
    ServiceProviderName spn;
    if (content.empty())
        return spn;
    spn.displayCondition = content[0];
    for (std::size_t i = 1; i < content.size() && i <= kSpnNameBytes; ++i) {
        if (content[i] == 0xFF || content[i] == 0x00)
            break;
        spn.name += static_cast<char>(content[i]);
    }
    return spn;
}
