#include "greyscale.h"

#include "imageio/imgdata.h"

#include <vector>

int GreyScale::level(double x) const
{
    if (maxV == minV || barHigh == barLow)
        return 0;
    const double g = ((x - minV) / (maxV - minV) - barLow) * 256 / (barHigh - barLow);
    if (!(g > 0))
        return 0;
    if (g > 255)
        return 255;
    return int(g);
}

void GreyScale::mapRow(const double* values, qsizetype count, uchar* grey) const
{
    for (qsizetype i = 0; i < count; ++i)
        grey[i] = uchar(level(values[i]));
}

QImage GreyScale::toImage(ImgData& img) const
{
    if (!img.valid || img.width < 1 || img.height < 1)
        return {};
    QImage picture(img.width, img.height, QImage::Format_Grayscale8);
    if (picture.isNull())
        return {};
    std::vector<double> row(size_t(img.width));
    for (int r = 0; r < img.height; ++r)
        mapRow(img.row(r, row.data()), img.width, picture.scanLine(r));
    return picture;
}
