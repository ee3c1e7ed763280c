#include "sources/measure/phase/PhaseMisJob.h"

#include <algorithm>
#include <cmath>

PhaseMisJob makePhaseMisJob(const BlockSnapshotPtr &blockPtr,
                            const std::array<int, PhaseMisJob::ChannelCount> &channels,
                            const SampleSpan &span)
{
    PhaseMisJob job;
    job.channels = channels;
    job.keep = blockPtr;
    const BlockSnapshot &block = *blockPtr;
    for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
        const int k = block.channels.indexOf(channels[size_t(c)]);
        job.present[size_t(c)] = k >= 0 && block.channelSamples(k);
        if (!job.present[size_t(c)])
            continue;
        if (const double *s = channelAt(block, k, span))
            job.samples[size_t(c)] = {s, size_t(span.count)};
        job.sampleRate = job.sampleRate > 0 ? job.sampleRate : block.fileOfChannel(channels[size_t(c)]).sampleRate;
        if (const ChannelRecord *r = block.channelRecord(k))
            job.recordFrequency[size_t(c)] = r->fundamentalFrequency;
    }
    job.fftSize = block.fftSize;
    return job;
}

namespace {

struct Period {
    double samples = 0.0, seconds = 0.0;
};

// The spectrum's tone where it resolves it, else the crossings' period.
Period periodOf(double spectrumHz, double crossingSamples, double rate, uint32_t fftSize)
{
    const bool known = std::isfinite(spectrumHz) && spectrumHz > 0 && rate > 0;
    const bool resolved = crossingSamples > 0 ? std::abs(spectrumHz * crossingSamples / rate - 1) <= 1e-3
                                              : spectrumHz * double(fftSize) / rate >= 2;
    if (known && resolved)
        return {rate / spectrumHz, 1.0 / spectrumHz};
    return {crossingSamples, rate > 0 ? crossingSamples / rate : 0.0};
}

} // namespace

PhaseMisReason phaseMisReasonOf(PhaseStatus status)
{
    switch (status) {
    case PhaseStatus::Ok: return PhaseMisReason::None;
    case PhaseStatus::Energy: return PhaseMisReason::Energy;
    case PhaseStatus::FewReference: return PhaseMisReason::FewReference;
    case PhaseStatus::FewOther: return PhaseMisReason::FewOther;
    case PhaseStatus::Absent: return PhaseMisReason::Absent;
    case PhaseStatus::Unpaired: return PhaseMisReason::Unpaired;
    }
    return PhaseMisReason::Absent;
}

namespace {

// `samples` in the unit asked for, or why it cannot be.
PhaseMisFigure timeFigure(double samples, double rate, PhaseMisUnit unit)
{
    if (unit == PhaseMisUnit::Seconds && !(rate > 0))
        return {NAN, PhaseMisReason::NoSampleRate};
    if (!std::isfinite(samples))
        return {NAN, PhaseMisReason::NoPeriod};
    return {unit == PhaseMisUnit::Seconds ? samples / rate : samples, PhaseMisReason::None};
}

} // namespace

PhaseMisOutcome measurePhaseMis(const PhaseMisJob &job)
{
    PhaseMisOutcome out;
    out.sampleRate = job.sampleRate;
    std::array<ChannelCrossings, PhaseMisJob::ChannelCount> crossings;
    out.present = job.present;
    for (size_t c = 0; c < crossings.size(); ++c) {
        if (!job.present[c])
            continue;
        const PhaseMisJob::Samples &s = job.samples[c];
        crossings[c] = channelCrossings(s.data, s.size);
        out.sampleCount = std::max<uint64_t>(out.sampleCount, s.size);
        const Period p = periodOf(job.recordFrequency[c], crossings[c].periodSamples(), job.sampleRate, job.fftSize);
        out.periodSamples[c] = p.samples;
        out.periodSeconds[c] = p.seconds;
    }
    for (size_t c = 1; c < crossings.size(); ++c) {
        PhaseResult &r = out.phases[c - 1];
        if (job.present[0] && job.present[c])
            r = phaseBetween(crossings[0], crossings[c]);
        else
            r = PhaseResult{PhaseStatus::Absent, PhaseAbsentFailure};
    }
    return out;
}

PhaseMisFigure phaseFigure(const PhaseMisOutcome &o, size_t c, PhaseMisUnit unit)
{
    const PhaseResult &p = o.phases[c];
    const PhaseMisReason failure = phaseMisReasonOf(p.status);
    PhaseMisFigure f;
    if (unit == PhaseMisUnit::Degrees || unit == PhaseMisUnit::Radians) {
        f.value = unit == PhaseMisUnit::Degrees ? p.degrees : p.degrees * M_PI / 180.0;
    } else {
        const double period = o.referencePeriodSamples();
        f = timeFigure(period > 0 ? p.degrees / 360.0 * period : NAN, o.sampleRate, unit);
    }
    if (f.shown())
        f.reason = failure;
    return f;
}

PhaseMisFigure periodFigure(const PhaseMisOutcome &o, size_t c, PhaseMisUnit unit)
{
    if (!o.present[c])
        return {NAN, PhaseMisReason::Absent};
    const double samples = o.periodSamples[c];
    return timeFigure(samples > 0 ? samples : NAN, o.sampleRate, unit);
}
