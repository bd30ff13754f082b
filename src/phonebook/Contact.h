#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// One phone-book entry. The name is held in the form the card records use
// (see AlphaCodec.h): plain names as Windows-1252 bytes, UCS2 names in their
// card forms starting with 0x80, 0x81 or 0x82. Measure a held name with
// heldName() / HeldNameLength(), never with strlen(): the 0x80 and 0x82 forms
// may contain zero bytes.
struct Contact
{
    static constexpr std::size_t NameSize = 101;  // at most 100 bytes + NUL
    static constexpr std::size_t NumberSize = 43; // at most 42 characters + NUL
    static constexpr std::size_t MaxCardDigits = 40;

    char name[NameSize] = {};
    char number[NumberSize] = {};
    uint8_t tonNpi = 0xFF;
    uint8_t ccp = 0xFF;
    uint32_t sequence = 0;

    // Copies `held` into name (cut to 100 bytes, rest zero-filled).
    void setName(std::string_view held);
    // Copies `text` into number (cut to 42 characters, rest zero-filled).
    void setNumber(std::string_view text);
    std::string_view heldName() const;
    std::string_view numberText() const;
    // All fields back to a fresh contact (zeros, TON/NPI and CCP 0xFF).
    void clear();
};

// Exchanges all five fields of two contacts.
void swapContacts(Contact& a, Contact& b);
