// The CT-XAFS side of the main window: data sets chosen from a data directory, the I0 image
// chosen by energy, the tags of the saved files, and the sequential run over a range of sets.
#include "body.h"

#include "buttonstyles.h"

#include "cirvologging.h"
#include "imageio/datafileloader.h"
#include "imageio/imgdata.h"
#include "xafs/xafsbatch.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

#include <cmath>

void Body::connectSequence()
{
    xafsThread = std::make_unique<QThread>();
    xafsBatch->moveToThread(xafsThread.get());
    xafsThread->start();
    XafsBatch* x = xafsBatch.get();
    connect(ui.SelDDir, &SelectDataDir::newSets, this, &Body::newSets);
    connect(ui.SeqCalc, &QPushButton::clicked, x, &XafsBatch::start);
    connect(x, &XafsBatch::setFirstImageSet, this, &Body::setFirstImageSet);
    connect(this, &Body::setFirstSet, ui.SelDDir, &SelectDataDir::setFirstSet);
    connect(this, &Body::finishedLoadingCTFiles, x, &XafsBatch::loadedDataSet);
    connect(x, &XafsBatch::execCalculation, this, &Body::startCalcCt);
    connect(this, &Body::calcFinished, x, &XafsBatch::calcFinished);
    connect(x, &XafsBatch::setNextImageSet, this, &Body::setNextImageSet);
    connect(this, &Body::setNextSet, ui.SelDDir, &SelectDataDir::setNextSet);
    connect(ui.SelDDir, &SelectDataDir::noMoreSets, x, &XafsBatch::noMoreSets);
    connect(x, &XafsBatch::starting, this, &Body::startingSeqCalc);
    connect(x, &XafsBatch::finished, this, &Body::finishedSeqCalc);
    connect(x, &XafsBatch::stage, this, &Body::noticedStage);
    connect(this, &Body::stage, this,
            [this](const QString& msg, qulonglong dEt) { noticedStage(msg, qlonglong(dEt)); });
    connect(ui.SelDDir, &SelectDataDir::selected, this, &Body::selectedDir);
    connect(ui.SelDDir, &SelectDataDir::selectedFileInfoList, this, &Body::selectedFileInfoList);
    connect(ui.SelDDir, &SelectDataDir::selectedHis, this, &Body::selectedHis);
}

void Body::noticeStage(const QString& msg)
{
    const qint64 e = xafsBatch->elapsed();
    emit stage(msg, qulonglong(e - seqLastElapsed));
    seqLastElapsed = e;
}

void Body::noticedStage(QString msg, qlonglong dEt)
{
    // The sequence's own stages come untranslated from the core; the window's are translated.
    ui.ProgressMsg->setText(QCoreApplication::translate("XafsBatch", qPrintable(msg)));
    ui.DeltaET->setText(QString::number(std::trunc(double(dEt) / 100) / 10, 'g', 6));
    ui.TotalET->setText(QString::number(xafsBatch->elapsed() / 1000));
}

void Body::newSets(int count)
{
    if (ui.keepOnNewSet->isChecked())
        return;
    ui.SeqCalcFrom->setValue(1);
    ui.SeqCalcTo->setValue(count);
}

void Body::setFirstImageSet()
{
    noticeStage(tr("Loading first Data Set"));
    emit setFirstSet(ui.SeqCalcFrom->text().toInt() - 1);
}

void Body::setNextImageSet()
{
    noticeStage(tr("Loading next Data Set"));
    emit setNextSet(ui.SeqCalcTo->text().toInt() - 1);
}

void Body::startingSeqCalc()
{
    ui.SeqCalc->setStyleSheet(QLatin1String(ButtonStyles::Running));
}

void Body::finishedSeqCalc()
{
    ui.SeqCalc->setStyleSheet(QLatin1String(ButtonStyles::Idle));
}

void Body::i0FilesSelected(QStringList files, bool)
{
    i0Files.setFiles(files);
    for (const QString& file : files)
        ui.SelI0Files->appendEntry(file);
}

void Body::setI0FileFromList()
{
    if (i0Files.files().isEmpty())
        return;
    const double energy = ui.SelDDir->energy();
    const int nearest = i0Files.nearest(energy);
    if (energy <= 0)
        setProblem = tr("the data set has no energy to choose its I0 file by");
    else if (nearest < 0)
        setProblem = tr("no I0 file has an energy in its name");
    else
        loadI0(i0Files.files().at(nearest));
}

void Body::loadI0(const QString& file)
{
    ui.I0ImgSel->fileSelected0(file);
    const std::shared_ptr<ImgData>& image = ui.I0ImgSel->currentImage();
    // The panel keeps its earlier image when a file fails; that image belongs to another energy.
    if (!image || image->fileName != file)
        setProblem = tr("the I0 file %1 could not be loaded").arg(file);
}

QString Body::tagDataSet()
{
    const QString tag = ui.SelDDir->energyText();
    ui.SelectImageSaveDir->setTag(tag);
    ui.SelectDataSaveDir->setTag(tag);
    return tag;
}

void Body::prepareDataSet()
{
    setProblem.clear();
    setI0FileFromList();
    tagDataSet();
}

void Body::selectedDir(QString dir, QStringList patterns)
{
    prepareDataSet();
    ui.CTFiles->selectFilesInDir(dir, patterns);
}

void Body::selectedFileInfoList(QFileInfoList fileInfoList)
{
    prepareDataSet();
    ui.CTFiles->selectFileInfos(fileInfoList);
}

void Body::selectedHis(ZephMetaItem zephMetaItem)
{
    setProblem.clear();
    loadI0(zephMetaItem.i0Path);
    qCDebug(lcXafs) << "setid" << tagDataSet();
    ui.CTFiles->selectFiles({zephMetaItem.dataPath});
}

void Body::skipCalculation(const QString& why)
{
    qCDebug(lcXafs) << "Data set not calculated :" << why;
    if (xafsBatch->isRunning())
        noticeStage(tr("Skipped: %1").arg(why));
    if (batchCalcPending) {
        batchCalcPending = false;
        emit batchCalcFinished();
    }
    emit calcFinished();
}

void Body::placeWindows()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The frame around the client area, known once the window has been shown.
    const int frameHeight = std::max(frameGeometry().height() - height(), 0);
    const int frameWidth = std::max(frameGeometry().width() - width(), 0);
    const QSize column = ui.ControlColumn->sizeHint();
    const QMargins margins = ui.centralwidget->layout()->contentsMargins();
    const int wanted = column.height() + margins.top() + margins.bottom();
    const int w =
        std::max(column.width() + ui.ControlScroll->verticalScrollBar()->sizeHint().width(),
                 ui.ControlScroll->minimumWidth()) +
        margins.left() + margins.right();
    resize(std::min(w, available.width() - frameWidth),
           std::min(wanted, available.height() - frameHeight));
    move(available.topLeft());

    QWidget* images = ui.ImgsPopDocBase->popWindow();
    const int left = frameGeometry().right() + 1;
    const int room = available.right() + 1 - left;
    if (room >= 400) {
        images->move(left, available.top());
        images->resize(std::min(images->width(), room - frameWidth),
                       std::min(images->height(), available.height() - frameHeight));
    }
}
