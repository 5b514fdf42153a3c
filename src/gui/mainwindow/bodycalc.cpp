// The calculation side of the main window: the CT2 worker pool, starting, pacing and stopping
// reconstructions, and keeping the CT panels' regions and colour scales in step.
#include "body.h"

#include "buttonstyles.h"

#include "config/config.h"
#include "display/closablebase.h"
#include "display/ctdisp.h"
#include "imageio/imgdatas.h"
#include "recon/ctcalc.h"
#include "recon/ctcalc2.h"
#include "recon/ctcalc2ui.h"
#include "recon/datasaver.h"
#include "recon/sgmwindow.h"
#include "recon/sinogrambuilder.h"
#include "recon/slicepacing.h"
#include "xafs/xafsbatch.h"

#include <QDir>
#include <QGridLayout>

namespace
{

QString clockText(const QDateTime& t)
{
    return t.toString(QStringLiteral("hh:mm:ss.zzz"));
}

double number(const QLineEdit* edit)
{
    return edit->text().toDouble();
}

} // namespace

void Body::createCt2Pool(int n)
{
    saverThread = std::make_unique<QThread>();
    saver = std::make_unique<DataSaver>();
    saver->moveToThread(saverThread.get());
    saverThread->start();

    showAllCt2Tabs = Config::instance()
                         .valueAnyCase(QStringLiteral("show_all_ct2_images"), QStringLiteral("0"))
                         .toInt() == 1;
    for (int k = 0; k < n; ++k) {
        auto worker = std::make_unique<CtCalc2>();
        auto* panel = new CtCalc2Ui;
        panel->setWorker(worker.get());
        auto* page = new QWidget;
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(0, 0, 0, 0);
        auto* dock = new PopDockBase(page);
        grid->addWidget(dock);
        dock->setContent(panel);
        dock->popWindow()->setWindowTitle(tr("CT Calc2 %1").arg(k + 1));
        if (k == 0 || showAllCt2Tabs)
            ui.ImgsTab->insertTab(showAllCt2Tabs ? ui.ImgsTab->count() : 3, page,
                                  showAllCt2Tabs ? tr("CT2 %1").arg(k + 1) : tr("CT2"));
        else
            page->setParent(this);
        if (!page->isWindow())
            page->hide();

        auto thread = std::make_unique<QThread>();
        worker->moveToThread(thread.get());
        thread->start();
        CtCalc2* w = worker.get();
        connect(this, &Body::startCt, w,
                qOverload<CtCalc2*, bool, double, int, bool>(&CtCalc2::startCt));
        connect(w, &CtCalc2::calcFinished, this, [this, k] {
            outstanding[size_t(k)] = std::max(outstanding[size_t(k)] - 1, 0);
            execMultiCtCalc();
            // A stopped run's volume takes the slices that were under way.
            if (!calculating && busyWorkers(int(ct2Workers.size())) == 0)
                endVolume();
        });
        connect(w, &CtCalc2::saveDataWDiscard, saver.get(), &DataSaver::saveDataWDiscard);
        connect(w, &CtCalc2::saveImgWDiscard, saver.get(), &DataSaver::saveImgWDiscard);
        connect(w, &CtCalc2::saveFloatsWDiscard, saver.get(), &DataSaver::saveFloatsWDiscard);
        connect(w, &CtCalc2::addToVolume, saver.get(), &DataSaver::addToVolume);
        connect(w, &CtCalc2::ctImage, this, &Body::ctImage);
        connect(panel, &CtPanel::cRUpdated, this, &Body::cRUpdated);
        connect(panel, &CtPanel::dRUpdated, this, &Body::dRUpdated);
        ct2Workers.push_back(std::move(worker));
        ct2Threads.push_back(std::move(thread));
        ct2Uis << panel;
        outstanding.push_back(0);
    }
}

void Body::toggleCalcCt()
{
    if (!hasImages())
        return;
    if (calculating)
        stopCalcCt();
    else
        startCalcCt();
}

void Body::startCalcCt()
{
    if (!hasImages()) {
        skipCalculation(tr("no images are loaded"));
        return;
    }
    if (xafsBatch->isRunning() && !setProblem.isEmpty()) {
        skipCalculation(setProblem);
        return;
    }
    calculating = true;
    calcStartTime = QDateTime::currentDateTime();
    ui.CalcStartT->setText(clockText(calcStartTime));
    ui.CalcEndT->setText(QStringLiteral("--"));
    ui.CalcCT->setStyleSheet(QLatin1String(ButtonStyles::Running));
    ctDisp->clear();
    if (ui.AutoSaveImage->isChecked())
        QDir().mkpath(ui.SelectImageSaveDir->path());
    const FloatTarget floats = floatTarget();
    if (ui.AutoSaveData->isChecked() || floats.tiff || floats.volume)
        QDir().mkpath(ui.SelectDataSaveDir->path());
    const bool sub = ui.SaveInSubFolders->isChecked();
    const bool energy = ui.SubOfEnergy->isChecked();
    const bool slice = ui.SubOfSlice->isChecked();
    QMetaObject::invokeMethod(
        saver.get(), [this, sub, energy, slice] { saver->setOptions(sub, energy, slice); },
        Qt::QueuedConnection);
    ui.procCtrl->takeSnapshot(params, ui.SelectCt1->isChecked(), ui.SelectCt2->isChecked());
    params.upperLimit = number(ui.DataUpperLimit);
    params.lowerLimit = number(ui.DataLowerLimit);
    params.offset = number(ui.DataOffset);
    if (params.useCt2)
        showProgress(0);
    setupFFT();
    setupSaveConds();
    endVolume();
    if (params.useCt2 && floats.volume)
        beginVolume(floats);
    if (params.autoExec) {
        sliceCursor = params.sliceFrom;
        execMultiCtCalc();
    } else {
        execSingleCtCalc();
    }
}

void Body::setupFFT()
{
    const int length = params.rotAxIsV ? imgDatas->width : imgDatas->height;
    double cor = params.cor;
    const int s1 = params.recordedSlice1;
    const int s2 = params.recordedSlice2;
    if (s1 >= 0 && s2 >= 0 && s1 != s2)
        cor = (params.recordedCor2 - params.recordedCor1) * (sliceCursor - s1) / (s2 - s1) +
              params.recordedCor1;
    const SgmWindow window = SgmWindow::of(params.rotAxIsV, length, cor);
    const int n = (window.width / 2) * 2;
    const int count = imgDatas->count();

    Ct2Inputs inputs;
    inputs.images = imgDatas->snapshot();
    inputs.params = params;
    inputs.usePartial = ui.procCtrl->usePartialDataSet();
    for (int k = 0; k < int(ct2Workers.size()); ++k) {
        CtCalc2* worker = ct2Workers[size_t(k)].get();
        Ct2Inputs own = inputs;
        ct2Uis.at(k)->fillInputs(own);
        QMetaObject::invokeMethod(
            worker,
            [worker, own, n, count] {
                worker->setInputs(own);
                worker->prepare(n, count);
            },
            Qt::QueuedConnection);
    }
}

FloatTarget Body::floatTarget() const
{
    FloatTarget t;
    t.tiff = ui.SaveFloatTiff->isChecked();
    t.volume = ui.SaveTiffStack->isChecked() || ui.SaveHdf5->isChecked();
    t.path = ui.SelectDataSaveDir->path();
    t.name = ui.SelectDataSaveDir->name();
    t.tag = ui.SelectDataSaveDir->tag();
    // The files carry the data set's energy while they are saved under its energy tag.
    if (ui.SelDDir->energy() > 0 && t.tag == ui.SelDDir->energyText())
        t.energyEv = ui.SelDDir->energy();
    return t;
}

void Body::beginVolume(const FloatTarget& target)
{
    SavingVolume volume;
    volume.path = target.path;
    volume.name = target.name;
    volume.tag = target.tag;
    if (params.autoExec)
        for (int s = params.sliceFrom; SlicePacing::within(s, params.sliceFrom, params.sliceTo);
             s += params.sliceStep)
            volume.slices << s;
    else
        volume.slices << params.sliceNo;
    volume.cor = params.cor;
    volume.anglesDeg = params.anglesDeg();
    volume.energyEv = target.energyEv;
    volume.tiffStack = ui.SaveTiffStack->isChecked();
    volume.hdf5 = ui.SaveHdf5->isChecked();
    QMetaObject::invokeMethod(
        saver.get(), [s = saver.get(), volume] { s->beginVolume(volume); }, Qt::QueuedConnection);
    openVolume = target;
}

void Body::endVolume()
{
    if (!openVolume)
        return;
    QMetaObject::invokeMethod(
        saver.get(), [s = saver.get(), t = *openVolume] { s->endVolume(t.path, t.name, t.tag); },
        Qt::QueuedConnection);
    openVolume.reset();
}

void Body::setupSaveConds()
{
    const bool image = ui.AutoSaveImage->isChecked();
    const bool data = ui.AutoSaveData->isChecked();
    const SelectAFile* i = ui.SelectImageSaveDir;
    const SelectAFile* d = ui.SelectDataSaveDir;
    const FloatTarget floats = floatTarget();
    ctCalc->setSaveImage(image, i->path(), i->name(), i->tag());
    ctCalc->setSaveData(data, d->path(), d->name(), d->tag());
    for (const auto& worker : ct2Workers) {
        CtCalc2* w = worker.get();
        QMetaObject::invokeMethod(
            w,
            [w, image, data, ip = i->path(), in = i->name(), it = i->tag(), dp = d->path(),
             dn = d->name(), dt = d->tag(), floats] {
                w->setSaveImage(image, ip, in, it);
                w->setSaveData(data, dp, dn, dt);
                w->setSaveFloats(floats);
            },
            Qt::QueuedConnection);
    }
}

void Body::handOut(int worker, int slice)
{
    ++outstanding[size_t(worker)];
    emit startCt(ct2Workers[size_t(worker)].get(), params.rotAxIsV, params.cor, slice,
                 ui.ShowCalcRes->isChecked());
}

void Body::execSingleCtCalc()
{
    if (params.useCt1)
        ctCalc->calcCt();
    if (params.useCt2)
        handOut(0, params.sliceNo);
}

int Body::busyWorkers(int threads) const
{
    int busy = 0;
    for (int k = 0; k < threads; ++k)
        busy += outstanding[size_t(k)] > 0 || ct2Workers[size_t(k)]->isBusy();
    return busy;
}

void Body::execMultiCtCalc()
{
    if (!calculating)
        return;
    if (!params.autoExec) {
        stopCalcCt();
        return;
    }
    if (!params.useCt2)
        return;
    const int threads = std::clamp(params.threads, 1, int(ct2Workers.size()));
    // A worker counts as busy from the moment it is handed a slice, so none gets a second
    // one queued behind the first while another stands idle.
    for (int k = 0; k < threads; ++k) {
        if (!SlicePacing::within(sliceCursor, params.sliceFrom, params.sliceTo))
            break;
        if (outstanding[size_t(k)] > 0 || ct2Workers[size_t(k)]->isBusy())
            continue;
        handOut(k, sliceCursor);
        sliceCursor += params.sliceStep;
    }
    const int busy = busyWorkers(threads);
    showProgress(SlicePacing::progress(sliceCursor, params.sliceFrom, params.sliceTo,
                                       params.sliceStep, busy));
    if (SlicePacing::within(sliceCursor, params.sliceFrom, params.sliceTo) || busy > 0)
        return;
    stopCalcCt();
}

void Body::showProgress(double percent)
{
    ui.ProgPerCent->setText(QStringLiteral("%1 %").arg(percent, 0, 'f', 1));
    ui.CalcProgress->setValue(int(percent * 10));
}

void Body::stopCalcCt()
{
    calculating = false;
    if (busyWorkers(int(ct2Workers.size())) == 0)
        endVolume();
    calcEndTime = QDateTime::currentDateTime();
    ui.CalcEndT->setText(clockText(calcEndTime));
    ui.CalcSpentT->setText(QString::number(calcStartTime.msecsTo(calcEndTime) / 1000.0, 'g', 6));
    ui.CalcCT->setStyleSheet(QLatin1String(ButtonStyles::Idle));
    if (batchCalcPending) {
        batchCalcPending = false;
        emit batchCalcFinished();
    }
    emit calcFinished();
}

void Body::ctCalcFinished()
{
    stopCalcCt();
}

void Body::ctImage(int no, QImage img)
{
    ctDisp->addImg(no, img);
}

void Body::dRUpdated(double rx0, double rz0, double rx1, double rz1)
{
    for (CtPanel* panel : ctPanels())
        if (panel != sender())
            panel->setDR(rx0, rz0, rx1, rz1);
}

void Body::cRUpdated(double rx0, double rz0, double rx1, double rz1)
{
    for (CtPanel* panel : ctPanels())
        if (panel != sender())
            panel->setCR(rx0, rz0, rx1, rz1);
}

void Body::fixColorScaleChanged()
{
    const bool fixed = ui.FixColorScale->isChecked();
    for (CtPanel* panel : ctPanels()) {
        panel->setFixColorScale(fixed);
        if (fixed)
            panel->setCBarMinMaxForced(colorMin(), colorMax());
    }
}

double Body::colorMin()
{
    return number(ui.ColorMin);
}

double Body::colorMax()
{
    return number(ui.ColorMax);
}

void Body::changedCtSel(QAbstractButton*)
{
    if (ui.SelectCt1->isChecked())
        ui.procCtrl->setAutoExec(false);
}

void Body::changedAutoExec()
{
    if (ui.procCtrl->autoExec())
        ui.SelectCt2->setChecked(true);
}
