// Setup files: the window's settings written as batch commands, and read back through them.
#include "body.h"

#include "cirvologging.h"
#include "config/linefile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace
{

constexpr int KeyWidth = 25;

QString flagText(bool f)
{
    return f ? QStringLiteral("1") : QStringLiteral("0");
}

QString realText(double v)
{
    QString text;
    QTextStream(&text) << v;
    return text;
}

// A text as one item of a command line. An item splits at white space unless quoted, and a
// quoted item ends at the next quote (there is no escape); so a text with white space is
// quoted, any other is written bare, where a quote inside or at the end is kept. What cannot
// be kept whole (white space with a quote, a leading quote) loses its quotes, and a line break
// becomes a blank, since it would start another command.
QString itemText(const QString& value)
{
    QString text = value;
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    const bool spaced =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
    if (!spaced && !text.startsWith(u'"'))
        return text;
    text.remove(u'"');
    return spaced ? u'"' + text + u'"' : text;
}

// The directory of `file` and its suffix as a name pattern.
QString patternText(const QString& file)
{
    const QFileInfo info(file);
    return QStringLiteral("%1 %2").arg(itemText(info.absolutePath()),
                                       itemText(QStringLiteral("*.") + info.suffix()));
}

// Writes the key lines and section heads of a setup file.
class SetupWriter
{
public:
    explicit SetupWriter(QTextStream& out) : m_out(out) {}

    void section(const QString& title) { m_out << '\n' << title << "\n\n"; }
    void line(const QString& key, const QString& value)
    {
        // A long key keeps one blank before its value, or the two would read as one item.
        m_out << key.leftJustified(std::max<qsizetype>(KeyWidth, key.size() + 1)) << value << '\n';
    }
    void flag(const char* key, bool f) { line(QLatin1String(key), flagText(f)); }
    void integer(const char* key, int v) { line(QLatin1String(key), QString::number(v)); }
    void real(const char* key, double v) { line(QLatin1String(key), realText(v)); }
    void text(const char* key, const QString& v) { line(QLatin1String(key), itemText(v)); }
    // Two values: an integer, a blank and a second one.
    void pair(const char* key, int first, const QString& second)
    {
        line(QLatin1String(key), QString::number(first) + u' ' + second);
    }

private:
    QTextStream& m_out;
};

void reportCannotOpen(const QString& fname)
{
    qCDebug(lcConfig).noquote() << "can't open save setup file :" << fname;
}

} // namespace

void Body::createSetupDialog()
{
    setupDialog = new QFileDialog(this);
    setupDialog->setAcceptMode(QFileDialog::AcceptSave);
    setupDialog->setFileMode(QFileDialog::AnyFile);
    setupDialog->setNameFilters({QStringLiteral("*.cfg"), QStringLiteral("*.*")});
    connect(ui.SaveSetup, &QPushButton::clicked, this, &Body::showSaveSetupD);
    connect(ui.LoadSetup, &QPushButton::clicked, this, &Body::showLoadSetupD);
    connect(setupDialog, &QFileDialog::fileSelected, this, &Body::saveLoadFileSelected);
}

void Body::showSaveSetupD()
{
    setupDialogSaves = true;
    setupDialog->setAcceptMode(QFileDialog::AcceptSave);
    setupDialog->setFileMode(QFileDialog::AnyFile);
    setupDialog->show();
}

void Body::showLoadSetupD()
{
    setupDialogSaves = false;
    setupDialog->setAcceptMode(QFileDialog::AcceptOpen);
    setupDialog->setFileMode(QFileDialog::ExistingFile);
    setupDialog->show();
}

void Body::saveLoadFileSelected(QString fname)
{
    if (setupDialogSaves)
        saveSetup(fname);
    else
        loadSetup(fname);
}

void Body::saveSetup(QString fname)
{
    // Written aside and renamed at the end, so a failure never leaves half a setup behind.
    QSaveFile file(fname);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        reportCannotOpen(fname);
        return;
    }
    QTextStream out(&file);
    SetupWriter w(out);
    out << "### Cirvo setup saving setup file\n";

    w.section(QStringLiteral("## Original Images"));
    const QComboBox* loaded = ui.CTFiles->ui.Selected;
    // Commented out: loading a setup does not load the images again.
    if (loaded->count() > 0)
        w.line(QStringLiteral("#images_load"), patternText(loaded->itemText(0)));
    w.flag("images_new_on_load", ui.CTFiles->newFiles());
    w.flag("images_keep_setup", ui.CTFiles->keepConditions());
    w.pair("images_multi", int(ui.CTFiles->ui.LoadMultiTimes->isChecked()),
           QString::number(ui.CTFiles->ui.MultiTimes->text().toInt()));
    w.integer("images_seek", ui.seekCtrl->ui.Index->value());
    w.text("i0_load", ui.I0ImgSel->path());
    w.text("bg_load", ui.BGImgSel->path());

    const ProcCtrl* pc = ui.procCtrl;
    w.section(QStringLiteral("## CT Reconstruction setting"));
    w.integer("ct_proc_slice", pc->sliceNo());
    w.real("ct_angle_origin", pc->angleOriginDeg());
    w.real("ct_dataset_range", pc->dataSetRangeDeg());
    w.line(QStringLiteral("ct_use_partial_data_set"),
           pc->usePartialDataSet() ? QStringLiteral("1") : QStringLiteral(" 0"));
    w.integer("ct_dataset_using_images", pc->usingImages());
    w.integer("ct_dataset_start_image_no", pc->startImageNo());
    w.flag("ct_auto_exec", pc->autoExec());
    w.integer("ct_slice_from", pc->sliceFrom());
    w.integer("ct_slice_to", pc->sliceTo());
    w.integer("ct_slice_step", pc->sliceStep());
    w.integer("ct_threads", pc->threads());
    w.real("ct_cor", pc->cor());
    w.flag("ct_rot_ax_is_h", !pc->rotAxIsV());
    w.pair("ct_recorded_cor_1", pc->record1().slice, realText(pc->record1().cor));
    w.pair("ct_recorded_cor_2", pc->record2().slice, realText(pc->record2().cor));

    w.section(QStringLiteral("## CT Reconstruction calculation"));
    w.flag("calc_ct1", ui.SelectCt1->isChecked());
    w.flag("calc_show_res", ui.ShowCalcRes->isChecked());
    w.flag("fix_color_scale", ui.FixColorScale->isChecked());
    w.real("fix_color_min", colorMin());
    w.real("fix_color_max", colorMax());
    w.flag("auto_save_image", ui.AutoSaveImage->isChecked());
    w.text("auto_save_image_path", ui.SelectImageSaveDir->path());
    w.text("auto_save_image_name", ui.SelectImageSaveDir->name());
    w.text("auto_save_image_tag", ui.SelectImageSaveDir->tag());
    w.flag("auto_save_data", ui.AutoSaveData->isChecked());
    w.text("auto_save_data_path", ui.SelectDataSaveDir->path());
    w.text("auto_save_data_name", ui.SelectDataSaveDir->name());
    w.text("auto_save_data_tag", ui.SelectDataSaveDir->tag());
    w.real("auto_save_data_upper_limit", ui.DataUpperLimit->text().toDouble());
    w.real("auto_save_data_lower_limit", ui.DataLowerLimit->text().toDouble());
    w.real("auto_save_data_offset", ui.DataOffset->text().toDouble());
    w.flag("auto_save_in_sub_folders", ui.SaveInSubFolders->isChecked());
    w.flag("auto_save_in_sub_folders_of_energy", ui.SubOfEnergy->isChecked());

    const SelectDataDir* dirs = ui.SelDDir;
    w.section(QStringLiteral("## Additional Settings for CT-XAFS"));
    w.flag("add_inf_show", ui.ShowAdditionalInfo->isChecked());
    w.flag("add_inf_Eng_Dirs", dirs->layout() == DataSetList::EngDirs);
    w.flag("add_inf_Brel_standard", dirs->layout() == DataSetList::BrelStd);
    w.flag("add_inf_Zeph_standard", dirs->layout() == DataSetList::ZephStd);
    w.text("seq_exec_dir", dirs->dataDir());
    w.text("seq_exec_file_pattern", dirs->pattern());
    const QComboBox* i0s = ui.SelI0Files->ui.Selected;
    if (i0s->count() > 0)
        w.line(QStringLiteral("seq_exec_select_i0"), patternText(i0s->itemText(0)));
    w.flag("seq_exec_keep_range_on_new_set", ui.keepOnNewSet->isChecked());

    // Keys that older setup files lack; reading those leaves these settings as they are.
    w.section(QStringLiteral("## Reconstruction quality and outputs"));
    w.text("ct_filter", FbpFilter::windowName(pc->filter().window));
    w.flag("ct_filter_pad", pc->filter().pad);
    w.text("ct_rings", pc->rings().text());
    w.flag("ct_single_precision", pc->singlePrecision());
    w.flag("auto_save_float_tiff", ui.SaveFloatTiff->isChecked());
    w.flag("auto_save_tiff_stack", ui.SaveTiffStack->isChecked());
    w.flag("auto_save_hdf5", ui.SaveHdf5->isChecked());

    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit())
        reportCannotOpen(fname);
}

void Body::loadSetup(QString fname)
{
    // A regular file of sane size only: a device or a pipe would stall the window.
    LineFile file;
    if (file.read(fname) != LineFile::Result::Read) {
        reportCannotOpen(fname);
        return;
    }
    for (const QString& line : file.lines())
        batchExCmd(BatchCmd::parse(line));
}
