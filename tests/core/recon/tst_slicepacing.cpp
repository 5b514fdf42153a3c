#include "recon/slicepacing.h"

#include <QTest>

#include <climits>

class tst_slicepacing : public QObject
{
    Q_OBJECT

private slots:
    void within_data()
    {
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("inside");
        QTest::newRow("first") << 0 << 0 << 9 << true;
        QTest::newRow("last") << 9 << 0 << 9 << true;
        QTest::newRow("past the end") << 10 << 0 << 9 << false;
        QTest::newRow("before the start") << -1 << 0 << 9 << false;
        QTest::newRow("downward inside") << 5 << 9 << 0 << true;
        QTest::newRow("downward past the end") << -3 << 9 << 0 << false;
        QTest::newRow("one slice") << 4 << 4 << 4 << true;
    }

    void within()
    {
        QFETCH(int, cursor);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, inside);
        QCOMPARE(SlicePacing::within(cursor, from, to), inside);
    }

    void progress_data()
    {
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("busy");
        QTest::addColumn<double>("percent");
        // (8 / 2 - 4 + 1) / (9 / 2 + 1) = 1 / 5.
        QTest::newRow("four workers busy") << 8 << 0 << 9 << 2 << 4 << 20.0;
        QTest::newRow("all started, all done") << 10 << 0 << 9 << 2 << 0 << 100.0;
        QTest::newRow("downward reads like upward") << -3 << 9 << 0 << -3 << 4 << 25.0;
        QTest::newRow("step 1") << 3 << 0 << 5 << 1 << 1 << 50.0;
        QTest::newRow("step 0 counts as 1") << 3 << 0 << 5 << 0 << 1 << 50.0;
        QTest::newRow("truncated to one decimal") << 1 << 0 << 5 << 1 << 0 << 33.3;
        QTest::newRow("more busy than started") << 0 << 0 << 9 << 1 << 4 << 0.0;
        QTest::newRow("whole int range") << INT_MIN << INT_MAX << INT_MIN << -1 << 0 << 100.0;
    }

    void progress()
    {
        QFETCH(int, cursor);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, step);
        QFETCH(int, busy);
        QFETCH(double, percent);
        QCOMPARE(SlicePacing::progress(cursor, from, to, step, busy), percent);
    }
};

QTEST_GUILESS_MAIN(tst_slicepacing)
#include "tst_slicepacing.moc"
