#include "ScriptedUserInterface.h"
#include "files/CsvFile.h"
#include "files/CsvMappingModel.h"
#include "files/HeldText.h"
#include "files/ImportReport.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/PhoneBook.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::string)

class TestCsvFile : public QObject
{
    Q_OBJECT

private slots:
    void separator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("expected");
        QTest::newRow("semicolons consistent, commas not") << "a,b,c;d\r\ne;f\r\ng,h,i,j;k\r\n"
                                                           << ';';
        QTest::newRow("both inconsistent, more commas") << "a,b,c;d\r\ne;f\r\ng;h;i\r\n" << ',';
        QTest::newRow("both inconsistent, more semicolons") << "a,b;c;d\r\ne\r\n" << ';';
        QTest::newRow("last line without end not checked") << "a,b\r\nc,d,e" << ',';
        QTest::newRow("commas in quotes do not count") << "\"a,b\";c\r\n\"d,e,f\";g\r\n" << ';';
        QTest::newRow("line break in quotes") << "n,m\r\n\"A\r\nB;C\",1\r\nD,2\r\n" << ',';
        QTest::newRow("blank lines passed by") << "\r\na;b\r\n\r\nc;d\r\n" << ';';
    }

    void separator()
    {
        QFETCH(QString, text);
        QFETCH(char, expected);
        QCOMPARE(chooseCsvSeparator(text), expected);
    }

    void importsAndCleans_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("number");
        QTest::addColumn<int>("tonNpi");
        const auto row = [](const char* tag, const std::string& file, const char* name,
                            const char* number, int tonNpi) {
            QTest::newRow(tag) << file << std::string(name) << std::string(number) << tonNpi;
        };
        row("quoted international number", "Name,Number\r\nAnna,\"+44 (20) 123-45\"\r\n", "Anna",
            "+442012345", 0x91);
        row("quotes and blanks around the name", "n;m\r\n  \"O'Neil\" ;0171\r\n", "O'Neil", "0171",
            0xA8);
        row("separator in a quoted name", "n,m\r\n\"Smith, Anna\",+49 30.1\r\n", "Smith, Anna",
            "+49301", 0x91);
        row("doubled quotes and a line break", "n,m\r\n\"Big \"\"Al\"\"\r\nJr\",1\r\n",
            "Big \"Al\" Jr", "1", 0xA8);
        row("pause stays", "a,b\r\nBob,12p3\r\n", "Bob", "12p3", 0xA8);
        row("UTF-8 without BOM, Greek", "n,m\r\n\xCE\xA9\xCE\xBC,1\r\n", "\x81\x02\x07\xA9\xBC",
            "1", 0xA8);
        row("LF line ends", "n,m\nAnna,+1\n", "Anna", "+1", 0x91);
        row("first and last name, mobile",
            "Home Phone,First Name,Last Name,Mobile Phone\r\n030,Anna,Berg,0171\r\n", "Anna Berg",
            "0171", 0xA8);
        row("full name beats first name",
            "Given Name,Name,Phone 1 - Type,Phone 1 - Value\r\nAnna,Anna B,Mobile,"
            "+491\r\n",
            "Anna B", "+491", 0x91);
        row("number column first", "Telefon;Name\r\n0171;Eve\r\n", "Eve", "0171", 0xA8);
    }

    void importsAndCleans()
    {
        QFETCH(std::string, file);
        QFETCH(std::string, name);
        QFETCH(std::string, number);
        QFETCH(int, tonNpi);
        PhoneBook book;
        book.nextSequence = 77;
        ScriptedUserInterface ui;
        QCOMPARE(importCsvBytes(file, book, ui), 1);
        QCOMPARE(book.contactCount(), 1u);
        QCOMPARE(book.contacts[0].heldName(), std::string_view(name));
        QCOMPARE(book.contacts[0].numberText(), std::string_view(number));
        QCOMPARE(int(book.contacts[0].tonNpi), tonNpi);
        QCOMPARE(book.contacts[0].sequence, 77u); // a new contact of the book
        QCOMPARE(book.contacts[0].ccp, uint8_t{0xFF});
        QVERIFY(ui.messages.empty());
    }

    void notACsvFileOrCancelled()
    {
        ScriptedUserInterface ui;
        PhoneBook book;
        book.contacts.resize(4);
        QCOMPARE(importCsvBytes("Name\tNumber\r\nAnna\t1\r\n", book, ui), 0);
        QCOMPARE(ui.messageIds(), std::vector<int>{140});
        QCOMPARE(importCsvBytes("", book, ui), 0);

        ui.csvMappingAnswers.push_back({false, 0, 1});
        QCOMPARE(importCsvBytes("a,b\r\nAnna,1\r\n", book, ui), 0);
        QCOMPARE(book.contactCount(), 4u);
        QVERIFY(book.contacts[0].heldName().empty());

        QCOMPARE(importCsvFile("/nonexistent/x.csv", book, ui), 0);
        QCOMPARE(ui.messageIds(), (std::vector<int>{140, 140, 303}));
    }

    // What an import leaves out is listed by reason with its line numbers.
    void skippedLines()
    {
        const std::string file = "Name,Number\r\n"
                                 "\"Anna\r\nAdams\",\r\n" // 2-3: no number, a line break in quotes
                                 "Bob,0800-FLOWERS\r\n"   // 4: letters
                                 "Cleo,12+3\r\n"          // 5: '+' inside
                                 "Dan," +
                                 std::string(41, '1') +
                                 "\r\n" // 6: 41 digits
                                 "\r\n"
                                 "E\x81va,1\r\n"        // 8: unassigned byte
                                 "Fay,\"(030) 12\"\r\n" // 9: fine
                                 "\"Gus,2\r\n";         // 10: quote never closed
        PhoneBook book;
        ScriptedUserInterface ui;
        ImportReport report;
        QCOMPARE(importCsvBytes(file, book, ui, &report, "dir/book.csv"), 1);
        QCOMPARE(book.contactCount(), 1u);
        QCOMPARE(book.contacts[0].numberText(), std::string_view("03012"));
        QCOMPARE(report.imported(), 1u);
        QCOMPARE(report.skipped(SkipReason::NoNumber), 2u); // Anna, and Gus's field ran to the end
        QCOMPARE(report.skipped(SkipReason::RefusedNumber), 3u);
        QCOMPARE(report.skipped(SkipReason::Undecodable), 1u);
        QCOMPARE(report.skipped(SkipReason::Unended), 1u);
        QCOMPARE(report.listed(SkipReason::RefusedNumber)[0].place, 4u);
        QCOMPARE(report.listed(SkipReason::RefusedNumber)[2].place, 6u);
        QCOMPARE(report.listed(SkipReason::Undecodable)[0].place, 8u);
        QCOMPARE(ui.messageIds(), std::vector<int>{310});
        const std::string& text = ui.messages[0].text;
        QVERIFY2(text.starts_with("Imported 1 contacts from book.csv; 7 were skipped:"),
                 text.c_str());
        QVERIFY2(text.find("line 4 (Bob: 0800-FLOWERS)") != std::string::npos, text.c_str());
    }

    // Export then import gives back every name and number, whatever they hold.
    void roundTrip_data()
    {
        QTest::addColumn<char>("separator");
        QTest::newRow("comma") << ',';
        QTest::newRow("semicolon") << ';';
    }

    void roundTrip()
    {
        QFETCH(char, separator);
        const QStringList names = {"Smith, Anna",
                                   "Big \"Al\"",
                                   "=1+1",
                                   "'=x",
                                   "''@y",
                                   "-5 x",
                                   "+49 office",
                                   "@home",
                                   " padded ",
                                   "A;B",
                                   "\u03A9\u03BC\u03AD",
                                   "'plain",
                                   "Caf\u00E9"};
        PhoneBook book;
        for (int i = 0; i < names.size(); ++i) {
            Contact contact;
            contact.setName(heldNameFromText(names[i], Contact::kNameSize - 1));
            contact.setNumber(i % 2 ? "+49301" : "0171");
            contact.tonNpi = tonNpiForNumber(contact.numberText(), 0xFF);
            book.append(contact);
        }
        // The optional fields of a USIM contact have columns of their own.
        book.contacts[1].editExtras().extraNumbers = {{"+4930123", 0x91, NumberType::None},
                                                      {"0171", 0xA8, NumberType::None}};
        book.contacts[1].editExtras().emails = {"a@b.de", "=x@y"};
        book.contacts[2].editExtras().secondName =
            heldNameFromText("Nick, \u03A9", Contact::kNameSize - 1);
        const std::string bytes = csvExportBytes(book, separator);
        QVERIFY(bytes.find(std::string(1, separator) == "," ? "\"Smith, Anna\","
                                                            : "Smith, Anna;") != std::string::npos);
        QVERIFY(bytes.find("\n'=1+1") != std::string::npos);
        PhoneBook back;
        ScriptedUserInterface ui;
        ImportReport report;
        QCOMPARE(importCsvBytes(bytes, back, ui, &report), 1);
        QVERIFY(!report.skippedAny());
        QCOMPARE(back.contactCount(), book.contactCount());
        for (uint32_t i = 0; i < book.contactCount(); ++i) {
            QCOMPARE(heldNameToUnicode(back.contacts[i].heldName()), names[int(i)]);
            QCOMPARE(back.contacts[i].numberText(), book.contacts[i].numberText());
            QCOMPARE(back.contacts[i].tonNpi, book.contacts[i].tonNpi);
            QVERIFY(back.contacts[i].extras().extraNumbers ==
                    book.contacts[i].extras().extraNumbers);
            QVERIFY(back.contacts[i].extras().emails == book.contacts[i].extras().emails);
            QCOMPARE(back.contacts[i].extras().secondName, book.contacts[i].extras().secondName);
        }
    }

    // A contacts export: the optional fields come from the columns named so.
    void optionalFieldsFromNamedColumns()
    {
        const std::string file = "First Name,Last Name,Nickname,Mobile Phone,Home Phone,Phone 2 - "
                                 "Value,E-mail Address,E-mail 2 Address\r\n"
                                 "Anna,Berg,Bee,,030 12,0171 1,a@b.de,\r\n"
                                 "Bob,,,0172,x1,,,b@c.de\r\n";
        PhoneBook book;
        ScriptedUserInterface ui;
        ImportReport report;
        QCOMPARE(importCsvBytes(file, book, ui, &report), 1);
        QCOMPARE(ui.csvMappingRequests[0].nameField, 0u);
        QCOMPARE(ui.csvMappingRequests[0].numberField, 3u);
        QCOMPARE(book.contactCount(), 2u);
        const Contact& anna = book.contacts[0];
        QCOMPARE(anna.heldName(), std::string_view("Anna Berg"));
        QCOMPARE(anna.numberText(), std::string_view("03012")); // the mobile column is empty
        QCOMPARE(anna.extras().extraNumbers.size(), std::size_t{1});
        QCOMPARE(anna.extras().extraNumbers[0].number, std::string("01711"));
        QCOMPARE(anna.extras().emails, std::vector<std::string>{"a@b.de"});
        QCOMPARE(anna.extras().secondName, std::string("Bee"));
        const Contact& bob = book.contacts[1];
        QCOMPARE(bob.numberText(), std::string_view("0172"));
        QVERIFY(bob.extras().extraNumbers.empty());
        QCOMPARE(bob.extras().emails, std::vector<std::string>{"b@c.de"});
        QCOMPARE(report.skipped(SkipReason::RefusedNumber), 1u); // Bob's "x1"

        // The mapping as the user left it decides: the nickname as last name, no e-mails.
        struct Remapping : ScriptedUserInterface
        {
            bool mapCsvFields(CsvMappingRequest& mapping) override
            {
                mapping.lastNameField = 2;
                mapping.secondNameField.reset();
                mapping.extraNumberFields = {5};
                mapping.emailFields = {4}; // the home phone's column
                return true;
            }
        } remapping;
        QCOMPARE(importCsvBytes(file, book, remapping), 1);
        QCOMPARE(book.contacts[0].heldName(), std::string_view("Anna Bee"));
        QCOMPARE(book.contacts[0].numberText(), std::string_view("01711"));
        QCOMPARE(book.contacts[0].extras().emails, std::vector<std::string>{"030 12"});
        QVERIFY(book.contacts[0].extras().secondName.empty());
    }

    void mappingChosenByTheUser()
    {
        ScriptedUserInterface ui;
        ui.csvMappingAnswers.push_back({true, 2, 0});
        PhoneBook book;
        QCOMPARE(importCsvBytes("Tel;Note;Who\r\n0123;x;Eve\r\n", book, ui), 1);
        QCOMPARE(book.contacts[0].heldName(), std::string_view("Eve"));
        QCOMPARE(book.contacts[0].numberText(), std::string_view("0123"));
    }

    void exportWritesHeaderAndDecodedNames()
    {
        PhoneBook book;
        book.contacts.resize(2);
        book.contacts[0].setName("J\xF6rg");
        book.contacts[0].setNumber("+49");
        // 0x80 form: U+0041 U+00E9 (high, low pairs), then padding.
        book.contacts[1].setName(std::string_view("\x80\x00\x41\x00\xE9\xFF", 6));
        book.contacts[1].setNumber("1");
        QCOMPARE(csvExportBytes(book, ';'),
                 std::string("Name;Number\r\nJ\xF6rg;+49\r\nA\xE9;1\r\n"));

        // Windows-1252 bytes that read as UTF-8 ("\xC3\xA9" is "é") go out as UTF-8.
        PhoneBook lookalike;
        lookalike.contacts.resize(1);
        lookalike.contacts[0].setName("\xC3\xA9");
        QCOMPARE(csvExportBytes(lookalike, ','),
                 std::string("\xEF\xBB\xBFName,Number\r\n\xC3\x83\xC2\xA9,\r\n"));

        // Written to the disk by the convert test; here only its failure.
        QTemporaryDir dir;
        ScriptedUserInterface ui;
        QVERIFY(!exportCsvFile(dir.filePath("no/dir.csv").toStdString(), book, ui, ','));
        QCOMPARE(ui.messageIds(), std::vector<int>{300});
    }

    void localeSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(localeListSeparator(), ';');
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(localeListSeparator(), ',');
        PhoneBook book;
        QCOMPARE(csvExportBytes(book, localeListSeparator()), std::string("Name,Number\r\n"));
    }

    void mappingModelRules()
    {
        CsvMappingModel model({"A", "B", "C"});
        QCOMPARE(model.fieldText(0), std::string("Name"));
        QCOMPARE(model.fieldText(1), std::string("Number"));
        QVERIFY(model.isChecked(0) && model.isChecked(1) && !model.isChecked(2));

        // A mapped row cannot be unticked.
        QVERIFY(!model.setChecked(0, false));
        QVERIFY(model.isChecked(0));

        // Ticking another row asks; "none" unticks it again.
        QVERIFY(model.setChecked(2, true));
        model.choose(2, CsvMappingModel::Field::None);
        QVERIFY(!model.isChecked(2));

        // "name" for row 2: the old name row is freed and unticked.
        model.choose(2, CsvMappingModel::Field::Name);
        QCOMPARE(model.nameField(), 2u);
        QVERIFY(!model.isChecked(0));
        QCOMPARE(model.fieldText(0), std::string());

        // "number" for the name row: the two swap.
        model.choose(2, CsvMappingModel::Field::Number);
        QCOMPARE(model.numberField(), 2u);
        QCOMPARE(model.nameField(), 1u);
        QVERIFY(model.isChecked(1) && model.isChecked(2));
        QCOMPARE(model.choicePrompt(2),
                 std::string("Select phonebook field for the text field:\nC"));

        // The optional fields start where the header names them; several
        // numbers and e-mails, one second and one last name.
        UserInterface::CsvMappingRequest request{{"N", "M", "Tel", "Mail", "Nick", "X"}, 0, 1};
        request.extraNumberFields = {2};
        request.emailFields = {3};
        request.lastNameField = 4;
        CsvMappingModel more(request);
        QCOMPARE(more.fieldText(2), std::string("Number 2"));
        more.choose(5, CsvMappingModel::Field::Email);
        QCOMPARE(more.fieldText(5), std::string("E-mail 2"));
        more.choose(3, CsvMappingModel::Field::SecondName);
        more.choose(5, CsvMappingModel::Field::SecondName); // moves from row 3
        more.choose(0, CsvMappingModel::Field::Email);      // the name stays
        QVERIFY(!more.setChecked(2, false));                // unticking unmaps
        more.fill(request);
        QVERIFY(request.extraNumberFields.empty() && request.emailFields.empty());
        QCOMPARE(request.secondNameField, std::optional<unsigned>(5));
        QCOMPARE(request.lastNameField, std::optional<unsigned>(4));
        more.choose(1, CsvMappingModel::Field::Name); // the last name went with the name
        more.fill(request);
        QCOMPARE(request.nameField, 1u);
        QVERIFY(!request.lastNameField);
    }
};

QTEST_GUILESS_MAIN(TestCsvFile)
#include "TestCsvFile.moc"
