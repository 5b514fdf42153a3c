#pragma once

#include "recon/fbpcommon.h"

// The calculation regions both engines' tests run: the whole slice, a part cut inside vector
// groups, one reaching beyond the slice, fractional bounds, one with its ends swapped, and a band
// of rows across the middle reaching beyond both sides: every column tile at the circle's widest,
// at a fraction of the whole slice's cost.
enum RegionKind { Whole, Part, Outside, Fractional, Empty, Band };

inline FbpRegion regionOf(RegionKind kind, int n)
{
    switch (kind) {
    case Whole:
        return {0, 0, double(n), double(n)};
    case Part:
        return {double(n / 4), double(n / 8), double(3 * n / 4), double(n / 2 + 3)};
    case Outside:
        return {-7, -12, double(n + 9), double(n + 5)};
    case Fractional:
        return {3.7, -2.4, n - 5.5, n / 2 + 0.25};
    case Empty:
        return {double(n / 2), 0, double(n / 4), double(n)};
    case Band:
        return {-3, n / 2 - 40.5, double(n + 3), n / 2 + 40.5};
    }
    return {};
}
