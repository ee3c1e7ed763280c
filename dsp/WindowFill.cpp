#include "dsp/WindowFill.h"

#include "dsp/CpuFeatures.h"

#ifdef ORMA_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace {

// The scalar steps, for single weights and for what the vector loops leave.
struct RealStep {
    const double *x;
    double *out;
    void single(size_t k, double w) const { out[k] = x[k] * w; }
};

struct ComplexStep {
    const double *re, *im;
    ComplexD *out;
    void single(size_t k, double w) const { out[k] = {re[k] * w, im ? im[k] * w : 0.0}; }
};

// Singles, then the pairs from `from` on; the vector loops did [pairFrom, from).
template <typename Step>
void fillRest(const HalfWindow::Pairs &p, double scale, const Step &step, size_t from)
{
    for (size_t k = 0; k < p.pairFrom; ++k)
        step.single(k, scale * p.half[k]);
    for (size_t k = p.pairTo; k < p.split; ++k)
        step.single(k, scale * p.half[k]);
    for (size_t k = from; k < p.pairTo; ++k) {
        const double w = scale * p.half[k];
        step.single(k, w);
        step.single(p.mirror - k, w);
    }
}

#ifdef ORMA_AVX2_KERNELS
// Four pairs at a time: k..k+3 ascending with the weights as read, their mirrors
// mirror-k-3..mirror-k ascending with the weights reversed.
ORMA_TARGET_AVX2 size_t realPairsAvx2(const HalfWindow::Pairs &p, const double *x, double scale,
                                      double *out)
{
    const __m256d s = _mm256_set1_pd(scale);
    size_t k = p.pairFrom;
    for (; k + 4 <= p.pairTo; k += 4) {
        _mm_prefetch(reinterpret_cast<const char *>(x + k + 64), _MM_HINT_NTA);
        _mm_prefetch(reinterpret_cast<const char *>(x + p.mirror - k - 64), _MM_HINT_NTA);
        _mm_prefetch(reinterpret_cast<const char *>(p.half + k + 64), _MM_HINT_NTA);
        const __m256d w = _mm256_mul_pd(s, _mm256_loadu_pd(p.half + k));
        _mm256_storeu_pd(out + k, _mm256_mul_pd(_mm256_loadu_pd(x + k), w));
        const size_t u = p.mirror - k - 3;
        const __m256d r = _mm256_permute4x64_pd(w, 0x1B);
        _mm256_storeu_pd(out + u, _mm256_mul_pd(_mm256_loadu_pd(x + u), r));
    }
    return k;
}

// Four complex values from four re, four im and their weights.
ORMA_TARGET_AVX2 inline void storeComplex4(ComplexD *out, __m256d re, __m256d im)
{
    const __m256d lo = _mm256_unpacklo_pd(re, im), hi = _mm256_unpackhi_pd(re, im);
    _mm256_storeu_pd(&out[0].re, _mm256_permute2f128_pd(lo, hi, 0x20));
    _mm256_storeu_pd(&out[2].re, _mm256_permute2f128_pd(lo, hi, 0x31));
}

ORMA_TARGET_AVX2 inline __m256d weighted(const double *v, size_t k, __m256d w)
{
    return v ? _mm256_mul_pd(_mm256_loadu_pd(v + k), w) : _mm256_setzero_pd();
}

ORMA_TARGET_AVX2 size_t complexPairsAvx2(const HalfWindow::Pairs &p, const double *re,
                                         const double *im, double scale, ComplexD *out)
{
    const __m256d s = _mm256_set1_pd(scale);
    size_t k = p.pairFrom;
    for (; k + 4 <= p.pairTo; k += 4) {
        const __m256d w = _mm256_mul_pd(s, _mm256_loadu_pd(p.half + k));
        storeComplex4(out + k, weighted(re, k, w), weighted(im, k, w));
        const size_t u = p.mirror - k - 3;
        const __m256d r = _mm256_permute4x64_pd(w, 0x1B);
        storeComplex4(out + u, weighted(re, u, r), weighted(im, u, r));
    }
    return k;
}
#endif

} // namespace

void windowRealSamples(const HalfWindow &w, const double *x, double scale, double *out)
{
    const HalfWindow::Pairs p = w.pairs();
    size_t from = p.pairFrom;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        from = realPairsAvx2(p, x, scale, out);
#endif
    fillRest(p, scale, RealStep{x, out}, from);
}

void windowComplexSamples(const HalfWindow &w, const double *re, const double *im, double scale,
                          ComplexD *out)
{
    const HalfWindow::Pairs p = w.pairs();
    size_t from = p.pairFrom;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        from = complexPairsAvx2(p, re, im, scale, out);
#endif
    fillRest(p, scale, ComplexStep{re, im, out}, from);
}
