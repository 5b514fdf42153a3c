#include "fbpcommon.h"

#include <cmath>

namespace FbpGeometry
{

Orientation orientation(int n, double theta)
{
    const double g = n * 0.5;
    Orientation o;
    o.cs = std::cos(theta);
    o.sn = std::sin(theta);
    o.h = g - (g * o.cs - g * o.sn);
    return o;
}

Spans spans(int n, const FbpRegion& region)
{
    // Pixels outside 0 ... N - 1 fail the circle test, so the loops need not visit them. For
    // whole numbers x, "x < a" is "x < ceil(a)".
    Spans out;
    out.zBegin = std::max(int(region.z0), 0);
    out.zEnd = int(std::min(std::ceil(region.z1), double(n)));
    const int xBegin = std::max(int(region.x0), 0);
    const int xEnd = int(std::min(std::ceil(region.x1), double(n)));
    const double g = n * 0.5;
    const auto inside = [g](int x, double dz) {
        const double dx = x - g;
        return std::sqrt(dx * dx + dz * dz) < g;
    };
    out.rows.resize(size_t(std::max(out.zEnd - out.zBegin, 0)));
    for (int z = out.zBegin; z < out.zEnd; ++z) {
        const double dz = z - g;
        // The circle test holds on one run of columns about g; find its exact ends.
        const double w = std::sqrt(std::max(g * g - dz * dz, 0.0));
        int lo = std::max(int(std::ceil(g - w)), 0);
        int hi = std::min(int(std::floor(g + w)), n - 1);
        while (lo > 0 && inside(lo - 1, dz))
            --lo;
        while (lo <= hi && !inside(lo, dz))
            ++lo;
        while (hi + 1 < n && inside(hi + 1, dz))
            ++hi;
        while (hi >= lo && !inside(hi, dz))
            --hi;
        Span& span = out.rows[size_t(z - out.zBegin)];
        span.begin = std::max(lo, xBegin);
        span.end = std::min(hi + 1, xEnd);
    }
    return out;
}

} // namespace FbpGeometry

namespace FbpPlanning
{

std::mutex& mutex()
{
    static std::mutex m;
    return m;
}

std::vector<double> response(const FbpFilter& filter, int n, int length, fftw_plan transform,
                             double* in, const fftw_complex* out)
{
    constexpr double Pi = FbpAngles::Pi;
    std::vector<double> values(size_t(length / 2 + 1));
    if (filter.pad) {
        // The kernel laid around the circle; padding leaves room for its tails.
        for (int m = 0; m < length; ++m) {
            const int d = std::min(m, length - m);
            in[m] = d % 2 == 1 ? -1.0 / ((Pi * d) * (Pi * d)) : 0.0;
        }
        in[0] = 0.25;
        fftw_execute(transform);
        for (size_t k = 0; k < values.size(); ++k)
            values[k] = out[k][0];
    } else {
        for (size_t k = 0; k < values.size(); ++k)
            values[k] = double(k) / length;
    }
    const double scale = 2 * Pi * n / length;
    for (size_t k = 0; k < values.size(); ++k)
        values[k] *= scale * FbpFilter::gain(filter.window, double(k) / length);
    return values;
}

} // namespace FbpPlanning
