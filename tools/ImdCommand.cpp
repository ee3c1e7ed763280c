// orma-tool imd: two-tone intermodulation of one channel from its spectrum, as the viewer's
// dialog measures it.
#include "Commands.h"
#include "RecordAnalysis.h"

#include "sources/measure/imd/ImdJob.h"

#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject toneJson(const ImdTone &t, const ChannelImd &imd)
{
    QJsonObject o;
    o["bin"] = t.bin;
    o["centroid"] = jsonNumber(t.centroid);
    o["power"] = jsonNumber(t.power);
    o["frequency"] = jsonNumber(imd.frequency(t.centroid));
    return o;
}

QJsonObject productJson(const ImdProduct &p, const ChannelImd &imd)
{
    QJsonObject o;
    o["position"] = jsonNumber(p.position);
    o["power"] = jsonNumber(p.power);
    o["frequency"] = jsonNumber(imd.frequency(p.position));
    return o;
}

} // namespace

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
    QString error;
    const int k = channelIndexOf(*block, channel, error);
    const ChannelImd imd = k >= 0 ? imdOf(*block, k) : ChannelImd();
    if (k >= 0 && !imd.defined)
        error = QStringLiteral("channel %1 has no spectrum").arg(block->channels.numbers().value(k));
    if (!error.isEmpty()) {
        reportError(s.files.first() + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    const ImdResult &r = imd.result;
    if (s.json) {
        QJsonObject o;
        o["file"] = s.files.first();
        o["channel"] = block->channels.numbers().value(k);
        o["tone1"] = toneJson(r.tone1, imd);
        o["tone2"] = toneJson(r.tone2, imd);
        o["difference"] = productJson(r.difference, imd);
        o["upper"] = productJson(r.upper, imd);
        o["lower"] = productJson(r.lower, imd);
        o["imd2"] = jsonNumber(r.imd2);
        o["imd3"] = jsonNumber(r.imd3);
        printJson(o);
        return ExitOk;
    }
    std::printf("channel %d\n", block->channels.numbers().value(k));
    const struct {
        const char *label;
        double position, power;
    } rows[] = {{"tone 1", r.tone1.centroid, r.tone1.power},
                {"tone 2", r.tone2.centroid, r.tone2.power},
                {"f2 - f1", r.difference.position, r.difference.power},
                {"2 f2 - f1", r.upper.position, r.upper.power},
                {"2 f1 - f2", r.lower.position, r.lower.power}};
    for (const auto &row : rows)
        std::printf("  %-10s bin %s, %s Hz, power %s V^2\n", row.label,
                    qPrintable(formatNumber(row.position)),
                    qPrintable(formatNumber(imd.frequency(row.position))),
                    qPrintable(QString::number(row.power, 'g', 6)));
    std::printf("  %-10s %s dB\n", "IMD2", qPrintable(formatNumber(r.imd2, 2)));
    std::printf("  %-10s %s dB\n", "IMD3", qPrintable(formatNumber(r.imd3, 2)));
    return ExitOk;
}
