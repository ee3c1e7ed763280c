// orma-tool histogram: the ADC code distribution of one channel, in a window of the record or
// over all of it, compared with the ideal distribution of a sine; with --ieee also the
// code-density test's DNL and INL in LSB.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/histogram/HistogramJob.h"
#include "sources/measure/histogram/HistogramReport.h"

#include <cmath>

namespace {

struct HistogramOptions {
    AnalysisOptions analysis;
    int channel = -1;
    uint64_t width = 65536;
    bool whole = false;
    int marker = 0;
    double sumFrom = -INFINITY, sumTo = INFINITY;
    bool bins = false;
    bool ieee = false;
    CodeDensityOptions codeDensity;
};

bool parse(const QStringList &args, HistogramOptions &h)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--channel", "--width", "--marker", "--sum",
                                                             "--dnl-resolution", "--confidence"},
                   analysisFlags() + QSet<QString>{"--all", "--bins", "--ieee"});
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
    h.ieee = cl.has("--ieee");
    if (!h.ieee && (cl.has("--dnl-resolution") || cl.has("--confidence")))
        cl.fail(QStringLiteral("--dnl-resolution and --confidence shape the code-density test: they go with --ieee"));
    h.codeDensity.dnlResolution = cl.real("--dnl-resolution", h.codeDensity.dnlResolution, 1e-6, 1e6);
    const double percent = cl.real("--confidence", 100 * h.codeDensity.confidence, 1e-6, 99.9999);
    h.codeDensity.confidence = percent / 100;
    if (!cl.ok())
        reportError(cl.error());
    return cl.ok();
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
    if (!o.whole && positionBeyondRecord(o.analysis.files.first(), o.analysis.position, *block))
        return ExitRecord;
    QString error;
    const int k = channelIndexOf(*block, o.channel, error);
    CodeHistogram h;
    if (k >= 0)
        error = reasonText(histogramOf(*block, k, histogramSpanOf(*block, o.whole, o.width), h),
                           fileOfIndex(*block, k).bitRange, false);
    if (!error.isEmpty()) {
        reportError(o.analysis.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    const CodeDistribution d = analyseDistribution(h);
    const CodeDensity density = o.ieee ? analyseCodeDensity(h, o.codeDensity) : CodeDensity();
    const HistogramFigures f{h,
                             d,
                             double(fileOfIndex(*block, k).voltageRangeMv),
                             block->channels.numbers().value(k),
                             dnlAtCode(h, d, o.marker),
                             sumBetweenCodes(h, scaleHistogram(h, HistogramScale::Counts), o.sumFrom, o.sumTo),
                             d.defined ? QString() : reasonText(HistogramReason::NoSine, h.bitRange, false),
                             o.ieee ? &density : nullptr};
    const HistogramReportOptions report{o.analysis.files.first(), o.whole, o.marker, o.bins, o.codeDensity};
    if (o.analysis.json)
        printJson(histogramJson(f, report));
    else
        printText(histogramText(f, report));
    return ExitOk;
}
