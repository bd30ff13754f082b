#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The label of a number, as phones and address books show it. None: the
// number came without one (a SIM's EF ADN has no labels).
enum class NumberType : uint8_t
{
    None,
    Cell,
    Home,
    Work,
    Fax,
    Other,
};

// Lower-case label ("cell", "home", "work", "fax", "other"; "" for None), the
// form files keep.
std::string_view numberTypeName(NumberType type);
// The type of a label, compared without regard to case; nullopt when unknown.
std::optional<NumberType> numberTypeFromName(std::string_view name);

// A number beside the contact's main one (the USIM phone book's additional
// numbers). Same text rules as Contact::number.
struct ExtraNumber
{
    std::string number;
    uint8_t tonNpi = 0xFF;
    NumberType type = NumberType::None;

    bool operator==(const ExtraNumber&) const = default;
};

// One phone-book entry. The name is held in the form the card records use
// (see AlphaCodec.h): plain names as Windows-1252 bytes, UCS2 names in their
// card forms starting with 0x80, 0x81 or 0x82. Measure a held name with
// heldName() / heldNameLength(), never with strlen(): the 0x80 and 0x82 forms
// may contain zero bytes.
struct Contact
{
    static constexpr std::size_t kNameSize = 101;  // at most 100 bytes + NUL
    static constexpr std::size_t kNumberSize = 43; // at most 42 characters + NUL
    static constexpr std::size_t kMaxCardDigits = 40;
    // Limits of the optional fields, so that every file reader agrees on them.
    static constexpr std::size_t kMaxExtraNumbers = 9;
    static constexpr std::size_t kMaxEmails = 4;
    static constexpr std::size_t kMaxEmailBytes = 254;

    char name[kNameSize] = {};
    char number[kNumberSize] = {};
    uint8_t tonNpi = 0xFF;
    uint8_t ccp = 0xFF;
    uint32_t sequence = 0;

    // Optional fields of the USIM phone book; empty for a SIM's contact. The
    // texts are held like `name` (Windows-1252 or a UCS2 card form).
    NumberType numberType = NumberType::None; // label of `number`
    std::vector<ExtraNumber> extraNumbers;    // at most kMaxExtraNumbers
    std::vector<std::string> emails;          // at most kMaxEmails, each at most kMaxEmailBytes
    std::string secondName;                   // at most kNameSize - 1 bytes

    // Copies `held` into name (cut to 100 bytes, rest zero-filled).
    void setName(std::string_view held);
    // Copies `text` into number (cut to 42 characters, rest zero-filled).
    void setNumber(std::string_view text);
    std::string_view heldName() const;
    std::string_view numberText() const;
    // True when any optional field is set (a number type, an extra number, an
    // e-mail address or a second name).
    bool hasExtras() const;
    // All fields back to a fresh contact (zeros, TON/NPI and CCP 0xFF, no extras).
    void clear();
};

// Exchanges two contacts with every field, the optional ones included.
void swapContacts(Contact& a, Contact& b);
