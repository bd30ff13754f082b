#include "files/HeldText.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"

std::string heldNameFromText(const QString& text, std::size_t maxBytes)
{
    bool exact = false;
    std::string plain = unicodeToCp1252(text, &exact);
    if (exact && !isUcs2Form(plain)) {
        plain.resize(std::min(plain.size(), maxBytes));
        return plain;
    }
    return encodeAlphaFromUnicode(text, maxBytes);
}
