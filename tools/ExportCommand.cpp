// orma-tool export: the samples or the spectrum of one block, read as the viewer reads it, as
// the CSV file the viewer's "Файл" menu writes.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/export/BlockExport.h"

#include <algorithm>

namespace {

struct ExportSettings {
    AnalysisOptions analysis;
    bool spectrum = false;
    QString out;
    uint64_t length = 0; // samples written from the position on
};

bool parse(const QStringList &args, ExportSettings &s, QString &error)
{
    QSet<QString> valued = analysisValuedOptions();
    valued += {"--what", "--csv", "--length"};
    CommandLine cl(args, valued, analysisFlags());
    readAnalysisOptions(cl, QStringLiteral("export"), s.analysis);
    const QString what = cl.has("--what") ? cl.values("--what").last() : QString();
    if (what != QLatin1String("samples") && what != QLatin1String("spectrum"))
        cl.fail(QStringLiteral("--what must be samples or spectrum"));
    s.spectrum = what == QLatin1String("spectrum");
    s.out = cl.has("--csv") ? cl.values("--csv").last() : QString();
    if (s.out.isEmpty())
        cl.fail(QStringLiteral("--csv needs the file to write"));
    s.length = uint64_t(cl.integer("--length", s.analysis.fftSize, 1, qint64(1) << 31));
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
    const uint64_t length = s.length;
    const int status = analyseRecord(s.analysis, block, [&](FileSource &f) {
        // A third of the read lies before the position: half as much again leaves `length`
        // after it.
        f.setPosition(s.analysis.position,
                      std::max(length + (length + 1) / 2, 3 * uint64_t(s.analysis.fftSize)));
    });
    if (status != ExitOk)
        return status;
    error = s.spectrum ? writeSpectrumCsv(s.out, *block)
                       : writeSamplesCsv(s.out, *block, s.analysis.position, length);
    if (!error.isEmpty()) {
        reportError(s.analysis.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    return ExitOk;
}
