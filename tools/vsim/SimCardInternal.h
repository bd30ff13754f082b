#pragma once

#include <QByteArray>

#include <cstdint>

// Answer builders shared by the files of the card model.
namespace vsim::detail {

inline QByteArray statusOnly(uint16_t statusWord)
{
    QByteArray out(2, '\0');
    out[0] = char(statusWord >> 8);
    out[1] = char(statusWord & 0xFF);
    return out;
}

inline QByteArray withStatus(QByteArray data, uint16_t statusWord)
{
    data += statusOnly(statusWord);
    return data;
}

} // namespace vsim::detail
