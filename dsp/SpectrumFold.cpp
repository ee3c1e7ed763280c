#include "dsp/SpectrumFold.h"

#include "dsp/Scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct ChunkFigures {
    double sum = 0.0;
    double top = -HUGE_VAL;
};

// o[j] = factor * |v[j]|^2 for one chunk, in the one pass that also takes the chunk's sum and
// maximum: the transform's output is read once and the stored bins are written once.
ChunkFigures chunkPower(const ComplexD *v, double *o, long count, double factor)
{
    long j = 0;
    ChunkFigures c;
#ifdef __SSE2__
    const __m128d f = _mm_set1_pd(factor);
    __m128d s = _mm_setzero_pd(), t = _mm_set1_pd(-HUGE_VAL);
    for (; j + 2 <= count; j += 2) {
        const __m128d a = _mm_loadu_pd(&v[j].re), b = _mm_loadu_pd(&v[j + 1].re);
        const __m128d a2 = _mm_mul_pd(a, a), b2 = _mm_mul_pd(b, b);
        const __m128d p = _mm_mul_pd(_mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2)), f);
        _mm_storeu_pd(o + j, p);
        s = _mm_add_pd(s, p);
        t = _mm_max_pd(p, t);
    }
    double ls[2], lt[2];
    _mm_storeu_pd(ls, s);
    _mm_storeu_pd(lt, t);
    c.sum = ls[0] + ls[1];
    c.top = std::max(lt[0], lt[1]);
#endif
    for (; j < count; ++j) {
        o[j] = (v[j].re * v[j].re + v[j].im * v[j].im) * factor;
        c.sum += o[j];
        c.top = o[j] > c.top ? o[j] : c.top;
    }
    return c;
}

// o = keep * a + take * o, stored in both, with the blended chunk's sum and maximum.
ChunkFigures chunkBlend(double *o, double *a, long count, double keep, double take)
{
    ChunkFigures c;
    for (long j = 0; j < count; ++j) {
        const double x = keep * a[j] + o[j] * take;
        o[j] = a[j] = x;
        c.sum += x;
        c.top = x > c.top ? x : c.top;
    }
    return c;
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
    // Doubling is exact, so doubling before the peak search and the averaging changes neither
    // the peak bin nor the averaged values; bin 0 is halved back at the end.
    const double factor = f.oneSided ? 2.0 : 1.0;

    double best = 0.0;
    int peak = 0;
    for (long from = 0; from < m; from += chunk) {
        const long count = std::min(chunk, m - from);
        const long target = chunkedSwap ? (from + half) % m : from;
        double *o = out + target;
        ChunkFigures c = chunkPower(data + from, o, count, factor);
        if (c.top > best) {
            best = c.top;
            peak = int(from + (std::find(o, o + count, c.top) - o));
        }
        if (f.average) {
            double *a = f.average + from;
            if (f.blend)
                c = chunkBlend(o, a, count, keep, take);
            else
                std::memcpy(a, o, size_t(count) * sizeof(double));
        }
        if (f.oneSided && from == 0) {
            o[0] /= factor;
            c.sum = sumRange(o, 0, count);
            c.top = maxRange(o, 0, count, -HUGE_VAL);
        }
        if (summarise) {
            f.chunkSums[target / chunk] = c.sum;
            f.chunkMaxima[target / chunk] = c.top;
        }
    }
    if (f.centred && !chunkedSwap) {
        std::swap_ranges(out, out + half, out + half);
        if (f.chunkSums)
            BinSummary{out, m, f.chunkSums, f.chunkMaxima}.build();
    }
    return peak;
}
