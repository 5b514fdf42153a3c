#include "fbpreference.h"

#include <fftw3.h>

namespace FbpReference
{

double scalingFactor(int n, int count)
{
    if (n * count > 0)
        return 1.0 / (n * count);
    return 1.0;
}

double theta(int r, double rangeDeg, int images, int start, double originDeg)
{
    const double delta = ((rangeDeg / 180) * Pi) / images;
    return r * delta + (start * delta + (originDeg / 180) * Pi);
}

bool reconstruct(const double* absorption, int width, int rows, const ReconParams& p,
                 Reconstruction& out)
{
    const int n = (width / 2) * 2;
    if (n < 2)
        return false;
    out = Reconstruction{};
    out.n = n;
    out.rows = rows;
    out.filtered.assign(size_t(rows) * size_t(n), 0.0);
    out.result.assign(size_t(n) * size_t(n), 0.0);

    fftw_complex* forwardIn = fftw_alloc_complex(size_t(n));
    fftw_complex* forwardOut = fftw_alloc_complex(size_t(n));
    fftw_complex* backwardIn = fftw_alloc_complex(size_t(n));
    fftw_complex* backwardOut = fftw_alloc_complex(size_t(n));
    fftw_plan forward = fftw_plan_dft_1d(n, forwardIn, forwardOut, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_plan backward = fftw_plan_dft_1d(n, backwardIn, backwardOut, FFTW_BACKWARD, FFTW_ESTIMATE);

    // Every spectrum first, then every filter, as the engine's run does.
    std::vector<double> spectraRe(size_t(rows) * size_t(n));
    std::vector<double> spectraIm(size_t(rows) * size_t(n));
    for (int r = 0; r < rows; ++r) {
        const double* row = absorption + size_t(r) * size_t(width);
        for (int k = 0; k < n; ++k) {
            forwardIn[k][0] = row[k];
            forwardIn[k][1] = 0.0;
        }
        fftw_execute(forward);
        for (int k = 0; k < n; ++k) {
            spectraRe[size_t(r) * size_t(n) + size_t(k)] = forwardOut[k][0];
            spectraIm[size_t(r) * size_t(n) + size_t(k)] = forwardOut[k][1];
        }
    }

    const double a = 6.283185307179586 / n;
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < n; ++k) {
            double w = k;
            if (k >= n / 2)
                w = n - k;
            backwardIn[k][0] = (spectraRe[size_t(r) * size_t(n) + size_t(k)] * w) * a;
            backwardIn[k][1] = (spectraIm[size_t(r) * size_t(n) + size_t(k)] * w) * a;
        }
        fftw_execute(backward);
        for (int k = 0; k < n; ++k) {
            double value;
            if (p.dividing)
                value = backwardOut[k][0] / double(n * rows);
            else
                value = backwardOut[k][0] * scalingFactor(n, rows);
            out.filtered[size_t(r) * size_t(n) + size_t(k)] = value;
        }
    }

    fftw_destroy_plan(forward);
    fftw_destroy_plan(backward);
    fftw_free(forwardIn);
    fftw_free(forwardOut);
    fftw_free(backwardIn);
    fftw_free(backwardOut);

    const double g = n * 0.5;
    for (int r = 0; r < rows; ++r) {
        const double* f = out.filtered.data() + size_t(r) * size_t(n);
        const double th = theta(r, p.rangeDeg, p.images, p.start, p.originDeg);
        const double cs = std::cos(th);
        const double sn = std::sin(th);
        const double h = g - (g * cs - g * sn);
        for (int z = int(p.z0); z < p.z1; ++z) {
            const double u = z * (-sn) + h;
            for (int x = int(p.x0); x < p.x1; ++x) {
                const double d2 = (x - g) * (x - g) + (z - g) * (z - g);
                if (!(std::sqrt(d2) < g))
                    continue;
                const double t = x * cs + u;
                const int j = int(std::floor(t));
                if (j >= 0 && j < n - 1)
                    out.result[size_t(z) * size_t(n) + size_t(x)] +=
                        (f[j + 1] - f[j]) * (t - j) + f[j];
            }
        }
    }
    return true;
}

} // namespace FbpReference
