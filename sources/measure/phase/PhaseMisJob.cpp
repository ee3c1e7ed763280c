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
    return job;
}

PhaseMisOutcome measurePhaseMis(const PhaseMisJob &job)
{
    PhaseMisOutcome out;
    out.sampleRate = job.sampleRate;
    std::array<ChannelCrossings, PhaseMisJob::ChannelCount> crossings;
    for (size_t c = 0; c < crossings.size(); ++c) {
        if (!job.present[c])
            continue;
        const PhaseMisJob::Samples &s = job.samples[c];
        crossings[c] = channelCrossings(s.data, s.size);
        out.sampleCount = std::max<uint64_t>(out.sampleCount, s.size);
        const double f = job.recordFrequency[c], t = crossings[c].periodSamples();
        if (std::isfinite(f) && f > 0)
            out.periodSeconds[c] = 1.0 / f;
        else if (t > 0 && job.sampleRate > 0)
            out.periodSeconds[c] = t / job.sampleRate;
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
