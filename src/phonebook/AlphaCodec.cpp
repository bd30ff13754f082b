#include "phonebook/AlphaCodec.h"

#include "phonebook/Cp1252.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// Windows-1252 characters that have a GSM 03.38 default-alphabet position
// different from their code-page byte: {code page, GSM}.
constexpr std::array<std::pair<uint8_t, uint8_t>, 32> kGsmTable = {{
    {0x40, 0x00}, {0xA3, 0x01}, {0x24, 0x02}, {0xA5, 0x03}, {0xE8, 0x04}, {0xE9, 0x05},
    {0xF9, 0x06}, {0xEC, 0x07}, {0xF2, 0x08}, {0xC7, 0x09}, {0xD8, 0x0B}, {0xF8, 0x0C},
    {0xC5, 0x0E}, {0xE5, 0x0F}, {0x5F, 0x11}, {0xC6, 0x1C}, {0xE6, 0x1D}, {0xDF, 0x1E},
    {0xC9, 0x1F}, {0xA4, 0x24}, {0xA1, 0x40}, {0xC4, 0x5B}, {0xD6, 0x5C}, {0xD1, 0x5D},
    {0xDC, 0x5E}, {0xA7, 0x5F}, {0xBF, 0x60}, {0xE4, 0x7B}, {0xF6, 0x7C}, {0xF1, 0x7D},
    {0xFC, 0x7E}, {0xE0, 0x7F},
}};

// Decoding a name gives at most this many characters.
constexpr std::size_t kMaxDecodedChars = 259;

uint8_t byteAt(std::string_view text, std::size_t i)
{
    return static_cast<uint8_t>(text[i]);
}

std::u16string decodeUcs2(std::string_view held)
{
    std::u16string chars;
    if (held.empty()) {
        return chars;
    }
    const uint8_t form = byteAt(held, 0);
    if (form == AlphaForm::kUcs2Pairs) {
        // One byte 0xFF belongs to a character (U+4EFF, U+FF21); the pair FF FF pads.
        for (std::size_t i = 1; i + 1 < held.size() && chars.size() < kMaxDecodedChars; i += 2) {
            const uint8_t high = byteAt(held, i);
            const uint8_t low = byteAt(held, i + 1);
            if ((high == 0xFF && low == 0xFF) || (high == 0 && low == 0)) {
                break;
            }
            chars.push_back(static_cast<char16_t>(high << 8 | low));
        }
        return chars;
    }
    std::size_t first = 0;
    std::size_t end = held.size();
    unsigned base = 0;
    if (form == AlphaForm::kUcs2Base8) {
        if (held.size() <= 3) {
            return chars;
        }
        base = byteAt(held, 2) * 128u;
        first = 3;
    } else {
        if (held.size() <= 4) {
            return chars;
        }
        base = byteAt(held, 2) << 8 | byteAt(held, 3);
        first = 4;
        end = std::min(end, first + byteAt(held, 1));
    }
    for (std::size_t i = first; i < end && chars.size() < kMaxDecodedChars; ++i) {
        const uint8_t b = byteAt(held, i);
        chars.push_back(static_cast<char16_t>(b < 0x80 ? b : (base + (b & 0x7F)) & 0xFFFF));
    }
    return chars;
}

// The UCS2 form that holds `chars` exactly, preferring the shortest.
std::string encodeUcs2(const std::u16string& chars, char16_t firstAbove255, std::size_t maxBytes)
{
    char16_t lowest = 0xFFFF;
    char16_t highest = 0;
    bool sameBlock = firstAbove255 < 0x8000;
    for (char16_t c : chars) {
        if (c >= 0x80) {
            lowest = std::min(lowest, c);
            highest = std::max(highest, c);
            sameBlock = sameBlock && (c >> 7) == (firstAbove255 >> 7);
        }
    }

    std::string out;
    auto appendBaseRelative = [&](std::size_t headerLength, unsigned base) {
        const std::size_t room = maxBytes > headerLength ? maxBytes - headerLength : 0;
        const std::size_t count = std::min(chars.size(), room);
        out[1] = static_cast<char>(std::min<std::size_t>(count, 0xFF));
        for (std::size_t i = 0; i < count; ++i) {
            const char16_t c = chars[i];
            out.push_back(static_cast<char>(c < 0x80 ? c : 0x80 | ((c - base) & 0x7F)));
        }
    };

    if (sameBlock) {
        out = {static_cast<char>(AlphaForm::kUcs2Base8), 0,
               static_cast<char>((firstAbove255 >> 7) & 0xFF)};
        appendBaseRelative(3, static_cast<unsigned>(firstAbove255 >> 7) * 128u);
    } else if (highest - lowest < 0x80) {
        out = {static_cast<char>(AlphaForm::kUcs2Base16), 0, static_cast<char>(lowest >> 8),
               static_cast<char>(lowest & 0xFF)};
        appendBaseRelative(4, lowest);
    } else {
        out.push_back(static_cast<char>(AlphaForm::kUcs2Pairs));
        for (char16_t c : chars) {
            if (out.size() + 2 > maxBytes) {
                break;
            }
            out.push_back(static_cast<char>(c >> 8));
            out.push_back(static_cast<char>(c & 0xFF));
        }
    }
    out.resize(std::min(out.size(), maxBytes));
    return out;
}

} // namespace

bool isUcs2Form(std::string_view held)
{
    if (held.empty()) {
        return false;
    }
    const uint8_t form = byteAt(held, 0);
    return form == AlphaForm::kUcs2Pairs || form == AlphaForm::kUcs2Base8 ||
           form == AlphaForm::kUcs2Base16;
}

std::size_t heldNameLength(const char* held, std::size_t maxLength)
{
    if (held == nullptr || maxLength == 0) {
        return 0;
    }
    const auto form = static_cast<uint8_t>(held[0]);
    if (form == AlphaForm::kUcs2Pairs) {
        std::size_t i = 1;
        while (i + 1 < maxLength) {
            const auto high = static_cast<uint8_t>(held[i]);
            const auto low = static_cast<uint8_t>(held[i + 1]);
            if ((high == 0xFF && low == 0xFF) || (high == 0 && low == 0)) {
                break;
            }
            i += 2;
        }
        return i;
    }
    if (form == AlphaForm::kUcs2Base16 && maxLength >= 4) {
        return std::min<std::size_t>(maxLength, 4u + static_cast<uint8_t>(held[1]));
    }
    return strnlen(held, maxLength);
}

uint8_t gsmToAnsiChar(uint8_t gsm)
{
    for (const auto& [ansi, code] : kGsmTable) {
        if (code == gsm) {
            return ansi;
        }
    }
    return gsm;
}

QString heldNameToUnicode(std::string_view held)
{
    if (!isUcs2Form(held)) {
        return cp1252ToUnicode(held);
    }
    const std::u16string chars = decodeUcs2(held);
    return QString(reinterpret_cast<const QChar*>(chars.data()),
                   static_cast<qsizetype>(chars.size()));
}

std::string decodeAlphaToText(std::string_view held)
{
    if (!isUcs2Form(held)) {
        return std::string(held);
    }
    return unicodeToCp1252(heldNameToUnicode(held));
}

int decodeAlphaToText(std::string_view held, char* out, std::size_t outSize)
{
    if (out == nullptr || outSize == 0) {
        return 1;
    }
    const std::string text = decodeAlphaToText(held);
    const std::size_t length = std::min(text.size(), outSize - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return 1;
}

char16_t firstCharAbove255(QStringView wide)
{
    for (QChar c : wide) {
        if (c.unicode() > 0xFF) {
            return c.unicode();
        }
    }
    return 0;
}

std::string encodeAlphaFromUnicode(QStringView wide, std::size_t maxBytes, int* result)
{
    // A NUL ends the name.
    const qsizetype nul = wide.indexOf(QChar(0));
    if (nul >= 0) {
        wide = wide.left(nul);
    }
    char16_t first = firstCharAbove255(wide);
    if (first == 0) {
        std::string plain = unicodeToCp1252(wide);
        // A plain name must not look like one of the UCS2 forms (only U+0081 can).
        if (!isUcs2Form(plain)) {
            plain.resize(std::min(plain.size(), maxBytes));
            if (result != nullptr) {
                *result = 2;
            }
            return plain;
        }
        first = wide.front().unicode();
    }
    if (result != nullptr) {
        *result = 1;
    }
    const std::u16string chars(reinterpret_cast<const char16_t*>(wide.utf16()),
                               static_cast<std::size_t>(wide.size()));
    return encodeUcs2(chars, first, maxBytes);
}

std::string heldNameFromUnicode(QStringView name, std::size_t maxBytes)
{
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0) {
        name = name.left(nul);
    }
    bool exact = false;
    std::string plain = unicodeToCp1252(name, &exact);
    if (exact && !isUcs2Form(plain)) {
        plain.resize(std::min(plain.size(), maxBytes));
        return plain;
    }
    // The block of the 0x81 form follows the first character the code page
    // lacks or that makes the name look like a UCS2 form.
    char16_t first = name.front().unicode();
    for (QChar c : name) {
        if (c.unicode() >= 0x80 && unicodeToCp1252Char(c.unicode()) < 0) {
            first = c.unicode();
            break;
        }
    }
    const std::u16string chars(reinterpret_cast<const char16_t*>(name.utf16()),
                               static_cast<std::size_t>(name.size()));
    return encodeUcs2(chars, first, maxBytes);
}

int encodeAlphaFromUnicode(QStringView wide, char* out, std::size_t outSize)
{
    int result = 2;
    if (out == nullptr || outSize == 0) {
        return firstCharAbove255(wide) != 0 ? 1 : 2;
    }
    const std::string held = encodeAlphaFromUnicode(wide, outSize - 1, &result);
    // Zeros after the name: a 0x80 name ends at a 00 00 pair, not at one zero byte.
    std::memset(out, 0, outSize);
    std::memcpy(out, held.data(), held.size());
    return result;
}
