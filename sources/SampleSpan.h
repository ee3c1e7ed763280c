#pragma once
// Which buffer positions of a block a measurement takes, clamped to what the buffer holds, and
// the samples there, in place or copied.
#include "dsp/BufferSpan.h"
#include "sources/BlockSnapshot.h"

#include <cstdint>
#include <vector>

// The oscilloscope's view of the record as the measurement dialogs follow it.
struct ScopeWindow {
    double firstSample = 0.0; // record sample numbers at the window's edges
    double lastSample = 0.0;
    int width = 0;            // samples shown
    int currentChannel = -1;  // device number, -1 for none
};

// Up to `count` positions starting at the first whose record sample number is not below
// `firstSample` (the index axis), inside the buffer.
SampleSpan spanFromSample(const BlockSnapshot &block, double firstSample, uint64_t count);
// The positions whose record sample numbers lie in [firstSample, lastSample].
SampleSpan spanOfSamples(const BlockSnapshot &block, double firstSample, double lastSample);
// The window's samples: `width` from its first one.
SampleSpan spanOfWindow(const BlockSnapshot &block, const ScopeWindow &window);
// The whole buffer.
SampleSpan wholeBuffer(const BlockSnapshot &block);

// The first sample of buffer channel k in the span; null when the block has no such channel or
// the span leaves the buffer.
const double *channelAt(const BlockSnapshot &block, int k, const SampleSpan &span);
// Buffer channel k over the span; empty when the block has no such channel.
std::vector<double> copyChannel(const BlockSnapshot &block, int k, const SampleSpan &span);
// The index axis over the span.
std::vector<double> copyIndex(const BlockSnapshot &block, const SampleSpan &span);
