#pragma once

#include "imgdispwcbar.h"
#include "ui_imgdispwpv.h"

// An ImgDispWCBar with read-outs of the pointer position and the pixel value there, and a
// "Scale Reset" button.
class ImgDispWPV : public ImgDispWCBar
{
    Q_OBJECT

public:
    explicit ImgDispWPV(QWidget* parent = nullptr);

    Ui_ImgDispWPV pvForm;

signals:
    void newPosInvY(double x, double y);

public slots:
    void noticedNewPos(int ix, int iy);
    void setVal(double v);
};
