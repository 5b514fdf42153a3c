#include "fbpcore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace
{

// FFTW's planner is not thread-safe; executing plans is.
std::mutex& plannerMutex()
{
    static std::mutex m;
    return m;
}

constexpr double Pi = 3.141592653589793;

fftw_complex* complexBuffer(size_t n)
{
    return static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
}

double* realBuffer(size_t n)
{
    return static_cast<double*>(fftw_malloc(sizeof(double) * n));
}

} // namespace

FbpCore::FbpCore() = default;

FbpCore::~FbpCore()
{
    release();
}

void FbpCore::release()
{
    {
        const std::lock_guard<std::mutex> lock(plannerMutex());
        if (m_forwardPlan)
            fftw_destroy_plan(m_forwardPlan);
        if (m_backwardPlan)
            fftw_destroy_plan(m_backwardPlan);
    }
    m_forwardPlan = m_backwardPlan = nullptr;
    for (fftw_complex** buffer :
         {&m_forwardIn, &m_forwardOut, &m_backwardIn, &m_backwardOut, &m_spectra}) {
        fftw_free(*buffer);
        *buffer = nullptr;
    }
    for (double** buffer : {&m_realIn, &m_realOut}) {
        fftw_free(*buffer);
        *buffer = nullptr;
    }
    m_response.clear();
    m_filtered.clear();
    m_n = m_length = m_spectrumLength = m_count = 0;
}

void FbpCore::setFilter(const FbpFilter& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    release();
}

bool FbpCore::planComplex()
{
    const int n = m_n;
    m_forwardIn = complexBuffer(size_t(n));
    m_forwardOut = complexBuffer(size_t(n));
    m_backwardIn = complexBuffer(size_t(n));
    m_backwardOut = complexBuffer(size_t(n));
    if (!m_forwardIn || !m_forwardOut || !m_backwardIn || !m_backwardOut)
        return false;
    const std::lock_guard<std::mutex> lock(plannerMutex());
    m_forwardPlan = fftw_plan_dft_1d(n, m_forwardIn, m_forwardOut, FFTW_FORWARD, FFTW_ESTIMATE);
    m_backwardPlan = fftw_plan_dft_1d(n, m_backwardIn, m_backwardOut, FFTW_BACKWARD, FFTW_ESTIMATE);
    m_spectrumLength = n;
    return m_forwardPlan && m_backwardPlan;
}

bool FbpCore::planReal()
{
    const int length = m_length;
    const size_t half = size_t(length / 2 + 1);
    m_realIn = realBuffer(size_t(length));
    m_realOut = realBuffer(size_t(length));
    m_forwardOut = complexBuffer(half);
    m_backwardIn = complexBuffer(half);
    if (!m_realIn || !m_realOut || !m_forwardOut || !m_backwardIn)
        return false;
    {
        const std::lock_guard<std::mutex> lock(plannerMutex());
        m_forwardPlan = fftw_plan_dft_r2c_1d(length, m_realIn, m_forwardOut, FFTW_ESTIMATE);
        m_backwardPlan = fftw_plan_dft_c2r_1d(length, m_backwardIn, m_realOut, FFTW_ESTIMATE);
    }
    if (!m_forwardPlan || !m_backwardPlan)
        return false;
    m_spectrumLength = int(half);
    m_response = response();
    return true;
}

// The filter over k = 0 ... length / 2: 2 pi times the ramp in cycles per sample times the
// window, times N / length so that the unnormalised inverse of any length matches N's.
std::vector<double> FbpCore::response()
{
    const int length = m_length;
    std::vector<double> out(static_cast<size_t>(m_spectrumLength));
    if (m_filter.pad) {
        // The kernel laid around the circle; padding leaves room for its tails.
        for (int m = 0; m < length; ++m) {
            const int d = std::min(m, length - m);
            m_realIn[m] = d % 2 == 1 ? -1.0 / ((Pi * d) * (Pi * d)) : 0.0;
        }
        m_realIn[0] = 0.25;
        fftw_execute(m_forwardPlan);
        for (size_t k = 0; k < out.size(); ++k)
            out[k] = m_forwardOut[k][0];
    } else {
        for (size_t k = 0; k < out.size(); ++k)
            out[k] = double(k) / length;
    }
    const double scale = 2 * Pi * m_n / length;
    for (size_t k = 0; k < out.size(); ++k)
        out[k] *= scale * FbpFilter::gain(m_filter.window, double(k) / length);
    return out;
}

bool FbpCore::prepare(int n, int count)
{
    const int length = n < 2 ? 0 : m_filter.pad ? FbpFilter::paddedLength(n) : n;
    if (length == 0 || count < 0) {
        release();
        return false;
    }
    if (n != m_n) {
        release();
        m_n = n;
        m_length = length;
        if (!(m_filter.isDefault() ? planComplex() : planReal())) {
            release();
            return false;
        }
    }
    if (count != m_count || !m_spectra) {
        fftw_free(m_spectra);
        m_count = count;
        m_spectra = complexBuffer(size_t(m_spectrumLength) * size_t(std::max(count, 1)));
        if (!m_spectra) {
            release();
            return false;
        }
        m_filtered.assign(size_t(n) * size_t(count) + FbpSamplePadding, 0.0);
    }
    return true;
}

void FbpCore::clearResult()
{
    m_result.assign(size_t(m_n) * size_t(m_n), 0.0);
    m_resultValid = false;
}

void FbpCore::forward(int r, const double* absorptionRow)
{
    fftw_complex* spectrum = m_spectra + size_t(r) * size_t(m_spectrumLength);
    if (!m_filter.isDefault()) {
        std::copy(absorptionRow, absorptionRow + m_n, m_realIn);
        std::fill(m_realIn + m_n, m_realIn + m_length, 0.0);
        fftw_execute(m_forwardPlan);
        std::memcpy(spectrum, m_forwardOut, sizeof(fftw_complex) * size_t(m_spectrumLength));
        return;
    }
    for (int i = 0; i < m_n; ++i) {
        m_forwardIn[i][0] = absorptionRow[i];
        m_forwardIn[i][1] = 0.0;
    }
    fftw_execute(m_forwardPlan);
    std::memcpy(spectrum, m_forwardOut, sizeof(fftw_complex) * size_t(m_n));
}

void FbpCore::ramp(int r)
{
    const fftw_complex* spectrum = m_spectra + size_t(r) * size_t(m_n);
    const double a = 6.283185307179586 / m_n;
    const int half = m_n / 2;
    for (int k = 0; k < m_n; ++k) {
        const double w = k < half ? k : m_n - k;
        m_backwardIn[k][0] = (spectrum[k][0] * w) * a;
        m_backwardIn[k][1] = (spectrum[k][1] * w) * a;
    }
    fftw_execute(m_backwardPlan);
}

void FbpCore::weigh(int r)
{
    const fftw_complex* spectrum = m_spectra + size_t(r) * size_t(m_spectrumLength);
    for (int k = 0; k < m_spectrumLength; ++k) {
        m_backwardIn[k][0] = spectrum[k][0] * m_response[size_t(k)];
        m_backwardIn[k][1] = spectrum[k][1] * m_response[size_t(k)];
    }
    fftw_execute(m_backwardPlan);
}

// The N samples of the filtered projection, before the callers' scale, lie `stride` apart from
// the returned address.
const double* FbpCore::filterUnscaled(int r, int& stride)
{
    if (m_filter.isDefault()) {
        ramp(r);
        stride = 2;
        return &m_backwardOut[0][0];
    }
    weigh(r);
    stride = 1;
    return m_realOut;
}

void FbpCore::filterDividing(int r, int rows)
{
    int stride = 0;
    const double* in = filterUnscaled(r, stride);
    const double divisor = double(qint64(m_n) * qint64(rows));
    double* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = in[size_t(i) * size_t(stride)] / divisor;
}

void FbpCore::filterScaling(int r, double factor)
{
    int stride = 0;
    const double* in = filterUnscaled(r, stride);
    double* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = in[size_t(i) * size_t(stride)] * factor;
}

FbpProjection FbpCore::projection(int r, double theta, double* differences) const
{
    const double g = m_n * 0.5;
    FbpProjection p;
    p.cs = std::cos(theta);
    p.sn = std::sin(theta);
    p.h = g - (g * p.cs - g * p.sn);
    p.f = filtered(r);
    for (int j = 0; j + 1 < m_n; ++j)
        differences[j] = p.f[j + 1] - p.f[j];
    p.d = differences;
    return p;
}

std::vector<FbpCore::Span> FbpCore::spans(const FbpRegion& region, int& zBegin, int& zEnd) const
{
    // Pixels outside 0 ... N - 1 fail the circle test, so the loops need not visit them. For
    // whole numbers x, "x < a" is "x < ceil(a)".
    zBegin = std::max(int(region.z0), 0);
    zEnd = int(std::min(std::ceil(region.z1), double(m_n)));
    const int xBegin = std::max(int(region.x0), 0);
    const int xEnd = int(std::min(std::ceil(region.x1), double(m_n)));
    const double g = m_n * 0.5;
    const auto inside = [g](int x, double dz) {
        const double dx = x - g;
        return std::sqrt(dx * dx + dz * dz) < g;
    };
    std::vector<Span> out(size_t(std::max(zEnd - zBegin, 0)));
    for (int z = zBegin; z < zEnd; ++z) {
        const double dz = z - g;
        // The circle test holds on one run of columns about g; find its exact ends.
        const double w = std::sqrt(std::max(g * g - dz * dz, 0.0));
        int lo = std::max(int(std::ceil(g - w)), 0);
        int hi = std::min(int(std::floor(g + w)), m_n - 1);
        while (lo > 0 && inside(lo - 1, dz))
            --lo;
        while (lo <= hi && !inside(lo, dz))
            ++lo;
        while (hi + 1 < m_n && inside(hi + 1, dz))
            ++hi;
        while (hi >= lo && !inside(hi, dz))
            --hi;
        Span& span = out[size_t(z - zBegin)];
        span.begin = std::max(lo, xBegin);
        span.end = std::min(hi + 1, xEnd);
    }
    return out;
}

void FbpCore::accumulate(const FbpProjection& p, int z, int xBegin, int xEnd)
{
    m_accumulate(p, m_result.data() + size_t(z) * size_t(m_n), z, xBegin, xEnd, m_n);
}

bool FbpCore::setKernel(FbpKernels::Kernel kernel)
{
    if (!FbpKernels::available(kernel))
        return false;
    m_kernel = kernel;
    m_accumulate = FbpKernels::function(kernel);
    return true;
}

void FbpCore::backProject(int r, double theta, const FbpRegion& region)
{
    m_resultValid = true;
    if (!std::isfinite(theta))
        return;
    m_differences.resize(size_t(m_n) + FbpSamplePadding);
    const FbpProjection p = projection(r, theta, m_differences.data());
    int zBegin = 0;
    int zEnd = 0;
    const std::vector<Span> rows = spans(region, zBegin, zEnd);
    for (int z = zBegin; z < zEnd; ++z)
        accumulate(p, z, rows[size_t(z - zBegin)].begin, rows[size_t(z - zBegin)].end);
}

void FbpCore::backProjectAll(int rows, double delta, double theta0, const FbpRegion& region)
{
    m_resultValid = true;
    m_differences.resize(size_t(m_n) * size_t(std::max(rows, 0)) + FbpSamplePadding);
    std::vector<FbpProjection> projections;
    projections.reserve(size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        const double theta = FbpAngles::theta(r, delta, theta0);
        if (std::isfinite(theta))
            projections.push_back(
                projection(r, theta, m_differences.data() + size_t(r) * size_t(m_n)));
    }
    int zBegin = 0;
    int zEnd = 0;
    const std::vector<Span> spanOf = spans(region, zBegin, zEnd);
    // Tiles of the result stay in cache while all projections pass; each pixel still sums the
    // projections in row order.
    // 64 rows of 512 doubles: 256 KiB of result in the second-level cache, while each
    // projection's samples stream past it once per tile.
    constexpr int TileRows = 64;
    constexpr int TileColumns = 512;
    for (int z0 = zBegin; z0 < zEnd; z0 += TileRows) {
        const int z1 = std::min(z0 + TileRows, zEnd);
        for (int x0 = 0; x0 < m_n; x0 += TileColumns) {
            const int x1 = std::min(x0 + TileColumns, m_n);
            for (const FbpProjection& p : projections)
                for (int z = z0; z < z1; ++z) {
                    const Span& span = spanOf[size_t(z - zBegin)];
                    const int begin = std::max(span.begin, x0);
                    const int end = std::min(span.end, x1);
                    if (begin < end)
                        accumulate(p, z, begin, end);
                }
        }
    }
}
