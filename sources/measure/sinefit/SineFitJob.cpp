#include "sources/measure/sinefit/SineFitJob.h"

#include <algorithm>
#include <cmath>

SineFitJob makeSineFitJob(const BlockSnapshotPtr &blockPtr, int channelNumber, const SampleSpan &span)
{
    SineFitJob job;
    job.channel = channelNumber;
    job.keep = blockPtr;
    const BlockSnapshot &block = *blockPtr;
    const int k = block.channels.indexOf(channelNumber);
    const double *s = k >= 0 && block.channelSamples(k) ? channelAt(block, k, span) : nullptr;
    job.present = s != nullptr;
    if (!job.present)
        return job;
    job.samples = s;
    job.size = size_t(span.count);
    job.firstSample = block.index ? block.index[span.offset] : double(span.offset);
    const FileParams &file = block.fileOfChannel(channelNumber);
    job.sampleRate = file.sampleRate;
    job.fullScaleRange = file.bitRange > 0 ? std::ldexp(1.0, file.bitRange) : 0.0;
    if (const ChannelRecord *r = block.channelRecord(k)) {
        if (const std::optional<double> start = block.analysedStart()) {
            job.fftSinad = r->sinad;
            job.fftEnob = r->enob;
            job.fftSize = block.fftSize;
            job.fftStart = *start;
        }
    }
    return job;
}

SineFit measureSineFit(const SineFitJob &job)
{
    return job.present ? fitSine(job.samples, job.size, job.fullScaleRange) : SineFit{};
}

QString sineFitReasonText(const SineFitJob &job, const SineFit &fit, bool isRussian)
{
    if (!job.present)
        return isRussian ? QString::fromUtf8("канала нет в данных: выберите другой канал")
                         : QStringLiteral("the channel is not in the data; choose one of the record's channels");
    switch (fit.status) {
    case SineFitStatus::Ok: break;
    case SineFitStatus::TooShort:
        return isRussian ? QString::fromUtf8("меньше %1 отсчетов: увеличьте длину измерения").arg(SineFitMinSamples)
                         : QStringLiteral("fewer than %1 samples; measure a longer span").arg(SineFitMinSamples);
    case SineFitStatus::NoTone:
        return isRussian ? QString::fromUtf8("в записи нет тона, выступающего над шумом: подайте синус")
                         : QStringLiteral("the record holds no tone that stands above its noise; record a sine");
    case SineFitStatus::FewPeriods:
        return isRussian ? QString::fromUtf8("тон дает меньше двух периодов: увеличьте длину измерения")
                         : QStringLiteral("the tone makes fewer than two periods; measure a longer span");
    case SineFitStatus::NearNyquist:
        return isRussian ? QString::fromUtf8("тон у половины частоты дискретизации: понизьте частоту тона")
                         : QStringLiteral("the tone lies at half the sample rate; use a lower tone");
    case SineFitStatus::NoConvergence:
        return isRussian ? QString::fromUtf8("частота не уточняется (несколько тонов или сильные помехи)")
                         : QStringLiteral("the frequency does not settle (several tones or strong interference)");
    }
    return QString();
}

QString sineFitEnobReasonText(const SineFitJob &job, const SineFit &fit, bool isRussian)
{
    if (!fit.ok() || job.fullScaleRange > 0)
        return QString();
    return isRussian ? QString::fromUtf8("в описании записи нет разрядности АЦП: задайте ее")
                     : QStringLiteral("the record gives no ADC bit range; set it in the record's description");
}

SineFitCurves sineFitCurves(const SineFitJob &job, const SineFit &fit, SineFitView view)
{
    SineFitCurves c;
    if (!job.present || !fit.ok())
        return c;
    // A short block fills a few samples into each of 360 bins at best: fewer, wider bins.
    c.phase = residualByPhase(job.samples, job.size, fit, int(std::clamp<size_t>(job.size / 16, 16, 360)));
    switch (view) {
    case SineFitView::ByCode:
        for (const CodeResidual &r : residualByCode(job.samples, job.size, fit)) {
            c.x.push_back(r.code);
            c.y.push_back(r.mean);
        }
        break;
    case SineFitView::ByPhase: {
        const size_t bins = c.phase.mean.size();
        for (size_t k = 0; k < bins; ++k) {
            if (c.phase.count[k] == 0) // a coherent tone visits only some phases: no zero for the rest
                continue;
            c.x.push_back((double(k) + 0.5) * 360.0 / double(bins));
            c.y.push_back(c.phase.mean[k]);
            c.y2.push_back(c.phase.rms[k]);
        }
        break;
    }
    case SineFitView::Spectrum: {
        const ResidualSpectrum s = residualSpectrum(job.samples, job.size, fit);
        const double rate = job.sampleRate > 0 ? job.sampleRate : 1.0;
        for (size_t k = 0; k < s.dbc.size(); ++k)
            c.x.push_back(double(k) * rate / s.size);
        c.y = s.dbc;
        break;
    }
    }
    return c;
}
