#include "card/transport/SmartCardService.h"

#include "shell/LastError.h"
#include "shell/Log.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

namespace {
constexpr const char* kTag = "start_smartcard_service";
} // namespace

bool startSmartcardService(const PcscApi& api)
{
    if (const passwd* user = getpwuid(geteuid()); user != nullptr && user->pw_name != nullptr) {
        writeLog(LogLevel::Progress, kTag, "user name = %s", user->pw_name);
        writeLog(LogLevel::Progress, kTag, "%s", "User logged continuing ...");
    } else {
        writeLog(LogLevel::Warning, kTag, "Error getting user name %08X",
                 static_cast<unsigned>(errno));
    }

    writeLog(LogLevel::Progress, kTag, "%s", "Opening service pcscd ... ");
    SCARDCONTEXT context = 0;
    const LONG result = api.SCardEstablishContext(Pcsc::kScopeUser, nullptr, nullptr, &context);
    if (result != Pcsc::kSuccess) {
        writeLog(LogLevel::Error, kTag, "Error service not found: %08X",
                 static_cast<unsigned>(result));
        setLastError(static_cast<uint32_t>(result));
        return false;
    }
    api.SCardReleaseContext(context);
    writeLog(LogLevel::Progress, kTag, "%s", "Service found normal return ");
    return true;
}

bool startSmartcardService()
{
    void* library = nullptr;
    PcscApi api;
    if (!bindPcsc(library, api)) {
        // Start-up reports the missing library when it binds PC/SC itself.
        writeLog(LogLevel::Progress, kTag, "%s", "no PC/SC client library, normal return");
        return true;
    }
    const bool answered = startSmartcardService(api);
    unbindPcsc(library, api);
    return answered;
}
