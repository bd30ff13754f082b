#include "card/transport/CardError.h"

#include "shell/LastError.h"
#include "shell/Log.h"

#include <algorithm>
#include <array>

namespace {

struct CardErrorEntry
{
    uint32_t code;
    const char* text;
};

// Sorted by code.
constexpr std::array<CardErrorEntry, 58> kCardErrors{{
    {0x00000000, "No error was encountered."},
    {0x80100001, "An internal consistency check failed."},
    {0x80100002, "The action was canceled by an SCardCancel request."},
    {0x80100003, "The supplied handle was invalid."},
    {0x80100004, "One or more of the supplied parameters could not be properly interpreted."},
    {0x80100005, "Registry startup information is missing or invalid."},
    {0x80100006, "Not enough memory available to complete this command."},
    {0x80100007, "An internal consistency timer has expired."},
    {0x80100008, "The data buffer for returned data is too small for the returned data."},
    {0x80100009, "The specified reader name is not recognized."},
    {0x8010000A, "The user-specified timeout value has expired."},
    {0x8010000B, "The smart card cannot be accessed because of other outstanding connections."},
    {0x8010000C,
     "The operation requires a smart card, but no smart card is currently in the device."},
    {0x8010000D, "The specified smart card name is not recognized."},
    {0x8010000E, "The system could not dispose of the media in the requested manner."},
    {0x8010000F, "The requested protocols are incompatible with the protocol currently in use "
                 "with the card."},
    {0x80100010, "The reader or card is not ready to accept commands."},
    {0x80100011, "One or more of the supplied parameter values could not be properly interpreted."},
    {0x80100012, "The action was canceled by the system, presumably to log off or shut down."},
    {0x80100013, "An internal communications error has been detected."},
    {0x80100014, "An internal error has been detected, but the source is unknown."},
    {0x80100015, "An ATR string obtained from the registry is not a valid ATR string."},
    {0x80100016, "An attempt was made to end a non-existent transaction."},
    {0x80100017, "The specified reader is not currently available for use."},
    {0x80100018, "The operation has been aborted to allow the server application to exit."},
    {0x80100019, "The PCI receive buffer was too small."},
    {0x8010001A, "The reader driver does not meet minimal requirements for support."},
    {0x8010001B, "The reader driver didn't produce a unique reader name."},
    {0x8010001C, "The smart card does not meet minimal requirements for support."},
    {0x8010001D, "The smart card resource manager is not running."},
    {0x8010001E, "The smart card resource manager has shut down."},
    {0x8010001F, "An unexpected card error has occurred."},
    {0x80100020, "No primary provider can be found for the smart card."},
    {0x80100021, "The requested order of object creation is not supported."},
    {0x80100022, "This smart card does not support the requested feature."},
    {0x80100023, "The specified directory does not exist in the smart card."},
    {0x80100024, "The specified file does not exist in the smart card."},
    {0x80100025, "The supplied path does not represent a smart card directory."},
    {0x80100026, "The supplied path does not represent a smart card file."},
    {0x80100027, "Access is denied to the file."},
    {0x80100028, "An attempt was made to write more data than would fit in the target object."},
    {0x80100029, "An error occurred in setting the smart card file object pointer."},
    {0x8010002A, "The supplied PIN is incorrect."},
    {0x8010002B, "An unrecognized error code was returned from a layered component."},
    {0x8010002C, "The requested certificate does not exist."},
    {0x8010002D, "The requested certificate could not be obtained."},
    {0x8010002E, "No smart card reader is available."},
    {0x8010002F, "A communications error with the smart card has been detected."},
    {0x80100065, "The reader cannot communicate with the card, due to ATR string configuration "
                 "conflicts."},
    {0x80100066, "The smart card is not responding to a reset."},
    {0x80100067, "Power has been removed from the smart card, so that further communication is "
                 "not possible."},
    {0x80100068, "The smart card has been reset, so any shared state information is invalid."},
    {0x80100069, "The smart card has been removed, so that further communication is not "
                 "possible."},
    {0x8010006A, "Access was denied because of a security violation."},
    {0x8010006B, "The card cannot be accessed because the wrong PIN was presented."},
    {0x8010006C, "The card cannot be accessed because the maximum number of PIN entry attempts "
                 "has been reached."},
    {0x8010006D, "The end of the smart card file has been reached."},
    {0x8010006E, "The action was cancelled by the user."},
}};

} // namespace

const char* cardErrorText(uint32_t code)
{
    const auto found = std::lower_bound(
        kCardErrors.begin(), kCardErrors.end(), code,
        [](const CardErrorEntry& entry, uint32_t wanted) { return entry.code < wanted; });
    if (found == kCardErrors.end() || found->code != code)
        return "Unknown error!";
    return found->text;
}

void logCardError(uint32_t code)
{
    // The value shown is the one the failing call left, before the caller
    // stores the new code.
    const uint32_t previous = lastError();
    writeLog(LogLevel::Error, "Error Log ", "%s ErrorCode:%u", cardErrorText(code), previous);
}
