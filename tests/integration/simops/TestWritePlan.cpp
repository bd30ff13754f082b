// The plan of a phone-book write: which records change, which extension
// records long numbers take, what does not fit. Cards are written as tokens,
// their bytes laid out by hand (20-byte records, alpha 6; 13-byte EXT1).
#include "simops/WritePlan.h"

#include <QStringList>
#include <QTest>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kShort = "123";
constexpr const char* kLong = "123456789012345678901234567890";

Bytes hex(const char* text, std::size_t length)
{
    const QByteArray raw = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    Bytes bytes(raw.begin(), raw.end());
    bytes.resize(length, 0xFF);
    return bytes;
}

// "." free, "As" A with a short number, "Bl3" B with a long number in EXT1 record 3.
Bytes adnRecord(const QString& token)
{
    if (token == ".")
        return Bytes(20, 0xFF);
    Bytes record = hex(token.at(1) == 's' ? "FF FF FF FF FF FF 03 81 21 F3"
                                          : "FF FF FF FF FF FF 0B 81 21 43 65 87 09 21 43 65 87 09",
                       20);
    record[0] = static_cast<uint8_t>(token.at(0).toLatin1());
    if (token.size() > 2)
        record[19] = static_cast<uint8_t>(token.mid(2).toInt());
    return record;
}

// "." free, "2" our type holding digits 21-30 of kLong, "x" type 02 with other
// digits, "1" another kind of data.
Bytes extRecord(const QString& token)
{
    if (token == "2")
        return hex("02 05 21 43 65 87 09", 13);
    if (token == "x")
        return hex("02 01 99", 13);
    if (token == "1")
        return hex("01 03 A1 B2 C3", 13);
    return Bytes(13, 0xFF);
}

std::vector<Contact> contactsOf(const QString& tokens)
{
    std::vector<Contact> contacts;
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts)) {
        Contact contact;
        contact.setName(token.left(token.size() - 1).toStdString());
        contact.setNumber(token.endsWith('l') ? kLong : kShort);
        contact.tonNpi = 0x81;
        contacts.push_back(contact);
    }
    return contacts;
}

// "3:B+2" record 3 gets contact B naming EXT1 record 2, "4:-" record 4 emptied,
// "e2" EXT1 record 2 written.
QString changesOf(const WritePlan& plan, const std::vector<Contact>& contacts)
{
    QStringList parts;
    for (const RecordChange& change : plan.records) {
        QString part = QString::number(change.record) + ':';
        if (change.contact < 0)
            part += '-';
        else
            part += QString::fromStdString(std::string(contacts[change.contact].heldName()));
        if (change.extension > 0)
            part += '+' + QString::number(change.extension);
        parts << part;
    }
    for (const RecordChange& change : plan.extensions)
        parts << 'e' + QString::number(change.record);
    return parts.join(' ');
}

} // namespace

class TestWritePlan : public QObject
{
    Q_OBJECT

private slots:
    void plan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("extensions");
        QTest::addColumn<QList<int>>("others");
        QTest::addColumn<QString>("contacts");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<int>("placed");
        QTest::addColumn<QList<int>>("counts"); // added, changed, removed, unchanged
        const int overwrite = int(PlanMode::Overwrite);
        const int add = int(PlanMode::Add);
        const int clear = int(PlanMode::Clear);

        // The failure that started it: a kept contact's extension record is not
        // given to a new long number, nor is the own number's.
        QTest::newRow("add keeps the extensions of kept records")
            << add << "Kl1 . Ml3 ."
            << "2 2 2 . ." << QList<int>{2} << "Nl Ol"
            << "2:N+4 4:O+5 e4 e5" << 2 << QList<int>{2, 0, 0, 0};
        QTest::newRow("add: no free extension record, the next contact takes the record")
            << add << "Kl1 . . ."
            << "2 2" << QList<int>{2} << "Nl Ps Ql"
            << "2:P" << 1 << QList<int>{1, 0, 0, 0};
        QTest::newRow("add: more contacts than free records")
            << add << "As . Bs ."
            << "." << QList<int>{} << "Cs Ds Es"
            << "2:C 4:D" << 2 << QList<int>{2, 0, 0, 0};
        QTest::newRow("add skips another kind of extension data")
            << add << "."
            << "1 x" << QList<int>{} << "Nl"
            << "1:N+2 e2" << 1 << QList<int>{1, 0, 0, 0};
        // Written again where it already is: nothing to send.
        QTest::newRow("unchanged rewrite") << overwrite << "As Bl2 ."
                                           << ". 2" << QList<int>{} << "As Bl"
                                           << "" << 2 << QList<int>{0, 0, 0, 2};
        QTest::newRow("one contact changed") << overwrite << "As Bl2 ."
                                             << ". 2" << QList<int>{} << "Cs Bl"
                                             << "1:C" << 2 << QList<int>{0, 1, 0, 1};
        // The extension of a rewritten record is free for a later record, but
        // one nothing names comes first.
        QTest::newRow("overwrite prefers extension records nothing names")
            << overwrite << "Al1 Bs"
            << "2 . " << QList<int>{} << "Cs Dl"
            << "1:C 2:D+2 e2" << 2 << QList<int>{0, 2, 0, 0};
        QTest::newRow("overwrite takes a released extension when none is left")
            << overwrite << "Al1 Bs"
            << "2" << QList<int>{} << "Cs Dl"
            << "1:C 2:D+1" << 2 << QList<int>{0, 2, 0, 0};
        QTest::newRow("overwrite empties the records after the book")
            << overwrite << "As Bs Cs ."
            << "." << QList<int>{} << "As"
            << "2:- 3:-" << 1 << QList<int>{0, 0, 2, 1};
        QTest::newRow("overwrite with more contacts than records")
            << overwrite << ". ."
            << "." << QList<int>{} << "As Bs Cs"
            << "1:A 2:B" << 2 << QList<int>{2, 0, 0, 0};
        QTest::newRow("overwrite with an empty book empties everything")
            << overwrite << "As . Bl1"
            << "2" << QList<int>{} << ""
            << "1:- 3:-" << 0 << QList<int>{0, 0, 2, 0};
        QTest::newRow("clear leaves the extension records alone")
            << clear << "Al1 . Bs"
            << "2" << QList<int>{} << "Cs"
            << "1:- 3:-" << 0 << QList<int>{0, 0, 2, 0};
        // A chain: the kept record's extension names another one.
        QTest::newRow("extension chains of kept records are kept")
            << add << "Kl1 ."
            << "2 2 ." << QList<int>{} << "Nl"
            << "2:N+3 e3" << 1 << QList<int>{1, 0, 0, 0};
    }

    void plan()
    {
        QFETCH(int, mode);
        QFETCH(QString, card);
        QFETCH(QString, extensions);
        QFETCH(QList<int>, others);
        QFETCH(QString, contacts);
        QFETCH(QString, changes);
        QFETCH(int, placed);
        QFETCH(QList<int>, counts);
        CardBookImage image;
        for (const QString& token : card.split(' ', Qt::SkipEmptyParts))
            image.records.push_back(adnRecord(token));
        for (const QString& token : extensions.split(' ', Qt::SkipEmptyParts))
            image.extensions.push_back(extRecord(token));
        if (QTest::currentDataTag() == QByteArray("extension chains of kept records are kept"))
            image.extensions[0][12] = 2; // record 1 continues in record 2
        for (int other : others)
            image.otherReferences.push_back(static_cast<uint8_t>(other));
        const std::vector<Contact> book = contactsOf(contacts);

        const WritePlan plan = planPhoneBookWrite(image, book, PlanMode(mode));
        QCOMPARE(changesOf(plan, book), changes);
        QCOMPARE(plan.contactsPlaced, placed);
        QCOMPARE(plan.fits(), placed == int(book.size()));
        QCOMPARE((QList<int>{plan.added, plan.changed, plan.removed, plan.unchanged}), counts);
        QCOMPARE(plan.updateCount(), int(plan.records.size() + plan.extensions.size()));
        // Every new record and extension record holds what the contact needs.
        for (const RecordChange& change : plan.records) {
            if (change.contact < 0) {
                QCOMPARE(change.after, Bytes(20, 0xFF));
                continue;
            }
            const Contact& contact = book[change.contact];
            const bool isLong = contact.numberText().size() > 20;
            QCOMPARE(change.after,
                     adnRecord(QString::fromStdString(std::string(contact.heldName())) +
                               (isLong ? 'l' + QString::number(change.extension) : "s")));
        }
        for (const RecordChange& change : plan.extensions)
            QCOMPARE(change.after, extRecord("2"));
    }

    // The names cut to their field, and the contacts whose second numbers,
    // e-mails or second name a SIM record cannot hold, are listed.
    void cutNamesAndLostExtrasAreListed()
    {
        CardBookImage image;
        image.records.assign(3, Bytes(20, 0xFF));
        std::vector<Contact> book = contactsOf("Annes Bartholomews Cs");
        book[2].editExtras().emails.push_back("c@example.org");
        const WritePlan plan = planPhoneBookWrite(image, book, PlanMode::Overwrite);
        QCOMPARE(plan.cutNames, std::vector<int>{1});
        QCOMPARE(describePlan(plan, book).back(),
                 std::string("written without its second numbers, e-mails and second name: C 123"));
        // A second number alone is lost as well: the plan does not fit.
        book[2].editExtras().emails.clear();
        book[2].editExtras().extraNumbers.push_back({});
        QVERIFY(!planPhoneBookWrite(image, book, PlanMode::Overwrite).fits());
    }

    // The contacts the card no longer holds after the write, compared whole:
    // an overwrite that only closes the gaps between them loses none.
    void contactsLost_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("contacts");
        QTest::addColumn<int>("lost");
        const int overwrite = int(PlanMode::Overwrite);
        QTest::newRow("gaps closed") << overwrite << "As . Bs . Cl1" << "As Bs Cl" << 0;
        QTest::newRow("order changed") << overwrite << "As Bs" << "Bs As" << 0;
        QTest::newRow("one left out") << overwrite << "As . Bs" << "Bs" << 1;
        QTest::newRow("number changed") << overwrite << "As Bs" << "As Bl" << 1;
        QTest::newRow("a copy written once") << overwrite << "As As" << "As" << 1;
        QTest::newRow("added") << int(PlanMode::Add) << "As ." << "Bs" << 0;
        QTest::newRow("cleared") << int(PlanMode::Clear) << "As Bs ." << "" << 2;
    }

    void contactsLost()
    {
        QFETCH(int, mode);
        QFETCH(QString, card);
        QFETCH(QString, contacts);
        QFETCH(int, lost);
        CardBookImage image;
        for (const QString& token : card.split(' ', Qt::SkipEmptyParts))
            image.records.push_back(adnRecord(token));
        image.extensions = {extRecord("2"), extRecord(".")};
        const std::vector<Contact> book = contactsOf(contacts);
        QCOMPARE(planPhoneBookWrite(image, book, PlanMode(mode)).contactsLost, lost);
    }
};

QTEST_GUILESS_MAIN(TestWritePlan)
#include "TestWritePlan.moc"
