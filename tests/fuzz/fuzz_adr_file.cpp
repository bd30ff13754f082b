// libFuzzer target: the legacy address file reader.
#include "files/AdrFile.h"
#include "phonebook/PhoneBook.h"
#include "shell/UserInterface.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

class FuzzUserInterface : public UserInterface
{
public:
    Answer message(const Message&) override { return Answer::Ok; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PhoneBook book;
    book.clear();
    FuzzUserInterface ui;
    uint32_t recordLength = 0;
    uint32_t nameLength = 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Rows only for records the file holds (a cut-off last one counts).
    const bool read = readAdrBytes(bytes, book, recordLength, nameLength, ui);
    if (read && uint64_t{book.contactCount()} * recordLength > size + recordLength) {
        __builtin_trap();
    }
    // Opening a book file picks this reader by the tag: every file it takes has one.
    if (read && !isAdrBytes(bytes)) {
        __builtin_trap();
    }
    return 0;
}
