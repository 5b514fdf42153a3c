#include "slicepacing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QtGlobal>

namespace SlicePacing
{

bool within(int cursor, int from, int to)
{
    return cursor >= std::min(from, to) && cursor <= std::max(from, to);
}

double progress(int cursor, int from, int to, int step, int busy)
{
    const qint64 s = std::llabs(step) >= 2 ? std::llabs(step) : 1;
    const qint64 started = std::llabs(qint64(cursor) - from) / s;
    const qint64 slices = std::llabs(qint64(to) - from) / s + 1;
    const double fraction = double(started - busy + 1) / double(slices);
    return std::clamp(std::trunc(fraction * 1000) / 10, 0.0, 100.0);
}

} // namespace SlicePacing
