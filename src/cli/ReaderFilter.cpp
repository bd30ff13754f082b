#include "cli/ReaderFilter.h"

#include <cstring>

namespace {

const PcscApi* g_inner = nullptr;
std::string g_readerName;

LONG listOnlyReader(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD readersLength)
{
    std::vector<std::string> names;
    (void)groups;
    DWORD needed = 0;
    LONG result = g_inner->SCardListReaders(context, nullptr, nullptr, &needed);
    if (result == SCARD_S_SUCCESS) {
        std::vector<char> all(needed + 1, '\0');
        result = g_inner->SCardListReaders(context, nullptr, all.data(), &needed);
        if (result == SCARD_S_SUCCESS) {
            for (const char* name = all.data(); *name != '\0' && name < all.data() + needed;
                 name += std::strlen(name) + 1) {
                if (g_readerName == name)
                    names.push_back(name);
            }
        }
    }
    if (result != SCARD_S_SUCCESS && result != SCARD_E_NO_READERS_AVAILABLE)
        return result;
    if (names.empty())
        return SCARD_E_NO_READERS_AVAILABLE;
    // The multi-string: the name, its NUL, and the closing NUL.
    const DWORD length = static_cast<DWORD>(names[0].size() + 2);
    if (readers == nullptr) {
        *readersLength = length;
        return SCARD_S_SUCCESS;
    }
    if (*readersLength < length) {
        *readersLength = length;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::memcpy(readers, names[0].c_str(), names[0].size() + 1);
    readers[length - 1] = '\0';
    *readersLength = length;
    return SCARD_S_SUCCESS;
}

} // namespace

LONG listReaderNames(const PcscApi& api, std::vector<std::string>& names)
{
    names.clear();
    SCARDCONTEXT context = 0;
    LONG result = api.SCardEstablishContext(Pcsc::kScopeUser, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS)
        return result;
    DWORD needed = 0;
    result = api.SCardListReaders(context, nullptr, nullptr, &needed);
    if (result == SCARD_S_SUCCESS) {
        std::vector<char> all(needed + 1, '\0');
        result = api.SCardListReaders(context, nullptr, all.data(), &needed);
        if (result == SCARD_S_SUCCESS) {
            for (const char* name = all.data(); *name != '\0' && name < all.data() + needed;
                 name += std::strlen(name) + 1)
                names.emplace_back(name);
        }
    }
    api.SCardReleaseContext(context);
    return result == SCARD_E_NO_READERS_AVAILABLE ? SCARD_S_SUCCESS : result;
}

std::string matchReaderName(const std::vector<std::string>& names, const std::string& wanted)
{
    std::string match;
    int prefixMatches = 0;
    for (const std::string& name : names) {
        if (name == wanted)
            return name;
        if (!wanted.empty() && name.starts_with(wanted)) {
            match = name;
            ++prefixMatches;
        }
    }
    return prefixMatches == 1 ? match : std::string();
}

PcscApi onlyReader(const PcscApi& inner, const std::string& readerName)
{
    g_inner = &inner;
    g_readerName = readerName;
    PcscApi filtered = inner;
    filtered.SCardListReaders = &listOnlyReader;
    return filtered;
}
