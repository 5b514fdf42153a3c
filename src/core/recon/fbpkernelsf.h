#pragma once

#include "fbpkernels.h"

// The inner loop of single-precision back-projection: one projection added to a run of pixels
// of one result row, eight pixels per vector step. Every kernel gives the same bits as the
// portable one; the fastest the processor supports is chosen at run time.
//
// Where pixel x reads the line is anchored in double: with a = x - x mod 8, the group's first
// pixel takes t(a) = a cs + (z (-sn) + h) as the double engine computes it, split into
// base = floor(t(a)) and r = float(t(a) - base) in [0, 1); pixel a + k then takes
// t = r + step[k] in float, step[k] = float(k) float(cs). A float t of the whole line would be
// off by up to 1e-4 sample at N = 2048; this is off by below 1e-6 at any N. Whether a pixel takes
// the projection at all (t in [0, N - 1)) the double t decides, as in FbpCore: at the line's
// ends a whole sample comes or goes, and the float t may lie on the other side.

// One projection's constants: cs, sn, h of FbpGeometry::orientation, the steps, the filtered
// samples f and their differences d[j] = f[j + 1] - f[j].
struct FbpProjectionF {
    double cs;
    double sn;
    double h;
    float step[8];
    const float* f;
    const float* d;
};

namespace FbpKernelsF
{

using Kernel = FbpKernels::Kernel;

// The projections a kernel adds in one pass over a run of pixels, loading and storing them once.
// With a fourth, the projections' constants no longer fit the vector registers (measured 10 %
// slower at N = 1024 and 2048 in cirvo-bench-fbp).
inline constexpr int MaxBatch = 3;

// Adds projections p[0] ... p[count - 1], in this order, to row[xBegin ... xEnd - 1] of result
// row z of an N x N slice; n is N.
using Accumulate = void (*)(const FbpProjectionF* p, int count, float* row, int z, int xBegin,
                            int xEnd, int n);

bool available(Kernel kernel);
Kernel best();
Accumulate function(Kernel kernel);

} // namespace FbpKernelsF
