#include "dsp/Fft.h"

#include "dsp/Scan.h"

#include <cmath>

int log2Floor(uint64_t n)
{
    int bits = 0;
    while (n > 1) {
        n >>= 1;
        ++bits;
    }
    return bits;
}

static uint32_t reverseBits(uint32_t value, int bits)
{
    uint32_t out = 0;
    for (int b = 0; b < bits; ++b) {
        out = (out << 1) | (value & 1u);
        value >>= 1;
    }
    return out;
}

int fftTables(int n, ComplexD *twiddles, int32_t *bitReverse)
{
    if (n < 2 || !isPowerOfTwo(uint64_t(n)) || !twiddles || !bitReverse)
        return -1;
    const int bits = log2Floor(uint64_t(n));
    for (int i = 0; i < n; ++i)
        bitReverse[i] = int32_t(reverseBits(uint32_t(i), bits));
    for (int i = 0; i < n / 2; ++i) {
        const double theta = 2.0 * M_PI * double(reverseBits(uint32_t(i), bits - 1)) / n;
        twiddles[i] = {std::cos(theta), std::sin(theta)};
    }
    return 0;
}

void fftInPlace(ComplexD *data, const ComplexD *twiddles, int n)
{
    int groups = 1;
    for (int span = n; span > 1; span /= 2, groups *= 2) {
        const int half = span / 2;
        for (int g = 0; g < groups; ++g) {
            const ComplexD w = twiddles[g];
            ComplexD *q = data + g * span;
            ComplexD *p = q + half;
            for (int k = 0; k < half; ++k) {
                const double tRe = w.re * p[k].re + w.im * p[k].im;
                const double tIm = w.re * p[k].im - w.im * p[k].re;
                p[k].re = q[k].re - tRe;
                p[k].im = q[k].im - tIm;
                q[k].re += tRe;
                q[k].im += tIm;
            }
        }
    }
}

void powerSpectrum(double *out, const ComplexD *data, const int32_t *bitReverse, int m,
                   int &peakIndex)
{
    if (!out || !data)
        return;
    double peak = 0.0;
    if (bitReverse) {
        for (int k = 0; k < m; ++k) {
            const ComplexD &v = data[bitReverse[k]];
            out[k] = v.re * v.re + v.im * v.im;
        }
    } else {
        for (int k = 0; k < m; ++k)
            out[k] = data[k].re * data[k].re + data[k].im * data[k].im;
    }
    // A separate scan keeps the power loop free of branches so that it vectorises.
    const long first = firstMaxIndex(out, 0, m, peak);
    if (first >= 0)
        peakIndex = int(first);
}
