#pragma once

// What the phantom benches share: the program's reconstruction of one slice, and its error
// against the phantom's truth.
#include "recon/fbpcore.h"
#include "recon/fbpfilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace BenchPhantom
{

// The n x n slice FbpCore makes from the first n samples of each of the `rows` lines of `width`
// samples, taken over [0, rangeDeg) from 0 and scaled as a single slice is; empty when the core
// cannot be prepared. Sample j lies at s = j - n / 2, pixel (x, z) at X = x - n / 2,
// Z = z - n / 2.
inline std::vector<double> reconstruct(const std::vector<double>& sgm, int width, int rows,
                                       double rangeDeg, int n, const FbpFilter& filter = {})
{
    FbpCore core;
    core.setFilter(filter);
    if (!core.prepare(n, rows))
        return {};
    core.clearResult();
    for (int r = 0; r < rows; ++r)
        core.forward(r, sgm.data() + size_t(r) * size_t(width));
    for (int r = 0; r < rows; ++r)
        core.filterScaling(r, 1.0 / (double(n) * rows));
    core.backProjectAll(rows, FbpAngles::delta(rangeDeg, rows), 0, {0, 0, double(n), double(n)});
    return core.result();
}

// ||s rec - truth|| / ||truth|| where mask > 0, with s = <rec, truth> / <rec, rec>: only the
// scale is fitted, so a mean offset counts as error.
inline double relativeError(const std::vector<double>& rec, const std::vector<double>& truth,
                            const std::vector<double>& mask)
{
    double rt = 0;
    double rr = 0;
    for (size_t i = 0; i < rec.size(); ++i)
        if (mask[i] > 0) {
            rt += rec[i] * truth[i];
            rr += rec[i] * rec[i];
        }
    const double s = rr > 0 ? rt / rr : 0.0;
    double ee = 0;
    double tt = 0;
    for (size_t i = 0; i < rec.size(); ++i)
        if (mask[i] > 0) {
            ee += (s * rec[i] - truth[i]) * (s * rec[i] - truth[i]);
            tt += truth[i] * truth[i];
        }
    return std::sqrt(ee / tt);
}

} // namespace BenchPhantom
