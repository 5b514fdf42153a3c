#pragma once

#include <QImage>

#include <vector>

class ImgData;

// The colour bar's grey mapping as a value: a data range (minV, maxV) and a display window
// (barLow, barHigh) inside it, as fractions of the range. Workers copy it and map on their own.
struct GreyScale {
    double minV = 0.0;
    double maxV = 1.0;
    double barLow = 0.0;
    double barHigh = 1.0;

    // clamp(trunc(((x - minV) / (maxV - minV) - barLow) * 256 / (barHigh - barLow)), 0, 255).
    // An empty range or window maps every value to 0, and so does a value that is no number.
    int level(double x) const;
    void mapRow(const double* values, qsizetype count, uchar* grey) const;
    // An 8-bit grey picture of a loaded image; a null image when `img` is not valid.
    QImage toImage(ImgData& img) const;
    // An 8-bit grey picture of an n x n slice stored row by row.
    QImage toImage(const std::vector<double>& slice, int n) const;

    // The extremes of `values`, scanned from the largest and the lowest double.
    static void range(const std::vector<double>& values, double& lo, double& hi);
};
