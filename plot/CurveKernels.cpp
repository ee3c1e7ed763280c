#include "plot/CurveKernels.h"

#include <algorithm>

#include <qwt_scale_map.h>

RunExtremes scanRun(const double *y, int count)
{
    double lo = y[0];
    double hi = y[0];
    int loIndex = 0;
    int hiIndex = 0;
    for (int i = 1; i < count; ++i) {
        const double v = y[i];
        if (v < lo) {
            lo = v;
            loIndex = i;
        }
        if (v > hi) {
            hi = v;
            hiIndex = i;
        }
    }
    return {y[0], y[count - 1], lo, hi, loIndex, hiIndex};
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

int sameColumnCount(const double *x, int count, const QwtScaleMap &xMap)
{
    const double column = pixelRound(xMap.transform(x[0]));
    if (pixelRound(xMap.transform(x[count - 1])) == column)
        return count;
    // x[lo] is in the column, x[hi] is not.
    int lo = 0;
    int hi = count - 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (pixelRound(xMap.transform(x[mid])) == column)
            lo = mid;
        else
            hi = mid;
    }
    return lo + 1;
}

bool isAscending(const double *x, int count)
{
    for (int i = 1; i < count; ++i)
        if (!(x[i] > x[i - 1]))
            return false;
    return true;
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
