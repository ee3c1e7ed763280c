// orma-tool devparams: the device parameters table of the viewer, judged against criteria, with
// an exit status a production script can gate on.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/devparams/DeviceTableJob.h"
#include "sources/measure/devparams/DeviceTableReport.h"

int devparamsCommand(const QStringList &args)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--criteria"}, analysisFlags());
    AnalysisOptions s;
    readAnalysisOptions(cl, QStringLiteral("devparams"), s);
    DeviceValues criteria{};
    QString error;
    if (cl.has("--criteria") && !parseDeviceCriteria(cl.values("--criteria").last(), criteria, error))
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
