#include "plot/CurveKernels.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <qwt_scale_map.h>

namespace {

// First index in y[from, from + span) (clipped to count) holding exactly v.
int firstEqual(const double *y, int from, int span, int count, double v)
{
    const int end = std::min(from + span, count);
    for (int i = from; i < end; ++i)
        if (y[i] == v)
            return i;
    return from;
}

// Keeps the earliest position of the extremes seen so far; ties keep the earlier one.
struct Extremes {
    double lo;
    double hi;
    int loAt;
    int hiAt;

    void take(double low, double high, int at)
    {
        if (low < lo) {
            lo = low;
            loAt = at;
        }
        if (high > hi) {
            hi = high;
            hiAt = at;
        }
    }
};

} // namespace

// The extremes are found block by block with packed min/max, which runs at memory speed;
// only the block where an extreme first appeared is searched again for its index.
RunExtremes scanRun(const double *y, int count)
{
    Extremes e{y[0], y[0], 0, 0};
    int i = 0;
#ifdef __SSE2__
    constexpr int kBlock = 16;
    // Block starts; -1 while y[0] is the extreme.
    Extremes blocks{y[0], y[0], -1, -1};
    for (; i + kBlock <= count; i += kBlock) {
        // A reduction tree rather than a chain, so the min/max latencies overlap.
        const double *b = y + i;
        const __m128d a0 = _mm_loadu_pd(b), a1 = _mm_loadu_pd(b + 2), a2 = _mm_loadu_pd(b + 4),
                      a3 = _mm_loadu_pd(b + 6), a4 = _mm_loadu_pd(b + 8), a5 = _mm_loadu_pd(b + 10),
                      a6 = _mm_loadu_pd(b + 12), a7 = _mm_loadu_pd(b + 14);
        const __m128d mn = _mm_min_pd(_mm_min_pd(_mm_min_pd(a0, a1), _mm_min_pd(a2, a3)),
                                      _mm_min_pd(_mm_min_pd(a4, a5), _mm_min_pd(a6, a7)));
        const __m128d mx = _mm_max_pd(_mm_max_pd(_mm_max_pd(a0, a1), _mm_max_pd(a2, a3)),
                                      _mm_max_pd(_mm_max_pd(a4, a5), _mm_max_pd(a6, a7)));
        blocks.take(_mm_cvtsd_f64(_mm_min_sd(mn, _mm_unpackhi_pd(mn, mn))),
                    _mm_cvtsd_f64(_mm_max_sd(mx, _mm_unpackhi_pd(mx, mx))), i);
    }
    e.lo = blocks.lo;
    e.hi = blocks.hi;
    if (blocks.loAt >= 0)
        e.loAt = firstEqual(y, blocks.loAt, kBlock, count, e.lo);
    if (blocks.hiAt >= 0)
        e.hiAt = firstEqual(y, blocks.hiAt, kBlock, count, e.hi);
#endif
    for (; i < count; ++i)
        e.take(y[i], y[i], i);
    return {y[0], y[count - 1], e.lo, e.hi, e.loAt, e.hiAt};
}

void minMaxScan(const double *y, int count, double &minValue, double &maxValue)
{
    if (count <= 0)
        return;
    double lo = y[0];
    double hi = y[0];
    for (int i = 1; i < count; ++i) {
        lo = y[i] < lo ? y[i] : lo;
        hi = y[i] > hi ? y[i] : hi;
    }
    minValue = lo;
    maxValue = hi;
}

namespace {

template <typename XAt> int sameColumnRun(XAt xAt, int count, const QwtScaleMap &xMap)
{
    const double column = pixelRound(xMap.transform(xAt(0)));
    if (pixelRound(xMap.transform(xAt(count - 1))) == column)
        return count;
    // xAt(lo) is in the column, xAt(hi) is not.
    int lo = 0;
    int hi = count - 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (pixelRound(xMap.transform(xAt(mid))) == column)
            lo = mid;
        else
            hi = mid;
    }
    return lo + 1;
}

} // namespace

int sameColumnCount(const double *x, int count, const QwtScaleMap &xMap, XLayout layout)
{
    // On a unit grid the probes need not touch memory: each would be a cache miss.
    if (layout == XLayout::UnitGrid) {
        const double x0 = x[0];
        return sameColumnRun([x0](int i) { return x0 + i; }, count, xMap);
    }
    return sameColumnRun([x](int i) { return x[i]; }, count, xMap);
}

XLayout xLayoutOf(const double *x, int count)
{
    bool unitGrid = true;
    for (int i = 1; i < count; ++i) {
        if (!(x[i] > x[i - 1]))
            return XLayout::Unordered;
        unitGrid = unitGrid && x[i] == x[0] + i;
    }
    return unitGrid ? XLayout::UnitGrid : XLayout::Ascending;
}

IndexRange coveringRange(const double *x, int count, double lo, double hi)
{
    if (count <= 0)
        return {0, -1};
    if (lo > hi)
        std::swap(lo, hi);
    const double *begin = x;
    const double *end = x + count;
    const int inside = int(std::lower_bound(begin, end, lo) - begin);
    const int beyond = int(std::upper_bound(begin, end, hi) - begin);
    if (inside == count || beyond == 0)
        return {0, -1};
    return {std::max(inside - 1, 0), std::min(beyond, count - 1)};
}
