// What the program reads from a UICC's own structures: FCP templates, the ATR's
// class indicator, EF DIR records. Expected values are laid out by hand after
// ETSI TS 102 221 and ISO 7816-3.
#include "card/uicc/CardKind.h"
#include "card/uicc/Fcp.h"

#include <QTest>

namespace {

std::vector<uint8_t> bytesOf(const char* hex)
{
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return {raw.begin(), raw.end()};
}

} // namespace

class TestUiccDecoding : public QObject
{
    Q_OBJECT

private slots:
    void fcp_data()
    {
        QTest::addColumn<QByteArray>("fcp");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("type"); // FileType
        QTest::addColumn<int>("structure");
        QTest::addColumn<int>("recordLength");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<int>("sfi");
        QTest::addColumn<int>("pin1"); // -1 not listed, 0 disabled, 1 enabled

        // An MF and a linear EF (PIN1 status, record length and count) are decoded
        // from the virtual UICC in the command-set tests.
        QTest::newRow("ADF with PIN1 disabled, PIN2 enabled")
            << QByteArray("62 1F 82 02 78 21 83 02 7F FF 84 07 A0 00 00 00 87 10 02"
                          " C6 0C 90 01 40 83 01 01 83 01 81 83 01 0A")
            << true << int(FileType::Dedicated) << int(Uicc::EfStructure::None) << 0 << 0 << 0 << 0;
        QTest::newRow("cyclic EF without SFI")
            << QByteArray("62 11 82 05 46 21 00 1C 0A 83 02 6F 44 80 02 01 18 88 00") << true
            << int(FileType::Elementary) << int(Uicc::EfStructure::Cyclic) << 28 << 280 << 0 << -1;
        QTest::newRow("transparent EF")
            << QByteArray("62 0F 82 02 41 21 83 02 2F E2 80 02 00 0A 88 01 10") << true
            << int(FileType::Elementary) << int(Uicc::EfStructure::Transparent) << 0 << 10 << 2
            << -1;
        QTest::newRow("length in the 81 xx form")
            << QByteArray("62 81 0F 82 02 41 21 83 02 2F E2 80 02 00 0A 88 01 10") << true
            << int(FileType::Elementary) << int(Uicc::EfStructure::Transparent) << 0 << 10 << 2
            << -1;
        QTest::newRow("not an FCP")
            << QByteArray("6F 03 82 01 78") << false << 0 << 0 << 0 << 0 << 0 << -1;
        QTest::newRow("length past the end")
            << QByteArray("62 10 82 02 78 21") << false << 0 << 0 << 0 << 0 << 0 << -1;
        QTest::newRow("inner length past the end")
            << QByteArray("62 04 82 05 78 21") << false << 0 << 0 << 0 << 0 << 0 << -1;
    }

    void fcp()
    {
        QFETCH(QByteArray, fcp);
        QFETCH(bool, valid);
        const auto decoded = Uicc::decodeFcp(bytesOf(fcp.constData()));
        QCOMPARE(decoded.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, type);
        QFETCH(int, structure);
        QFETCH(int, recordLength);
        QFETCH(int, fileSize);
        QFETCH(int, sfi);
        QFETCH(int, pin1);
        const FileHeader header = Uicc::headerOf(*decoded);
        QCOMPARE(int(header.type), type);
        QCOMPARE(int(decoded->structure), structure);
        QCOMPARE(int(header.recordLength), recordLength);
        QCOMPARE(int(header.fileSize), fileSize);
        QCOMPARE(int(decoded->shortFileId), sfi);
        const auto enabled = decoded->keyEnabled(0x01);
        QCOMPARE(enabled ? int(*enabled) : -1, pin1);
    }

    void atr_data()
    {
        QTest::addColumn<QByteArray>("atr");
        QTest::addColumn<bool>("classIndicator");
        QTest::newRow("UICC, T=0 and T=15")
            << QByteArray("3B 87 80 1F C7 80 31 E0 73 FE 21 13 31") << true;
        QTest::newRow("GSM SIM, T=0 only") << QByteArray("3B 02 14 50") << false;
        QTest::newRow("TA1 TD1, then TD2 with T=15")
            << QByteArray("3B 9F 96 80 1F C7 80 31 E0 73 FE 21 1B 63 3A 20 4E 83 00 90 00 31")
            << true;
        QTest::newRow("T=1 in TD2, no T=15") << QByteArray("3B 80 81 31 FE 45") << false;
        QTest::newRow("cut short") << QByteArray("3B 80") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void atr()
    {
        QFETCH(QByteArray, atr);
        QFETCH(bool, classIndicator);
        QCOMPARE(atrHasClassIndicator(bytesOf(atr.constData())), classIndicator);
    }

    void dirRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("aid");
        QTest::addColumn<QByteArray>("label");
        QTest::addColumn<bool>("usim");
        QTest::newRow("USIM with label")
            << QByteArray("61 1B 4F 10 A0 00 00 00 87 10 02 FF 49 FF 05 89 00 00 01 FF"
                          " 50 05 55 53 49 4D 31 FF FF")
            << QByteArray("A0000000871002FF49FF0589000001FF") << QByteArray("USIM1") << true;
        QTest::newRow("ISIM") << QByteArray("61 12 4F 10 A0 00 00 00 87 10 04 FF 49 FF 05 89 00"
                                            " 00 01 FF")
                              << QByteArray("A0000000871004FF49FF0589000001FF") << QByteArray()
                              << false;
        QTest::newRow("free record")
            << QByteArray("FF FF FF FF") << QByteArray() << QByteArray() << false;
        QTest::newRow("AID longer than the template")
            << QByteArray("61 06 4F 10 A0 00 00 00 87 10") << QByteArray() << QByteArray() << false;
    }

    void dirRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, aid);
        QFETCH(QByteArray, label);
        QFETCH(bool, usim);
        const DirApplication application = decodeDirRecord(bytesOf(record.constData()));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(application.aid.data()),
                            qsizetype(application.aid.size()))
                     .toHex()
                     .toUpper(),
                 aid);
        QCOMPARE(QByteArray::fromStdString(application.label), label);
        QCOMPARE(isUsimAid(application.aid), usim);
    }
};

QTEST_GUILESS_MAIN(TestUiccDecoding)
#include "TestUiccDecoding.moc"
