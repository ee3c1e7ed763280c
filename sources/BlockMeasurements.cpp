#include "sources/BlockMeasurements.h"

#include <algorithm>

SampleSpan histogramSpanOf(const BlockSnapshot &block, bool wholeRecord, uint64_t width)
{
    const uint64_t length = block.samples ? block.sampleLength : 0;
    if (wholeRecord)
        return histogramSpan(length, 0, length);
    const ReadWindow &w = block.window;
    const uint64_t start = w.position > w.windowStart ? w.position - w.windowStart : 0;
    return histogramSpan(length, start, width);
}

HistogramRefusal histogramOf(const BlockSnapshot &block, int k, SampleSpan span, CodeHistogram &out)
{
    const int bits = block.firstFile().bitRange;
    if (bits == 0)
        return HistogramRefusal::NoBitRange;
    if (bits > MaxHistogramBits)
        return HistogramRefusal::TooManyBits;
    const double *samples = block.channelSamples(k);
    if (!samples)
        return HistogramRefusal::NoSamples;
    resetHistogram(out, bits);
    countCodes(out, samples + span.offset, span.count);
    return HistogramRefusal::None;
}

QString refusalText(HistogramRefusal refusal, int bits, bool isRussian)
{
    switch (refusal) {
    case HistogramRefusal::None:
        return QString();
    case HistogramRefusal::NoSamples:
        return isRussian ? QString::fromUtf8("у канала нет отсчетов")
                         : QStringLiteral("the channel holds no samples");
    case HistogramRefusal::NoBitRange:
        return isRussian ? QString::fromUtf8("разрядность АЦП не задана (BIT_RANGE_ = 0)")
                         : QStringLiteral("the record gives no bit range (BIT_RANGE_ is 0)");
    case HistogramRefusal::TooManyBits:
        return isRussian
                   ? QString::fromUtf8("разрядность %1 больше %2: гистограмма из 2^%1 кодов не строится")
                         .arg(bits)
                         .arg(MaxHistogramBits)
                   : QStringLiteral("a bit range of %1 is above %2: a histogram of 2^%1 codes is not taken")
                         .arg(bits)
                         .arg(MaxHistogramBits);
    }
    return QString();
}

int deviceRowCount(const BlockSnapshot &block)
{
    const FileParams &p = block.firstFile();
    if (!p.hasChannels())
        return 0;
    return int(std::min<uint64_t>(p.channelCount, block.records.size()));
}

DeviceValues deviceValues(const ChannelRecord &r)
{
    return {r.sfdr, r.snr, r.thd, r.sinad, r.enob};
}

double ChannelImd::frequency(double storedBin) const
{
    return layout.signedBin(storedBin, binCount) * hzPerBin;
}

ChannelImd imdOf(const BlockSnapshot &block, int k)
{
    ChannelImd imd;
    const double *spectrum = block.channelSpectrum(k);
    if (!spectrum)
        return imd;
    imd.layout = {block.spectrumComplex, block.spectrum.spectrumRange == 1};
    const int m = block.binCount;
    imd.binCount = m;
    imd.result = measureImd(spectrum, m, block.mainLobeWidth, imd.layout);
    const double rate = k < block.channels.totalCount()
                            ? block.fileOfChannel(block.channels.numbers().value(k)).sampleRate
                            : block.sampleRate();
    imd.hzPerBin = block.fftSize ? rate / block.fftSize : 0.0;
    imd.defined = true;
    return imd;
}
