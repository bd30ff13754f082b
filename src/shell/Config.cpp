#include "shell/Config.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One INI file per user, company and product (~/.config/<company>/<product>.ini).
QSettings openStore(const char* product, const char* company)
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(company),
                     QString::fromUtf8(product));
}

} // namespace

int readConfigKey(const char* product, const char* valueName, ConfigType type, void* buffer,
                  uint32_t* size, int, int, const char* company)
{
    if (product == nullptr || valueName == nullptr || company == nullptr || buffer == nullptr ||
        size == nullptr) {
        return 0;
    }
    const QSettings store = openStore(product, company);
    const QVariant value = store.value(QString::fromUtf8(valueName));
    if (!value.isValid()) {
        return 0;
    }
    if (type == ConfigType::Number) {
        bool ok = false;
        const int32_t number = value.toInt(&ok);
        if (!ok || *size < sizeof number) {
            return 0;
        }
        std::memcpy(buffer, &number, sizeof number);
        *size = sizeof number;
        return 1;
    }
    if (type == ConfigType::Text) {
        if (*size == 0) {
            return 0;
        }
        const QByteArray text = value.toString().toUtf8();
        const uint32_t length = std::min<uint32_t>(static_cast<uint32_t>(text.size()), *size - 1);
        auto* out = static_cast<char*>(buffer);
        std::memcpy(out, text.constData(), length);
        out[length] = '\0';
        *size = length + 1;
        return 1;
    }
    return 0;
}

int writeConfigKey(const char* product, const char* valueName, ConfigType type, const void* data,
                   uint32_t size, int, int, const char* company)
{
    if (product == nullptr || valueName == nullptr || company == nullptr || data == nullptr) {
        return 0;
    }
    QVariant value;
    if (type == ConfigType::Number) {
        if (size < sizeof(int32_t)) {
            return 0;
        }
        int32_t number = 0;
        std::memcpy(&number, data, sizeof number);
        value = number;
    } else if (type == ConfigType::Text) {
        // The size counts the terminating zero; stop at an earlier one.
        const auto* text = static_cast<const char*>(data);
        const std::size_t length = size == 0 ? 0 : strnlen(text, size);
        value = QString::fromUtf8(text, static_cast<qsizetype>(length));
    } else {
        return 0;
    }
    QSettings store = openStore(product, company);
    store.setValue(QString::fromUtf8(valueName), value);
    store.sync();
    return store.status() == QSettings::NoError ? 1 : 0;
}

std::optional<int32_t> readConfigNumber(const char* valueName)
{
    int32_t number = 0;
    uint32_t size = sizeof number;
    if (readConfigKey(kProductName, valueName, ConfigType::Number, &number, &size, 1, 0,
                      kCompanyName) == 0) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> readConfigText(const char* valueName, uint32_t capacity)
{
    std::vector<char> buffer(std::max<uint32_t>(capacity, 1), '\0');
    uint32_t size = capacity;
    if (readConfigKey(kProductName, valueName, ConfigType::Text, buffer.data(), &size, 1, 0,
                      kCompanyName) == 0) {
        return std::nullopt;
    }
    return std::string(buffer.data());
}

void writeConfigNumber(const char* valueName, int32_t value)
{
    writeConfigKey(kProductName, valueName, ConfigType::Number, &value, sizeof value, 1, 0,
                   kCompanyName);
}

void writeConfigText(const char* valueName, const std::string& value)
{
    writeConfigKey(kProductName, valueName, ConfigType::Text, value.c_str(),
                   static_cast<uint32_t>(value.size() + 1), 1, 0, kCompanyName);
}
