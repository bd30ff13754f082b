#include "card/transport/PcscApi.h"

#include "shell/LastError.h"
#include "shell/Log.h"

#include <cstring>

#include <dlfcn.h>

namespace {

template <typename Function> bool bindEntry(void* library, const char* name, Function& entry)
{
    entry = reinterpret_cast<Function>(dlsym(library, name));
    return entry != nullptr;
}

} // namespace

bool bindPcsc(void*& library, PcscApi& api, const char* libraryName)
{
    library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        writeLog(LogLevel::Error, "BindPcsc", "cannot load %s: %s", libraryName, dlerror());
        setLastError(Pcsc::kErrorModuleNotFound);
        return false;
    }

    // Looked up in this order; the first one missing ends the binding.
    PcscApi bound;
    const bool complete =
        bindEntry(library, "SCardTransmit", bound.SCardTransmit) &&
        bindEntry(library, "SCardControl", bound.SCardControl) &&
        bindEntry(library, "SCardReleaseContext", bound.SCardReleaseContext) &&
        bindEntry(library, "SCardEstablishContext", bound.SCardEstablishContext) &&
        bindEntry(library, "SCardDisconnect", bound.SCardDisconnect) &&
        bindEntry(library, "SCardCancel", bound.SCardCancel) &&
        bindEntry(library, "SCardReconnect", bound.SCardReconnect) &&
        bindEntry(library, "SCardListReaders", bound.SCardListReaders) &&
        bindEntry(library, "SCardGetStatusChange", bound.SCardGetStatusChange) &&
        bindEntry(library, "SCardStatus", bound.SCardStatus) &&
        bindEntry(library, "SCardConnect", bound.SCardConnect);
    if (!complete) {
        const char* cause = dlerror();
        writeLog(LogLevel::Error, "BindPcsc", "%s: %s", libraryName,
                 cause != nullptr ? cause : "entry point missing");
        dlclose(library);
        library = nullptr;
        setLastError(Pcsc::kErrorProcNotFound);
        return false;
    }
    api = bound;
    return true;
}

void unbindPcsc(void*& library, PcscApi& api)
{
    api = PcscApi{};
    if (library != nullptr)
        dlclose(library);
    library = nullptr;
}

std::vector<const char*> readerNames(const char* list, std::size_t size)
{
    std::vector<const char*> names;
    std::size_t at = 0;
    while (at < size && list[at] != '\0') {
        const std::size_t length = strnlen(list + at, size - at);
        if (length == size - at)
            break;
        names.push_back(list + at);
        at += length + 1;
    }
    return names;
}
