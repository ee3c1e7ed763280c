#pragma once
// One phase-mismatch measurement as a value: four channels' spans of a block, measured anywhere
// (a pool thread, the command line), the outcome handed back. The job points into the block and
// keeps it alive; a delivered block is never written again, so nothing needs copying, and
// nothing in the job points into a source.
#include "dsp/PhaseMismatch.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <array>
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
    double sampleRate = 0.0;
};

// The measured span: the oscilloscope window (from its first sample, `width` samples) or the
// whole buffer.
PhaseMisJob makePhaseMisJob(const BlockSnapshotPtr &block,
                            const std::array<int, PhaseMisJob::ChannelCount> &channels,
                            const SampleSpan &span);

struct PhaseMisOutcome {
    std::array<PhaseResult, PhaseMisJob::ChannelCount - 1> phases; // channels 2, 3, 4
    // Each channel's period, s: 1 / the frequency of its spectrum, else from its crossings;
    // 0 when neither is known.
    std::array<double, PhaseMisJob::ChannelCount> periodSeconds{};
    double sampleRate = 0.0;
    uint64_t sampleCount = 0;

    // The reference period in samples, the unit the phase converts through.
    double referencePeriodSamples() const { return periodSeconds[0] * sampleRate; }
};

PhaseMisOutcome measurePhaseMis(const PhaseMisJob &job);
