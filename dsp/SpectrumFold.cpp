#include "dsp/SpectrumFold.h"

#include "dsp/Scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// o[j] = |v[j]|^2 for one chunk; returns the chunk's largest value (at least `floor`).
double chunkPower(const ComplexD *v, double *o, long count, double floor)
{
    long j = 0;
    double top = floor;
#ifdef __SSE2__
    __m128d best = _mm_set1_pd(floor);
    for (; j + 2 <= count; j += 2) {
        const __m128d a = _mm_loadu_pd(&v[j].re), b = _mm_loadu_pd(&v[j + 1].re);
        const __m128d a2 = _mm_mul_pd(a, a), b2 = _mm_mul_pd(b, b);
        const __m128d p = _mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2));
        _mm_storeu_pd(o + j, p);
        best = _mm_max_pd(p, best);
    }
    double lanes[2];
    _mm_storeu_pd(lanes, best);
    top = std::max(lanes[0], lanes[1]);
#endif
    for (; j < count; ++j) {
        o[j] = v[j].re * v[j].re + v[j].im * v[j].im;
        top = o[j] > top ? o[j] : top;
    }
    return top;
}

// Scales one chunk in place and returns its sum and maximum after scaling.
void chunkScale(double *o, long count, double factor, double &sum, double &top)
{
    long j = 0;
    sum = 0.0;
    top = -HUGE_VAL;
#ifdef __SSE2__
    const __m128d f = _mm_set1_pd(factor);
    __m128d s = _mm_setzero_pd(), t = _mm_set1_pd(-HUGE_VAL);
    for (; j + 2 <= count; j += 2) {
        const __m128d x = _mm_mul_pd(_mm_loadu_pd(o + j), f);
        _mm_storeu_pd(o + j, x);
        s = _mm_add_pd(s, x);
        t = _mm_max_pd(x, t);
    }
    double ls[2], lt[2];
    _mm_storeu_pd(ls, s);
    _mm_storeu_pd(lt, t);
    sum = ls[0] + ls[1];
    top = std::max(lt[0], lt[1]);
#endif
    for (; j < count; ++j) {
        o[j] *= factor;
        sum += o[j];
        top = o[j] > top ? o[j] : top;
    }
}

} // namespace

int foldSpectrum(const ComplexD *data, double *out, const SpectrumFold &f)
{
    const long m = f.binCount;
    const long chunk = BinSummary::kChunk;
    // Chunks map onto chunks when the halves hold whole chunks; smaller centred spectra get
    // their summary in a second pass.
    const bool chunkedSwap = f.centred && (m / 2) % chunk == 0;
    const bool summarise = f.chunkSums && (!f.centred || chunkedSwap);
    const long half = f.centred ? m / 2 : 0;
    const double keep = 1.0 - 1.0 / f.averageCount, take = 1.0 / f.averageCount;
    const double factor = f.oneSided ? 2.0 : 1.0;

    double best = 0.0;
    int peak = 0;
    for (long from = 0; from < m; from += chunk) {
        const long count = std::min(chunk, m - from);
        const long target = chunkedSwap ? (from + half) % m : from;
        double *o = out + target;
        const double top = chunkPower(data + from, o, count, best);
        if (top > best) {
            best = top;
            peak = int(from + (std::find(o, o + count, top) - o));
        }
        if (f.average) {
            double *a = f.average + from;
            if (f.blend)
                for (long j = 0; j < count; ++j)
                    o[j] = keep * a[j] + o[j] * take;
            std::memcpy(a, o, size_t(count) * sizeof(double));
        }
        // Bin 0 of a one-sided spectrum is not doubled: scale it back after the chunk pass.
        double sum, chunkTop;
        chunkScale(o, count, factor, sum, chunkTop);
        if (f.oneSided && from == 0) {
            o[0] /= factor;
            sum = sumRange(o, 0, count);
            chunkTop = maxRange(o, 0, count, -HUGE_VAL);
        }
        if (summarise) {
            f.chunkSums[target / chunk] = sum;
            f.chunkMaxima[target / chunk] = chunkTop;
        }
    }
    if (f.centred && !chunkedSwap) {
        std::swap_ranges(out, out + half, out + half);
        if (f.chunkSums)
            BinSummary{out, m, f.chunkSums, f.chunkMaxima}.build();
    }
    return peak;
}
