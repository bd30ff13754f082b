#include "phonebook/PhoneBook.h"
#include "ui/ListOperations.h"

#include <QTest>

#include <string>
#include <vector>

namespace {
using Names = std::vector<std::string>;

PhoneBook bookOf(const Names& names)
{
    PhoneBook book;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Contact contact;
        contact.setName(names[i]);
        contact.setNumber(std::to_string(100 + i));
        contact.sequence = static_cast<uint32_t>(i);
        book.append(contact);
    }
    return book;
}

Names namesOf(const PhoneBook& book)
{
    Names names;
    for (uint32_t i = 0; i < book.contactCount(); ++i)
        names.emplace_back(book.contacts[i].heldName());
    return names;
}
} // namespace

Q_DECLARE_METATYPE(Names)
Q_DECLARE_METATYPE(std::vector<bool>)

class TestListOperations : public QObject
{
    Q_OBJECT

private slots:
    void deleteSelected_data()
    {
        QTest::addColumn<Names>("names");
        QTest::addColumn<std::vector<bool>>("selected");
        QTest::addColumn<Names>("remaining");
        QTest::addColumn<int>("newSelection");

        const Names five{"A", "B", "C", "D", "E"};
        // Rows 2 and 4 go; the row before the last deleted position (C) is selected.
        QTest::newRow("rows 2 and 4 of 5")
            << five << std::vector<bool>{false, true, false, true, false} << Names{"A", "C", "E"}
            << 1;
        QTest::newRow("only row") << Names{"A"} << std::vector<bool>{true} << Names{} << -1;
        QTest::newRow("first row")
            << five << std::vector<bool>{true} << Names{"B", "C", "D", "E"} << 0;
        QTest::newRow("last row") << five << std::vector<bool>{false, false, false, false, true}
                                  << Names{"A", "B", "C", "D"} << 3;
        QTest::newRow("adjacent rows") << five << std::vector<bool>{false, false, true, true, false}
                                       << Names{"A", "B", "E"} << 1;
        QTest::newRow("every row")
            << Names{"A", "B"} << std::vector<bool>{true, true} << Names{} << -1;
    }

    void deleteSelected()
    {
        QFETCH(Names, names);
        QFETCH(std::vector<bool>, selected);
        QFETCH(Names, remaining);
        QFETCH(int, newSelection);

        PhoneBook book = bookOf(names);
        QCOMPARE(deleteSelectedContacts(book, selected), newSelection);
        QCOMPARE(namesOf(book), remaining);
        QCOMPARE(book.contactCount(), static_cast<uint32_t>(remaining.size()));
    }

    void moves_data()
    {
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("selected");
        QTest::addColumn<Names>("after");
        QTest::addColumn<int>("newSelection");

        QTest::newRow("up from the middle") << true << 1 << Names{"B", "A", "C"} << 0;
        QTest::newRow("up from the first row") << true << 0 << Names{"A", "B", "C"} << 0;
        QTest::newRow("up without selection") << true << -1 << Names{"A", "B", "C"} << 0;
        QTest::newRow("down from the middle") << false << 1 << Names{"A", "C", "B"} << 2;
        QTest::newRow("down from the last row") << false << 2 << Names{"A", "B", "C"} << 2;
        QTest::newRow("down without selection") << false << -1 << Names{"A", "B", "C"} << -1;
    }

    void moves()
    {
        QFETCH(bool, up);
        QFETCH(int, selected);
        QFETCH(Names, after);
        QFETCH(int, newSelection);

        PhoneBook book = bookOf({"A", "B", "C"});
        const int result = up ? moveContactUp(book, selected) : moveContactDown(book, selected);
        QCOMPARE(result, newSelection);
        QCOMPARE(namesOf(book), after);
    }

    // A move carries every field of the contact.
    void moveKeepsContactTogether()
    {
        PhoneBook book = bookOf({"A", "B"});
        book.contacts[1].tonNpi = 0x91;
        moveContactUp(book, 1);
        QCOMPARE(std::string(book.contacts[0].numberText()), std::string("101"));
        QCOMPARE(book.contacts[0].tonNpi, uint8_t(0x91));
        QCOMPARE(book.contacts[0].sequence, 1u);
    }

    void sortByNumber()
    {
        PhoneBook book = bookOf({"x", "y", "z"});
        book.contacts[0].setNumber("+4420");
        book.contacts[1].setNumber("0171");
        book.contacts[2].setNumber("123");
        // '+' (0x2B) sorts before the digits.
        QCOMPARE(sortContacts(book, SortColumn::Number, true, -1), -1);
        QCOMPARE(namesOf(book), (Names{"x", "y", "z"}));
        sortContacts(book, SortColumn::Number, false, -1);
        QCOMPARE(namesOf(book), (Names{"z", "y", "x"}));
    }

    void sortEmptyBook()
    {
        PhoneBook book;
        QCOMPARE(sortContacts(book, SortColumn::Name, true, -1), -1);
        QCOMPARE(book.contactCount(), 0u);
    }
};

QTEST_GUILESS_MAIN(TestListOperations)
#include "TestListOperations.moc"
