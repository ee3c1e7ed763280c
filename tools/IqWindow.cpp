#include "IqWindow.h"

#include "Commands.h"
#include "RecordReading.h"

#include "sources/record/FileSource.h"

QSet<QString> iqWindowOptions() { return {"--pair", "--position", "--length"}; }

namespace {

void readIqWindow(CommandLine &cl, const QString &command, IqWindow &w)
{
    w.files = cl.positional();
    if (w.files.isEmpty())
        cl.fail(command + QStringLiteral(" needs at least one record file"));
    w.pair = int(cl.integer("--pair", 0, 0, 511));
    w.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    w.length = uint64_t(cl.integer("--length", qint64(w.length), 1, qint64(1) << 31));
}

int readIqSlice(const IqWindow &w, IqSlice &slice)
{
    BlockSnapshotPtr block;
    const int status = readOneBlock(w.files, [&](FileSource &source) {
        source.setComputeSpectrum(false);
        source.setPosition(w.position, 3 * w.length);
    }, block);
    if (status != ExitOk)
        return status;
    if (positionBeyondRecord(w.files.first(), w.position, *block))
        return ExitRecord;
    if (!block->firstFile().isComplex) {
        reportError(w.files.first() + QStringLiteral(": the record is not complex (no I/Q pairs)"));
        return ExitRecord;
    }
    slice = makeIqSlice(*block, 2 * w.pair, spanFromSample(*block, double(w.position), w.length));
    if (slice.empty()) {
        reportError(w.files.first() + QStringLiteral(": no I/Q pair %1 at sample %2 (%3 channels)")
                                          .arg(w.pair)
                                          .arg(w.position)
                                          .arg(block->channels.totalCount()));
        return ExitRecord;
    }
    return ExitOk;
}

} // namespace

int readIqCommand(CommandLine &cl, const QString &command, IqWindow &w, IqSlice &slice)
{
    readIqWindow(cl, command, w);
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    return readIqSlice(w, slice);
}
