#pragma once
// The measurement dialogs' figures taken from one delivered block, shared by the dialogs and
// orma-tool so that both give the same numbers.
#include "dsp/AdcDistribution.h"
#include "dsp/DeviceTable.h"
#include "dsp/Intermod.h"
#include "sources/BlockSnapshot.h"

#include <QString>

// Samples of the histogram inside the block's buffer: the whole buffer, or `width` samples from
// the displayed position.
SampleSpan histogramSpanOf(const BlockSnapshot &block, bool wholeRecord, uint64_t width);

// Why no histogram could be taken.
enum class HistogramRefusal { None, NoSamples, NoBitRange, TooManyBits };
// Counts the channel (buffer index k) over the span with the block's own bit range.
HistogramRefusal histogramOf(const BlockSnapshot &block, int k, SampleSpan span, CodeHistogram &out);
// The refusal in words, English for the tool or Russian for the window; `bits` is the block's.
QString refusalText(HistogramRefusal refusal, int bits, bool isRussian);

// Rows of the device table: one per channel of the current record that has a record, never
// more than the block holds (a descriptor not parsed yet claims 0xFFFFFFFF channels).
int deviceRowCount(const BlockSnapshot &block);
DeviceValues deviceValues(const ChannelRecord &record);

// Intermodulation of the channel (buffer index k) from its stored spectrum, with the length,
// main lobe and layout the spectrum was built with. `defined` is false without a spectrum.
struct ChannelImd {
    bool defined = false;
    ImdResult result;
    double hzPerBin = 0.0;    // frequency of one bin
    int binCount = 0;
    SpectrumLayout layout;
    double frequency(double storedBin) const;
};
ChannelImd imdOf(const BlockSnapshot &block, int k);
