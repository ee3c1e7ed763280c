// orma-tool devparams: the device parameters table of the viewer, judged against criteria, with
// an exit status a production script can gate on.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/devparams/DeviceTableJob.h"
#include "sources/measure/devparams/DeviceTableReport.h"

#include <cmath>

namespace {

// "sfdr=70,thd=-80": each named figure's criterion; the others stay 0.
bool parseCriteria(const QString &text, DeviceValues &criteria, QString &error)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = item.left(eq).trimmed().toLower();
        int f = 0;
        while (f < DeviceFigureCount && key != QLatin1String(DeviceFigureKeys[f]))
            ++f;
        if (eq < 0 || f == DeviceFigureCount) {
            error = QStringLiteral("--criteria: %1 is not one of sfdr=, snr=, thd=, thdn=, enob=")
                        .arg(item);
            return false;
        }
        bool ok = false;
        const double value = item.mid(eq + 1).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            error = QStringLiteral("--criteria: %1 needs a number, not \"%2\"")
                        .arg(key, item.mid(eq + 1));
            return false;
        }
        criteria[size_t(f)] = value;
    }
    return true;
}

} // namespace

int devparamsCommand(const QStringList &args)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--criteria"}, analysisFlags());
    AnalysisOptions s;
    readAnalysisOptions(cl, QStringLiteral("devparams"), s);
    DeviceValues criteria{};
    QString error;
    if (cl.has("--criteria") && !parseCriteria(cl.values("--criteria").last(), criteria, error))
        cl.fail(error);
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    if (const int status = analyseRecord(s, block); status != ExitOk)
        return status;

    DeviceTableFigures f;
    f.criteria = criteria;
    DeviceRows rows = deviceRows(*block);
    f.channels = std::move(rows.channels);
    f.rows = std::move(rows.values);
    f.verdicts = judgeTable(f.rows, criteria, HighlightMode::None);
    f.allPassed = allPassed(f.verdicts);
    if (s.json)
        printJson(deviceTableJson(f, s.files.first()));
    else
        printText(deviceTableText(f));
    return f.allPassed ? ExitOk : ExitCriterion;
}
