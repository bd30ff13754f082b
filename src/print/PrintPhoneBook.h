#pragma once

#include "phonebook/PhoneBook.h"

#include <QLocale>

#include <string>

class QDate;
class QPrinter;
class QWidget;

// Prints the first `count` contacts as a table of location, name and number:
// a title block on the first page, the column headings at the top of every
// later page and a page number under each page's rows. `path` is the open
// file ("" for a book from the card). Returns the number of pages printed.
int printPhoneBookTo(QPrinter& printer, const Contact* contacts, uint32_t count,
                     const std::string& path);

// The date over the number column of the first page: the weekday, the day,
// the month and the year, names in the locale's words ("Thursday, 3 December 2026").
QString printedDate(const QDate& date, const QLocale& locale = QLocale());

// The Print command: asks for a printer with the print dialog, then prints.
// Nothing happens for an empty book, not even the dialog.
void printPhoneBook(QWidget* owner, const Contact* contacts, uint32_t count,
                    const std::string& path);
