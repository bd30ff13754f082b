#include "ScriptedUserInterface.h"
#include "files/CsvFile.h"
#include "files/CsvMappingModel.h"
#include "phonebook/PhoneBook.h"

#include <QFile>
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
        QTest::newRow("commas consistent") << "a,b\r\nc,d\r\n" << ',';
        QTest::newRow("semicolons consistent, commas not") << "a,b,c;d\r\ne;f\r\ng,h,i,j;k\r\n"
                                                           << ';';
        QTest::newRow("both inconsistent, more commas") << "a,b,c;d\r\ne;f\r\ng;h;i\r\n" << ',';
        QTest::newRow("both inconsistent, more semicolons") << "a,b;c;d\r\ne\r\n" << ';';
        QTest::newRow("last line without end not checked") << "a,b\r\nc,d,e" << ',';
        QTest::newRow("neither") << "a\tb\r\nc\td\r\n" << '\0';
        QTest::newRow("LF only") << "a;b\nc;d\n" << ';';
    }

    void separator()
    {
        QFETCH(QString, text);
        QFETCH(char, expected);
        QCOMPARE(chooseCsvSeparator(splitCsvLines(text)), expected);
    }

    void importsAndCleans_data()
    {
        QTest::addColumn<std::string>("file");
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("number");
        QTest::addColumn<int>("tonNpi");

        QTest::newRow("quoted international number")
            << std::string("Name,Number\r\nAnna,\"+44 (20) 123-45\"\r\n") << std::string("Anna")
            << std::string("+442012345") << 0x91;
        QTest::newRow("quotes and blanks around the name")
            << std::string("n;m\r\n  \"O'Neil\" ;0171\r\n") << std::string("ONeil")
            << std::string("0171") << 0xA8;
        QTest::newRow("letters go, p too") << std::string("a,b\r\nBob,12p3\r\n")
                                           << std::string("Bob") << std::string("123") << 0xA8;
        QTest::newRow("invalid number emptied")
            << std::string("a,b\r\nBob,1+2\r\n") << std::string("Bob") << std::string() << 0xA8;
        QTest::newRow("UTF-8 with BOM") << std::string("\xEF\xBB\xBFn,m\r\nJ\xC3\xB6rg,1\r\n")
                                        << std::string("J\xF6rg") << std::string("1") << 0xA8;
        QTest::newRow("UTF-8 without BOM, Greek")
            << std::string("n,m\r\n\xCE\xA9\xCE\xBC,1\r\n") << std::string("\x81\x02\x07\xA9\xBC")
            << std::string("1") << 0xA8;
        QTest::newRow("Windows-1252") << std::string("n,m\r\nJ\xF6rg,1\r\n")
                                      << std::string("J\xF6rg") << std::string("1") << 0xA8;
        QTest::newRow("LF line ends")
            << std::string("n,m\nAnna,+1\n") << std::string("Anna") << std::string("+1") << 0x91;
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

    void importStops()
    {
        ScriptedUserInterface ui;
        PhoneBook book;
        book.contacts.resize(9);
        // Only a header: nothing imported, still a success.
        QCOMPARE(importCsvBytes("Name,Number\r\n", book, ui), 1);
        QCOMPARE(book.contactCount(), 0u);
        QCOMPARE(ui.csvMappingRequests.size(), 1u);
        QCOMPARE(ui.csvMappingRequests[0].fields, (std::vector<std::string>{"Name", "Number"}));

        // An empty line ends the data.
        QCOMPARE(importCsvBytes("h,x\r\nA,1\r\nB,2\r\n\r\nC,3\r\n", book, ui), 1);
        QCOMPARE(book.contactCount(), 2u);
        QCOMPARE(book.contacts[1].heldName(), std::string_view("B"));

        // Every line is imported, however many there are.
        std::string many = "Name,Number\r\n";
        for (int i = 0; i < 5000; ++i) {
            many += "P" + std::to_string(i) + "," + std::to_string(i) + "\r\n";
        }
        QCOMPARE(importCsvBytes(many, book, ui), 1);
        QCOMPARE(book.contactCount(), 5000u);
        QCOMPARE(book.contacts[4999].heldName(), std::string_view("P4999"));
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

        QCOMPARE(importCsvFile("/nonexistent/x.csv", book, ui), 0); // silently
        QCOMPARE(ui.messages.size(), 2u);
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

        QTemporaryDir dir;
        const QString path = dir.filePath("out.csv");
        ScriptedUserInterface ui;
        book.clear();
        QVERIFY(exportCsvFile(path.toStdString(), book, ui, ','));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Name,Number\r\n"));

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
    }
};

QTEST_GUILESS_MAIN(TestCsvFile)
#include "TestCsvFile.moc"
