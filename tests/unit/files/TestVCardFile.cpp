#include "files/ImportReport.h"
#include "files/VCardFile.h"
#include "phonebook/AlphaCodec.h"
#include "phonebook/PhoneBook.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace {

using Book = std::unique_ptr<PhoneBook>;

struct Loaded
{
    Book book = std::make_unique<PhoneBook>();
    ImportReport report;
    VCardLoad result = VCardLoad::CannotOpen;
};

Loaded load(const QByteArray& bytes, VCardNumbers mode = VCardNumbers::PreferredOnly)
{
    Loaded loaded;
    loaded.result = importVCardBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                     *loaded.book, mode, loaded.report);
    return loaded;
}

Loaded loadSample(const char* name, VCardNumbers mode = VCardNumbers::PreferredOnly)
{
    QFile file(QStringLiteral(PHONARA_TEST_DATA "/files/vcard/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return load(file.readAll(), mode);
}

// One card around the given lines, CR LF ended.
QByteArray card(const QByteArray& version, const QByteArray& lines)
{
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + lines + "END:VCARD\r\n";
}

QString nameOf(const Contact& contact)
{
    return heldNameToUnicode(contact.heldName());
}

QString numberOf(const Contact& contact)
{
    return QString::fromStdString(std::string(contact.numberText()));
}

// "name|number|type" of every contact, for compact comparisons.
QStringList summary(const PhoneBook& book)
{
    QStringList rows;
    for (uint32_t i = 0; i < book.contactCount(); ++i) {
        const Contact& c = book.contacts[i];
        QString row = nameOf(c) + u'|' + numberOf(c) + u'|' +
                      QString::fromStdString(std::string(numberTypeName(c.numberType)));
        for (const ExtraNumber& extra : c.extras().extraNumbers)
            row += u'|' + QString::fromStdString(extra.number) + u':' +
                   QString::fromStdString(std::string(numberTypeName(extra.type)));
        for (const std::string& email : c.extras().emails)
            row += QStringLiteral("|<") + heldNameToUnicode(email) + u'>';
        rows << row;
    }
    return rows;
}

QList<uint32_t> linesOf(const ImportReport& report, SkipReason issue)
{
    QList<uint32_t> lines;
    for (const SkippedEntry& entry : report.listed(issue))
        lines << entry.place;
    return lines;
}

} // namespace

class TestVCardFile : public QObject
{
    Q_OBJECT

private slots:
    // How a name arrives: line folding, escapes, transfer encodings and
    // character sets, each in the form some writer produces.
    void nameText_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* tag, const char* version, const char* lines,
                            const QString& name) {
            QTest::newRow(tag) << QByteArray(version) << QByteArray(lines) << name;
        };
        row("4.0 fold with a tab", "4.0", "FN:Anna \r\n\tSchmidt\r\n", "Anna Schmidt");
        row("fold inside a UTF-8 sequence", "4.0", "FN:J\xC3\r\n \xB6rg\r\n", u"J\u00F6rg"_qs);
        row("2.1 fold keeps the blank", "2.1", "FN:Anna\r\n Schmidt\r\n", "Anna Schmidt");
        row("lines ended by LF only", "3.0", "FN:Anna\n  Schmidt\n", "Anna Schmidt");
        row("escaped line end becomes a blank", "3.0", "FN:Anna\\nSchmidt\r\n", "Anna Schmidt");
        row("N composed when FN is missing", "3.0", "N:Schmidt;Anna;Maria,Luise;Dr.;jr.\r\n",
            "Dr. Anna Maria Luise Schmidt jr.");
        row("FN wins over N", "3.0", "N:Schmidt;Anna;;;\r\nFN:Anni S.\r\n", "Anni S.");
        row("ORG when there is no name", "3.0", "ORG:Stadtwerke\\; Nord;Kasse\r\n",
            "Stadtwerke; Nord");
        row("QP soft line break, then a fold-looking line", "2.1",
            "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=\r\n=B6rg M=\r\n"
            " =C3=BCller\r\n",
            u"J\u00F6rg M \u00FCller"_qs);
        row("QP bare parameter, ISO-8859-1", "2.1",
            "FN;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:J=F6rg\r\n", u"J\u00F6rg"_qs);
        row("QP text with letters that look like hex digits", "2.1",
            "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caf=C3=A9 Beef\r\n", u"Caf\u00E9 Beef"_qs);
        row("QP keeps an '=' without hex digits", "2.1", "FN;ENCODING=QUOTED-PRINTABLE:a=zb=3D\r\n",
            "a=zb=");
        row("Windows-1252 euro sign", "2.1", "FN;CHARSET=Windows-1252:\x80uro\r\n",
            u"\u20ACuro"_qs);
        row("2.1 without CHARSET, not UTF-8: Windows-1252", "2.1", "FN:J\xF6rg\r\n",
            u"J\u00F6rg"_qs);
        row("2.1 without CHARSET, UTF-8", "2.1", "FN:J\xC3\xB6rg\r\n", u"J\u00F6rg"_qs);
        row("4.0 quoted parameter with ':' and ';'", "4.0", "FN;ALTID=\"a:b;c\":Anna\r\n", "Anna");
    }

    void nameText()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, lines);
        QFETCH(QString, name);
        const Loaded loaded = load(card(version, lines + "TEL:123\r\n"));
        QCOMPARE(loaded.result, VCardLoad::Loaded);
        QCOMPARE(loaded.book->contactCount(), 1u);
        QCOMPARE(nameOf(loaded.book->contacts[0]), name);
        QVERIFY(!loaded.report.skippedAny());
    }

    // Text that cannot be read is left out and reported, never guessed.
    void undecodableText_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("contacts");
        QTest::newRow("3.0 name not UTF-8") << QByteArray("FN:J\xF6rg\r\nTEL:1\r\n") << 0;
        QTest::newRow("unknown character set")
            << QByteArray("FN;CHARSET=X-NO-SUCH-SET:Anna\r\nTEL:1\r\n") << 0;
        QTest::newRow("broken UTF-8 declared")
            << QByteArray("FN;CHARSET=UTF-8:\xC3(\r\nTEL:1\r\n") << 0;
        QTest::newRow("FN unreadable, N readable: N is used")
            << QByteArray("FN:J\xF6rg\r\nN:Berg;Jorg;;;\r\nTEL:1\r\n") << 1;
        QTest::newRow("number unreadable, another one kept")
            << QByteArray("FN:Anna\r\nTEL;CHARSET=X-NO-SUCH-SET:1\r\nTEL:2\r\n") << 1;
    }

    void undecodableText()
    {
        QFETCH(QByteArray, lines);
        QFETCH(int, contacts);
        const Loaded loaded = load(card("3.0", lines));
        QCOMPARE(int(loaded.book->contactCount()), contacts);
        const bool nameUsedFromN = contacts == 1 && lines.startsWith("FN:J");
        QCOMPARE(loaded.report.skipped(SkipReason::Undecodable), nameUsedFromN ? 0u : 1u);
        QCOMPARE(loaded.report.imported(), uint32_t(contacts));
    }

    void numberTypes_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("type");
        const auto row = [](const char* tag, const char* version, const char* lines,
                            NumberType type) {
            QTest::newRow(tag) << QByteArray(version) << QByteArray(lines) << int(type);
        };
        row("work mobile: cell", "2.1", "TEL;WORK;CELL:1\r\n", NumberType::Cell);
        row("pager: other", "3.0", "TEL;TYPE=pager:1\r\n", NumberType::Other);
        row("voice only", "3.0", "TEL;TYPE=voice:1\r\n", NumberType::None);
        row("group label of another group", "3.0",
            "item1.TEL:1\r\nitem2.X-ABLabel:_$!<Mobile>!$_\r\n", NumberType::None);
    }

    void numberTypes()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, lines);
        QFETCH(int, type);
        const Loaded loaded = load(card(version, "FN:A\r\n" + lines));
        QCOMPARE(loaded.book->contactCount(), 1u);
        QCOMPARE(int(loaded.book->contacts[0].numberType), type);
    }

    // The value of a TEL: text or tel: URI, with separators, pauses and
    // extensions; "" marks a number that is refused.
    void numberValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("tonNpi");
        const auto row = [](const char* tag, const QString& value, const QString& number,
                            int tonNpi) { QTest::newRow(tag) << value << number << tonNpi; };
        row("separators", "+49 (30) 123-45", "+493012345", 0x91);
        row("tel URI with extension", "tel:+1-201-555-0123;ext=44", "+12015550123p44", 0x91);
        row("URI prefix in capitals", "TEL:0301", "0301", 0xA8);
        row("pause and wait", "0301,22w3", "0301p22p3", 0xA8);
        row("star and hash", "*100#", "*100#", 0xA8);
        row("40 digits and plus", u'+' + QString(40, u'7'), u'+' + QString(40, u'7'), 0x91);
        row("41 digits", QString(41, u'7'), "", 0);
        row("no digits", "*#", "", 0);
        row("full-width digits", u"\uFF10\uFF11"_qs, "", 0);
    }

    void numberValues()
    {
        QFETCH(QString, value);
        QFETCH(QString, number);
        QFETCH(int, tonNpi);
        const Loaded loaded = load(card("4.0", "FN:A\r\nTEL:" + value.toUtf8() + "\r\n"));
        if (number.isEmpty()) {
            QCOMPARE(loaded.book->contactCount(), 0u);
            QCOMPARE(loaded.report.skipped(SkipReason::RefusedNumber), 1u);
            QCOMPARE(linesOf(loaded.report, SkipReason::RefusedNumber), QList<uint32_t>{4});
            QCOMPARE(loaded.report.skipped(SkipReason::NoNumber), 1u);
            return;
        }
        QCOMPARE(loaded.book->contactCount(), 1u);
        QCOMPARE(numberOf(loaded.book->contacts[0]), number);
        QCOMPARE(int(loaded.book->contacts[0].tonNpi), tonNpi);
    }

    // A card with several numbers: preferred only (the rest as additional
    // numbers) or one entry per number.
    void severalNumbers_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("book");

        const auto row = [](const char* tag, const char* version, const QByteArray& lines,
                            VCardNumbers mode, const QStringList& book) {
            QTest::newRow(tag) << QByteArray(version) << lines << int(mode) << book;
        };
        const QByteArray three = "FN:Anna\r\nTEL;TYPE=home:1\r\nTEL;TYPE=cell,pref:2\r\n"
                                 "TEL;TYPE=work:3\r\nEMAIL:a@b.example\r\n";
        row("preferred first, the others in file order", "3.0", three, VCardNumbers::PreferredOnly,
            {"Anna|2|cell|1:home|3:work|<a@b.example>"});
        row("4.0 PREF ranks, no PREF last", "4.0",
            "FN:B\r\nTEL:9\r\nTEL;PREF=50:8\r\nTEL;PREF=2:7\r\n", VCardNumbers::PreferredOnly,
            {"B|7||8:|9:"});
        row("no preference: file order", "2.1", "FN:C\r\nTEL;WORK:5\r\nTEL;CELL:6\r\n",
            VCardNumbers::PreferredOnly, {"C|5|work|6:cell"});
        row("same label twice, one without label", "3.0",
            "FN:D\r\nTEL;TYPE=cell:1\r\nTEL;TYPE=cell:2\r\nTEL:3\r\n", VCardNumbers::EntryPerNumber,
            {"D (cell)|1|cell", "D (cell 2)|2|cell", "D (3)|3|"});
        row("one number: no suffix", "3.0", "FN:E\r\nTEL;TYPE=cell:1\r\n",
            VCardNumbers::EntryPerNumber, {"E|1|cell"});
    }

    void severalNumbers()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, lines);
        QFETCH(int, mode);
        QFETCH(QStringList, book);
        const Loaded loaded = load(card(version, lines), static_cast<VCardNumbers>(mode));
        QCOMPARE(summary(*loaded.book), book);
        QCOMPARE(loaded.report.imported(), uint32_t(book.size()));
        QVERIFY(!loaded.report.skippedAny());
    }

    // Everything left out is counted, with the lines where it stood.
    void reportsWhatItLeftOut()
    {
        QByteArray text = "junk before\r\n";                                                // 1
        text += card("3.0", "FN:No Number\r\nEMAIL:x@y.example\r\n");                       // 2-6
        text += card("3.0", "FN:Refused\r\nTEL:CALL-ME\r\nTEL:+441\r\nnot a property\r\n"); // 7-13
        QByteArray emails;
        for (int i = 0; i < 6; ++i)
            emails += "EMAIL:m" + QByteArray::number(i) + "@x.example\r\n";
        text += card("3.0", "FN:Mails\r\nTEL:2\r\n" + emails);               // 14-24
        text += card("3.0", "FN:" + QByteArray(120, 'L') + "\r\nTEL:3\r\n"); // 25-29
        text += "END:VCARD\r\n";                                             // 30
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut Off\r\nTEL:4\r\n";     // 31-34

        const Loaded loaded = load(text);
        QCOMPARE(loaded.result, VCardLoad::Loaded);
        QCOMPARE(summary(*loaded.book).size(), 4);
        QCOMPARE(loaded.report.imported(), 4u);
        QCOMPARE(linesOf(loaded.report, SkipReason::NoNumber), QList<uint32_t>{2});
        QCOMPARE(linesOf(loaded.report, SkipReason::RefusedNumber), QList<uint32_t>{10});
        QCOMPARE(linesOf(loaded.report, SkipReason::NotUnderstood), (QList<uint32_t>{1, 12, 30}));
        QCOMPARE(linesOf(loaded.report, SkipReason::NotKept), (QList<uint32_t>{22, 23}));
        QCOMPARE(linesOf(loaded.report, SkipReason::NameShortened), QList<uint32_t>{25});
        QCOMPARE(linesOf(loaded.report, SkipReason::Unended), QList<uint32_t>{31});
        QCOMPARE(loaded.book->contacts[1].extras().emails.size(), Contact::kMaxEmails);
        QCOMPARE(loaded.book->contacts[2].heldName(), std::string_view(std::string(100, 'L')));
        QCOMPARE(nameOf(loaded.book->contacts[3]), QStringLiteral("Cut Off"));
        // Only the first lines are kept; the count goes on.
        ImportReport many;
        for (uint32_t line = 1; line <= 9; ++line)
            many.skip(SkipReason::BookFull, line);
        QCOMPARE(many.skipped(SkipReason::BookFull), 9u);
        QCOMPARE(linesOf(many, SkipReason::BookFull).size(), qsizetype(ImportReport::kListed));
        QVERIFY(many.text("x.vcf").find("line 5, and 4 more") != std::string::npos);
    }

    // A name longer than the book holds loses characters from its end, never
    // the entry's suffix, and the held form stays within 100 bytes.
    void longNamesAreShortened_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("kept");
        const QString greek = QString(120, QChar(0x03B1));
        QTest::newRow("Windows-1252: 100 characters")
            << QString(120, u'x') << int(VCardNumbers::PreferredOnly) << QString(100, u'x');
        QTest::newRow("UCS2 0x81 form: 97 characters")
            << greek << int(VCardNumbers::PreferredOnly) << greek.left(97);
        QTest::newRow("the suffix stays") << QString(120, u'x') << int(VCardNumbers::EntryPerNumber)
                                          << QString(93, u'x') + " (cell)";
    }

    void longNamesAreShortened()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QString, kept);
        const Loaded loaded =
            load(card("4.0", "FN:" + name.toUtf8() + "\r\nTEL;TYPE=cell:1\r\nTEL;TYPE=home:2\r\n"),
                 static_cast<VCardNumbers>(mode));
        QCOMPARE(nameOf(loaded.book->contacts[0]), kept);
        QVERIFY(loaded.book->contacts[0].heldName().size() <= 100);
        QCOMPARE(loaded.report.skipped(SkipReason::NameShortened), loaded.book->contactCount());
    }

    void notAVCard_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("CSV") << QByteArray("Name;Number\r\nAnna;123\r\n");
        QTest::newRow("END without BEGIN") << QByteArray("END:VCARD\r\n");
        QTest::newRow("BEGIN of something else")
            << QByteArray("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    }

    void notAVCard()
    {
        QFETCH(QByteArray, bytes);
        const Loaded loaded = load(bytes);
        QCOMPARE(loaded.result, VCardLoad::NotVCard);
        QCOMPARE(loaded.book->contactCount(), 0u);
    }

    // What a card holds besides its own properties does not leak into it.
    void passesByWhatItDoesNotUse()
    {
        const QByteArray text =
            card("2.1", "FN:Boss\r\nAGENT:BEGIN:VCARD\r\nFN:Secretary\r\nTEL:111\r\nEND:VCARD\r\n"
                        "PHOTO;ENCODING=BASE64;TYPE=JPEG:AAAA\r\nBBBB\r\nCCCC\r\n\r\n"
                        "ADR;HOME:;;Street 1;Town;;12345;Land\r\nTEL;CELL:222\r\n") +
            "\xEF\xBB\xBF";
        const Loaded loaded = load("\xEF\xBB\xBF" + text);
        QCOMPARE(summary(*loaded.book), QStringList{"Boss|222|cell"});
        QCOMPARE(loaded.report.skipped(SkipReason::NotUnderstood), 1u); // the stray BOM at the end
        // UTF-16 with a byte-order mark.
        const QString wide = QString::fromUtf8(card("3.0", "FN:\xC3\x96zil\r\nTEL:5\r\n"));
        QByteArray utf16("\xFF\xFE", 2);
        utf16.append(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
        QCOMPARE(summary(*load(utf16).book), QStringList{u"\u00D6zil|5|"_qs});
    }

    // Hand-written files after what phones and the RFC examples look like (the
    // convert test reads a phone's 2.1 export with QUOTED-PRINTABLE names).
    void sampleFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("book");

        QTest::newRow("phone export, 3.0 with item groups")
            << "ios-3.0.vcf"
            << QStringList{u"\u00C9lodie Lef\u00E8vre|+33155501234|cell|+33455509876:home|"
                           u"+33655501122:other|<elodie@example.fr>"_qs,
                           "Atelier du Port|+33491555000|work|+33491555001:fax"};
        QTest::newRow("4.0 after the RFC's examples")
            << "rfc-4.0.vcf"
            << QStringList{"Dr. Ana "
                           "Ruiz|+34600555010|cell|+34915550100p204:work|<ana.ruiz@example.es>",
                           "Kiosk am Bahnhof, Gleis 1|+49305550177|"};
    }

    void sampleFiles()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, book);
        const Loaded loaded = loadSample(file.toLatin1().constData());
        QCOMPARE(loaded.result, VCardLoad::Loaded);
        QCOMPARE(summary(*loaded.book), book);
        QVERIFY(!loaded.report.skippedAny());
        if (file.startsWith(u"ios"))
            QCOMPARE(heldNameToUnicode(loaded.book->contacts[0].extras().secondName),
                     QStringLiteral("Lolo"));
    }

    // Export, then import: every field the book holds comes back.
    void roundTrip_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("4.0") << int(VCardVersion::V40);
        QTest::newRow("3.0") << int(VCardVersion::V30);
    }

    void roundTrip()
    {
        QFETCH(int, version);
        auto book = std::make_unique<PhoneBook>();
        Contact full;
        full.setName("J\xF6rg, the \"boss\"; \\ office");
        full.setNumber("+4930123p45");
        full.tonNpi = 0x91;
        full.ccp = 0x07;
        full.numberType = NumberType::Work;
        full.editExtras().secondName = "Chef";
        full.editExtras().extraNumbers = {{"0171555", 0x81, NumberType::Cell},
                                          {"*100#", 0xA8, NumberType::None},
                                          {"+3312", 0x91, NumberType::Fax},
                                          {"555", 0xFF, NumberType::Other}};
        full.editExtras().emails = {"j\xF6rg@example.org", "second@example.org"};
        book->append(full);
        Contact greek;
        greek.setName(
            encodeAlphaFromUnicode(u"\u03A9\u03BC\u03B5\u03B3\u03B1 \u0394\u03AD\u03BB\u03C4\u03B1 "
                                   u"\u03B1\u03B2\u03B3\u03B4\u03B5\u03B6\u03B7\u03B8\u03B9",
                                   100));
        greek.setNumber("112");
        greek.tonNpi = 0xA8;
        book->append(greek);
        Contact longName;
        longName.setName(std::string(100, 'x'));
        longName.setNumber("1");
        longName.tonNpi = 0xA8;
        longName.editExtras().emails = {std::string(Contact::kMaxEmailBytes, 'e')};
        book->append(longName);
        book->append(Contact()); // empty: left out

        uint32_t leftOut = 0;
        const std::string bytes = vCardBytes(*book, static_cast<VCardVersion>(version), &leftOut);
        QCOMPARE(leftOut, 1u);
        // Every line within 75 octets, none starting inside a UTF-8 sequence.
        const QList<QByteArray> lines = QByteArray::fromStdString(bytes).split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray& line = lines[i];
            QVERIFY2(line.size() <= 76, line.constData()); // 75 and the CR
            QVERIFY(line.isEmpty() || line.endsWith('\r'));
            if (line.startsWith(' ') && line.size() > 1)
                QVERIFY((uint8_t(line[1]) & 0xC0) != 0x80);
            // A plain ASCII line that goes on in the next one is folded at 75 octets
            // (the long e-mail address: its continuation lines too).
            const bool folded = i + 1 < lines.size() && lines[i + 1].startsWith(' ');
            if (folded && line.startsWith(" eee"))
                QCOMPARE(line.size(), 76);
        }
        QVERIFY(bytes.find(version == int(VCardVersion::V40) ? "VERSION:4.0" : "VERSION:3.0") !=
                std::string::npos);

        const Loaded back = load(QByteArray::fromStdString(bytes));
        QVERIFY(!back.report.skippedAny());
        QCOMPARE(back.book->contactCount(), 3u);
        for (uint32_t i = 0; i < 3; ++i) {
            const Contact& a = book->contacts[i];
            const Contact& b = back.book->contacts[i];
            QCOMPARE(nameOf(b), nameOf(a));
            QCOMPARE(b.numberText(), a.numberText());
            QCOMPARE(int(b.tonNpi), int(a.tonNpi));
            QCOMPARE(int(b.ccp), int(a.ccp));
            QCOMPARE(b.numberType, a.numberType);
            QCOMPARE(b.extras().extraNumbers, a.extras().extraNumbers);
            QCOMPARE(heldNameToUnicode(b.extras().secondName),
                     heldNameToUnicode(a.extras().secondName));
            QCOMPARE(b.extras().emails, a.extras().emails);
        }
    }

    void vCardPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("vcard");
        QTest::newRow("vcf") << "a/b.vcf" << true;
        QTest::newRow("VCF") << "B.VCF" << true;
        QTest::newRow("vcard") << "c.vCard" << true;
        QTest::newRow("vcf inside") << "c.vcf.phn" << false;
    }

    void vCardPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, vcard);
        QCOMPARE(isVCardPath(path.toStdString()), vcard);
    }
};

QTEST_GUILESS_MAIN(TestVCardFile)
#include "TestVCardFile.moc"
