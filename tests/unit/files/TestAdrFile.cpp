#include "ScriptedUserInterface.h"
#include "files/AdrFile.h"
#include "phonebook/PhoneBook.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const std::string kTag = "<{[This is Adr File]}>";

// A record of L bytes: name bytes, then at A the length, TON/NPI and digits,
// CCP at L-2, everything else 0xFF.
std::string record(int length, int nameLength, const std::string& name, uint8_t tonNpi,
                   const std::string& digits, uint8_t ccp = 0xFF)
{
    std::string r(static_cast<std::size_t>(length), '\xFF');
    r.replace(0, name.size(), name);
    r[static_cast<std::size_t>(nameLength)] = static_cast<char>(digits.size() + 1);
    r[static_cast<std::size_t>(nameLength) + 1] = static_cast<char>(tonNpi);
    r.replace(static_cast<std::size_t>(nameLength) + 2, digits.size(), digits);
    r[static_cast<std::size_t>(length) - 2] = static_cast<char>(ccp);
    return r;
}

// Reads a legacy file as the program does, keeping what it reports.
struct AdrRead
{
    PhoneBook book;
    uint32_t recordLength = 0;
    uint32_t nameLength = 0;
    ScriptedUserInterface ui;
    bool ok = false;
};

// `r` may come with a book and lengths left from before.
std::unique_ptr<AdrRead> readAdr(const std::string& file,
                                 std::unique_ptr<AdrRead> r = std::make_unique<AdrRead>())
{
    r->ok = readAdrBytes(file, r->book, r->recordLength, r->nameLength, r->ui);
    return r;
}

} // namespace

class TestAdrFile : public QObject
{
    Q_OBJECT

private slots:
    void nameLength()
    {
        QCOMPARE(adrNameLength(33), 19); // 33 - 24 = 9 is below 10
        QCOMPARE(adrNameLength(34), 10);
    }

    void shortCountVariant()
    {
        // "Anna" in GSM, +12345; "J", GSM 0x7C (o with diaeresis), "rg"; a name of 0xFF only.
        std::string file = std::string("\x1C\x03", 2) + kTag;
        file += record(28, 14, "Anna", 0x91, "\x21\x43\xF5", 7);
        file += record(28, 14, "J\x7Crg", 0x81, "\x10\x32");
        file += record(28, 14, "", 0x81, "\x99\x99\x99\x99\x99\x99\x99\x99\x99\x99");
        auto before = std::make_unique<AdrRead>();
        before->book.nextSequence = 50;
        const auto r = readAdr(file, std::move(before));
        QVERIFY(r->ok);
        QCOMPARE(r->recordLength, 28u);
        QCOMPARE(r->nameLength, 14u);
        const PhoneBook& book = r->book;
        QCOMPARE(book.contactCount(), 3u);
        QCOMPARE(book.nextSequence, 4u);
        QCOMPARE(book.contacts[0].heldName(), std::string_view("Anna"));
        QCOMPARE(book.contacts[0].numberText(), std::string_view("+12345"));
        QCOMPARE(book.contacts[0].ccp, uint8_t{7});
        QCOMPARE(book.contacts[1].heldName(), std::string_view("J\xF6rg"));
        QCOMPARE(book.contacts[1].numberText(), std::string_view("0123"));
        QCOMPARE(book.contacts[1].tonNpi, uint8_t{0x81});
        QCOMPARE(book.contacts[2].sequence, 2u);
        QVERIFY(book.contacts[2].heldName().empty());
        // All ten digit bytes of a standard record, and no further (CCP, extension).
        QCOMPARE(book.contacts[2].numberText(), std::string_view("99999999999999999999"));
        QVERIFY(r->ui.messages.empty());
    }

    void longCountVariant()
    {
        const auto r = readAdr(std::string("\x1C\x00\x01\x00\x00\x00", 6) + kTag +
                               record(28, 14, "Bob", 0x81, "\x21"));
        QVERIFY(r->ok);
        QCOMPARE(r->book.contactCount(), 1u);
        QCOMPARE(r->book.contacts[0].heldName(), std::string_view("Bob"));
        QCOMPARE(r->book.contacts[0].numberText(), std::string_view("12"));
    }

    void longRecords()
    {
        // L = 40: 16 name bytes, then 20 digit bytes up to the CCP at 38.
        const auto r =
            readAdr(std::string("\x28\x01", 2) + kTag +
                    record(40, 16, "Sixteen chars ok", 0x81, std::string(20, '\x21'), 3));
        QVERIFY(r->ok);
        QCOMPARE(r->nameLength, 16u);
        QCOMPARE(r->book.contacts[0].heldName(), std::string_view("Sixteen chars ok"));
        QCOMPARE(r->book.contacts[0].numberText(),
                 std::string_view("1212121212121212121212121212121212121212"));
        QCOMPARE(r->book.contacts[0].ccp, uint8_t{3});
    }

    void badTagOrImpossibleRecords()
    {
        std::string wrongTag = kTag;
        wrongTag[4] = 'a'; // one character changed
        const std::string lowerA = "<{[This is adr File]}>";
        for (const std::string& file :
             {std::string("\x1C\x01", 2) + lowerA + record(28, 14, "A", 0x81, "\x21"),
              std::string("\x1C\x01", 2) + wrongTag, std::string("\x0D\x01", 2) + kTag,
              std::string()}) {
            auto before = std::make_unique<AdrRead>();
            before->book.contacts.resize(5);
            before->recordLength = 9;
            before->nameLength = 9;
            const auto r = readAdr(file, std::move(before));
            QVERIFY(!r->ok);
            QCOMPARE(r->ui.messageIds(), std::vector<int>{26});
            QCOMPARE(r->recordLength, 0u);
            QCOMPARE(r->nameLength, 0u);
            QCOMPARE(r->book.contactCount(), 0u);
        }
    }

    void truncatedFileGivesTheRecordsItHolds()
    {
        // Claims 4 records; the second stops after its name; the rest are missing.
        auto before = std::make_unique<AdrRead>();
        before->book.contacts.resize(6);
        before->book.contacts[3].setName("stale");
        auto r = readAdr(std::string("\x1C\x04", 2) + kTag + record(28, 14, "Anna", 0x91, "\x21") +
                             std::string("Bo"),
                         std::move(before));
        QVERIFY(r->ok);
        QCOMPARE(r->book.contactCount(), 2u);
        QCOMPARE(r->book.contacts[1].heldName(), std::string_view("Bo"));
        QVERIFY(r->book.contacts[1].numberText().empty());

        // A count far beyond the file's records makes no empty rows.
        r = readAdr(std::string("\x1C\x00\xFF\xFF\xFF\xFF", 6) + kTag +
                    record(28, 14, "Anna", 0x91, "\x21"));
        QVERIFY(r->ok);
        QCOMPARE(r->book.contactCount(), 1u);
    }

    void readsFromDisk()
    {
        PhoneBook book;
        uint32_t recordLength = 0;
        uint32_t nameLength = 0;
        ScriptedUserInterface ui;
        QVERIFY(openAdrFile(PHONARA_TEST_DATA "/files/short-count.adr", book, recordLength,
                              nameLength, ui));
        QCOMPARE(book.contactCount(), 2u);
        QCOMPARE(book.contacts[0].numberText(), std::string_view("+12345"));
        QVERIFY(!openAdrFile("/nonexistent/file.adr", book, recordLength, nameLength, ui));
        QCOMPARE(ui.messageIds(), std::vector<int>{25});
    }
};

QTEST_GUILESS_MAIN(TestAdrFile)
#include "TestAdrFile.moc"
