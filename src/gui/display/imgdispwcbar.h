#pragma once

#include "colorbar.h"
#include "imgdisp.h"
#include "ui_imgdispwcbar.h"

class QGridLayout;

// An ImgDisp with a ColorBar on its right and the bar's editors below.
class ImgDispWCBar : public ImgDisp
{
    Q_OBJECT

public:
    explicit ImgDispWCBar(QWidget* parent = nullptr);

    Ui_ImgDispWCBar barForm;
    // The row below the picture: read-outs on the left, the bar's editors on the right.
    QGridLayout* lowerGrid;

signals:
    void newBar();
};
