#include "body.h"

#include "buttonstyles.h"

#include "batch/batch.h"
#include "cirvologging.h"
#include "config/config.h"
#include "display/closablebase.h"
#include "display/ctdisp.h"
#include "display/rawdisp.h"
#include "imageio/datafileloader.h"
#include "imageio/imgdata.h"
#include "imageio/imgdatas.h"
#include "link/zandorlink.h"
#include "recon/ctcalc.h"
#include "recon/ctcalc2.h"
#include "recon/ctcalc2ui.h"
#include "recon/datasaver.h"
#include "recon/sinogram.h"
#include "view3d/ctview.h"
#include "xafs/xafsbatch.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QPainter>

#include <climits>
#include <cmath>

namespace
{

// A coordinate as a slice number; outside the 32-bit range it becomes the smallest one.
int sliceOf(double v)
{
    return v >= double(INT_MIN) && v < 2147483648.0 ? int(v) : INT_MIN;
}

void titled(PopDockBase* base, QWidget* content, const QString& title)
{
    base->setContent(content);
    base->popWindow()->setWindowTitle(title);
}

} // namespace

Body::Body(int ct2WorkerCount)
    : QMainWindow(nullptr), batch(std::make_unique<Batch>()),
      xafsBatch(std::make_unique<XafsBatch>()), imgDatas(std::make_unique<ImgDatas>())
{
    const QColor colours[6] = {{255, 255, 0},   {255, 232, 232}, {255, 200, 200},
                               {255, 232, 232}, {255, 0, 0},     {232, 255, 0}};
    for (int i = 0; i < 6; ++i)
        pens[size_t(i)] = QPen(colours[i]);
    pens[3].setDashPattern({10, 3, 4, 3});
    params.useCt1 = true;
    params.useCt2 = false;

    qRegisterMetaType<BatchCmd>("BatchCmd");
    ui.setupUi(this);

    titled(ui.ImgsPopDocBase, ui.ImgsTab, tr("Cirvo Images"));
    ui.ImgsPopDocBase->setPopped(true);
    for (QPushButton* button : {ui.CalcCT, ui.SeqCalc, ui.Cont2DA})
        button->setStyleSheet(QLatin1String(ButtonStyles::Idle));
    for (SelectAFile* selector : {ui.SelectImageSaveDir, ui.SelectDataSaveDir}) {
        selector->setMode(SelectAFile::SaveFile);
        selector->showNameAndTag(true);
    }
    ui.SelI0Files->setSimplified(tr("Sel. I0 File Set"));

    imgThread = std::make_unique<QThread>();
    imgDatas->moveToThread(imgThread.get());
    imgThread->start();
    imgDatas->setI0Slot(ui.I0ImgSel->imageSlot());
    imgDatas->setBGSlot(ui.BGImgSel->imageSlot());
    loader = std::make_unique<DataFileLoader>(imgDatas.get());
    link = std::make_unique<ZandorLink>();
    buildPanels();

    batchThread = std::make_unique<QThread>();
    batch->moveToThread(batchThread.get());
    batchThread->start();
    connect(this, &Body::callBatchLoad, batch.get(), &Batch::batchLoad);
    connect(this, &Body::callBatchExec, batch.get(), &Batch::batchExec);
    connect(batch.get(), &Batch::batchExCmd, this, &Body::batchExCmd);
    connect(this, &Body::callBatchCheckEnd, batch.get(), &Batch::batchCheckEnd);
    connect(batch.get(), &Batch::ended, this, &Body::batchEnded);
    connect(batch.get(), &Batch::loadFailed, this, &Body::batchLoadFailed);
    connect(this, &Body::batchCalcStart, this, &Body::startCalcCt);
    connect(this, &Body::batchCalcFinished, this, &Body::callBatchCheckEnd);
    connectSequence();

    const int n = ct2WorkerCount > 0 ? ct2WorkerCount : std::max(1, QThread::idealThreadCount());
    createCt2Pool(n);
    ui.procCtrl->setMaxThreads(n);
    ui.procCtrl->setThreads(int(n * 0.8));

    ctSelection = new QButtonGroup(this);
    ctSelection->setExclusive(true);
    ctSelection->addButton(ui.SelectCt1);
    ctSelection->addButton(ui.SelectCt2);
    ui.SelectCt1->setChecked(true);
    connectSignals();
    createSetupDialog();
    setShowAdditionalInfo(ui.ShowAdditionalInfo->isChecked());
    ui.I0ofRawImage_->setTitle(tr("I0 of Raw Image"));
    ui.I0ofI0Image_->setTitle(tr("I0 of I0 Image"));

    for (const QString& line : Config::instance().lines())
        batchExCmd(BatchCmd::parse(line));
    setupZandorLink();
}

Body::~Body()
{
    // The link reports its last state change as it goes; nothing here may hear it then.
    link->disconnect(this);
    // Workers first, so that no slice is handed to the saver after it has been drained.
    for (const auto& thread : ct2Threads) {
        thread->quit();
        thread->wait();
    }
    // Records still queued to the saver are written before its thread ends: a script that ends
    // right after its last calculation must not lose that calculation's files.
    QMetaObject::invokeMethod(
        saver.get(), [] {}, Qt::BlockingQueuedConnection);
    for (QThread* thread :
         {imgThread.get(), batchThread.get(), xafsThread.get(), saverThread.get()}) {
        thread->quit();
        thread->wait();
    }
    imgDatas->clear();
}

void Body::buildPanels()
{
    rawDisp = new RawDisp;
    rawDisp->imgDatas = imgDatas.get();
    sinogram = new Sinogram;
    sinogram->setImgDatas(imgDatas.get());
    sinogram->setProcCtrl(ui.procCtrl);
    ctCalc = new CtCalc(&params);
    ctCalc->setSinogram(sinogram);
    sinogram->genSgmImage();
    ctDisp = new CtDisp;
    ctView = new CtView(Config::dataRoot());

    titled(ui.RawImgBase, rawDisp, tr("Measured Raw Image"));
    titled(ui.SinogramImgBase, sinogram, tr("Check Sinogram"));
    titled(ui.CtImgBase, ctCalc, tr("CT Reconstruction"));
    titled(ui.I0ImgBase, ui.I0ImgSel->display(), tr("I0 Image"));
    titled(ui.BGImgBase, ui.BGImgSel->display(), tr("BG Image"));
    titled(ui.CtImgsBase, ctDisp, tr("CT images"));
    titled(ui.CtViewBase, ctView, tr("Reconstructed Body View"));
}

void Body::connectSignals()
{
    connect(loader.get(), &DataFileLoader::imageLoaded, ui.CTFiles, &SelectDataFiles::appendEntry);
    connect(loader.get(), &DataFileLoader::imagesCleared, this, [this] {
        ui.seekCtrl->setMaximum(0);
        ui.seekCtrl->ui.Seek->setValue(0);
        ui.seekCtrl->ui.Index->setValue(0);
        rawDisp->scaleSet = false;
    });
    connect(loader.get(), &DataFileLoader::noticeFinishedLoadDataFiles, this,
            &Body::finishedLoadDataFiles, Qt::QueuedConnection);

    connect(ctSelection, &QButtonGroup::buttonClicked, this, &Body::changedCtSel);
    connect(ui.procCtrl, &ProcCtrl::autoExecUpdated, this, &Body::changedAutoExec);
    connect(ui.CTFiles, &SelectDataFiles::filesSelected, this, &Body::dataFilesSelected);
    connect(ui.SelI0Files, &SelectDataFiles::filesSelected, this, &Body::i0FilesSelected);
    connect(rawDisp, &DispAWLayout::drawImage2, this, &Body::draw);
    connect(rawDisp, &ImgDispWPV::newPosInvY, this, &Body::newPosOnRawImg);
    connect(rawDisp, &ImgDispWCBar::newBar, this, &Body::updateRawImage);
    connect(rawDisp, &ImgDisp::selectedAPoint, this, &Body::selectedAPointInRawImg);
    connect(ui.seekCtrl, &SeekCtrl::newIndex, this, &Body::updateRawImage);
    connect(imgDatas.get(), &ImgDatas::imageUpdated, rawDisp, qOverload<>(&QWidget::update));
    connect(ctCalc, &CtCalc::askToStartCalc, this, &Body::toggleCalcCt);
    connect(ui.CalcCT, &QPushButton::clicked, this, &Body::toggleCalcCt);
    connect(ctCalc, &CtPanel::cRUpdated, this, &Body::cRUpdated);
    connect(ctCalc, &CtPanel::dRUpdated, this, &Body::dRUpdated);
    connect(ctCalc, &CtCalc::calcFinished, this, &Body::ctCalcFinished);
    for (const auto signal :
         {&ProcCtrl::rotAxUpdated, &ProcCtrl::sliceNoUpdated, &ProcCtrl::corUpdated})
        connect(ui.procCtrl, signal, rawDisp->form.dispB, qOverload<>(&QWidget::update));
    connect(ui.ShowAdditionalInfo, &QCheckBox::toggled, this, &Body::setShowAdditionalInfo);
    connect(ui.ShowAdditionalAdditionalInfo, &QCheckBox::toggled, this,
            &Body::setShowAdditionalAdditionalInfo);
    connect(ui.FixColorScale, &QCheckBox::toggled, this, &Body::fixColorScaleChanged);
    connect(ui.ColorMin, &QLineEdit::editingFinished, this, &Body::fixColorScaleChanged);
    connect(ui.ColorMax, &QLineEdit::editingFinished, this, &Body::fixColorScaleChanged);
}

void Body::batchLoad(QString fname)
{
    emit callBatchLoad(fname);
}

void Body::batchExec()
{
    emit callBatchExec();
}

bool Body::hasImages() const
{
    return imgDatas->count() > 0;
}

void Body::dataFilesSelected(QStringList files, bool clear)
{
    // The workers keep the last calculation's images until the next one; let them go now, or
    // a sequence would hold two data sets in memory while it loads the next.
    if (clear && !calculating)
        for (const auto& worker : ct2Workers) {
            CtCalc2* w = worker.get();
            QMetaObject::invokeMethod(
                w, [w] { w->setInputs(Ct2Inputs{}); }, Qt::QueuedConnection);
        }
    loading = true;
    loader->dataFilesSelected(files, clear);
}

void Body::finishedLoadDataFiles()
{
    if (loader->refusedImages() > 0)
        setProblem =
            tr("%1 image(s) of the data set could not be loaded").arg(loader->refusedImages());
    const bool keep = ui.CTFiles->keepConditions();
    const int w = imgDatas->width;
    const int h = imgDatas->height;
    ProcCtrl* pc = ui.procCtrl;
    const bool v = pc->rotAxIsV();
    if (needSliceToReset || !keep) {
        pc->setSliceTo((v ? h : w) - 1);
        needSliceToReset = false;
    }
    if (needSliceNoReset || !keep) {
        pc->setSliceNo(v ? int(h * 0.5) : w / 2);
        needSliceNoReset = false;
    }
    if (needCorReset || !keep) {
        pc->setCor(v ? w * 0.5 : h / 2);
        needCorReset = false;
    }
    pc->setDataSetImages(imgDatas->count());
    ui.seekCtrl->setMaximum(std::max(imgDatas->count() - 1, 0));
    updateRawImage();
    sinogram->genSgmImage();
    if (needRegionReset || !keep) {
        const double e = (v ? w : h) - 1;
        setRegions(0, 0, e, e);
        needRegionReset = false;
    }
    loading = false;
    emit finishedLoadingCTFiles();
    if (calcAfterLoad) {
        calcAfterLoad = false;
        emit batchCalcStart();
    }
}

QList<CtPanel*> Body::ctPanels() const
{
    QList<CtPanel*> panels{ctCalc};
    for (CtCalc2Ui* panel : ct2Uis)
        panels << panel;
    return panels;
}

void Body::setRegions(double rx0, double rz0, double rx1, double rz1)
{
    for (CtPanel* panel : ctPanels()) {
        panel->setDR(rx0, rz0, rx1, rz1);
        panel->setCR(rx0, rz0, rx1, rz1);
    }
}

void Body::updateRawImage()
{
    ImgData* image = imgDatas->image(ui.seekCtrl->ui.Index->value());
    if (image)
        rawDisp->barForm.CBar->toGreyImage(*image, rawDisp->image);
    rawDisp->newImage();
}

void Body::newPosOnRawImg(double x, double y)
{
    const ImgData* image = imgDatas->image(ui.seekCtrl->ui.Index->value());
    rawDisp->setVal(image ? image->valueAt(int(x), int(y)) : 0.0);
}

void Body::selectedAPointInRawImg(double x, double y, MouseC::MStat s)
{
    const bool v = ui.procCtrl->rotAxIsV();
    if (s == MouseC::RightNone)
        ui.procCtrl->setCor(v ? x : y);
    else if (s == MouseC::LeftNone) {
        ui.procCtrl->setSliceNo(v ? int(y) : int(x));
        if (ui.SendMsg2Zandor->isChecked())
            sendSliceFiles(v ? int(y) : int(x));
    }
}

void Body::showDispRaw()
{
    rawDisp->setVisible(!rawDisp->isVisible());
}

void Body::showSinogram()
{
    sinogram->setVisible(!sinogram->isVisible());
    sinogram->genSgmImage();
}

void Body::draw(QPainter* p)
{
    if (!hasImages())
        return;
    const QWidget* area = rawDisp->form.dispB;
    const ChCoord* c = rawDisp->coord;
    const double width = area->width();
    const double height = area->height();
    const bool v = ui.procCtrl->rotAxIsV();
    // A line across the picture at slice position s: a row when the axis is vertical.
    const auto sliceLine = [&](double s) {
        if (v)
            p->drawLine(QPointF(0, c->toScreenY(s)), QPointF(width, c->toScreenY(s)));
        else
            p->drawLine(QPointF(c->toScreenX(s), 0), QPointF(c->toScreenX(s), height));
    };
    p->save();
    p->setPen(pens[0]);
    p->drawLine(QPointF(width / 2, 0), QPointF(width / 2, height));
    p->drawLine(QPointF(0, height / 2), QPointF(width, height / 2));
    p->setPen(pens[1]);
    sliceLine(ui.procCtrl->sliceNo());
    p->setPen(pens[2]);
    sliceLine(ui.procCtrl->sliceFrom());
    sliceLine(ui.procCtrl->sliceTo());
    p->setPen(pens[3]);
    const double cor = ui.procCtrl->cor();
    if (v)
        p->drawLine(QPointF(c->toScreenX(cor), 0), QPointF(c->toScreenX(cor), height));
    else
        p->drawLine(QPointF(0, c->toScreenY(cor)), QPointF(width, c->toScreenY(cor)));
    if (rawDisp->selecting || rawDisp->hasSelection) {
        const QRectF s = rawDisp->selection.normalized();
        p->setPen(rawDisp->selecting ? pens[4] : pens[5]);
        p->drawRect(QRectF(QPointF(c->toScreenX(s.left()), c->toScreenY(s.top())),
                           QPointF(c->toScreenX(s.right()), c->toScreenY(s.bottom()))));
        if (!rawDisp->selecting)
            applySelection(s);
    }
    p->restore();
}

void Body::applySelection(const QRectF& s)
{
    const bool v = ui.procCtrl->rotAxIsV();
    const double across = v ? s.x() : s.y();
    const double span = v ? s.width() : s.height();
    const double along = v ? s.y() : s.x();
    const double length = v ? s.height() : s.width();
    setRegions(across, across, across + span, across + span);
    ui.procCtrl->setSliceFrom(sliceOf(along));
    ui.procCtrl->setSliceTo(sliceOf(along + length));
}

void Body::setShowAdditionalInfo(bool f)
{
    ui.AdditionalInfo->setVisible(f);
    ui.ShowAdditionalAdditionalInfo->setVisible(f);
    setShowAdditionalAdditionalInfo(f && ui.ShowAdditionalAdditionalInfo->isChecked());
}

void Body::setShowAdditionalAdditionalInfo(bool f)
{
    ui.AdditionalAdditionalInfo->setVisible(f);
}

void Body::setFixColorScale(bool f)
{
    ui.FixColorScale->setChecked(f);
}

void Body::setColorMin(double v)
{
    ui.ColorMin->setText(QString::number(v, 'g', 6));
}

void Body::setColorMax(double v)
{
    ui.ColorMax->setText(QString::number(v, 'g', 6));
}

void Body::setAutoSaveImage(bool f)
{
    ui.AutoSaveImage->setChecked(f);
}

void Body::setAutoSaveData(bool f)
{
    ui.AutoSaveData->setChecked(f);
}

void Body::closeEvent(QCloseEvent* event)
{
    emit finishing();
    QMainWindow::closeEvent(event);
}
