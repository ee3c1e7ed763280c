#include "sources/measure/phase/PhaseMisReport.h"

#include "sources/measure/ReportText.h"

#include <QJsonArray>

#include <cmath>

namespace {

constexpr PhaseMisUnit PhaseUnits[] = {PhaseMisUnit::Degrees, PhaseMisUnit::Radians, PhaseMisUnit::Samples,
                                       PhaseMisUnit::Seconds};
const char *const PhaseKeys[] = {"degrees", "radians", "samples", "seconds"};

// The first reason among figures, None when all are right.
PhaseMisReason firstReason(std::initializer_list<PhaseMisFigure> figures)
{
    for (const PhaseMisFigure &f : figures) {
        if (f.reason != PhaseMisReason::None)
            return f.reason;
    }
    return PhaseMisReason::None;
}

// "valid", and the reason beside it when not.
void markValidity(QJsonObject &o, PhaseMisReason reason)
{
    o["valid"] = reason == PhaseMisReason::None;
    if (reason != PhaseMisReason::None)
        o["reason"] = phaseMisReasonText(reason, false);
}

QString textOf(const PhaseMisFigure &f, double scale, const char *unit)
{
    if (!f.shown())
        return QStringLiteral("withheld: ") + phaseMisReasonText(f.reason, false);
    return formatNumber(f.value * scale) + QLatin1Char(' ') + QLatin1String(unit);
}

} // namespace

QString phaseMisReasonText(PhaseMisReason reason, bool isRussian)
{
    switch (reason) {
    case PhaseMisReason::None: break;
    case PhaseMisReason::Energy:
        return isRussian ? QString::fromUtf8("энергии канала и опорного различаются более чем вдвое: выровняйте амплитуды")
                         : QStringLiteral("the channel's energy and the reference's differ by more than a factor "
                                          "of two; give the channels comparable amplitudes");
    case PhaseMisReason::FewReference:
        return isRussian ? QString::fromUtf8("в опорном канале не больше 4 периодов: увеличьте длину измерения")
                         : QStringLiteral("the reference shows 4 or fewer periods; measure a longer span");
    case PhaseMisReason::FewOther:
        return isRussian ? QString::fromUtf8("в канале не больше 4 периодов: увеличьте длину измерения")
                         : QStringLiteral("the channel shows 4 or fewer periods; measure a longer span");
    case PhaseMisReason::Absent:
        return isRussian ? QString::fromUtf8("канала нет в данных: выберите другой канал")
                         : QStringLiteral("the channel is not in the data; choose one of the record's channels");
    case PhaseMisReason::Unpaired:
        return isRussian ? QString::fromUtf8("переходы каналов не сопоставляются (разные частоты или шум): "
                                             "измеряйте каналы с одним тоном")
                         : QStringLiteral("the channels' crossings do not keep one distance (different tones or "
                                          "noise at the level); measure channels that carry the same tone");
    case PhaseMisReason::NoSampleRate:
        return isRussian ? QString::fromUtf8("частота дискретизации записи равна 0: задайте ее, чтобы получить время")
                         : QStringLiteral("the record's sample rate is 0, so no time can be given; set the "
                                          "record's sample rate");
    case PhaseMisReason::NoPeriod:
        return isRussian ? QString::fromUtf8("меньше двух периодов, а спектр не разрешает тон: увеличьте длину "
                                             "измерения или БПФ")
                         : QStringLiteral("the samples hold under two periods and the spectrum does not resolve "
                                          "the tone; measure a longer span or use a larger FFT");
    }
    return QString();
}

QJsonObject phaseMisJson(const PhaseMisJob &job, const PhaseMisOutcome &o, const PhaseMisReportOptions &r)
{
    QJsonArray channels, phases;
    for (int c = 0; c < r.channelCount; ++c) {
        const PhaseMisFigure seconds = periodFigure(o, size_t(c), PhaseMisUnit::Seconds);
        const PhaseMisFigure samples = periodFigure(o, size_t(c), PhaseMisUnit::Samples);
        QJsonObject ch;
        ch["channel"] = job.channels[size_t(c)];
        ch["present"] = job.present[size_t(c)];
        ch["frequency"] = jsonNumber(1.0 / seconds.value);
        ch["period"] = jsonNumber(seconds.value);
        ch["periodSamples"] = jsonNumber(samples.value);
        markValidity(ch, firstReason({seconds, samples}));
        channels.append(ch);
        if (c == 0)
            continue;
        const PhaseResult &p = o.phases[size_t(c - 1)];
        QJsonObject ph;
        ph["channel"] = job.channels[size_t(c)];
        ph["status"] = QLatin1String(phaseStatusName(p.status));
        ph["failure"] = p.ok() ? QJsonValue() : QJsonValue(p.degrees);
        PhaseMisReason reason = PhaseMisReason::None;
        for (size_t u = 0; u < std::size(PhaseUnits); ++u) {
            const PhaseMisFigure f = phaseFigure(o, size_t(c - 1), PhaseUnits[u]);
            ph[PhaseKeys[u]] = jsonNumber(f.value);
            if (reason == PhaseMisReason::None)
                reason = f.reason;
        }
        markValidity(ph, reason);
        phases.append(ph);
    }
    QJsonObject out;
    out["file"] = r.files.first();
    out["sampleRate"] = jsonNumber(o.sampleRate);
    out["samples"] = double(o.sampleCount);
    out["reference"] = job.channels[0];
    const PhaseMisFigure reference = periodFigure(o, 0, PhaseMisUnit::Seconds);
    out["referencePeriod"] = jsonNumber(reference.value);
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
        text += formatText("channel %d\n", job.channels[size_t(c)]);
        if (!job.present[size_t(c)]) {
            text += QStringLiteral("  not in the record\n");
        } else {
            const PhaseMisFigure period = periodFigure(o, size_t(c), PhaseMisUnit::Seconds);
            const PhaseMisFigure frequency{1.0 / period.value, period.reason};
            text += formatText("  %-10s %s\n  %-10s %s\n", "frequency", qUtf8Printable(textOf(frequency, 1, "Hz")),
                               "period", qUtf8Printable(textOf(period, 1e6, "us")));
        }
        if (c == 0)
            continue;
        const size_t k = size_t(c - 1);
        const char *const units[] = {"deg", "rad", "samples", "us"};
        const double scales[] = {1, 1, 1, 1e6};
        QStringList figures;
        for (size_t u = 0; u < std::size(PhaseUnits); ++u)
            figures << textOf(phaseFigure(o, k, PhaseUnits[u]), scales[u], units[u]);
        text += formatText("  %-10s %s (%s)\n", "phase", qUtf8Printable(figures.join(QStringLiteral(", "))),
                           phaseStatusName(o.phases[k].status));
        if (!o.phases[k].ok())
            text += formatText("  %-10s %s\n", "reason",
                               qUtf8Printable(phaseMisReasonText(phaseMisReasonOf(o.phases[k].status), false)));
    }
    return text;
}
