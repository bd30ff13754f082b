#include "ListOperations.h"

#include "phonebook/PhoneBook.h"
#include "phonebook/TextEdit.h"

int deleteSelectedContacts(PhoneBook& book, std::vector<bool> selected)
{
    selected.resize(book.contactCount, false);
    int lastDeleted = -1;
    uint32_t i = 0;
    while (i < book.contactCount) {
        if (selected[i]) {
            book.removeAt(i);
            selected.erase(selected.begin() + i);
            lastDeleted = static_cast<int>(i);
        } else {
            ++i;
        }
    }
    if (book.contactCount == 0)
        return -1;
    const int next = lastDeleted - 1;
    return next < 0 ? 0 : next;
}

int moveContactUp(PhoneBook& book, int selectedIndex)
{
    if (selectedIndex < 1 || selectedIndex >= static_cast<int>(book.contactCount))
        return book.contactCount > 0 ? 0 : -1;
    swapContacts(book.contacts[selectedIndex - 1], book.contacts[selectedIndex]);
    return selectedIndex - 1;
}

int moveContactDown(PhoneBook& book, int selectedIndex)
{
    if (selectedIndex < 0 || selectedIndex + 1 >= static_cast<int>(book.contactCount))
        return selectedIndex;
    swapContacts(book.contacts[selectedIndex], book.contacts[selectedIndex + 1]);
    return selectedIndex + 1;
}

int sortContacts(PhoneBook& book, SortColumn column, bool ascending, int selectedIndex)
{
    const auto key = [column](const Contact& c) {
        return column == SortColumn::Name ? c.heldName() : c.numberText();
    };
    const int count = static_cast<int>(book.contactCount);
    for (int pass = 0; pass < count - 1; ++pass) {
        for (int j = 0; j + 1 < count; ++j) {
            const int order = compareText(key(book.contacts[j]), key(book.contacts[j + 1]));
            if (ascending ? order > 0 : order < 0) {
                swapContacts(book.contacts[j], book.contacts[j + 1]);
                if (selectedIndex == j)
                    selectedIndex = j + 1;
                else if (selectedIndex == j + 1)
                    selectedIndex = j;
            }
        }
    }
    return selectedIndex;
}
