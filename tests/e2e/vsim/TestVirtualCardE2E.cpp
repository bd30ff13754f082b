// The virtual SIM behind a real pcscd: scripts/with-virtual-card starts a
// private pcscd with the vpcd driver and phonara-vsim, and a plain libpcsclite
// client (phonara-pcsc-probe) talks to the card.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int status = -1;
    QStringList lines; // the probe's "< ..." and "! ..." lines
    QString errors;
};

QString script()
{
    return QStringLiteral(PHONARA_SOURCE_DIR "/scripts/with-virtual-card");
}

QString probe()
{
    return QStringLiteral(PHONARA_PROBE);
}

QString profile(const char* name)
{
    return QStringLiteral(PHONARA_TEST_DATA "/cards/%1.json").arg(QLatin1String(name));
}

Run withCard(const QStringList& options, const QStringList& command, const QString& tmpDir = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PHONARA_VSIM"), QStringLiteral(PHONARA_VSIM));
    if (!tmpDir.isEmpty())
        env.insert(QStringLiteral("TMPDIR"), tmpDir);
    p.setProcessEnvironment(env);
    p.start(script(), options + QStringList{QStringLiteral("--")} + command);
    Run run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        run.errors = QStringLiteral("timed out");
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

// Processes still running whose command line mentions `needle`.
QStringList processesMentioning(const QString& needle)
{
    QStringList found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = cmdline.readAll().replace('\0', ' ');
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        stat.open(QIODevice::ReadOnly);
        const bool zombie = stat.readAll().contains(") Z ");
        if (!zombie && text.contains(needle.toLocal8Bit()))
            found << QStringLiteral("%1: %2").arg(pid, QString::fromLocal8Bit(text));
    }
    return found;
}

} // namespace

class TestVirtualCardE2E : public QObject
{
    Q_OBJECT

private slots:
    void selectMasterFileThroughPcscd();
    void readsTheTypicalCard();
    void removalIsSeenByTheClient();
    void twoCardsTwoReaders();
    void saveWritesTheCardBack();
    void commandStatusIsReturnedAndNothingStaysBehind();
    void uiccAnswersClass00OverT0();
};

void TestVirtualCardE2E::selectMasterFileThroughPcscd()
{
    const Run run = withCard({profile("typical")}, {probe(), "A0 A4 00 00 02 3F 00"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));
    QCOMPARE(run.lines, QStringList{"< 9F 22"});
}

void TestVirtualCardE2E::readsTheTypicalCard()
{
    // ICCID without PIN1; then the first ADN record after PIN1 (Anna Schmidt, +491701234567).
    const Run run = withCard({profile("typical")},
                             {probe(), "A0 A4 00 00 02 2F E2", "A0 B0 00 00 0A",
                              "A0 20 00 01 08 31 32 33 34 FF FF FF FF", "A0 A4 00 00 02 7F 10",
                              "A0 A4 00 00 02 6F 3A", "A0 C0 00 00 0F", "A0 B2 01 04 1C"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));
    QCOMPARE(run.lines.size(), 7);
    QCOMPARE(run.lines[1], QStringLiteral("< 98 94 20 00 00 21 43 65 87 F9 90 00"));
    QCOMPARE(run.lines[2], QStringLiteral("< 90 00"));
    // 250 records of 28 bytes: 7000 = 1B 58.
    QVERIFY2(run.lines[5].startsWith("< 00 00 1B 58 6F 3A 04"), qPrintable(run.lines[5]));
    QCOMPARE(run.lines[6], QStringLiteral("< 41 6E 6E 61 20 53 63 68 6D 69 64 74 FF FF 07 91 94 71 "
                                          "10 32 54 76 FF FF FF FF FF FF 90 00"));
}

void TestVirtualCardE2E::removalIsSeenByTheClient()
{
    // The card leaves after answering 3 APDUs; the client sends 10.
    const Run run =
        withCard({"--fault", R"({"afterApdus": 3, "do": "remove"})", profile("typical")},
                 {probe(), "--repeat", "10", "A0 A4 00 00 02 3F 00"});
    QCOMPARE(run.status, 3);
    QCOMPARE(run.lines.first(), QStringLiteral("< 9F 22"));
    QCOMPARE(run.lines.last(), QStringLiteral("! card removed"));
}

void TestVirtualCardE2E::twoCardsTwoReaders()
{
    const Run run = withCard({profile("typical"), profile("not-a-sim")},
                             {probe(), "--wait-card", "30", "--count", "2"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));
    QCOMPARE(run.lines.size(), 2);

    // The second slot holds the card that is no SIM.
    const Run second = withCard({profile("typical"), profile("not-a-sim")},
                                {probe(), "--reader", run.lines[1], "A0 A4 00 00 02 3F 00"});
    QVERIFY2(second.status == 0, qPrintable(second.errors));
    QCOMPARE(second.lines, QStringList{"< 6E 00"});
}

void TestVirtualCardE2E::saveWritesTheCardBack()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("card.json");
    QVERIFY(QFile::copy(profile("typical"), copy));
    const Run run = withCard({"--save", copy},
                             {probe(), "A0 20 00 01 08 39 39 39 39 FF FF FF FF",
                              "A0 20 00 01 08 31 32 33 34 FF FF FF FF", "A0 A4 00 00 02 7F 10",
                              "A0 A4 00 00 02 6F 44",
                              "A0 DC 00 03 1C 42 6F 62 FF FF FF FF FF FF FF FF FF FF FF 03 81 "
                              "21 F3 FF FF FF FF FF FF FF FF FF FF",
                              "A0 20 00 02 08 30 30 30 30 FF FF FF FF"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));
    QCOMPARE(run.lines.last(), QStringLiteral("< 98 04"));
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(saved.value("chv1").toObject().value("tries").toInt(), 3); // reset by the right PIN
    QCOMPARE(saved.value("chv2").toObject().value("tries").toInt(), 2);
    const QByteArray text = QJsonDocument(saved).toJson(QJsonDocument::Compact);
    QVERIFY(text.contains("\"1\":\"42 6F 62 FF"));
}

void TestVirtualCardE2E::commandStatusIsReturnedAndNothingStaysBehind()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("unique-card-name.json");
    QVERIFY(QFile::copy(profile("pin1-disabled"), copy));
    // The run's own temporary folder, so that other virtual cards on the machine do not count.
    const Run run = withCard({copy}, {"sh", "-c", "exit 7"}, dir.path());
    QCOMPARE(run.status, 7);
    QCOMPARE(processesMentioning(copy), QStringList());
    QCOMPARE(processesMentioning(dir.filePath(QStringLiteral("phonara-vcard."))), QStringList());
}

void TestVirtualCardE2E::uiccAnswersClass00OverT0()
{
    // The UICC's ATR (T=0 and T=15) still gives a T=0 connection; the FCP comes
    // through 61 xx and GET RESPONSE; a status-word fault works on class 00.
    const Run run = withCard(
        {"--fault", R"({"command": "00 B2 02", "sw": "6F 00"})", profile("usim-class00-only")},
        {probe(), "A0 A4 00 00 02 3F 00", "00 A4 00 04 02 3F 00", "00 C0 00 00 29",
         "00 20 00 01 08 31 32 33 34 FF FF FF FF", "00 A4 08 04 06 7F 10 5F 3A 4F 3A",
         "00 B2 01 04 20", "00 B2 01 04 1C", "00 B2 02 04 1C"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));
    QCOMPARE(run.lines.size(), 8);
    QCOMPARE(run.lines[0], QStringLiteral("< 6E 00"));
    QCOMPARE(run.lines[1], QStringLiteral("< 61 29"));
    QVERIFY2(run.lines[2].startsWith("< 62 27 82 02 78 21 83 02 3F 00"), qPrintable(run.lines[2]));
    QVERIFY2(run.lines[2].endsWith(" 90 00"), qPrintable(run.lines[2]));
    QCOMPARE(run.lines[3], QStringLiteral("< 90 00"));
    QVERIFY2(run.lines[4].startsWith("< 61 "), qPrintable(run.lines[4]));
    QCOMPARE(run.lines[5], QStringLiteral("< 6C 1C"));
    QVERIFY2(run.lines[6].startsWith("< 4D 75 74 74 65 72 FF"), qPrintable(run.lines[6]));
    QCOMPARE(run.lines[7], QStringLiteral("< 6F 00"));
}

QTEST_GUILESS_MAIN(TestVirtualCardE2E)
#include "TestVirtualCardE2E.moc"
