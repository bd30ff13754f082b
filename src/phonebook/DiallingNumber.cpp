#include "phonebook/DiallingNumber.h"

#include "phonebook/TextEdit.h"

#include <cstring>

namespace {

constexpr uint8_t kEndNibble = 0x0F;

// The character of a digit nibble, or 0 for the nibbles that carry nothing.
char nibbleChar(uint8_t nibble)
{
    if (nibble <= 9) {
        return static_cast<char>('0' + nibble);
    }
    switch (nibble) {
    case 0x0A:
        return '*';
    case 0x0B:
        return '#';
    case 0x0C:
        return 'p';
    default:
        return 0;
    }
}

uint8_t charNibble(char c)
{
    switch (c) {
    case '*':
        return 0x0A;
    case '#':
        return 0x0B;
    case 'p':
        return 0x0C;
    default:
        // ValidateNumber lets only digits through; anything else keeps its low bits.
        return static_cast<uint8_t>(c - '0') & 0x0F;
    }
}

bool isDiallingChar(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p';
}

} // namespace

std::string decodeDiallingNumber(uint8_t tonNpi, std::span<const uint8_t> bcd)
{
    std::string text;
    if (tonNpi == TonNpi::kInternational) {
        text.push_back('+');
    }
    const std::size_t bytes = std::min<std::size_t>(bcd.size(), 2 * kDigitBytesPerRecord);
    for (std::size_t i = 0; i < bytes; ++i) {
        for (uint8_t nibble :
             {static_cast<uint8_t>(bcd[i] & 0x0F), static_cast<uint8_t>(bcd[i] >> 4)}) {
            if (nibble == kEndNibble) {
                return text;
            }
            if (const char c = nibbleChar(nibble); c != 0) {
                text.push_back(c);
            }
        }
    }
    return text;
}

EncodedNumber encodeDiallingNumber(std::string_view text)
{
    EncodedNumber out;
    out.fill(0xFF);
    std::size_t byte = 0;
    bool lowNibble = true;
    for (char c : text) {
        if (byte >= out.size()) {
            break;
        }
        if (lowNibble) {
            if (c == '+') {
                continue;
            }
            out[byte] = static_cast<uint8_t>(0xF0 | charNibble(c));
        } else {
            out[byte] = static_cast<uint8_t>((out[byte] & 0x0F) | (charNibble(c) << 4));
            ++byte;
        }
        lowNibble = !lowNibble;
    }
    return out;
}

uint8_t numberLengthByte(const EncodedNumber& bcd)
{
    for (std::size_t i = 0; i <= kDigitBytesPerRecord; ++i) {
        if (bcd[i] == 0xFF) {
            return static_cast<uint8_t>(i + 1);
        }
    }
    // Every digit byte in use: the record holds 10 of them.
    return static_cast<uint8_t>(kDigitBytesPerRecord + 1);
}

NumberRefusal checkNumber(std::string& text)
{
    std::erase_if(text,
                  [](char c) { return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')'; });
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDiallingChar(text[i]) && !(i == 0 && text[i] == '+')) {
            return NumberRefusal::NotDiallable;
        }
    }
    const std::size_t digits = text.size() - (text.starts_with('+') ? 1 : 0);
    return digits > kMaxNumberDigits ? NumberRefusal::TooLong : NumberRefusal::None;
}

bool validateNumber(char* text)
{
    std::string checked(text);
    const bool valid = checkNumber(checked) == NumberRefusal::None;
    // The checked text is never longer than what was given.
    std::memcpy(text, checked.c_str(), checked.size() + 1);
    return valid;
}

bool validateNumber(std::string& text)
{
    return checkNumber(text) == NumberRefusal::None;
}

std::string numberDisplayForm(std::string_view number)
{
    return std::string(number);
}

uint8_t tonNpiForNumber(std::string_view number, uint8_t previous)
{
    // Only 42 blanks in a row leave the TON/NPI alone; an empty or shorter
    // all-blank text ends at its NUL, which is not a '+'.
    constexpr std::size_t kLooked = 42;
    for (std::size_t i = 0; i < kLooked; ++i) {
        const char c = i < number.size() ? number[i] : '\0';
        if (c != ' ') {
            return c == '+' ? TonNpi::kInternational : TonNpi::kNational;
        }
    }
    return previous;
}
