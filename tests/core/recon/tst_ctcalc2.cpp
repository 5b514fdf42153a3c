#include "phantom/phantomwriter.h"
#include "recon/ctcalc2.h"
#include "recon/sinogrambuilder.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

// Multi-slice workers on their own threads, fed with copies, against the engine run directly.
class tst_ctcalc2 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ImgDatas m_set;
    Ct2Inputs m_inputs;
    static constexpr double Cor = 16;

    struct Worker {
        QThread thread;
        CtCalc2 calc;
        Worker()
        {
            calc.moveToThread(&thread);
            thread.start();
        }
        ~Worker()
        {
            thread.quit();
            thread.wait();
        }
        void start(CtCalc2* target, int slice, bool picture)
        {
            QMetaObject::invokeMethod(
                &calc, [=, this] { calc.startCt(target, true, Cor, slice, picture); },
                Qt::QueuedConnection);
        }
        void setInputs(const Ct2Inputs& in)
        {
            QMetaObject::invokeMethod(
                &calc, [=, this] { calc.setInputs(in); }, Qt::QueuedConnection);
        }
    };

    // The slice through the engine directly, with the multi-slice normalisation.
    std::vector<double> expected(int slice, int count)
    {
        SinogramRequest request;
        request.cor = Cor;
        request.slice = slice;
        HSgm sgm;
        if (!SinogramBuilder::build(*m_set.snapshot(), request, sgm))
            return {};
        const int n = (sgm.width / 2) * 2;
        FbpCore core;
        core.prepare(n, sgm.rows);
        core.clearResult();
        const ProcParams& p = m_inputs.params;
        const double delta = FbpAngles::delta(p.dataSetRangeDeg, p.dataSetImages);
        const double theta0 = FbpAngles::theta0(0, delta, p.angleOriginDeg);
        for (int r = 0; r < sgm.rows; ++r)
            core.forward(r, sgm.absorptionRow(r));
        for (int r = 0; r < sgm.rows; ++r)
            core.filterScaling(r, 1.0 / (double(n) * count));
        for (int r = 0; r < sgm.rows; ++r)
            core.backProject(r, FbpAngles::theta(r, delta, theta0), {0, 0, double(n), double(n)});
        return core.result();
    }

    static bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
    {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 8) == 0;
    }

    // Collects a worker's signal on this thread: the worker emits from its own thread, so the
    // list is only touched here.
    template <typename Signal, typename T>
    static void collect(CtCalc2* worker, Signal signal, QObject* here, QList<T>& out)
    {
        connect(
            worker, signal, here, [&out](const T& v) { out.append(v); }, Qt::QueuedConnection);
    }

private slots:
    void initTestCase()
    {
        PhantomWriter::Settings s;
        s.outDir = m_dir.path();
        s.width = 32;
        s.height = 104;
        s.projections = 40;
        s.truth = false;
        QString error;
        QVERIFY2(PhantomWriter(s).write(&error), qPrintable(error));
        const QString his = QDir(m_dir.path()).filePath("phantom.his");
        for (int k = 0; k < 40; ++k)
            QVERIFY(m_set.add(his, k));
        m_inputs.images = m_set.snapshot();
        m_inputs.params.dataSetImages = 40;
        m_inputs.params.usingImages = 40;
        m_inputs.params.dataSetRangeDeg = 180;
        m_inputs.params.angleOriginDeg = 12.5;
    }

    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void twoWorkersEqualOneDoingBoth()
    {
        Worker a, b, single;
        for (Worker* w : {&a, &b, &single}) {
            w->setInputs(m_inputs);
            QMetaObject::invokeMethod(
                &w->calc, [w] { w->calc.prepare(28, 40); }, Qt::QueuedConnection);
        }
        QObject here;
        QList<Ct2Result> ra, rb, rs;
        collect(&a.calc, &CtCalc2::resultReady, &here, ra);
        collect(&b.calc, &CtCalc2::resultReady, &here, rb);
        collect(&single.calc, &CtCalc2::resultReady, &here, rs);
        a.start(&a.calc, 100, false);
        b.start(&b.calc, 101, false);
        QTRY_COMPARE_WITH_TIMEOUT(ra.count() + rb.count(), 2, 20000);
        single.start(&single.calc, 100, false);
        QTRY_COMPARE_WITH_TIMEOUT(rs.count(), 1, 20000);
        single.start(&single.calc, 101, false);
        QTRY_COMPARE_WITH_TIMEOUT(rs.count(), 2, 20000);

        QCOMPARE(ra.at(0).slice, 100);
        QCOMPARE(rb.at(0).slice, 101);
        QCOMPARE(ra.at(0).n, 28);
        QVERIFY(sameBits(*ra.at(0).values, *rs.at(0).values));
        QVERIFY(sameBits(*rb.at(0).values, *rs.at(1).values));
        QVERIFY(sameBits(*ra.at(0).values, expected(100, 40)));
        QVERIFY(!sameBits(*ra.at(0).values, *rb.at(0).values));
    }

    void callsForOtherWorkersOrWhileBusyAreIgnored()
    {
        Worker a, b;
        a.setInputs(m_inputs);
        QObject here;
        QStringList events;
        connect(
            &a.calc, &CtCalc2::calcStarted, &here,
            [&](int slice) { events << QString::number(slice); }, Qt::QueuedConnection);
        connect(
            &a.calc, &CtCalc2::calcFinished, &here, [&] { events << "finished"; },
            Qt::QueuedConnection);
        a.start(&b.calc, 50, true);
        a.start(nullptr, 50, true);
        // A call for this worker, queued behind the two: whatever they sent arrives before the
        // end of its run.
        a.start(&a.calc, 51, false);
        QTRY_VERIFY_WITH_TIMEOUT(events.contains("51") && events.last() == "finished", 20000);
        QCOMPARE(events, (QStringList{"51", "finished"}));
    }

    void pictureForSavingAndSavingRecords()
    {
        Worker w;
        w.setInputs(m_inputs);
        QMetaObject::invokeMethod(
            &w.calc,
            [&w] {
                w.calc.prepare(28, 40);
                w.calc.setSaveImage(true, "/out/img", "sample", "E01");
                w.calc.setSaveData(true, "/out/dat", "", "E02");
            },
            Qt::QueuedConnection);
        QObject here;
        QList<std::pair<int, QImage>> images;
        QList<SavingImg> savedImages;
        QList<SavingData> savedData;
        QList<Ct2Result> results;
        connect(
            &w.calc, &CtCalc2::ctImage, &here,
            [&](int slice, const QImage& img) {
                images.append({slice, img});
            },
            Qt::QueuedConnection);
        collect(&w.calc, &CtCalc2::saveImgWDiscard, &here, savedImages);
        collect(&w.calc, &CtCalc2::saveDataWDiscard, &here, savedData);
        collect(&w.calc, &CtCalc2::resultReady, &here, results);
        w.start(&w.calc, 7, false);
        QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 20000);
        QCOMPARE(images.count(), 1);
        QCOMPARE(images.at(0).first, 7);
        QCOMPARE(images.at(0).second.size(), QSize(28, 28));
        QCOMPARE(savedImages.count(), 1);
        const SavingImg img = savedImages.at(0);
        QCOMPARE(img.path, QString("/out/img"));
        QCOMPARE(img.name, QString("sample"));
        QCOMPARE(img.tag, QString("E01"));
        QCOMPARE(img.number, QString("00007"));
        QCOMPARE(savedData.count(), 1);
        const SavingData data = savedData.at(0);
        QCOMPARE(data.number, QString("00007"));
        QVERIFY(data.data.startsWith("#CIRVO-CTImg\n# Range_X0       : 0\n"));
        QCOMPARE(data.data.count('\n'), 6 + 28 * 28);
        QVERIFY(results.at(0).regionDefaulted);
    }

    void theBarNumbersComeWithTheInputs()
    {
        Worker w;
        Ct2Inputs fixed = m_inputs;
        fixed.fixedScale = true;
        fixed.scale = {0, 1e-9, 0, 1};
        fixed.regionSet = true;
        fixed.region = {2, 3, 10, 12};
        w.setInputs(fixed);
        QObject here;
        QList<Ct2Result> results;
        collect(&w.calc, &CtCalc2::resultReady, &here, results);
        w.start(&w.calc, 50, true);
        QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 20000);
        const Ct2Result r = results.at(0);
        QVERIFY(!r.regionDefaulted);
        // A tiny fixed range saturates everything positive; nothing outside the region is set.
        QCOMPARE(qGray(r.picture.pixel(0, 0)), 0);
        bool saturated = false;
        for (int z = 3; z < 12; ++z)
            for (int x = 2; x < 10; ++x)
                saturated = saturated || qGray(r.picture.pixel(x, z)) == 255;
        QVERIFY(saturated);
        QCOMPARE((*r.values)[0], 0.0);
    }

    void emptySinogramStillFinishes()
    {
        Worker w;
        w.setInputs(m_inputs);
        QObject here;
        QList<Ct2Result> results;
        collect(&w.calc, &CtCalc2::resultReady, &here, results);
        QMetaObject::invokeMethod(
            &w.calc, [&w] { w.calc.startCt(&w.calc, true, 0.5, 3, true); }, Qt::QueuedConnection);
        QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 20000);
        QVERIFY(!results.at(0).values);
        QVERIFY(results.at(0).picture.isNull());
        QVERIFY(!w.calc.isBusy());
    }
};

QTEST_GUILESS_MAIN(tst_ctcalc2)
#include "tst_ctcalc2.moc"
