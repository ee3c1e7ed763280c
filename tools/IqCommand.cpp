// orma-tool iq: envelope, instantaneous frequency and phase of one I/Q pair of a complex
// record over a window, as the amplitude, frequency and phase view computes them.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "sources/record/FileSource.h"
#include "sources/measure/iq/IqReport.h"
#include "sources/measure/iq/IqSlice.h"

namespace {

struct IqSettings {
    QStringList files;
    int pair = 0;
    uint64_t position = 0;
    uint64_t length = 65536;
    bool series = false;
    bool json = false;
};

bool parse(const QStringList &args, IqSettings &s, QString &error)
{
    CommandLine cl(args, {"--pair", "--position", "--length"}, {"--series", "--json"});
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(QStringLiteral("iq needs at least one record file"));
    s.pair = int(cl.integer("--pair", 0, 0, 511));
    s.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    s.length = uint64_t(cl.integer("--length", qint64(s.length), 1, qint64(1) << 31));
    s.series = cl.has("--series");
    s.json = cl.has("--json");
    error = cl.error();
    return cl.ok();
}

} // namespace

int iqCommand(const QStringList &args)
{
    IqSettings s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    const int status = readOneBlock(s.files, [&](FileSource &source) {
        source.setComputeSpectrum(false);
        source.setPosition(s.position, 3 * s.length);
    }, block);
    if (status != ExitOk)
        return status;
    if (positionBeyondRecord(s.files.first(), s.position, *block))
        return ExitRecord;
    if (!block->firstFile().isComplex) {
        reportError(s.files.first() + QStringLiteral(": the record is not complex (no I/Q pairs)"));
        return ExitRecord;
    }
    const IqSlice z = makeIqSlice(*block, 2 * s.pair, spanFromSample(*block, double(s.position), s.length));
    if (z.empty()) {
        reportError(s.files.first() + QStringLiteral(": no I/Q pair %1 at sample %2 (%3 channels)")
                                          .arg(s.pair)
                                          .arg(s.position)
                                          .arg(block->channels.totalCount()));
        return ExitRecord;
    }
    const IqFigures f = iqFiguresOf(z);
    const IqReportOptions report{s.files, s.pair, s.series};
    if (s.json)
        printJson(iqJson(z, f, report));
    else
        printText(iqText(z, f, report));
    return ExitOk;
}
