#include "fbpkernels.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CIRVO_AVX2_KERNEL 1
#endif

namespace FbpKernels
{
namespace
{

void accumulateOne(const FbpProjection& p, double* row, int z, int xBegin, int xEnd, int n)
{
    const double u = z * (-p.sn) + p.h;
    const int last = n - 1;
    for (int x = xBegin; x < xEnd; ++x) {
        const double t = x * p.cs + u;
        const int j = floorOf(t);
        if (j < 0 || j >= last)
            continue;
        row[x] += p.d[j] * (t - j) + p.f[j];
    }
}

void accumulatePortable(const FbpProjection* p, int count, double* row, int z, int xBegin, int xEnd,
                        int n)
{
    for (int i = 0; i < count; ++i)
        accumulateOne(p[i], row, z, xBegin, xEnd, n);
}

#ifdef CIRVO_AVX2_KERNEL

// The vector kernel takes four neighbouring pixels at once, with the portable loop's operations
// in its order: t = x cs + u, j = floor(t), d[j] (t - j) + f[j], each rounded on its own. With
// |cos| below 1 by more than rounding (narrow), four pixels read at most four neighbouring
// samples from the lowest one, `base`: one unaligned load and a lane permutation serve them. t
// is monotonic along the row, so the first pixel reads the lowest sample for cos >= 0 and the
// last one otherwise. A group permutes when its projection is narrow and base + 3 <= N - 2, so
// it reads nothing outside the line; other groups take the portable loop.
#define CIRVO_AVX2_TARGET __attribute__((target("avx2,fma")))

// Lane offset o = j - base becomes the permutation index pair (2o, 2o + 1) in the low 52 bits of
// j * 2 (2^32 + 1) + (2^52 + 2^32 - base * 2 (2^32 + 1)); the permutation reads only the low
// three bits of each half. Whole numbers below 2^53 throughout: exact, fused or not.
constexpr double PairScale = 2.0 * 4294967297.0;
constexpr double PairBias = 4503599627370496.0 + 4294967296.0;

// How one call reads one projection.
struct Source {
    __m256d cs;
    __m256d u;
    __m256d lowLane; // the pixel of a group that reads the lowest sample
    const double* f;
    const double* d;
    int lowest; // below the bases of the groups that permute: -1, or N when not narrow
};

inline bool permutable(const Source& s, int base, int n)
{
    return base > s.lowest && base < n - 4;
}

// What one projection adds to the group of pixels xs: d[j] (t - j) + f[j] per lane, with
// bias = PairBias - base PairScale.
CIRVO_AVX2_TARGET __attribute__((always_inline)) inline __m256d
interpolated(const Source& s, __m256d xs, int base, double bias)
{
    const __m256d t = _mm256_add_pd(_mm256_mul_pd(xs, s.cs), s.u);
    const __m256d j = _mm256_floor_pd(t);
    const __m256i index =
        _mm256_castpd_si256(_mm256_fmadd_pd(j, _mm256_set1_pd(PairScale), _mm256_set1_pd(bias)));
    const __m256d f = _mm256_castps_pd(
        _mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(s.f + base)), index));
    const __m256d d = _mm256_castps_pd(
        _mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(s.d + base)), index));
    return _mm256_add_pd(_mm256_mul_pd(d, _mm256_sub_pd(t, j)), f);
}

CIRVO_AVX2_TARGET __attribute__((always_inline)) inline __m256d pixels(int a)
{
    return _mm256_add_pd(_mm256_set1_pd(a), _mm256_setr_pd(0, 1, 2, 3));
}

// `Count` projections over one run of at least four pixels: groups of four from its start, and
// for the pixels left over a group ending at its end whose lanes before them keep their bits.
// The bases of a chunk of groups come ahead, four per vector step, before any group uses one:
// the long way from a base to the sum would otherwise hold up the next groups. A group that all
// projections permute adds them in turn in a register, loading and storing the pixels once.
template <int Count> class Batch
{
public:
    static constexpr int Chunk = 128;

    CIRVO_AVX2_TARGET __attribute__((always_inline))
    Batch(const FbpProjection* p, double* row, int z, int xBegin, int xEnd, int n)
        : m_p(p), m_row(row), m_z(z), m_xBegin(xBegin), m_xEnd(xEnd), m_n(n)
    {
        for (int i = 0; i < Count; ++i) {
            Source& s = m_sources[i];
            const double u = z * (-p[i].sn) + p[i].h;
            s.cs = _mm256_set1_pd(p[i].cs);
            s.u = _mm256_set1_pd(u);
            s.f = p[i].f;
            s.d = p[i].d;
            const int lowLane = p[i].cs >= 0 ? 0 : 3;
            s.lowLane = _mm256_set1_pd(lowLane);
            s.lowest = std::abs(p[i].cs) <= 1 - 1e-6 ? -1 : n;
            // The bases of the first group and of the last four pixels; t is monotonic, so
            // those of all groups lie between.
            m_first[i] = floorOf((xBegin + lowLane) * p[i].cs + u);
            m_last[i] = floorOf((xEnd - 4 + lowLane) * p[i].cs + u);
        }
    }

    CIRVO_AVX2_TARGET void run()
    {
        // The left-over pixels first: the lanes they share with the last whole group are
        // written back before that group loads them.
        if ((m_xEnd - m_xBegin) % 4 != 0)
            tail();
        bool whole = true;
        for (int i = 0; i < Count; ++i)
            whole = whole && permutable(m_sources[i], m_first[i], m_n) &&
                    permutable(m_sources[i], m_last[i], m_n);
        if (whole)
            pass<false>();
        else
            pass<true>();
    }

private:
    // Checked: some group may not permute in some projection.
    template <bool Checked> CIRVO_AVX2_TARGET __attribute__((always_inline)) void pass()
    {
        // Local copies: the stores to the row may alias anything behind `this`.
        Source sources[Count];
        for (int i = 0; i < Count; ++i)
            sources[i] = m_sources[i];
        const int groups = (m_xEnd - m_xBegin) / 4;
        for (int c = 0; c < groups; c += Chunk) {
            const int count = std::min(Chunk, groups - c);
            const int a = m_xBegin + 4 * c;
            anchors<Checked>(sources, a, count);
            double* row = m_row + a;
            __m256d xs = pixels(a);
            for (int g = 0; g < count; ++g, xs = _mm256_add_pd(xs, _mm256_set1_pd(4))) {
                if (Checked && !m_permuting[g]) {
                    checkedGroup(xs, a + 4 * g, g);
                    continue;
                }
                __m256d sum = _mm256_loadu_pd(row + 4 * g);
#pragma GCC unroll 8
                for (int i = 0; i < Count; ++i)
                    sum = _mm256_add_pd(sum,
                                        interpolated(sources[i], xs, m_base[i][g], m_bias[i][g]));
                _mm256_storeu_pd(row + 4 * g, sum);
            }
        }
    }

    // The bases and biases of the `count` groups from a; when checked, whether all projections
    // permute them.
    template <bool Checked>
    CIRVO_AVX2_TARGET __attribute__((always_inline)) void anchors(const Source* sources, int a,
                                                                  int count)
    {
        __m256d as = _mm256_add_pd(_mm256_set1_pd(a), _mm256_setr_pd(0, 4, 8, 12));
        for (int g = 0; g < count; g += 4, as = _mm256_add_pd(as, _mm256_set1_pd(16))) {
            __m128i permuting = _mm_set1_epi32(-1);
#pragma GCC unroll 8
            for (int i = 0; i < Count; ++i) {
                const Source& s = sources[i];
                const __m256d j = _mm256_floor_pd(
                    _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(as, s.lowLane), s.cs), s.u));
                const __m128i base = _mm256_cvttpd_epi32(j);
                _mm256_store_pd(m_bias[i] + g, _mm256_fnmadd_pd(j, _mm256_set1_pd(PairScale),
                                                                _mm256_set1_pd(PairBias)));
                _mm_store_si128(reinterpret_cast<__m128i*>(m_base[i] + g), base);
                if constexpr (Checked)
                    permuting = _mm_and_si128(
                        permuting, _mm_and_si128(_mm_cmpgt_epi32(base, _mm_set1_epi32(s.lowest)),
                                                 _mm_cmpgt_epi32(_mm_set1_epi32(m_n - 4), base)));
            }
            if constexpr (Checked)
                _mm_store_si128(reinterpret_cast<__m128i*>(m_permuting + g), permuting);
        }
    }

    // Group g, the pixels from a (xs), when some projection does not permute it.
    CIRVO_AVX2_TARGET __attribute__((always_inline)) void checkedGroup(__m256d xs, int a, int g)
    {
        for (int i = 0; i < Count; ++i) {
            const Source& s = m_sources[i];
            if (!permutable(s, m_base[i][g], m_n)) {
                accumulateOne(m_p[i], m_row, m_z, a, a + 4, m_n);
                continue;
            }
            _mm256_storeu_pd(m_row + a,
                             _mm256_add_pd(_mm256_loadu_pd(m_row + a),
                                           interpolated(s, xs, m_base[i][g], m_bias[i][g])));
        }
    }

    // The group of the last four pixels, adding to those after the whole groups only.
    CIRVO_AVX2_TARGET __attribute__((always_inline)) void tail()
    {
        const int a = m_xEnd - 4;
        const int from = m_xBegin + (m_xEnd - m_xBegin) / 4 * 4;
        const __m256d xs = pixels(a);
        const __m256d keep = _mm256_cmp_pd(xs, _mm256_set1_pd(from), _CMP_LT_OQ);
        bool all = true;
        for (int i = 0; i < Count; ++i)
            all = all && permutable(m_sources[i], m_last[i], m_n);
        const __m256d before = _mm256_loadu_pd(m_row + a);
        if (all) {
            __m256d sum = before;
            for (int i = 0; i < Count; ++i)
                sum = _mm256_add_pd(sum, interpolated(m_sources[i], xs, m_last[i],
                                                      PairBias - m_last[i] * PairScale));
            _mm256_storeu_pd(m_row + a, _mm256_blendv_pd(sum, before, keep));
            return;
        }
        for (int i = 0; i < Count; ++i) {
            const Source& s = m_sources[i];
            if (!permutable(s, m_last[i], m_n)) {
                accumulateOne(m_p[i], m_row, m_z, from, m_xEnd, m_n);
                continue;
            }
            const __m256d old = _mm256_loadu_pd(m_row + a);
            const __m256d sum = _mm256_add_pd(
                old, interpolated(s, xs, m_last[i], PairBias - m_last[i] * PairScale));
            _mm256_storeu_pd(m_row + a, _mm256_blendv_pd(sum, old, keep));
        }
    }

    Source m_sources[Count];
    int m_first[Count];
    int m_last[Count];
    alignas(32) double m_bias[Count][Chunk];
    alignas(16) int m_base[Count][Chunk];
    alignas(16) int m_permuting[Chunk]; // all Count projections permute the group
    const FbpProjection* m_p;
    double* m_row;
    int m_z;
    int m_xBegin;
    int m_xEnd;
    int m_n;
};

template <int Count>
CIRVO_AVX2_TARGET void accumulateBatch(const FbpProjection* p, double* row, int z, int xBegin,
                                       int xEnd, int n)
{
    Batch<Count> batch(p, row, z, xBegin, xEnd, n);
    batch.run();
}

void accumulateAvx2(const FbpProjection* p, int count, double* row, int z, int xBegin, int xEnd,
                    int n)
{
    if (xEnd - xBegin < 4)
        return accumulatePortable(p, count, row, z, xBegin, xEnd, n);
    FbpKernels::inBatches<MaxBatch>(p, count, [&](const FbpProjection* q, auto size) {
        accumulateBatch<decltype(size)::value>(q, row, z, xBegin, xEnd, n);
    });
}

#undef CIRVO_AVX2_TARGET

#endif

} // namespace

bool available(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Portable:
        return true;
    case Kernel::Avx2:
#ifdef CIRVO_AVX2_KERNEL
        // Every processor with AVX2 has FMA; the double kernel's index arithmetic uses it.
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
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
