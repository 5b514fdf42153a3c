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

fftw_complex* complexBuffer(size_t n)
{
    return static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
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
    m_filtered.clear();
    m_n = m_count = 0;
}

bool FbpCore::prepare(int n, int count)
{
    if (n < 2 || count < 0) {
        release();
        return false;
    }
    if (n != m_n) {
        release();
        m_n = n;
        m_forwardIn = complexBuffer(size_t(n));
        m_forwardOut = complexBuffer(size_t(n));
        m_backwardIn = complexBuffer(size_t(n));
        m_backwardOut = complexBuffer(size_t(n));
        const std::lock_guard<std::mutex> lock(plannerMutex());
        m_forwardPlan = fftw_plan_dft_1d(n, m_forwardIn, m_forwardOut, FFTW_FORWARD, FFTW_ESTIMATE);
        m_backwardPlan =
            fftw_plan_dft_1d(n, m_backwardIn, m_backwardOut, FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    if (count != m_count || !m_spectra) {
        fftw_free(m_spectra);
        m_count = count;
        m_spectra = complexBuffer(size_t(n) * size_t(std::max(count, 1)));
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
    for (int i = 0; i < m_n; ++i) {
        m_forwardIn[i][0] = absorptionRow[i];
        m_forwardIn[i][1] = 0.0;
    }
    fftw_execute(m_forwardPlan);
    std::memcpy(m_spectra + size_t(r) * size_t(m_n), m_forwardOut,
                sizeof(fftw_complex) * size_t(m_n));
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

void FbpCore::filterDividing(int r, int rows)
{
    ramp(r);
    const double divisor = double(qint64(m_n) * qint64(rows));
    double* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = m_backwardOut[i][0] / divisor;
}

void FbpCore::filterScaling(int r, double factor)
{
    ramp(r);
    double* out = m_filtered.data() + size_t(r) * size_t(m_n);
    for (int i = 0; i < m_n; ++i)
        out[i] = m_backwardOut[i][0] * factor;
}

void FbpCore::backProject(int r, double theta, const FbpRegion& region)
{
    m_resultValid = true;
    if (!std::isfinite(theta))
        return;
    const double* f = filtered(r);
    const double g = m_n * 0.5;
    const double cs = std::cos(theta);
    const double sn = std::sin(theta);
    const double h = g - (g * cs - g * sn);
    // Pixels outside 0 ... N - 1 fail the circle test, so the loops need not visit them.
    const int zBegin = std::max(int(region.z0), 0);
    const int xBegin = std::max(int(region.x0), 0);
    const double zEnd = std::min(region.z1, double(m_n));
    const double xEnd = std::min(region.x1, double(m_n));
    for (int z = zBegin; z < zEnd; ++z) {
        const double u = z * (-sn) + h;
        const double dz = z - g;
        double* row = m_result.data() + size_t(z) * size_t(m_n);
        for (int x = xBegin; x < xEnd; ++x) {
            const double dx = x - g;
            if (!(std::sqrt(dx * dx + dz * dz) < g))
                continue;
            const double t = x * cs + u;
            const double jf = std::floor(t);
            if (!(jf >= 0 && jf < m_n - 1))
                continue;
            const int j = int(jf);
            row[x] += (f[j + 1] - f[j]) * (t - j) + f[j];
        }
    }
}
