#include "sources/measure/histogram/HistogramReport.h"

#include "sources/measure/ReportText.h"
#include "sources/measure/histogram/HistogramJob.h"

#include <QJsonArray>

#include <cmath>

namespace {

QString codeDensityText(const CodeDensity &c, const HistogramReportOptions &o)
{
    QString text = QStringLiteral("  code density (IEEE 1241), LSB\n");
    if (!c.defined())
        return text + formatText("  %-22s %s\n", "not shown", qUtf8Printable(codeDensityReasonText(c.reason, false)));
    const auto clipped = [](bool is) { return is ? " (clipped)" : ""; };
    text += formatText("  %-22s %d%s ... %d%s, left out\n", "end codes", c.firstCode, clipped(c.clippedLow),
                       c.lastCode, clipped(c.clippedHigh));
    text += formatText("  %-22s %s codes, offset %s codes\n", "sine amplitude",
                       qUtf8Printable(formatNumber(c.amplitude)), qUtf8Printable(formatNumber(c.offset)));
    text += formatText("  %-22s %s at code %d\n", "max |DNL|", qUtf8Printable(formatNumber(c.maxDnl)), c.maxDnlCode);
    text += formatText("  %-22s %s at code %d\n", "max |INL| end-point", qUtf8Printable(formatNumber(c.maxInlEndPoint)),
                       c.maxInlEndPointCode);
    text += formatText("  %-22s %s at code %d\n", "max |INL| best-fit", qUtf8Printable(formatNumber(c.maxInlBestFit)),
                       c.maxInlBestFitCode);
    // The first ones name the pattern; a coherent record can miss thousands (the JSON has all).
    constexpr size_t ShownMissing = 32;
    QStringList missing;
    for (size_t i = 0; i < c.missingCodes.size() && i < ShownMissing; ++i)
        missing << QString::number(c.missingCodes[i]);
    if (c.missingCodes.size() > ShownMissing)
        missing << QStringLiteral("...");
    text += formatText("  %-22s %d%s%s\n", "missing codes", int(c.missingCodes.size()), missing.isEmpty() ? "" : ": ",
                       qUtf8Printable(missing.join(QLatin1Char(' '))));
    text += formatText("  %-22s %.0f for %s LSB at %s %%%s\n", "samples needed", std::ceil(c.samplesNeeded),
                       qUtf8Printable(formatNumber(o.codeDensity.dnlResolution)),
                       qUtf8Printable(formatNumber(100 * o.codeDensity.confidence)),
                       c.tooFewSamples ? ": too few samples, the DNL is coarser" : "");
    return text;
}

// Per-bin figures, null where a code has none.
QJsonArray binArray(const std::vector<double> &v)
{
    QJsonArray a;
    for (double x : v)
        a.append(jsonNumber(x));
    return a;
}

QJsonObject codeDensityJson(const CodeDensity &c, const HistogramReportOptions &o)
{
    QJsonObject j;
    j["dnlResolution"] = o.codeDensity.dnlResolution;
    j["confidence"] = o.codeDensity.confidence;
    j["samplesNeeded"] = std::ceil(c.samplesNeeded);
    j["tooFewSamples"] = c.tooFewSamples;
    if (!c.defined()) {
        j["valid"] = false;
        j["reason"] = codeDensityReasonText(c.reason, false);
        return j;
    }
    j["firstCode"] = c.firstCode;
    j["lastCode"] = c.lastCode;
    j["clippedLow"] = c.clippedLow;
    j["clippedHigh"] = c.clippedHigh;
    j["amplitude"] = c.amplitude;
    j["offset"] = c.offset;
    j["maxDnl"] = c.maxDnl;
    j["maxDnlCode"] = c.maxDnlCode;
    j["maxInlEndPoint"] = c.maxInlEndPoint;
    j["maxInlEndPointCode"] = c.maxInlEndPointCode;
    j["maxInlBestFit"] = c.maxInlBestFit;
    j["maxInlBestFitCode"] = c.maxInlBestFitCode;
    QJsonArray missing;
    for (int code : c.missingCodes)
        missing.append(code);
    j["missingCodes"] = missing;
    if (o.bins) {
        j["dnl"] = binArray(c.dnl);
        j["inlEndPoint"] = binArray(c.inlEndPoint);
        j["inlBestFit"] = binArray(c.inlBestFit);
    }
    return j;
}

} // namespace

QString histogramText(const HistogramFigures &f, const HistogramReportOptions &o)
{
    const CodeHistogram &h = f.histogram;
    const CodeDistribution &d = f.distribution;
    const auto code = [&](int bin) { return bin < 0 ? QStringLiteral("none") : QString::number(h.codeOfBin(bin)); };
    QString text;
    text += formatText("channel %d: %d bits, %d bins\n", f.channel, h.bitRange, h.binCount());
    text += formatText("  %-22s %llu\n", "samples", (unsigned long long)h.counted);
    text += formatText("  %-22s %llu below, %llu above the codes\n", "clamped samples",
                       (unsigned long long)h.clampedLow, (unsigned long long)h.clampedHigh);
    if (h.rejected)
        text += formatText("  %-22s %llu\n", "samples not a number", (unsigned long long)h.rejected);
    text += formatText("  %-22s %s codes, %s mV\n", "offset", qUtf8Printable(formatNumber(d.meanCode)),
                       qUtf8Printable(formatNumber(codeToMillivolts(d.meanCode, h.bitRange, f.rangeMv))));
    text += formatText("  %-22s %s codes\n", "amplitude", qUtf8Printable(formatNumber(d.amplitude)));
    text += formatText("  %-22s %s\n", "INL (mean rel. error)", qUtf8Printable(formatNumber(d.inl, 6)));
    text += formatText("  %-22s %s at code %d\n", "DNL", qUtf8Printable(formatNumber(f.dnl, 6)), o.marker);
    text += formatText("  %-22s %s ... %s\n", "sine codes", qUtf8Printable(code(d.firstBin)),
                       qUtf8Printable(code(d.lastBin)));
    text += formatText("  %-22s %s\n", "sum", qUtf8Printable(formatNumber(f.sum)));
    if (!f.reason.isEmpty())
        text += formatText("  %-22s %s\n", "not shown", qUtf8Printable(f.reason));
    if (f.codeDensity)
        text += codeDensityText(*f.codeDensity, o);
    if (!o.bins)
        return text;
    text += QStringLiteral("  code count ideal\n");
    for (int i = 0; i < h.binCount(); ++i)
        text += formatText("  %d %llu %s\n", h.codeOfBin(i), (unsigned long long)h.counts[size_t(i)],
                           qUtf8Printable(formatNumber(d.defined ? d.ideal[size_t(i)] * double(h.counted) : NAN)));
    return text;
}

QJsonObject histogramJson(const HistogramFigures &f, const HistogramReportOptions &o)
{
    const CodeHistogram &h = f.histogram;
    const CodeDistribution &d = f.distribution;
    QJsonObject j;
    j["file"] = o.file;
    j["channel"] = f.channel;
    j["wholeRecord"] = o.wholeRecord;
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
    if (!f.reason.isEmpty()) {
        j["valid"] = false;
        j["reason"] = f.reason;
    }
    if (f.codeDensity)
        j["ieee"] = codeDensityJson(*f.codeDensity, o);
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
