#pragma once

#include "recon/fbpcommon.h"

// The calculation regions both engines' tests run: the whole slice, a part cut inside vector
// groups, one reaching beyond the slice, fractional bounds, and one with its ends swapped.
enum RegionKind { Whole, Part, Outside, Fractional, Empty };

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
    }
    return {};
}
