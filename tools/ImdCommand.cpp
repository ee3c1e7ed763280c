// orma-tool imd: two-tone intermodulation of one channel from its spectrum, as the viewer's
// dialog measures it.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/imd/ImdJob.h"
#include "sources/measure/imd/ImdReport.h"

int imdCommand(const QStringList &args)
{
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--channel"}, analysisFlags());
    AnalysisOptions s;
    readAnalysisOptions(cl, QStringLiteral("imd"), s);
    const int channel = int(cl.integer("--channel", -1, 0, INT32_MAX));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    if (const int status = analyseRecord(s, block); status != ExitOk)
        return status;
    if (positionBeyondRecord(s.files.first(), s.position, *block))
        return ExitRecord;
    QString error;
    const int k = channelIndexOf(*block, channel, error);
    const ChannelImd imd = k >= 0 ? imdOf(*block, k) : ChannelImd();
    if (k >= 0 && !imd.defined)
        error = QStringLiteral("channel %1 has no spectrum").arg(block->channels.numbers().value(k));
    if (!error.isEmpty()) {
        reportError(s.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    const int number = block->channels.numbers().value(k);
    if (s.json)
        printJson(imdJson(imd, number, s.files.first()));
    else
        printText(imdText(imd, number));
    return ExitOk;
}
