#include "sources/measure/iq/IqReport.h"

#include "sources/measure/ReportText.h"

#include <QJsonArray>

namespace {

QJsonArray jsonSeries(const std::vector<double> &v)
{
    QJsonArray a;
    for (double x : v)
        a.append(jsonNumber(x));
    return a;
}

} // namespace

QJsonObject iqJson(const IqSlice &z, const IqFigures &f, const IqReportOptions &r)
{
    QJsonObject envelope{{"min", jsonNumber(f.envelopeStats.min)},
                         {"max", jsonNumber(f.envelopeStats.max)},
                         {"mean", jsonNumber(f.envelopeStats.mean)},
                         {"rms", jsonNumber(f.envelopeStats.rms)}};
    QJsonObject frequency{{"min", jsonNumber(f.frequencyStats.min)},
                          {"max", jsonNumber(f.frequencyStats.max)},
                          {"mean", jsonNumber(f.frequencyStats.mean)},
                          {"deviation", jsonNumber(f.frequencyStats.deviation)}};
    QJsonObject phase{{"first", jsonNumber(f.phase.front())},
                      {"last", jsonNumber(f.phase.back())},
                      {"unwrappedSpan", jsonNumber(f.span)}};
    QJsonObject out{{"file", r.files.first()},
                    {"pair", r.pair},
                    {"sampleRate", jsonNumber(z.sampleRate)},
                    {"first", z.x.empty() ? QJsonValue() : QJsonValue(z.x.front())},
                    {"samples", double(z.size())},
                    {"envelope", envelope},
                    {"frequency", frequency},
                    {"phase", phase}};
    if (r.series) {
        out["series"] = QJsonObject{{"sample", jsonSeries(z.x)},
                                    {"envelope", jsonSeries(f.envelope)},
                                    {"frequency", jsonSeries(f.frequency)},
                                    {"phase", jsonSeries(f.phase)}};
    }
    return out;
}

QString iqText(const IqSlice &z, const IqFigures &f, const IqReportOptions &r)
{
    // Each text lives to the end of the formatText that uses it.
    auto n = [](double v) { return formatNumber(v).toUtf8(); };
    QString text = formatText("%s: pair %d, %s Hz, %zu samples\n",
                              qUtf8Printable(r.files.join(QStringLiteral(", "))), r.pair,
                              n(z.sampleRate).constData(), z.size());
    text += formatText("  envelope   min %s  max %s  mean %s  RMS %s codes\n", n(f.envelopeStats.min).constData(),
                       n(f.envelopeStats.max).constData(), n(f.envelopeStats.mean).constData(),
                       n(f.envelopeStats.rms).constData());
    text += formatText("  frequency  min %s  max %s  mean %s  deviation %s Hz\n", n(f.frequencyStats.min).constData(),
                       n(f.frequencyStats.max).constData(), n(f.frequencyStats.mean).constData(),
                       n(f.frequencyStats.deviation).constData());
    text += formatText("  phase      first %s  last %s  unwrapped span %s deg\n", n(f.phase.front()).constData(),
                       n(f.phase.back()).constData(), n(f.span).constData());
    if (!r.series)
        return text;
    text += QStringLiteral("  sample envelope frequency phase\n");
    for (size_t i = 0; i < z.size(); ++i)
        text += formatText("  %.0f %s %s %s\n", z.x[i], n(f.envelope[i]).constData(),
                           n(f.frequency[i]).constData(), n(f.phase[i]).constData());
    return text;
}
