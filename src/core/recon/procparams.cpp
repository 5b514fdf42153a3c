#include "procparams.h"

#include <limits>

int ProcParams::signedStep(int from, int to, int step)
{
    const int magnitude = step == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max()
                          : step < 0                              ? -step
                                                                  : step;
    return to < from ? -magnitude : magnitude;
}
