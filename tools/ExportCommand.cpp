// orma-tool export: the samples or the spectrum of one block, read as the viewer reads it, as
// the CSV file the viewer's "Файл" menu writes.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordBlock.h"

#include "dsp/Windows.h"
#include "sources/BlockExport.h"

namespace {

struct ExportSettings {
    RecordRequest request;
    bool spectrum = false;
    QString out;
};

bool parse(const QStringList &args, ExportSettings &s, QString &error)
{
    CommandLine cl(args, {"--what", "--csv", "--fft", "--window", "--position", "--length", "--range"},
                   {});
    s.request.files = cl.positional();
    if (s.request.files.isEmpty())
        cl.fail(QStringLiteral("export needs a record file"));
    const QString what = cl.has("--what") ? cl.values("--what").last() : QString();
    if (what != QLatin1String("samples") && what != QLatin1String("spectrum"))
        cl.fail(QStringLiteral("--what must be samples or spectrum"));
    s.spectrum = what == QLatin1String("spectrum");
    s.out = cl.has("--csv") ? cl.values("--csv").last() : QString();
    if (s.out.isEmpty())
        cl.fail(QStringLiteral("--csv needs the file to write"));
    SpectrumSettings &a = s.request.analysis;
    const qint64 fft = cl.integer("--fft", a.fftSize, 2, qint64(1) << 23);
    if (fft & (fft - 1))
        cl.fail(QStringLiteral("--fft must be a power of two"));
    a.fftSize = uint32_t(fft);
    a.windowType = uint8_t(cl.integer("--window", WindowBlackmanHarris7, 0, WindowTypeCount - 1));
    if (cl.has("--range")) {
        const QString range = cl.values("--range").last();
        if (range != QLatin1String("full") && range != QLatin1String("centred"))
            cl.fail(QStringLiteral("--range must be full or centred"));
        a.spectrumRange = range == QLatin1String("centred") ? 1 : 0;
    }
    s.request.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    s.request.length = uint64_t(cl.integer("--length", a.fftSize, 1, qint64(1) << 31));
    error = cl.error();
    return cl.ok();
}

} // namespace

int exportCommand(const QStringList &args)
{
    ExportSettings s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    const int status = readRecordBlock(s.request, block);
    if (status != ExitOk)
        return status;
    error = s.spectrum ? writeSpectrumCsv(s.out, *block)
                       : writeSamplesCsv(s.out, *block, s.request.position, s.request.length);
    if (!error.isEmpty()) {
        reportError(s.request.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    return ExitOk;
}
