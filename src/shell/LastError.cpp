#include "shell/LastError.h"

namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t lastError()
{
    return t_lastError;
}

void setLastError(uint32_t code)
{
    t_lastError = code;
}
