#include "shell/OwnedText.h"

#include <QTest>

#include <sys/prctl.h>
#include <sys/resource.h>

// What both programs do first: nothing of their memory may end in a core file
// or be read by another process of the user.
class TestSecrets : public QObject
{
    Q_OBJECT

private slots:
    void coreDumpsOff()
    {
        const rlimit some{4096, RLIM_INFINITY};
        QVERIFY(setrlimit(RLIMIT_CORE, &some) == 0);
        QVERIFY(keepSecretsOutOfCoreDumps());
        rlimit core{};
        QVERIFY(getrlimit(RLIMIT_CORE, &core) == 0);
        QCOMPARE(core.rlim_cur, rlim_t(0));
        QCOMPARE(core.rlim_max, rlim_t(0));
        QCOMPARE(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestSecrets)
#include "TestSecrets.moc"
