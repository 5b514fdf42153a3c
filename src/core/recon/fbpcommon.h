#pragma once

#include "fbpfilter.h"

#include <fftw3.h>

#include <algorithm>
#include <mutex>
#include <vector>

// What the double and the single-precision engines share, so that both reconstruct the same
// pixels from the same angles and filter alike.

// The part of a slice to reconstruct: x from x0 while x < x1, z likewise; pixels outside the
// inscribed circle are never touched.
struct FbpRegion {
    double x0 = 0;
    double z0 = 0;
    double x1 = 0;
    double z1 = 0;
};

// Projection angles: Δ = ((A / 180) π) / M and θ(r) = r Δ + (s Δ + (O / 180) π).
namespace FbpAngles
{
inline constexpr double Pi = 3.141592653589793;
inline double delta(double rangeDeg, int images)
{
    return ((rangeDeg / 180) * Pi) / images;
}
inline double theta0(int startImage, double delta, double originDeg)
{
    return startImage * delta + (originDeg / 180) * Pi;
}
inline double theta(int r, double delta, double theta0)
{
    return r * delta + theta0;
}
} // namespace FbpAngles

namespace FbpGeometry
{

// A projection at angle theta onto an N x N slice: pixel (x, z) takes the sample at
// t = x cs + (z (-sn) + h), with h = g - (g cs - g sn) and g = N / 2.
struct Orientation {
    double cs;
    double sn;
    double h;
};
Orientation orientation(int n, double theta);

// Per result row, the columns inside both the region and the inscribed circle: [begin, end).
struct Span {
    int begin;
    int end;
};

// Rows zBegin ... zEnd - 1, each with its span (rows[z - zBegin]).
struct Spans {
    int zBegin = 0;
    int zEnd = 0;
    std::vector<Span> rows;
    const Span& of(int z) const { return rows[size_t(z - zBegin)]; }
};
Spans spans(int n, const FbpRegion& region);

// Tiles of the result stay in cache while all projections pass; each pixel still sums the
// projections in their order. 64 rows of 256 KiB in all, in the second-level cache: 512 columns
// of doubles, 1024 of floats, while each projection's samples stream past once per tile. Calls
// accumulate(i, count, z, begin, end) for projections i ... i + count - 1, `batch` of them at a
// time (fewer at the end), over every non-empty piece of a span.
inline constexpr int TileRows = 64;
template <class Value> inline constexpr int TileColumns = 256 * 1024 / (TileRows * sizeof(Value));

template <class Value, class Accumulate>
void forEachTile(const Spans& spans, int n, int projections, int batch, Accumulate&& accumulate)
{
    for (int z0 = spans.zBegin; z0 < spans.zEnd; z0 += TileRows) {
        const int z1 = std::min(z0 + TileRows, spans.zEnd);
        for (int x0 = 0; x0 < n; x0 += TileColumns<Value>) {
            const int x1 = std::min(x0 + TileColumns<Value>, n);
            for (int i = 0; i < projections; i += batch) {
                const int count = std::min(batch, projections - i);
                for (int z = z0; z < z1; ++z) {
                    const Span& span = spans.of(z);
                    const int begin = std::max(span.begin, x0);
                    const int end = std::min(span.end, x1);
                    if (begin < end)
                        accumulate(i, count, z, begin, end);
                }
            }
        }
    }
}

} // namespace FbpGeometry

namespace FbpPlanning
{

// FFTW's planner is not thread-safe; executing plans is. One lock for the double and the single
// precision planner.
std::mutex& mutex();

// The filter over k = 0 ... length / 2 for N = n: 2 pi times the ramp in cycles per sample times
// the window, times N / length so that the unnormalised inverse of any length matches N's.
// Unpadded the ramp is the sampled |k|; padded, the spectrum of the band-limited ramp kernel,
// which `transform` (real to complex, of `length`, from `in` to `out`) takes.
std::vector<double> response(const FbpFilter& filter, int n, int length, fftw_plan transform,
                             double* in, const fftw_complex* out);

} // namespace FbpPlanning
