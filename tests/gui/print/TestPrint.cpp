#include "print/PrintPhoneBook.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {
// Text of page `page` of a PDF, as pdftotext lays it out.
QString pageText(const QString& pdf, int page)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::vector<Contact> bookOf(int count)
{
    std::vector<Contact> contacts(count);
    for (int i = 0; i < count; ++i) {
        contacts[i].setName(
            QStringLiteral("Person %1").arg(i + 1, 3, 10, QChar('0')).toStdString());
        contacts[i].setNumber(QStringLiteral("+4930%1").arg(1000 + i).toStdString());
    }
    return contacts;
}
} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void pages_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("subtitle");
        QTest::newRow("card, 120 contacts") << 120 << QString() << "SIM card";
        QTest::newRow("file, 120 contacts") << 120 << "/home/me/books/family.phn"
                                            << "family.phn";
        QTest::newRow("windows path") << 3 << "C:\\books\\family.phn"
                                      << "family.phn";
    }

    void pages()
    {
        QFETCH(int, count);
        QFETCH(QString, path);
        QFETCH(QString, subtitle);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("book.pdf");
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        const auto contacts = bookOf(count);
        const int pages = printPhoneBookTo(printer, contacts.data(), count, path.toStdString());
        QVERIFY(pages >= 1);
        // 120 rows of an 8-point font do not fit on one A4 or Letter page.
        QCOMPARE(pages > 1, count > 100);

        int printed = 0;
        for (int page = 1; page <= pages; ++page) {
            const QString text = pageText(pdf, page);
            QVERIFY2(text.contains("Location") && text.contains("Name") && text.contains("Number"),
                     qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("Page %1").arg(page)));
            QCOMPARE(text.contains("Velmora Phonara"), page == 1);
            QCOMPARE(text.contains(subtitle), page == 1);
            // The date line names the month in the locale's words.
            QCOMPARE(text.contains(QLocale().monthName(QDate::currentDate().month())), page == 1);
            printed += static_cast<int>(text.count(QStringLiteral("Person ")));
        }
        // Every contact exactly once, the last one on the last page.
        QCOMPARE(printed, count);
        QVERIFY(pageText(pdf, pages)
                    .contains(QStringLiteral("Person %1").arg(count, 3, 10, QChar('0'))));
        QVERIFY(pageText(pdf, pages + 1).isEmpty());
    }

    void printedDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("December") << QDate(2026, 12, 3) << "en_GB"
                                  << "Thursday, 3 December 2026";
        QTest::newRow("German") << QDate(2026, 12, 3) << "de_DE"
                                << "Donnerstag, 3 Dezember 2026";
    }

    void printedDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(::printedDate(date, QLocale(locale)), text);
    }

    void emptyBookPrintsNothing()
    {
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("none.pdf"));
        QCOMPARE(printPhoneBookTo(printer, nullptr, 0, ""), 0);
        QVERIFY(!QFile::exists(dir.filePath("none.pdf")));
    }
};

QTEST_MAIN(TestPrint)
#include "TestPrint.moc"
