#pragma once

#include <cstdint>

// The detail of a failure travels beside the boolean result in a per-thread
// error value: for card operations the PC/SC result code (0x8010xxxx), for
// file operations an errno value. Callers read it right after the failing call.
uint32_t lastError();
void setLastError(uint32_t code);

// Keeps the thread's error value across a scope that must not disturb it.
class LastErrorKeeper
{
public:
    LastErrorKeeper() : m_saved(lastError()) {}
    ~LastErrorKeeper() { setLastError(m_saved); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    uint32_t m_saved;
};
