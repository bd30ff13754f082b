// libFuzzer target: the vCard reader (line ends, folding, parameters,
// transfer encodings, character sets, escapes, numbers), both ways of taking
// several numbers, then the writer on what was read, whose output must read
// back to the same number of contacts.
#include "files/ImportReport.h"
#include "files/VCardFile.h"
#include "phonebook/PhoneBook.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PhoneBook book;
    static PhoneBook again;
    if (size < 1) {
        return 0;
    }
    const VCardNumbers mode =
        (data[0] & 1) != 0 ? VCardNumbers::EntryPerNumber : VCardNumbers::PreferredOnly;
    const VCardVersion version = (data[0] & 2) != 0 ? VCardVersion::V30 : VCardVersion::V40;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    book.clear();
    ImportReport report;
    if (importVCardBytes(bytes, book, mode, report) != VCardLoad::Loaded) {
        return 0;
    }
    if (report.imported() != book.contactCount()) {
        __builtin_trap();
    }
    uint32_t leftOut = 0;
    const std::string written = vCardBytes(book, version, &leftOut);
    again.clear();
    ImportReport second;
    const VCardLoad reread = importVCardBytes(written, again, VCardNumbers::PreferredOnly, second);
    if (book.contactCount() - leftOut > 0 &&
        (reread != VCardLoad::Loaded || again.contactCount() != book.contactCount() - leftOut)) {
        __builtin_trap();
    }
    return 0;
}
