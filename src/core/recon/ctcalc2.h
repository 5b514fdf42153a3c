#pragma once

#include "display/greyscale.h"
#include "fbpcore.h"
#include "fbpcoref.h"
#include "hsgm.h"
#include "imageio/imgdatas.h"
#include "procparams.h"
#include "savingrecords.h"

#include <QDateTime>
#include <QObject>

#include <atomic>
#include <limits>
#include <memory>

// Where one kind of result goes, as the main window's saving options say.
struct SaveTarget {
    bool on = false;
    QString path;
    QString name;
    QString tag;
};

// Where a slice's float values go: its own float TIFF and/or the data set's volume files.
struct FloatTarget {
    bool tiff = false;
    bool volume = false;
    QString path;
    QString name;
    QString tag;
    double energyEv = std::numeric_limits<double>::quiet_NaN();
};

// Everything a worker needs from the GUI side, copied before a run: the images (shared,
// read-only), the parameter snapshot, the panel's region and colour-bar numbers.
struct Ct2Inputs {
    std::shared_ptr<const ImageSet> images;
    ProcParams params;
    bool usePartial = false;
    FbpRegion region;
    bool regionSet = false;
    GreyScale scale;
    bool fixedScale = false;
};

// What a finished slice sends back to its panel on the GUI thread.
struct Ct2Result {
    int slice = 0;
    int n = 0;
    // Null when the sinogram was empty and nothing was reconstructed.
    std::shared_ptr<const std::vector<double>> values;
    QImage picture;
    double min = 0;
    double max = 0;
    // The region was not set, so the whole slice (0, 0, N, N) was used.
    bool regionDefaulted = false;
    QDateTime start;
    QDateTime end;
};

Q_DECLARE_METATYPE(Ct2Inputs)
Q_DECLARE_METATYPE(Ct2Result)

// A multi-slice worker living on its own thread: builds its own sinogram of one slice from the
// shared images, reconstructs it with the shared engine and hands pictures and data text to
// the saver. It reads no widget; its panel follows its signals.
class CtCalc2 : public QObject
{
    Q_OBJECT

public:
    explicit CtCalc2(QObject* parent = nullptr);

    bool isBusy() const { return m_busy; }
    // For tests and the read-out: valid on the worker's thread or while it is idle.
    const FbpCore& core() const { return m_core; }

signals:
    void askToStartCalc();
    void calcFinished();
    void saveDataWDiscard(SavingData data);
    void saveImgWDiscard(SavingImg img);
    void saveFloatsWDiscard(SavingFloats floats);
    void addToVolume(SavingFloats floats);
    void ctImage(int slice, QImage imge);
    void calcStarted(int slice, QDateTime start);
    void resultReady(Ct2Result result);

public slots:
    void setInputs(const Ct2Inputs& inputs);
    void prepare(int n, int count);
    void startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice, bool genAndDispImage);
    void startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice);
    void setSaveImage(bool f, QString path, QString name, QString tag);
    void setSaveData(bool f, QString path, QString name, QString tag);
    void setSaveFloats(const FloatTarget& target);

private:
    // Prepares the engine the parameters choose for n samples and `rows` projections.
    bool prepareEngine(int n, int rows);
    // The slice from the sinogram, by the engine the parameters choose.
    std::shared_ptr<const std::vector<double>> reconstruct(int n, FbpRegion region);
    void makePicture(Ct2Result& result);
    void emitFloats(int slice, double cor, const std::vector<double>& values, int n,
                    const FbpRegion& region);

    Ct2Inputs m_inputs;
    HSgm m_sgm;
    FbpCore m_core;
    FbpCoreF m_coreF;
    int m_count = 0;
    std::atomic<bool> m_busy{false};
    SaveTarget m_saveImage;
    SaveTarget m_saveData;
    FloatTarget m_saveFloats;
};
