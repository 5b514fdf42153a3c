#include "fbpkernelsf.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CIRVO_AVX2_KERNEL 1
#endif

namespace FbpKernelsF
{
namespace
{

using FbpKernels::floorOf;

int floorOf(float t)
{
    int j = int(t);
    j -= t < float(j);
    return j;
}

// Where the group of eight pixels from a reads the line: t(a) = base + r.
struct Anchor {
    int base;
    float r;
};

Anchor anchor(const FbpProjectionF& p, double u, int a)
{
    const double t = a * p.cs + u;
    Anchor out;
    out.base = floorOf(t);
    out.r = float(t - out.base);
    // Rounding may give 1; below it, eight pixels stay within eight neighbouring samples.
    if (out.r >= 1.0f) {
        ++out.base;
        out.r = 0.0f;
    }
    return out;
}

void accumulateOne(const FbpProjectionF& p, float* row, int z, int xBegin, int xEnd, int n)
{
    const double u = z * (-p.sn) + p.h;
    const int last = n - 1;
    int x = xBegin;
    while (x < xEnd) {
        const int a = x & ~7;
        const Anchor at = anchor(p, u, a);
        const int groupEnd = a + 8 < xEnd ? a + 8 : xEnd;
        for (; x < groupEnd; ++x) {
            const float t = at.r + p.step[x - a];
            const int k = floorOf(t);
            int j = at.base + k;
            float fraction = t - float(k);
            // Within a sample of the line's ends the double t decides, as in FbpCore: float and
            // double may fall on either side of 0 or N - 1, where a whole sample comes or goes.
            if (j < 1 || j > n - 3) {
                const int exact = floorOf(x * p.cs + u);
                if (exact < 0 || exact >= last)
                    continue;
                if (j < 0) {
                    j = 0;
                    fraction = 0.0f;
                } else if (j > n - 2) {
                    j = n - 2;
                    fraction = 1.0f;
                }
            }
            row[x] += p.d[j] * fraction + p.f[j];
        }
    }
}

void accumulatePortable(const FbpProjectionF* p, int count, float* row, int z, int xBegin, int xEnd,
                        int n)
{
    for (int i = 0; i < count; ++i)
        accumulateOne(p[i], row, z, xBegin, xEnd, n);
}

#ifdef CIRVO_AVX2_KERNEL

// The vector kernel takes eight neighbouring pixels at once, with the portable loop's operations
// in its order (no fused multiply-add). With |cs| below 1 by more than rounding (narrow), r +
// step[k] stays in [0, 8) for cs >= 0 (ascending) and in (-7, 1) otherwise, so a group reads
// eight neighbouring samples from `low`: one unaligned load and a lane permutation replace a
// gather. Groups within a sample of the line's ends, or of a projection within rounding of 0 or
// 180 degrees, gather the samples of their valid lanes instead.

// floor(x cs + u) in double for the pixels x, as FbpCore takes it.
__attribute__((target("avx2"))) inline __m256i exactSamples(__m256i x, __m256d cs, __m256d u)
{
    const __m128i low = _mm256_cvttpd_epi32(_mm256_floor_pd(
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(x)), cs), u)));
    const __m128i high = _mm256_cvttpd_epi32(_mm256_floor_pd(
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(x, 1)), cs), u)));
    return _mm256_set_m128i(high, low);
}

// Lanes a + k in [xBegin, xEnd) set.
__attribute__((target("avx2"))) inline __m256i inRun(int a, int xBegin, int xEnd)
{
    const __m256i x =
        _mm256_add_epi32(_mm256_set1_epi32(a), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return _mm256_and_si256(_mm256_cmpgt_epi32(x, _mm256_set1_epi32(xBegin - 1)),
                            _mm256_cmpgt_epi32(_mm256_set1_epi32(xEnd), x));
}

// A group that the permutation cannot take: the samples of its valid lanes gathered, the line's
// ends decided in double and the sample clamped to the line, as in the portable loop.
__attribute__((target("avx2"), noinline)) void accumulateGathered(const FbpProjectionF& p,
                                                                  float* row, double u, int a,
                                                                  Anchor at, int xBegin, int xEnd,
                                                                  int n)
{
    const __m256 t = _mm256_add_ps(_mm256_set1_ps(at.r), _mm256_loadu_ps(p.step));
    const __m256 k = _mm256_floor_ps(t);
    const __m256 fraction = _mm256_sub_ps(t, k);
    const __m256i x =
        _mm256_add_epi32(_mm256_set1_epi32(a), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i exact = exactSamples(x, _mm256_set1_pd(p.cs), _mm256_set1_pd(u));
    const __m256i inLine = _mm256_and_si256(_mm256_cmpgt_epi32(exact, _mm256_set1_epi32(-1)),
                                            _mm256_cmpgt_epi32(_mm256_set1_epi32(n - 1), exact));
    const __m256i valid = _mm256_and_si256(inRun(a, xBegin, xEnd), inLine);
    const __m256i highest = _mm256_set1_epi32(n - 2);
    const __m256i j = _mm256_add_epi32(_mm256_cvttps_epi32(k), _mm256_set1_epi32(at.base));
    const __m256i below = _mm256_cmpgt_epi32(_mm256_setzero_si256(), j);
    const __m256i above = _mm256_cmpgt_epi32(j, highest);
    const __m256i clamped = _mm256_min_epi32(_mm256_max_epi32(j, _mm256_setzero_si256()), highest);
    const __m256 zero = _mm256_setzero_ps();
    const __m256 within =
        _mm256_blendv_ps(_mm256_blendv_ps(fraction, zero, _mm256_castsi256_ps(below)),
                         _mm256_set1_ps(1.0f), _mm256_castsi256_ps(above));
    const __m256 validPs = _mm256_castsi256_ps(valid);
    const __m256 f = _mm256_mask_i32gather_ps(zero, p.f, clamped, validPs, 4);
    const __m256 d = _mm256_mask_i32gather_ps(zero, p.d, clamped, validPs, 4);
    const __m256 add = _mm256_add_ps(_mm256_mul_ps(d, within), f);
    _mm256_maskstore_ps(row + a, valid, _mm256_add_ps(_mm256_maskload_ps(row + a, valid), add));
}

// How one call reads one projection.
struct Source {
    const FbpProjectionF* p;
    // Copies: the stores may alias anything behind p.
    const float* f;
    const float* d;
    double u;
    __m256d cs;
    __m256d uVector;
    __m256 step;
    // floor(t) plus this holds the lane's sample offset from `low` in its low three bits, all
    // that the permutation reads: 2^23, plus 7 when descending.
    __m256 indexBias;
    int lowShift; // low = base + lowShift
    int lowest;   // below the lows of the groups that permute: 0, or int's largest when not narrow
};

// The group reads samples low ... low + 7, none within a sample of the line's ends.
inline bool permutable(const Source& s, int low, int n)
{
    return low > s.lowest && low < n - 9;
}

// What one projection adds to a group it permutes: d[j] (t - floor(t)) + f[j] per lane.
__attribute__((target("avx2"), always_inline)) inline __m256 interpolated(const Source& s, float r,
                                                                          int low)
{
    const __m256 t = _mm256_add_ps(_mm256_set1_ps(r), s.step);
    const __m256 k = _mm256_floor_ps(t);
    const __m256 fraction = _mm256_sub_ps(t, k);
    const __m256i index = _mm256_castps_si256(_mm256_add_ps(k, s.indexBias));
    const __m256 f = _mm256_permutevar8x32_ps(_mm256_loadu_ps(s.f + low), index);
    const __m256 d = _mm256_permutevar8x32_ps(_mm256_loadu_ps(s.d + low), index);
    return _mm256_add_ps(_mm256_mul_ps(d, fraction), f);
}

// `Count` projections over one run. Their anchors come a chunk of groups at a time, four per
// vector step, each as anchor() computes it, before any group uses one: the long way from an anchor
// to the sum would otherwise hold up the next groups. A group whose projections all permute adds
// them in turn in a register, loading and storing the pixels once.
template <int Count> class Batch
{
public:
    static constexpr int Chunk = 128;

    __attribute__((target("avx2"), always_inline))
    Batch(const FbpProjectionF* p, float* row, int z, int xBegin, int xEnd, int n)
        : m_row(row), m_xBegin(xBegin), m_xEnd(xEnd), m_n(n)
    {
        for (int i = 0; i < Count; ++i) {
            Source& s = m_sources[i];
            const bool ascending = p[i].cs >= 0;
            s.p = p + i;
            s.f = p[i].f;
            s.d = p[i].d;
            s.u = z * (-p[i].sn) + p[i].h;
            s.cs = _mm256_set1_pd(p[i].cs);
            s.uVector = _mm256_set1_pd(s.u);
            s.step = _mm256_loadu_ps(p[i].step);
            s.indexBias = _mm256_set1_ps(ascending ? 8388608.0f : 8388615.0f);
            s.lowShift = ascending ? 0 : -7;
            const bool narrow = std::abs(p[i].step[1]) <= 1 - 1e-6f;
            s.lowest = narrow ? 0 : std::numeric_limits<int>::max();
        }
    }

    __attribute__((target("avx2"))) void run()
    {
        // Local copies: the stores to the row may alias anything behind `this`.
        Source sources[Count];
        for (int i = 0; i < Count; ++i)
            sources[i] = m_sources[i];
        const int end = (m_xEnd + 7) & ~7;
        for (int c = m_xBegin & ~7; c < end; c += 8 * Chunk) {
            const int count = std::min(Chunk, (end - c) / 8);
            anchors(sources, c, count);
            // Only the first and the last group can be cut: they stay out of the loop.
            int g = 0;
            int wholeEnd = count;
            if (c < m_xBegin)
                group(sources, c, g++, true);
            if (c + 8 * count > m_xEnd)
                --wholeEnd;
            for (; g < wholeEnd; ++g)
                group(sources, c + 8 * g, g, false);
            if (g < count)
                group(sources, c + 8 * g, g, true);
        }
    }

private:
    // anchor() of each projection for the `count` groups from c, and whether all projections
    // permute them.
    __attribute__((target("avx2"), always_inline)) void anchors(const Source* sources, int c,
                                                                int count)
    {
        const __m128 one = _mm_set1_ps(1.0f);
        const __m128i highest = _mm_set1_epi32(m_n - 9);
        __m256d as = _mm256_add_pd(_mm256_set1_pd(c), _mm256_setr_pd(0, 8, 16, 24));
        for (int g = 0; g < count; g += 4, as = _mm256_add_pd(as, _mm256_set1_pd(32))) {
            __m128i permuting = _mm_set1_epi32(-1);
#pragma GCC unroll 8
            for (int i = 0; i < Count; ++i) {
                const Source& s = sources[i];
                const __m256d t = _mm256_add_pd(_mm256_mul_pd(as, s.cs), s.uVector);
                const __m256d whole = _mm256_floor_pd(t);
                const __m128 r = _mm256_cvtpd_ps(_mm256_sub_pd(t, whole));
                const __m128 carry = _mm_cmpge_ps(r, one);
                // permutable(s, low, n), low = base + lowShift.
                const __m128i low = _mm_sub_epi32(
                    _mm_add_epi32(_mm256_cvttpd_epi32(whole), _mm_set1_epi32(s.lowShift)),
                    _mm_castps_si128(carry));
                permuting = _mm_and_si128(
                    permuting, _mm_and_si128(_mm_cmpgt_epi32(low, _mm_set1_epi32(s.lowest)),
                                             _mm_cmpgt_epi32(highest, low)));
                _mm_store_ps(m_r[i] + g, _mm_andnot_ps(carry, r));
                _mm_store_si128(reinterpret_cast<__m128i*>(m_low[i] + g), low);
            }
            _mm_store_si128(reinterpret_cast<__m128i*>(m_permuting + g), permuting);
        }
    }

    // Group g, from a, whole in the run or cut by its ends. A cut group adds +0 in its lanes
    // outside the run, which leaves their values' bits as they are (a sum from +0 is never -0).
    __attribute__((target("avx2"), always_inline)) void group(const Source* sources, int a, int g,
                                                              bool cut)
    {
        const __m256 inside =
            cut ? _mm256_castsi256_ps(inRun(a, m_xBegin, m_xEnd)) : _mm256_setzero_ps();
        if (m_permuting[g] && (!cut || a + 8 <= m_n)) {
            __m256 sum = _mm256_loadu_ps(m_row + a);
#pragma GCC unroll 8
            for (int i = 0; i < Count; ++i) {
                const Source& s = sources[i];
                const __m256 add = interpolated(s, m_r[i][g], m_low[i][g]);
                sum = _mm256_add_ps(sum, cut ? _mm256_and_ps(add, inside) : add);
            }
            _mm256_storeu_ps(m_row + a, sum);
            return;
        }
        for (int i = 0; i < Count; ++i) {
            const Source& s = m_sources[i];
            const int low = m_low[i][g];
            if (!(permutable(s, low, m_n) && a + 8 <= m_n)) {
                accumulateGathered(*s.p, m_row, s.u, a, {low - s.lowShift, m_r[i][g]}, m_xBegin,
                                   m_xEnd, m_n);
                continue;
            }
            const __m256 add = interpolated(s, m_r[i][g], low);
            _mm256_storeu_ps(m_row + a, _mm256_add_ps(_mm256_loadu_ps(m_row + a),
                                                      cut ? _mm256_and_ps(add, inside) : add));
        }
    }

    Source m_sources[Count];
    alignas(16) int m_low[Count][Chunk]; // base + lowShift
    alignas(16) float m_r[Count][Chunk];
    alignas(16) int m_permuting[Chunk]; // all Count projections permute the group
    float* m_row;
    int m_xBegin;
    int m_xEnd;
    int m_n;
};

template <int Count>
__attribute__((target("avx2"))) void accumulateBatch(const FbpProjectionF* p, float* row, int z,
                                                     int xBegin, int xEnd, int n)
{
    if (xBegin >= xEnd)
        return;
    Batch<Count> batch(p, row, z, xBegin, xEnd, n);
    batch.run();
}

void accumulateAvx2(const FbpProjectionF* p, int count, float* row, int z, int xBegin, int xEnd,
                    int n)
{
    FbpKernels::inBatches<MaxBatch>(p, count, [&](const FbpProjectionF* q, auto size) {
        accumulateBatch<decltype(size)::value>(q, row, z, xBegin, xEnd, n);
    });
}

#endif

} // namespace

bool available(Kernel kernel)
{
    return FbpKernels::available(kernel);
}

Kernel best()
{
    return FbpKernels::best();
}

Accumulate function(Kernel kernel)
{
#ifdef CIRVO_AVX2_KERNEL
    if (kernel == Kernel::Avx2 && FbpKernels::available(kernel))
        return accumulateAvx2;
#endif
    return accumulatePortable;
}

} // namespace FbpKernelsF
