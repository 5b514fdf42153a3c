#pragma once

#include "imgdispwpv.h"

class ImgDatas;

// The display of raw images; the main window points it at the image set it shows.
class RawDisp : public ImgDispWPV
{
    Q_OBJECT

public:
    explicit RawDisp(QWidget* parent = nullptr);

    ImgDatas* imgDatas = nullptr;
};
