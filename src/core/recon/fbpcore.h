#pragma once

#include "fbpcommon.h"
#include "fbpfilter.h"
#include "fbpkernels.h"

#include <QtGlobal>

#include <fftw3.h>

#include <vector>

// Filtered back-projection of one slice: the ramp filter through FFTW transforms of length N
// (the sinogram width rounded down to even) and linear-interpolation back-projection onto an
// N x N grid. Plans and buffers are reused while N and the projection count stay the same.
//
// Any other FbpFilter transforms real lines and multiplies the ramp by the filter's window.
// Unpadded, the ramp is the sampled |k| as above. Padded, the lines take
// FbpFilter::paddedLength(N) samples, the projection followed by zeros, and the ramp is the
// spectrum of the band-limited ramp kernel (Kak and Slaney, ch. 3.3: h(0) = 1/4,
// h(m) = -1 / (pi m)^2 for odd m, 0 for even m), whose non-zero value at k = 0 keeps the mean
// that |k| takes out. Either way the filtered projections have the plain ramp's scale, so
// callers scale them alike.
class FbpCore
{
public:
    FbpCore();
    ~FbpCore();
    FbpCore(const FbpCore&) = delete;
    FbpCore& operator=(const FbpCore&) = delete;

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
    // 0), so spectra of one transform length never meet the plans of another.
    void setFilter(const FbpFilter& filter);
    const FbpFilter& filter() const { return m_filter; }

    // N x N zeros, not yet valid.
    void clearResult();
    // The spectrum of projection r from the first N samples of its absorption row.
    void forward(int r, const double* absorptionRow);
    // The filtered projection r, divided by N times `rows` (the single-slice path).
    void filterDividing(int r, int rows);
    // The filtered projection r, multiplied by `factor` (the multi-slice path).
    void filterScaling(int r, double factor);
    // Adds projection r at angle theta to the region of the result.
    void backProject(int r, double theta, const FbpRegion& region);
    // Adds projections 0 ... rows - 1 at FbpAngles::theta(r, delta, theta0): the same sums, bit
    // for bit, as backProject for each row in turn, computed tile by tile so the result stays in
    // cache while every projection passes over it.
    void backProjectAll(int rows, double delta, double theta0, const FbpRegion& region);

    // The back-projection kernel, the fastest available unless set; false (and unchanged) when
    // the processor lacks it.
    bool setKernel(FbpKernels::Kernel kernel);
    FbpKernels::Kernel kernel() const { return m_kernel; }

    const double* filtered(int r) const { return m_filtered.data() + size_t(r) * size_t(m_n); }
    const std::vector<double>& result() const { return m_result; }
    bool resultValid() const { return m_resultValid; }

private:
    bool planComplex();
    bool planReal();
    void ramp(int r);
    void weigh(int r);
    const double* filterUnscaled(int r, int& stride);
    FbpProjection projection(int r, double theta, double* differences) const;
    void accumulate(const FbpProjection* p, int count, int z, int xBegin, int xEnd);

    FbpFilter m_filter;
    int m_n = 0;
    int m_length = 0;
    int m_count = 0;
    // The default filter transforms complex lines of N (forwardIn -> forwardOut, backwardIn ->
    // backwardOut) and keeps N spectrum values per projection; any other filter transforms real
    // lines (realIn -> forwardOut, backwardIn -> realOut) and keeps length / 2 + 1.
    int m_spectrumLength = 0;
    double* m_realIn = nullptr;
    double* m_realOut = nullptr;
    std::vector<double> m_response; // per spectrum value, for filters other than the default
    fftw_complex* m_forwardIn = nullptr;
    fftw_complex* m_forwardOut = nullptr;
    fftw_complex* m_backwardIn = nullptr;
    fftw_complex* m_backwardOut = nullptr;
    fftw_plan m_forwardPlan = nullptr;
    fftw_plan m_backwardPlan = nullptr;
    fftw_complex* m_spectra = nullptr;
    std::vector<double> m_filtered;
    std::vector<double> m_result;
    std::vector<double> m_differences;
    bool m_resultValid = false;
    FbpKernels::Kernel m_kernel = FbpKernels::best();
    FbpKernels::Accumulate m_accumulate = FbpKernels::function(m_kernel);
};
