#pragma once
// One phase-mismatch measurement as a value: copies of four channels' samples taken from a
// block in the GUI thread, measured anywhere (a pool thread, the command line), the outcome
// handed back. Nothing in it points into a block or a source.
#include "dsp/PhaseMismatch.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <array>
#include <vector>

struct PhaseMisJob {
    static constexpr int ChannelCount = 4; // the reference first
    std::array<int, ChannelCount> channels{};
    std::array<bool, ChannelCount> present{};
    std::array<std::vector<double>, ChannelCount> samples;
    // Hz measured from each channel's spectrum in the block; 0 when it has none.
    std::array<double, ChannelCount> recordFrequency{};
    double sampleRate = 0.0;
};

// The measured span: the oscilloscope window (from its first sample, `width` samples) or the
// whole buffer.
PhaseMisJob makePhaseMisJob(const BlockSnapshot &block,
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
