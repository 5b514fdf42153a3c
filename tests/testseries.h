#pragma once

#include "phantom/phantomseries.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

// A small phantom energy series at 7080, 7100, 7120 and 7140 eV, across the iron K edge, in the
// three layouts, without ground truth. A test that cannot write its input stops at once.
inline void writeTestSeries(const QString& out, const QString& name, int width, int height,
                            int projections)
{
    PhantomSeries::Settings s;
    s.set.outDir = out;
    s.set.name = name;
    s.set.width = width;
    s.set.height = height;
    s.set.projections = projections;
    s.set.truth = false;
    s.energies = {7080, 7100, 7120, 7140};
    QString error;
    if (!PhantomSeries(s).write(&error)) {
        std::fprintf(stderr, "cannot write the test series: %s\n", qPrintable(error));
        std::abort();
    }
}
