// orma-tool phase: the phase-mismatch measurement of the viewer on a record: one block read
// through FileSource, the span the dialog measures (a window of the record or the whole of
// it), each channel's period and the phase of channels 2..4 against the first.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "sources/record/FileSource.h"
#include "sources/measure/phase/PhaseMisJob.h"
#include "sources/measure/phase/PhaseMisReport.h"

namespace {

struct PhaseSettings {
    QStringList files;
    std::array<int, PhaseMisJob::ChannelCount> channels{};
    int channelCount = 0;
    uint64_t position = 0;
    uint64_t length = 65536;
    bool whole = false;
    uint32_t fftSize = 1024;
    bool json = false;
};

bool parse(const QStringList &args, PhaseSettings &s, QString &error)
{
    CommandLine cl(args, {"--channels", "--position", "--length", "--fft"}, {"--whole", "--json"});
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(QStringLiteral("phase needs at least one record file"));
    if (!cl.has("--channels")) {
        cl.fail(QStringLiteral("phase needs --channels A,B[,C,D] (the reference first)"));
    } else {
        const QStringList list = cl.values("--channels").last().split(QLatin1Char(','));
        if (list.size() < 2 || list.size() > PhaseMisJob::ChannelCount)
            cl.fail(QStringLiteral("--channels takes 2 to 4 channel numbers, not ") + list.join(','));
        for (int c = 0; c < list.size() && c < PhaseMisJob::ChannelCount; ++c) {
            bool ok = false;
            s.channels[size_t(c)] = list.at(c).trimmed().toInt(&ok);
            if (!ok || s.channels[size_t(c)] < 0)
                cl.fail(QStringLiteral("--channels: ") + list.at(c) + QStringLiteral(" is not a channel number"));
        }
        s.channelCount = std::min<int>(list.size(), PhaseMisJob::ChannelCount);
    }
    if (cl.has("--whole") && cl.has("--length"))
        cl.fail(QStringLiteral("give --length or --whole, not both"));
    s.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    s.length = uint64_t(cl.integer("--length", qint64(s.length), 2, qint64(1) << 31));
    const qint64 fft = cl.integer("--fft", s.fftSize, 2, qint64(1) << 23);
    if (fft & (fft - 1))
        cl.fail(QStringLiteral("--fft must be a power of two"));
    s.fftSize = uint32_t(fft);
    s.whole = cl.has("--whole");
    s.json = cl.has("--json");
    error = cl.error();
    return cl.ok();
}

} // namespace

int phaseCommand(const QStringList &args)
{
    PhaseSettings s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    const int status = readOneBlock(s.files, [&](FileSource &source) {
        SpectrumSettings analysis;
        analysis.fftSize = s.fftSize;
        source.setSpectrumSettings(analysis);
        if (s.whole)
            source.setAllDataMode(true);
        else
            source.setPosition(s.position, 3 * s.length);
    }, block);
    if (status != ExitOk)
        return status;
    if (!s.whole && positionBeyondRecord(s.files.first(), s.position, *block))
        return ExitRecord;
    const SampleSpan span = s.whole ? wholeBuffer(*block)
                                    : spanFromSample(*block, double(s.position), s.length);
    std::array<int, PhaseMisJob::ChannelCount> channels = s.channels;
    // Channels not asked for are measured as absent and not printed.
    for (int c = s.channelCount; c < PhaseMisJob::ChannelCount; ++c)
        channels[size_t(c)] = -1;
    const PhaseMisJob job = makePhaseMisJob(block, channels, span);
    const PhaseMisOutcome outcome = measurePhaseMis(job);
    const PhaseMisReportOptions report{s.files, s.channelCount};
    if (s.json)
        printJson(phaseMisJson(job, outcome, report));
    else
        printText(phaseMisText(job, outcome, report));
    return ExitOk;
}
