// Names in the card's alpha identifiers: the GSM 03.38 default alphabet and its
// extension table, and the 0x81 / 0x82 / 0x80 UCS2 forms, with expected bytes
// from the published tables and examples and from records laid out by hand.

#include "phonebook/AlphaCodec.h"
#include "phonebook/CardAlpha.h"
#include "phonebook/Cp1252.h"
#include "phonebook/RecordCodec.h"

#include <QTest>

namespace {

// The default alphabet in code order, as the GSM 03.38 table prints it; the
// escape 0x1B is written as a blank here and skipped by the tests.
const char16_t kPublishedDefaultTable[] =
    u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ ÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";

std::string bytesOf(const QByteArray& hex)
{
    return QByteArray::fromHex(hex).toStdString();
}

QByteArray toHex(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex(' ');
}

} // namespace

class TestCardAlphabet : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("left bracket") << "[" << 0x3C;
        QTest::newRow("tilde") << "~" << 0x3D;
        QTest::newRow("right bracket") << "]" << 0x3E;
        QTest::newRow("vertical bar") << "|" << 0x40;
        QTest::newRow("euro sign") << QString::fromUtf8("€") << 0x65;
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
        row("umlaut in GSM", QString::fromUtf8("Büro"), 20, "427e726f", false);
        row("brackets through the escape", "[x]", 20, "1b3c781b3e", false);
        row("Greek of the GSM table stays GSM", QString::fromUtf8("ΔΩ"), 20, "1015", false);
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
        row("empty", QString(), 20, "", false);
        row("NUL ends the name", QString::fromUtf16(u"ab\u0000\u0416"), 20, "6162", false);
        // Cut at a character boundary.
        row("GSM cut", "abcdef", 4, "61626364", true);
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

    // The books keep Windows-1252 where it holds the name, so .phn files stay
    // as they were; the card gets the GSM coding either way.
    void booksThroughTheCard_data()
    {
        QTest::addColumn<QByteArray>("alpha");
        QTest::addColumn<QByteArray>("held");  // phone book
        QTest::addColumn<QByteArray>("entry"); // side books and own numbers

        QTest::newRow("umlaut") << QByteArray("427e726f") << QByteArray("42fc726f")
                                << QByteArray("42fc726f");
        QTest::newRow("braces and euro sign")
            << QByteArray("1b28411b651b29") << QByteArray("7b41807d") << QByteArray("7b41807d");
        QTest::newRow("Cyrillic") << QByteArray("81020898b2") << QByteArray("81020898b2")
                                  << QByteArray("3f3f");
    }

    void booksThroughTheCard()
    {
        QFETCH(QByteArray, alpha);
        QFETCH(QByteArray, held);
        QFETCH(QByteArray, entry);
        const std::string card = bytesOf(alpha);
        QCOMPARE(toHex(heldNameFromCardAlpha(card)), toHex(bytesOf(held)));
        QCOMPARE(toHex(entryNameFromCardAlpha(card)), toHex(bytesOf(entry)));

        bool cut = true;
        QCOMPARE(toHex(cardAlphaFromHeldName(bytesOf(held), 20, &cut)), toHex(card));
        QVERIFY(!cut);
        if (!entry.contains("3f")) {
            QCOMPARE(toHex(cardAlphaFromEntryName(bytesOf(entry), 20, &cut)), toHex(card));
            QVERIFY(!cut);
        }
        QCOMPARE(toHex(cardAlphaFromHeldName(bytesOf(held), 1, &cut)).size() <= 2, true);
        QVERIFY(cut);
    }
};

QTEST_GUILESS_MAIN(TestCardAlphabet)
#include "TestCardAlphabet.moc"
