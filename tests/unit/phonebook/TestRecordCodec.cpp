// Card record coding checked against bytes worked out by hand from GSM 11.11
// (EF ADN layout, semi-octet digits, UCS2 alpha forms of annex B)
// and the GSM 03.38 default alphabet; names in the card's alpha identifiers
// (the default alphabet and its extension table, the 0x81 / 0x82 / 0x80 UCS2
// forms) against the published tables and examples.

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Cp1252.h"
#include "phonebook/DiallingNumber.h"
#include "phonebook/RecordCodec.h"

#include <QTest>

namespace {

using Bytes = std::vector<uint8_t>;

// The default alphabet in code order, as the GSM 03.38 table prints it; the
// escape 0x1B is written as a blank here and skipped by the tests.
const char16_t kPublishedDefaultTable[] =
    u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ ÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";

std::string bytesOf(const QByteArray& text)
{
    return QByteArray::fromHex(text).toStdString();
}

QByteArray toHex(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex(' ');
}

QByteArray toHex(const Bytes& bytes)
{
    return toHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace

class TestRecordCodec : public QObject
{
    Q_OBJECT

private slots:
    // Digits in semi-octets both ways; a length byte of 0 marks a row that is
    // only read (what a card may hold but the program never writes).
    void numberDigits_data()
    {
        QTest::addColumn<int>("tonNpi");
        QTest::addColumn<QByteArray>("bcd"); // the first 11 of the 21 digit bytes
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lengthByte");
        const auto row = [](const char* tag, int tonNpi, const char* bcd, const QString& text,
                            int lengthByte) {
            QTest::newRow(tag) << tonNpi << QByteArray::fromHex(bcd) << text << lengthByte;
        };
        row("international, odd length gets filler", 0x91, "2143f5ffffffffffffffff", "+12345", 4);
        row("star hash pause", 0x81, "3ab15cffffffffffffffff", "*31#p5", 4);
        row("empty", 0x81, "ffffffffffffffffffffff", "", 1);
        row("German service number", 0x91, "947112122721ffffffffff", "+491721217212", 7);
        row("20 digits fill the record", 0xA8, "2143658709214365870 9ff", "12345678901234567890",
            11);
        row("read: nibbles d and e skipped", 0x81, "21d3e4f5ffffffffffffff", "12345", 0);
        row("read: empty international", 0x91, "ffffffffffffffffffffff", "+", 0);
        row("read: stops after 20 bytes", 0x81,
            "11111111111111111111111111111111111111111111111111", QString(40, '1'), 0);
    }

    void numberDigits()
    {
        QFETCH(int, tonNpi);
        QFETCH(QByteArray, bcd);
        QFETCH(QString, text);
        QFETCH(int, lengthByte);
        const Bytes bytes(bcd.begin(), bcd.end());
        QCOMPARE(QString::fromStdString(decodeDiallingNumber(static_cast<uint8_t>(tonNpi), bytes)),
                 text);
        if (lengthByte == 0)
            return;
        const EncodedNumber encoded = encodeDiallingNumber(text.toStdString());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(encoded.data()), 11).toHex(),
                 bcd.toHex());
        for (std::size_t i = 11; i < encoded.size(); ++i) {
            QCOMPARE(encoded[i], uint8_t(0xFF));
        }
        QCOMPARE(int(numberLengthByte(encoded)), lengthByte);
        // Twenty digits fill the record; the twenty-first takes an extension record.
        if (text.size() == 20) {
            QVERIFY(!needsExtension(text.toStdString()));
            QVERIFY(needsExtension(text.toStdString() + '1'));
        }
    }

    void validateNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("cleaned");

        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("40 digits and a plus")
            << "+" + QString(40, '1') << true << "+" + QString(40, '1');
        QTest::newRow("slash") << "030/1234" << false << "030/1234";
        QTest::newRow("capital P") << "12P3" << false << "12P3";
        QTest::newRow("letter") << "0800-FLOWERS" << false << "0800FLOWERS";
    }

    void validateNumber()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(QString, cleaned);

        std::string text = typed.toStdString();
        QCOMPARE(::validateNumber(text), valid);
        QCOMPARE(QString::fromStdString(text), cleaned);

        char buffer[64] = {};
        qstrncpy(buffer, typed.toLatin1().constData(), sizeof buffer);
        QCOMPARE(::validateNumber(buffer), valid);
        QCOMPARE(QString::fromLatin1(buffer), cleaned);
    }

    void tonNpiForNumber_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("expected");

        QTest::newRow("blanks then plus") << "  +49" << 0x91;
        QTest::newRow("empty") << "" << 0xA8;
        QTest::newRow("42 blanks keep the old value") << QString(42, ' ') + "+1" << 0x81;
        QTest::newRow("41 blanks then plus") << QString(41, ' ') + "+1" << 0x91;
    }

    void tonNpiForNumber()
    {
        QFETCH(QString, number);
        QFETCH(int, expected);
        QCOMPARE(int(::tonNpiForNumber(number.toStdString(), 0x81)), expected);
    }

    void ucs2Decode_data()
    {
        QTest::addColumn<QByteArray>("held");
        QTest::addColumn<QString>("unicode");
        QTest::addColumn<QByteArray>("cp1252");
        const auto row = [](const char* tag, const char* held, const QString& unicode,
                            const QByteArray& cp1252) {
            QTest::newRow(tag) << QByteArray::fromHex(held) << unicode << cp1252;
        };
        row("0x80 Cyrillic", "800410043fff", QString::fromUtf8("Ап"), "??");
        row("0x80 Latin with zero high bytes", "8000e90041ffff", QString::fromUtf8("éA"),
            QByteArray::fromHex("e941"));
        row("0x80 euro sign", "8020ac", QString::fromUtf8("€"), QByteArray::fromHex("80"));
        row("0x81 Greek", "810207a9bc", QString::fromUtf8("Ωμ"), "??");
        row("0x81 base 0x0980 with ASCII", "8103135395a6", QString::fromUtf16(u"S\u0995\u09A6"),
            "S??");
        row("0x81 too short", "810207", QString(), QByteArray());
        row("0x82 Armenian", "820505302d82d32d31", QString::fromUtf16(u"-\u0532\u0583-1"),
            "-?"
            "?-1");
        row("0x82 count limits", "82010530b1ff", QString::fromUtf16(u"\u0561"), "?");
        row("0x80 byte FF inside characters", "804effff21ffff", QString::fromUtf16(u"\u4EFF\uFF21"),
            "??");
        row("plain shown as held", "4af67267", QString::fromUtf8("Jörg"),
            QByteArray::fromHex("4af67267"));
    }

    void ucs2Decode()
    {
        QFETCH(QByteArray, held);
        QFETCH(QString, unicode);
        QFETCH(QByteArray, cp1252);
        const std::string_view view(held.constData(), static_cast<std::size_t>(held.size()));
        QCOMPARE(heldNameToUnicode(view), unicode);
        QCOMPARE(toHex(decodeAlphaToText(view)), cp1252.toHex(' '));

        char small[3];
        QCOMPARE(decodeAlphaToText(view, small, sizeof small), 1);
        QCOMPARE(QByteArray(small), cp1252.left(2));
    }

    void encodeTypedName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("held");
        const auto row = [](const char* tag, const QString& typed, int maxBytes, int result,
                            const char* held) {
            QTest::newRow(tag) << typed << maxBytes << result << QByteArray::fromHex(held);
        };
        row("Latin stays code page", QString::fromUtf8("Jörg"), 100, 2, "4af67267");
        row("Greek 0x81", QString::fromUtf8("Ωμ"), 100, 1, "810207a9bc");
        row("Cyrillic with blank and digit", QString::fromUtf8("Иван 2"), 100, 1,
            "8106089 8b2b0bd2032");
        row("two blocks within 128: 0x82", QString::fromUtf16(u"-\u0532\u0583-1"), 100, 1,
            "820505322d80d12d31");
        row("Greek and e acute: 0x80", QString::fromUtf8("Ωé"), 100, 1, "8003a900e9");
        row("euro sign needs UCS2", QString::fromUtf8("€5"), 100, 1, "810241ac35");
        row("0x81 cut to the field", QString::fromUtf8("ΑΒΓΔΕ"), 6, 1, "810307919293");
        row("0x80 keeps whole characters", QString::fromUtf8("Ωé1"), 6, 1, "8003a900e9");
        row("byte FF inside a character: 0x80", QString::fromUtf16(u"\u4EFF\u4E2D"), 100, 1,
            "804eff4e2d");
        row("plain cut", "abcdef", 4, 2, "61626364");
        row("NUL ends the name", QString::fromUtf16(u"ab\u0000\u03A9"), 100, 2, "6162");
    }

    void encodeTypedName()
    {
        QFETCH(QString, typed);
        QFETCH(int, maxBytes);
        QFETCH(int, result);
        QFETCH(QByteArray, held);

        int got = 0;
        const std::string encoded =
            encodeAlphaFromUnicode(typed, static_cast<std::size_t>(maxBytes), &got);
        QCOMPARE(got, result);
        QCOMPARE(toHex(encoded), held.toHex(' '));

        // The C form writes the same bytes and a NUL.
        char out[128];
        std::memset(out, 0x55, sizeof out);
        QCOMPARE(encodeAlphaFromUnicode(typed, out, static_cast<std::size_t>(maxBytes) + 1),
                 result);
        QCOMPARE(QByteArray(out, held.size()).toHex(' '), held.toHex(' '));
        QCOMPARE(out[held.size()], '\0');
        QCOMPARE(heldNameLength(out, static_cast<std::size_t>(maxBytes) + 1),
                 std::size_t(held.size()));
    }

    void cp1252_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");

        QTest::newRow("S caron") << 0x8A << 0x0160;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("unassigned 0x81") << 0x81 << 0x0081;
    }

    void cp1252()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        QCOMPARE(int(cp1252ToUnicodeChar(static_cast<uint8_t>(byte))), unicode);
        QCOMPARE(unicodeToCp1252Char(static_cast<char16_t>(unicode)), byte);

        // Characters outside the code page.
        bool exact = true;
        QCOMPARE(QByteArray::fromStdString(
                     unicodeToCp1252(QString::fromUtf16(u"a\u0080\u0100"), &exact)),
                 QByteArray("a??"));
        QVERIFY(!exact);
    }

    void parseRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("heldName");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("lengthByte");
        QTest::addColumn<int>("ccp");
        QTest::addColumn<int>("extension");

        const auto row = [](const char* tag, const char* record, const char* heldName,
                            const char* number, int lengthByte, int ccp, int extension) {
            QTest::newRow(tag) << QByteArray::fromHex(record) << QByteArray::fromHex(heldName)
                               << QString(number) << lengthByte << ccp << extension;
        };
        row("0x81 name held as read, 0xFF is a character",
            "810307a9ffbcffffffffffffffff 0181 ffffffffffffffffffff ffff", "810307a9ffbc", "", 1,
            0xFF, 0xFF);
        row("0x80 name ends at FF FF, held in the shorter 0x81 form",
            "800410043fffffffffffffffffff ffff ffffffffffffffffffff ffff", "81020890bf", "", 0xFF,
            0xFF, 0xFF);
        row("0x80 name with U+00FF", "8000ff0041ffffffffffffffffff 0181 ffffffffffffffffffff ffff",
            "ff41", "", 1, 0xFF, 0xFF);
        row("0x80 name ending in U+00FF", "8000410 0ffffffffffffffffffff 0181 ffffffffffffffffffff ffff",
            "41ff", "", 1, 0xFF, 0xFF);
        row("leading euro sign from the extension table: held in UCS2",
            "1b6542ffffffffffffffffffffff 0181 ffffffffffffffffffff ffff", "810241ac42", "", 1,
            0xFF, 0xFF);
        row("GSM Greek delta read as a character",
            "4210ffffffffffffffffffffffff 0181 ffffffffffffffffffff ffff", "8102074294", "", 1,
            0xFF, 0xFF);
        row("no alpha field", "0391 2143ffffffffffffffff ffff", "", "+1234", 3, 0xFF, 0xFF);
    }

    void parseRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, heldName);
        QFETCH(QString, number);
        QFETCH(int, lengthByte);
        QFETCH(int, ccp);
        QFETCH(int, extension);

        const Bytes bytes(record.begin(), record.end());
        const std::optional<NumberRecord> parsed = parseNumberRecord(bytes);
        QVERIFY(parsed.has_value());
        QCOMPARE(toHex(heldNameFromCardAlpha(parsed->alpha)), heldName.toHex(' '));
        QCOMPARE(QString::fromStdString(parsed->number), number);
        QCOMPARE(int(parsed->lengthByte), lengthByte);
        QCOMPARE(int(parsed->ccp), ccp);
        QCOMPARE(int(parsed->extensionRecord), extension);
        QCOMPARE(parsed->hasExtension(), extension != 0xFF);
        QCOMPARE(isFreeRecord(bytes), record.startsWith('\xff'));

        QVERIFY(!parseNumberRecord(Bytes(13, 0x31)).has_value());
    }

    void buildRecord_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("heldName");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("tonNpi");
        QTest::addColumn<int>("extension");
        QTest::addColumn<QByteArray>("record");
        const auto row = [](const char* tag, int length, const QByteArray& heldName,
                            const char* number, int tonNpi, int extension, const char* record) {
            QTest::newRow(tag) << length << heldName << QString(number) << tonNpi << extension
                               << QByteArray::fromHex(record);
        };
        row("plus takes one of the first 20", 14, QByteArray(), "+4912345678901234567890", 0x91, 3,
            "0b91 94214365870921436 5f7 ff03");
        row("0x80 held name written in the shorter 0x81 form", 20,
            QByteArray::fromHex("800410043f"), "0", 0xA8, 0xFF,
            "81020890bfff 02a8 f0ffffffffffffffffff ffff");
        row("0x80 held name with a byte FF goes whole", 20, QByteArray::fromHex("804eff4e2d"), "0",
            0xA8, 0xFF, "804eff4e2dff 02a8 f0ffffffffffffffffff ffff");
    }

    void buildRecord()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, heldName);
        QFETCH(QString, number);
        QFETCH(int, tonNpi);
        QFETCH(int, extension);
        QFETCH(QByteArray, record);

        const std::size_t alphaLength =
            static_cast<std::size_t>(length) - SimRecord::kFixedPartLength;
        const std::string alpha = cardAlphaFromHeldName(heldName.toStdString(), alphaLength);
        const Bytes built =
            buildNumberRecord(static_cast<std::size_t>(length), alpha, number.toStdString(),
                              static_cast<uint8_t>(tonNpi), 0xFF, static_cast<uint8_t>(extension));
        QCOMPARE(toHex(built), record.toHex(' '));
        QVERIFY(buildNumberRecord(13, alpha, "1", 0x81, 0xFF).empty());
    }

    // A side-book name read from the card goes back as the card held it while
    // it reads the same; Cyrillic and Greek would otherwise come back as '?'.
    void sideBookNameKept_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("alphaLength");
        QTest::addColumn<QByteArray>("alpha");

        const auto row = [](const char* tag, const char* kept, const QByteArray& name,
                            int alphaLength, const char* alpha) {
            QTest::newRow(tag) << QByteArray::fromHex(kept) << name << alphaLength
                               << QByteArray::fromHex(alpha);
        };
        // "Иван" (U+0418 U+0432 U+0430 U+043D) in the 0x81 form, base 0x0400.
        row("Cyrillic read as ????", "81040898b2b0bd", "????", 14, "81040898b2b0bd");
        row("Greek in the 0x80 form", "800391 03a3", "??", 14, "80039103a3");
        row("renamed: encoded anew", "81040898b2b0bd", "Ivan", 14, "4976616e");
        row("kept bytes longer than the field: encoded and cut", "81040898b2b0bd", "????", 3,
            "3f3f3f");
        row("kept bytes fill the field", "81040898b2b0bd", "????", 7, "81040898b2b0bd");
        row("nothing kept", "", "B\xfcro", 14, "427e726f");
    }

    void sideBookNameKept()
    {
        QFETCH(QByteArray, kept);
        QFETCH(QByteArray, name);
        QFETCH(int, alphaLength);
        QFETCH(QByteArray, alpha);
        const std::string hexKept = cardAlphaHex(kept.toStdString());
        QCOMPARE(toHex(cardAlphaForEntry(name.toStdString(), hexKept,
                                         static_cast<std::size_t>(alphaLength))),
                 alpha.toHex(' '));
        // And the list shows the card's characters while the name reads the same.
        const QString shown = entryNameToUnicode(name.toStdString(), hexKept);
        if (QTest::currentDataTag() == QByteArray("Cyrillic read as ????"))
            QCOMPARE(shown, QString::fromUtf8("Иван"));
        else if (QTest::currentDataTag() == QByteArray("renamed: encoded anew"))
            QCOMPARE(shown, QStringLiteral("Ivan"));
    }

    void defaultTableBothWays()
    {
        static_assert(std::size(kPublishedDefaultTable) == 129);
        for (int code = 0; code < 128; ++code) {
            if (code == 0x1B) {
                continue;
            }
            const QString character(QChar(kPublishedDefaultTable[code]));
            const std::string byte(1, static_cast<char>(code));
            QCOMPARE(decodeCardAlpha(byte), character);
            const CardAlpha encoded = encodeCardAlpha(character, 1);
            QCOMPARE(toHex(encoded.bytes), toHex(byte));
            QVERIFY(!encoded.cut);
        }
        // The whole table in one name, as long as the table.
        QString all = QString::fromUtf16(kPublishedDefaultTable);
        all.remove(0x1B, 1);
        const CardAlpha encoded = encodeCardAlpha(all, 127);
        QCOMPARE(encoded.bytes.size(), std::size_t(127));
        QCOMPARE(decodeCardAlpha(encoded.bytes), all);

        // A book name in Windows-1252 goes to the card and back through the
        // same table, for every character both alphabets have.
        for (int code = 0; code < 128; ++code) {
            const char16_t character = kPublishedDefaultTable[code];
            const int ansi = unicodeToCp1252Char(character);
            if (code == 0x1B || character == u'\n' || character == u'\r' || ansi < 0)
                continue;
            const std::string held(1, static_cast<char>(ansi));
            QCOMPARE(toHex(cardAlphaFromHeldName(held, 10)), toHex(std::string(1, char(code))));
            QCOMPARE(int(gsmToAnsiChar(static_cast<uint8_t>(code))), ansi);
        }
    }

    void extensionTable_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("code");

        QTest::newRow("form feed") << QString(QChar(0x0C)) << 0x0A;
        QTest::newRow("circumflex") << "^" << 0x14;
        QTest::newRow("left brace") << "{" << 0x28;
        QTest::newRow("right brace") << "}" << 0x29;
        QTest::newRow("backslash") << "\\" << 0x2F;
        QTest::newRow("tilde") << "~" << 0x3D;
    }

    void extensionTable()
    {
        QFETCH(QString, character);
        QFETCH(int, code);
        const std::string pair{'\x1b', static_cast<char>(code)};
        QCOMPARE(decodeCardAlpha(pair), character);
        QCOMPARE(toHex(encodeCardAlpha(character, 2).bytes), toHex(pair));
        // One byte of room: the pair is not split.
        const CardAlpha cut = encodeCardAlpha(character, 1);
        QVERIFY(cut.bytes.empty());
        QVERIFY(cut.cut);
    }

    void encode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("alphaLength");
        QTest::addColumn<QByteArray>("alpha");
        QTest::addColumn<bool>("cut");

        const auto row = [](const char* tag, const QString& name, int alphaLength,
                            const char* alpha, bool cut) {
            QTest::newRow(tag) << name << alphaLength << QByteArray(alpha) << cut;
        };
        // The 0x81 and 0x82 examples of the UCS2 alpha coding (TS 102 221 annex A).
        row("0x81 Bengali with S", QString::fromUtf16(u"S\u0995\u09A6"), 20, "8103135395a6", false);
        row("0x81 Thai", QString::fromUtf16(u"\u0E1C\u0E35\u0E46"), 20, "81031c9cb5c6", false);
        row("0x82 Armenian across two half-pages", QString::fromUtf16(u"-\u0532\u0583-1"), 20,
            "820505302d82d32d31", false);
        // Laid out by hand.
        row("brackets through the escape", "[x]", 20, "1b3c781b3e", false);
        row("Turkish: 0x81 base 0x0100, GSM C cedilla", QString::fromUtf8("Çağrı"), 20,
            "81050209619f72b1", false);
        row("Latin-1 letter outside GSM: 0x81 base 0x0080", QString::fromUtf8("Aú"), 20,
            "81020141fa", false);
        row("Chinese: 0x81 is shorter than 0x82", QString::fromUtf16(u"\u675C\u675C1"), 20,
            "8103cedcdc31", false);
        row("far apart: 0x80", QString::fromUtf16(u"\u0400\u4E2D"), 20, "8004004e2d", false);
        row("0x80 keeps U+00FF", QString::fromUtf16(u"\u00FF\u4E2D"), 20, "8000ff4e2d", false);
        row("U+8000 and up, four characters: 0x82", QString::fromUtf16(u"\u9060\u9053\u9060\u9053"),
            20, "82049000e0d3e0d3", false);
        row("two such characters: 0x80 is shorter", QString::fromUtf16(u"\u9060\u9053"), 20,
            "8090609053", false);
        row("0x82 base: 256 apart is too far, a multiple of 16",
            QString::fromUtf16(u"\u0510\u0580\u0510\u0580"), 20, "8204051080f080f0", false);
        row("empty", QString(), 20, "", false);
        row("NUL ends the name", QString::fromUtf16(u"ab\u0000\u0416"), 20, "6162", false);
        // Cut at a character boundary.
        row("escape pair not split", "ab[", 3, "6162", true);
        row("0x81 cut, count says what is left", QString::fromUtf8("Иван"), 5, "81020898b2", true);
        row("0x80 cut to whole characters", QString::fromUtf16(u"\u0400\u4E2D"), 4, "800400", true);
        row("no room for a UCS2 header", QString::fromUtf8("Ж"), 2, "", true);
        row("one character fits: 0x80 is the shortest", QString::fromUtf16(u"\u0532\u0583"), 4,
            "800532", true);
        row("two half-pages: 0x80 keeps the most", QString::fromUtf16(u"\u0532\u0583"), 5,
            "8005320583", false);
    }

    void encode()
    {
        QFETCH(QString, name);
        QFETCH(int, alphaLength);
        QFETCH(QByteArray, alpha);
        QFETCH(bool, cut);
        const CardAlpha encoded = encodeCardAlpha(name, static_cast<std::size_t>(alphaLength));
        QCOMPARE(toHex(encoded.bytes), toHex(bytesOf(alpha)));
        QCOMPARE(encoded.cut, cut);
        // What the card gets reads back as the name or the start of it.
        const QString back = decodeCardAlpha(encoded.bytes);
        QCOMPARE(back.size(), qsizetype(encoded.chars));
        QVERIFY(name.startsWith(back));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("alpha");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* tag, const char* alpha, const QString& name) {
            QTest::newRow(tag) << QByteArray(alpha) << name;
        };
        row("0x82 Chinese, base 0x6700", "82036700dcdc31", QString::fromUtf16(u"\u675C\u675C1"));
        row("0x81 bytes below 0x80 are GSM characters", "8103080011a0",
            QString::fromUtf16(u"@_\u0420"));
        row("0x81 count larger than the field", "81050890", QString::fromUtf16(u"\u0410"));
        row("0x81 base 0 and byte 0x80 would be a NUL", "810300418041", "A");
        row("0x82 header only", "820105", QString());
        row("0x80 odd byte left over", "80004100", "A");
        row("0x80 zeros end the name", "80004100000042", "A");
        row("escape before a code without extension", "1b41", "A");
        row("two escapes read as a blank", "411b1b42", "A B");
        row("escape at the end dropped", "411b", "A");
        row("code-page byte written by earlier versions", "4ae972e7", QString::fromUtf8("Jérç"));
    }

    void decode()
    {
        QFETCH(QByteArray, alpha);
        QFETCH(QString, name);
        QCOMPARE(decodeCardAlpha(bytesOf(alpha)), name);
    }
};

QTEST_GUILESS_MAIN(TestRecordCodec)
#include "TestRecordCodec.moc"
