#include "dsp/RealSplit.h"

#include "dsp/CpuFeatures.h"

namespace {

// |X[k]|^2 and |X[M-k]|^2 from a = Z[k], b = Z[M-k] and w = W^k. With E = a + conj b and
// O = -i (a - conj b), 2 X[k] = E + w O and 2 X[M-k] = conj E - conj(w) O; the factor carries
// the quarter that the halves would give.
inline void splitPair(ComplexD a, ComplexD b, double wr, double wi, double factor, double &pk,
                      double &pm)
{
    const double er = a.re + b.re, ei = a.im - b.im, dr = a.re - b.re, di = a.im + b.im;
    const double p = wr * di + wi * dr, q = wr * dr - wi * di;
    const double x1 = er + p, y1 = ei - q, x2 = er - p, y2 = ei + q;
    pk = (x1 * x1 + y1 * y1) * factor;
    pm = (x2 * x2 + y2 * y2) * factor;
}

// Z[k] from its even and odd bins.
inline ComplexD bin(const ComplexD *even, const ComplexD *odd, uint32_t k)
{
    return k % 2 == 0 ? even[k / 2] : odd[k / 2];
}

#ifdef ORMA_AVX2_KERNELS
// Pairs k = from.. in fours (from a multiple of 4, k + 3 < M/2), the lanes in bin order.
ORMA_TARGET_AVX2 uint32_t splitPairsAvx2(const ComplexD *even, const ComplexD *odd, double *out,
                                         double factor, uint32_t from, uint32_t m,
                                         const TwiddleTable &t)
{
    const __m256d f = _mm256_set1_pd(factor);
    uint32_t k = from;
    for (; k + 4 <= m / 2; k += 4) {
        // Z[k..k+3] = E[k/2], O[k/2], E[k/2+1], O[k/2+1]: unpacking puts them in order.
        const __m256d e0 = _mm256_loadu_pd(&even[k / 2].re), o0 = _mm256_loadu_pd(&odd[k / 2].re);
        const __m256d ar = _mm256_unpacklo_pd(e0, o0), ai = _mm256_unpackhi_pd(e0, o0);
        // Their mirrors Z[M-k..M-k-3] = E[p+1], O[p], E[p], O[p-1] with p = (M-k-2)/2.
        const uint32_t p = (m - k - 2) / 2;
        const __m256d e1 = _mm256_loadu_pd(&even[p].re), o1 = _mm256_loadu_pd(&odd[p - 1].re);
        const __m256d br = _mm256_permute4x64_pd(_mm256_unpacklo_pd(e1, o1), 0x4E);
        const __m256d bi = _mm256_permute4x64_pd(_mm256_unpackhi_pd(e1, o1), 0x4E);
        __m256d wr, wi;
        twiddles4(t, k, wr, wi);

        const __m256d er = _mm256_add_pd(ar, br), ei = _mm256_sub_pd(ai, bi);
        const __m256d dr = _mm256_sub_pd(ar, br), di = _mm256_add_pd(ai, bi);
        const __m256d pp = _mm256_fmadd_pd(wr, di, _mm256_mul_pd(wi, dr));
        const __m256d q = _mm256_fmsub_pd(wr, dr, _mm256_mul_pd(wi, di));
        const __m256d x1 = _mm256_add_pd(er, pp), y1 = _mm256_sub_pd(ei, q);
        const __m256d x2 = _mm256_sub_pd(er, pp), y2 = _mm256_add_pd(ei, q);
        const __m256d pk = _mm256_mul_pd(_mm256_fmadd_pd(x1, x1, _mm256_mul_pd(y1, y1)), f);
        const __m256d pm = _mm256_mul_pd(_mm256_fmadd_pd(x2, x2, _mm256_mul_pd(y2, y2)), f);
        _mm256_storeu_pd(out + k, pk);
        // pm holds bins M-k, M-k-1, M-k-2, M-k-3: reversed, they run up from M-k-3.
        _mm256_storeu_pd(out + m - k - 3, _mm256_permute4x64_pd(pm, 0x1B));
    }
    return k;
}
#endif

} // namespace

void RealSplit::build(uint32_t n)
{
    m_half = n / 2;
    m_twiddles.build(n, m_half / 2 + 1);
}

void RealSplit::power(const ComplexD *even, const ComplexD *odd, double *out,
                      double factor) const
{
    const uint32_t m = m_half;
    if (m < 2)
        return;
    // The halves E and O are left out of X' = 2X: a quarter of the factor puts them back.
    const double f = factor * 0.25;
    double nyquist;
    splitPair(even[0], even[0], 1.0, 0.0, f, out[0], nyquist); // Z[M] is Z[0]
    uint32_t k = 1;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma() && m / 2 >= 8) {
        for (double wr, wi; k < 4; ++k) {
            m_twiddles.at(k, wr, wi);
            splitPair(bin(even, odd, k), bin(even, odd, m - k), wr, wi, f, out[k], out[m - k]);
        }
        k = splitPairsAvx2(even, odd, out, f, k, m, m_twiddles);
    }
#endif
    for (double wr, wi, pm; k <= m / 2; ++k) {
        m_twiddles.at(k, wr, wi);
        splitPair(bin(even, odd, k), bin(even, odd, m - k), wr, wi, f, out[k], pm);
        if (k != m - k)
            out[m - k] = pm;
    }
}
