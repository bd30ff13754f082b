#pragma once

#include <string>
#include <string_view>

// The check for a newer version reads a small feed from a URL set in the
// settings ("Update Feed URL", text). Without one nothing is fetched. The feed
// is text with one "key=value" per line; "version" is required, "url" (where
// to get it) optional; blank lines and lines starting with '#' are ignored.

inline constexpr const char* kUpdateFeedSetting = "Update Feed URL";

struct UpdateFeed
{
    std::string version;
    std::string url;
};

// The configured feed URL, or empty (no check).
std::string updateFeedUrl();

// false when the text has no version line.
bool parseUpdateFeed(std::string_view text, UpdateFeed& feed);

// Compares dotted version numbers part by part as numbers ("1.10" after
// "1.9"; missing parts count as 0). 1, 0 or -1.
int compareVersions(std::string_view a, std::string_view b);

// The version of this program.
std::string programVersion();
