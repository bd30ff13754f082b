#include "shell/LogSearch.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <utility>

namespace {

// Disk file systems; everything else (proc, tmpfs, overlay, network shares,
// optical media, FUSE mounts of remote places) is not a local fixed drive.
constexpr std::array kDiskFileSystems = {
    "ext2", "ext3", "ext4",  "xfs",  "btrfs", "f2fs",    "jfs",     "reiserfs", "bcachefs",
    "zfs",  "vfat", "exfat", "ntfs", "ntfs3", "fuseblk", "hfsplus", "nilfs2",   "msdos",
};

bool isDiskFileSystem(std::string_view type)
{
    for (const char* known : kDiskFileSystems) {
        if (type == known) {
            return true;
        }
    }
    return false;
}

// mountinfo writes blanks, tabs, newlines and backslashes as octal escapes.
std::string unescapeMountField(std::string_view field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits(field.substr(i + 1, 3));
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string_view> splitBlanks(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const auto start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos) {
            break;
        }
        auto end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

std::string readFirstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// A block device counts as removable when the kernel says so (for a partition:
// its disk) or when it hangs off a USB bus.
bool sysfsRemovable(unsigned major, unsigned minor, const std::string& source)
{
    if (major == 0) {
        struct stat st = {};
        if (source.rfind("/dev/", 0) != 0 || stat(source.c_str(), &st) != 0 ||
            !S_ISBLK(st.st_mode)) {
            return false; // no device to ask: a local pool or volume of its own
        }
        major = ::major(st.st_rdev);
        minor = ::minor(st.st_rdev);
    }
    const std::string link =
        "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    char* resolved = realpath(link.c_str(), nullptr);
    if (resolved == nullptr) {
        return false;
    }
    const std::string device(resolved);
    std::free(resolved);
    if (device.find("/usb") != std::string::npos) {
        return true;
    }
    std::string flag = readFirstLine(device + "/removable");
    if (flag.empty()) {
        flag = readFirstLine(device.substr(0, device.rfind('/')) + "/removable");
    }
    return flag == "1";
}

bool g_homeOnly = false;

} // namespace

std::vector<std::string> parseLocalFixedMountRoots(std::string_view mountinfo,
                                                   const RemovableDeviceCheck& isRemovable)
{
    std::vector<std::string> roots;
    std::set<std::pair<unsigned, unsigned>> seenDevices;
    std::istringstream in{std::string(mountinfo)};
    std::string line;
    while (std::getline(in, line)) {
        const auto fields = splitBlanks(line);
        // id parent major:minor root mount-point options [optional...] - type source super
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") {
            ++dash;
        }
        if (fields.size() < 6 || dash + 2 >= fields.size()) {
            continue;
        }
        const std::string_view device = fields[2];
        const auto colon = device.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const auto major = static_cast<unsigned>(
            std::strtoul(std::string(device.substr(0, colon)).c_str(), nullptr, 10));
        const auto minor = static_cast<unsigned>(
            std::strtoul(std::string(device.substr(colon + 1)).c_str(), nullptr, 10));
        const std::string_view type = fields[dash + 1];
        const std::string source = unescapeMountField(fields[dash + 2]);
        if (fields[3] != "/" || !isDiskFileSystem(type)) {
            continue;
        }
        if (!seenDevices.insert({major, minor}).second) {
            continue;
        }
        if (isRemovable && isRemovable(major, minor, source)) {
            continue;
        }
        roots.push_back(unescapeMountField(fields[4]));
    }
    return roots;
}

std::vector<std::string> localFixedMountRoots()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return parseLocalFixedMountRoots(text.str(), sysfsRemovable);
}

std::vector<std::string> logSearchFolders()
{
    std::vector<std::string> folders;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folders.emplace_back(home);
    }
    if (!g_homeOnly) {
        for (auto& root : localFixedMountRoots()) {
            folders.push_back(std::move(root));
        }
    }
    return folders;
}

void setLogSearchHomeOnly(bool homeOnly)
{
    g_homeOnly = homeOnly;
}

std::string fileVersionText(int major, int minor, int build, int revision)
{
    std::string text =
        std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor);
    if (revision != 0) {
        text += "." + std::to_string(build) + "." + std::to_string(revision);
    } else if (build != 0) {
        text += "." + std::to_string(build);
    }
    return text;
}
