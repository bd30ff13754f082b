// A book of 100,000 contacts (a contacts app's export) through every path
// that touches all of it: save and load as .phn and CSV, sort, find, delete,
// and the list model. No timings are asserted: a step that turned quadratic
// would take hours and end in the test's timeout.

#include "ScriptedUserInterface.h"
#include "files/CsvFile.h"
#include "files/PhnFile.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "ui/ContactListModel.h"
#include "ui/FindReplace.h"
#include "ui/ListOperations.h"

#include <QTableView>
#include <QTest>

namespace {
constexpr uint32_t kContacts = 100000;

// Names in an order unlike the sorted one: "Contact 0" .. with the digits reversed.
PhoneBook largeBook()
{
    PhoneBook book;
    book.contacts.reserve(kContacts);
    for (uint32_t i = 0; i < kContacts; ++i) {
        std::string digits = std::to_string(i);
        std::reverse(digits.begin(), digits.end());
        Contact contact;
        contact.setName("Contact " + digits);
        contact.setNumber("+49301" + std::to_string(1000000 + i));
        contact.tonNpi = 0x91;
        contact.sequence = i;
        book.append(contact);
    }
    return book;
}

bool sameContacts(const PhoneBook& a, const PhoneBook& b)
{
    return a.contactCount() == b.contactCount() &&
           std::equal(a.contacts.begin(), a.contacts.end(), b.contacts.begin(),
                      [](const Contact& x, const Contact& y) {
                          return x.heldName() == y.heldName() && x.numberText() == y.numberText() &&
                                 x.tonNpi == y.tonNpi;
                      });
}
} // namespace

class TestLargeBook : public QObject
{
    Q_OBJECT

private slots:
    void phnAndCsvRoundTrip()
    {
        const PhoneBook book = largeBook();
        PhoneBook fromPhn;
        QCOMPARE(loadPhnBytes(phnFileBytes(&book, nullptr, 0, nullptr, 0), &fromPhn, nullptr, 0,
                              nullptr, 0),
                 1);
        QVERIFY(sameContacts(book, fromPhn));
        QCOMPARE(fromPhn.contacts.back().sequence, kContacts - 1);
        ScriptedUserInterface ui;
        PhoneBook fromCsv;
        QCOMPARE(importCsvBytes(csvExportBytes(book, ','), fromCsv, ui), 1);
        QVERIFY(sameContacts(book, fromCsv));
    }

    void sortFindDelete()
    {
        PhoneBook book = largeBook();
        // "Contact 99999" is row 99999; after sorting it is the last row.
        QCOMPARE(sortContacts(book, SortColumn::Name, true, 99999), int(kContacts - 1));
        QCOMPARE(book.contacts.front().heldName(), std::string_view("Contact 0"));
        QCOMPARE(book.contacts.back().heldName(), std::string_view("Contact 99999"));
        QCOMPARE(sortContacts(book, SortColumn::Name, false, -1), -1);
        QCOMPARE(book.contacts.front().heldName(), std::string_view("Contact 99999"));

        FindState state;
        state.findText = "Contact 12345";
        state.wholeWord = false;
        const FindOutcome found =
            findNextContact(book, state, -1, false, [](const std::string&) { return true; });
        QVERIFY(found.found);
        QCOMPARE(book.contacts[std::size_t(found.row)].heldName(),
                 std::string_view("Contact 12345"));

        // Every other row selected: one pass removes half the book.
        std::vector<bool> selected(kContacts);
        for (uint32_t i = 0; i < kContacts; i += 2)
            selected[i] = true;
        deleteSelectedContacts(book, selected);
        QCOMPARE(book.contactCount(), kContacts / 2);
        QCOMPARE(book.contacts.front().heldName(), std::string_view("Contact 99998"));
    }

    void listShowsEveryRow()
    {
        PhoneBook book = largeBook();
        SideBooks sideBooks;
        ContactListModel model(book, sideBooks);
        QCOMPARE(model.rowCount(), int(kContacts));
        QCOMPARE(
            model.data(model.index(int(kContacts) - 1, ContactListModel::Name), Qt::DisplayRole)
                .toString(),
            QStringLiteral("Contact 99999"));

        // The view over the model: scrolling to the end and selecting all
        // asks only for the rows it shows.
        QTableView view;
        view.setModel(&model);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.scrollToBottom();
        view.selectAll();
        QCOMPARE(view.selectionModel()->selectedRows().size(), qsizetype(kContacts));
        model.refill();
        QCOMPARE(model.rowCount(), int(kContacts));
    }
};

QTEST_MAIN(TestLargeBook)
#include "TestLargeBook.moc"
