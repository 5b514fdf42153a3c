#pragma once

#include "ctpanel.h"
#include "recon/fbpcore.h"
#include "recon/hsgm.h"

class CtProgress;
class QThread;
class Sinogram;
struct ProcParams;

// The single-slice path: reconstructs the sinogram panel's slice by filtered back-projection,
// all projections at once or one per turn of the event loop, and shows the growing slice.
class CtCalc : public CtPanel
{
    Q_OBJECT

public:
    explicit CtCalc(ProcParams* params, QWidget* parent = nullptr);
    ~CtCalc() override;

    void setSinogram(Sinogram* sinogram) { m_sinogram = sinogram; }
    const FbpCore& core() const { return m_core; }
    bool isRunning() const { return m_running; }

signals:
    void askToStartCalc();
    void startCalcAll();
    void calcFinished();
    void startCalcOneByOne();
    void finishedCalcOne();

public slots:
    void startCt();
    void stopCt();
    void endCt();
    void calcAll();
    void calcOne(int iz);
    void noticedNewPos(double x, double z);
    void calcCt();
    void genResImage();
    void setSaveImage(bool f, QString path, QString name, QString tag);
    void setSaveData(bool f, QString path, QString name, QString tag);

private:
    struct SaveSettings {
        bool on = false;
        QString path, name, tag;
    };

    // Δ and θ0 of the snapshot's angles.
    double delta() const;
    double theta0() const;

    ProcParams* m_params;
    Sinogram* m_sinogram = nullptr;
    // The sinogram of the run, copied so that a change of the panel's slice mid-run is harmless.
    HSgm m_sgm;
    FbpCore m_core;
    int m_rows = 0;
    bool m_running = false;
    SaveSettings m_saveImage;
    SaveSettings m_saveData;
    QThread* m_progressThread;
    CtProgress* m_progress;
};
