#include "dsp/SpectrumFold.h"

#include "dsp/CpuFeatures.h"
#include "dsp/Scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef ORMA_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace {

constexpr long kChunk = BinSummary::kChunk;
// Bins handled per step: the kernels' output is still in cache when the peak search and the
// averaging read it back.
constexpr long kRun = 64 * kChunk;

// The kernels take a run of bins and leave the sum and the maximum of each kChunk bins of the
// values they stored (the last chunk may be short), summed in the lane order of sumRange.

void chunkFigures(const double *o, long count, double *sums, double *maxima)
{
    for (long from = 0, c = 0; from < count; from += kChunk, ++c) {
        const long to = std::min(from + kChunk, count);
        sums[c] = sumRange(o, from, to);
        maxima[c] = maxRange(o, from, to, -HUGE_VAL);
    }
}

// o[j] = factor * |v[j]|^2.
void powerChunksPlain(const ComplexD *v, double *o, long count, double factor, double *sums,
                      double *maxima)
{
    for (long j = 0; j < count; ++j)
        o[j] = (v[j].re * v[j].re + v[j].im * v[j].im) * factor;
    chunkFigures(o, count, sums, maxima);
}

// o[j] = |e[j/2]|^2 for even j, |d[j/2]|^2 for odd j (count even).
void halvesChunksPlain(const ComplexD *e, const ComplexD *d, double *o, long count, double *sums,
                       double *maxima)
{
    for (long j = 0; j < count; j += 2) {
        const ComplexD a = e[j / 2], b = d[j / 2];
        o[j] = a.re * a.re + a.im * a.im;
        o[j + 1] = b.re * b.re + b.im * b.im;
    }
    chunkFigures(o, count, sums, maxima);
}

// o = a = keep * a + take * o.
void blendChunksPlain(double *o, double *a, long count, double keep, double take, double *sums,
                      double *maxima)
{
    for (long j = 0; j < count; ++j)
        o[j] = a[j] = keep * a[j] + o[j] * take;
    chunkFigures(o, count, sums, maxima);
}

#ifdef ORMA_AVX2_KERNELS
// Eight bins per step in two registers: lanes 0-3 and 4-7 of the sums and of the maxima.
struct Lanes8 {
    __m256d s0, s1, t0, t1;

    ORMA_TARGET_AVX2 void reset()
    {
        s0 = s1 = _mm256_setzero_pd();
        t0 = t1 = _mm256_set1_pd(-HUGE_VAL);
    }
    ORMA_TARGET_AVX2 void take(__m256d p0, __m256d p1)
    {
        s0 = _mm256_add_pd(s0, p0);
        s1 = _mm256_add_pd(s1, p1);
        // maxpd(x, y) yields y unless x > y, as maxRange does.
        t0 = _mm256_max_pd(p0, t0);
        t1 = _mm256_max_pd(p1, t1);
    }
    ORMA_TARGET_AVX2 void store(double &sum, double &top) const
    {
        double l[8];
        _mm256_storeu_pd(l, s0);
        _mm256_storeu_pd(l + 4, s1);
        sum = combineLanes(l);
        _mm256_storeu_pd(l, t0);
        _mm256_storeu_pd(l + 4, t1);
        top = -HUGE_VAL;
        for (double v : l)
            top = v > top ? v : top;
    }
};

// |v|^2 of four complex values, in order.
ORMA_TARGET_AVX2 inline __m256d squares4(const ComplexD *v)
{
    const __m256d a = _mm256_loadu_pd(&v[0].re), b = _mm256_loadu_pd(&v[2].re);
    const __m256d h = _mm256_hadd_pd(_mm256_mul_pd(a, a), _mm256_mul_pd(b, b));
    return _mm256_permute4x64_pd(h, 0xD8);
}

ORMA_TARGET_AVX2 void powerChunksAvx2(const ComplexD *v, double *o, long count, double factor,
                                      double *sums, double *maxima)
{
    const __m256d f = _mm256_set1_pd(factor);
    Lanes8 lanes;
    long from = 0, c = 0;
    for (; from + kChunk <= count; from += kChunk, ++c) {
        lanes.reset();
        for (long j = from; j < from + kChunk; j += 8) {
            const __m256d p0 = _mm256_mul_pd(squares4(v + j), f);
            const __m256d p1 = _mm256_mul_pd(squares4(v + j + 4), f);
            _mm256_storeu_pd(o + j, p0);
            _mm256_storeu_pd(o + j + 4, p1);
            lanes.take(p0, p1);
        }
        lanes.store(sums[c], maxima[c]);
    }
    if (from < count)
        powerChunksPlain(v + from, o + from, count - from, factor, sums + c, maxima + c);
}

ORMA_TARGET_AVX2 void halvesChunksAvx2(const ComplexD *e, const ComplexD *d, double *o, long count,
                                       double *sums, double *maxima)
{
    Lanes8 lanes;
    long from = 0, c = 0;
    for (; from + kChunk <= count; from += kChunk, ++c) {
        lanes.reset();
        for (long j = from; j < from + kChunk; j += 8) {
            // Even bins j, j+2, j+4, j+6 and odd ones j+1.. from the two halves, interleaved.
            const __m256d a = squares4(e + j / 2), b = squares4(d + j / 2);
            const __m256d lo = _mm256_unpacklo_pd(a, b), hi = _mm256_unpackhi_pd(a, b);
            const __m256d p0 = _mm256_permute2f128_pd(lo, hi, 0x20);
            const __m256d p1 = _mm256_permute2f128_pd(lo, hi, 0x31);
            _mm256_storeu_pd(o + j, p0);
            _mm256_storeu_pd(o + j + 4, p1);
            lanes.take(p0, p1);
        }
        lanes.store(sums[c], maxima[c]);
    }
    if (from < count)
        halvesChunksPlain(e + from / 2, d + from / 2, o + from, count - from, sums + c, maxima + c);
}

ORMA_TARGET_AVX2 void figureChunksAvx2(const double *o, long count, double *sums, double *maxima)
{
    Lanes8 lanes;
    long from = 0, c = 0;
    for (; from + kChunk <= count; from += kChunk, ++c) {
        lanes.reset();
        for (long j = from; j < from + kChunk; j += 8)
            lanes.take(_mm256_loadu_pd(o + j), _mm256_loadu_pd(o + j + 4));
        lanes.store(sums[c], maxima[c]);
    }
    if (from < count)
        chunkFigures(o + from, count - from, sums + c, maxima + c);
}

ORMA_TARGET_AVX2 void blendChunksAvx2(double *o, double *a, long count, double keep, double take,
                                      double *sums, double *maxima)
{
    const __m256d k = _mm256_set1_pd(keep), t = _mm256_set1_pd(take);
    Lanes8 lanes;
    long from = 0, c = 0;
    for (; from + kChunk <= count; from += kChunk, ++c) {
        lanes.reset();
        for (long j = from; j < from + kChunk; j += 8) {
            const __m256d x0 = _mm256_add_pd(_mm256_mul_pd(k, _mm256_loadu_pd(a + j)),
                                             _mm256_mul_pd(_mm256_loadu_pd(o + j), t));
            const __m256d x1 = _mm256_add_pd(_mm256_mul_pd(k, _mm256_loadu_pd(a + j + 4)),
                                             _mm256_mul_pd(_mm256_loadu_pd(o + j + 4), t));
            _mm256_storeu_pd(o + j, x0);
            _mm256_storeu_pd(o + j + 4, x1);
            _mm256_storeu_pd(a + j, x0);
            _mm256_storeu_pd(a + j + 4, x1);
            lanes.take(x0, x1);
        }
        lanes.store(sums[c], maxima[c]);
    }
    if (from < count)
        blendChunksPlain(o + from, a + from, count - from, keep, take, sums + c, maxima + c);
}
#endif

// data null: out holds the power already.
int fold(const ComplexD *data, double *out, const SpectrumFold &f)
{
    const long m = f.binCount;
    // Runs map onto runs when the halves hold whole chunks; smaller centred spectra get their
    // summary in a second pass.
    const bool chunkedSwap = f.centred && (m / 2) % kChunk == 0;
    const bool summarise = f.chunkSums && (!f.centred || chunkedSwap);
    const long half = f.centred ? m / 2 : 0;
    const long run = chunkedSwap ? std::min(kRun, half) : kRun; // a power of two dividing half
    const double keep = 1.0 - 1.0 / f.averageCount, take = 1.0 / f.averageCount;
    // Doubling is exact, so doubling before the peak search and the averaging changes neither
    // the peak bin nor the averaged values; bin 0 is halved back at the end.
    const double factor = f.oneSided ? 2.0 : 1.0;

    double sums[kRun / kChunk], maxima[kRun / kChunk];
    double best = 0.0;
    int peak = 0;
    for (long from = 0; from < m; from += run) {
        const long count = std::min(run, m - from);
        const long chunks = (count + kChunk - 1) / kChunk;
        const long target = chunkedSwap ? (from + half) % m : from;
        double *o = out + target;
        if (!data)
            ORMA_KERNEL(figureChunksAvx2, chunkFigures)(o, count, sums, maxima);
        else if (f.odd)
            ORMA_KERNEL(halvesChunksAvx2, halvesChunksPlain)(data + from / 2, f.odd + from / 2, o,
                                                             count, sums, maxima);
        else
            ORMA_KERNEL(powerChunksAvx2, powerChunksPlain)(data + from, o, count, factor, sums,
                                                           maxima);
        for (long c = 0; c < chunks; ++c) {
            if (maxima[c] > best) {
                best = maxima[c];
                double *first = o + c * kChunk;
                peak = int(from + c * kChunk + (std::find(first, o + count, best) - first));
            }
        }
        if (f.average) {
            double *a = f.average + from;
            if (f.blend)
                ORMA_KERNEL(blendChunksAvx2, blendChunksPlain)(o, a, count, keep, take, sums,
                                                               maxima);
            else
                std::memcpy(a, o, size_t(count) * sizeof(double));
        }
        if (f.oneSided && from == 0) {
            o[0] /= factor;
            chunkFigures(o, std::min(kChunk, count), sums, maxima);
        }
        if (summarise) {
            std::copy(sums, sums + chunks, f.chunkSums + target / kChunk);
            std::copy(maxima, maxima + chunks, f.chunkMaxima + target / kChunk);
        }
    }
    if (f.centred && !chunkedSwap) {
        std::swap_ranges(out, out + half, out + half);
        if (f.chunkSums)
            BinSummary{out, m, f.chunkSums, f.chunkMaxima}.build();
    }
    return peak;
}

} // namespace

int foldSpectrum(const ComplexD *data, double *out, const SpectrumFold &f)
{
    return data ? fold(data, out, f) : 0;
}

int foldStoredSpectrum(double *out, const SpectrumFold &f) { return fold(nullptr, out, f); }
