#pragma once

#include <vector>

struct PhoneBook;

// Editing operations of the contact list that act on the phone-book table.
// Row i of the list is contact i, so each returns the row to select
// afterwards (-1 for none) and the caller rebuilds the rows it changed.

// Deletes every row whose `selected` bit is set, in one pass. The new
// selection is the row before the last deleted position (row 0 when that is
// before the start), or -1 when no contact is left.
int deleteSelectedContacts(PhoneBook& book, std::vector<bool> selected);

// Swaps the selected contact with the one above; the first row (or no
// selection) moves nothing and selects row 0.
int moveContactUp(PhoneBook& book, int selectedIndex);
// Swaps the selected contact with the one below; the last row or no
// selection moves nothing.
int moveContactDown(PhoneBook& book, int selectedIndex);

enum class SortColumn
{
    Name,
    Number
};
// Sorts by name or number (compareText), stably: equal contacts keep their
// order. The selected row is followed and its new index returned.
int sortContacts(PhoneBook& book, SortColumn column, bool ascending, int selectedIndex);
