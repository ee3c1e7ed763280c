#pragma once
// The code-density (histogram) test of a converter driven by a sine: its transition levels from
// the cumulative histogram under the arcsine law, and from them the differential and integral
// nonlinearity of every code, in LSB.
//
// The sine's amplitude and offset come from the counts of the two end codes, whose outer edges
// are unknown: an input that overdrives the converter by a few codes (the usual way to reach
// every code) or one that stops short of full scale is handled alike. The end codes themselves
// have no measurable width and are left out of every figure.
#include "dsp/AdcDistribution.h"

#include <cstdint>
#include <vector>

struct CodeDensityOptions {
    double dnlResolution = 0.1; // LSB: the DNL uncertainty the record should reach ...
    double confidence = 0.95;   // ... with this probability (two-sided)
};

enum class CodeDensityReason {
    None,
    NoSamples,
    TooFewCodes, // fewer than three codes hold samples: no code has two measured edges
    BadOptions,  // the resolution is not positive or the confidence not inside (0, 1)
};

struct CodeDensity {
    CodeDensityReason reason = CodeDensityReason::NoSamples;
    bool defined() const { return reason == CodeDensityReason::None; }

    int firstCode = 0, lastCode = 0; // the lowest and highest codes holding samples
    // The end codes are the converter's own: the input reached beyond its range.
    bool clippedLow = false, clippedHigh = false;
    uint64_t samples = 0;
    double amplitude = 0.0; // of the input sine, codes
    double offset = 0.0;    // its mean, codes

    // Per bin of the histogram (bin i is code h.codeOfBin(i)), NaN outside the interior codes
    // firstCode + 1 ... lastCode - 1. INL is that of the code's lower transition level.
    std::vector<double> dnl;
    std::vector<double> inlEndPoint; // against the line through the first and last transitions
    std::vector<double> inlBestFit;  // against the least-squares line through all of them

    double maxDnl = 0.0, maxInlEndPoint = 0.0, maxInlBestFit = 0.0; // signed, largest magnitude
    int maxDnlCode = 0, maxInlEndPointCode = 0, maxInlBestFitCode = 0;
    std::vector<int> missingCodes; // interior codes without a sample (DNL = -1)

    // Samples a record needs for the DNL resolution at the confidence asked for, and whether
    // the analysed ones fall short of it.
    double samplesNeeded = 0.0;
    bool tooFewSamples = false;
};

// The converter's codes are those of the histogram but its top bin, which holds only samples
// above the highest code and is counted with it.
CodeDensity analyseCodeDensity(const CodeHistogram &h, const CodeDensityOptions &options = {});

// The samples a sine histogram needs so that every code's DNL is known to `resolution` LSB
// with probability `confidence`, for a sine of `amplitude` codes. For a full-scale sine of a
// b-bit converter (amplitude 2^(b-1)) this is the usual pi 2^(b-1) Z^2 / resolution^2: the
// codes at the sine's centre are the least hit, with probability 1 / (pi amplitude).
double codeDensitySamplesNeeded(double amplitude, double resolution, double confidence);
