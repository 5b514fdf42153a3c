#pragma once

#include "imgdata.h"

class ImgDataTiff : public ImgData
{
public:
    ImgDataTiff() = default;
    ~ImgDataTiff() override;

    void reset() override;
    bool readProps(const QString& fileName, int& width, int& height) override;
    bool open(const QString& fileName) override;
    double* row(int r, double* buffer) override;
    double* column(int c, double* buffer) override;
};
