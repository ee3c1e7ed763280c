// orma-tool histogram: the ADC code distribution of one channel, in a window of the record or
// over all of it, compared with the ideal distribution of a sine.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/histogram/HistogramJob.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace {

struct HistogramOptions {
    AnalysisOptions analysis;
    int channel = -1;
    uint64_t width = 65536;
    bool whole = false;
    int marker = 0;
    double sumFrom = -INFINITY, sumTo = INFINITY;
    bool bins = false;
};

bool parse(const QStringList &args, HistogramOptions &h)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--channel", "--width", "--marker", "--sum"},
                   analysisFlags() + QSet<QString>{"--all", "--bins"});
    readAnalysisOptions(cl, QStringLiteral("histogram"), h.analysis);
    h.channel = int(cl.integer("--channel", -1, 0, INT32_MAX));
    h.width = uint64_t(cl.integer("--width", qint64(h.width), 1, INT64_MAX));
    h.whole = cl.has("--all");
    if (h.whole && (cl.has("--width") || cl.has("--position")))
        cl.fail(QStringLiteral("--all takes the whole record: it goes with neither --position nor --width"));
    h.marker = int(cl.integer("--marker", 0, INT32_MIN, INT32_MAX));
    if (cl.has("--sum")) {
        const QString text = cl.values("--sum").last();
        const QStringList ends = text.split(QLatin1Char(':'));
        bool okFrom = false, okTo = false;
        if (ends.size() == 2) {
            h.sumFrom = ends[0].toInt(&okFrom);
            h.sumTo = ends[1].toInt(&okTo);
        }
        if (!okFrom || !okTo)
            cl.fail(QStringLiteral("--sum %1: expected FROM:TO, two codes").arg(text));
    }
    h.bins = cl.has("--bins");
    if (!cl.ok())
        reportError(cl.error());
    return cl.ok();
}

struct Figures {
    const CodeHistogram &histogram;
    const CodeDistribution &distribution;
    double rangeMv;
    int channel;
    double dnl;
    double sum;
};

void printText(const Figures &f, const HistogramOptions &o)
{
    const CodeHistogram &h = f.histogram;
    const CodeDistribution &d = f.distribution;
    const auto code = [&](int bin) { return bin < 0 ? QStringLiteral("none") : QString::number(h.codeOfBin(bin)); };
    std::printf("channel %d: %d bits, %d bins\n", f.channel, h.bitRange, h.binCount());
    std::printf("  %-22s %llu\n", "samples", (unsigned long long)h.counted);
    std::printf("  %-22s %llu below, %llu above the codes\n", "clamped samples",
                (unsigned long long)h.clampedLow, (unsigned long long)h.clampedHigh);
    if (h.rejected)
        std::printf("  %-22s %llu\n", "samples not a number", (unsigned long long)h.rejected);
    std::printf("  %-22s %s codes, %s mV\n", "offset", qPrintable(formatNumber(d.meanCode)),
                qPrintable(formatNumber(codeToMillivolts(d.meanCode, h.bitRange, f.rangeMv))));
    std::printf("  %-22s %s codes\n", "amplitude", qPrintable(formatNumber(d.amplitude)));
    std::printf("  %-22s %s\n", "INL (mean rel. error)", qPrintable(formatNumber(d.inl, 6)));
    std::printf("  %-22s %s at code %d\n", "DNL", qPrintable(formatNumber(f.dnl, 6)), o.marker);
    std::printf("  %-22s %s ... %s\n", "sine codes", qPrintable(code(d.firstBin)),
                qPrintable(code(d.lastBin)));
    std::printf("  %-22s %s\n", "sum", qPrintable(formatNumber(f.sum)));
    if (!o.bins)
        return;
    std::printf("  code count ideal\n");
    for (int i = 0; i < h.binCount(); ++i)
        std::printf("  %d %llu %s\n", h.codeOfBin(i), (unsigned long long)h.counts[size_t(i)],
                    qPrintable(formatNumber(d.defined ? d.ideal[size_t(i)] * double(h.counted) : NAN)));
}

QJsonObject json(const Figures &f, const HistogramOptions &o)
{
    const CodeHistogram &h = f.histogram;
    const CodeDistribution &d = f.distribution;
    QJsonObject j;
    j["file"] = o.analysis.files.first();
    j["channel"] = f.channel;
    j["wholeRecord"] = o.whole;
    j["bitRange"] = h.bitRange;
    j["binCount"] = h.binCount();
    j["samples"] = double(h.counted);
    j["clampedLow"] = double(h.clampedLow);
    j["clampedHigh"] = double(h.clampedHigh);
    j["rejected"] = double(h.rejected);
    j["offsetCodes"] = jsonNumber(d.meanCode);
    j["offsetMv"] = jsonNumber(codeToMillivolts(d.meanCode, h.bitRange, f.rangeMv));
    j["amplitude"] = jsonNumber(d.amplitude);
    j["inl"] = jsonNumber(d.inl);
    j["marker"] = o.marker;
    j["dnl"] = jsonNumber(f.dnl);
    j["firstCode"] = d.firstBin < 0 ? QJsonValue() : QJsonValue(h.codeOfBin(d.firstBin));
    j["lastCode"] = d.lastBin < 0 ? QJsonValue() : QJsonValue(h.codeOfBin(d.lastBin));
    j["sum"] = jsonNumber(f.sum);
    if (o.bins) {
        QJsonArray codes, counts, ideal;
        for (int i = 0; i < h.binCount(); ++i) {
            codes.append(h.codeOfBin(i));
            counts.append(double(h.counts[size_t(i)]));
            // Ideal counts, comparable with the measured ones.
            ideal.append(d.defined ? QJsonValue(d.ideal[size_t(i)] * double(h.counted)) : QJsonValue());
        }
        j["codes"] = codes;
        j["counts"] = counts;
        j["ideal"] = ideal;
    }
    return j;
}

} // namespace

int histogramCommand(const QStringList &args)
{
    HistogramOptions o;
    if (!parse(args, o))
        return ExitUsage;
    BlockSnapshotPtr block;
    const int status = analyseRecord(o.analysis, block, [&](FileSource &s) {
        if (o.whole)
            s.setAllDataMode(true);
        else
            s.setPosition(o.analysis.position, 3 * o.width);
    });
    if (status != ExitOk)
        return status;
    QString error;
    const int k = channelIndexOf(*block, o.channel, error);
    CodeHistogram h;
    if (k >= 0)
        error = refusalText(histogramOf(*block, k, histogramSpanOf(*block, o.whole, o.width), h),
                            block->firstFile().bitRange, false);
    if (!error.isEmpty()) {
        reportError(o.analysis.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    const CodeDistribution d = analyseDistribution(h);
    const Figures f{h,
                    d,
                    double(block->firstFile().voltageRangeMv),
                    block->channels.numbers().value(k),
                    dnlAtCode(h, d, o.marker),
                    sumBetweenCodes(h, scaleHistogram(h, HistogramScale::Counts), o.sumFrom, o.sumTo)};
    if (o.analysis.json)
        printJson(json(f, o));
    else
        printText(f, o);
    return ExitOk;
}
