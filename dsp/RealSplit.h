#pragma once
// The spectrum of N real samples from the N/2-point complex transform Z of the same samples
// taken as pairs, z[n] = x[2n] + i x[2n+1]: the half-length transform costs less than a
// real-input one, and the split that recovers X[k] from Z[k] and Z[N/2-k] runs in the pass that
// takes the power, so the block is read once after the transform. Z comes as its even and odd
// bins (the halves of a first radix-2 step).
#include "dsp/Fft.h"
#include "dsp/Twiddles.h"

#include <cstdint>

class RealSplit {
public:
    // Twiddles for n real points (a power of two, at least 4).
    void build(uint32_t n);

    // out[k] = factor * |X[k]|^2 for k = 0..n/2-1, from Z[2j] = even[j] and Z[2j+1] = odd[j]
    // (unscaled: X is the transform of the samples as they went in).
    void power(const ComplexD *even, const ComplexD *odd, double *out, double factor) const;

private:
    uint32_t m_half = 0; // M = n/2
    TwiddleTable m_twiddles;
};
