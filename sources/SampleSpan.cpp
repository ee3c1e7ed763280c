#include "sources/SampleSpan.h"

#include <algorithm>

namespace {

uint64_t bufferLength(const BlockSnapshot &block)
{
    return block.samples ? block.sampleLength : 0;
}

// First buffer position whose sample number is not below `sample` (above it: `after`).
uint64_t positionOf(const BlockSnapshot &block, double sample, bool after = false)
{
    const uint64_t n = bufferLength(block);
    if (!block.index)
        return 0;
    const double *index = block.index.get();
    const double *at = after ? std::upper_bound(index, index + n, sample)
                             : std::lower_bound(index, index + n, sample);
    return uint64_t(at - index);
}

} // namespace

SampleSpan spanFromSample(const BlockSnapshot &block, double firstSample, uint64_t count)
{
    SampleSpan span;
    span.offset = positionOf(block, firstSample);
    span.count = std::min(count, bufferLength(block) - span.offset);
    return span;
}

SampleSpan spanOfSamples(const BlockSnapshot &block, double firstSample, double lastSample)
{
    SampleSpan span;
    span.offset = positionOf(block, firstSample);
    const uint64_t end = positionOf(block, lastSample, true);
    span.count = end > span.offset ? end - span.offset : 0;
    return span;
}

SampleSpan spanOfWindow(const BlockSnapshot &block, const ScopeWindow &window)
{
    return spanFromSample(block, window.firstSample, uint64_t(std::max(0, window.width)));
}

SampleSpan wholeBuffer(const BlockSnapshot &block)
{
    return SampleSpan{0, bufferLength(block)};
}

const double *channelAt(const BlockSnapshot &block, int k, const SampleSpan &span)
{
    const double *s = block.channelSamples(k);
    if (!s || span.offset + span.count > bufferLength(block))
        return nullptr;
    return s + span.offset;
}

std::vector<double> copyChannel(const BlockSnapshot &block, int k, const SampleSpan &span)
{
    const double *s = channelAt(block, k, span);
    return s ? std::vector<double>(s, s + span.count) : std::vector<double>();
}

std::vector<double> copyIndex(const BlockSnapshot &block, const SampleSpan &span)
{
    if (!block.index || span.offset + span.count > bufferLength(block))
        return {};
    const double *x = block.index.get();
    return std::vector<double>(x + span.offset, x + span.offset + span.count);
}
