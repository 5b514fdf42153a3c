#pragma once

#include "recon/fbpfilter.h"
#include "recon/ringfilter.h"
#include "ui_procctrl.h"

#include <QFrame>

class QAbstractButton;
struct ProcParams;

// Reconstruction parameters. Other panels read the fields live; a calculation works on the
// copy takeSnapshot() makes. Slice number, CoR and orientation are also kept as values so
// that they change, and are reported, only when an edit is finished.
class ProcCtrl : public QFrame
{
    Q_OBJECT

public:
    // A CoR noted at a slice; a negative slice means no record.
    struct CorRecord {
        int slice = -1;
        double cor = 0.0;
    };

    explicit ProcCtrl(QWidget* parent = nullptr);

    // Orientation, slice number and CoR as stored by finished edits and the set-slots (the CoR
    // at full precision); the other fields as they read now.
    int threads() const;
    bool rotAxIsV() const;
    int sliceNo() const;
    double cor() const;
    double angleOriginDeg() const;
    double dataSetRangeDeg() const;
    int dataSetImages() const;
    int usingImages() const;
    int startImageNo() const;
    bool usePartialDataSet() const;
    bool autoExec() const;
    int sliceFrom() const;
    int sliceTo() const;
    int sliceStep() const;
    FbpFilter filter() const;
    bool singlePrecision() const { return ui.SinglePrecision->isChecked(); }
    // The ring filter as chosen; the method's default strength when the one typed is not taken.
    RingOptions rings() const;
    const CorRecord& record1() const { return m_record1; }
    const CorRecord& record2() const { return m_record2; }

    void setMaxThreads(int n);
    // Records a (slice, CoR) pair as the first (1) or second (2) record, as a script does.
    void setRecord(int which, int slice, double cor);
    void takeSnapshot(ProcParams& record, bool useCt1, bool useCt2) const;

signals:
    void usePartialDataSetUpdated();
    void autoUpdateUpdated();
    void autoExecUpdated();
    void rotAxUpdated();
    void sliceNoUpdated();
    void corUpdated();
    void angleOriginUpdated();
    void dataSetRangeUpdated();
    void dataSetUsingImagesUpdated();
    void dataSetStartImageNoUpdated();
    void askGenImage();

public slots:
    void showPartial();
    // The strength field shows the method's default and is off without a method.
    void showRingStrength();
    // A strength the method does not take is cleared, with a debug message.
    void checkRingStrength();
    void recordCoR();
    void sliceNoEditingFinished();
    void corEditingFinished();
    void rotAxSelectionChanged(QAbstractButton*);
    void clearRecordedCoR();
    void setCor(double cor);
    void setSliceNo(int sliceNo);
    void setSliceFrom(int sliceFrom);
    void setSliceTo(int sliceTo);
    void setSliceStep(int sliceStep);
    void setAngleOriginDeg(double deg);
    void setDataSetRangeDeg(double deg);
    void setDataSetImages(int images);
    void setDataSetUsingImages(int images);
    void setDataSetStartImageNo(int imageNo);
    void setUsePartialDataSet(bool f);
    void setFilter(const FbpFilter& filter);
    void setSinglePrecision(bool f) { ui.SinglePrecision->setChecked(f); }
    void setRings(const RingOptions& rings);
    void setRotAxIsV(bool v);
    void setAutoExec(bool f);
    void setThreads(int n);

private:
    void showRecords();

    Ui_ProcCtrl ui;
    bool m_rotAxIsV = false;
    int m_sliceNo = 0;
    double m_cor = 0.0;
    CorRecord m_record1;
    CorRecord m_record2;
};
