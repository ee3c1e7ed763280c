#include "sources/measure/sinefit/SineFitReport.h"

#include "sources/measure/ReportText.h"

#include <cmath>

namespace {

constexpr double Degrees = 180.0 / M_PI;

// The figures both forms print, NaN where withheld.
struct Figures {
    double frequency = NAN, cycles = NAN, amplitude = NAN, phaseDeg = NAN, offset = NAN;
    double residualRms = NAN, sinad = NAN, enob = NAN;
    PhaseResidual split;
    double jitterSeconds = NAN;
};

Figures figuresOf(const SineFitJob &job, const SineFit &fit)
{
    Figures f;
    if (!fit.ok())
        return f;
    f.cycles = fit.cyclesPerSample();
    f.frequency = job.sampleRate > 0 ? f.cycles * job.sampleRate : NAN;
    f.amplitude = fit.amplitude;
    f.phaseDeg = fit.phase * Degrees;
    f.offset = fit.offset;
    f.residualRms = fit.residualRms;
    f.sinad = fit.sinad;
    f.enob = fit.enob;
    f.split = residualByPhase(job.samples, job.size, fit);
    f.jitterSeconds = job.sampleRate > 0 ? f.split.jitterSamples / job.sampleRate : NAN;
    return f;
}

QString fftNote(const SineFitJob &job)
{
    if (job.fftSize == 0)
        return QStringLiteral("the block has no spectrum of samples");
    return formatText("%u samples from %.0f", job.fftSize, job.fftStart);
}

} // namespace

QJsonObject sineFitJson(const SineFitJob &job, const SineFit &fit, const QString &file)
{
    const Figures f = figuresOf(job, fit);
    QJsonObject o;
    o["file"] = file;
    o["channel"] = job.channel;
    o["present"] = job.present;
    o["position"] = jsonNumber(job.firstSample);
    o["samples"] = double(job.size);
    o["sampleRate"] = jsonNumber(job.sampleRate);
    o["status"] = job.present ? QLatin1String(sineFitStatusName(fit.status)) : QLatin1String("absent");
    o["valid"] = job.present && fit.ok();
    const QString reason = sineFitReasonText(job, fit, false);
    if (!reason.isEmpty())
        o["reason"] = reason;
    o["iterations"] = fit.iterations;
    o["frequency"] = jsonNumber(f.frequency);
    o["cyclesPerSample"] = jsonNumber(f.cycles);
    o["amplitude"] = jsonNumber(f.amplitude);
    o["phaseDegrees"] = jsonNumber(f.phaseDeg);
    o["offset"] = jsonNumber(f.offset);
    o["residualRms"] = jsonNumber(f.residualRms);
    o["sinad"] = jsonNumber(f.sinad);
    o["enob"] = jsonNumber(f.enob);
    const QString enobReason = sineFitEnobReasonText(job, fit, false);
    if (!enobReason.isEmpty())
        o["enobReason"] = enobReason;
    QJsonObject split;
    split["additiveRms"] = jsonNumber(fit.ok() ? f.split.additiveRms : NAN);
    split["signalRms"] = jsonNumber(fit.ok() ? f.split.signalRms : NAN);
    split["slopeRms"] = jsonNumber(fit.ok() ? f.split.slopeRms : NAN);
    split["relativeNoise"] = jsonNumber(fit.ok() ? f.split.relativeNoise : NAN);
    split["jitterSamples"] = jsonNumber(fit.ok() ? f.split.jitterSamples : NAN);
    split["jitterSeconds"] = jsonNumber(f.jitterSeconds);
    o["phaseSplit"] = split;
    QJsonObject fft;
    fft["size"] = double(job.fftSize);
    fft["start"] = jsonNumber(job.fftStart);
    fft["sinad"] = jsonNumber(job.fftSinad);
    fft["enob"] = jsonNumber(job.fftEnob);
    fft["valid"] = job.fftSize > 0;
    if (job.fftSize == 0)
        fft["reason"] = fftNote(job);
    o["fft"] = fft;
    return o;
}

QString sineFitText(const SineFitJob &job, const SineFit &fit, const QString &file)
{
    QString text = formatText("%s: channel %d, %zu samples from %.0f, %s Hz\n", qUtf8Printable(file), job.channel,
                              job.size, job.firstSample, qUtf8Printable(formatNumber(job.sampleRate)));
    const QString reason = sineFitReasonText(job, fit, false);
    if (!reason.isEmpty())
        return text + formatText("  withheld: %s\n", qUtf8Printable(reason));
    const Figures f = figuresOf(job, fit);
    const auto line = [&](const char *name, double v, const char *unit, int decimals = 3) {
        text += formatText("  %-14s %s %s\n", name, qUtf8Printable(formatNumber(v, decimals)), unit);
    };
    line("frequency", f.frequency, "Hz", 6);
    line("amplitude", f.amplitude, "codes");
    line("phase", f.phaseDeg, "deg");
    line("offset", f.offset, "codes");
    line("residual RMS", f.residualRms, "codes", 4);
    const QString fft = fftNote(job);
    text += formatText("  %-14s %s dB (FFT: %s dB, %s)\n", "SINAD", qUtf8Printable(formatNumber(f.sinad, 2)),
                       qUtf8Printable(formatNumber(job.fftSinad, 2)), qUtf8Printable(fft));
    const QString enobReason = sineFitEnobReasonText(job, fit, false);
    text += formatText("  %-14s %s (FFT: %s bits)\n", "ENOB",
                       qUtf8Printable(enobReason.isEmpty() ? formatNumber(f.enob, 3) + QStringLiteral(" bits")
                                                           : QStringLiteral("withheld: ") + enobReason),
                       qUtf8Printable(formatNumber(job.fftEnob, 3)));
    text += formatText("  %-14s additive %s, with the signal %s, with the slope %s codes RMS\n", "residual split",
                       qUtf8Printable(formatNumber(f.split.additiveRms, 4)),
                       qUtf8Printable(formatNumber(f.split.signalRms, 4)),
                       qUtf8Printable(formatNumber(f.split.slopeRms, 4)));
    text += formatText("  %-14s %s samples RMS (%s s)\n", "jitter", qUtf8Printable(formatNumber(f.split.jitterSamples, 6)),
                       qUtf8Printable(QString::number(f.jitterSeconds, 'g', 4)));
    return text;
}
