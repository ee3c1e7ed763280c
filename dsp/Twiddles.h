#pragma once
// Twiddle factors W^k = e^{-2 pi i k / n} for k = 0..count-1, kept as hi[k / 64] * lo[k % 64]:
// two small tables instead of one of count entries (the big one would cost a block as much
// memory traffic as the samples), each product exact to an ulp or two.
#include "dsp/CpuFeatures.h"

#include <cstdint>
#include <vector>

#ifdef ORMA_AVX2_KERNELS
#include <immintrin.h>
#endif

struct TwiddleTable {
    static constexpr uint32_t kLo = 64;
    std::vector<double> hiRe, hiIm, loRe, loIm;

    void build(uint32_t n, uint32_t count);

    void at(uint32_t k, double &re, double &im) const
    {
        const uint32_t h = k / kLo, l = k % kLo;
        re = hiRe[h] * loRe[l] - hiIm[h] * loIm[l];
        im = hiRe[h] * loIm[l] + hiIm[h] * loRe[l];
    }
};

#ifdef ORMA_AVX2_KERNELS
// W^k..W^k+3 (k a multiple of 4) as real and imaginary parts, in order.
ORMA_TARGET_AVX2 inline void twiddles4(const TwiddleTable &t, uint32_t k, __m256d &re, __m256d &im)
{
    const uint32_t h = k / TwiddleTable::kLo, l = k % TwiddleTable::kLo;
    const __m256d hr = _mm256_set1_pd(t.hiRe[h]), hi = _mm256_set1_pd(t.hiIm[h]);
    const __m256d lr = _mm256_loadu_pd(&t.loRe[l]), li = _mm256_loadu_pd(&t.loIm[l]);
    re = _mm256_fmsub_pd(hr, lr, _mm256_mul_pd(hi, li));
    im = _mm256_fmadd_pd(hr, li, _mm256_mul_pd(hi, lr));
}
#endif
