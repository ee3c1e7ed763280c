#pragma once
// The code histogram of one channel of a delivered block, shared by the distribution dialog and
// orma-tool so that both give the same numbers.
#include "dsp/AdcDistribution.h"
#include "dsp/CodeDensity.h"
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

#include <QString>

#include <vector>

// Samples of the histogram inside the block's buffer: the whole buffer, or `width` samples from
// the displayed position.
SampleSpan histogramSpanOf(const BlockSnapshot &block, bool wholeRecord, uint64_t width);

// Why figures are withheld (the refusals), or what the shown ones stand for (WindowForRecord).
enum class HistogramReason {
    None,
    NoSamples,
    NoBitRange,
    TooManyBits,
    ChannelMissing,  // the channel asked for is not in the block
    NoSine,          // amplitude below one code: no INL or DNL
    WindowForRecord, // the whole record was asked for, the window is counted until it arrives
};
// The reason in words, English for the tool or Russian for the window; `bits` is the channel's.
QString reasonText(HistogramReason reason, int bits, bool isRussian);

// The descriptor of the file that holds buffer channel k: its bit range and voltage range are
// the channel's.
const FileParams &fileOfIndex(const BlockSnapshot &block, int k);
// Counts the channel (buffer index k) over the span with its file's bit range.
HistogramReason histogramOf(const BlockSnapshot &block, int k, SampleSpan span, CodeHistogram &out);

// Why the code-density test gives no figures, English for the tool or Russian for the window.
QString codeDensityReasonText(CodeDensityReason reason, bool isRussian);

// The plot's curve: the histogram on its scale, or the code-density test's DNL or INL per code
// (end-point, with the best-fit one as the second curve).
enum class DistributionCurve { Histogram, Dnl, Inl };

// One histogram to take: the block (held, so that its samples stay), the channel and span.
struct DistributionRequest {
    BlockSnapshotPtr block;
    int channelIndex = 0; // -1: the channel is missing from the block
    SampleSpan span;
    HistogramScale scale = HistogramScale::Counts;
    DistributionCurve curve = DistributionCurve::Histogram;
    CodeDensityOptions codeDensity;
    bool isMillivolts = false;
    bool windowForRecord = false; // the whole record was asked for and has not arrived
};
// The request for device channel `channelNumber`, over the whole record when `wholeRecord` and
// the block holds it, else over `width` samples from the displayed position.
DistributionRequest distributionRequest(const BlockSnapshotPtr &block, int channelNumber,
                                        bool wholeRecord, uint64_t width);

struct DistributionResult {
    QString error;      // why nothing was counted, in Russian: every figure is withheld
    QString sineReason; // why INL and DNL are withheld, in Russian; empty when they are shown
    QString spanNote;   // that the window stands for the record, in Russian; empty when not
    CodeHistogram histogram;
    CodeDistribution distribution;
    CodeDensity codeDensity;
    QString codeDensityReason; // why the code-density figures are withheld, in Russian
    std::vector<double> x;  // bin positions in the X unit
    std::vector<double> y;  // the scaled counts
    // The ideal distribution on the same scale, or the best-fit INL beside the end-point one;
    // empty when undefined or for the DNL.
    std::vector<double> ideal;
    double voltageRangeMv = 0.0;
    bool isMillivolts = false;
};

// The histogram with its curves in the dialog's units; runs on any thread.
DistributionResult computeDistribution(const DistributionRequest &request);
