#pragma once
// Histogram of ADC codes and its comparison with the code distribution of an ideal sine
// (the arcsine law), giving the converter's differential and integral nonlinearity.
// Everything is counted and measured in codes, so that one LSB size is used throughout.
#include "dsp/BufferSpan.h"
#include <cstdint>
#include <vector>

// Above this a histogram would need gigabytes; records of more bits are refused.
constexpr int MaxHistogramBits = 24;

struct CodeHistogram {
    int bitRange = 0;
    // 2^b + 1 bins for the codes -2^(b-1) ... +2^(b-1); bin i holds code i - half().
    std::vector<uint64_t> counts;
    uint64_t counted = 0;     // samples in the bins, the end bins' clamped ones included
    uint64_t clampedLow = 0;  // samples below the lowest code, counted in the first bin
    uint64_t clampedHigh = 0; // samples above the highest code, counted in the last bin
    uint64_t rejected = 0;    // NaN samples: in no bin

    int half() const { return bitRange > 0 ? 1 << (bitRange - 1) : 0; }
    int binCount() const { return int(counts.size()); }
    int codeOfBin(int bin) const { return bin - half(); }
    uint64_t clamped() const { return clampedLow + clampedHigh; }
};

// Empty bins for a b-bit converter. Returns false, leaving `h` unchanged, when b lies outside
// 1 ... MaxHistogramBits.
bool resetHistogram(CodeHistogram &h, int bitRange);
// Adds n samples (codes as doubles; fractional ones, from a filter, truncate toward zero).
void countCodes(CodeHistogram &h, const double *samples, uint64_t n);

// Samples of one channel's buffer that a histogram takes: `offset` and `count` inside a buffer
// of `bufferLength`, clamped to what it holds.
SampleSpan histogramSpan(uint64_t bufferLength, uint64_t start, uint64_t width);

// The ideal distribution of a sine with the histogram's mean and RMS, and the figures that
// compare the histogram with it. Undefined (no ideal curve, NaN figures) without samples or
// when the measured amplitude is below one code: such a sine is not resolved by the converter.
struct CodeDistribution {
    bool defined = false;
    double meanCode = 0.0;      // offset of the input, codes
    double amplitude = 0.0;     // codes: the sine amplitude whose RMS equals the measured one
    std::vector<double> ideal;  // per bin: the fraction of a period the sine spends there
    int firstBin = -1;          // first and last bins of positive ideal value
    int lastBin = -1;
    // Integral nonlinearity as this program reports it: the mean over the sine's bins of
    // |measured fraction - ideal| / ideal, a relative error per bin (0 for a perfect converter).
    double inl = 0.0;
};
CodeDistribution analyseDistribution(const CodeHistogram &h);

// Signed differential nonlinearity of one code, (measured - ideal) / ideal: 0 for a bin of the
// right width, -1 for a missing code. NaN where the ideal distribution is 0 or undefined.
double dnlAtCode(const CodeHistogram &h, const CodeDistribution &d, int code);

// The Y axis of the plot: counts, counts over the largest count, counts over the samples.
enum class HistogramScale { Counts = 0, RelativeToMax = 1, RelativeToTotal = 2 };
std::vector<double> scaleHistogram(const CodeHistogram &h, HistogramScale scale);

// Sum of the (scaled) values of the bins between two codes, both ends included, in either
// order, clamped to the histogram.
double sumBetweenCodes(const CodeHistogram &h, const std::vector<double> &values, double codeA,
                       double codeB);

// Codes to millivolts as the X axis converts them: code * range / 2^(b-1).
double codeToMillivolts(double code, int bitRange, double voltageRangeMv);
