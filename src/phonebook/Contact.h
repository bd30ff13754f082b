#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The optional fields of a USIM phone-book entry. The texts are held like a
// contact's name (Windows-1252 or a UCS2 card form).
struct ContactExtras
{
    std::vector<ExtraNumber> extraNumbers; // at most Contact::kMaxExtraNumbers
    std::vector<std::string> emails;       // at most kMaxEmails, each at most kMaxEmailBytes
    std::string secondName;                // at most kNameSize - 1 bytes

    bool empty() const { return extraNumbers.empty() && emails.empty() && secondName.empty(); }
    bool operator==(const ContactExtras&) const = default;
};

// One phone-book entry. The name is held in the form the card records use
// (see AlphaCodec.h): plain names as Windows-1252 bytes, UCS2 names in their
// card forms starting with 0x80, 0x81 or 0x82. The 0x80 and 0x82 forms may
// contain zero bytes: take a held name's length from heldName(), never from
// strlen().
//
// A book may hold a great many contacts and almost none of them have the
// optional fields, so these live behind a pointer that stays null until one is
// written; copies and comparisons treat them as plain values.
struct Contact
{
    static constexpr std::size_t kNameSize = 101;  // at most 100 bytes + NUL
    static constexpr std::size_t kNumberSize = 43; // at most 42 characters + NUL
    static constexpr std::size_t kMaxCardDigits = 40;
    // Limits of the optional fields, so that every file reader agrees on them.
    static constexpr std::size_t kMaxExtraNumbers = 9;
    static constexpr std::size_t kMaxEmails = 4;
    static constexpr std::size_t kMaxEmailBytes = 254;

    uint8_t tonNpi = 0xFF;
    uint8_t ccp = 0xFF;
    NumberType numberType = NumberType::None; // label of the number
    uint32_t sequence = 0;

    Contact() = default;
    Contact(const Contact& other);
    Contact(Contact&&) noexcept = default;
    Contact& operator=(const Contact& other);
    Contact& operator=(Contact&&) noexcept = default;
    ~Contact() = default;

    // Keeps at most 100 bytes of `held` (a 0x80 name whole characters only)
    // and the length heldName() finds in them.
    void setName(std::string_view held);
    // Keeps at most 42 characters of `text`, up to a zero byte.
    void setNumber(std::string_view text);
    std::string_view heldName() const { return m_name; }
    std::string_view numberText() const { return m_number; }

    // The optional fields; an empty set when there are none (never allocates).
    const ContactExtras& extras() const;
    // The optional fields for writing; created on first use.
    ContactExtras& editExtras();
    // Removes the extra numbers, e-mail addresses and second name (not the
    // number type).
    void dropExtras() { m_extras.reset(); }
    // True when any optional field is set (a number type, an extra number, an
    // e-mail address or a second name).
    bool hasExtras() const;
    // All fields back to a fresh contact (empty, TON/NPI and CCP 0xFF, no extras).
    void clear();

private:
    std::string m_name;
    std::string m_number;
    std::unique_ptr<ContactExtras> m_extras;
};

// Exchanges two contacts with every field, the optional ones included.
void swapContacts(Contact& a, Contact& b);
