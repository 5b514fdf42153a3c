#include "fbpcore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace
{

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
        const std::lock_guard<std::mutex> lock(FbpPlanning::mutex());
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
    m_filtered.shrink_to_fit();
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
    const std::lock_guard<std::mutex> lock(FbpPlanning::mutex());
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
        const std::lock_guard<std::mutex> lock(FbpPlanning::mutex());
        m_forwardPlan = fftw_plan_dft_r2c_1d(length, m_realIn, m_forwardOut, FFTW_ESTIMATE);
        m_backwardPlan = fftw_plan_dft_c2r_1d(length, m_backwardIn, m_realOut, FFTW_ESTIMATE);
    }
    if (!m_forwardPlan || !m_backwardPlan)
        return false;
    m_spectrumLength = int(half);
    m_response =
        FbpPlanning::response(m_filter, m_n, m_length, m_forwardPlan, m_realIn, m_forwardOut);
    return true;
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
        m_filtered.assign(size_t(n) * size_t(count), 0.0);
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
    const FbpGeometry::Orientation o = FbpGeometry::orientation(m_n, theta);
    FbpProjection p;
    p.cs = o.cs;
    p.sn = o.sn;
    p.h = o.h;
    p.f = filtered(r);
    for (int j = 0; j + 1 < m_n; ++j)
        differences[j] = p.f[j + 1] - p.f[j];
    p.d = differences;
    return p;
}

void FbpCore::accumulate(const FbpProjection* p, int count, int z, int xBegin, int xEnd)
{
    m_accumulate(p, count, m_result.data() + size_t(z) * size_t(m_n), z, xBegin, xEnd, m_n);
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
    m_differences.resize(size_t(m_n));
    const FbpProjection p = projection(r, theta, m_differences.data());
    const FbpGeometry::Spans spans = FbpGeometry::spans(m_n, region);
    for (int z = spans.zBegin; z < spans.zEnd; ++z)
        accumulate(&p, 1, z, spans.of(z).begin, spans.of(z).end);
}

void FbpCore::backProjectAll(int rows, double delta, double theta0, const FbpRegion& region)
{
    m_resultValid = true;
    m_differences.resize(size_t(m_n) * size_t(std::max(rows, 0)));
    std::vector<FbpProjection> projections;
    projections.reserve(size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        const double theta = FbpAngles::theta(r, delta, theta0);
        if (std::isfinite(theta))
            projections.push_back(
                projection(r, theta, m_differences.data() + size_t(r) * size_t(m_n)));
    }
    FbpGeometry::forEachTile<double>(FbpGeometry::spans(m_n, region), m_n, int(projections.size()),
                             FbpKernels::MaxBatch,
                             [&](int i, int count, int z, int begin, int end) {
                                 accumulate(projections.data() + i, count, z, begin, end);
                             });
}
