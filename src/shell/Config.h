#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The configuration store: QSettings, user scope, organisation "Velmora",
// application "Phonara". Values are numbers (type 1, 4 bytes) or texts
// (type 2, size counts the terminating zero); a missing value is told apart from 0.
enum class ConfigType
{
    Number = 1,
    Text = 2,
};

inline constexpr const char* kProductName = "Phonara";
inline constexpr const char* kCompanyName = "Velmora";

// Non-zero when the value exists and was copied; on zero the buffer is untouched.
int readConfigKey(const char* product, const char* valueName, ConfigType type, void* buffer,
                  uint32_t* size, int, int, const char* company);
int writeConfigKey(const char* product, const char* valueName, ConfigType type, const void* data,
                   uint32_t size, int, int, const char* company);

std::optional<int32_t> readConfigNumber(const char* valueName);
std::optional<std::string> readConfigText(const char* valueName, uint32_t capacity = 260);
void writeConfigNumber(const char* valueName, int32_t value);
void writeConfigText(const char* valueName, const std::string& value);

// Names of the settings, as the store keeps them.
namespace ConfigKey {
inline constexpr const char* kShowHide = "show_hide";
inline constexpr const char* kCheckUpdate = "CheckUpdate";
inline constexpr const char* kItemTextColor = "Item Text Color";
inline constexpr const char* kBackgroundPicture = "Background Picture";
inline constexpr const char* kWriteAll = "Write_All";
inline constexpr const char* kWriteSelected = "Write_Selected";
inline constexpr const char* kAddAll = "Add_All";
inline constexpr const char* kAddSelected = "Add_Selected";
inline constexpr const char* kClearCard = "Clear_Card";
inline constexpr const char* kAssociateAsked = "if_pna_assotiate";
} // namespace ConfigKey
