#include "greyscale.h"

#include "imageio/imgdata.h"

#include <algorithm>
#include <limits>
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

QImage GreyScale::toImage(const std::vector<double>& slice, int n) const
{
    if (n < 1 || slice.size() != size_t(n) * size_t(n))
        return {};
    QImage picture(n, n, QImage::Format_Grayscale8);
    for (int z = 0; z < n; ++z)
        mapRow(slice.data() + size_t(z) * size_t(n), n, picture.scanLine(z));
    return picture;
}

void GreyScale::range(const std::vector<double>& values, double& lo, double& hi)
{
    lo = std::numeric_limits<double>::max();
    hi = std::numeric_limits<double>::lowest();
    for (const double v : values) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}
