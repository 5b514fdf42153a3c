#pragma once

#include <type_traits>

// The inner loop of back-projection: projections added to a run of pixels of one result row.
// Every kernel gives the same bits as the portable one; the fastest the processor supports is
// chosen at run time.

// One projection's constants: cos, sin, h = g - (g cos - g sin), the filtered samples f and
// their differences d[j] = f[j + 1] - f[j]. Kernels read f[0 ... N - 2] and d[0 ... N - 2] only.
struct FbpProjection {
    double cs;
    double sn;
    double h;
    const double* f;
    const double* d;
};

namespace FbpKernels
{

enum class Kernel { Portable, Avx2 };

// floor(t) without a library call: inside the circle |t| stays far below int's range.
inline int floorOf(double t)
{
    int j = int(t);
    j -= t < j;
    return j;
}

// The projections a kernel adds in one pass over a run of pixels, loading and storing them once.
// With a third or fourth, their constants no longer fit the vector registers (measured 10 and
// 20 % slower than two at N = 1024).
inline constexpr int MaxBatch = 2;

// Adds projections p[0] ... p[count - 1], in this order, to row[xBegin ... xEnd - 1] of result
// row z of an N x N slice; n is N.
using Accumulate = void (*)(const FbpProjection* p, int count, double* row, int z, int xBegin,
                            int xEnd, int n);

// Calls batch(q, std::integral_constant<int, Count>()) over p[0 ... count - 1] in order: batches
// of MaxCount projections, then one batch of the rest, so that each batch size is a constant of
// its own kernel.
template <int MaxCount, class Projection, class Batch>
void inBatches(const Projection* p, int count, Batch&& batch)
{
    for (; count >= MaxCount; p += MaxCount, count -= MaxCount)
        batch(p, std::integral_constant<int, MaxCount>());
    if constexpr (MaxCount > 1)
        if (count > 0)
            inBatches<MaxCount - 1>(p, count, batch);
}

bool available(Kernel kernel);
Kernel best();
Accumulate function(Kernel kernel);

} // namespace FbpKernels
