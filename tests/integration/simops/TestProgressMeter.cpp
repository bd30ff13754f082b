// The progress display of a transfer: one move per threshold passed.
#include "ScriptedUserInterface.h"

#include "simops/ProgressMeter.h"

#include <QTest>

class TestProgressMeter : public QObject
{
    Q_OBJECT

private slots:
    void moves_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<int>>("shown"); // percentage after each value, -1: no move
        // Fewer than 100 records: every record moves the display.
        QTest::newRow("3 records") << 3 << QList<int>{1, 2, 3} << QList<int>{33, 66, 100};
        // Records and contacts counted together pass the record count.
        QTest::newRow("past the end") << 4 << QList<int>{6} << QList<int>{100};
    }

    void moves()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, values);
        QFETCH(QList<int>, shown);
        ScriptedUserInterface ui;
        ProgressMeter meter(records, ui);
        std::vector<int> expected;
        for (int i = 0; i < values.size(); ++i) {
            const bool moved = meter.advance(values[i]);
            QCOMPARE(moved, shown[i] >= 0);
            if (moved)
                expected.push_back(shown[i]);
        }
        QCOMPARE(ui.progressPercents, expected);
        QCOMPARE(meter.steps(), int(expected.size()));
    }
};

QTEST_GUILESS_MAIN(TestProgressMeter)
#include "TestProgressMeter.moc"
