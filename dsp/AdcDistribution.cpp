#include "dsp/AdcDistribution.h"

#include <algorithm>
#include <cmath>
#include <vector>
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Truncation toward zero, INT64_MIN for NaN and for what does not fit, as the x86 conversion
// gives it without a range test of its own.
inline int64_t truncated(double v)
{
#if defined(__SSE2__) && defined(__x86_64__)
    return _mm_cvttsd_si64(_mm_set_sd(v));
#else
    return v > -9.2e18 && v < 9.2e18 ? int64_t(v) : INT64_MIN;
#endif
}

} // namespace

bool resetHistogram(CodeHistogram &h, int bitRange)
{
    if (bitRange < 1 || bitRange > MaxHistogramBits)
        return false;
    // The bins' storage is kept: a histogram counted block after block reallocates (and
    // page-faults) half a megabyte per block at 16 bits otherwise.
    std::vector<uint64_t> counts = std::move(h.counts);
    h = CodeHistogram();
    h.bitRange = bitRange;
    counts.assign((size_t(1) << bitRange) + 1, 0);
    h.counts = std::move(counts);
    return true;
}

void countCodes(CodeHistogram &h, const double *samples, uint64_t n)
{
    if (h.counts.empty() || !samples)
        return;
    const uint64_t top = h.counts.size() - 1;
    // Shifted by one more code, so that truncation toward zero is the floor for every sample
    // that lands in a bin: bin = trunc(sample + half + 1) - 1, and [top, top + 1) is the last.
    const double shift = double(h.half()) + 1.0;
    const double end = double(top) + 2.0;
    uint64_t *counts = h.counts.data();
    uint64_t low = 0, high = 0, rejected = 0;
    // One conversion and one unsigned test per sample; NaN and huge values convert to
    // INT64_MIN and fall to the rare branch with the out-of-range ones.
    const auto binOf = [&](double sample) { return uint64_t(truncated(sample + shift)) - 1; };
    const auto countOne = [&](double sample) {
        const uint64_t bin = binOf(sample);
        const double v = sample + shift;
        if (bin <= top)
            ++counts[bin];
        else if (v < 1.0)
            ++low;
        else if (v >= end)
            ++high;
        else
            ++rejected;
    };
    uint64_t i = 0;
    // A slow signal hits the same code sample after sample, and each increment then waits for
    // the one before it: four sets of bins, one per sample of a group of four, keep four
    // increments in flight. Worth their zeroing and summing only on records much longer than
    // the bins; 32-bit counts keep the four sets in the cache, emptied before they can wrap.
    const uint64_t bins = top + 1;
    if (bins <= (uint64_t(1) << 16) + 1 && n >= 16 * bins) {
        std::vector<uint32_t> lanes(4 * bins);
        uint32_t *lane[4] = {lanes.data(), lanes.data() + bins, lanes.data() + 2 * bins, lanes.data() + 3 * bins};
        const uint64_t chunk = uint64_t(UINT32_MAX) & ~uint64_t(3);
        while (n - i >= 4) {
            const uint64_t stop = i + std::min(chunk, (n - i) & ~uint64_t(3));
            for (; i < stop; i += 4) {
                const uint64_t b[4] = {binOf(samples[i]), binOf(samples[i + 1]), binOf(samples[i + 2]),
                                       binOf(samples[i + 3])};
                if (b[0] <= top && b[1] <= top && b[2] <= top && b[3] <= top) {
                    for (int k = 0; k < 4; ++k)
                        ++lane[k][b[k]];
                } else {
                    for (int k = 0; k < 4; ++k)
                        countOne(samples[i + uint64_t(k)]);
                }
            }
            for (uint64_t k = 0; k < bins; ++k) {
                counts[k] += uint64_t(lane[0][k]) + lane[1][k] + lane[2][k] + lane[3][k];
                lane[0][k] = lane[1][k] = lane[2][k] = lane[3][k] = 0;
            }
        }
    }
    for (; i < n; ++i)
        countOne(samples[i]);
    counts[0] += low;
    counts[top] += high;
    h.clampedLow += low;
    h.clampedHigh += high;
    h.rejected += rejected;
    h.counted += n - rejected;
}

SampleSpan histogramSpan(uint64_t bufferLength, uint64_t start, uint64_t width)
{
    if (start >= bufferLength)
        return {bufferLength, 0};
    return {start, std::min(width, bufferLength - start)};
}

namespace {

// Fraction of a sine period (mean m, amplitude a) spent in [lower, upper]: the arcsine law. The
// arguments are clamped, so that the bins holding the sine's ends, and a bin holding both, take
// the right share.
double arcsineShare(double lower, double upper, double m, double a)
{
    const double lo = std::clamp((lower - m) / a, -1.0, 1.0);
    const double hi = std::clamp((upper - m) / a, -1.0, 1.0);
    return (std::asin(hi) - std::asin(lo)) / M_PI;
}

} // namespace

CodeDistribution analyseDistribution(const CodeHistogram &h)
{
    CodeDistribution d;
    d.inl = NAN;
    d.meanCode = NAN;
    d.amplitude = NAN;
    const int bins = h.binCount();
    if (h.counted == 0 || bins == 0)
        return d;
    const double n = double(h.counted);
    double sum = 0.0;
    for (int i = 0; i < bins; ++i)
        sum += double(h.codeOfBin(i)) * double(h.counts[size_t(i)]);
    const double m = sum / n;
    double var = 0.0;
    for (int i = 0; i < bins; ++i) {
        const double e = double(h.codeOfBin(i)) - m;
        var += e * e * double(h.counts[size_t(i)]);
    }
    const double a = std::sqrt(2.0 * var / n);
    d.meanCode = m;
    d.amplitude = a;
    if (!(a >= 1.0))
        return d;

    d.defined = true;
    d.ideal.assign(size_t(bins), 0.0);
    for (int i = 0; i < bins; ++i) {
        const double code = h.codeOfBin(i);
        d.ideal[size_t(i)] = arcsineShare(code - 0.5, code + 0.5, m, a);
        if (d.ideal[size_t(i)] > 0.0) {
            if (d.firstBin < 0)
                d.firstBin = i;
            d.lastBin = i;
        }
    }
    double r = 0.0;
    for (int i = d.firstBin; i <= d.lastBin; ++i) {
        const double ideal = d.ideal[size_t(i)];
        if (ideal > 0.0)
            r += std::fabs((double(h.counts[size_t(i)]) / n - ideal) / ideal);
    }
    d.inl = r / double(d.lastBin - d.firstBin + 1);
    return d;
}

double dnlAtCode(const CodeHistogram &h, const CodeDistribution &d, int code)
{
    const int bin = code + h.half();
    if (!d.defined || bin < 0 || bin >= h.binCount() || !(d.ideal[size_t(bin)] > 0.0))
        return NAN;
    const double ideal = d.ideal[size_t(bin)];
    return (double(h.counts[size_t(bin)]) / double(h.counted) - ideal) / ideal;
}

std::vector<double> scaleHistogram(const CodeHistogram &h, HistogramScale scale)
{
    std::vector<double> values(h.counts.size());
    double divisor = 1.0;
    if (scale == HistogramScale::RelativeToMax) {
        const auto peak = std::max_element(h.counts.begin(), h.counts.end());
        divisor = peak == h.counts.end() ? 0.0 : double(*peak);
    } else if (scale == HistogramScale::RelativeToTotal) {
        divisor = double(h.counted);
    }
    // An empty histogram stays all zero rather than 0/0.
    const double factor = divisor > 0.0 ? 1.0 / divisor : 0.0;
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = double(h.counts[i]) * factor;
    return values;
}

double sumBetweenCodes(const CodeHistogram &h, const std::vector<double> &values, double codeA,
                       double codeB)
{
    if (values.empty() || std::isnan(codeA) || std::isnan(codeB))
        return 0.0;
    const double last = double(values.size() - 1);
    const double a = std::clamp(std::round(std::min(codeA, codeB)) + h.half(), 0.0, last);
    const double b = std::clamp(std::round(std::max(codeA, codeB)) + h.half(), 0.0, last);
    double sum = 0.0;
    for (size_t i = size_t(a); i <= size_t(b); ++i)
        sum += values[i];
    return sum;
}

double codeToMillivolts(double code, int bitRange, double voltageRangeMv)
{
    if (bitRange < 1 || bitRange > 32)
        return NAN;
    return code * voltageRangeMv / std::ldexp(1.0, bitRange - 1);
}
