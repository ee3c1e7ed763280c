#include "sources/measure/phase/PhaseMisReport.h"

#include "sources/measure/ReportText.h"

#include <QJsonArray>

#include <cmath>

namespace {

// A phase in the units the dialog offers.
struct PhaseUnits {
    double degrees, radians, samples, seconds;
};

PhaseUnits inUnits(double degrees, const PhaseMisOutcome &o)
{
    const double period = o.referencePeriodSamples();
    const double samples = period > 0 ? degrees / 360.0 * period : NAN;
    return {degrees, degrees * M_PI / 180.0, samples, o.sampleRate > 0 ? samples / o.sampleRate : NAN};
}

QJsonValue failureCode(const PhaseResult &r)
{
    return r.ok() ? QJsonValue() : QJsonValue(r.degrees);
}

} // namespace

QJsonObject phaseMisJson(const PhaseMisJob &job, const PhaseMisOutcome &o, const PhaseMisReportOptions &r)
{
    QJsonArray channels, phases;
    for (int c = 0; c < r.channelCount; ++c) {
        const double period = o.periodSeconds[size_t(c)];
        QJsonObject ch;
        ch["channel"] = job.channels[size_t(c)];
        ch["present"] = job.present[size_t(c)];
        ch["frequency"] = period > 0 ? jsonNumber(1.0 / period) : QJsonValue();
        ch["period"] = period > 0 ? jsonNumber(period) : QJsonValue();
        channels.append(ch);
        if (c == 0)
            continue;
        const PhaseResult &p = o.phases[size_t(c - 1)];
        const PhaseUnits u = inUnits(p.degrees, o);
        QJsonObject ph;
        ph["channel"] = job.channels[size_t(c)];
        ph["status"] = QLatin1String(phaseStatusName(p.status));
        ph["failure"] = failureCode(p);
        ph["degrees"] = jsonNumber(u.degrees);
        ph["radians"] = jsonNumber(u.radians);
        ph["samples"] = jsonNumber(u.samples);
        ph["seconds"] = jsonNumber(u.seconds);
        phases.append(ph);
    }
    QJsonObject out;
    out["file"] = r.files.first();
    out["sampleRate"] = jsonNumber(o.sampleRate);
    out["samples"] = double(o.sampleCount);
    out["reference"] = job.channels[0];
    const double period = o.periodSeconds[0];
    out["referencePeriod"] = period > 0 ? jsonNumber(period) : QJsonValue();
    out["channels"] = channels;
    out["phases"] = phases;
    return out;
}

QString phaseMisText(const PhaseMisJob &job, const PhaseMisOutcome &o, const PhaseMisReportOptions &r)
{
    QString text = formatText("%s: %s Hz, %llu samples measured, reference channel %d\n",
                              qUtf8Printable(r.files.join(QStringLiteral(", "))),
                              qUtf8Printable(formatNumber(o.sampleRate)),
                              static_cast<unsigned long long>(o.sampleCount), job.channels[0]);
    for (int c = 0; c < r.channelCount; ++c) {
        const double period = o.periodSeconds[size_t(c)];
        text += formatText("channel %d\n", job.channels[size_t(c)]);
        if (!job.present[size_t(c)]) {
            text += QStringLiteral("  not in the record\n");
        } else if (period > 0) {
            text += formatText("  %-10s %s Hz\n  %-10s %s us\n", "frequency",
                               qUtf8Printable(formatNumber(1.0 / period)), "period",
                               qUtf8Printable(formatNumber(period * 1e6)));
        }
        if (c == 0)
            continue;
        const PhaseResult &p = o.phases[size_t(c - 1)];
        const PhaseUnits u = inUnits(p.degrees, o);
        text += formatText("  %-10s %s deg, %s rad, %s samples, %s us (%s)\n", "phase",
                           qUtf8Printable(formatNumber(u.degrees)), qUtf8Printable(formatNumber(u.radians)),
                           qUtf8Printable(formatNumber(u.samples)), qUtf8Printable(formatNumber(u.seconds * 1e6)),
                           phaseStatusName(p.status));
    }
    return text;
}
