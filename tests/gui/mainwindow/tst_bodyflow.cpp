#include "display/rawdisp.h"
#include "mainwindow/body.h"
#include "phantom/phantomwriter.h"
#include "recon/ctcalc.h"
#include "recon/ctcalc2.h"
#include "recon/ctcalc2ui.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// A phantom data set of 64 x 12 pixels, vertical axis at 32, 90 projections over 180 degrees.
struct DataSet {
    QTemporaryDir dir;
    QString projections;
    QString i0;
    QString bg;

    DataSet()
    {
        PhantomWriter::Settings s;
        s.outDir = dir.filePath(QStringLiteral("set"));
        s.width = 64;
        s.height = 12;
        s.projections = 90;
        s.truth = false;
        QString error;
        if (!PhantomWriter(s).write(&error))
            qWarning("cannot write the phantom: %s", qPrintable(error));
        const QDir out(s.outDir);
        projections = out.filePath(QStringLiteral("phantom.his"));
        i0 = out.filePath(QStringLiteral("I0.img"));
        bg = out.filePath(QStringLiteral("BG.img"));
    }
};

CtCalc* ct1(Body& body)
{
    return qobject_cast<CtCalc*>(body.form().CtImgBase->content());
}

// Selects the data set in the window's selectors and waits until it has been loaded.
bool load(Body& body, const DataSet& data)
{
    Ui_Body& ui = body.form();
    ui.I0ImgSel->fileSelected0(data.i0);
    ui.BGImgSel->fileSelected0(data.bg);
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    ui.CTFiles->selectFiles({data.projections});
    return loaded.wait(10000);
}

// Clicks "Calc" and waits for the end of the calculation.
bool calculate(Body& body)
{
    QSignalSpy finished(&body, &Body::calcFinished);
    body.form().CalcCT->click();
    return finished.count() > 0 || finished.wait(30000);
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

void saveInto(Body& body, const QString& dir)
{
    Ui_Body& ui = body.form();
    ui.AutoSaveImage->setChecked(true);
    ui.AutoSaveData->setChecked(true);
    for (SelectAFile* selector : {ui.SelectImageSaveDir, ui.SelectDataSaveDir}) {
        selector->setPath(dir);
        selector->setName(QStringLiteral("rec"));
        selector->setTag(QStringLiteral("e1"));
    }
}

void multiSlice(Body& body, int from, int to, int step, int threads)
{
    ProcCtrl* pc = body.form().procCtrl;
    pc->setAutoExec(true);
    pc->setSliceFrom(from);
    pc->setSliceTo(to);
    pc->setSliceStep(step);
    pc->setThreads(threads);
}

QList<int> slicesStarted(const QSignalSpy& spy)
{
    QList<int> slices;
    for (const QList<QVariant>& args : spy)
        slices << args.at(3).toInt();
    return slices;
}

} // namespace

class tst_bodyflow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void loadDefaultsCt1AndCt2()
    {
        DataSet data;
        QVERIFY(data.dir.isValid());
        Body body(2);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);
        QVERIFY(load(body, data));

        QCOMPARE(ui.procCtrl->sliceTo(), 11);
        QCOMPARE(ui.procCtrl->sliceNo(), 6);
        QCOMPARE(ui.procCtrl->cor(), 32.0);
        QCOMPARE(ui.procCtrl->dataSetImages(), 90);
        QCOMPARE(ui.seekCtrl->ui.Index->maximum(), 89);
        const FbpRegion region = ct1(body)->calcRegion();
        QCOMPARE(region.x0, 0.0);
        QCOMPARE(region.z0, 0.0);
        QCOMPARE(region.x1, 63.0);
        QCOMPARE(region.z1, 63.0);
        QCOMPARE(ui.CTFiles->ui.Selected->count(), 90);

        // CT1, all projections at once.
        ct1(body)->ui.CalcAtOnce->setChecked(true);
        QVERIFY(calculate(body));
        QTRY_VERIFY(ct1(body)->core().resultValid());
        QVERIFY(!body.isCalculating());
        QVERIFY(ui.CalcEndT->text() != QLatin1String("--"));

        // CT2 over slices 2, 5, 8, 11 on two workers, saving pictures and data.
        const QString out = data.dir.filePath(QStringLiteral("out"));
        saveInto(body, out);
        multiSlice(body, 2, 11, 3, 2);
        QVERIFY(ui.SelectCt2->isChecked());
        QSignalSpy started(&body, &Body::startCt);
        QVERIFY(calculate(body));
        QCOMPARE(slicesStarted(started), (QList<int>{2, 5, 8, 11}));
        QCOMPARE(ui.ProgPerCent->text(), QStringLiteral("100.0 %"));
        const QStringList expected{"rec-e1-00002.dat", "rec-e1-00002.png", "rec-e1-00005.dat",
                                   "rec-e1-00005.png", "rec-e1-00008.dat", "rec-e1-00008.png",
                                   "rec-e1-00011.dat", "rec-e1-00011.png"};
        QTRY_COMPARE(filesIn(out), expected);
        QFile text(QDir(out).filePath(QStringLiteral("rec-e1-00005.dat")));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readLine(), QByteArray("#CIRVO-CTImg\n"));
        QCOMPARE(text.readLine(), QByteArray("# Range_X0       : 0\n"));
        QVERIFY(QImage(QDir(out).filePath(QStringLiteral("rec-e1-00005.png"))).width() > 0);
    }

    void keepConditionsKeepsTheValues()
    {
        DataSet data;
        Body body(1);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);
        QVERIFY(load(body, data));
        ui.procCtrl->setSliceNo(3);
        ui.procCtrl->setSliceTo(7);
        ui.procCtrl->setCor(30.5);
        ct1(body)->setCR(4, 4, 40, 40);

        ui.CTFiles->ui.KeepConditions->setChecked(true);
        QVERIFY(load(body, data));
        QCOMPARE(ui.procCtrl->sliceNo(), 3);
        QCOMPARE(ui.procCtrl->sliceTo(), 7);
        QCOMPARE(ui.procCtrl->cor(), 30.5);
        QCOMPARE(ct1(body)->calcRegion().x1, 40.0);

        ui.CTFiles->ui.KeepConditions->setChecked(false);
        QVERIFY(load(body, data));
        QCOMPARE(ui.procCtrl->sliceNo(), 6);
        QCOMPARE(ui.procCtrl->sliceTo(), 11);
        QCOMPARE(ui.procCtrl->cor(), 32.0);
        QCOMPARE(ct1(body)->calcRegion().x1, 63.0);
    }

    void pacing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<QList<int>>("first");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QList<int>>("all");
        QTest::newRow("0 to 9 step 2")
            << 0 << 9 << 2 << QList<int>{0, 2, 4, 6} << "20.0 %" << QList<int>{0, 2, 4, 6, 8};
        QTest::newRow("downward 9 to 0 step 3")
            << 9 << 0 << 3 << QList<int>{9, 6, 3, 0} << "25.0 %" << QList<int>{9, 6, 3, 0};
    }

    void pacing()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, step);
        QFETCH(QList<int>, first);
        QFETCH(QString, progress);
        QFETCH(QList<int>, all);
        DataSet data;
        Body body(4);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);
        QVERIFY(load(body, data));
        multiSlice(body, from, to, step, 4);
        QSignalSpy started(&body, &Body::startCt);
        QSignalSpy finished(&body, &Body::calcFinished);
        ui.CalcCT->click();
        QCOMPARE(slicesStarted(started), first);
        QCOMPARE(ui.ProgPerCent->text(), progress);
        QVERIFY(body.isCalculating());
        QVERIFY(finished.wait(30000));
        QCOMPARE(slicesStarted(started), all);
        QCOMPARE(ui.ProgPerCent->text(), QStringLiteral("100.0 %"));
    }

    void stoppingLetsStartedSlicesFinish()
    {
        DataSet data;
        Body body(2);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);
        QVERIFY(load(body, data));
        const QString out = data.dir.filePath(QStringLiteral("out"));
        saveInto(body, out);
        ui.AutoSaveImage->setChecked(false);
        multiSlice(body, 0, 11, 1, 2);
        QSignalSpy started(&body, &Body::startCt);
        ui.CalcCT->click();
        QCOMPARE(started.count(), 2);
        QList<CtCalc2*> workers;
        for (const QList<QVariant>& args : std::as_const(started))
            workers << args.at(0).value<CtCalc2*>();
        ui.CalcCT->click();
        QVERIFY(!body.isCalculating());
        // The two slices handed out are still computed and saved; no further one starts. A call
        // blocking on each worker returns after its slice, whose end is then queued here.
        for (CtCalc2* worker : workers)
            QMetaObject::invokeMethod(
                worker, [] {}, Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(started.count(), 2);
        QTRY_COMPARE(filesIn(out), (QStringList{"rec-e1-00000.dat", "rec-e1-00001.dat"}));
    }

    void regionsAndColourScaleFollowEveryPanel()
    {
        Body body(2);
        Ui_Body& ui = body.form();
        const QList<CtCalc2Ui*> ct2 = ui.ImgsTab->widget(3)->findChildren<CtCalc2Ui*>();
        QCOMPARE(ct2.size(), 1);
        ct1(body)->setCR(5, 6, 50, 60);
        QCOMPARE(ct2.first()->calcRegion().x1, 50.0);
        QCOMPARE(ct2.first()->calcRegion().z1, 60.0);
        ct2.first()->setDR(1, 2, 30, 40);
        QCOMPARE(ct1(body)->ui.Drx1->text(), QStringLiteral("30"));

        ui.ColorMin->setText(QStringLiteral("-0.5"));
        ui.ColorMax->setText(QStringLiteral("2.5"));
        ui.FixColorScale->setChecked(true);
        for (CtPanel* panel :
             {static_cast<CtPanel*>(ct1(body)), static_cast<CtPanel*>(ct2.first())}) {
            const ColorBar* bar = panel->ui.DispCt->barForm.CBar;
            QVERIFY(bar->isFixed());
            QCOMPARE(bar->minV, -0.5);
            QCOMPARE(bar->maxV, 2.5);
        }
    }

    void i0FileSetListsItsFiles()
    {
        Body body(1);
        SelectDataFiles* set = body.form().SelI0Files;
        set->selectFiles({"/d/I0-8340_5eV-001.img", "/d/I0-8.35keV-001.img"});
        QCOMPARE(set->ui.Selected->count(), 2);
        set->selectFiles({"/d/I0-9000eV-001.img"});
        QCOMPARE(set->ui.Selected->count(), 1);
        QCOMPARE(set->ui.Selected->itemText(0), QStringLiteral("/d/I0-9000eV-001.img"));
    }

    void interlocksAndClicks()
    {
        DataSet data;
        Body body(1);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);

        // Nothing loaded: "Calc" does nothing.
        ui.CalcCT->click();
        QVERIFY(!body.isCalculating());

        ui.procCtrl->setAutoExec(true);
        QVERIFY(ui.SelectCt2->isChecked());
        ui.SelectCt1->click();
        QVERIFY(!ui.procCtrl->autoExec());

        QVERIFY(load(body, data));
        auto* raw = qobject_cast<RawDisp*>(ui.RawImgBase->content());
        QVERIFY(raw);
        emit raw->selectedAPoint(40.4, 9.7, MouseC::RightNone);
        QCOMPARE(ui.procCtrl->cor(), 40.4);
        emit raw->selectedAPoint(40.4, 9.7, MouseC::LeftNone);
        QCOMPARE(ui.procCtrl->sliceNo(), 9);
        emit raw->selectedAPoint(20.0, 2.0, MouseC::LeftCtrl);
        QCOMPARE(ui.procCtrl->sliceNo(), 9);
        QCOMPARE(ui.procCtrl->cor(), 40.4);
    }
};

QTEST_MAIN(tst_bodyflow)
#include "tst_bodyflow.moc"
