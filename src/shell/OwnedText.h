#pragma once

#include <cstddef>
#include <string_view>

// A heap text buffer that is filled with zeros before it is ever freed or
// replaced: PINs and PUKs, reader names, the service provider name and the
// texts of the side books live in it. The text always ends in a zero byte.
// It is the one holder of a secret code in the program: it cannot be copied
// by accident (only assign() copies), and nothing it held stays behind in
// memory it gave up.
class OwnedText
{
public:
    OwnedText() = default;
    // Allocates `capacity` zero-filled bytes (an empty text with room to grow).
    explicit OwnedText(std::size_t capacity);
    // A holder of `text` (up to its first zero byte).
    static OwnedText of(std::string_view text);
    ~OwnedText();

    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    OwnedText(OwnedText&& other) noexcept;
    OwnedText& operator=(OwnedText&& other) noexcept;

    // Copies `text` (up to its first zero byte) into the buffer. The buffer is
    // reused when it holds the text and its terminating zero; otherwise the old
    // one is wiped and freed and length + 1 bytes are allocated. Without memory
    // the holder ends up empty, lastError() is 8 and the result is false.
    bool assign(std::string_view text);
    // assign(), then cut the text after 16 characters (the provider name).
    bool assignTruncated16(std::string_view text);
    // Wipes and frees the buffer; the holder is empty afterwards.
    void release();
    // Fills the whole buffer with zeros but keeps it (the text becomes empty).
    void wipe();

    // Never null: an empty holder gives "".
    const char* c_str() const { return m_data != nullptr ? m_data : ""; }
    // Writable access for code that fills the buffer in place (up to capacity()).
    char* data() { return m_data; }
    std::size_t capacity() const { return m_capacity; }
    std::size_t length() const;
    bool empty() const { return length() == 0; }
    std::string_view view() const { return std::string_view(c_str(), length()); }
    operator std::string_view() const { return view(); }

private:
    char* m_data = nullptr;
    std::size_t m_capacity = 0;
};

// Overwrites memory with zeros in a way the optimiser keeps.
void wipeMemory(void* data, std::size_t size);

// Keeps the codes out of core dumps: no core file is written (RLIMIT_CORE 0)
// and the process is not dumpable, so no other process of the user can read
// its memory either. Both programs call it first thing. False when either
// setting was refused.
bool keepSecretsOutOfCoreDumps();
