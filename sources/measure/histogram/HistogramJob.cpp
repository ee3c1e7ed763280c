#include "sources/measure/histogram/HistogramJob.h"

#include <algorithm>
#include <cmath>

SampleSpan histogramSpanOf(const BlockSnapshot &block, bool wholeRecord, uint64_t width)
{
    const uint64_t length = block.samples ? block.sampleLength : 0;
    if (wholeRecord)
        return histogramSpan(length, 0, length);
    const ReadWindow &w = block.window;
    const uint64_t start = w.position > w.windowStart ? w.position - w.windowStart : 0;
    return histogramSpan(length, start, width);
}

const FileParams &fileOfIndex(const BlockSnapshot &block, int k)
{
    const size_t file = size_t(block.channels.fileOfIndex(k));
    return file < block.fileParams.size() ? block.fileParams[file] : block.firstFile();
}

HistogramReason histogramOf(const BlockSnapshot &block, int k, SampleSpan span, CodeHistogram &out)
{
    if (k < 0)
        return HistogramReason::ChannelMissing;
    const int bits = fileOfIndex(block, k).bitRange;
    if (bits == 0)
        return HistogramReason::NoBitRange;
    if (bits > MaxHistogramBits)
        return HistogramReason::TooManyBits;
    const double *samples = block.channelSamples(k);
    if (!samples)
        return HistogramReason::NoSamples;
    resetHistogram(out, bits);
    countCodes(out, samples + span.offset, span.count);
    return HistogramReason::None;
}

QString reasonText(HistogramReason reason, int bits, bool isRussian)
{
    switch (reason) {
    case HistogramReason::None:
        return QString();
    case HistogramReason::NoSamples:
        return isRussian ? QString::fromUtf8("у канала нет отсчетов")
                         : QStringLiteral("the channel holds no samples");
    case HistogramReason::NoBitRange:
        return isRussian ? QString::fromUtf8("разрядность АЦП не задана (BIT_RANGE_ = 0)")
                         : QStringLiteral("the record gives no bit range (BIT_RANGE_ is 0)");
    case HistogramReason::TooManyBits:
        return isRussian
                   ? QString::fromUtf8("разрядность %1 больше %2: гистограмма из 2^%1 кодов не строится")
                         .arg(bits)
                         .arg(MaxHistogramBits)
                   : QStringLiteral("a bit range of %1 is above %2: a histogram of 2^%1 codes is not taken")
                         .arg(bits)
                         .arg(MaxHistogramBits);
    case HistogramReason::ChannelMissing:
        return isRussian ? QString::fromUtf8("текущего канала нет в принятом блоке")
                         : QStringLiteral("the current channel is missing from the block");
    case HistogramReason::NoSine:
        return isRussian ? QString::fromUtf8("амплитуда меньше одного кода: синус не различим")
                         : QStringLiteral("the amplitude is below one code: there is no sine to compare with");
    case HistogramReason::WindowForRecord:
        return isRussian ? QString::fromUtf8("показано окно осциллографа: вся выборка еще не получена")
                         : QStringLiteral("the window is shown: the whole record has not arrived yet");
    }
    return QString();
}

QString codeDensityReasonText(CodeDensityReason reason, bool isRussian)
{
    switch (reason) {
    case CodeDensityReason::None:
        return QString();
    case CodeDensityReason::NoSamples:
        return isRussian ? QString::fromUtf8("нет отсчетов") : QStringLiteral("there are no samples");
    case CodeDensityReason::TooFewCodes:
        return isRussian ? QString::fromUtf8("сигнал занимает меньше трех кодов: ширина ни одного кода не измерима")
                         : QStringLiteral("the signal spans fewer than three codes: no code's width can be measured");
    case CodeDensityReason::BadOptions:
        return isRussian ? QString::fromUtf8("разрешение ДНЛ должно быть больше 0, доверительная вероятность — между 0 и 1")
                         : QStringLiteral("the DNL resolution must be above 0 and the confidence between 0 and 1");
    }
    return QString();
}

DistributionRequest distributionRequest(const BlockSnapshotPtr &block, int channelNumber,
                                        bool wholeRecord, uint64_t width)
{
    DistributionRequest request;
    request.block = block;
    request.channelIndex = block->channels.indexOf(channelNumber);
    // Whole-record counting only once the block holds the whole record.
    const bool whole = wholeRecord && block->window.allDataMode;
    request.windowForRecord = wholeRecord && !whole;
    request.span = histogramSpanOf(*block, whole, width);
    return request;
}

DistributionResult computeDistribution(const DistributionRequest &request)
{
    DistributionResult r;
    r.isMillivolts = request.isMillivolts;
    const BlockSnapshot &block = *request.block;
    const FileParams &file = fileOfIndex(block, request.channelIndex);
    r.error = reasonText(histogramOf(block, request.channelIndex, request.span, r.histogram),
                         file.bitRange, true);
    if (!r.error.isEmpty())
        return r;
    const CodeHistogram &h = r.histogram;
    r.distribution = analyseDistribution(h);
    r.voltageRangeMv = file.voltageRangeMv;
    if (!r.distribution.defined)
        r.sineReason = reasonText(HistogramReason::NoSine, h.bitRange, true);
    if (request.windowForRecord)
        r.spanNote = reasonText(HistogramReason::WindowForRecord, h.bitRange, true);
    r.x.resize(size_t(h.binCount()));
    for (int i = 0; i < h.binCount(); ++i)
        r.x[size_t(i)] = request.isMillivolts
                             ? codeToMillivolts(h.codeOfBin(i), h.bitRange, r.voltageRangeMv)
                             : h.codeOfBin(i);
    r.codeDensity = analyseCodeDensity(h, request.codeDensity);
    r.codeDensityReason = codeDensityReasonText(r.codeDensity.reason, true);
    if (request.curve != DistributionCurve::Histogram) {
        // Codes without a figure (outside the sine, its end codes) lie on zero.
        const auto figures = [](std::vector<double> v) {
            for (double &x : v)
                if (!std::isfinite(x))
                    x = 0.0;
            return v;
        };
        const CodeDensity &c = r.codeDensity;
        if (!c.defined())
            r.y.assign(size_t(h.binCount()), 0.0);
        else if (request.curve == DistributionCurve::Dnl)
            r.y = figures(c.dnl);
        else {
            r.y = figures(c.inlEndPoint);
            r.ideal = figures(c.inlBestFit);
        }
        return r;
    }
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
