// The batch command set: one parsed line of a script, a setup file or the configuration file
// carried out on the window's widgets as a user would, then reported done.
#include "body.h"

#include "batch/batch.h"
#include "cirvologging.h"
#include "imageio/datafileloader.h"
#include "recon/ctcalc.h"
#include "recon/ctcalc2ui.h"
#include "recon/sinogram.h"

#include <QButtonGroup>

namespace
{

using Action = void (*)(Body&, const BatchCmd&);

// A keyword and what it does; every keyword that matches the command word runs, in this order.
struct Command {
    const char* keyword;
    Action action;
};

} // namespace

void Body::batchExCmd(BatchCmd cmd)
{
    // Lambdas inside a member reach the window's private parts without a friend for each.
    static const Command commands[] = {
        {"images_load",
         [](Body& b, const BatchCmd& c) { b.ui.CTFiles->selectFilesInDir(c.textArg(0), c.args.mid(1)); }},
        {"images_new_on_load",
         [](Body& b, const BatchCmd& c) {
             (c.flagArg(0) ? b.ui.CTFiles->ui.LoadNewFiles : b.ui.CTFiles->ui.AddFiles)->setChecked(true);
         }},
        {"images_add_on_load",
         [](Body& b, const BatchCmd& c) {
             (c.flagArg(0) ? b.ui.CTFiles->ui.AddFiles : b.ui.CTFiles->ui.LoadNewFiles)->setChecked(true);
         }},
        {"images_clear", [](Body& b, const BatchCmd&) { b.ui.CTFiles->clearFiles(); }},
        {"images_exp_time", [](Body& b, const BatchCmd& c) { b.ui.CTFiles->setExpTime(c.realArg(0)); }},
        {"images_multi",
         [](Body& b, const BatchCmd& c) { b.ui.CTFiles->setMulti(c.flagArg(0), c.intArg(1)); }},
        // The spin box keeps the index within 0 ... the last image.
        {"images_seek", [](Body& b, const BatchCmd& c) { b.ui.seekCtrl->ui.Index->setValue(c.intArg(0)); }},
        {"images_keep_setup",
         [](Body& b, const BatchCmd& c) { b.ui.CTFiles->ui.KeepConditions->setChecked(c.flagArg(0)); }},
        {"i0_load", [](Body& b, const BatchCmd& c) { b.ui.I0ImgSel->fileSelected0(c.textArg(0)); }},
        {"i0_clear", [](Body& b, const BatchCmd&) { b.ui.I0ImgSel->clear0(); }},
        {"i0_exp_time", [](Body& b, const BatchCmd& c) { b.ui.I0ImgSel->setExpTime(c.realArg(0)); }},
        {"bg_load", [](Body& b, const BatchCmd& c) { b.ui.BGImgSel->fileSelected0(c.textArg(0)); }},
        {"bg_clear", [](Body& b, const BatchCmd&) { b.ui.BGImgSel->clear0(); }},
        {"bg_exp_time", [](Body& b, const BatchCmd& c) { b.ui.BGImgSel->setExpTime(c.realArg(0)); }},
        {"ct_proc_slice",
         [](Body& b, const BatchCmd& c) {
             b.ui.procCtrl->setSliceNo(c.intArg(0));
             b.needSliceNoReset = false;
         }},
        {"ct_auto_exec", [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setAutoExec(c.flagArg(0)); }},
        {"ct_slice_from", [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setSliceFrom(c.intArg(0)); }},
        {"ct_slice_to",
         [](Body& b, const BatchCmd& c) {
             b.ui.procCtrl->setSliceTo(c.intArg(0));
             b.needSliceToReset = false;
         }},
        {"ct_slice_step", [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setSliceStep(c.intArg(0)); }},
        {"ct_threads", [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setThreads(c.intArg(0)); }},
        {"ct_cor",
         [](Body& b, const BatchCmd& c) {
             b.ui.procCtrl->setCor(c.realArg(0));
             b.needCorReset = false;
         }},
        {"ct_recorded_cor_1",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setRecord(1, c.intArg(0), c.realArg(1)); }},
        {"ct_recorded_cor_2",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setRecord(2, c.intArg(0), c.realArg(1)); }},
        {"ct_rot_ax_is_h", [](Body& b, const BatchCmd& c) { b.setRotAxIsV(!c.flagArg(0)); }},
        {"ct_rot_ax_is_v", [](Body& b, const BatchCmd& c) { b.setRotAxIsV(c.flagArg(0)); }},
        {"ct_angle_offset",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setAngleOriginDeg(c.realArg(0)); }},
        {"ct_angle_origin",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setAngleOriginDeg(c.realArg(0)); }},
        {"ct_angle_offset",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setAngleOriginDeg(c.realArg(0)); }},
        {"ct_use_partial_data_set",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setUsePartialDataSet(c.flagArg(0)); }},
        {"ct_dataset_range",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setDataSetRangeDeg(c.realArg(0)); }},
        {"ct_dataset_using_images",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setDataSetUsingImages(c.intArg(0)); }},
        {"ct_dataset_start_image_no",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setDataSetStartImageNo(c.intArg(0)); }},
        {"ct_set_disp_region",
         [](Body& b, const BatchCmd& c) {
             for (CtPanel* panel : b.ctPanels())
                 panel->setDR(c.realArg(0), c.realArg(1), c.realArg(2), c.realArg(3));
         }},
        {"ct_set_calc_region",
         [](Body& b, const BatchCmd& c) {
             for (CtPanel* panel : b.ctPanels())
                 panel->setCR(c.realArg(0), c.realArg(1), c.realArg(2), c.realArg(3));
         }},
        {"ct_filter", [](Body& b, const BatchCmd& c) { b.setFilterWindow(c.textArg(0)); }},
        {"ct_filter_pad",
         [](Body& b, const BatchCmd& c) {
             FbpFilter f = b.ui.procCtrl->filter();
             f.pad = c.flagArg(0);
             b.ui.procCtrl->setFilter(f);
         }},
        {"ct_rings", [](Body& b, const BatchCmd& c) { b.setRings(c.textArg(0)); }},
        {"ct_single_precision",
         [](Body& b, const BatchCmd& c) { b.ui.procCtrl->setSinglePrecision(c.flagArg(0)); }},
        {"calc_ct1", [](Body& b, const BatchCmd& c) { b.selectCt(c.flagArg(0)); }},
        {"calc_ct2", [](Body& b, const BatchCmd& c) { b.selectCt(!c.flagArg(0)); }},
        {"calc_show_res", [](Body& b, const BatchCmd& c) { b.ui.ShowCalcRes->setChecked(c.flagArg(0)); }},
        {"fix_color_scale", [](Body& b, const BatchCmd& c) { b.setFixColorScale(c.flagArg(0)); }},
        {"fix_color_min",
         [](Body& b, const BatchCmd& c) {
             b.setColorMin(c.realArg(0));
             b.fixColorScaleChanged();
         }},
        {"fix_color_max",
         [](Body& b, const BatchCmd& c) {
             b.setColorMax(c.realArg(0));
             b.fixColorScaleChanged();
         }},
        {"auto_save_image", [](Body& b, const BatchCmd& c) { b.setAutoSaveImage(c.flagArg(0)); }},
        {"auto_save_image_path",
         [](Body& b, const BatchCmd& c) { b.ui.SelectImageSaveDir->setPath(c.textArg(0)); }},
        {"auto_save_image_name",
         [](Body& b, const BatchCmd& c) { b.ui.SelectImageSaveDir->setName(c.textArg(0)); }},
        {"auto_save_image_tag",
         [](Body& b, const BatchCmd& c) { b.ui.SelectImageSaveDir->setTag(c.textArg(0)); }},
        {"auto_save_image_clear", [](Body& b, const BatchCmd&) { b.ui.SelectImageSaveDir->clear0(); }},
        {"auto_save_data", [](Body& b, const BatchCmd& c) { b.setAutoSaveData(c.flagArg(0)); }},
        {"auto_save_data_path",
         [](Body& b, const BatchCmd& c) { b.ui.SelectDataSaveDir->setPath(c.textArg(0)); }},
        {"auto_save_data_name",
         [](Body& b, const BatchCmd& c) { b.ui.SelectDataSaveDir->setName(c.textArg(0)); }},
        {"auto_save_data_tag",
         [](Body& b, const BatchCmd& c) { b.ui.SelectDataSaveDir->setTag(c.textArg(0)); }},
        {"auto_save_data_clear", [](Body& b, const BatchCmd&) { b.ui.SelectDataSaveDir->clear0(); }},
        {"auto_save_float_tiff",
         [](Body& b, const BatchCmd& c) { b.ui.SaveFloatTiff->setChecked(c.flagArg(0)); }},
        {"auto_save_tiff_stack",
         [](Body& b, const BatchCmd& c) { b.ui.SaveTiffStack->setChecked(c.flagArg(0)); }},
        {"auto_save_hdf5", [](Body& b, const BatchCmd& c) { b.ui.SaveHdf5->setChecked(c.flagArg(0)); }},
        {"auto_save_in_sub_folders",
         [](Body& b, const BatchCmd& c) { b.ui.SaveInSubFolders->setChecked(c.flagArg(0)); }},
        {"auto_save_in_sub_folders_of_slice",
         [](Body& b, const BatchCmd& c) { b.ui.SubOfSlice->setChecked(c.flagArg(0)); }},
        {"auto_save_in_sub_folders_of_energy",
         [](Body& b, const BatchCmd& c) { b.ui.SubOfEnergy->setChecked(c.flagArg(0)); }},
        {"auto_save_data_upper_limit",
         [](Body& b, const BatchCmd& c) { b.ui.DataUpperLimit->setText(c.textArg(0)); }},
        {"auto_save_data_lower_limit",
         [](Body& b, const BatchCmd& c) { b.ui.DataLowerLimit->setText(c.textArg(0)); }},
        {"auto_save_data_offset",
         [](Body& b, const BatchCmd& c) { b.ui.DataOffset->setText(c.textArg(0)); }},
        // The check box, not only the frames it governs, so a saved setup reads back the same.
        {"add_inf_show",
         [](Body& b, const BatchCmd& c) { b.ui.ShowAdditionalInfo->setChecked(c.flagArg(0)); }},
        {"add_inf_Eng_Dirs",
         [](Body& b, const BatchCmd& c) {
             if (c.flagArg(0))
                 b.ui.SelDDir->setIsEngDirs(true);
         }},
        {"add_inf_Brel_standard",
         [](Body& b, const BatchCmd& c) {
             if (c.flagArg(0))
                 b.ui.SelDDir->setIsBrelStd(true);
         }},
        {"add_inf_Zeph_standard",
         [](Body& b, const BatchCmd& c) {
             if (c.flagArg(0))
                 b.ui.SelDDir->setIsZephStd(true);
         }},
        {"add_inf_raw_i0_val",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofRawImage_->setI0Val(c.realArg(0)); }},
        {"add_inf_raw_i0_from_xafs",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofRawImage_->setCalcFromXafs(c.intArg(0)); }},
        {"add_inf_raw_i0_xafs",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofRawImage_->setXafsFile(c.textArg(0)); }},
        {"add_inf_raw_i0_xafs_clear", [](Body& b, const BatchCmd&) { b.ui.I0ofRawImage_->clearXafsFile(); }},
        {"add_inf_raw_i0_eng_ptn",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofRawImage_->setEngPattern(c.textArg(0)); }},
        {"add_inf_i0_i0_val",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofI0Image_->setI0Val(c.realArg(0)); }},
        {"add_inf_i0_i0_from_xafs",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofI0Image_->setCalcFromXafs(c.intArg(0)); }},
        {"add_inf_i0_i0_xafs",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofI0Image_->setXafsFile(c.textArg(0)); }},
        {"add_inf_i0_i0_xafs_clear", [](Body& b, const BatchCmd&) { b.ui.I0ofI0Image_->clearXafsFile(); }},
        {"add_inf_i0_i0_eng_ptn",
         [](Body& b, const BatchCmd& c) { b.ui.I0ofI0Image_->setEngPattern(c.textArg(0)); }},
        {"show_tab", [](Body& b, const BatchCmd& c) { b.showTab(c.intArg(0)); }},
        {"show_orig", [](Body& b, const BatchCmd&) { b.showTab(0); }},
        {"show_sinogram", [](Body& b, const BatchCmd&) { b.showTab(1); }},
        {"show_ct1", [](Body& b, const BatchCmd&) { b.showTab(2); }},
        {"show_i0", [](Body& b, const BatchCmd&) { b.showTab(3); }},
        {"show_bg", [](Body& b, const BatchCmd&) { b.showTab(4); }},
        {"show_ct2", [](Body& b, const BatchCmd& c) { b.showTab(c.intArg(0) + 5); }},
        {"zandorLink_set_send_msg",
         [](Body& b, const BatchCmd& c) { b.ui.SendMsg2Zandor->setChecked(c.flagArg(0)); }},
        {"calc_exec", [](Body& b, const BatchCmd&) { b.batchCalc(); }},
        {"set_sgm_alter_stack", [](Body& b, const BatchCmd& c) { b.sinogram->setAlterStack(c.flagArg(0)); }},
        {"set_sgm_move_y_w_mouse",
         [](Body& b, const BatchCmd& c) { b.sinogram->setMoveYWMouse(c.flagArg(0)); }},
        {"seq_exec_show",
         [](Body& b, const BatchCmd& c) { b.ui.ShowAdditionalInfo->setChecked(c.flagArg(0)); }},
        {"seq_exec_dir", [](Body& b, const BatchCmd& c) { b.ui.SelDDir->setDataDir(c.textArg(0)); }},
        {"seq_exec_file_pattern",
         [](Body& b, const BatchCmd& c) { b.ui.SelDDir->setPattern(c.textArg(0)); }},
        {"seq_exec_next", [](Body& b, const BatchCmd&) { b.batch->ok = b.ui.SelDDir->advance(); }},
        {"seq_exec_set", [](Body& b, const BatchCmd&) { b.ui.SelDDir->set(); }},
        {"seq_exec_select_i0",
         [](Body& b, const BatchCmd& c) { b.ui.SelI0Files->selectFilesInDir(c.textArg(0), c.args.mid(1)); }},
        {"seq_exec_keep_range_on_new_set",
         [](Body& b, const BatchCmd& c) { b.ui.keepOnNewSet->setChecked(c.flagArg(0)); }},
    };
    bool known = false;
    for (const Command& command : commands) {
        if (cmd.cmd.compare(QLatin1String(command.keyword), Qt::CaseInsensitive) == 0) {
            command.action(*this, cmd);
            known = true;
        }
    }
    if (!known && !cmd.cmd.isEmpty())
        qCDebug(lcBatch).noquote() << "No such command, the line changes nothing :" << cmd.line;
    // A calculation reports its end itself, when it stops.
    if (cmd.cmd.compare(QLatin1String("calc_exec"), Qt::CaseInsensitive) != 0)
        emit callBatchCheckEnd();
}

void Body::batchCalc()
{
    batchCalcPending = true;
    // A running calculation reports to the script when it stops; files still loading are
    // calculated once they are in, not the set before them.
    if (calculating)
        return;
    if (loading)
        calcAfterLoad = true;
    else
        emit batchCalcStart();
}

void Body::selectCt(bool ct1)
{
    QAbstractButton* button = ct1 ? ui.SelectCt1 : ui.SelectCt2;
    button->setChecked(true);
    changedCtSel(button);
}

void Body::setFilterWindow(const QString& name)
{
    const std::optional<FbpFilter::Window> window = FbpFilter::windowFromName(name);
    if (!window) {
        qCDebug(lcBatch).noquote() << "No such filter, the line changes nothing :" << name;
        return;
    }
    FbpFilter f = ui.procCtrl->filter();
    f.window = *window;
    ui.procCtrl->setFilter(f);
}

void Body::setRings(const QString& text)
{
    QString why;
    const std::optional<RingOptions> rings = RingOptions::parse(text, &why);
    if (!rings) {
        qCDebug(lcBatch).noquote() << "Ring filter not taken, the line changes nothing :" << why;
        return;
    }
    ui.procCtrl->setRings(*rings);
}

void Body::setRotAxIsV(bool v)
{
    if (ui.procCtrl->rotAxIsV() != v)
        ui.procCtrl->setRotAxIsV(v);
}

void Body::showTab(int position)
{
    ui.ImgsTab->setCurrentIndex(position);
}
