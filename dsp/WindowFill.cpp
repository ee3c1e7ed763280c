#include "dsp/WindowFill.h"

#include "dsp/CpuFeatures.h"

#ifdef ORMA_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace {

// The first radix-2 step for one k: u + v to out[k], (u - v) W^k to out[h + k].
void halvesStep(const TwiddleTable &t, size_t k, size_t h, double ur, double ui, double vr,
                double vi, ComplexD *out)
{
    out[k] = {ur + vr, ui + vi};
    double tr, ti;
    t.at(uint32_t(k), tr, ti);
    const double dr = ur - vr, di = ui - vi;
    out[h + k] = {dr * tr - di * ti, dr * ti + di * tr};
}

#ifdef ORMA_AVX2_KERNELS
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

// a * (cr + i ci) for two complex values a, the factor's parts given in every lane of their pair.
ORMA_TARGET_AVX2 inline __m256d complexTimes(__m256d a, __m256d cr, __m256d ci)
{
    return _mm256_fmaddsub_pd(a, cr, _mm256_mul_pd(_mm256_permute_pd(a, 0x5), ci));
}

// Four weights w[k..k+3]: read forwards, read backwards from the mirror, or one by one where
// the four straddle the split.
ORMA_TARGET_AVX2 inline __m256d weights4(const HalfWindow &w, const HalfWindow::Pairs &p, size_t k)
{
    if (k + 4 <= p.split)
        return _mm256_loadu_pd(p.half + k);
    if (k >= p.split)
        return _mm256_permute4x64_pd(_mm256_loadu_pd(p.half + p.mirror - k - 3), 0x1B);
    return _mm256_setr_pd(w.weight(k), w.weight(k + 1), w.weight(k + 2), w.weight(k + 3));
}

ORMA_TARGET_AVX2 size_t complexHalvesAvx2(const HalfWindow &w, const double *re, const double *im,
                                          double scale, const TwiddleTable &t, ComplexD *out)
{
    const HalfWindow::Pairs p = w.pairs();
    const size_t h = w.size() / 2;
    const __m256d s = _mm256_set1_pd(scale);
    size_t k = 0;
    for (; k + 4 <= h; k += 4) {
        const __m256d wl = _mm256_mul_pd(s, weights4(w, p, k));
        const __m256d wh = _mm256_mul_pd(s, weights4(w, p, k + h));
        const __m256d ur = weighted(re, k, wl), ui = weighted(im, k, wl);
        const __m256d vr = weighted(re, k + h, wh), vi = weighted(im, k + h, wh);
        storeComplex4(out + k, _mm256_add_pd(ur, vr), _mm256_add_pd(ui, vi));
        __m256d tr, ti;
        twiddles4(t, uint32_t(k), tr, ti);
        const __m256d dr = _mm256_sub_pd(ur, vr), di = _mm256_sub_pd(ui, vi);
        storeComplex4(out + h + k, _mm256_fmsub_pd(dr, tr, _mm256_mul_pd(di, ti)),
                      _mm256_fmadd_pd(dr, ti, _mm256_mul_pd(di, tr)));
    }
    return k;
}

// Twiddles k, k+1 as two complex values (k even: both in one hi group).
ORMA_TARGET_AVX2 inline __m256d twiddlePair(const TwiddleTable &t, size_t k)
{
    const size_t l = k % TwiddleTable::kLo;
    const __m128d lr = _mm_loadu_pd(&t.loRe[l]), li = _mm_loadu_pd(&t.loIm[l]);
    const __m256d lo = _mm256_set_m128d(_mm_unpackhi_pd(lr, li), _mm_unpacklo_pd(lr, li));
    return complexTimes(lo, _mm256_set1_pd(t.hiRe[k / TwiddleTable::kLo]),
                        _mm256_set1_pd(t.hiIm[k / TwiddleTable::kLo]));
}

// Two complex values z[k], z[k+1] = the reals x[2k..2k+3] in pairs, and the two of the other
// half; the sum goes to out[k], the twiddled difference to out[q + k].
ORMA_TARGET_AVX2 inline void realHalvesStep(const HalfWindow &w, const HalfWindow::Pairs &p,
                                            const double *x, __m256d s, const TwiddleTable &t,
                                            ComplexD *out, size_t k, size_t q)
{
    const __m256d u = _mm256_mul_pd(_mm256_loadu_pd(x + 2 * k),
                                    _mm256_mul_pd(s, weights4(w, p, 2 * k)));
    const __m256d v = _mm256_mul_pd(_mm256_loadu_pd(x + 2 * (k + q)),
                                    _mm256_mul_pd(s, weights4(w, p, 2 * (k + q))));
    _mm256_storeu_pd(&out[k].re, _mm256_add_pd(u, v));
    const __m256d t2 = twiddlePair(t, k);
    _mm256_storeu_pd(&out[q + k].re,
                     complexTimes(_mm256_sub_pd(u, v), _mm256_movedup_pd(t2),
                                  _mm256_permute_pd(t2, 0xF)));
}

ORMA_TARGET_AVX2 size_t realHalvesAvx2(const HalfWindow &w, const double *x, double scale,
                                       const TwiddleTable &t, ComplexD *out)
{
    const HalfWindow::Pairs p = w.pairs();
    const size_t q = w.size() / 4;
    const __m256d s = _mm256_set1_pd(scale);
    size_t k = 0;
    for (; k + 2 <= q; k += 2)
        realHalvesStep(w, p, x, s, t, out, k, q);
    return k;
}
#endif

} // namespace

void windowRealSamples(const HalfWindow &w, const double *x, double scale, double *out)
{
    // Each stored weight serves both members of its mirror pair; the singles stand alone.
    const HalfWindow::Pairs p = w.pairs();
    for (size_t k = 0; k < p.pairFrom; ++k)
        out[k] = x[k] * (scale * p.half[k]);
    for (size_t k = p.pairTo; k < p.split; ++k)
        out[k] = x[k] * (scale * p.half[k]);
    for (size_t k = p.pairFrom; k < p.pairTo; ++k) {
        const double weight = scale * p.half[k];
        out[k] = x[k] * weight;
        out[p.mirror - k] = x[p.mirror - k] * weight;
    }
}

void windowComplexHalves(const HalfWindow &w, const double *re, const double *im, double scale,
                         const TwiddleTable &t, ComplexD *out)
{
    const size_t h = w.size() / 2;
    size_t k = 0;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        k = complexHalvesAvx2(w, re, im, scale, t, out);
#endif
    for (; k < h; ++k) {
        const double wl = scale * w.weight(k), wh = scale * w.weight(k + h);
        halvesStep(t, k, h, re[k] * wl, im ? im[k] * wl : 0.0, re[k + h] * wh,
                   im ? im[k + h] * wh : 0.0, out);
    }
}

void windowRealHalves(const HalfWindow &w, const double *x, double scale, const TwiddleTable &t,
                      ComplexD *out)
{
    const size_t q = w.size() / 4;
    size_t k = 0;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        k = realHalvesAvx2(w, x, scale, t, out);
#endif
    for (; k < q; ++k) {
        const size_t a = 2 * k, b = 2 * (k + q);
        halvesStep(t, k, q, x[a] * (scale * w.weight(a)), x[a + 1] * (scale * w.weight(a + 1)),
                   x[b] * (scale * w.weight(b)), x[b + 1] * (scale * w.weight(b + 1)), out);
    }
}
