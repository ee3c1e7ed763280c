#pragma once
// The four-parameter sine fit of a record: y[n] ~ A cos(w n) + B sin(w n) + C with the angular
// frequency w refined too, started from the spectrum's interpolated peak and iterated by
// linearised least squares until w settles. What the fit leaves over (the residual) is the
// record's noise and distortion: its RMS gives SINAD and the effective number of bits from the
// full-scale range, and three views show where it comes from: by output code, by the fitted
// phase (split into a part that follows the signal and a part that follows its slope, the mark
// of timing jitter), and as a spectrum.
#include <cstddef>
#include <cstdint>
#include <vector>

enum class SineFitStatus {
    Ok,
    TooShort,      // fewer than SineFitMinSamples samples
    NoTone,        // the fitted tone does not clear the residual's noise floor
    FewPeriods,    // the tone makes under two periods in the record
    NearNyquist,   // the tone lies within two bins of half the sample rate
    NoConvergence, // the frequency did not settle
};

constexpr size_t SineFitMinSamples = 16;

struct SineFit {
    SineFitStatus status = SineFitStatus::TooShort;
    size_t sampleCount = 0;
    // y[n] = amplitude cos(omega n + phase) + offset, n counted from the first sample.
    double amplitude = 0.0; // same unit as the samples
    double omega = 0.0;     // radians per sample
    double phase = 0.0;     // radians at the first sample, -pi ... pi
    double offset = 0.0;
    double residualRms = 0.0;
    double sinad = 0.0; // dB: 20 log10(amplitude / sqrt 2 / residualRms)
    double enob = 0.0;  // bits: log2(FSR / (sqrt 12 residualRms)); NaN without a range
    int iterations = 0;

    bool ok() const { return status == SineFitStatus::Ok; }
    double cyclesPerSample() const;
};

// A short stable name of the status for machine-read output ("ok", "no-tone", ...).
const char *sineFitStatusName(SineFitStatus status);

// The fit of n samples; fullScaleRange is the ADC's span in the samples' unit (2^bits for
// codes), 0 when unknown.
SineFit fitSine(const double *y, size_t n, double fullScaleRange);

// The residual y - fit, averaged per code of the fitted value (the input level rounded to an
// integer): how far the converter reads off at each input level. Binning by the output code
// instead would draw a sawtooth wherever the record visits few input levels (a coherent tone),
// each level's noise spreading it over neighbouring codes. Only codes that occur are listed, in
// increasing order; fits spanning more than 2^20 codes are binned by a power of two of codes,
// `code` being the bin's first.
struct CodeResidual {
    double code = 0.0;
    double mean = 0.0;
    uint64_t count = 0;
};
std::vector<CodeResidual> residualByCode(const double *y, size_t n, const SineFit &fit);

// The residual by the fitted phase psi = omega n + phase, in `bins` equal bins of 0 ... 2 pi.
// Its mean square is split by how it varies with psi: a constant floor (additive noise), a part
// that grows with cos^2 psi where the signal is at its peaks (amplitude noise) and one that grows
// with sin^2 psi where the signal is steepest (timing jitter). The three mean squares add up to
// the residual's.
struct PhaseResidual {
    std::vector<double> mean, rms; // per bin
    std::vector<uint64_t> count;
    double additiveRms = 0.0;
    double signalRms = 0.0;    // the part proportional to the signal
    double slopeRms = 0.0;     // the part proportional to the slope
    double relativeNoise = 0.0; // signalRms as a share of the amplitude (RMS of the gain error)
    double jitterSamples = 0.0; // slopeRms as an RMS sampling-time error, in samples
};
PhaseResidual residualByPhase(const double *y, size_t n, const SineFit &fit, int bins = 360);

// The residual's power spectrum over the largest power of two of samples the record holds (at
// most 2^20), in dB against the fitted tone's power; bin k lies at k / size cycles per sample.
struct ResidualSpectrum {
    std::vector<double> dbc;
    uint32_t size = 0; // the transform's length
};
ResidualSpectrum residualSpectrum(const double *y, size_t n, const SineFit &fit);
