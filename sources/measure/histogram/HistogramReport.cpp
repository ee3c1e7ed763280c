#include "sources/measure/histogram/HistogramReport.h"

#include "sources/measure/ReportText.h"

#include <QJsonArray>

#include <cmath>

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
