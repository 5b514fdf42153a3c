#include "procparams.h"

#include "fbpcore.h"

#include <algorithm>
#include <cstdlib>

#include <limits>

int ProcParams::signedStep(int from, int to, int step)
{
    const int magnitude = step == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max()
                          : step < 0                              ? -step
                                                                  : step;
    return to < from ? -magnitude : magnitude;
}

QList<double> ProcParams::anglesDeg() const
{
    const double delta = FbpAngles::delta(dataSetRangeDeg, dataSetImages);
    const double theta0 = FbpAngles::theta0(startImageNo, delta, angleOriginDeg);
    // Bounded like the sinogram's rows: a partial count may exceed the images, not the limit.
    const int rows = int(std::min<qint64>(std::abs(qint64(usingImages)), 1 << 24));
    QList<double> angles;
    angles.reserve(rows);
    for (int r = 0; r < rows; ++r)
        angles << FbpAngles::theta(r, delta, theta0) * 180 / FbpAngles::Pi;
    return angles;
}
