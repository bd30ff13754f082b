// libFuzzer target: the .phn reader (profile-file parser included), then the
// writer on what was read, and the reader again on the writer's output.
#include "files/PhnFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PhoneBook book;
    static SideBooks sides;
    book.clear();
    sides.clearDialledBooks();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    loadPhnBytes(bytes, &book, sides.fdn.data(), sides.fdnCount, sides.lnd.data(), sides.lndCount);

    const std::string saved =
        phnFileBytes(&book, sides.fdn.data(), sides.fdnCount, sides.lnd.data(), sides.lndCount);
    book.clear();
    sides.clearDialledBooks();
    if (loadPhnBytes(saved, &book, sides.fdn.data(), sides.fdnCount, sides.lnd.data(),
                     sides.lndCount) != 1) {
        __builtin_trap(); // the writer's output must always read back
    }
    return 0;
}
