// The virtual SIM behind a real pcscd: scripts/with-virtual-card starts a
// private pcscd with the vpcd driver and phonara-vsim, and a plain libpcsclite
// client (phonara-pcsc-probe) talks to the card. Reading, card removal, the
// second slot and the UICC over T=0 through this path are checked by the
// command-line end-to-end tests; here: what --save keeps, and the clean-up.
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
    void saveWritesTheCardBack();
    void commandStatusIsReturnedAndNothingStaysBehind();
};

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

QTEST_GUILESS_MAIN(TestVirtualCardE2E)
#include "TestVirtualCardE2E.moc"
