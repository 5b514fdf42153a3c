#include "fbpcoref.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace
{

fftwf_complex* complexBuffer(size_t n)
{
    return static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
}

float* realBuffer(size_t n)
{
    return static_cast<float*>(fftwf_malloc(sizeof(float) * n));
}

} // namespace

FbpCoreF::FbpCoreF() = default;

FbpCoreF::~FbpCoreF()
{
    release();
}

void FbpCoreF::release()
{
    {
        const std::lock_guard<std::mutex> lock(FbpPlanning::mutex());
        if (m_forwardPlan)
            fftw_destroy_plan(m_forwardPlan);
        if (m_backwardPlan)
            fftwf_destroy_plan(m_backwardPlan);
    }
    m_forwardPlan = nullptr;
    m_backwardPlan = nullptr;
    fftw_free(m_realIn);
    fftw_free(m_forwardOut);
    m_realIn = nullptr;
    m_forwardOut = nullptr;
    for (fftwf_complex** buffer : {&m_backwardIn, &m_spectra}) {
        fftwf_free(*buffer);
        *buffer = nullptr;
    }
    fftwf_free(m_realOut);
    m_realOut = nullptr;
    m_response.clear();
    m_filtered.clear();
    m_filtered.shrink_to_fit();
    m_n = m_length = m_spectrumLength = m_count = 0;
}

void FbpCoreF::setFilter(const FbpFilter& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    release();
}

bool FbpCoreF::plan()
{
    const int length = m_length;
    const size_t half = size_t(length / 2 + 1);
    m_realIn = static_cast<double*>(fftw_malloc(sizeof(double) * size_t(length)));
    m_forwardOut = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * half));
    m_realOut = realBuffer(size_t(length));
    m_backwardIn = complexBuffer(half);
    if (!m_realIn || !m_forwardOut || !m_realOut || !m_backwardIn)
        return false;
    {
        const std::lock_guard<std::mutex> lock(FbpPlanning::mutex());
        m_forwardPlan = fftw_plan_dft_r2c_1d(length, m_realIn, m_forwardOut, FFTW_ESTIMATE);
        m_backwardPlan = fftwf_plan_dft_c2r_1d(length, m_backwardIn, m_realOut, FFTW_ESTIMATE);
    }
    if (!m_forwardPlan || !m_backwardPlan)
        return false;
    m_spectrumLength = int(half);
    const std::vector<double> response =
        FbpPlanning::response(m_filter, m_n, length, m_forwardPlan, m_realIn, m_forwardOut);
    m_response.assign(response.begin(), response.end());
    return true;
}

bool FbpCoreF::prepare(int n, int count)
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
        if (!plan()) {
            release();
            return false;
        }
    }
    if (count != m_count || !m_spectra) {
        fftwf_free(m_spectra);
        m_count = count;
        m_spectra = complexBuffer(size_t(m_spectrumLength) * size_t(std::max(count, 1)));
        if (!m_spectra) {
            release();
            return false;
        }
        m_filtered.assign(size_t(n) * size_t(count), 0.0f);
    }
    return true;
}

void FbpCoreF::clearResult()
{
    m_result.assign(size_t(m_n) * size_t(m_n), 0.0f);
    m_resultValid = false;
}

void FbpCoreF::forward(int r, const double* absorptionRow)
{
    std::copy(absorptionRow, absorptionRow + m_n, m_realIn);
    std::fill(m_realIn + m_n, m_realIn + m_length, 0.0);
    fftw_execute(m_forwardPlan);
    fftwf_complex* spectrum = m_spectra + size_t(r) * size_t(m_spectrumLength);
    for (int k = 0; k < m_spectrumLength; ++k) {
        spectrum[k][0] = float(m_forwardOut[k][0]);
        spectrum[k][1] = float(m_forwardOut[k][1]);
    }
}

// The N samples of the filtered projection, before the callers' scale.
const float* FbpCoreF::filterUnscaled(int r)
{
    const fftwf_complex* spectrum = m_spectra + size_t(r) * size_t(m_spectrumLength);
    for (int k = 0; k < m_spectrumLength; ++k) {
        m_backwardIn[k][0] = spectrum[k][0] * m_response[size_t(k)];
        m_backwardIn[k][1] = spectrum[k][1] * m_response[size_t(k)];
    }
    fftwf_execute(m_backwardPlan);
    return m_realOut;
}

void FbpCoreF::filterDividing(int r, int rows)
{
    const float* in = filterUnscaled(r);
    const double divisor = double(m_n) * double(rows);
    float* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = float(in[i] / divisor);
}

void FbpCoreF::filterScaling(int r, double factor)
{
    const float* in = filterUnscaled(r);
    float* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = float(in[i] * factor);
}

FbpProjectionF FbpCoreF::projection(int r, double theta, float* differences) const
{
    const FbpGeometry::Orientation o = FbpGeometry::orientation(m_n, theta);
    FbpProjectionF p;
    p.cs = o.cs;
    p.sn = o.sn;
    p.h = o.h;
    const float cs = float(o.cs);
    for (int k = 0; k < 8; ++k)
        p.step[k] = float(k) * cs;
    p.f = filtered(r);
    for (int j = 0; j + 1 < m_n; ++j)
        differences[j] = p.f[j + 1] - p.f[j];
    p.d = differences;
    return p;
}

void FbpCoreF::accumulate(const FbpProjectionF* p, int count, int z, int xBegin, int xEnd)
{
    m_accumulate(p, count, m_result.data() + size_t(z) * size_t(m_n), z, xBegin, xEnd, m_n);
}

bool FbpCoreF::setKernel(FbpKernelsF::Kernel kernel)
{
    if (!FbpKernelsF::available(kernel))
        return false;
    m_kernel = kernel;
    m_accumulate = FbpKernelsF::function(kernel);
    return true;
}

std::vector<double> FbpCoreF::resultAsDoubles() const
{
    return {m_result.begin(), m_result.end()};
}

void FbpCoreF::backProject(int r, double theta, const FbpRegion& region)
{
    m_resultValid = true;
    if (!std::isfinite(theta))
        return;
    m_differences.resize(size_t(m_n));
    const FbpProjectionF p = projection(r, theta, m_differences.data());
    const FbpGeometry::Spans spans = FbpGeometry::spans(m_n, region);
    for (int z = spans.zBegin; z < spans.zEnd; ++z)
        accumulate(&p, 1, z, spans.of(z).begin, spans.of(z).end);
}

void FbpCoreF::backProjectAll(int rows, double delta, double theta0, const FbpRegion& region)
{
    m_resultValid = true;
    m_differences.resize(size_t(m_n) * size_t(std::max(rows, 0)));
    std::vector<FbpProjectionF> projections;
    projections.reserve(size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        const double theta = FbpAngles::theta(r, delta, theta0);
        if (std::isfinite(theta))
            projections.push_back(
                projection(r, theta, m_differences.data() + size_t(r) * size_t(m_n)));
    }
    FbpGeometry::forEachTile<float>(FbpGeometry::spans(m_n, region), m_n, int(projections.size()),
                             FbpKernelsF::MaxBatch,
                             [&](int i, int count, int z, int begin, int end) {
                                 accumulate(projections.data() + i, count, z, begin, end);
                             });
}
