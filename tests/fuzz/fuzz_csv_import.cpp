// libFuzzer target: the CSV import (encoding guess, quoted fields, separator
// choice, column recognition, field mapping and number check), then the
// export of what was imported and its import again, which must match.
#include "files/CsvFile.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/PhoneBook.h"
#include "shell/UserInterface.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Answers every message with OK and maps the fields the input's first two
// bytes pick.
class FuzzUserInterface : public UserInterface
{
public:
    unsigned nameField = 0;
    unsigned numberField = 1;
    Answer message(const Message&) override { return Answer::Ok; }
    bool mapCsvFields(CsvMappingRequest& mapping) override
    {
        mapping.nameField = nameField;
        mapping.numberField = numberField;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PhoneBook book;
    book.clear();
    FuzzUserInterface ui;
    if (size >= 2) {
        ui.nameField = data[0] % 4;
        ui.numberField = data[1] % 4;
        data += 2;
        size -= 2;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every contact comes from a line of its own: never more contacts than line ends + 1.
    const auto lineEnds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n') +
                                                   std::count(bytes.begin(), bytes.end(), '\r'));
    if (importCsvBytes(bytes, book, ui) == 1 && book.contactCount() > lineEnds + 1) {
        __builtin_trap();
    }
    // Export and import again give back the same names and numbers, whichever
    // characters, quotes, separators and formula starts they hold.
    for (const char separator : {';', ','}) {
        const std::string exported = csvExportBytes(book, separator);
        static PhoneBook back;
        back.clear();
        FuzzUserInterface plain;
        if (importCsvBytes(exported, back, plain) != 1 ||
            back.contactCount() != book.contactCount()) {
            __builtin_trap();
        }
        for (uint32_t i = 0; i < book.contactCount(); ++i) {
            if (heldNameToUnicode(back.contacts[i].heldName()) !=
                    heldNameToUnicode(book.contacts[i].heldName()) ||
                back.contacts[i].numberText() != book.contacts[i].numberText()) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
