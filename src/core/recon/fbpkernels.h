#pragma once

// The inner loop of back-projection: one projection added to a run of pixels of one result row.
// Every kernel gives the same bits as the portable one; the fastest the processor supports is
// chosen at run time.

// One projection's constants: cos, sin, h = g - (g cos - g sin), the filtered samples f and
// their differences d[j] = f[j + 1] - f[j].
struct FbpProjection {
    double cs;
    double sn;
    double h;
    const double* f;
    const double* d;
};

// The vector kernels may read this many values past the end of a projection's f and d (never
// using them): the arrays behind them must extend that far.
inline constexpr int FbpSamplePadding = 4;

namespace FbpKernels
{

enum class Kernel { Portable, Avx2 };

// Adds projection p to row[xBegin ... xEnd - 1] of result row z of an N x N slice; n is N.
using Accumulate = void (*)(const FbpProjection& p, double* row, int z, int xBegin, int xEnd,
                            int n);

bool available(Kernel kernel);
Kernel best();
Accumulate function(Kernel kernel);

} // namespace FbpKernels
