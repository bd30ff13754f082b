// The contact table, the side books, the wiped text buffer and the small text
// operations used on names and numbers.

#include "phonebook/OwnedText.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/SideBooks.h"
#include "phonebook/TextEdit.h"
#include "shell/LastError.h"

#include <QTest>

#include <cstring>

namespace {

Contact makeContact(std::string_view name, std::string_view number, uint32_t sequence)
{
    Contact contact;
    contact.setName(name);
    contact.setNumber(number);
    contact.sequence = sequence;
    return contact;
}

bool allZero(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestContactModel : public QObject
{
    Q_OBJECT

private slots:
    void compareText_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("order");

        QTest::newRow("case folded") << QByteArray("abc") << QByteArray("ABC") << 0;
        QTest::newRow("prefix first") << QByteArray("ab") << QByteArray("abc") << -1;
        QTest::newRow("accented before ASCII")
            << QByteArray("\xc4pfel") << QByteArray("Apfel") << -1;
        QTest::newRow("0x81 name before letters")
            << QByteArray::fromHex("810207a9") << QByteArray("A") << -1;
        QTest::newRow("only a-z folded") << QByteArray("\xe4") << QByteArray("\xc4") << 1;
        QTest::newRow("underscore after folded z") << QByteArray("_") << QByteArray("z") << 1;
        QTest::newRow("empty texts") << QByteArray() << QByteArray() << 0;
    }

    void compareText()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, order);
        QCOMPARE(::compareText(a.toStdString(), b.toStdString()), order);
        QCOMPARE(::compareText(b.toStdString(), a.toStdString()), -order);
    }

    void trimAndRemove_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<char>("removed"); // 0: trim blanks instead
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("trim both ends") << QByteArray("  a b  ") << char(0) << QByteArray("a b");
        QTest::newRow("trim blanks only") << QByteArray("    ") << char(0) << QByteArray();
        QTest::newRow("tabs are not blanks") << QByteArray("\ta ") << char(0) << QByteArray("\ta");
        QTest::newRow("remove dashes") << QByteArray("1-2-3") << '-' << QByteArray("123");
    }

    void trimAndRemove()
    {
        QFETCH(QByteArray, text);
        QFETCH(char, removed);
        QFETCH(QByteArray, expected);

        std::string str = text.toStdString();
        char buffer[32] = {};
        std::memcpy(buffer, text.constData(), static_cast<std::size_t>(text.size()));
        if (removed == 0) {
            trimBlanks(str);
            trimBlanks(buffer);
        } else {
            removeChar(str, removed);
            removeChar(buffer, removed);
        }
        QCOMPARE(QByteArray::fromStdString(str), expected);
        QCOMPARE(QByteArray(buffer), expected);
    }

    void bookKind_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("titleId");

        QTest::newRow("phone book") << 1 << 1 << 167;
        QTest::newRow("last dialled") << 2 << 2 << 169;
        QTest::newRow("fixed dialling") << 3 << 3 << 168;
        QTest::newRow("unknown shows phone book") << 7 << 1 << 167;
    }

    void bookKind()
    {
        QFETCH(int, value);
        QFETCH(int, kind);
        QFETCH(int, titleId);
        const PhoneBookKind shown = phoneBookKindFromInt(value);
        QCOMPARE(static_cast<int>(shown), kind);
        QCOMPARE(phoneBookKindTitleId(shown), titleId);
    }

    // The held length of each name form, as a card record of zeros would give it.
    void heldForms_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QByteArray>("held"); // then zeros up to `size`
        QTest::addColumn<int>("size");
        const auto row = [](const char* tag, const char* given, const char* held, int size) {
            QTest::newRow(tag) << QByteArray::fromHex(given) << QByteArray::fromHex(held) << size;
        };
        row("plain ends at a zero byte", "410042", "41", 1);
        row("0x81 ends at a zero byte", "810207a900bc", "810207a9", 4);
        row("0x80 ends at a pair 00 00", "80004100000042", "800041", 3);
        row("0x80 ends at a pair FF FF", "800041ffff42", "800041", 3);
        row("0x80 keeps a byte FF inside a character", "800041ff42", "800041ff42", 5);
        row("0x80 keeps whole characters", "80004100", "800041", 3);
        row("0x82 count past its bytes keeps zeros", "820505302d", "820505302d", 9);
        row("0x82 count past the field", "82ff0530", "82ff0530", 100);
    }

    void heldForms()
    {
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, held);
        QFETCH(int, size);
        held.append(QByteArray(size - held.size(), '\0'));
        Contact contact;
        contact.setName(std::string_view(given.constData(), std::size_t(given.size())));
        contact.setNumber(std::string_view("12\0"
                                           "3",
                                           4));
        QCOMPARE(QByteArray(contact.heldName().data(), qsizetype(contact.heldName().size())), held);
        QCOMPARE(contact.numberText(), std::string_view("12"));
        const Contact copy = contact;
        QCOMPARE(copy.heldName(), contact.heldName());
    }

    void numberTypeLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("type"); // -1: not a label
        QTest::addColumn<QString>("written");
        QTest::newRow("cell") << "cell" << int(NumberType::Cell) << "cell";
        QTest::newRow("upper case") << "HOME" << int(NumberType::Home) << "home";
        QTest::newRow("other") << "other" << int(NumberType::Other) << "other";
        QTest::newRow("unknown") << "pager" << -1 << "";
        QTest::newRow("prefix only") << "cel" << -1 << "";
    }

    void numberTypeLabels()
    {
        QFETCH(QString, label);
        QFETCH(int, type);
        QFETCH(QString, written);
        const std::string text = label.toStdString();
        const std::optional<NumberType> parsed = numberTypeFromName(text);
        QCOMPARE(parsed ? int(*parsed) : -1, type);
        if (parsed)
            QCOMPARE(QString::fromLatin1(numberTypeName(*parsed).data(),
                                         qsizetype(numberTypeName(*parsed).size())),
                     written);
        QVERIFY(numberTypeName(NumberType::None).empty());
    }

    void phoneBookTable()
    {
        // The book takes far more than a card holds.
        auto book = std::make_unique<PhoneBook>();
        for (uint32_t i = 0; i < 5000; ++i) {
            book->append(makeContact("n", std::to_string(i), i));
        }
        QCOMPARE(book->contactCount(), 5000u);

        // Removing row 0 moves the rest up, their selection with them.
        book->clearSelection();
        book->setSelected(1, true);
        book->setSelected(7, true);
        QVERIFY(book->removeAt(0));
        QCOMPARE(book->contactCount(), 4999u);
        QCOMPARE(book->contacts[0].sequence, 1u);
        QVERIFY(book->isSelected(0));
        QVERIFY(!book->isSelected(1));
        QVERIFY(!book->removeAt(4999));

        // Removing rows in one pass keeps the others in order with their selection.
        std::vector<bool> remove(4999, false);
        remove[1] = remove[2] = remove[4998] = true;
        QCOMPARE(book->removeRows(remove), 3u);
        QCOMPARE(book->contactCount(), 4996u);
        QCOMPARE(book->contacts[1].sequence, 4u);
        QVERIFY(book->isSelected(0));
        QVERIFY(book->isSelected(4)); // the contact that was row 7
        QVERIFY(!book->isSelected(3));
        QCOMPARE(book->contacts.back().sequence, 4998u);

        // Any optional field makes a contact one with extras; clearing drops them.
        Contact extras = makeContact("Anna", "+4930", 7);
        QVERIFY(!extras.hasExtras());
        extras.editExtras().emails.push_back("anna@example.org");
        QVERIFY(extras.hasExtras());
        const Contact copied = extras;
        extras.clear();
        QVERIFY(!extras.hasExtras());
        QCOMPARE(copied.extras().emails.size(), std::size_t(1)); // a copy of its own
        QVERIFY(extras.heldName().empty());

        // Held names and numbers are cut to their fields.
        Contact longOne = makeContact(std::string(150, 'x'), std::string(60, '1'), 0);
        QCOMPARE(longOne.heldName().size(), std::size_t(100));
        QCOMPARE(longOne.numberText().size(), std::size_t(42));
        // A 0x80 name keeps whole characters (1 + 2n bytes) and its zero bytes.
        std::string pairs = "\x80";
        for (int i = 0; i < 60; ++i) {
            pairs += std::string("\x00\x41", 2);
        }
        longOne.setName(pairs);
        QCOMPARE(longOne.heldName().size(), std::size_t(99));

        book->clear();
        QCOMPARE(book->contactCount(), 0u);
        QVERIFY(!book->isSelected(0));
    }

    void measuring()
    {
        Contact contacts[3] = {
            makeContact("Al", "+491721217212", 0),
            makeContact(std::string_view("\x81\x02\x07\xa9\xbc", 5), "110", 1),
            makeContact("Bernadette", "1", 2),
        };
        QCOMPARE(longestName(contacts, 0), std::size_t(0));
        QCOMPARE(longestDisplayNumber(contacts, 0), std::size_t(0));
        QCOMPARE(longestName(contacts, 2), std::size_t(5)); // raw bytes of the 0x81 form
        QCOMPARE(longestName(contacts, 3), std::size_t(10));
        QCOMPARE(longestDisplayNumber(contacts, 3), std::size_t(13));
    }

    void sideBooks()
    {
        auto books = std::make_unique<SideBooks>();
        QCOMPARE(books->fdnCount, 40u);
        QCOMPARE(books->lndCount, 40u);
        QCOMPARE(books->fdn[0].name.capacity(), BookEntry::kTextCapacity);
        QVERIFY(allZero(books->lnd[39].number.data(), BookEntry::kTextCapacity));
        QCOMPARE(books->fdn[0].recordIndex, -1);

        // Trailing empty entries are not shown; a name without number is.
        BookEntry* fdn = books->fdn.data();
        fdn[0].number.assign("112");
        fdn[2].name.assign("Home");
        QCOMPARE(shownEntryCount(fdn, 40), 3u);
        QCOMPARE(shownEntryCount(fdn, 2), 1u);
        QCOMPARE(shownEntryCount(books->lnd.data(), 40), 0u); // a book with nothing shows nothing
        fdn[2].name.assign("");
        QCOMPARE(shownEntryCount(fdn, 40), 1u);
        QCOMPARE(shownEntryCount(fdn, 0), 0u);

        // Closing the book empties the dialled books but keeps the own numbers.
        books->lnd[5].number.assign("0301234");
        books->lnd[5].recordIndex = 5;
        books->lnd[5].dirty = 1;
        books->msisdn[0].number.assign("+4917");
        books->clearDialledBooks();
        QVERIFY(books->lnd[5].isBlank());
        QVERIFY(allZero(books->lnd[5].number.data(), books->lnd[5].number.capacity()));
        QCOMPARE(books->lnd[5].recordIndex, -1);
        QCOMPARE(books->lnd[5].dirty, 0u);
        QCOMPARE(books->msisdn[0].number.view(), std::string_view("+4917"));
    }

    void ownedText()
    {
        OwnedText text;
        QCOMPARE(text.c_str(), "");
        QVERIFY(text.empty());

        QVERIFY(text.assign("12345678"));
        QCOMPARE(text.capacity(), std::size_t(9));
        char* first = text.data();

        // A shorter text reuses the buffer and leaves nothing of the old one behind.
        QVERIFY(text.assign("99"));
        QCOMPARE(text.data(), first);
        QCOMPARE(text.view(), std::string_view("99"));
        QVERIFY(allZero(text.data() + 2, text.capacity() - 2));

        // A longer one takes a new buffer of length + 1.
        QVERIFY(text.assign("a longer reader name"));
        QCOMPARE(text.capacity(), std::size_t(21));

        // Text after an embedded zero is not taken.
        QVERIFY(text.assign(std::string_view("ab\0cd", 5)));
        QCOMPARE(text.view(), std::string_view("ab"));

        QVERIFY(text.assignTruncated16("Provider Name Is Longer"));
        QCOMPARE(text.view(), std::string_view("Provider Name Is"));
        QVERIFY(allZero(text.data() + 16, text.capacity() - 16));

        OwnedText moved(std::move(text));
        QCOMPARE(moved.view(), std::string_view("Provider Name Is"));
        QCOMPARE(text.capacity(), std::size_t(0));

        moved.release();
        QCOMPARE(moved.capacity(), std::size_t(0));
        QCOMPARE(moved.c_str(), "");

        // An impossible size leaves the holder empty with "not enough memory".
        setLastError(0);
        OwnedText huge(std::size_t(-1) / 2);
        QCOMPARE(huge.capacity(), std::size_t(0));
        QCOMPARE(lastError(), 8u);
    }
};

QTEST_GUILESS_MAIN(TestContactModel)
#include "TestContactModel.moc"
