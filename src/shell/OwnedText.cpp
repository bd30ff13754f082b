#include "shell/OwnedText.h"

#include "shell/LastError.h"

#include <cstring>
#include <new>
#include <utility>

#include <sys/prctl.h>
#include <sys/resource.h>

namespace {
constexpr uint32_t kNotEnoughMemory = 8;
}

void wipeMemory(void* data, std::size_t size)
{
    if (data == nullptr) {
        return;
    }
    // Writes through a volatile pointer are not removed as dead stores.
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
}

OwnedText::OwnedText(std::size_t capacity)
{
    if (capacity == 0) {
        return;
    }
    m_data = new (std::nothrow) char[capacity];
    if (m_data == nullptr) {
        setLastError(kNotEnoughMemory);
        return;
    }
    m_capacity = capacity;
    std::memset(m_data, 0, capacity);
}

OwnedText OwnedText::of(std::string_view text)
{
    OwnedText holder;
    holder.assign(text);
    return holder;
}

bool keepSecretsOutOfCoreDumps()
{
    const rlimit none{0, 0};
    const bool noCoreFile = setrlimit(RLIMIT_CORE, &none) == 0;
    const bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return noCoreFile && notDumpable;
}

OwnedText::~OwnedText()
{
    release();
}

OwnedText::OwnedText(OwnedText&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_capacity(std::exchange(other.m_capacity, 0))
{
}

OwnedText& OwnedText::operator=(OwnedText&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

bool OwnedText::assign(std::string_view text)
{
    // The text ends at its first zero byte, as a C string would.
    const void* zero = std::memchr(text.data(), 0, text.size());
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - text.data())
                        : text.size();
    if (m_data == nullptr || m_capacity < length + 1) {
        release();
        m_data = new (std::nothrow) char[length + 1];
        if (m_data == nullptr) {
            setLastError(kNotEnoughMemory);
            return false;
        }
        m_capacity = length + 1;
    } else {
        // The old text may be longer than the new one: no stale bytes behind the NUL.
        wipeMemory(m_data, m_capacity);
    }
    std::memcpy(m_data, text.data(), length);
    m_data[length] = '\0';
    return true;
}

bool OwnedText::assignTruncated16(std::string_view text)
{
    if (!assign(text)) {
        return false;
    }
    if (length() > 16) {
        wipeMemory(m_data + 16, m_capacity - 16);
    }
    return true;
}

void OwnedText::release()
{
    if (m_data != nullptr) {
        wipeMemory(m_data, m_capacity);
        delete[] m_data;
    }
    m_data = nullptr;
    m_capacity = 0;
}

void OwnedText::wipe()
{
    wipeMemory(m_data, m_capacity);
}

std::size_t OwnedText::length() const
{
    return m_data != nullptr ? strnlen(m_data, m_capacity) : 0;
}
