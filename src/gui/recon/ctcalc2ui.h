#pragma once

#include "ctpanel.h"
#include "recon/ctcalc2.h"

// The result panel of one multi-slice worker. It follows the worker's signals on the GUI thread
// and hands the worker its region and colour-bar numbers as values.
class CtCalc2Ui : public CtPanel
{
    Q_OBJECT

public:
    explicit CtCalc2Ui(QWidget* parent = nullptr);

    void setWorker(CtCalc2* worker);
    CtCalc2* worker() const { return m_worker; }
    // The panel's part of a worker's inputs: region, whether it is set, and the bar's numbers.
    void fillInputs(Ct2Inputs& inputs) const;
    const Ct2Result& lastResult() const { return m_result; }

public slots:
    void noticedNewPos(double x, double z);
    void showStartTime();
    void showEndTime();
    void showSpentT();
    void showSliceNo(int no);
    void newImage();
    void saveImage(QString fname);
    void genResImage();

private:
    void calcStarted(int slice, const QDateTime& start);
    void resultReady(const Ct2Result& result);

    CtCalc2* m_worker = nullptr;
    Ct2Result m_result;
};
