#include "shell/Strings.h"

#include "shell/ExecutablePath.h"
#include "shell/StringTable.h"

#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <unordered_map>

namespace {

constexpr int kSharedSize = 1024;

// The buffer used when a caller passes none. Each thread has its own, so the
// card worker can load texts while the GUI thread holds one; within a thread a
// text stays valid only until the next load into it.
thread_local char t_sharedBuffer[kSharedSize];

// Written at start-up (and by tests), read by every thread.
std::shared_mutex g_catalogueMutex;
std::unordered_map<int, std::string> g_catalogue;
bool g_catalogueLoaded = false;

// Longest prefix of `text` with at most `limit` bytes that does not split a
// UTF-8 character.
std::size_t fittingLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        --n;
    }
    return n;
}

char* copyCut(std::string_view text, char* buffer, int size)
{
    if (buffer == nullptr) {
        buffer = t_sharedBuffer;
        if (size < 0 || size > kSharedSize) {
            size = kSharedSize;
        }
    } else if (size < 0) {
        size = kSharedSize;
    }
    if (size == 0) {
        return buffer;
    }
    const std::size_t n = fittingLength(text, static_cast<std::size_t>(size - 1));
    std::memmove(buffer, text.data(), n);
    buffer[n] = '\0';
    return buffer;
}

std::string textOf(int id)
{
    {
        std::shared_lock lock(g_catalogueMutex);
        const auto it = g_catalogue.find(id);
        if (it != g_catalogue.end() && !it->second.empty()) {
            return it->second;
        }
    }
    const char* builtIn = builtInString(id);
    return builtIn != nullptr ? builtIn : "";
}

std::string unescape(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            const char* replacement = next == 'n'    ? "\n"
                                      : next == 'r'  ? "\r"
                                      : next == 't'  ? "\t"
                                      : next == '\\' ? "\\"
                                                     : nullptr;
            if (replacement != nullptr) {
                out += replacement;
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool readCatalogue(const std::string& path, std::unordered_map<int, std::string>& texts)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    bool inStrings = false;
    bool firstLine = true;
    while (std::getline(in, line)) {
        if (firstLine && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        firstLine = false;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string_view view = trimmed(line);
        if (view.empty() || view.front() == ';' || view.front() == '#') {
            continue;
        }
        if (view.front() == '[') {
            inStrings = view == "[Strings]";
            continue;
        }
        const auto equals = view.find('=');
        if (!inStrings || equals == std::string_view::npos) {
            continue;
        }
        const std::string key(trimmed(view.substr(0, equals)));
        char* end = nullptr;
        const long id = std::strtol(key.c_str(), &end, 10);
        if (key.empty() || *end != '\0') {
            continue;
        }
        // Blanks around the text are dropped; a text in double quotes keeps
        // its own leading and trailing blanks.
        std::string_view value = trimmed(view.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        texts[static_cast<int>(id)] = unescape(value);
    }
    return true;
}

} // namespace

const char* loadResString(int id, char* buffer, int size)
{
    return copyCut(textOf(id), buffer, size);
}

std::string vformatResString(int id, va_list args)
{
    std::string format = textOf(id);
    if (format.size() > kSharedSize - 1) {
        format.resize(fittingLength(format, kSharedSize - 1));
    }
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format.c_str(), measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format.c_str(), args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

const char* formatResString(int id, char* buffer, int size, ...)
{
    va_list args;
    va_start(args, size);
    // Formatted apart first: an argument may point into the shared buffer.
    const std::string text = vformatResString(id, args);
    va_end(args);
    return copyCut(text, buffer, size);
}

const char* formatResString1(int id, const char* argument, char* buffer, int size)
{
    return formatResString(id, buffer, size, argument);
}

std::string resString(int id)
{
    return textOf(id);
}

std::string formatResString(int id, ...)
{
    va_list args;
    va_start(args, id);
    std::string text = vformatResString(id, args);
    va_end(args);
    return text;
}

bool loadLanguageCatalogue(const std::string& path)
{
    std::unordered_map<int, std::string> texts;
    if (!readCatalogue(path, texts)) {
        return false;
    }
    std::unique_lock lock(g_catalogueMutex);
    g_catalogue = std::move(texts);
    g_catalogueLoaded = true;
    return true;
}

bool loadLanguageLibrary(const char* prefix)
{
    const std::string name = std::string(prefix) + "_lang.ini";
    const std::string besideProgram = executableDir() + name;
    if (!executableDir().empty() && loadLanguageCatalogue(besideProgram)) {
        return true;
    }
    const QString found =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QStringLiteral("phonara/") + QString::fromStdString(name));
    if (!found.isEmpty()) {
        loadLanguageCatalogue(QFile::encodeName(found).toStdString());
    } else if (!installedDataDir().empty()) {
        // The data folder of the installation that holds this program.
        loadLanguageCatalogue(installedDataDir() + name);
    }
    return true;
}

void unloadLanguageLibrary()
{
    std::unique_lock lock(g_catalogueMutex);
    g_catalogue.clear();
    g_catalogueLoaded = false;
}

bool languageCatalogueLoaded()
{
    std::shared_lock lock(g_catalogueMutex);
    return g_catalogueLoaded;
}
