#pragma once
// FIR filtering as the viewer defines it: the first n outputs of the full convolution of the
// taps with the samples, from rest, the delay of (taps - 1) / 2 left in. Long filters run as
// an overlap-add of FFTW transforms, short ones directly.
#include <fftw3.h>

#include <cstddef>
#include <vector>

// y[i] = sum over k <= i of h[k] x[i - k], i < n. x and y must not overlap.
void firDirect(const double *h, int taps, const double *x, size_t n, double *y);

class FirFilter {
public:
    FirFilter() = default;
    ~FirFilter();
    FirFilter(const FirFilter &) = delete;
    FirFilter &operator=(const FirFilter &) = delete;

    // Takes the taps and prepares the method that is cheaper for them; false when the
    // transform buffers are not available (the filter then has no taps).
    bool setTaps(const double *h, int taps);
    int taps() const { return int(m_taps.size()); }
    // Transform length of the overlap-add, 0 for the direct convolution.
    int transformSize() const { return m_n; }

    // y = the first n outputs; x and y must not overlap. One object per thread.
    void filter(const double *x, size_t n, double *y);

    // The overlap-add transform length for `taps` (a power of two at least twice as long, and
    // not above 2^MaxTransformLog unless the taps need it), or 0 when the direct convolution
    // costs less.
    static int chooseTransformSize(int taps);
    static constexpr int MaxTransformLog = 22;

private:
    void release();
    void overlapAdd(const double *x, size_t n, double *y);

    std::vector<double> m_taps;
    int m_n = 0;
    double *m_block = nullptr;         // N real samples, transformed in place (N/2 + 1 bins)
    fftw_complex *m_response = nullptr; // the taps' transform, scaled by 1/N
    fftw_plan m_forward = nullptr, m_inverse = nullptr;
};
