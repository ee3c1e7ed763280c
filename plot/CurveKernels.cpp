#include "plot/CurveKernels.h"

#include <algorithm>

#include "dsp/CpuFeatures.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef ORMA_AVX2_KERNELS
#include <immintrin.h>
#endif

#include <qwt_scale_map.h>

// The vector loops keep independent lane extremes over the whole range and reduce them once,
// so that a column costs one pass at memory speed. Each returns where it stopped; the scalar
// loop finishes the tail. "v < lo ? v : lo" is exactly minpd(v, lo), so every path skips a
// NaN the same way.
namespace {

#ifdef ORMA_AVX2_KERNELS
ORMA_TARGET_AVX2 int minMaxAvx2(const double *y, int count, double &lo, double &hi)
{
    constexpr int kStep = 16;
    if (count < kStep)
        return 0;
    __m256d l0 = _mm256_set1_pd(lo), l1 = l0, l2 = l0, l3 = l0;
    __m256d h0 = _mm256_set1_pd(hi), h1 = h0, h2 = h0, h3 = h0;
    int i = 0;
    for (; i + kStep <= count; i += kStep) {
        const __m256d a = _mm256_loadu_pd(y + i), b = _mm256_loadu_pd(y + i + 4),
                      c = _mm256_loadu_pd(y + i + 8), d = _mm256_loadu_pd(y + i + 12);
        l0 = _mm256_min_pd(a, l0);
        l1 = _mm256_min_pd(b, l1);
        l2 = _mm256_min_pd(c, l2);
        l3 = _mm256_min_pd(d, l3);
        h0 = _mm256_max_pd(a, h0);
        h1 = _mm256_max_pd(b, h1);
        h2 = _mm256_max_pd(c, h2);
        h3 = _mm256_max_pd(d, h3);
    }
    const __m256d l = _mm256_min_pd(_mm256_min_pd(l0, l1), _mm256_min_pd(l2, l3));
    const __m256d h = _mm256_max_pd(_mm256_max_pd(h0, h1), _mm256_max_pd(h2, h3));
    const __m128d lh = _mm_min_pd(_mm256_castpd256_pd128(l), _mm256_extractf128_pd(l, 1));
    const __m128d hh = _mm_max_pd(_mm256_castpd256_pd128(h), _mm256_extractf128_pd(h, 1));
    lo = _mm_cvtsd_f64(_mm_min_sd(lh, _mm_unpackhi_pd(lh, lh)));
    hi = _mm_cvtsd_f64(_mm_max_sd(hh, _mm_unpackhi_pd(hh, hh)));
    return i;
}

ORMA_TARGET_AVX2 inline __m256d equalEither(const double *p, __m256d a, __m256d b)
{
    const __m256d v = _mm256_loadu_pd(p);
    return _mm256_or_pd(_mm256_cmp_pd(v, a, _CMP_EQ_OQ), _mm256_cmp_pd(v, b, _CMP_EQ_OQ));
}

// Start of the first block of 16 holding a or b, or the end of the whole blocks.
ORMA_TARGET_AVX2 int firstBlockOfEitherAvx2(const double *y, int count, double a, double b)
{
    constexpr int kStep = 16;
    const __m256d va = _mm256_set1_pd(a), vb = _mm256_set1_pd(b);
    int i = 0;
    for (; i + kStep <= count; i += kStep) {
        const __m256d m01 = _mm256_or_pd(equalEither(y + i, va, vb), equalEither(y + i + 4, va, vb));
        const __m256d m23 = _mm256_or_pd(equalEither(y + i + 8, va, vb), equalEither(y + i + 12, va, vb));
        const __m256d m = _mm256_or_pd(m01, m23);
        if (_mm256_movemask_pd(m))
            break;
    }
    return i;
}
#endif

#ifdef __SSE2__
int minMaxSse2(const double *y, int count, double &lo, double &hi)
{
    constexpr int kStep = 8;
    if (count < kStep)
        return 0;
    __m128d l0 = _mm_set1_pd(lo), l1 = l0, l2 = l0, l3 = l0;
    __m128d h0 = _mm_set1_pd(hi), h1 = h0, h2 = h0, h3 = h0;
    int i = 0;
    for (; i + kStep <= count; i += kStep) {
        const __m128d a = _mm_loadu_pd(y + i), b = _mm_loadu_pd(y + i + 2), c = _mm_loadu_pd(y + i + 4),
                      d = _mm_loadu_pd(y + i + 6);
        l0 = _mm_min_pd(a, l0);
        l1 = _mm_min_pd(b, l1);
        l2 = _mm_min_pd(c, l2);
        l3 = _mm_min_pd(d, l3);
        h0 = _mm_max_pd(a, h0);
        h1 = _mm_max_pd(b, h1);
        h2 = _mm_max_pd(c, h2);
        h3 = _mm_max_pd(d, h3);
    }
    const __m128d l = _mm_min_pd(_mm_min_pd(l0, l1), _mm_min_pd(l2, l3));
    const __m128d h = _mm_max_pd(_mm_max_pd(h0, h1), _mm_max_pd(h2, h3));
    lo = _mm_cvtsd_f64(_mm_min_sd(l, _mm_unpackhi_pd(l, l)));
    hi = _mm_cvtsd_f64(_mm_max_sd(h, _mm_unpackhi_pd(h, h)));
    return i;
}
#endif

// Without a vector unit the scalar loop takes it all.
int minMaxVector([[maybe_unused]] const double *y, [[maybe_unused]] int count, [[maybe_unused]] double &lo,
                 [[maybe_unused]] double &hi)
{
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        return minMaxAvx2(y, count, lo, hi);
#endif
#ifdef __SSE2__
    return minMaxSse2(y, count, lo, hi);
#else
    return 0;
#endif
}

int firstOfEither(const double *y, int count, double a, double b)
{
    int i = 0;
#ifdef ORMA_AVX2_KERNELS
    if (hasAvx2Fma())
        i = firstBlockOfEitherAvx2(y, count, a, b);
#endif
    for (; i < count; ++i)
        if (y[i] == a || y[i] == b)
            return i;
    return count;
}

} // namespace

void minMaxScan(const double *y, int count, double &minValue, double &maxValue)
{
    if (count <= 0)
        return;
    double lo = y[0];
    double hi = y[0];
    for (int i = minMaxVector(y, count, lo, hi); i < count; ++i) {
        lo = y[i] < lo ? y[i] : lo;
        hi = y[i] > hi ? y[i] : hi;
    }
    minValue = lo;
    maxValue = hi;
}

// Only the order of the extremes is searched for, and only up to the first of them: in a
// steep column that is its first sample.
RunExtremes scanRun(const double *y, int count)
{
    double lo = y[0];
    double hi = y[0];
    minMaxScan(y, count, lo, hi);
    const int at = lo == hi ? 0 : firstOfEither(y, count, lo, hi);
    return {y[0], y[count - 1], lo, hi, at == count || y[at] == lo};
}

namespace {

// The run ends near the column's edge mapped back to x; that guess is checked on both sides,
// and the bisection only runs when it misses (a non-linear map, or a sample right on the
// edge), so that a column costs three mappings rather than a dozen. position(v) is the count
// of samples below v.
template <typename XAt, typename Position>
int sameColumnRun(XAt xAt, Position position, int count, const QwtScaleMap &xMap)
{
    const double start = xMap.transform(xAt(0));
    const double end = xMap.transform(xAt(count - 1));
    const double column = pixelRound(start);
    if (pixelRound(end) == column)
        return count;
    const auto inColumn = [&](int i) { return pixelRound(xMap.transform(xAt(i))) == column; };
    const double at = position(xMap.invTransform(column + (end > start ? 0.5 : -0.5)));
    const int guess = at > 1 ? (at < count - 1 ? int(at) : count - 1) : 1;
    // xAt(lo) is in the column, xAt(hi) is not.
    int lo = 0;
    int hi = count - 1;
    if (!inColumn(guess - 1))
        hi = guess - 1;
    else if (inColumn(guess))
        lo = guess;
    else
        return guess;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (inColumn(mid))
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
        return sameColumnRun([x0](int i) { return x0 + i; }, [x0](double v) { return std::ceil(v - x0); },
                             count, xMap);
    }
    return sameColumnRun([x](int i) { return x[i]; },
                         [x, count](double v) { return double(std::lower_bound(x, x + count, v) - x); },
                         count, xMap);
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
