#pragma once

#include "batch/batchcmd.h"
#include "display/mousec.h"
#include "imageio/i0fileset.h"
#include "recon/ctcalc2.h"
#include "recon/procparams.h"
#include "ui_body.h"
#include "xafs/zephmetaitem.h"

#include <QDateTime>
#include <QFileInfoList>
#include <QMainWindow>
#include <QPen>
#include <QThread>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class Batch;
class CtCalc;
class CtCalc2;
class CtCalc2Ui;
class CtDisp;
class CtPanel;
class CtView;
class DataFileLoader;
class DataSaver;
class ImgDatas;
class QAbstractButton;
class QButtonGroup;
class QFileDialog;
class RawDisp;
class Sinogram;
class XafsBatch;
class ZandorLink;

// The one main window. It owns the panels and workers, drives loading, the raw image with its
// overlay, and the calculations (CT1, or a pool of CT2 workers over a range of slices), and
// executes batch commands, including the configuration file's lines at the end of construction.
class Body : public QMainWindow
{
    Q_OBJECT

public:
    // `ct2WorkerCount` 0: one CT2 worker per hardware thread.
    explicit Body(int ct2WorkerCount = 0);
    ~Body() override;

    // The window's widgets, for scripting and tests; the image tabs live in their own window.
    Ui_Body& form() { return ui; }
    int ct2WorkerCount() const { return int(ct2Workers.size()); }
    bool isCalculating() const { return calculating; }
    const ProcParams& snapshot() const { return params; }
    // Sizes the window to its control column, within the screen, and puts the image window
    // beside it.
    void placeWindows();

signals:
    void batchCalcStart();
    void batchCalcFinished();
    void startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice, bool genImg = true);
    void finishing();
    void setFirstSet(int firstIdx);
    void setNextSet(int lastIdx);
    void finishedLoadingCTFiles();
    void calcFinished();
    void stage(QString msg, qulonglong dEt);
    void callBatchLoad(QString fname);
    void callBatchExec();
    void callBatchCheckEnd();
    // The script has ended (":end", ":stop", past its last line, or stopped), or could not be
    // loaded; an unattended run quits on them.
    void batchEnded();
    void batchLoadFailed();
    void zdrLoadFilesOfPattern(QString path);
    void zdrLoadFiles(QStringList fileList);
    void zdrStatChanged();
    void exec2dA(QString sliceNoS);

public slots:
    void batchLoad(QString fname);
    void batchExec();
    void batchExCmd(BatchCmd cmd);
    void setFixColorScale(bool f);
    void setColorMin(double v);
    void setColorMax(double v);
    void setAutoSaveImage(bool f);
    void setAutoSaveData(bool f);

private slots:
    void dataFilesSelected(QStringList files, bool clear);
    void finishedLoadDataFiles();
    void i0FilesSelected(QStringList files, bool clear);
    void newPosOnRawImg(double x, double y);
    void updateRawImage();
    void draw(QPainter* p);
    void selectedAPointInRawImg(double x, double y, MouseC::MStat s);
    void showDispRaw();
    void showSinogram();
    void toggleCalcCt();
    void startCalcCt();
    void stopCalcCt();
    void setupFFT();
    void setupSaveConds();
    // Where the float outputs of the calculation starting now go.
    FloatTarget floatTarget() const;
    // The data set's TIFF stack and HDF5 file for the slices of the calculation starting now.
    void beginVolume(const FloatTarget& target);
    void endVolume();
    void execSingleCtCalc();
    void execMultiCtCalc();
    void ctCalcFinished();
    void setShowAdditionalInfo(bool f);
    void setShowAdditionalAdditionalInfo(bool f);
    void changedCtSel(QAbstractButton* button);
    void changedAutoExec();
    void dRUpdated(double rx0, double rz0, double rx1, double rz1);
    void cRUpdated(double rx0, double rz0, double rx1, double rz1);
    void fixColorScaleChanged();
    double colorMin();
    double colorMax();
    void selectedDir(QString dir, QStringList patterns);
    void selectedFileInfoList(QFileInfoList fileInfoList);
    void selectedHis(ZephMetaItem zephMetaItem);
    void newSets(int count);
    void setFirstImageSet();
    void setNextImageSet();
    void startingSeqCalc();
    void finishedSeqCalc();
    void noticedStage(QString msg, qlonglong dEt);
    void setI0FileFromList();
    void showSaveSetupD();
    void showLoadSetupD();
    void saveLoadFileSelected(QString fname);
    void saveSetup(QString fname);
    void loadSetup(QString fname);
    void exec2dA0();
    void setupZandorLink();
    void zdrInitFlags();
    void zdrChangedIsBusy(bool f);
    void zdrStageCtrl();
    void zdrStartCont2dA();
    void ctImage(int no, QImage img);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPanels();
    void createCt2Pool(int n);
    void connectSignals();
    void showTab(int position);
    bool hasImages() const;
    void applySelection(const QRectF& selection);
    // CT1's panel and every CT2 panel.
    QList<CtPanel*> ctPanels() const;
    void setRegions(double rx0, double rz0, double rx1, double rz1);
    void handOut(int worker, int slice);
    int busyWorkers(int threads) const;
    void showProgress(double percent);
    void connectSequence();
    void noticeStage(const QString& msg);
    // Picks the I0 file by energy and tags the saved files with the set's energy text.
    void prepareDataSet();
    // Writes the current set's energy text into both save selectors' tags.
    QString tagDataSet();
    void loadI0(const QString& file);
    void skipCalculation(const QString& why);
    // "calc_exec": starts a calculation now, or once the files being loaded are in.
    void batchCalc();
    void selectCt(bool ct1);
    // A script's filter and ring settings; an unknown name changes nothing and says so.
    void setFilterWindow(const QString& name);
    void setRings(const QString& text);
    // Changes the rotation axis only when it differs, so nothing is reported otherwise.
    void setRotAxIsV(bool v);
    // The setup dialog, "Save Setup" and "Load Setup" (connections of the setup files).
    void createSetupDialog();
    // Asks the companion to load the saved data files of slice `s`.
    void sendSliceFiles(int s);
    void endCont2dA();

    std::array<QPen, 6> pens;
    // The I0 images of a CT-XAFS series with the energy of each.
    I0FileSet i0Files;
    ProcParams params;
    int sliceCursor = 0;
    QDateTime calcStartTime;
    QDateTime calcEndTime;
    bool needRegionReset = true;
    bool needSliceToReset = true;
    bool needSliceNoReset = true;
    bool needCorReset = true;
    bool calculating = false;
    // The volume files begun for the calculation in progress, ended when it stops.
    std::optional<FloatTarget> openVolume;
    bool batchCalcPending = false;
    // From a selection of image files until the load chain has finished.
    bool loading = false;
    bool calcAfterLoad = false;
    bool showAllCt2Tabs = false;
    qint64 seqLastElapsed = 0;
    // Why the data set of a sequence must not be calculated (its I0 or some of its images
    // could not be had); empty when it may.
    QString setProblem;
    // The companion program: its busy report, the request stage (0 idle, 1 files asked for,
    // 2 analysis asked for) and a "Cont. 2DA" run over a slice range.
    bool zdrIsBusy = false;
    int zdrStage = 0;
    bool cont2dA = false;
    int contFrom = 0;
    int contTo = 0;
    int contStep = 0;
    int contSlice = 0;

    std::unique_ptr<Batch> batch;
    std::unique_ptr<QThread> batchThread;
    std::unique_ptr<XafsBatch> xafsBatch;
    std::unique_ptr<QThread> xafsThread;
    std::unique_ptr<ImgDatas> imgDatas;
    std::unique_ptr<QThread> imgThread;
    std::unique_ptr<DataFileLoader> loader;
    std::unique_ptr<ZandorLink> link;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<QThread> saverThread;
    std::vector<std::unique_ptr<CtCalc2>> ct2Workers;
    std::vector<std::unique_ptr<QThread>> ct2Threads;
    QList<CtCalc2Ui*> ct2Uis;
    // Slices handed to each worker and not yet reported finished.
    std::vector<int> outstanding;

    Ui_Body ui;
    QButtonGroup* ctSelection = nullptr;
    QFileDialog* setupDialog = nullptr;
    bool setupDialogSaves = true;
    RawDisp* rawDisp = nullptr;
    Sinogram* sinogram = nullptr;
    CtCalc* ctCalc = nullptr;
    CtDisp* ctDisp = nullptr;
    CtView* ctView = nullptr;
};
