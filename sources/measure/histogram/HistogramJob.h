#pragma once
// The code histogram of one channel of a delivered block, shared by the distribution dialog and
// orma-tool so that both give the same numbers.
#include "dsp/AdcDistribution.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <QString>

#include <vector>

// Samples of the histogram inside the block's buffer: the whole buffer, or `width` samples from
// the displayed position.
SampleSpan histogramSpanOf(const BlockSnapshot &block, bool wholeRecord, uint64_t width);

// Why no histogram could be taken.
enum class HistogramRefusal { None, NoSamples, NoBitRange, TooManyBits };
// Counts the channel (buffer index k) over the span with the block's own bit range.
HistogramRefusal histogramOf(const BlockSnapshot &block, int k, SampleSpan span, CodeHistogram &out);
// The refusal in words, English for the tool or Russian for the window; `bits` is the block's.
QString refusalText(HistogramRefusal refusal, int bits, bool isRussian);

// One histogram to take: the block (held, so that its samples stay), the channel and span.
struct DistributionRequest {
    BlockSnapshotPtr block;
    int channelIndex = 0;
    SampleSpan span;
    HistogramScale scale = HistogramScale::Counts;
    bool isMillivolts = false;
};

struct DistributionResult {
    QString error;          // why nothing was counted
    CodeHistogram histogram;
    CodeDistribution distribution;
    std::vector<double> x;  // bin positions in the X unit
    std::vector<double> y;  // the scaled counts
    std::vector<double> ideal; // the ideal distribution on the same scale; empty when undefined
    double voltageRangeMv = 0.0;
    bool isMillivolts = false;
};

// The histogram with its curves in the dialog's units; runs on any thread.
DistributionResult computeDistribution(const DistributionRequest &request);
