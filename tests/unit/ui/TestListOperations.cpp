// The list's editing operations, and the window's title and status texts.

#include "phonebook/PhoneBook.h"
#include "ui/DocumentState.h"
#include "ui/ListOperations.h"

#include <QTest>

#include <string>
#include <vector>

namespace {
// A book of one-letter names; contact "A" has number 100, "B" 101 and so on.
PhoneBook bookOf(const QString& names)
{
    PhoneBook book;
    for (const QChar name : names) {
        Contact contact;
        contact.setName(QString(name).toStdString());
        contact.setNumber(std::to_string(100 + name.unicode() - 'A'));
        contact.sequence = name.unicode() - 'A';
        book.append(contact);
    }
    return book;
}

QString namesOf(const PhoneBook& book)
{
    QString names;
    for (const Contact& contact : book.contacts)
        names += QString::fromStdString(std::string(contact.heldName()));
    return names;
}
} // namespace

class TestListOperations : public QObject
{
    Q_OBJECT

private slots:
    // `marks` has an 'x' under each selected row; a move takes the first one.
    void operations_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("newSelection");
        const auto row = [](const char* name, const char* operation, const char* names,
                            const char* marks, const char* after, int newSelection) {
            QTest::newRow(name) << QString(operation) << QString(names) << QString(marks)
                                << QString(after) << newSelection;
        };
        // The row before the last deleted position is selected.
        row("delete only row", "delete", "A", "x", "", -1);
        row("delete first row", "delete", "ABCDE", "x----", "BCDE", 0);
        row("delete last row", "delete", "ABCDE", "----x", "ABCD", 3);
        row("delete adjacent rows", "delete", "ABCDE", "--xx-", "ABE", 1);
        row("delete every row", "delete", "AB", "xx", "", -1);
        row("up from the middle", "up", "ABC", "-x-", "BAC", 0);
        row("up from the first row", "up", "ABC", "x--", "ABC", 0);
        row("up without selection", "up", "ABC", "---", "ABC", 0);
        row("down from the middle", "down", "ABC", "-x-", "ACB", 2);
        row("down from the last row", "down", "ABC", "--x", "ABC", 2);
        row("down without selection", "down", "ABC", "---", "ABC", -1);
    }

    void operations()
    {
        QFETCH(QString, operation);
        QFETCH(QString, names);
        QFETCH(QString, marks);
        QFETCH(QString, after);
        QFETCH(int, newSelection);
        PhoneBook book = bookOf(names);
        std::vector<bool> selected;
        for (const QChar mark : marks)
            selected.push_back(mark == 'x');
        const int result = operation == "delete" ? deleteSelectedContacts(book, selected)
                           : operation == "up"   ? moveContactUp(book, int(marks.indexOf('x')))
                                                 : moveContactDown(book, int(marks.indexOf('x')));
        QCOMPARE(result, newSelection);
        QCOMPARE(namesOf(book), after);
        // Every field goes with its contact.
        for (const Contact& contact : book.contacts) {
            const int letter = contact.heldName()[0] - 'A';
            QCOMPARE(std::string(contact.numberText()), std::to_string(100 + letter));
            QCOMPARE(contact.sequence, uint32_t(letter));
        }
        QCOMPARE(book.contactCount(), uint32_t(after.size()));
    }

    void sortByNumber()
    {
        PhoneBook book = bookOf("ABC");
        book.contacts[0].setNumber("+4420");
        book.contacts[1].setNumber("0171");
        book.contacts[2].setNumber("123");
        // '+' (0x2B) sorts before the digits; the selected row is followed.
        QCOMPARE(sortContacts(book, SortColumn::Number, true, 0), 0);
        QCOMPARE(namesOf(book), "ABC");
        QCOMPARE(sortContacts(book, SortColumn::Number, false, 0), 2);
        QCOMPARE(namesOf(book), "CBA");
        PhoneBook empty;
        QCOMPARE(sortContacts(empty, SortColumn::Name, true, -1), -1);
    }

    // The window tests see a file in a folder, a card in a named reader and
    // nothing open; these are the cases they do not reach.
    void windowTexts_data()
    {
        QTest::addColumn<BookSource>("source");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("status");
        QTest::newRow("file without folder") << BookSource::File << "work.phn"
                                             << "Phonara - [ work.phn ]"
                                             << "40/*";
        QTest::newRow("card, reader unknown") << BookSource::Card << ""
                                              << "Phonara - [SIM card]"
                                              << "40/250";
    }

    void windowTexts()
    {
        QFETCH(BookSource, source);
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(QString, status);
        DocumentState state;
        state.bookSource = source;
        state.currentPath = path.toStdString();
        QCOMPARE(QString::fromStdString(windowTitleFor(state, "")), title);
        QCOMPARE(QString::fromStdString(statusTextFor(state, 40, 250)), status);
    }
};

QTEST_GUILESS_MAIN(TestListOperations)
#include "TestListOperations.moc"
