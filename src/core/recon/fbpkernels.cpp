#include "fbpkernels.h"

#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CIRVO_AVX2_KERNEL 1
#endif

namespace FbpKernels
{
namespace
{

void accumulatePortable(const FbpProjection& p, double* row, int z, int xBegin, int xEnd, int n)
{
    const double u = z * (-p.sn) + p.h;
    const int last = n - 1;
    for (int x = xBegin; x < xEnd; ++x) {
        const double t = x * p.cs + u;
        // floor(t) without a library call: inside the circle |t| stays far below int's range.
        int j = int(t);
        j -= t < j;
        if (j < 0 || j >= last)
            continue;
        row[x] += p.d[j] * (t - j) + p.f[j];
    }
}

#ifdef CIRVO_AVX2_KERNEL

// Four neighbouring pixels at once, with the same operations in the same order as the portable
// loop (no fused multiply-add). Since |cos| <= 1 they read at most four neighbouring samples, so
// one unaligned load and a lane permutation serve them. Ascending: cos >= 0, so the first pixel
// reads the lowest sample. Checked: rounding may let a group reach a fifth sample (cos within
// rounding of +-1) or the end of the line; such groups take the portable loop. Unchecked runs
// need neither, and may read up to FbpSamplePadding past a projection's samples.
template <bool Ascending, bool Checked>
__attribute__((target("avx2"))) void accumulateAvx2Run(const FbpProjection& p, double* row, int z,
                                                       int xBegin, int xEnd, int n)
{
    const int highestBase = n - 5; // base + 3 <= n - 2: every lane has its j + 1 in the line
    const double u = z * (-p.sn) + p.h;
    const __m256d cs = _mm256_set1_pd(p.cs);
    const __m256d uu = _mm256_set1_pd(u);
    const __m256d four = _mm256_set1_pd(4.0);
    const __m256d three = _mm256_set1_pd(3.0);
    // Lane offset o becomes the permutation index pair (2o, 2o + 1) in the low 52 bits of
    // o * 2 (2^32 + 1) + 2^52 + 2^32; the permutation reads only the low three bits of each half.
    const __m256d pairScale = _mm256_set1_pd(2.0 * 4294967297.0);
    const __m256d pairBias = _mm256_set1_pd(4503599627370496.0 + 4294967296.0);
    __m256d xs = _mm256_setr_pd(xBegin, xBegin + 1.0, xBegin + 2.0, xBegin + 3.0);
    int x = xBegin;
    for (; x + 4 <= xEnd; x += 4, xs = _mm256_add_pd(xs, four)) {
        const __m256d t = _mm256_add_pd(_mm256_mul_pd(xs, cs), uu);
        const __m256d j = _mm256_floor_pd(t);
        const __m256d lowest = Ascending ? _mm256_broadcastsd_pd(_mm256_castpd256_pd128(j))
                                         : _mm256_permute4x64_pd(j, 0xFF);
        const __m256d offset = _mm256_sub_pd(j, lowest);
        const int base = _mm_cvtsd_si32(_mm256_castpd256_pd128(lowest));
        if constexpr (Checked) {
            if (unsigned(base) > unsigned(highestBase) ||
                _mm256_movemask_pd(_mm256_cmp_pd(offset, three, _CMP_GT_OQ)) != 0) {
                accumulatePortable(p, row, z, x, x + 4, n);
                continue;
            }
        }
        const __m256i index =
            _mm256_castpd_si256(_mm256_add_pd(_mm256_mul_pd(offset, pairScale), pairBias));
        const __m256d f = _mm256_castps_pd(
            _mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(p.f + base)), index));
        const __m256d d = _mm256_castps_pd(
            _mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(p.d + base)), index));
        const __m256d add = _mm256_add_pd(_mm256_mul_pd(d, _mm256_sub_pd(t, j)), f);
        _mm256_storeu_pd(row + x, _mm256_add_pd(_mm256_loadu_pd(row + x), add));
    }
    accumulatePortable(p, row, z, x, xEnd, n);
}

int sampleOf(const FbpProjection& p, double u, int x)
{
    const double t = x * p.cs + u;
    int j = int(t);
    j -= t < j;
    return j;
}

template <bool Ascending>
void accumulateAvx2Ordered(const FbpProjection& p, double* row, int z, int xBegin, int xEnd, int n)
{
    if (xEnd - xBegin < 4 || n < 5)
        return accumulatePortable(p, row, z, xBegin, xEnd, n);
    // Four pixels span less than three samples unless |cos| is within rounding (a few N ulp) of
    // 1, and t is monotonic along the row, so its ends bound every sample the run reads.
    const double u = z * (-p.sn) + p.h;
    const int first = sampleOf(p, u, Ascending ? xBegin : xEnd - 1);
    const int last = sampleOf(p, u, Ascending ? xEnd - 1 : xBegin);
    if (std::abs(p.cs) <= 1 - 1e-6 && first >= 0 && last <= n - 2)
        accumulateAvx2Run<Ascending, false>(p, row, z, xBegin, xEnd, n);
    else
        accumulateAvx2Run<Ascending, true>(p, row, z, xBegin, xEnd, n);
}

void accumulateAvx2(const FbpProjection& p, double* row, int z, int xBegin, int xEnd, int n)
{
    if (p.cs >= 0)
        accumulateAvx2Ordered<true>(p, row, z, xBegin, xEnd, n);
    else
        accumulateAvx2Ordered<false>(p, row, z, xBegin, xEnd, n);
}

#endif

} // namespace

bool available(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Portable:
        return true;
    case Kernel::Avx2:
#ifdef CIRVO_AVX2_KERNEL
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

Kernel best()
{
    return available(Kernel::Avx2) ? Kernel::Avx2 : Kernel::Portable;
}

Accumulate function(Kernel kernel)
{
#ifdef CIRVO_AVX2_KERNEL
    if (kernel == Kernel::Avx2 && available(kernel))
        return accumulateAvx2;
#endif
    return accumulatePortable;
}

} // namespace FbpKernels
