#pragma once

#include "hsgm.h"
#include "sgmwindow.h"

struct ImageSet;

// What a sinogram is built from besides the images; a value that any thread can hold.
struct SinogramRequest {
    bool rotAxIsV = true;
    double cor = 0;
    int slice = 0;
    bool usePartial = false;
    int usingImages = 0;
    int startImageNo = 0;
};

// Builds the absorption sinogram of one image line about the centre of rotation.
namespace SinogramBuilder
{

// The line value at x between (x0, y0) and (x1, y1), evaluated in exactly this order.
inline double interpolate(double x0, double y0, double x1, double y1, double x)
{
    if (x0 == x1)
        return (y0 + y1) * 0.5;
    return (x - x0) * ((y1 - y0) / (x1 - x0)) + y0;
}

// The first image used: the partial set's start, or 0 when it is outside 0 ... images - 1.
int startImage(const SinogramRequest& request, int images);
// The number of sinogram rows: all images, or the partial set's count (its magnitude).
int rowCount(const SinogramRequest& request, int images);
// The length of an image line for the orientation.
int lineLength(const ImageSet& set, bool rotAxIsV);

// Fills `out`; false, leaving `out` unchanged, when the CoR is not inside the line
// (floor(cor) <= 0 or ceil(cor) >= L) or the slice is not a line of the images. A CoR within one
// sample of the far end gives an empty sinogram.
bool build(const ImageSet& set, const SinogramRequest& request, HSgm& out);

// Resamples `line` into `width` samples about the window's CoR.
void resample(const double* line, const SgmWindow& window, double* out);

} // namespace SinogramBuilder
