#include "phonebook/CardAlpha.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/GsmAlphabet.h"

#include <array>
#include <optional>

namespace {

uint8_t byteAt(std::string_view text, std::size_t i)
{
    return static_cast<uint8_t>(text[i]);
}

QString decodePairs(std::string_view alpha)
{
    QString text;
    for (std::size_t i = 1; i + 1 < alpha.size(); i += 2) {
        const auto character = static_cast<char16_t>(byteAt(alpha, i) << 8 | byteAt(alpha, i + 1));
        // FF FF is padding; 00 00 ends a name some writers pad with zeros.
        if (character == 0xFFFF || character == 0) {
            break;
        }
        text.append(QChar(character));
    }
    return text;
}

QString decodeBaseRelative(std::string_view alpha, std::size_t headerLength, unsigned base)
{
    QString text;
    if (alpha.size() <= headerLength) {
        return text;
    }
    const std::size_t end = std::min(alpha.size(), headerLength + byteAt(alpha, 1));
    for (std::size_t i = headerLength; i < end; ++i) {
        const uint8_t b = byteAt(alpha, i);
        const char16_t character =
            b < 0x80 ? gsmDefaultChar(b) : static_cast<char16_t>((base + (b & 0x7F)) & 0xFFFF);
        // Base 0 and byte 0x80 would give a NUL, which ends a name.
        if (character == 0) {
            break;
        }
        text.append(QChar(character));
    }
    return text;
}

// The count byte of the 0x81 and 0x82 forms counts up to 255 characters.
constexpr std::size_t kMaxCounted = 0xFF;

// What one form makes of a name: how many characters fit and in how many bytes.
struct Fit
{
    std::size_t chars = 0;
    std::size_t bytes = 0;
};

// The GSM form; nullopt when a character is not in the alphabet.
std::optional<Fit> fitGsm(std::u16string_view name, std::size_t room)
{
    Fit fit;
    for (char16_t c : name) {
        if (gsmCodeOf(c).size == 0) {
            return std::nullopt;
        }
    }
    for (char16_t c : name) {
        const std::size_t size = gsmCodeOf(c).size;
        if (fit.bytes + size > room) {
            break;
        }
        fit.bytes += size;
        ++fit.chars;
    }
    return fit;
}

// The 0x81 form: every character outside the default table in one 128-character
// block below U+8000.
Fit fit81(std::u16string_view name, std::size_t room, unsigned& block)
{
    Fit fit;
    constexpr std::size_t kHeader = 3;
    std::optional<unsigned> chosen;
    for (char16_t c : name) {
        if (fit.bytes + kHeader + 1 > room || fit.chars == kMaxCounted) {
            break;
        }
        if (!isGsmDefaultChar(c)) {
            if (c >= 0x8000 || (chosen && *chosen != (c >> 7u))) {
                break;
            }
            chosen = c >> 7u;
        }
        ++fit.bytes;
        ++fit.chars;
    }
    block = chosen.value_or(0);
    fit.bytes = fit.chars == 0 ? 0 : fit.bytes + kHeader;
    return fit;
}

// The 0x82 form: every character outside the default table within 128 of each other.
Fit fit82(std::u16string_view name, std::size_t room, char16_t& lowest, char16_t& highest)
{
    Fit fit;
    constexpr std::size_t kHeader = 4;
    lowest = 0xFFFF;
    highest = 0;
    for (char16_t c : name) {
        if (fit.bytes + kHeader + 1 > room || fit.chars == kMaxCounted) {
            break;
        }
        if (!isGsmDefaultChar(c)) {
            const char16_t low = std::min(lowest, c);
            const char16_t high = std::max(highest, c);
            if (high - low >= 0x80) {
                break;
            }
            lowest = low;
            highest = high;
        }
        ++fit.bytes;
        ++fit.chars;
    }
    fit.bytes = fit.chars == 0 ? 0 : fit.bytes + kHeader;
    return fit;
}

// The 0x80 form: U+FFFF would read as padding.
Fit fit80(std::u16string_view name, std::size_t room)
{
    Fit fit;
    for (char16_t c : name) {
        if (1 + 2 * (fit.chars + 1) > room || c == 0xFFFF) {
            break;
        }
        ++fit.chars;
    }
    fit.bytes = fit.chars == 0 ? 0 : 1 + 2 * fit.chars;
    return fit;
}

// A round base below the lowest character that still reaches the highest:
// a multiple of 256, else of 16, else the lowest character itself.
unsigned base82(char16_t lowest, char16_t highest)
{
    for (unsigned mask : {0xFF00u, 0xFFF0u}) {
        if (highest - (lowest & mask) < 0x80) {
            return lowest & mask;
        }
    }
    return lowest;
}

void appendBaseRelative(std::string& out, std::u16string_view chars, unsigned base)
{
    out.push_back(static_cast<char>(chars.size()));
    if (out[0] == static_cast<char>(AlphaForm::kUcs2Base8)) {
        out.push_back(static_cast<char>(base >> 7));
    } else {
        out.push_back(static_cast<char>(base >> 8));
        out.push_back(static_cast<char>(base & 0xFF));
    }
    for (char16_t c : chars) {
        const GsmCode code = gsmCodeOf(c);
        out.push_back(static_cast<char>(
            code.size == 1 && code.bytes[0] < 0x80 ? code.bytes[0] : 0x80 | ((c - base) & 0x7F)));
    }
}

} // namespace

QString decodeCardAlpha(std::string_view alpha)
{
    if (alpha.empty()) {
        return {};
    }
    switch (byteAt(alpha, 0)) {
    case AlphaForm::kUcs2Pairs:
        return decodePairs(alpha);
    case AlphaForm::kUcs2Base8:
        return alpha.size() < 3 ? QString() : decodeBaseRelative(alpha, 3, byteAt(alpha, 2) * 128u);
    case AlphaForm::kUcs2Base16:
        return alpha.size() < 4
                   ? QString()
                   : decodeBaseRelative(alpha, 4, byteAt(alpha, 2) << 8 | byteAt(alpha, 3));
    default:
        return gsmToUnicode(alpha);
    }
}

CardAlpha encodeCardAlpha(QStringView name, std::size_t alphaLength)
{
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0) {
        name = name.left(nul);
    }
    const std::u16string_view chars(reinterpret_cast<const char16_t*>(name.utf16()),
                                    static_cast<std::size_t>(name.size()));
    CardAlpha alpha;
    if (const std::optional<Fit> gsm = fitGsm(chars, alphaLength)) {
        for (char16_t c : chars.substr(0, gsm->chars)) {
            const GsmCode code = gsmCodeOf(c);
            alpha.bytes.append(reinterpret_cast<const char*>(code.bytes.data()), code.size);
        }
        alpha.chars = gsm->chars;
        alpha.cut = gsm->chars < chars.size();
        return alpha;
    }

    unsigned block = 0;
    char16_t lowest = 0;
    char16_t highest = 0;
    const std::array<Fit, 3> fits = {fit81(chars, alphaLength, block),
                                     fit82(chars, alphaLength, lowest, highest),
                                     fit80(chars, alphaLength)};
    // Most characters, then fewest bytes; on a tie the earlier form.
    std::size_t best = 0;
    for (std::size_t i = 1; i < fits.size(); ++i) {
        if (fits[i].chars > fits[best].chars ||
            (fits[i].chars == fits[best].chars && fits[i].bytes < fits[best].bytes)) {
            best = i;
        }
    }
    const Fit fit = fits[best];
    alpha.chars = fit.chars;
    alpha.cut = fit.chars < chars.size();
    if (fit.chars == 0) {
        return alpha;
    }
    const std::u16string_view kept = chars.substr(0, fit.chars);
    if (best == 0) {
        alpha.bytes.push_back(static_cast<char>(AlphaForm::kUcs2Base8));
        appendBaseRelative(alpha.bytes, kept, block * 128u);
    } else if (best == 1) {
        alpha.bytes.push_back(static_cast<char>(AlphaForm::kUcs2Base16));
        appendBaseRelative(alpha.bytes, kept, lowest <= highest ? base82(lowest, highest) : 0u);
    } else {
        alpha.bytes.push_back(static_cast<char>(AlphaForm::kUcs2Pairs));
        for (char16_t c : kept) {
            alpha.bytes.push_back(static_cast<char>(c >> 8));
            alpha.bytes.push_back(static_cast<char>(c & 0xFF));
        }
    }
    return alpha;
}
