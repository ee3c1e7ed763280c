#include "sources/measure/histogram/HistogramJob.h"

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

DistributionResult computeDistribution(const DistributionRequest &request)
{
    DistributionResult r;
    r.isMillivolts = request.isMillivolts;
    const BlockSnapshot &block = *request.block;
    r.error = refusalText(histogramOf(block, request.channelIndex, request.span, r.histogram),
                          block.firstFile().bitRange, true);
    if (!r.error.isEmpty())
        return r;
    const CodeHistogram &h = r.histogram;
    r.distribution = analyseDistribution(h);
    r.voltageRangeMv = block.firstFile().voltageRangeMv;
    r.x.resize(size_t(h.binCount()));
    for (int i = 0; i < h.binCount(); ++i)
        r.x[size_t(i)] = request.isMillivolts
                             ? codeToMillivolts(h.codeOfBin(i), h.bitRange, r.voltageRangeMv)
                             : h.codeOfBin(i);
    r.y = scaleHistogram(h, request.scale);
    if (r.distribution.defined) {
        // The ideal counts on the measured curve's scale.
        double factor = 1.0;
        if (request.scale == HistogramScale::Counts)
            factor = double(h.counted);
        else if (request.scale == HistogramScale::RelativeToMax) {
            const double peak = double(*std::max_element(h.counts.begin(), h.counts.end()));
            factor = peak > 0 ? double(h.counted) / peak : 0.0;
        }
        r.ideal = r.distribution.ideal;
        for (double &v : r.ideal)
            v *= factor;
    }
    return r;
}
