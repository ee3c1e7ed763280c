// orma-tool devparams: the device parameters table of the viewer, judged against criteria, with
// an exit status a production script can gate on.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/devparams/DeviceTableJob.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace {

const char *const FigureKeys[DeviceFigureCount] = {"sfdr", "snr", "thd", "thdn", "enob"};
const char *const FigureLabels[DeviceFigureCount] = {"SFDR", "SNR", "THD", "THD+N", "ENB"};

// "sfdr=70,thd=-80": each named figure's criterion; the others stay 0.
bool parseCriteria(const QString &text, DeviceValues &criteria, QString &error)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = item.left(eq).trimmed().toLower();
        int f = 0;
        while (f < DeviceFigureCount && key != QLatin1String(FigureKeys[f]))
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

    std::vector<DeviceValues> rows;
    for (int k = 0; k < deviceRowCount(*block); ++k)
        rows.push_back(deviceValues(block->records[size_t(k)]));
    const auto verdicts = judgeTable(rows, criteria, HighlightMode::None);
    const bool passed = allPassed(verdicts);

    if (s.json) {
        QJsonObject crit;
        for (int f = 0; f < DeviceFigureCount; ++f)
            crit[FigureKeys[f]] = criteria[size_t(f)];
        QJsonArray channels;
        for (size_t r = 0; r < rows.size(); ++r) {
            QJsonObject ch, pass;
            ch["channel"] = block->records[r].channelNumber;
            for (int f = 0; f < DeviceFigureCount; ++f) {
                ch[FigureKeys[f]] = jsonNumber(rows[r][size_t(f)]);
                pass[FigureKeys[f]] = verdicts[r][size_t(f)] == CellVerdict::Pass;
            }
            ch["pass"] = pass;
            channels.append(ch);
        }
        QJsonObject o;
        o["file"] = s.files.first();
        o["criteria"] = crit;
        o["channels"] = channels;
        o["allPassed"] = passed;
        printJson(o);
    } else {
        std::printf("%-8s", "channel");
        for (const char *label : FigureLabels)
            std::printf(" %10s", label);
        std::printf("\n%-8s", "criteria");
        for (double c : criteria)
            std::printf(" %10.2f", c);
        std::printf("\n");
        for (size_t r = 0; r < rows.size(); ++r) {
            std::printf("%-8d", block->records[r].channelNumber);
            for (int f = 0; f < DeviceFigureCount; ++f)
                std::printf(" %9.2f%c", rows[r][size_t(f)],
                            verdicts[r][size_t(f)] == CellVerdict::Pass ? ' ' : '!');
            std::printf("\n");
        }
        std::printf("%s\n", passed ? "all figures pass" : "some figures miss their criterion (!)");
    }
    return passed ? ExitOk : ExitCriterion;
}
