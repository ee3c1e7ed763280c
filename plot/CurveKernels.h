#pragma once
// Numeric kernels of curve drawing and of the tools: loops over the caller's arrays, no
// allocation. The extremes scans run on AVX2 where the processor has it.
#include <cmath>

class QwtScaleMap;

// Extremes of a run of samples that fall into one pixel column, and which of them the run
// reaches first: minFirst when the earliest sample equal to min precedes the earliest one
// equal to max (true for a flat run).
struct RunExtremes {
    double first;
    double last;
    double min;
    double max;
    bool minFirst;
};

// count must be at least 1.
RunExtremes scanRun(const double *y, int count);

// Smallest and largest of count values; both stay untouched when count is 0. A NaN is
// skipped unless it is the first value.
void minMaxScan(const double *y, int count, double &minValue, double &maxValue);

// Pixel position rounded half away from zero, as std::round, which without SSE4.1 is a
// library call: several per pixel column.
inline double pixelRound(double p)
{
    if (!(std::fabs(p) < 4503599627370496.0)) // 2^52 and beyond are whole already; NaN stays
        return p;
    const double whole = double(static_cast<long long>(p)); // toward zero
    const double rest = p - whole;                            // exact
    return std::copysign(rest >= 0.5 ? whole + 1.0 : rest <= -0.5 ? whole - 1.0 : whole, p);
}

// How the x values of a curve are laid out.
enum class XLayout {
    Unordered, // a trajectory: drawn point by point
    Ascending, // visible ranges and columns can be found by bisection
    UnitGrid   // ascending by exactly 1: x[i] = x[0] + i
};
XLayout xLayoutOf(const double *x, int count);

// Length of the leading part of x[0..count) (ascending) that maps to the pixel column of x[0],
// found by bisection over the columns instead of mapping every sample.
int sameColumnCount(const double *x, int count, const QwtScaleMap &xMap, XLayout layout);

// Whole sample nearest to v; a fraction above 0.5 rounds up, exactly 0.5 rounds down.
inline double roundToSample(double v)
{
    const double whole = std::floor(v);
    return v - whole > 0.5 ? whole + 1.0 : whole;
}

// Index range [first, last] of an ascending array that covers [lo, hi] plus one sample
// beyond each end, so that lines enter and leave the visible area. Empty (first > last)
// when no sample lies in [lo, hi] or on both sides of it.
struct IndexRange {
    int first;
    int last;
    int count() const { return last - first + 1; }
};
IndexRange coveringRange(const double *x, int count, double lo, double hi);
