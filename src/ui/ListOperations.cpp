#include "ListOperations.h"

#include "phonebook/PhoneBook.h"
#include "phonebook/TextEdit.h"

#include <algorithm>
#include <numeric>

int deleteSelectedContacts(PhoneBook& book, std::vector<bool> selected)
{
    selected.resize(book.contactCount(), false);
    int lastDeleted = -1;
    // The position the last deleted row had among the rows left.
    int kept = 0;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            lastDeleted = kept;
        else
            ++kept;
    }
    book.removeRows(selected);
    if (book.contactCount() == 0)
        return -1;
    const int next = lastDeleted - 1;
    return next < 0 ? 0 : next;
}

int moveContactUp(PhoneBook& book, int selectedIndex)
{
    if (selectedIndex < 1 || selectedIndex >= static_cast<int>(book.contactCount()))
        return book.contactCount() > 0 ? 0 : -1;
    swapContacts(book.contacts[selectedIndex - 1], book.contacts[selectedIndex]);
    return selectedIndex - 1;
}

int moveContactDown(PhoneBook& book, int selectedIndex)
{
    if (selectedIndex < 0 || selectedIndex + 1 >= static_cast<int>(book.contactCount()))
        return selectedIndex;
    swapContacts(book.contacts[selectedIndex], book.contacts[selectedIndex + 1]);
    return selectedIndex + 1;
}

int sortContacts(PhoneBook& book, SortColumn column, bool ascending, int selectedIndex)
{
    const auto key = [column](const Contact& c) {
        return column == SortColumn::Name ? c.heldName() : c.numberText();
    };
    // A stable sort: contacts that compare equal keep their order, and the
    // selected contact is followed to its new row.
    const int count = static_cast<int>(book.contactCount());
    std::vector<uint32_t> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int compared = compareText(key(book.contacts[a]), key(book.contacts[b]));
        return ascending ? compared < 0 : compared > 0;
    });
    std::vector<Contact> sorted;
    sorted.reserve(order.size());
    int newSelected = selectedIndex;
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(book.contacts[order[i]]);
        if (static_cast<int>(order[i]) == selectedIndex)
            newSelected = static_cast<int>(i);
    }
    book.contacts = std::move(sorted);
    book.selectionState.clear();
    return newSelected;
}
