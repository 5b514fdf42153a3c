#pragma once

// A deliberately plain model of the sinogram and filtered back-projection arithmetic, written
// independently of the production code so that the tests can demand bit-identical results.

#include "imageio/imgdata.h"
#include "imageio/imgdatas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace FbpReference
{

inline constexpr double Pi = 3.141592653589793;

struct SinogramParams {
    bool vertical = true;
    double cor = 0;
    int slice = 0;
    bool partial = false;
    int usingImages = 0;
    int startNo = 0;
};

struct Sinogram {
    int width = 0;
    int rows = 0;
    std::vector<double> absorption;
    std::vector<double> raw;
};

inline double interpolate(double x0, double y0, double x1, double y1, double x)
{
    if (x0 == x1)
        return (y0 + y1) * 0.5;
    return (x - x0) * ((y1 - y0) / (x1 - x0)) + y0;
}

inline int startImage(bool partial, int startNo, int images)
{
    if (!partial)
        return 0;
    if (startNo < 0 || startNo >= images)
        return 0;
    return startNo;
}

inline int rowCount(bool partial, int usingImages, int images)
{
    return partial ? std::abs(usingImages) : images;
}

// Row `slice` of the image for a vertical axis, column `slice` otherwise; the column is picked
// pixel by pixel from the rows so that it does not depend on ImgData::column().
inline std::vector<double> imageLine(const ImgData& image, bool vertical, int slice)
{
    std::vector<double> buffer(size_t(image.width));
    std::vector<double> line;
    if (vertical) {
        const double* row = image.row(slice, buffer.data());
        for (int x = 0; x < image.width; ++x)
            line.push_back(row[x]);
    } else {
        for (int y = 0; y < image.height; ++y)
            line.push_back(image.row(y, buffer.data())[slice]);
    }
    return line;
}

inline std::vector<double> resampled(const std::vector<double>& line, int half, double cor)
{
    const int corInt = int(std::floor(cor));
    const double corFrac = cor - std::floor(cor);
    std::vector<double> out;
    for (int k = 1 - half; k <= half - 1; ++k) {
        const int i = corInt + k;
        out.push_back(interpolate(i, line[size_t(i)], i + 1, line[size_t(i + 1)], i + corFrac));
    }
    return out;
}

// False, leaving `out` alone, when the CoR or the slice lies outside the images; an empty
// sinogram when the window holds no sample.
inline bool sinogram(const ImageSet& set, const SinogramParams& p, Sinogram& out)
{
    const int length = p.vertical ? set.width : set.height;
    const int lines = p.vertical ? set.height : set.width;
    // Written so that a NaN centre is refused too.
    if (!(std::floor(p.cor) > 0 && std::ceil(p.cor) < length))
        return false;
    if (p.slice < 0 || p.slice >= lines)
        return false;
    const int images = set.count();
    const int start = startImage(p.partial, p.startNo, images);
    const int rows = rowCount(p.partial, p.usingImages, images);
    const int half = int(std::floor(std::min(p.cor, length - p.cor - 1)));
    const int width = 2 * half - 1;
    out = Sinogram{};
    if (width < 1 || rows < 1 || images < 1)
        return true;
    out.width = width;
    out.rows = rows;

    std::vector<double> i0(size_t(width), 1.0);
    if (set.i0)
        i0 = resampled(imageLine(*set.i0, p.vertical, p.slice), half, p.cor);
    std::vector<double> bg(size_t(width), 0.0);
    if (set.bg)
        bg = resampled(imageLine(*set.bg, p.vertical, p.slice), half, p.cor);

    for (int r = 0; r < rows; ++r) {
        const ImgData& image = *(*set.images)[size_t((start + r) % images)];
        const std::vector<double> raw =
            resampled(imageLine(image, p.vertical, p.slice), half, p.cor);
        for (int j = 0; j < width; ++j) {
            double a = i0[size_t(j)] - bg[size_t(j)];
            double b = raw[size_t(j)] - bg[size_t(j)];
            if (!(a > 0))
                a = 1.0;
            if (!(b > 0))
                b = 1.0;
            out.absorption.push_back(std::log(a / b));
            out.raw.push_back(raw[size_t(j)]);
        }
    }
    return true;
}

struct ReconParams {
    double rangeDeg = 180;
    double originDeg = 0;
    int images = 0; // M, the images of the whole data set
    int start = 0;  // the start image of a partial set, else 0
    double x0 = 0;
    double z0 = 0;
    double x1 = 0;
    double z1 = 0;
    bool dividing = true; // divide by N R, else scale by scalingFactor(N, R)
};

struct Reconstruction {
    int n = 0;
    int rows = 0;
    std::vector<double> filtered; // rows x n
    std::vector<double> result;   // n x n, row z, column x
};

double scalingFactor(int n, int count);
double theta(int r, double rangeDeg, int images, int start, double originDeg);
// Reconstructs `rows` absorption rows of `width` samples; false when N < 2.
bool reconstruct(const double* absorption, int width, int rows, const ReconParams& p,
                 Reconstruction& out);

} // namespace FbpReference
