#include "volumerenderer.h"

#include <QPainter>
#include <QRgba64>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CIRVO_AVX2_KERNEL 1
#endif

namespace
{

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// The level of a value in the window, before levels outside 0 ... 255 are dropped.
double rawLevel(double v, double lo, double hi)
{
    return (v - lo) / (hi - lo) * 256;
}

double shownLevel(double v, double lo, double hi)
{
    const double level = rawLevel(v, lo, hi);
    return level > 255 || level < 0 ? 0 : level;
}

// Doubles in the order of their values, as unsigned integers.
std::uint64_t orderKey(double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    return bits >> 63 ? ~bits : bits | (std::uint64_t(1) << 63);
}

double fromOrderKey(std::uint64_t key)
{
    return std::bit_cast<double>(key >> 63 ? key & ~(std::uint64_t(1) << 63) : ~key);
}

// The window as a test on the values, so that no level is computed per sample. With hi > lo the
// level is an increasing function of the value, so the shown levels 0 ... 255 are exactly those
// of the values lo ... top, and the largest level on a ray is the level of its largest value in
// lo ... top. With hi < lo the values are negated first (with lo and hi), which gives the very
// same levels. An infinite bound or lo = hi shows nothing.
struct ValueWindow {
    bool empty = true;
    double sign = 1;
    double lo = 0;
    double hi = 1;
    double top = 0;

    ValueWindow(double low, double high)
    {
        if (!std::isfinite(low) || !std::isfinite(high) || low == high)
            return;
        empty = false;
        if (high < low) {
            sign = -1;
            low = -low;
            high = -high;
        }
        lo = low;
        hi = high;
        std::uint64_t shown = orderKey(lo);
        std::uint64_t hidden = orderKey(infinity);
        while (hidden - shown > 1) {
            const std::uint64_t mid = shown + (hidden - shown) / 2;
            if (rawLevel(fromOrderKey(mid), lo, hi) <= 255)
                shown = mid;
            else
                hidden = mid;
        }
        top = fromOrderKey(shown);
    }
};

// One slice's samples without a call per sample: doubles, or 32-bit ARGB pixels whose low byte
// is the value.
struct SliceSamples {
    const double* values = nullptr;
    const QRgb* pixels = nullptr;
    qsizetype stride = 0;
};

double sampleValue(double v)
{
    return v;
}

double sampleValue(QRgb pixel)
{
    return double(pixel & 0xff);
}

// Where the ray of picture pixel offset (a, b) meets the plane of slice k (z = zk):
// (originX[k] + ux a + vx b, originY[k] + uy a + vy b, zk). u and v are the picture axes times
// scale, projected onto the slice planes along nz; the origin is where the view axis meets the
// plane. This is the ray offset + scale (a nx + b ny) + t nz with t solved for p.z = zk, written so
// that the part that depends on the column is affine in it.
struct SlicePlanes {
    double ux = 0;
    double uy = 0;
    double vx = 0;
    double vy = 0;
    std::vector<double> originX;
    std::vector<double> originY;
    std::vector<double> z;

    SlicePlanes(const ViewBasis& view, int ns)
    {
        const double rx = view.nx.z / view.nz.z;
        const double ry = view.ny.z / view.nz.z;
        ux = view.scale * (view.nx.x - view.nz.x * rx);
        uy = view.scale * (view.nx.y - view.nz.y * rx);
        vx = view.scale * (view.ny.x - view.nz.x * ry);
        vy = view.scale * (view.ny.y - view.nz.y * ry);
        for (int k = 0; k < ns; ++k) {
            const double zk = k - ns / 2;
            const double t = (zk - view.offset.z) / view.nz.z;
            originX.push_back(view.offset.x + view.nz.x * t);
            originY.push_back(view.offset.y + view.nz.y * t);
            z.push_back(zk);
        }
    }
};

// The columns of one row that sample one slice: in [first, end) a sample may lie inside the
// slice and is tested; in [safeFirst, safeEnd) it surely does and is not.
struct Columns {
    int first = 0;
    int end = 0;
    int safeFirst = 0;
    int safeEnd = 0;

    explicit Columns(int pw) : end(pw), safeEnd(pw) {}

    // Narrows by one axis: the sample position there is about c + g (q - half) and lies inside
    // when -1 < position < size. Half a unit of margin covers the rounding of this estimate as
    // long as its terms (of about `magnitude`) are far below 2^52.
    void narrow(double c, double g, double magnitude, int size, int half, int pw)
    {
        const auto between = [&](double low, double high) -> std::pair<double, double> {
            if (g == 0)
                return c > low && c < high ? std::pair(-infinity, infinity)
                                           : std::pair(infinity, -infinity);
            double a0 = (low - c) / g;
            double a1 = (high - c) / g;
            if (a0 > a1)
                std::swap(a0, a1);
            return a0 <= a1 ? std::pair(a0 + half, a1 + half) : std::pair(infinity, -infinity);
        };
        const auto column = [pw](double q) { return int(std::clamp(q, -1.0, pw + 1.0)); };
        const auto [low, high] = between(-1.5, size + 0.5);
        first = std::max(first, column(std::floor(low) - 1));
        end = std::min(end, column(std::ceil(high) + 2));
        const auto [safeLow, safeHigh] = between(-0.5, size - 0.5);
        const bool exactEnough = magnitude < 1e12;
        safeFirst = std::max(safeFirst, exactEnough ? column(std::ceil(safeLow) + 1) : pw);
        safeEnd = std::min(safeEnd, column(std::floor(safeHigh)));
    }

    bool empty() const { return first >= end; }

    void settle()
    {
        safeFirst = std::clamp(safeFirst, first, end);
        safeEnd = std::clamp(safeEnd, safeFirst, end);
    }
};

// What the rays of one picture row met so far, per column.
struct RowState {
    double* best;    // largest value at or below the window's top
    double* section; // value of the last sample in the section band
};

// The rows one thread works on together: each slice is walked along all of them in turn, so the
// cache lines and pages of a slice that neighbouring rows share are fetched once for them all.
class RowBlock
{
public:
    RowBlock(int pw, int rows) : m_pw(pw), m_store(size_t(rows) * 2 * size_t(pw)) {}

    // Up to 64 rows (512 KiB of state for 512 columns), at least two blocks per thread.
    static int rowsFor(int pw, int ph, int threads)
    {
        return std::clamp(std::min(32768 / pw, ph / (2 * threads)), 1, 64);
    }

    RowState row(int i)
    {
        double* base = m_store.data() + size_t(i) * 2 * size_t(m_pw);
        return {base, base + m_pw};
    }

private:
    int m_pw;
    std::vector<double> m_store;
};

// One slice walked along one row: where the row's rays meet its plane (origin + ux a + row
// part, with the column offset a = q - half), the slice's size and layout, the window and the cut.
struct Walk {
    double ox;
    double oy;
    double ux;
    double uy;
    double vxb; // vx b of the row
    double vyb;
    double vx; // from one row to the next
    double vy;
    int half;
    double halfW;
    double halfH;
    double width;
    double height;
    qsizetype stride;
    double sign;
    double top;
    Vec3 normal;
    double zTerm; // zk * normal.z
    double cutAt;
    double bandLow;
};

// An index in 0 ... size - 1 near position v (0 for NaN).
int indexNear(double v, double size)
{
    return v >= 0 ? int(std::min(v, size - 1)) : 0;
}

// The next row of a block samples about (x + vx, y + vy) of the slice: asking for it while this
// row is walked hides the memory latency that the hardware prefetcher leaves on an oblique walk
// and at page ends.
template <typename Sample>
void prefetchNextRow(const Walk& w, const Sample* data, double x, double y)
{
#ifdef __GNUC__
    __builtin_prefetch(data + qsizetype(indexNear(y + w.vy, w.height)) * w.stride +
                       indexNear(x + w.vx, w.width));
#else
    Q_UNUSED(w);
    Q_UNUSED(data);
    Q_UNUSED(x);
    Q_UNUSED(y);
#endif
}

// Columns q0 ... q1 - 1; `tested`: a sample may lie outside the slice.
template <typename Sample, bool cut, bool tested>
void walkPortable(const Walk& w, const Sample* data, const RowState& row, int q0, int q1)
{
    for (int q = q0; q < q1; ++q) {
        const double a = q - w.half;
        const double px = w.ox + (w.ux * a + w.vxb);
        const double py = w.oy + (w.uy * a + w.vyb);
        const double x = w.halfW + px;
        const double y = w.halfH + py;
        // trunc(x) lies in 0 ... sw - 1 exactly when -1 < x < sw.
        if constexpr (tested) {
            if (!(x > -1 && x < w.width && y > -1 && y < w.height))
                continue;
        } else if ((q & 3) == 0) {
            prefetchNextRow(w, data, x, y);
        }
        double d = 0;
        if constexpr (cut) {
            d = px * w.normal.x + py * w.normal.y + w.zTerm;
            if (!(d < w.cutAt))
                continue;
        }
        const double v = w.sign * sampleValue(data[qsizetype(int(y)) * w.stride + int(x)]);
        // Without branches: the comparisons follow noisy data.
        const double shown = v <= w.top ? v : -infinity;
        row.best[q] = row.best[q] < shown ? shown : row.best[q];
        if constexpr (cut)
            row.section[q] = d > w.bandLow ? v : row.section[q];
    }
}

#ifdef CIRVO_AVX2_KERNEL

__attribute__((target("avx2"))) __m256d gatherSamples(const double* data, __m128i index)
{
    // The masked forms with a zero source: the plain ones leave their source undefined.
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), data, index, all, 8);
}

__attribute__((target("avx2"))) __m256d gatherSamples(const QRgb* data, __m128i index)
{
    const __m128i pixels = _mm_mask_i32gather_epi32(
        _mm_setzero_si128(), reinterpret_cast<const int*>(data), index, _mm_set1_epi32(-1), 4);
    return _mm256_cvtepi32_pd(_mm_and_si128(pixels, _mm_set1_epi32(0xff)));
}

// Four columns at once, inside the slice, with the portable loop's operations in its order (no
// fused multiply-add); sample indices fit 32 bits. Returns the first column left over.
template <typename Sample, bool cut>
__attribute__((target("avx2"))) int walkAvx2(const Walk& w, const Sample* data, const RowState& row,
                                             int q0, int q1)
{
    const __m256d ox = _mm256_set1_pd(w.ox);
    const __m256d oy = _mm256_set1_pd(w.oy);
    const __m256d ux = _mm256_set1_pd(w.ux);
    const __m256d uy = _mm256_set1_pd(w.uy);
    const __m256d vxb = _mm256_set1_pd(w.vxb);
    const __m256d vyb = _mm256_set1_pd(w.vyb);
    const __m256d four = _mm256_set1_pd(4);
    __m256d a = _mm256_add_pd(_mm256_set1_pd(q0 - w.half), _mm256_setr_pd(0, 1, 2, 3));
    const __m256d halfW = _mm256_set1_pd(w.halfW);
    const __m256d halfH = _mm256_set1_pd(w.halfH);
    const __m128i stride = _mm_set1_epi32(int(w.stride));
    const __m256d sign = _mm256_set1_pd(w.sign);
    const __m256d top = _mm256_set1_pd(w.top);
    const __m256d hidden = _mm256_set1_pd(-infinity);
    const __m256d nX = _mm256_set1_pd(w.normal.x);
    const __m256d nY = _mm256_set1_pd(w.normal.y);
    const __m256d zTerm = _mm256_set1_pd(w.zTerm);
    const __m256d cutAt = _mm256_set1_pd(w.cutAt);
    const __m256d bandLow = _mm256_set1_pd(w.bandLow);
    int q = q0;
    for (; q + 4 <= q1; q += 4) {
        const __m256d px = _mm256_add_pd(ox, _mm256_add_pd(_mm256_mul_pd(ux, a), vxb));
        const __m256d py = _mm256_add_pd(oy, _mm256_add_pd(_mm256_mul_pd(uy, a), vyb));
        a = _mm256_add_pd(a, four);
        const __m256d x = _mm256_add_pd(halfW, px);
        const __m256d y = _mm256_add_pd(halfH, py);
        const __m128i i = _mm256_cvttpd_epi32(x);
        const __m128i j = _mm256_cvttpd_epi32(y);
        prefetchNextRow(w, data, _mm256_cvtsd_f64(x), _mm256_cvtsd_f64(y));
        const __m256d v =
            _mm256_mul_pd(sign, gatherSamples(data, _mm_add_epi32(_mm_mullo_epi32(j, stride), i)));
        __m256d shown = _mm256_cmp_pd(v, top, _CMP_LE_OQ);
        if constexpr (cut) {
            const __m256d d =
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(px, nX), _mm256_mul_pd(py, nY)), zTerm);
            const __m256d inFront = _mm256_cmp_pd(d, cutAt, _CMP_LT_OQ);
            shown = _mm256_and_pd(shown, inFront);
            const __m256d inBand = _mm256_and_pd(inFront, _mm256_cmp_pd(d, bandLow, _CMP_GT_OQ));
            _mm256_storeu_pd(row.section + q,
                             _mm256_blendv_pd(_mm256_loadu_pd(row.section + q), v, inBand));
        }
        const __m256d best = _mm256_loadu_pd(row.best + q);
        // max(a, b) is a > b ? a : b, as the portable loop's best < shown ? shown : best.
        _mm256_storeu_pd(row.best + q, _mm256_max_pd(_mm256_blendv_pd(hidden, v, shown), best));
    }
    return q;
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#endif

// Columns q0 ... q1 - 1 that all sample inside the slice.
template <typename Sample, bool cut>
void walkInside(const Walk& w, const Sample* data, const RowState& row, int q0, int q1, int height,
                bool vector)
{
#ifdef CIRVO_AVX2_KERNEL
    if (vector && hasAvx2() && w.stride * height < (qsizetype(1) << 31))
        q0 = walkAvx2<Sample, cut>(w, data, row, q0, q1);
#else
    Q_UNUSED(height);
    Q_UNUSED(vector);
#endif
    walkPortable<Sample, cut, false>(w, data, row, q0, q1);
}

// The projection of one set into a layer, in blocks of rows handed to the threads: every slice
// is walked along each row of a block, keeping per column the largest value and the section's.
class LayerPainter
{
public:
    LayerPainter(const VolumeSet& set, const ViewBasis& view, int pw, int ph, bool vector)
        : m_set(set), m_window(set.lo, set.hi), m_planes(view, int(set.slices.size())), m_pw(pw),
          m_ph(ph), m_cut(set.showCSection), m_cutAt(set.slider / 100.0 * int(set.slices.size())),
          m_bandLow(m_cutAt - 1), m_normal(set.csNormal),
          m_alphaValid(set.alpha >= 0 && set.alpha <= 255), m_sampled(view.nz.z != 0),
          m_vector(vector)
    {
        m_converted.reserve(set.slices.size());
        for (const SliceRecord* slice : set.slices)
            m_samples.push_back(samplesOf(slice));
    }

    bool empty() const { return m_window.empty || !m_sampled; }

    void paint(QImage& layer, int threads) const
    {
        uchar* bits = layer.bits();
        const qsizetype bytesPerLine = layer.bytesPerLine();
        const int rows = RowBlock::rowsFor(m_pw, m_ph, threads);
        std::atomic<int> nextRow{0};
        const auto work = [&] {
            RowBlock block(m_pw, rows);
            for (int r = nextRow.fetch_add(rows); r < m_ph; r = nextRow.fetch_add(rows))
                paintRows(r, std::min(r + rows, m_ph), block, bits, bytesPerLine);
        };
        std::vector<std::thread> helpers;
        try {
            for (int i = 1; i < std::min(threads, (m_ph + rows - 1) / rows); ++i)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer helpers: the rows left are taken by those running and this thread.
        }
        work();
        for (std::thread& helper : helpers)
            helper.join();
    }

private:
    const VolumeSet& m_set;
    const ValueWindow m_window;
    const SlicePlanes m_planes;
    const int m_pw;
    const int m_ph;
    const bool m_cut;
    const double m_cutAt;
    const double m_bandLow;
    const Vec3 m_normal;
    const bool m_alphaValid;
    const bool m_sampled;
    const bool m_vector;
    std::vector<SliceSamples> m_samples;
    std::vector<QImage> m_converted;

    // A slice that does not hold sw x sh samples is not sampled.
    SliceSamples samplesOf(const SliceRecord* slice)
    {
        if (!slice)
            return {};
        if (!slice->isImage) {
            if (slice->values.size() < size_t(m_set.sw) * size_t(m_set.sh))
                return {};
            return {slice->values.data(), nullptr, m_set.sw};
        }
        const QImage* picture = &slice->picture;
        if (picture->width() < m_set.sw || picture->height() < m_set.sh)
            return {};
        if (picture->format() != QImage::Format_ARGB32 &&
            picture->format() != QImage::Format_RGB32) {
            m_converted.push_back(picture->convertToFormat(QImage::Format_ARGB32));
            picture = &m_converted.back();
        }
        return {nullptr, reinterpret_cast<const QRgb*>(picture->constBits()),
                picture->bytesPerLine() / qsizetype(sizeof(QRgb))};
    }

    void paintRows(int r0, int r1, RowBlock& block, uchar* bits, qsizetype bytesPerLine) const
    {
        for (int r = r0; r < r1; ++r) {
            const RowState row = block.row(r - r0);
            std::fill(row.best, row.best + m_pw, -infinity);
            std::fill(row.section, row.section + m_pw, notANumber);
        }
        const double edge = (std::abs(m_planes.ux) + std::abs(m_planes.uy)) * m_pw;
        for (int k = 0; k < int(m_samples.size()); ++k) {
            const SliceSamples& s = m_samples[k];
            const double ox = m_planes.originX[k];
            const double oy = m_planes.originY[k];
            for (int r = r0; r < r1; ++r) {
                const double b = r - m_ph / 2;
                Columns columns(m_pw);
                columns.narrow(m_set.sw / 2 + ox + m_planes.vx * b, m_planes.ux,
                               std::abs(ox) + std::abs(m_planes.vx * b) + edge, m_set.sw, m_pw / 2,
                               m_pw);
                columns.narrow(m_set.sh / 2 + oy + m_planes.vy * b, m_planes.uy,
                               std::abs(oy) + std::abs(m_planes.vy * b) + edge, m_set.sh, m_pw / 2,
                               m_pw);
                if (columns.empty())
                    continue;
                columns.settle();
                if (s.values)
                    sampleSlice(k, b, s.values, s.stride, columns, block.row(r - r0));
                else if (s.pixels)
                    sampleSlice(k, b, s.pixels, s.stride, columns, block.row(r - r0));
            }
        }
        for (int r = r0; r < r1; ++r) {
            const RowState row = block.row(r - r0);
            auto* out = reinterpret_cast<QRgb*>(bits + r * bytesPerLine);
            for (int q = 0; q < m_pw; ++q)
                out[q] = pixelOf(row.best[q], row.section[q]);
        }
    }

    template <typename Sample>
    void sampleSlice(int k, double b, const Sample* data, qsizetype stride, const Columns& columns,
                     const RowState& row) const
    {
        if (m_cut)
            sampleColumns<Sample, true>(k, b, data, stride, columns, row);
        else
            sampleColumns<Sample, false>(k, b, data, stride, columns, row);
    }

    template <typename Sample, bool cut>
    void sampleColumns(int k, double b, const Sample* data, qsizetype stride,
                       const Columns& columns, const RowState& row) const
    {
        const Walk w{m_planes.originX[k],
                     m_planes.originY[k],
                     m_planes.ux,
                     m_planes.uy,
                     m_planes.vx * b,
                     m_planes.vy * b,
                     m_planes.vx,
                     m_planes.vy,
                     m_pw / 2,
                     double(m_set.sw / 2),
                     double(m_set.sh / 2),
                     double(m_set.sw),
                     double(m_set.sh),
                     stride,
                     m_window.sign,
                     m_window.top,
                     m_normal,
                     m_planes.z[k] * m_normal.z,
                     m_cutAt,
                     m_bandLow};
        walkPortable<Sample, cut, true>(w, data, row, columns.first, columns.safeFirst);
        walkInside<Sample, cut>(w, data, row, columns.safeFirst, columns.safeEnd, m_set.sh,
                                m_vector);
        walkPortable<Sample, cut, true>(w, data, row, columns.safeEnd, columns.end);
    }

    QRgb pixelOf(double best, double section) const
    {
        if (m_cut) {
            const double s = shownLevel(section, m_window.lo, m_window.hi);
            if (s > 0)
                return colourOf(s, m_set.sColor);
        }
        const double m = best >= m_window.lo ? rawLevel(best, m_window.lo, m_window.hi) : 0;
        return m > 0 ? colourOf(m, m_set.vColor) : 0;
    }

    // White at level 0 to the colour at level 255. The painter draws a colour with an opacity
    // outside 0 ... 255 (an invalid colour) in opaque black.
    QRgb colourOf(double level, const QColor& colour) const
    {
        if (!m_alphaValid)
            return qRgb(0, 0, 0);
        const auto ramp = [level](int k) { return int(255 - level * (1 - k / 255.0)); };
        return qRgba(ramp(colour.red()), ramp(colour.green()), ramp(colour.blue()), m_set.alpha);
    }
};

int byteMul(int x, int a)
{
    const int t = x * a;
    return (t + (t >> 8) + 0x80) >> 8;
}

// Each layer pixel drawn over the opaque picture as the painter draws a point of that colour:
// the colour premultiplied in 16 bits, then source-over in 8 bits.
void drawLayerOver(QImage& picture, const QImage& layer)
{
    if (layer.size() != picture.size())
        return;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb s = source[x];
            const int alpha = qAlpha(s);
            if (alpha == 0)
                continue;
            if (alpha == 255) {
                target[x] = s;
                continue;
            }
            const QRgb premultiplied = qPremultiply(QRgba64::fromArgb32(s)).toArgb32();
            const QRgb t = target[x];
            const int keep = 255 - alpha;
            target[x] = qRgb(qRed(premultiplied) + byteMul(qRed(t), keep),
                             qGreen(premultiplied) + byteMul(qGreen(t), keep),
                             qBlue(premultiplied) + byteMul(qBlue(t), keep));
        }
    }
}

} // namespace

QImage VolumeRenderer::render(const std::vector<VolumeSet>& sets, const ViewBasis& view, int pw,
                              int ph, int threads, Loops loops)
{
    if (pw <= 0 || ph <= 0)
        return {};
    QImage picture(pw, ph, QImage::Format_ARGB32);
    if (picture.isNull())
        return {};
    picture.fill(Qt::white);
    for (const VolumeSet& set : sets) {
        if (set.sw <= 0 || set.sh <= 0)
            continue;
        if (set.showFrame) {
            QPainter p(&picture);
            drawFrame(p, set, view, pw, ph, false);
        }
        if (set.showVolume)
            drawLayerOver(picture, volumeLayer(set, view, pw, ph, threads, loops));
        if (set.showFrame) {
            QPainter p(&picture);
            drawFrame(p, set, view, pw, ph, true);
        }
    }
    return picture;
}

QImage VolumeRenderer::volumeLayer(const VolumeSet& set, const ViewBasis& view, int pw, int ph,
                                   int threads, Loops loops)
{
    if (pw <= 0 || ph <= 0)
        return {};
    QImage layer(pw, ph, QImage::Format_ARGB32);
    if (layer.isNull())
        return {};
    const LayerPainter painter(set, view, pw, ph, loops == Loops::Vector);
    if (set.sw <= 0 || set.sh <= 0 || painter.empty()) {
        layer.fill(Qt::transparent);
        return layer;
    }
    painter.paint(layer, threads > 0 ? threads : QThread::idealThreadCount());
    return layer;
}

void VolumeRenderer::drawFrame(QPainter& p, const VolumeSet& set, const ViewBasis& view, int pw,
                               int ph, bool front)
{
    const double half[3] = {double(set.sw / 2), double(set.sh / 2),
                            double(int(set.slices.size()) / 2)};
    const double towardViewer[3] = {view.nz.x, view.nz.y, view.nz.z};
    // Far outside any picture, still safe for the painter's integer coordinates.
    constexpr double limit = 1 << 22;
    // Corner c has the sign of axis i from bit i.
    QPoint corners[8];
    for (int c = 0; c < 8; ++c) {
        const Vec3 corner{c & 1 ? half[0] : -half[0], c & 2 ? half[1] : -half[1],
                          c & 4 ? half[2] : -half[2]};
        const Vec3 relative = corner - view.offset;
        const double x = pw / 2 + relative.dot(view.nx) / view.scale;
        const double y = ph / 2 + relative.dot(view.ny) / view.scale;
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        corners[c] = QPoint(int(std::clamp(x, -limit, limit)), int(std::clamp(y, -limit, limit)));
    }
    QPen pen(set.vColor);
    pen.setWidth(1);
    p.setPen(pen);
    for (int axis = 0; axis < 3; ++axis) {
        const int u = 1 << (axis + 1) % 3;
        const int w = 1 << (axis + 2) % 3;
        for (const int side : {0, 1 << axis}) {
            const double depth = (side ? half[axis] : -half[axis]) * towardViewer[axis];
            if (front ? !(depth > 0) : !(depth < 0))
                continue;
            const int cycle[4] = {side, side | u, side | u | w, side | w};
            for (int e = 0; e < 4; ++e)
                p.drawLine(corners[cycle[e]], corners[cycle[(e + 1) % 4]]);
        }
    }
}
