// Printing the book, and the list's look: background picture and text colour.

#include "print/Appearance.h"
#include "print/PrintPhoneBook.h"
#include "shell/Config.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
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

private:
    static void clearSettings()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, kCompanyName, kProductName).clear();
    }

    QTemporaryDir m_dir;
    QString m_picture;
    QString m_wallpaper;

    QString image(const QString& name, Qt::GlobalColor colour)
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = m_dir.filePath(name);
        picture.save(path);
        return path;
    }

private slots:
    void initTestCase()
    {
        m_picture = image("picture.png", Qt::red);
        m_wallpaper = image("wallpaper.jpg", Qt::blue);
    }

    void init() { clearSettings(); }

    void backgroundPicture_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("wallpaperReadable");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << QString() << true << "";
        QTest::newRow("none") << "none" << true << "";
        QTest::newRow("file") << "picture.png" << true << "picture.png";
        QTest::newRow("wallpaper") << "wallpaper" << true << "wallpaper.jpg";
        // An unreadable wallpaper setting keeps the picture shown before.
        QTest::newRow("wallpaper unreadable") << "wallpaper" << false << "picture.png";
    }

    void backgroundPicture()
    {
        QFETCH(QString, setting);
        QFETCH(bool, wallpaperReadable);
        QFETCH(QString, shown);
        qputenv("PHONARA_WALLPAPER", wallpaperReadable ? m_wallpaper.toUtf8() : QByteArray());
        QTableView list;
        writeConfigText("Background Picture", m_picture.toStdString());
        applyBackgroundPicture(&list);
        if (setting.isNull())
            clearSettings();
        else
            writeConfigText("Background Picture", setting.contains('.')
                                                      ? m_dir.filePath(setting).toStdString()
                                                      : setting.toStdString());
        applyBackgroundPicture(&list);
        const QString expected = shown.isEmpty() ? QString() : m_dir.filePath(shown);
        // A missing setting shows no picture either.
        QCOMPARE(QString::fromStdString(currentBackgroundPicture(&list)),
                 setting.isNull() ? QString() : expected);
        if (setting == "wallpaper")
            QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("wallpaper"));
    }

    void pictureIsPaintedCentred()
    {
        QTableView list;
        list.resize(300, 200);
        writeConfigText("Background Picture", m_picture.toStdString());
        applyBackgroundPicture(&list);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QImage shot = list.viewport()->grab().toImage();
        const QPoint centre = shot.rect().center();
        QCOMPARE(shot.pixelColor(centre), QColor(Qt::red));
        // Not tiled: the corners keep the list's own background.
        QVERIFY(shot.pixelColor(2, shot.height() - 3) != QColor(Qt::red));
    }

    // The setting is stored as 0x00BBGGRR.
    void textColour()
    {
        QTableView list;
        setListTextColor(&list, 0x123456u);
        QCOMPARE(list.palette().color(QPalette::Text), QColor(0x56, 0x34, 0x12));
        QCOMPARE(listTextColor(&list), 0x123456u);
    }

    void optionsDialogCheckBox()
    {
        qputenv("PHONARA_WALLPAPER", m_wallpaper.toUtf8());
        QTableView list;
        QWidget owner;
        {
            OptionsDialog dialog(&list, &owner);
            QCOMPARE(dialog.windowOpacity(), 245.0 / 255.0);
            // First run: nothing stored, so no picture and no Browse.
            QVERIFY(!dialog.pictureBox()->isChecked());
            QVERIFY(!dialog.browseButton()->isEnabled());
            dialog.pictureBox()->click();
            QVERIFY(dialog.browseButton()->isEnabled());
            QCOMPARE(currentBackgroundPicture(&list), m_wallpaper.toStdString());
            dialog.accept();
            QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("wallpaper"));
        }
        OptionsDialog again(&list, &owner);
        QVERIFY(again.pictureBox()->isChecked());
        again.pictureBox()->click();
        QVERIFY(!again.browseButton()->isEnabled());
        QCOMPARE(readConfigText("Background Picture").value_or(""), std::string("none"));
        QCOMPARE(currentBackgroundPicture(&list), std::string());
    }

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
