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
        // 250 records: a step of 2.5 records.
        QTest::newRow("250 records")
            << 250 << QList<int>{1, 2, 3, 4, 5, 6} << QList<int>{0, -1, 1, -1, -1, 2};
        // Fewer than 100 records: every record moves the display, which ends
        // below 100 when the count does not divide 100.
        QTest::newRow("3 records") << 3 << QList<int>{1, 2, 3} << QList<int>{33, 66, 100};
        // The step is a double: 7 / 0.07 comes out a little below 100.
        QTest::newRow("7 records") << 7 << QList<int>{1, 7} << QList<int>{14, 99};
        // The value 0 (the first contact of a write) is not past the start.
        QTest::newRow("first value 0") << 10 << QList<int>{0, 1} << QList<int>{-1, 10};
        // Records and contacts counted together pass the record count.
        QTest::newRow("past the end") << 4 << QList<int>{6} << QList<int>{100};
        QTest::newRow("no records") << 0 << QList<int>{1, 2} << QList<int>{100, 100};
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
