#pragma once

#include "phonebook/PhoneBook.h"

#include <QAbstractTableModel>

struct SideBooks;

// The contact list: row i shows contact i of the phone book (or entry i of
// the side book shown) with its row number, the name's display form and the
// number's display form. The model holds no copy of the table; whoever
// changes the table calls refill() or rowsChanged().
class ContactListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        RowNumber = 0,
        Name = 1,
        Number = 2,
        More = 3, // second numbers, e-mail addresses and second name (USIM phone book)
        ColumnCount = 4
    };

    ContactListModel(PhoneBook& book, SideBooks& sideBooks, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    PhoneBookKind shownBook() const { return m_kind; }
    void setShownBook(PhoneBookKind kind);

    // Rebuilds every row from the table (after a load, read, import, delete, sort...).
    void refill();
    // Shows no rows without touching the table (while a transfer fills it,
    // or while a file dialog decides what comes next).
    void clearRows();
    // Rows first..last changed in place (a move).
    void rowsChanged(int first, int last);

    // Display texts of a row (for the selected-contact texts and tests).
    QString nameText(int row) const;
    QString moreText(int row) const;
    // Whether a contact of the shown book has second numbers, e-mails or a second name.
    bool hasMore() const;
    QString numberText(int row) const;

private:
    PhoneBook& m_book;
    SideBooks& m_sideBooks;
    PhoneBookKind m_kind = PhoneBookKind::PhoneBook;
    int m_rows = 0;

    int tableRows() const;
};
