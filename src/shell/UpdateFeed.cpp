#include "shell/UpdateFeed.h"

#include "shell/Config.h"

#include <cctype>
#include <vector>

namespace {
std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::vector<unsigned long> versionParts(std::string_view version)
{
    std::vector<unsigned long> parts;
    unsigned long part = 0;
    bool digits = false;
    for (char c : version) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            part = part * 10 + static_cast<unsigned long>(c - '0');
            digits = true;
        } else if (c == '.') {
            parts.push_back(part);
            part = 0;
            digits = false;
        } else {
            break; // "1.2.0-rc1": the numbers before the suffix count
        }
    }
    if (digits || !parts.empty())
        parts.push_back(part);
    return parts;
}
} // namespace

std::string updateFeedUrl()
{
    return readConfigText(kUpdateFeedSetting, 2048).value_or(std::string());
}

bool parseUpdateFeed(std::string_view text, UpdateFeed& feed)
{
    feed = {};
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "version")
            feed.version = value;
        else if (key == "url")
            feed.url = value;
    }
    return !feed.version.empty() && !versionParts(feed.version).empty();
}

int compareVersions(std::string_view a, std::string_view b)
{
    std::vector<unsigned long> left = versionParts(a);
    std::vector<unsigned long> right = versionParts(b);
    const std::size_t size = std::max(left.size(), right.size());
    left.resize(size, 0);
    right.resize(size, 0);
    for (std::size_t i = 0; i < size; ++i) {
        if (left[i] != right[i])
            return left[i] > right[i] ? 1 : -1;
    }
    return 0;
}

std::string programVersion()
{
    return PHONARA_VERSION;
}
