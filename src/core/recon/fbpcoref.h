#pragma once

#include "fbpcommon.h"
#include "fbpfilter.h"
#include "fbpkernelsf.h"

#include <fftw3.h>

#include <vector>

// FbpCore in single precision, for callers that prefer speed to FbpCore's exact sums: the same
// calls, angles, filters, region, circle and tiles, with float spectra, inverse transforms
// (fftwf), filtered projections and result. Three steps stay in double, each because float lost
// the accuracy: the forward transform (in float its rounding, carried up the ramp, cost up to
// 5e-5 of the slice's range at N = 2 x 1031), the filter's response, and where a pixel reads the
// line (see FbpProjectionF). Against FbpCore on phantom sinograms the result differs by about
// 1e-6 of the slice's value range (tests/core/recon/tst_fbpcoref).
//
// Every filter transforms real lines: the default filter's sampled |k| on N samples is the
// complex transform's ramp on the half spectrum.
class FbpCoreF
{
public:
    FbpCoreF();
    ~FbpCoreF();
    FbpCoreF(const FbpCoreF&) = delete;
    FbpCoreF& operator=(const FbpCoreF&) = delete;

    // Transforms for N = n and `count` projections; false (and nothing kept) when n < 2, the
    // padded length would exceed FbpFilter::MaxPaddedLength, or the buffers cannot be had.
    bool prepare(int n, int count);
    // Frees the plans and buffers; n() becomes 0.
    void release();
    int n() const { return m_n; }
    int count() const { return m_count; }
    // N, or the padded length; 0 when not prepared.
    int transformLength() const { return m_length; }

    // The filter of the next prepare(). A different filter drops the preparation (n() becomes
    // 0).
    void setFilter(const FbpFilter& filter);
    const FbpFilter& filter() const { return m_filter; }

    // N x N zeros, not yet valid.
    void clearResult();
    // The spectrum of projection r from the first N samples of its absorption row, kept as
    // floats.
    void forward(int r, const double* absorptionRow);
    // The filtered projection r, divided by N times `rows` (the single-slice path).
    void filterDividing(int r, int rows);
    // The filtered projection r, multiplied by `factor` (the multi-slice path).
    void filterScaling(int r, double factor);
    // Adds projection r at angle theta to the region of the result.
    void backProject(int r, double theta, const FbpRegion& region);
    // Adds projections 0 ... rows - 1 at FbpAngles::theta(r, delta, theta0), tile by tile: the
    // same sums, bit for bit, as backProject for each row in turn.
    void backProjectAll(int rows, double delta, double theta0, const FbpRegion& region);

    // The back-projection kernel, the fastest available unless set; false (and unchanged) when
    // the processor lacks it. Every kernel gives the same bits.
    bool setKernel(FbpKernelsF::Kernel kernel);
    FbpKernelsF::Kernel kernel() const { return m_kernel; }

    const float* filtered(int r) const { return m_filtered.data() + size_t(r) * size_t(m_n); }
    const std::vector<float>& result() const { return m_result; }
    // The result widened to double, for the savers and pictures that take FbpCore's result.
    std::vector<double> resultAsDoubles() const;
    bool resultValid() const { return m_resultValid; }

private:
    bool plan();
    const float* filterUnscaled(int r);
    FbpProjectionF projection(int r, double theta, float* differences) const;
    void accumulate(const FbpProjectionF* p, int count, int z, int xBegin, int xEnd);

    FbpFilter m_filter;
    int m_n = 0;
    int m_length = 0;
    int m_count = 0;
    // length / 2 + 1 spectrum values per projection, transformed realIn -> forwardOut in double
    // and backwardIn -> realOut in float.
    int m_spectrumLength = 0;
    double* m_realIn = nullptr;
    fftw_complex* m_forwardOut = nullptr;
    fftw_plan m_forwardPlan = nullptr;
    float* m_realOut = nullptr;
    fftwf_complex* m_backwardIn = nullptr;
    fftwf_plan m_backwardPlan = nullptr;
    fftwf_complex* m_spectra = nullptr;
    std::vector<float> m_response;
    std::vector<float> m_filtered;
    std::vector<float> m_result;
    std::vector<float> m_differences;
    bool m_resultValid = false;
    FbpKernelsF::Kernel m_kernel = FbpKernelsF::best();
    FbpKernelsF::Accumulate m_accumulate = FbpKernelsF::function(m_kernel);
};
