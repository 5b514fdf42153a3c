#include "imageio/imgdata.h"
#include "mainwindow/body.h"
#include "recon/sinogram.h"
#include "selectdatadir.h"
#include "testfile.h"
#include "testseries.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Sequential CT-XAFS runs through the window over a phantom energy series in each layout: the
// sets of From..To are loaded with the I0 image of their own energy, reconstructed and saved
// under their energy text, byte for byte as cirvo-recon --series writes them.
namespace
{

const QStringList Energies{"7080eV", "7100eV", "7120eV", "7140eV"};
const QStringList ZephTags{"7_08KeV", "7_1KeV", "7_12KeV", "7_14KeV"};
const char* const IdleStyle = "background-color: rgb(213, 245, 255);";
const char* const BusyStyle = "background-color: rgb(255, 255, 128);";

} // namespace

class tst_bodyxafs : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void sequence_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("keepOnNewSets");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<int>>("calculated"); // 1-based set numbers

        // From and To pass the 1-based numbers on as 0-based indices.
        QTest::newRow("dirs 2 to 4") << "dirs" << 2 << 4 << true << "" << QList<int>{2, 3, 4};
        // newSets fills From 1, To 4 unless kept.
        QTest::newRow("brel, range from the list")
            << "brel" << 9 << 9 << false << "" << QList<int>{1, 2, 3, 4};
        // A range beyond the list ends with "Finished" after the last set.
        QTest::newRow("zeph 2 to 9, energy folders")
            << "zeph" << 2 << 9 << true << "" << QList<int>{2, 3, 4};
        // A set that cannot be loaded whole must not be saved under its tag, and the run goes on.
        QTest::newRow("dirs, set 2 of another size")
            << "dirs" << 1 << 3 << true << "small set 2" << QList<int>{1, 3};
        // I0 files whose names hold no energy must not stand in for the right one.
        QTest::newRow("brel, I0 names without energy")
            << "brel" << 1 << 2 << true << "I0 without energy" << QList<int>{};
    }

    void sequence()
    {
        QFETCH(QString, layout);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, keepOnNewSets);
        QFETCH(QString, fault);
        QFETCH(QList<int>, calculated);

        QTemporaryDir tmp;
        const QDir root(tmp.path());
        writeTestSeries(root.filePath("series"), QStringLiteral("ph"), 48, 6, 60);
        const QDir series(root.filePath("series"));
        const bool zeph = layout == "zeph";
        if (fault == "small set 2") {
            QVERIFY(QDir(series.filePath("dirs/7100eV")).removeRecursively());
            PhantomWriter::Settings small;
            small.outDir = series.filePath("dirs/7100eV");
            small.width = 40;
            small.height = 6;
            small.projections = 60;
            small.layout = PhantomWriter::Layout::Img;
            small.truth = false;
            QVERIFY(PhantomWriter(small).write(nullptr));
        }
        QStringList i0Files = QDir(series.filePath("i0")).entryList(QDir::Files, QDir::Name);
        for (QString& f : i0Files)
            f = series.filePath("i0/" + f);
        if (fault == "I0 without energy") {
            for (int k = 0; k < i0Files.size(); ++k) {
                const QString renamed =
                    series.filePath(QStringLiteral("i0/open-%1-1.img").arg(QChar(u'a' + k)));
                QVERIFY(QFile::rename(i0Files[k], renamed));
                i0Files[k] = renamed;
            }
        }

        Body body(2);
        Ui_Body& ui = body.form();
        ui.procCtrl->setRotAxIsV(true);
        ui.procCtrl->setAutoExec(true);
        ui.procCtrl->setSliceFrom(2);
        ui.procCtrl->setThreads(2);
        ui.BGImgSel->fileSelected0(series.filePath("BG.img"));
        if (!zeph)
            ui.SelI0Files->selectFiles(i0Files);
        const QString out = root.filePath("out");
        ui.AutoSaveData->setChecked(true);
        ui.SelectDataSaveDir->setPath(out);
        ui.SelectDataSaveDir->setName("rec");
        ui.SaveInSubFolders->setChecked(zeph);
        ui.SubOfEnergy->setChecked(zeph);
        ui.keepOnNewSet->setChecked(keepOnNewSets);
        ui.SeqCalcFrom->setValue(from);
        ui.SeqCalcTo->setValue(to);

        SelectDataDir* dirs = ui.SelDDir;
        QSignalSpy newSets(dirs, &SelectDataDir::newSets);
        if (layout == "dirs") {
            dirs->setIsEngDirs(true);
            dirs->setDataDir(series.filePath("dirs"));
        } else if (layout == "brel") {
            dirs->setDataDir(series.filePath("brel"));
        } else {
            dirs->setIsZephStd(true);
            dirs->setDataDir(series.filePath("zeph"));
            dirs->setZephMetaFileName(series.filePath("zeph/ph.meta"));
        }
        QVERIFY(!newSets.isEmpty());
        QCOMPARE(newSets.last().at(0).toInt(), 4);
        QCOMPARE(ui.SeqCalcFrom->value(), keepOnNewSets ? from : 1);
        QCOMPARE(ui.SeqCalcTo->value(), keepOnNewSets ? to : 4);

        // "Set" loads the current set, the first, with its own I0 image and tag.
        QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
        dirs->findChild<QPushButton*>("Set")->click();
        QVERIFY(loaded.wait(20000));
        if (fault.isEmpty()) {
            QCOMPARE(QFileInfo(ui.I0ImgSel->currentImage()->fileName).fileName(),
                     zeph ? QStringLiteral("ph_1_I0.his") : QStringLiteral("I0-7080eV-001.img"));
            QCOMPARE(ui.SelectDataSaveDir->tag(), zeph ? ZephTags[0] : Energies[0]);
        }

        // What each loaded set was divided by, and its sinogram outside the object, where the
        // absorption is 0 when the I0 image is that of the set's own energy.
        QStringList i0Used;
        QList<double> outside;
        const auto* sinogram = qobject_cast<Sinogram*>(ui.SinogramImgBase->content());
        connect(&body, &Body::finishedLoadingCTFiles, this, [&] {
            const auto& i0 = ui.I0ImgSel->currentImage();
            i0Used << (i0 ? QDir(series.path()).relativeFilePath(i0->fileName) : QString());
            outside << sinogram->record().absorptionRow(0)[0];
        });
        QStringList stages;
        connect(ui.ProgressMsg, &QLineEdit::textChanged, this,
                [&stages](const QString& t) { stages << t; });
        connect(&body, &Body::finishedLoadingCTFiles, this,
                [&] { QCOMPARE(ui.SeqCalc->styleSheet(), QLatin1String(BusyStyle)); });

        ui.SeqCalc->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui.ProgressMsg->text(), QStringLiteral("Finished"), 60000);
        QCOMPARE(ui.SeqCalc->styleSheet(), QLatin1String(IdleStyle));

        const int first = keepOnNewSets ? from : 1;
        const int last = std::min(keepOnNewSets ? to : 4, 4);
        QStringList expectedStages{"Data Loading", "Loading first Data Set"};
        QStringList expectedI0;
        for (int set = first; set <= last; ++set) {
            if (set > first)
                expectedStages << "Loading next Data Set";
            expectedStages << "Calculating";
            if (!calculated.contains(set))
                expectedStages << "Skipped";
            expectedStages << "Finished Calc.";
            expectedI0 << (zeph ? QStringLiteral("zeph/ph_%1_I0.his").arg(set)
                                : QStringLiteral("i0/I0-%1-001.img").arg(Energies[set - 1]));
        }
        expectedStages << "Loading next Data Set"
                       << "Finished";
        for (QString& stage : stages)
            if (stage.startsWith("Skipped"))
                stage = "Skipped";
        QCOMPARE(stages, expectedStages);

        QStringList expectedFiles;
        for (int set : calculated)
            for (int slice = 2; slice <= 5; ++slice) {
                const QString tag = zeph ? ZephTags[set - 1] : Energies[set - 1];
                expectedFiles << QStringLiteral("%1rec-%2-0000%3.dat")
                                     .arg(zeph ? tag + "/" : QString(), tag)
                                     .arg(slice);
            }
        expectedFiles.sort();
        QTRY_COMPARE(filesBelow(out), expectedFiles);
        if (!fault.isEmpty())
            return;
        QCOMPARE(i0Used, expectedI0);
        for (double v : outside)
            QVERIFY2(std::abs(v) < 1e-3, qPrintable(QString::number(v)));

        // The same series through cirvo-recon with the window's settings: the same bytes. The
        // window's region after a load is the whole line, wider than the slice.
        const QString recon = root.filePath("recon");
        QStringList args{"--series", series.filePath(layout),
                         "--layout", layout,
                         "--slices", "2:5",
                         "--region", "0,0,47,47",
                         "--save",   "data",
                         "--out",    recon,
                         "--name",   "rec",
                         "--bg",     series.filePath("BG.img"),
                         "--sets",   QStringLiteral("%1:%2").arg(first).arg(last)};
        args << (zeph ? QStringList{"--meta", series.filePath("zeph/ph.meta"), "--sub-folders",
                                    "energy"}
                      : QStringList{"--i0-dir", series.filePath("i0")});
        QProcess tool;
        tool.start(CIRVO_RECON_EXE, args);
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        QCOMPARE(filesBelow(recon), expectedFiles);
        for (const QString& file : expectedFiles)
            QVERIFY2(fileBytes(QDir(out).filePath(file)) == fileBytes(QDir(recon).filePath(file)),
                     qPrintable(file));
    }

    void stageTimes_data()
    {
        QTest::addColumn<qulonglong>("ms");
        QTest::addColumn<QString>("delta");
        QTest::newRow("3250 ms, tenths truncated") << qulonglong(3250) << "3.2";
        QTest::newRow("under a tenth") << qulonglong(99) << "0";
        QTest::newRow("long stage, 6 digits") << qulonglong(1234567) << "1234.5";
    }

    void stageTimes()
    {
        QFETCH(qulonglong, ms);
        QFETCH(QString, delta);
        Body body(1);
        emit body.stage("Calculating", ms);
        QCOMPARE(body.form().DeltaET->text(), delta);
        QCOMPARE(body.form().ProgressMsg->text(), QStringLiteral("Calculating"));
    }
};

QTEST_MAIN(tst_bodyxafs)
#include "tst_bodyxafs.moc"
