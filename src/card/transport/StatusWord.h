#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The two status bytes that end every card answer.
struct StatusWord
{
    uint8_t sw1 = 0;
    uint8_t sw2 = 0;

    uint16_t value() const { return static_cast<uint16_t>(sw1 << 8 | sw2); }
    // "98 04"
    std::string hex() const
    {
        char text[8];
        std::snprintf(text, sizeof text, "%02X %02X", sw1, sw2);
        return text;
    }
    friend bool operator==(const StatusWord&, const StatusWord&) = default;
};
