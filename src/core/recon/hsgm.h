#pragma once

#include <cstddef>
#include <vector>

// A sinogram: one row per projection of absorption ln((I0 - BG) / (raw - BG)), and the raw
// intensities after resampling, both row-major.
struct HSgm {
    std::vector<double> absorption;
    std::vector<double> raw;
    int width = 0;
    int rows = 0;
    int slice = 0;

    // Stores the shape; the arrays hold width x rows samples when that is positive, else none.
    // Samples kept from before are not cleared: the builder overwrites every one.
    void resize(int w, int r);
    bool hasData() const { return width > 0 && rows > 0 && !absorption.empty(); }
    const double* absorptionRow(int r) const
    {
        return absorption.data() + size_t(r) * size_t(width);
    }
    const double* rawRow(int r) const { return raw.data() + size_t(r) * size_t(width); }
};
