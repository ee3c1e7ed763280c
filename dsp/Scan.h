#pragma once
// Peak search and sums over spectrum bins, the inner loops of every block's figures. Written
// with SSE2 (every x86-64 has it) and independent lanes, because the compiler may neither
// reorder a floating-point sum nor vectorise a running maximum on its own.
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Largest of best and s[from..to), NaNs ignored the way a strict running maximum ignores them.
inline double maxRange(const double *s, long from, long to, double best)
{
    long j = from < 0 ? 0 : from;
#ifdef __SSE2__
    __m128d a = _mm_set1_pd(best), b = a;
    for (; j + 4 <= to; j += 4) {
        // maxpd(x, y) yields y unless x > y: exactly "x > y ? x : y".
        a = _mm_max_pd(_mm_loadu_pd(s + j), a);
        b = _mm_max_pd(_mm_loadu_pd(s + j + 2), b);
    }
    double lanes[4];
    _mm_storeu_pd(lanes, a);
    _mm_storeu_pd(lanes + 2, b);
    for (double v : lanes)
        best = v > best ? v : best;
#endif
    for (; j < to; ++j)
        best = s[j] > best ? s[j] : best;
    return best;
}

// Raises best to the largest value of s[from..to) when one is strictly greater, and returns the
// first index holding it; returns -1 (best unchanged) when none is greater.
inline long firstMaxIndex(const double *s, long from, long to, double &best)
{
    if (from < 0)
        from = 0;
    const double top = maxRange(s, from, to, best);
    if (!(top > best))
        return -1;
    best = top;
    for (long j = from; j < to; ++j)
        if (s[j] == top)
            return j;
    return -1;
}

// Every sum over bins adds in eight lanes (bin j into lane j % 8) and combines them in this
// order, so that a sum taken by a vector kernel while it writes the bins equals the one taken
// here afterwards, whatever the vector width.
inline double combineLanes(const double *l)
{
    return ((l[0] + l[4]) + (l[1] + l[5])) + ((l[2] + l[6]) + (l[3] + l[7]));
}

inline double sumRange(const double *s, long from, long to)
{
    long j = from;
    double sum = 0.0;
#ifdef __SSE2__
    __m128d a = _mm_setzero_pd(), b = a, c = a, d = a;
    for (; j + 8 <= to; j += 8) {
        a = _mm_add_pd(a, _mm_loadu_pd(s + j));
        b = _mm_add_pd(b, _mm_loadu_pd(s + j + 2));
        c = _mm_add_pd(c, _mm_loadu_pd(s + j + 4));
        d = _mm_add_pd(d, _mm_loadu_pd(s + j + 6));
    }
    double lanes[8];
    _mm_storeu_pd(lanes, a);
    _mm_storeu_pd(lanes + 2, b);
    _mm_storeu_pd(lanes + 4, c);
    _mm_storeu_pd(lanes + 6, d);
    sum = combineLanes(lanes);
#endif
    for (; j < to; ++j)
        sum += s[j];
    return sum;
}

// Sums and maxima of fixed chunks of a spectrum, so that the many range sums and peak searches
// of one block's figures cost a pass over the chunks instead of a pass over the bins each.
// The caller owns the storage: chunkCount(m) doubles for each of sums and maxima.
struct BinSummary {
    static constexpr long kChunk = 64;
    static long chunkCount(long m) { return (m + kChunk - 1) / kChunk; }

    const double *bins = nullptr;
    long count = 0;
    double *sums = nullptr;
    double *maxima = nullptr;

    // Fills the chunk tables from the bins.
    void build()
    {
        for (long c = 0; c * kChunk < count; ++c) {
            const long from = c * kChunk, to = from + kChunk < count ? from + kChunk : count;
            sums[c] = sumRange(bins, from, to);
            maxima[c] = maxRange(bins, from, to, -__builtin_inf());
        }
    }

    double sum(long from, long to) const
    {
        if (from < 0)
            from = 0;
        if (to > count)
            to = count;
        if (to - from < 2 * kChunk)
            return sumRange(bins, from, to);
        const long firstFull = (from + kChunk - 1) / kChunk, lastFull = to / kChunk;
        double total = sumRange(bins, from, firstFull * kChunk);
        total += sumRange(sums, firstFull, lastFull);
        return total + sumRange(bins, lastFull * kChunk, to);
    }

    // As firstMaxIndex over bins[from..to).
    long firstMax(long from, long to, double &best) const
    {
        if (from < 0)
            from = 0;
        if (to > count)
            to = count;
        if (to - from < 2 * kChunk)
            return firstMaxIndex(bins, from, to, best);
        const long firstFull = (from + kChunk - 1) / kChunk, lastFull = to / kChunk;
        double top = maxRange(bins, from, firstFull * kChunk, best);
        top = maxRange(maxima, firstFull, lastFull, top);
        top = maxRange(bins, lastFull * kChunk, to, top);
        if (!(top > best))
            return -1;
        best = top;
        for (long j = from; j < firstFull * kChunk; ++j)
            if (bins[j] == top)
                return j;
        for (long c = firstFull; c < lastFull; ++c)
            if (maxima[c] == top)
                for (long j = c * kChunk; j < (c + 1) * kChunk; ++j)
                    if (bins[j] == top)
                        return j;
        for (long j = lastFull * kChunk; j < to; ++j)
            if (bins[j] == top)
                return j;
        return -1;
    }
};
