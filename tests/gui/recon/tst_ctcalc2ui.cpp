#include "ctcalc2ui.h"
#include "phantom/phantomwriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// A result panel follows its worker, which runs on a thread of its own.
class tst_ctcalc2ui : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ImgDatas m_set;

    struct Rig {
        QThread thread;
        CtCalc2 worker;
        CtCalc2Ui panel;
        Rig()
        {
            worker.moveToThread(&thread);
            thread.start();
            panel.setWorker(&worker);
        }
        ~Rig()
        {
            thread.quit();
            thread.wait();
        }
        // Inputs as the main window gathers them, then one slice.
        void run(ImgDatas& set, int slice)
        {
            Ct2Inputs in;
            in.images = set.snapshot();
            in.params.dataSetImages = set.count();
            in.params.usingImages = set.count();
            in.params.dataSetRangeDeg = 180;
            panel.fillInputs(in);
            QSignalSpy done(&worker, &CtCalc2::calcFinished);
            QMetaObject::invokeMethod(
                &worker,
                [this, in, slice] {
                    worker.setInputs(in);
                    worker.startCt(&worker, true, 16, slice, true);
                },
                Qt::QueuedConnection);
            // Not done.wait(): the worker's thread may finish before the wait begins.
            QTRY_VERIFY_WITH_TIMEOUT(done.count() == 1, 20000);
            QCoreApplication::processEvents();
        }
    };

private slots:
    void initTestCase()
    {
        PhantomWriter::Settings s;
        s.outDir = m_dir.path();
        s.width = 32;
        s.height = 8;
        s.projections = 30;
        s.truth = false;
        QString error;
        QVERIFY2(PhantomWriter(s).write(&error), qPrintable(error));
        for (int k = 0; k < 30; ++k)
            QVERIFY(m_set.add(QDir(m_dir.path()).filePath("phantom.his"), k));
    }

    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void panelShowsTheWorkersSlice()
    {
        Rig rig;
        QVERIFY(!rig.panel.regionSet());
        rig.run(m_set, 4);
        const Ct2Result& r = rig.panel.lastResult();
        QVERIFY(r.values);
        QCOMPARE(rig.panel.ui.DispCt->image.size(), QSize(28, 28));
        QCOMPARE(rig.panel.ui.ShowSliceNo->text(), QString("4"));
        QCOMPARE(rig.panel.ui.Crx1->text(), QString("28"));
        QVERIFY(rig.panel.regionSet());
        QVERIFY(!rig.panel.ui.StartT->text().isEmpty());
        QVERIFY(!rig.panel.ui.EndT->text().isEmpty());
        ColorBar* bar = rig.panel.ui.DispCt->barForm.CBar;
        QCOMPARE(bar->minV, r.min);
        QCOMPARE(bar->maxV, r.max);
        QVERIFY(r.max > r.min);

        rig.panel.noticedNewPos(14.9, 13.2);
        QCOMPARE(rig.panel.ui.DispCt->pvForm.Val->text(),
                 QString::number((*r.values)[13 * 28 + 14], 'g', 6));
    }

    void theRegionAndFixedBarTravelToTheWorker()
    {
        Rig rig;
        ColorBar* bar = rig.panel.ui.DispCt->barForm.CBar;
        rig.panel.setFixColorScale(true);
        rig.panel.setCBarMinMaxForced(-1, 1);
        rig.panel.setCR(4, 4, 20, 20);
        rig.run(m_set, 2);
        QCOMPARE(bar->minV, -1.0);
        QCOMPARE(bar->maxV, 1.0);
        QCOMPARE(rig.panel.ui.Crx1->text(), QString("20"));
        const Ct2Result& r = rig.panel.lastResult();
        QVERIFY(!r.regionDefaulted);
        QCOMPARE((*r.values)[2 * 28 + 14], 0.0); // above the region
        // Mid grey for 0 through the forced range.
        QCOMPARE(qGray(rig.panel.ui.DispCt->image.pixel(1, 1)), 128);
    }

    void aBarChangeRedrawsTheKeptSlice()
    {
        Rig rig;
        rig.run(m_set, 3);
        ColorBar* bar = rig.panel.ui.DispCt->barForm.CBar;
        bar->ui.CMaxLE->setText(QString::number(bar->minV));
        emit bar->ui.CMaxLE->editingFinished();
        const QImage shown = rig.panel.ui.DispCt->image;
        QCOMPARE(shown.size(), QSize(28, 28));
        QCOMPARE(qGray(shown.pixel(14, 14)), 0); // an empty range maps everything to 0
    }
};

QTEST_MAIN(tst_ctcalc2ui)
#include "tst_ctcalc2ui.moc"
