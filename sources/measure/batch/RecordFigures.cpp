#include "sources/measure/batch/RecordFigures.h"

#include "sources/measure/ReportText.h"
#include "sources/measure/devparams/DeviceTableJob.h"
#include "sources/measure/devparams/DeviceTableReport.h"
#include "sources/measure/histogram/HistogramJob.h"
#include "sources/measure/imd/ImdJob.h"
#include "sources/measure/phase/PhaseMisJob.h"
#include "sources/measure/sinefit/SineFitJob.h"

namespace {

void takeDynamics(const BlockSnapshot &block, std::vector<ChannelFigures> &out)
{
    const DeviceRows rows = deviceRows(block);
    for (size_t r = 0; r < rows.channels.size(); ++r) {
        ChannelFigures c;
        c.channel = rows.channels[r];
        c.device = rows.values[r];
        c.datasheet = rows.datasheet[r];
        const ChannelRecord &record = block.records[r];
        c.fundamentalFrequency = record.fundamentalFrequency;
        c.fundamentalDbfs =
            decibelsFullScale(record.fundamentalRms, block.fileOfChannel(c.channel).voltageRangeMv);
        const ChannelImd imd = imdOf(block, block.channels.indexOf(c.channel));
        const ImdWithheld w = imd.result.imd3Verdict.withheld;
        c.twoTones = imd.defined && w != ImdWithheld::NoTone && w != ImdWithheld::NoSecondTone;
        if (c.twoTones) {
            c.imd2 = imd.result.imd2;
            c.imd3 = imd.result.imd3;
        }
        out.push_back(c);
    }
}

void takeCodeDensity(const BlockSnapshot &block, int k, const CodeDensityOptions &options,
                     ChannelFigures &c)
{
    CodeHistogram h;
    if (histogramOf(block, k, histogramSpanOf(block, true, 0), h) != HistogramReason::None)
        return;
    const CodeDensity d = analyseCodeDensity(h, options);
    if (!d.defined())
        return;
    c.offsetCodes = d.offset;
    c.amplitudeCodes = d.amplitude;
    c.maxDnl = d.maxDnl;
    c.maxInl = d.maxInlEndPoint;
    c.missingCodes = int(d.missingCodes.size());
}

void takeSineFit(const BlockSnapshotPtr &block, ChannelFigures &c)
{
    const SineFitJob job = makeSineFitJob(block, c.channel, wholeBuffer(*block));
    const SineFit fit = measureSineFit(job);
    if (!fit.ok())
        return;
    c.fitFrequency = job.sampleRate > 0 ? fit.cyclesPerSample() * job.sampleRate : NAN;
    c.fitAmplitude = fit.amplitude;
    c.fitSinad = fit.sinad;
    c.fitEnob = fit.enob;
}

// The phase job measures three channels against its first: the record's first channel is the
// reference of every group.
void takePhases(const BlockSnapshotPtr &block, std::vector<ChannelFigures> &out)
{
    constexpr size_t Others = PhaseMisJob::ChannelCount - 1;
    for (size_t first = 1; first < out.size(); first += Others) {
        std::array<int, PhaseMisJob::ChannelCount> channels;
        channels.fill(-1);
        channels[0] = out[0].channel;
        for (size_t j = 0; j < Others && first + j < out.size(); ++j)
            channels[j + 1] = out[first + j].channel;
        const PhaseMisOutcome o = measurePhaseMis(makePhaseMisJob(block, channels, wholeBuffer(*block)));
        for (size_t j = 0; j < Others && first + j < out.size(); ++j)
            if (o.phases[j].ok())
                out[first + j].phaseDegrees = o.phases[j].degrees;
    }
}

} // namespace

RecordFigures measureRecordFigures(const QString &file, const BlockSnapshot &analysed,
                                   const BlockSnapshotPtr &whole,
                                   const CodeDensityOptions &codeDensity)
{
    RecordFigures r;
    r.file = file;
    takeDynamics(analysed, r.channels);
    if (r.channels.empty()) {
        r.error = QStringLiteral("the record has no channels");
        return r;
    }
    for (ChannelFigures &c : r.channels) {
        const int k = whole->channels.indexOf(c.channel);
        if (k < 0)
            continue;
        takeCodeDensity(*whole, k, codeDensity, c);
        takeSineFit(whole, c);
    }
    takePhases(whole, r.channels);
    return r;
}

bool DeviceCriteria::any() const
{
    for (bool n : named)
        if (n)
            return true;
    return false;
}

ChannelVerdicts judgeChannel(const ChannelFigures &c, const DeviceCriteria &criteria)
{
    ChannelVerdicts v;
    for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
        v[f] = !criteria.named[f] ? Verdict::NotJudged
               : figurePasses(DeviceFigure(f), c.device[f], criteria.values[f]) ? Verdict::Pass
                                                                                : Verdict::Fail;
    return v;
}

bool channelPasses(const ChannelVerdicts &v)
{
    for (Verdict x : v)
        if (x == Verdict::Fail)
            return false;
    return true;
}

QString missedCriteria(const ChannelFigures &c, const DeviceCriteria &criteria)
{
    const ChannelVerdicts v = judgeChannel(c, criteria);
    QStringList missed;
    for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
        if (v[f] == Verdict::Fail)
            missed << QStringLiteral("%1 %2 %3 %4")
                          .arg(QLatin1String(DeviceFigureKeys[f]), formatNumber(c.device[f], 2),
                               f == FigureThd ? QStringLiteral(">") : QStringLiteral("<"),
                               formatNumber(criteria.values[f], 2));
    return missed.join(QStringLiteral("; "));
}
