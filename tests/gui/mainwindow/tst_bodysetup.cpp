#include "config/linefile.h"
#include "mainwindow/body.h"
#include "messagelog.h"
#include "phantom/phantomwriter.h"
#include "testfile.h"

#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// The settings of a window that nobody has touched.
const char* const DefaultSetup = "### Cirvo setup saving setup file\n"
                                 "\n"
                                 "## Original Images\n"
                                 "\n"
                                 "images_new_on_load       1\n"
                                 "images_keep_setup        0\n"
                                 "images_multi             0 180\n"
                                 "images_seek              0\n"
                                 "i0_load                  \n"
                                 "bg_load                  \n"
                                 "\n"
                                 "## CT Reconstruction setting\n"
                                 "\n"
                                 "ct_proc_slice            1000\n"
                                 "ct_angle_origin          0\n"
                                 "ct_dataset_range         180\n"
                                 "ct_use_partial_data_set   0\n"
                                 "ct_dataset_using_images  180\n"
                                 "ct_dataset_start_image_no 0\n"
                                 "ct_auto_exec             0\n"
                                 "ct_slice_from            0\n"
                                 "ct_slice_to              2047\n"
                                 "ct_slice_step            1\n"
                                 "ct_threads               1\n"
                                 "ct_cor                   1000\n"
                                 "ct_rot_ax_is_h           1\n"
                                 "ct_recorded_cor_1        -1 0\n"
                                 "ct_recorded_cor_2        -1 0\n"
                                 "\n"
                                 "## CT Reconstruction calculation\n"
                                 "\n"
                                 "calc_ct1                 1\n"
                                 "calc_show_res            0\n"
                                 "fix_color_scale          0\n"
                                 "fix_color_min            0\n"
                                 "fix_color_max            1\n"
                                 "auto_save_image          0\n"
                                 "auto_save_image_path     \n"
                                 "auto_save_image_name     \n"
                                 "auto_save_image_tag      \n"
                                 "auto_save_data           0\n"
                                 "auto_save_data_path      \n"
                                 "auto_save_data_name      \n"
                                 "auto_save_data_tag       \n"
                                 "auto_save_data_upper_limit 10\n"
                                 "auto_save_data_lower_limit -10\n"
                                 "auto_save_data_offset    10\n"
                                 "auto_save_in_sub_folders 0\n"
                                 "auto_save_in_sub_folders_of_energy 0\n"
                                 "\n"
                                 "## Additional Settings for CT-XAFS\n"
                                 "\n"
                                 "add_inf_show             0\n"
                                 "add_inf_Eng_Dirs         0\n"
                                 "add_inf_Brel_standard    1\n"
                                 "add_inf_Zeph_standard    0\n"
                                 "seq_exec_dir             \n"
                                 "seq_exec_file_pattern    *.img\n"
                                 "seq_exec_keep_range_on_new_set 0\n"
                                 "\n"
                                 "## Reconstruction quality and outputs\n"
                                 "\n"
                                 "ct_filter                ramp\n"
                                 "ct_filter_pad            0\n"
                                 "ct_rings                 off\n"
                                 "ct_single_precision      0\n"
                                 "auto_save_float_tiff     0\n"
                                 "auto_save_tiff_stack     0\n"
                                 "auto_save_hdf5           0\n";

QByteArray save(Body& body, const QString& path)
{
    QMetaObject::invokeMethod(&body, "saveSetup", Q_ARG(QString, path));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void load(Body& body, const QString& path)
{
    QMetaObject::invokeMethod(&body, "loadSetup", Q_ARG(QString, path));
}

QByteArray lineOf(const QByteArray& setup, const QByteArray& key)
{
    for (const QByteArray& line : setup.split('\n'))
        if (line.startsWith(key + ' '))
            return line;
    return {};
}

// Four 16 x 8 projections, one file each, with I0 and BG, in a folder whose name has a blank.
QStringList writeImages(const QTemporaryDir& dir)
{
    PhantomWriter::Settings s;
    s.outDir = dir.filePath(QStringLiteral("my data"));
    s.width = 16;
    s.height = 8;
    s.projections = 4;
    s.layout = PhantomWriter::Layout::Img;
    s.truth = false;
    QString error;
    if (!PhantomWriter(s).write(&error))
        qFatal("cannot write the phantom: %s", qPrintable(error));
    QStringList files;
    for (int k = 0; k < 4; ++k)
        files << s.outDir + QStringLiteral("/phantom_0000%1.img").arg(k);
    return files;
}

bool loadImages(Body& body, const QStringList& files)
{
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    body.form().CTFiles->selectFiles(files);
    return loaded.wait(10000);
}

// Every key away from its default, texts with blanks, and both pattern lines present.
void changeEverything(Ui_Body& ui, const QString& dir)
{
    ui.CTFiles->ui.AddFiles->setChecked(true);
    ui.CTFiles->ui.KeepConditions->setChecked(true);
    ui.CTFiles->setMulti(true, 7);
    ui.seekCtrl->ui.Index->setValue(2);
    ui.I0ImgSel->fileSelected0(dir + "/I0.img");
    ui.BGImgSel->fileSelected0(dir + "/BG.img");
    ProcCtrl* pc = ui.procCtrl;
    pc->setSliceNo(5);
    pc->setAngleOriginDeg(12.5);
    pc->setDataSetRangeDeg(1500000);
    pc->setUsePartialDataSet(true);
    pc->setDataSetUsingImages(3);
    pc->setDataSetStartImageNo(1);
    pc->setAutoExec(true);
    pc->setSliceFrom(2);
    pc->setSliceTo(6);
    pc->setSliceStep(2);
    pc->setThreads(2);
    pc->setCor(7.25);
    pc->setRotAxIsV(true);
    pc->setRecord(1, 3, 7.5);
    pc->setRecord(2, 4, 8.125);
    ui.ShowCalcRes->setChecked(true);
    ui.FixColorScale->setChecked(true);
    ui.ColorMin->setText("-0.5");
    ui.ColorMax->setText("2.5e-07");
    for (SelectAFile* saving : {ui.SelectImageSaveDir, ui.SelectDataSaveDir}) {
        saving->setPath(dir + "/out");
        saving->setName("slice a");
        saving->setTag("e1");
    }
    ui.AutoSaveImage->setChecked(true);
    ui.AutoSaveData->setChecked(true);
    ui.DataUpperLimit->setText("100");
    ui.DataLowerLimit->setText("-100.5");
    ui.DataOffset->setText("0.25");
    ui.SaveInSubFolders->setChecked(true);
    ui.SubOfEnergy->setChecked(true);
    ui.ShowAdditionalInfo->setChecked(true);
    ui.SelDDir->setIsEngDirs(true);
    ui.SelDDir->setDataDir(dir);
    ui.SelDDir->setPattern("*.his *.img");
    ui.SelI0Files->selectFilesInDir(dir, {"I0*"});
    ui.keepOnNewSet->setChecked(true);
    ui.procCtrl->setFilter({FbpFilter::Window::Hann, true});
    ui.procCtrl->setRings({RingOptions::Method::Sort, 15});
    ui.procCtrl->setSinglePrecision(true);
    ui.SaveFloatTiff->setChecked(true);
    ui.SaveTiffStack->setChecked(true);
    ui.SaveHdf5->setChecked(true);
}

} // namespace

class tst_bodysetup : public QObject
{
    Q_OBJECT

private slots:
    void defaultWindow()
    {
        QTemporaryDir dir;
        Body body(2);
        QCOMPARE(save(body, dir.filePath("a.cfg")), QByteArray(DefaultSetup));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        const QStringList images = writeImages(dir);
        const QString data = QFileInfo(images.first()).absolutePath();
        Body a(2);
        QVERIFY(loadImages(a, images));
        changeEverything(a.form(), data);
        const QByteArray first = save(a, dir.filePath("first.cfg"));
        // A key left at its default would go untested; of the three layouts only two can change.
        for (const QByteArray& line : QByteArray(DefaultSetup).split('\n'))
            QVERIFY2(line.isEmpty() || line.startsWith('#') ||
                         line.startsWith("add_inf_Zeph_standard") || !first.contains(line + '\n'),
                     line);
        QCOMPARE(lineOf(first, "#images_load"),
                 "#images_load             \"" + data.toUtf8() + "\" *.img");
        QCOMPARE(lineOf(first, "seq_exec_select_i0"),
                 "seq_exec_select_i0       \"" + data.toUtf8() + "\" *.img");

        Body b(2);
        QVERIFY(loadImages(b, images));
        load(b, dir.filePath("first.cfg"));
        // "add_inf_show" checks its box too, so the frames and the box agree and read back.
        QVERIFY(!b.form().AdditionalInfo->isHidden());
        QCOMPARE(save(b, dir.filePath("second.cfg")).split('\n'), first.split('\n'));
    }

    // Lines loaded into a new window, and the line the window then writes for that key.
    void loadedLines_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("rotAxSignals");
        const struct {
            const char *fault, *lines, *written;
            int rotAxSignals;
        } rows[] = {
            {"blank before 0 misread", "ct_use_partial_data_set 1\nct_use_partial_data_set   0",
             "ct_use_partial_data_set   0", 0},
            {"key case", "CT_COR 512.5", "ct_cor                   512.5", 0},
            {"real notation", "ct_dataset_range 1500000", "ct_dataset_range         1.5e+06", 0},
            {"long key glued", "ct_dataset_start_image_no 7", "ct_dataset_start_image_no 7", 0},
            {"longest key glued", "auto_save_in_sub_folders_of_energy 1",
             "auto_save_in_sub_folders_of_energy 1", 0},
            {"unchanged axis reported", "ct_rot_ax_is_h 0\nct_rot_ax_is_h 0",
             "ct_rot_ax_is_h           0", 1},
            {"unchanged default axis reported", "ct_rot_ax_is_h 1", "ct_rot_ax_is_h           1",
             0},
            {"filter name case", "ct_filter Shepp-Logan", "ct_filter                shepp-logan",
             0},
            {"unknown filter taken", "ct_filter hann\nct_filter gauss",
             "ct_filter                hann", 0},
            {"ring strength lost", "ct_rings dead:7.5", "ct_rings                 dead:7.5", 0},
            {"bad ring strength taken", "ct_rings sort:21\nct_rings sort:2",
             "ct_rings                 sort:21", 0},
        };
        for (const auto& r : rows)
            QTest::newRow(r.fault) << QString(r.lines) << QByteArray(r.written) << r.rotAxSignals;
    }

    void loadedLines()
    {
        QFETCH(QString, lines);
        QFETCH(QByteArray, written);
        QFETCH(int, rotAxSignals);
        QTemporaryDir dir;
        Body body(2);
        QSignalSpy rotAx(body.form().procCtrl, &ProcCtrl::rotAxUpdated);
        load(body, writeTestFile(dir, "in.cfg", lines.toUtf8()));
        QCOMPARE(lineOf(save(body, dir.filePath("out.cfg")), written.split(' ').first()), written);
        QCOMPARE(rotAx.count(), rotAxSignals);
    }

    void textItems_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("readBack");
        const struct {
            const char *fault, *value, *written, *readBack;
        } rows[] = {
            {"plain text quoted needlessly", "rec", "rec", "rec"},
            {"blank cuts the value", "slice a", "\"slice a\"", "slice a"},
            {"leading blank lost", " a", "\" a\"", " a"},
            {"tab cuts the value", "a\tb", "\"a\tb\"", "a\tb"},
            {"inner quote lost", "a\"b", "a\"b", "a\"b"},
            {"end quote lost", "ab\"", "ab\"", "ab\""},
            {"leading quote opens an item", "\"ab", "ab", "ab"},
            {"quote and blank end the item early", "a \"b\"", "\"a b\"", "a b"},
            {"line break starts a command", "a\nct_cor 5", "\"a ct_cor 5\"", "a ct_cor 5"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.fault) << QString(r.value) << QString(r.written) << QString(r.readBack);
    }

    void textItems()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QFETCH(QString, readBack);
        QTemporaryDir dir;
        Body body(2);
        body.form().SelectImageSaveDir->setName(value);
        const QByteArray line = lineOf(save(body, dir.filePath("a.cfg")), "auto_save_image_name");
        QCOMPARE(QString::fromUtf8(line), "auto_save_image_name     " + written);
        QCOMPARE(BatchCmd::parse(QString::fromUtf8(line)).textArg(0), readBack);
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QByteArray>("cor");
        QByteArray binary;
        for (int i = 0; i < 1024; ++i)
            binary += char(i * 37);
        QTest::newRow("missing file not reported")
            << "none.cfg" << QByteArray() << true << QByteArray("1000");
        QTest::newRow("directory read as a file")
            << "sub" << QByteArray() << true << QByteArray("1000");
        QTest::newRow("binary bytes taken as settings")
            << "bin.cfg" << binary << false << QByteArray("1000");
        QTest::newRow("truncated file loses the lines before")
            << "cut.cfg" << QByteArray("ct_cor 512.5\nct_co") << false << QByteArray("512.5");
        QTest::newRow("file over the size limit read")
            << "huge.cfg" << QByteArray("ct_cor 5\n").repeated(LineFile::MaxBytes / 9 + 1) << true
            << QByteArray("1000");
    }

    void badInput()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        QFETCH(QByteArray, cor);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        const QString path = bytes.isEmpty() ? dir.filePath(name) : writeTestFile(dir, name, bytes);
        Body body(2);
        QByteArray expected = save(body, dir.filePath("before.cfg"));
        expected.replace("ct_cor                   1000", "ct_cor                   " + cor);
        MessageLog log("cirvo.config");
        load(body, path);
        QCOMPARE(log.startsWith("can't open save setup file : ", path), refused);
        QCOMPARE(save(body, dir.filePath("after.cfg")), expected);
    }

    void saveRefused()
    {
        QTemporaryDir dir;
        Body body(2);
        MessageLog log("cirvo.config");
        for (const QString& path : {dir.path(), dir.filePath("missing/a.cfg")}) {
            save(body, path);
            QVERIFY2(log.startsWith("can't open save setup file : ", path), log.all());
        }
        QVERIFY(!QFileInfo::exists(dir.filePath("missing")));
    }

    void dialog()
    {
        QTemporaryDir dir;
        Body body(2);
        auto* d = body.findChild<QFileDialog*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(d);
        QCOMPARE(d->nameFilters(), QStringList({"*.cfg", "*.*"}));
        body.form().SaveSetup->click();
        QVERIFY(d->isVisible());
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
        emit d->fileSelected(dir.filePath("a.cfg"));
        QVERIFY(QFileInfo::exists(dir.filePath("a.cfg")));
        body.form().LoadSetup->click();
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(d->fileMode(), QFileDialog::ExistingFile);
        emit d->fileSelected(writeTestFile(dir, "b.cfg", "show_tab 2\n"));
        QCOMPARE(body.form().ImgsTab->currentIndex(), 2);
    }
};

QTEST_MAIN(tst_bodysetup)
#include "tst_bodysetup.moc"
