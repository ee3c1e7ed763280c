// orma-tool sinefit: the four-parameter sine fit of one channel over a window of the record or
// the whole of it, with the block spectrum's SINAD and ENOB of the same samples beside the fit's.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/sinefit/SineFitJob.h"
#include "sources/measure/sinefit/SineFitReport.h"

namespace {

struct SineFitOptions {
    QStringList files;
    int channel = -1;
    uint64_t position = 0;
    uint64_t length = 65536;
    bool whole = false;
    bool json = false;
};

bool parse(const QStringList &args, SineFitOptions &s, QString &error)
{
    CommandLine cl(args, {"--channel", "--position", "--length"}, {"--whole", "--json"});
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(QStringLiteral("sinefit needs at least one record file"));
    if (cl.has("--whole") && (cl.has("--length") || cl.has("--position")))
        cl.fail(QStringLiteral("--whole takes the whole record: it goes with neither --position nor --length"));
    s.channel = int(cl.integer("--channel", -1, 0, INT32_MAX));
    s.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    s.length = uint64_t(cl.integer("--length", qint64(s.length), qint64(SineFitMinSamples), qint64(1) << 31));
    s.whole = cl.has("--whole");
    s.json = cl.has("--json");
    error = cl.error();
    return cl.ok();
}

// The spectrum's length: the largest power of two the fitted span holds, so that the block's
// SINAD and ENOB come from the span's own first samples (the source shortens it to the record).
uint32_t spectrumSizeFor(uint64_t length)
{
    uint32_t n = 2;
    while (n < (1u << 23) && uint64_t(n) * 2 <= length)
        n *= 2;
    return n;
}

} // namespace

int sinefitCommand(const QStringList &args)
{
    SineFitOptions s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    const int status = readOneBlock(s.files, [&](FileSource &source) {
        SpectrumSettings analysis;
        analysis.fftSize = spectrumSizeFor(s.whole ? UINT64_MAX : s.length);
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
    const int k = channelIndexOf(*block, s.channel, error);
    if (k < 0) {
        reportError(s.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    const SampleSpan span = s.whole ? wholeBuffer(*block) : spanFromSample(*block, double(s.position), s.length);
    const SineFitJob job = makeSineFitJob(block, block->channels.numbers().value(k), span);
    const SineFit fit = measureSineFit(job);
    if (s.json)
        printJson(sineFitJson(job, fit, s.files.first()));
    else
        printText(sineFitText(job, fit, s.files.first()));
    return ExitOk;
}
