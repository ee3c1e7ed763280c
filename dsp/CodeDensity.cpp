#include "dsp/CodeDensity.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The standard normal quantile: bisection on erfc, which is exact enough and needs no table.
double normalQuantile(double p)
{
    double lo = -40.0, hi = 40.0;
    for (int i = 0; i < 200 && hi - lo > 1e-12; ++i) {
        const double mid = 0.5 * (lo + hi);
        (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// The value of largest magnitude in v[from ... to] and its index.
void largest(const std::vector<double> &v, int from, int to, double &value, int &index)
{
    value = 0.0;
    index = from;
    for (int i = from; i <= to; ++i)
        if (std::fabs(v[size_t(i)]) > std::fabs(value)) {
            value = v[size_t(i)];
            index = i;
        }
}

} // namespace

double codeDensitySamplesNeeded(double amplitude, double resolution, double confidence)
{
    const double z = normalQuantile(0.5 * (1.0 + confidence));
    return M_PI * amplitude * z * z / (resolution * resolution);
}

CodeDensity analyseCodeDensity(const CodeHistogram &h, const CodeDensityOptions &options)
{
    CodeDensity r;
    if (!(options.dnlResolution > 0.0) || !(options.confidence > 0.0 && options.confidence < 1.0)) {
        r.reason = CodeDensityReason::BadOptions;
        return r;
    }
    const int bins = h.binCount();
    if (bins < 2 || h.counted == 0)
        return r;
    // The converter's codes: the top bin's over-range samples belong to the highest code.
    const int codes = bins - 1;
    const auto count = [&](int i) {
        return double(h.counts[size_t(i)]) + (i == codes - 1 ? double(h.counts[size_t(codes)]) : 0.0);
    };
    int lo = 0, hi = codes - 1;
    while (lo < codes && count(lo) == 0)
        ++lo;
    while (hi > lo && count(hi) == 0)
        --hi;
    r.samples = h.counted;
    r.firstCode = h.codeOfBin(lo);
    r.lastCode = h.codeOfBin(hi);
    r.clippedLow = lo == 0;
    r.clippedHigh = hi == codes - 1;
    if (hi - lo < 2) {
        r.reason = CodeDensityReason::TooFewCodes;
        return r;
    }
    r.reason = CodeDensityReason::None;

    // Transition k (between codes k - 1 and k, in bins) lies where the sine spends the
    // fraction Hc[k-1] / S of its period below it: T[k] = C - A cos(pi Hc[k-1] / S). The end
    // codes' counts fix A and C so that the first and last measured transitions lie at their
    // ideal places, half a code below and above the end codes' inner neighbours.
    const double total = double(h.counted);
    const double cosLow = std::cos(M_PI * count(lo) / total);
    const double cosHigh = std::cos(M_PI * count(hi) / total);
    const double a = double(hi - lo - 1) / (cosLow + cosHigh);
    const double c = lo + 0.5 + a * cosLow;
    r.amplitude = a;
    r.offset = c - h.half();
    std::vector<double> t(size_t(bins), 0.0); // t[k]: transition into bin k, for lo < k <= hi
    double cumulative = 0.0;
    for (int k = lo + 1; k <= hi; ++k) {
        cumulative += count(k - 1);
        t[size_t(k)] = c - a * std::cos(M_PI * cumulative / total);
    }
    t[size_t(hi)] = hi - 0.5; // exact by construction; spares the last rounding

    const double nan = std::numeric_limits<double>::quiet_NaN();
    r.dnl.assign(size_t(bins), nan);
    r.inlEndPoint.assign(size_t(bins), nan);
    r.inlBestFit.assign(size_t(bins), nan);
    // The end points' line is the ideal one: one code per LSB.
    for (int k = lo + 1; k < hi; ++k) {
        r.dnl[size_t(k)] = count(k) == 0 ? -1.0 : t[size_t(k + 1)] - t[size_t(k)] - 1.0;
        r.inlEndPoint[size_t(k)] = t[size_t(k)] - (k - 0.5);
        if (count(k) == 0)
            r.missingCodes.push_back(h.codeOfBin(k));
    }
    // Least-squares line through the reported transitions, about their centre for accuracy;
    // its slope is the fitted LSB.
    const double mid = 0.5 * (lo + 1 + hi - 1);
    double sxx = 0.0, sxt = 0.0, st = 0.0;
    for (int k = lo + 1; k < hi; ++k) {
        const double x = k - mid;
        sxx += x * x;
        sxt += x * t[size_t(k)];
        st += t[size_t(k)];
    }
    const double n = double(hi - lo - 1);
    const double slope = sxx > 0.0 ? sxt / sxx : 1.0;
    const double intercept = st / n;
    for (int k = lo + 1; k < hi; ++k)
        r.inlBestFit[size_t(k)] = (t[size_t(k)] - intercept - slope * (k - mid)) / slope;

    largest(r.dnl, lo + 1, hi - 1, r.maxDnl, r.maxDnlCode);
    largest(r.inlEndPoint, lo + 1, hi - 1, r.maxInlEndPoint, r.maxInlEndPointCode);
    largest(r.inlBestFit, lo + 1, hi - 1, r.maxInlBestFit, r.maxInlBestFitCode);
    r.maxDnlCode = h.codeOfBin(r.maxDnlCode);
    r.maxInlEndPointCode = h.codeOfBin(r.maxInlEndPointCode);
    r.maxInlBestFitCode = h.codeOfBin(r.maxInlBestFitCode);

    r.samplesNeeded = codeDensitySamplesNeeded(a, options.dnlResolution, options.confidence);
    r.tooFewSamples = total < r.samplesNeeded;
    return r;
}
