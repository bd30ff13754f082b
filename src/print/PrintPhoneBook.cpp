#include "PrintPhoneBook.h"

#include "phonebook/AlphaCodec.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "shell/Config.h"
#include "shell/Strings.h"

#include <QDate>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {
// A print font and the metrics the layout works with, in device pixels.
struct PrintFont
{
    PrintFont(QPaintDevice* device, int points, bool bold)
        : font(uiFont(points, bold)), metrics(font, device)
    {
    }

    // The desktop's own UI font; an empty family name would let the font
    // matcher pick any face (a mathematics font, as it happens).
    static QFont uiFont(int points, bool bold)
    {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSize(points);
        font.setWeight(bold ? QFont::Bold : QFont::Normal);
        return font;
    }

    int lineHeight() const { return metrics.height() + metrics.leading(); }
    int charUnit() const { return metrics.averageCharWidth() + metrics.leading(); }

    QFont font;
    QFontMetrics metrics;
};

// Draws `text` with its top at y, as a printer lays out lines.
void drawAt(QPainter& painter, const PrintFont& font, int x, int y, const QString& text)
{
    painter.setFont(font.font);
    painter.drawText(x, y + font.metrics.ascent(), text);
}

QString stringOf(int id)
{
    return QString::fromUtf8(resString(id));
}

// Centred the way the title block is: by its length in character units.
int centredX(int pageWidth, const QString& text, int charUnit)
{
    return (pageWidth - static_cast<int>(text.size()) * charUnit) / 2 - 10;
}

QString fileNameOf(const std::string& path)
{
    if (path.empty())
        return stringOf(121);
    const auto cut = path.find_last_of("\\/");
    return QString::fromStdString(cut == std::string::npos ? path : path.substr(cut + 1));
}
} // namespace

QString printedDate(const QDate& date, const QLocale& locale)
{
    return QStringLiteral("%1, %2 %3 %4")
        .arg(locale.dayName(date.dayOfWeek(), QLocale::LongFormat))
        .arg(date.day())
        .arg(locale.monthName(date.month(), QLocale::LongFormat))
        .arg(date.year());
}

int printPhoneBookTo(QPrinter& printer, const Contact* contacts, uint32_t count,
                     const std::string& path)
{
    if (count == 0)
        return 0;
    printer.setDocName(QStringLiteral("Phone Book"));
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;

    const PrintFont title(&printer, 12, true);
    const PrintFont subtitle(&printer, 10, true);
    const PrintFont heading(&printer, 8, true);
    const PrintFont body(&printer, 8, false);

    const int pageHeight = printer.height();
    const int pageWidth = printer.width();
    const int cu = title.charUnit();
    const int nameWidth = static_cast<int>(longestName(contacts, count)) + 2;
    const int numberWidth = static_cast<int>(longestDisplayNumber(contacts, count)) + 2;
    const int tableUnits = 10 + nameWidth + numberWidth;
    const int margin = tableUnits * cu < pageWidth ? (pageWidth - tableUnits * cu) / 2 - 10 : 0;
    const int nameX = margin + 10 * cu;
    const int numberX = margin + (10 + nameWidth) * cu;
    const int tableEnd = numberX + numberWidth * cu;

    const int lh = heading.lineHeight();
    const int lb = body.lineHeight();
    uint32_t next = 0;
    int page = 1;
    for (;; ++page) {
        int y = 0;
        if (page == 1) {
            const QString product = QStringLiteral("%1 %2").arg(QLatin1String(kCompanyName),
                                                                QLatin1String(kProductName));
            drawAt(painter, title, centredX(pageWidth, product, cu), 0, product);
            const QString name = fileNameOf(path);
            y = 2 * title.lineHeight();
            drawAt(painter, subtitle, centredX(pageWidth, name, subtitle.charUnit()), y, name);
            y += 2 * subtitle.lineHeight();
            drawAt(painter, heading, numberX, y, printedDate(QDate::currentDate()));
            y += lh;
        }
        drawAt(painter, heading, margin, y, stringOf(120));
        drawAt(painter, heading, nameX, y, stringOf(99));
        drawAt(painter, heading, numberX, y, stringOf(100));
        y += lh;
        painter.drawLine(margin, y, margin + (heading.charUnit() + 5) * tableUnits, y);
        y += lh / 2;

        painter.setFont(body.font);
        while (y + 2 * lb < pageHeight && next < count) {
            const Contact& contact = contacts[next];
            drawAt(painter, body, margin, y, QString::number(next + 1));
            drawAt(painter, body, nameX, y, heldNameToUnicode(contact.heldName()));
            drawAt(painter, body, numberX, y,
                   cp1252ToUnicode(numberDisplayForm(contact.numberText())));
            y += lb;
            ++next;
        }
        drawAt(painter, heading, tableEnd, y, QStringLiteral("%1 %2").arg(stringOf(119)).arg(page));
        if (next >= count)
            break;
        if (!printer.newPage())
            break;
    }
    painter.end();
    return page;
}

void printPhoneBook(QWidget* owner, const Contact* contacts, uint32_t count,
                    const std::string& path)
{
    if (count == 0)
        return;
    QPrinter printer;
    QPrintDialog dialog(&printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printPhoneBookTo(printer, contacts, count, path);
}
