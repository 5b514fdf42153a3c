#include "mainwindow/body.h"
#include "recon/ctcalc.h"
#include "recon/ctpanel.h"
#include "testseries.h"

#include <QSignalSpy>
#include <QTest>

// The batch command set on a fresh window: each line does to the widgets what a user would, and
// reports itself done once.
namespace
{

// A widget's state as text, found by its object names from the window down ("CTFiles/AddFiles"):
// a button's check as 1 or 0, a field's text.
QString widgetState(const QWidget* root, const QString& path)
{
    const QObject* at = root;
    for (const QString& name : path.split('/'))
        at = at ? at->findChild<QObject*>(name) : nullptr;
    if (const auto* button = qobject_cast<const QAbstractButton*>(at))
        return button->isChecked() ? "1" : "0";
    if (const auto* edit = qobject_cast<const QLineEdit*>(at))
        return edit->text();
    if (const auto* frame = qobject_cast<const QWidget*>(at))
        return frame->isHidden() ? "hidden" : "shown";
    return "no widget " + path;
}

// Values that live in the panels rather than in one widget.
QString value(Body& body, const QString& probe)
{
    Ui_Body& ui = body.form();
    ProcCtrl* pc = ui.procCtrl;
    if (probe == "slice")
        return QString::number(pc->sliceNo());
    if (probe == "cor")
        return QString::number(pc->cor());
    if (probe == "axisV")
        return QString::number(pc->rotAxIsV());
    if (probe == "origin")
        return QString::number(pc->angleOriginDeg());
    if (probe == "partial")
        return QString::number(pc->usePartialDataSet());
    if (probe == "record1")
        return QStringLiteral("%1 %2").arg(pc->record1().slice).arg(pc->record1().cor);
    if (probe == "calcRegion") {
        QStringList regions;
        for (PopDockBase* base : body.findChildren<PopDockBase*>())
            if (auto* panel = qobject_cast<CtPanel*>(base->content())) {
                const FbpRegion r = panel->calcRegion();
                regions << QStringLiteral("%1 %2 %3 %4").arg(r.x0).arg(r.z0).arg(r.x1).arg(r.z1);
            }
        regions.removeDuplicates();
        return regions.join(" | ");
    }
    if (probe == "tab")
        return QString::number(ui.ImgsTab->currentIndex());
    if (probe == "layout")
        return QString::number(ui.SelDDir->layout());
    // The image tabs open in a window of their own.
    if (probe.startsWith("sinogram/"))
        return widgetState(ui.SinogramImgBase->content(), probe.mid(9));
    return widgetState(&body, probe);
}

} // namespace

class tst_bodycommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void command_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");
        // Image files, I0 and BG.
        QTest::newRow("images_add_on_load") << "images_add_on_load 1"
                                            << "CTFiles/AddFiles"
                                            << "1";
        QTest::newRow("images_new_on_load 0 checks Add") << "images_new_on_load 0"
                                                         << "CTFiles/AddFiles"
                                                         << "1";
        QTest::newRow("exposure, 6 digits") << "images_exp_time 0.000123456789"
                                            << "CTFiles/ExpTime"
                                            << "0.000123457";
        QTest::newRow("images_multi count") << "images_multi 1 7"
                                            << "CTFiles/MultiTimes"
                                            << "7";
        QTest::newRow("images_multi 1.0 is false") << "images_multi 1.0 7"
                                                   << "CTFiles/LoadMultiTimes"
                                                   << "0";
        QTest::newRow("images_keep_setup") << "images_keep_setup 1"
                                           << "CTFiles/KeepConditions"
                                           << "1";
        QTest::newRow("i0_exp_time") << "i0_exp_time 2.5"
                                     << "I0ImgSel/ExpTimeLE"
                                     << "2.5";
        QTest::newRow("bg_exp_time, word reads 0") << "bg_exp_time x"
                                                   << "BGImgSel/ExpTimeLE"
                                                   << "0";
        // Processing.
        QTest::newRow("ct_proc_slice") << "ct_proc_slice 7"
                                       << "slice"
                                       << "7";
        QTest::newRow("CT_COR in capitals") << "CT_COR 1024.5"
                                            << "cor"
                                            << "1024.5";
        QTest::newRow("ct_rot_ax_is_h 1") << "ct_rot_ax_is_v 1\nct_rot_ax_is_h 1"
                                          << "axisV"
                                          << "0";
        QTest::newRow("ct_rot_ax_is_v 0") << "ct_rot_ax_is_v 1\nct_rot_ax_is_v 0"
                                          << "axisV"
                                          << "0";
        QTest::newRow("ct_auto_exec selects CT2") << "ct_auto_exec 1"
                                                  << "SelectCt2"
                                                  << "1";
        QTest::newRow("ct_angle_offset") << "ct_angle_offset 12.5"
                                         << "origin"
                                         << "12.5";
        QTest::newRow("ct_angle_origin") << "ct_angle_origin 3"
                                         << "origin"
                                         << "3";
        QTest::newRow("partial set, 1.0 is false") << "ct_use_partial_data_set 1.0"
                                                   << "partial"
                                                   << "0";
        QTest::newRow("recorded pair") << "ct_recorded_cor_1 10 31.5"
                                       << "record1"
                                       << "10 31.5";
        // Regions and calculation.
        QTest::newRow("calc region of every panel") << "ct_set_calc_region 1 2 30 40"
                                                    << "calcRegion"
                                                    << "1 2 30 40";
        QTest::newRow("calc_ct2") << "calc_ct2 1"
                                  << "SelectCt2"
                                  << "1";
        QTest::newRow("calc_ct1 0 selects CT2") << "calc_ct1 0"
                                                << "SelectCt2"
                                                << "1";
        QTest::newRow("calc_ct1 turns auto exec off") << "ct_auto_exec 1\ncalc_ct1 1"
                                                      << "procCtrl/AutoExecCtCalc"
                                                      << "0";
        QTest::newRow("calc_show_res") << "calc_show_res 1"
                                       << "ShowCalcRes"
                                       << "1";
        // Colour scale and saving.
        QTest::newRow("fix_color_scale") << "fix_color_scale 1"
                                         << "FixColorScale"
                                         << "1";
        QTest::newRow("fix_color_min") << "fix_color_min 0.5"
                                       << "ColorMin"
                                       << "0.5";
        QTest::newRow("a quoted path keeps its blank") << "auto_save_image_path \"/tmp/a b\""
                                                       << "SelectImageSaveDir/FilePath"
                                                       << "/tmp/a b";
        QTest::newRow("auto_save_data_tag") << "auto_save_data_tag e1"
                                            << "SelectDataSaveDir/AddTag"
                                            << "e1";
        QTest::newRow("limit text unchanged") << "auto_save_data_upper_limit 3e2"
                                              << "DataUpperLimit"
                                              << "3e2";
        QTest::newRow("of slice") << "auto_save_in_sub_folders_of_slice 1"
                                  << "SubOfSlice"
                                  << "1";
        // Additional information, tabs, sequence.
        QTest::newRow("add_inf_show checks the box") << "add_inf_show 1"
                                                     << "ShowAdditionalInfo"
                                                     << "1";
        QTest::newRow("add_inf_show shows the frame") << "add_inf_show 1"
                                                      << "AdditionalInfo"
                                                      << "shown";
        QTest::newRow("add_inf_Zeph_standard") << "add_inf_Zeph_standard 1"
                                               << "layout"
                                               << "3";
        QTest::newRow("add_inf_Eng_Dirs 0 changes nothing") << "add_inf_Eng_Dirs 0"
                                                            << "layout"
                                                            << "2";
        QTest::newRow("raw I0 value, 6 digits") << "add_inf_raw_i0_val 0.000123456789"
                                                << "I0ofRawImage_/I0Val"
                                                << "0.000123457";
        QTest::newRow("from XAFS 2 is false") << "add_inf_i0_i0_from_xafs 2"
                                              << "I0ofI0Image_/CalcFromXAFS"
                                              << "0";
        QTest::newRow("energy pattern") << "add_inf_i0_i0_eng_ptn ##_##"
                                        << "I0ofI0Image_/EngPattern"
                                        << "##_##";
        QTest::newRow("show_ct2 0 is the BG tab") << "show_ct2 0"
                                                  << "tab"
                                                  << "5";
        QTest::newRow("show_i0") << "show_i0"
                                 << "tab"
                                 << "3";
        QTest::newRow("send message") << "zandorLink_set_send_msg 1"
                                      << "SendMsg2Zandor"
                                      << "1";
        QTest::newRow("sinogram alternate stack") << "set_sgm_alter_stack 1"
                                                  << "sinogram/AlterStack"
                                                  << "1";
        QTest::newRow("sinogram follows the mouse") << "set_sgm_move_y_w_mouse 1"
                                                    << "sinogram/MoveYWMouse"
                                                    << "1";
        QTest::newRow("pattern takes the first item") << "seq_exec_file_pattern *.his *.img"
                                                      << "SelDDir/Pattern"
                                                      << "*.his";
        QTest::newRow("keep range") << "seq_exec_keep_range_on_new_set 1"
                                    << "keepOnNewSet"
                                    << "1";
        QTest::newRow("seq_exec_show") << "seq_exec_show 1"
                                       << "ShowAdditionalInfo"
                                       << "1";
        QTest::newRow("unknown word changes nothing") << "ct_corr 12"
                                                      << "cor"
                                                      << "1000";
    }

    void command()
    {
        QFETCH(QString, lines);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        Body body(2);
        QSignalSpy done(&body, &Body::callBatchCheckEnd);
        const QStringList list = lines.split('\n');
        for (const QString& line : list)
            body.batchExCmd(BatchCmd::parse(line));
        QCOMPARE(value(body, probe), expected);
        QCOMPARE(done.count(), list.size());
    }

    void seekIsClampedToTheImages()
    {
        QTemporaryDir tmp;
        writeTestSeries(tmp.path(), "ph", 48, 6, 60);
        Body body(1);
        QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
        body.batchExCmd(BatchCmd::parse(
            QStringLiteral("images_load \"%1/dirs/7080eV\" *.img").arg(tmp.path())));
        QVERIFY(loaded.wait(10000));
        QSpinBox* index = body.form().seekCtrl->ui.Index;
        body.batchExCmd(BatchCmd::parse("images_seek 100000"));
        QCOMPARE(index->value(), 59);
        body.batchExCmd(BatchCmd::parse("images_seek -3"));
        QCOMPARE(index->value(), 0);
    }

    void calcExecReportsWhenTheRangeIsDone()
    {
        QTemporaryDir tmp;
        writeTestSeries(tmp.path(), "ph", 48, 6, 60);
        Body body(2);
        QSignalSpy done(&body, &Body::callBatchCheckEnd);
        QSignalSpy started(&body, &Body::startCt);
        for (const char* line : {"ct_rot_ax_is_v 1", "ct_auto_exec 1", "ct_threads 2"})
            body.batchExCmd(BatchCmd::parse(line));
        body.batchExCmd(BatchCmd::parse(
            QStringLiteral("images_load \"%1/dirs/7080eV\" *.img").arg(tmp.path())));
        for (const char* line : {"ct_slice_from 0", "ct_slice_to 5", "ct_slice_step 2"})
            body.batchExCmd(BatchCmd::parse(line));
        const int before = done.count();
        // The images are still loading: calc_exec must wait for them, then for every slice.
        body.batchExCmd(BatchCmd::parse("calc_exec"));
        QCOMPARE(done.count(), before);
        QVERIFY(done.wait(20000));
        QCOMPARE(done.count(), before + 1);
        QCOMPARE(started.count(), 3);
        QVERIFY(!body.isCalculating());
    }
};

QTEST_MAIN(tst_bodycommands)
#include "tst_bodycommands.moc"
