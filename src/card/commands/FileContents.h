#pragma once

#include <cstdint>
#include <span>
#include <string>

// The contents of the card's identification files, the same on every card kind.

// EF ICCID: swapped-nibble BCD, low nibble first; an F nibble ends the number.
// At most 20 digits (10 bytes).
std::string iccidDigits(std::span<const uint8_t> content);

// EF SPN: the display condition byte, then 16 name bytes padded with FF.
struct ServiceProviderName
{
    uint8_t displayCondition = 0;
    std::string name; // up to the first FF or NUL
};
ServiceProviderName serviceProviderNameOf(std::span<const uint8_t> content);
