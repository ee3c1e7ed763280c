#pragma once
// One sine-fit measurement as a value: a channel's span of a delivered block, with what the
// block's spectrum said of the same channel, fitted anywhere (a pool thread, the command line).
// The job points into the block and keeps it alive; a delivered block is never written again.
#include "dsp/SineFit.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <QString>

#include <cmath>
#include <memory>
#include <vector>

struct SineFitJob {
    int channel = -1;     // device channel number
    bool present = false; // the block holds the channel's samples
    const double *samples = nullptr;
    size_t size = 0;
    std::shared_ptr<const void> keep; // what the samples point into
    double firstSample = 0.0;         // record sample number of samples[0]
    double sampleRate = 0.0;
    double fullScaleRange = 0.0; // 2^bits codes; 0 when the record gives no bit range
    // The block's spectrum of the channel: its SINAD and ENOB, over fftSize samples from
    // fftStart (NaN when the block has no spectrum of samples).
    double fftSinad = NAN, fftEnob = NAN;
    uint32_t fftSize = 0;
    double fftStart = NAN;
};

SineFitJob makeSineFitJob(const BlockSnapshotPtr &block, int channelNumber, const SampleSpan &span);

SineFit measureSineFit(const SineFitJob &job);

// Why the fit gives no figures, English for the tool or Russian for the window; empty when it
// gives them.
QString sineFitReasonText(const SineFitJob &job, const SineFit &fit, bool isRussian);
// Why ENOB alone is withheld; empty when it is shown.
QString sineFitEnobReasonText(const SineFitJob &job, const SineFit &fit, bool isRussian);

// The residual views the window plots.
enum class SineFitView { ByCode, ByPhase, Spectrum };

struct SineFitCurves {
    std::vector<double> x, y; // codes / degrees / Hz (cycles per sample without a rate)
    std::vector<double> y2;   // by phase: the RMS beside the mean; else empty
    PhaseResidual phase;      // the residual's split by phase, whatever the view
};
SineFitCurves sineFitCurves(const SineFitJob &job, const SineFit &fit, SineFitView view);
