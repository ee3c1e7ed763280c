#pragma once
// The spectrum of N real samples from the N/2-point complex transform of the same samples taken
// as pairs, z[n] = x[2n] + i x[2n+1]: the half-length transform costs less than a real-input one
// and the split that recovers X[k] from Z[k] and Z[N/2-k] runs in the pass that takes the power,
// so the block is read once after the transform.
#include "dsp/Fft.h"
#include "dsp/Twiddles.h"

#include <cstdint>

class RealSplit {
public:
    // Twiddles for n real points (a power of two, at least 2).
    void build(uint32_t n);

    // out[k] = factor * |X[k]|^2 for k = 0..n/2-1, from the n/2 values z of the half-length
    // transform (unscaled: X is the transform of the samples as they went in).
    void power(const ComplexD *z, double *out, double factor) const;

private:
    uint32_t m_half = 0; // M = n/2
    TwiddleTable m_twiddles;
};
