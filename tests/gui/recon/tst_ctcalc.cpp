#include "ctcalc.h"
#include "imageio/imgdatas.h"
#include "phantom/phantomwriter.h"
#include "procctrl.h"
#include "recon/procparams.h"
#include "recon/sinogrambuilder.h"
#include "sinogram.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

// CT1 on a small phantom data set: the panel's runs against the engine driven directly.
class tst_ctcalc : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ImgDatas m_set;

    struct Rig {
        ProcCtrl proc;
        Sinogram sinogram;
        ProcParams params;
        CtCalc calc{&params};

        explicit Rig(ImgDatas& set)
        {
            sinogram.setImgDatas(&set);
            sinogram.setProcCtrl(&proc);
            proc.setRotAxIsV(true);
            proc.setDataSetImages(set.count());
            proc.setSliceNo(4);
            proc.setCor(32);
            proc.takeSnapshot(params, true, false);
            calc.setSinogram(&sinogram);
            connect(&calc, &CtCalc::askToStartCalc, &calc, &CtCalc::calcCt);
        }
    };

    // The slice computed straight through the engine, for comparison.
    std::vector<double> expected(const ProcParams& p, const FbpRegion& region)
    {
        SinogramRequest request;
        request.rotAxIsV = true;
        request.cor = 32;
        request.slice = 4;
        HSgm sgm;
        if (!SinogramBuilder::build(*m_set.snapshot(), request, sgm))
            return {};
        FbpCore core;
        const int n = (sgm.width / 2) * 2;
        core.prepare(n, sgm.rows);
        core.clearResult();
        const double delta = FbpAngles::delta(p.dataSetRangeDeg, p.dataSetImages);
        const double theta0 = FbpAngles::theta0(p.startImageNo, delta, p.angleOriginDeg);
        for (int r = 0; r < sgm.rows; ++r)
            core.forward(r, sgm.absorptionRow(r));
        for (int r = 0; r < sgm.rows; ++r)
            core.filterDividing(r, sgm.rows);
        for (int r = 0; r < sgm.rows; ++r)
            core.backProject(r, FbpAngles::theta(r, delta, theta0), region);
        return core.result();
    }

    static bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
    {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 8) == 0;
    }

private slots:
    void initTestCase()
    {
        PhantomWriter::Settings s;
        s.outDir = m_dir.path();
        s.width = 64;
        s.height = 8;
        s.projections = 60;
        s.truth = false;
        QString error;
        QVERIFY2(PhantomWriter(s).write(&error), qPrintable(error));
        const QString his = QDir(m_dir.path()).filePath("phantom.his");
        for (int k = 0; k < 60; ++k)
            QVERIFY(m_set.add(his, k));
    }

    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void atOnceMatchesTheEngine()
    {
        Rig rig(m_set);
        QSignalSpy finished(&rig.calc, &CtCalc::calcFinished);
        QTest::mouseClick(rig.calc.ui.StartCalc, Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.count(), 1);
        QVERIFY(rig.calc.core().resultValid());
        QCOMPARE(rig.calc.core().n(), 60);
        QCOMPARE(rig.calc.ui.Crx1->text(), QString("60"));
        QVERIFY(sameBits(rig.calc.core().result(), expected(rig.params, {0, 0, 60, 60})));
        QCOMPARE(rig.calc.ui.ShowSliceNo->text(), QString("4"));
        const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$");
        QVERIFY(time.match(rig.calc.ui.StartT->text()).hasMatch());
        QVERIFY(time.match(rig.calc.ui.EndT->text()).hasMatch());
        QCOMPARE(rig.calc.ui.DispCt->image.size(), QSize(60, 60));
        QVERIFY(!rig.calc.isRunning());
    }

    void oneByOneGivesTheSameSlice()
    {
        Rig rig(m_set);
        rig.calc.ui.CalcAtOnce->setChecked(false);
        rig.calc.setCR(10, 5, 50, 40);
        QSignalSpy finished(&rig.calc, &CtCalc::calcFinished);
        QSignalSpy steps(&rig.calc, &CtCalc::finishedCalcOne);
        rig.calc.calcCt();
        QVERIFY(rig.calc.isRunning());
        QVERIFY(finished.wait(20000));
        QCOMPARE(steps.count(), 60);
        QVERIFY(sameBits(rig.calc.core().result(), expected(rig.params, {10, 5, 50, 40})));
    }

    void stopKeepsWhatIsDone()
    {
        Rig rig(m_set);
        rig.calc.ui.CalcAtOnce->setChecked(false);
        QSignalSpy finished(&rig.calc, &CtCalc::calcFinished);
        QSignalSpy steps(&rig.calc, &CtCalc::finishedCalcOne);
        connect(&rig.calc, &CtCalc::finishedCalcOne, &rig.calc, [&] {
            if (rig.calc.isRunning())
                rig.calc.calcCt();
        });
        rig.calc.calcCt();
        QVERIFY(finished.wait(10000));
        // The stop ends the pacing thread; once it has ended, all it asked for is queued here.
        auto* pacing = rig.calc.findChild<QThread*>();
        QVERIFY(pacing && pacing->wait(10000));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(steps.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!rig.calc.isRunning());
        QVERIFY(rig.calc.core().resultValid());
        QVERIFY(!sameBits(rig.calc.core().result(), expected(rig.params, {0, 0, 60, 60})));
        bool touched = false;
        for (double v : rig.calc.core().result())
            touched = touched || v != 0;
        QVERIFY(touched);
    }

    void noSinogramEndsAtOnce()
    {
        // Nothing to reconstruct: the run ends at once, so the window does not wait for ever.
        ImgDatas empty;
        Rig rig(empty);
        QSignalSpy finished(&rig.calc, &CtCalc::calcFinished);
        rig.calc.calcCt();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!rig.calc.isRunning());
        QVERIFY(!rig.calc.ui.StartT->text().isEmpty());
        QVERIFY(rig.calc.core().result().empty());
    }

    void regions()
    {
        ProcParams params;
        CtCalc calc(&params);
        QVERIFY(!calc.regionSet());
        QCOMPARE(calc.ui.Crx1->text(), QString("2047"));
        QSignalSpy cr(&calc, &CtCalc::cRUpdated);
        calc.setCR(0, 0, 2047, 2047);
        QCOMPARE(cr.count(), 0);
        QVERIFY(!calc.regionSet());
        calc.setCR(0, 0, 2047, 1000);
        QCOMPARE(cr.count(), 1);
        QVERIFY(calc.regionSet());
        calc.setCR(0.1234567, 0, 2047, 1000);
        QCOMPARE(calc.ui.Crx0->text(), QString("0.123457"));

        QSignalSpy dr(&calc, &CtCalc::dRUpdated);
        calc.noticedNewS(QRectF(1.5, 2.25, 10, 20));
        QCOMPARE(dr.count(), 1);
        QCOMPARE(calc.ui.DispCt->view, QRectF(1.5, 2.25, 10, 20));
        calc.noticedNewS(QRectF(1.5, 2.25, 10, 20));
        QCOMPARE(dr.count(), 1);
        QTest::mouseClick(calc.ui.SetCRegion, Qt::LeftButton);
        QCOMPARE(calc.ui.Crx0->text(), QString("1"));
        QCOMPARE(calc.ui.Crz0->text(), QString("2"));
        QCOMPARE(calc.ui.Crx1->text(), QString("12"));
        QCOMPARE(calc.ui.Crz1->text(), QString("23"));
    }

    void valueReadOut()
    {
        Rig rig(m_set);
        QSignalSpy finished(&rig.calc, &CtCalc::calcFinished);
        rig.calc.calcCt();
        QVERIFY(finished.wait(10000));
        const double centre = rig.calc.core().result()[size_t(30) * 60 + 31];
        rig.calc.noticedNewPos(31.7, 30.2);
        QCOMPARE(rig.calc.ui.DispCt->pvForm.Val->text(), QString::number(centre, 'g', 6));
        rig.calc.ui.DispCt->pvForm.Val->clear();
        rig.calc.noticedNewPos(60, 3);
        rig.calc.noticedNewPos(-1.5, 3);
        QVERIFY(rig.calc.ui.DispCt->pvForm.Val->text().isEmpty());
    }
};

QTEST_MAIN(tst_ctcalc)
#include "tst_ctcalc.moc"
