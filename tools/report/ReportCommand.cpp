// orma-tool report: a record's report as a self-contained HTML page per record, with an index
// page for several, the plots drawn by the window's plot class offscreen. Built only with the
// widgets.
#include "tools/Commands.h"
#include "tools/RecordFiguresReading.h"

#include "report/RecordReport.h"
#include "sources/measure/batch/BatchTable.h"
#include "sources/measure/devparams/DeviceTableReport.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

QCoreApplication *reportApplication(int &argc, char **argv)
{
    // Nothing is shown: the plots are drawn without a display unless a platform is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
}

int reportCommand(const QStringList &args)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--criteria", "--out"}, {});
    AnalysisOptions s;
    readAnalysisOptions(cl, QStringLiteral("report"), s);
    DeviceCriteria criteria;
    QString error;
    if (cl.has("--criteria") &&
        !parseDeviceCriteria(cl.values("--criteria").last(), criteria.values, error, &criteria.named))
        cl.fail(error);
    if (!cl.has("--out"))
        cl.fail(QStringLiteral("report needs --out DIR, the folder the pages go to"));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    const QDir dir(cl.values("--out").last());
    if (!dir.mkpath(QStringLiteral("."))) {
        reportError(dir.path() + QStringLiteral(": the folder cannot be made"));
        return ExitRecord;
    }
    std::vector<IndexEntry> index;
    QStringList taken;
    bool anyError = false, anyMiss = false;
    for (const QString &file : s.files) {
        const AnalysedRecord record = readRecordFigures(file, s);
        IndexEntry entry{record.figures, QString()};
        if (record.figures.error.isEmpty()) {
            entry.page = reportPageName(file, taken);
            error = writeReportPage(dir.filePath(entry.page),
                                    recordReportHtml({record.figures, record.analysed, record.whole, criteria}));
            if (!error.isEmpty()) {
                reportError(error);
                return ExitRecord;
            }
            std::printf("%s\n", qPrintable(dir.filePath(entry.page)));
        } else {
            reportError(record.figures.error);
        }
        anyError = anyError || !record.figures.error.isEmpty();
        anyMiss = anyMiss || !recordPasses(record.figures, criteria);
        index.push_back(std::move(entry));
    }
    if (s.files.size() > 1) {
        const QString path = dir.filePath(QStringLiteral("index.html"));
        error = writeReportPage(path, batchIndexHtml(index, criteria));
        if (!error.isEmpty()) {
            reportError(error);
            return ExitRecord;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return anyError ? ExitRecord : anyMiss ? ExitCriterion : ExitOk;
}
