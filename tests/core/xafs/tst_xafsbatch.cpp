#include "xafs/xafsbatch.h"

#include <QSignalSpy>
#include <QTest>

// The sequence controller's steps, driven directly on this thread.
class tst_xafsbatch : public QObject
{
    Q_OBJECT

private slots:
    void runsThroughTheSteps()
    {
        XafsBatch batch;
        QStringList events;
        connect(&batch, &XafsBatch::stage, this,
                [&events](const QString& msg, qlonglong) { events << msg; });
        connect(&batch, &XafsBatch::starting, this, [&events] { events << "starting"; });
        connect(&batch, &XafsBatch::setFirstImageSet, this, [&events] { events << "first"; });
        connect(&batch, &XafsBatch::execCalculation, this, [&events] { events << "calc"; });
        connect(&batch, &XafsBatch::setNextImageSet, this, [&events] { events << "next"; });
        connect(&batch, &XafsBatch::finished, this, [&events] { events << "finished"; });

        // Idle: ordinary loads and calculations outside a run advance nothing.
        batch.loadedDataSet();
        batch.calcFinished();
        batch.noMoreSets();
        QVERIFY(events.isEmpty());

        batch.start();
        batch.loadedDataSet();
        batch.calcFinished();
        batch.loadedDataSet();
        batch.calcFinished();
        batch.noMoreSets();
        QCOMPARE(events, (QStringList{"starting", "Data Loading", "first", "Calculating", "calc",
                                      "Finished Calc.", "next", "Calculating", "calc",
                                      "Finished Calc.", "next", "Finished", "finished"}));
        QVERIFY(!batch.isRunning());

        // The same button ends a running sequence.
        events.clear();
        batch.start();
        batch.start();
        QCOMPARE(events,
                 (QStringList{"starting", "Data Loading", "first", "Finished", "finished"}));
    }

    void stageTimesAddUpToTheClock()
    {
        XafsBatch batch;
        QCOMPARE(batch.elapsed(), 0);
        qlonglong sum = 0;
        connect(&batch, &XafsBatch::stage, this, [&sum](const QString&, qlonglong d) { sum += d; });
        batch.start();
        QTest::qSleep(30);
        batch.loadedDataSet();
        QTest::qSleep(30);
        batch.finish();
        // Each stage counts from the previous one, so together they span the run.
        QVERIFY2(sum >= 60 && sum <= batch.elapsed(), qPrintable(QString::number(sum)));
    }
};

QTEST_GUILESS_MAIN(tst_xafsbatch)
#include "tst_xafsbatch.moc"
