#pragma once

#include "recon/hsgm.h"
#include "recon/sinogrambuilder.h"
#include "ui_sinogram.h"

#include <QFrame>

#include <limits>

class ImgDatas;
class ProcCtrl;

// The sinogram of the current slice about the CoR, drawn above its own mirror image so that a
// wrong CoR shows as a mismatch; the CoR can be typed, dragged, guessed or found.
class Sinogram : public QFrame
{
    Q_OBJECT

public:
    explicit Sinogram(QWidget* parent = nullptr);

    // The owner sets both right after construction.
    void setProcCtrl(ProcCtrl* procCtrl);
    void setImgDatas(ImgDatas* imgDatas);

    const HSgm& record() const { return m_sgm; }
    // The two check boxes of the picture, for scripts.
    void setAlterStack(bool f) { ui.AlterStack->setChecked(f); }
    void setMoveYWMouse(bool f) { ui.MoveYWMouse->setChecked(f); }
    // The extremes of the record's raw values as the last picture found them.
    double rawMin() const { return m_rawMin; }
    double rawMax() const { return m_rawMax; }

public slots:
    void mMoved();
    void newPos(double x, double y);
    void corUpdated();
    void autoUpdateUpdated();
    void sliceNoUpdated();
    void rotAxUpdated();
    void usePartialDataSetUpdated();
    void dataSetUsingImagesUpdated();
    void dataSetStartImageNoUpdated();
    void angleOriginUpdated();
    void dataSetRangeUpdated();
    void corEditingFinished();
    void guessCor();
    // The axis from CorFinder on the current slice.
    void findCor();
    void genSinogram0(HSgm* hSgm, bool rotAxIsV, double cor, int slice);
    void genSinogram();
    void genImage();
    void genImage2();
    void genSgmImage();

private:
    SinogramRequest request(bool rotAxIsV, double cor, int slice) const;
    // Projections in half a turn of the current set; 0 when there is no usable count.
    int halfTurnImages() const;
    QPointF toPicture(const QPoint& screen) const;

    Ui_Sinogram ui;
    HSgm m_sgm;
    double m_rawMin = std::numeric_limits<double>::max();
    double m_rawMax = std::numeric_limits<double>::lowest();
    ProcCtrl* m_procCtrl = nullptr;
    ImgDatas* m_imgDatas = nullptr;
};
