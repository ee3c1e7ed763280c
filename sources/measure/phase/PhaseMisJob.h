#pragma once
// One phase-mismatch measurement as a value: four channels' spans of a block, measured anywhere
// (a pool thread, the command line), the outcome handed back. The job points into the block and
// keeps it alive; a delivered block is never written again, so nothing needs copying, and
// nothing in the job points into a source.
#include "dsp/PhaseMismatch.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <array>
#include <cmath>
#include <memory>

struct PhaseMisJob {
    static constexpr int ChannelCount = 4; // the reference first
    std::array<int, ChannelCount> channels{};
    std::array<bool, ChannelCount> present{};
    struct Samples {
        const double *data = nullptr;
        size_t size = 0;
    };
    std::array<Samples, ChannelCount> samples;
    std::shared_ptr<const void> keep; // what the samples point into
    // Hz measured from each channel's spectrum in the block; 0 when it has none.
    std::array<double, ChannelCount> recordFrequency{};
    uint32_t fftSize = 0; // of those spectra; 0 when unknown
    double sampleRate = 0.0;
};

// The measured span: the oscilloscope window (from its first sample, `width` samples) or the
// whole buffer.
PhaseMisJob makePhaseMisJob(const BlockSnapshotPtr &block,
                            const std::array<int, PhaseMisJob::ChannelCount> &channels,
                            const SampleSpan &span);

struct PhaseMisOutcome {
    std::array<PhaseResult, PhaseMisJob::ChannelCount - 1> phases; // channels 2, 3, 4
    std::array<bool, PhaseMisJob::ChannelCount> present{};
    // Each channel's period: 1 / the frequency of its spectrum where the spectrum resolves the
    // tone (its FFT holds two periods, and it agrees with the crossings to 0.1 % where they
    // give a period), else the mean distance of its crossings; 0 when neither is known, and
    // in seconds also without a sample rate.
    std::array<double, PhaseMisJob::ChannelCount> periodSeconds{};
    std::array<double, PhaseMisJob::ChannelCount> periodSamples{};
    double sampleRate = 0.0;
    uint64_t sampleCount = 0;

    // The unit the phase converts through.
    double referencePeriodSamples() const { return periodSamples[0]; }
};

PhaseMisOutcome measurePhaseMis(const PhaseMisJob &job);

// Why a figure is not shown (or, for a failed phase, why its failure value is).
enum class PhaseMisReason { None, Energy, FewReference, FewOther, Absent, Unpaired, NoSampleRate, NoPeriod };

PhaseMisReason phaseMisReasonOf(PhaseStatus status);

enum class PhaseMisUnit { Degrees, Radians, Samples, Seconds };

struct PhaseMisFigure {
    double value = NAN; // NAN when withheld
    PhaseMisReason reason = PhaseMisReason::None;

    bool shown() const { return std::isfinite(value); }
};

// The phase of channel c + 2 against the reference; a failed phase is its failure value
// with the failure as reason. Times need the reference period and, in seconds, the rate.
PhaseMisFigure phaseFigure(const PhaseMisOutcome &o, size_t c, PhaseMisUnit unit);
// The period of channel c in samples or seconds.
PhaseMisFigure periodFigure(const PhaseMisOutcome &o, size_t c, PhaseMisUnit unit);
