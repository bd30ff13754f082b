#include "files/HeldText.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"

std::string HeldNameFromText(const QString& text, std::size_t maxBytes)
{
    bool exact = false;
    std::string plain = UnicodeToCp1252(text, &exact);
    if (exact && !IsUcs2Form(plain)) {
        plain.resize(std::min(plain.size(), maxBytes));
        return plain;
    }
    return EncodeAlphaFromUnicode(text, maxBytes);
}
