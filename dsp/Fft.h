#pragma once
// Radix-2 FFT kernels and the power-spectrum extraction. Free functions on caller-owned
// arrays: nothing here allocates or keeps state.
#include <cstdint>

struct ComplexD {
    double re;
    double im;
};

// Fills the bit-reversal table (n entries) and the twiddle table (n/2 entries, bit-reversed
// order, positive angle). n must be a power of two, at least 2. Returns 0, or -1 for a bad n.
int fftTables(int n, ComplexD *twiddles, int32_t *bitReverse);

// Forward transform in place: natural order in, X[k] at position bitReverse[k] out. No scaling.
void fftInPlace(ComplexD *data, const ComplexD *twiddles, int n);

// out[k] = |data[bitReverse[k]]|^2 (or |data[k]|^2 with a null table) for k < m. peakIndex
// becomes the first bin holding the largest value above its incoming running maximum of 0;
// the caller sets it to 0 beforehand. Does nothing when out or data is null.
void powerSpectrum(double *out, const ComplexD *data, const int32_t *bitReverse, int m,
                   int &peakIndex);

// Number of times n can be halved before it reaches 1.
int log2Floor(uint64_t n);
inline bool isPowerOfTwo(uint64_t n) { return n != 0 && (n & (n - 1)) == 0; }
