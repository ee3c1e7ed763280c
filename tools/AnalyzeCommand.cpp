// orma-tool analyze: loads records through FileSource as the viewer does, runs K blocks
// through the same filter and spectrum path and prints every channel's dynamic figures.
#include "Commands.h"
#include "RecordAnalysis.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject channelJson(const ChannelRecord &r, int harmonics, int32_t rangeMv)
{
    QJsonArray levels, bins;
    for (int h = 0; h < harmonics; ++h) {
        levels.append(jsonNumber(r.harmonicLevels[h]));
        bins.append(jsonNumber(r.harmonicBins[h]));
    }
    QJsonObject o;
    o["channel"] = r.channelNumber;
    o["fundamentalFrequency"] = jsonNumber(r.fundamentalFrequency);
    o["totalRms"] = jsonNumber(r.totalRms);
    o["fundamentalRms"] = jsonNumber(r.fundamentalRms);
    o["fundamentalDbfs"] = jsonNumber(decibelsFullScale(r.fundamentalRms, rangeMv));
    o["snr"] = jsonNumber(r.snr);
    o["thd"] = jsonNumber(r.thd);
    o["sinad"] = jsonNumber(r.sinad);
    o["sfdr"] = jsonNumber(r.sfdr);
    o["enob"] = jsonNumber(r.enob);
    const DatasheetFigures &d = r.datasheet;
    o["snrDbfs"] = jsonNumber(d.snr);
    o["sinadDbfs"] = jsonNumber(d.sinad);
    o["noiseDensityDbfsPerHz"] = jsonNumber(d.noiseDensity);
    o["worstSpurDbc"] = jsonNumber(d.spurLevel);
    o["worstSpurDbfs"] = jsonNumber(d.spurLevelFs);
    o["worstSpurFrequency"] = jsonNumber(d.spurFrequency);
    o["harmonicLevels"] = levels;
    o["harmonicBins"] = bins;
    return o;
}

void printText(const BlockSnapshot &block, const AnalysisOptions &s)
{
    std::printf("%s: %d channel(s), %s Hz, FFT %u, window %d\n",
                qPrintable(s.files.join(QStringLiteral(", "))), block.channels.totalCount(),
                qPrintable(formatNumber(block.sampleRate())), block.spectrum.fftSize, s.window);
    for (int k = 0; k < block.channels.totalCount(); ++k) {
        const ChannelRecord *r = block.channelRecord(k);
        if (!r)
            continue;
        std::printf("channel %d\n", r->channelNumber);
        const struct {
            const char *label;
            double value;
            const char *unit;
        } rows[] = {{"fundamental frequency", r->fundamentalFrequency, " Hz"},
                    {"total RMS", r->totalRms, " V"},
                    {"fundamental RMS", r->fundamentalRms, " V"},
                    {"fundamental level",
                     decibelsFullScale(r->fundamentalRms, block.firstFile().voltageRangeMv), " dBFS"},
                    {"SNR", r->snr, " dB"},
                    {"THD", r->thd, " dB"},
                    {"THD+N (SINAD)", r->sinad, " dB"},
                    {"SFDR", r->sfdr, " dB"},
                    {"ENOB", r->enob, ""},
                    {"SNR (full scale)", r->datasheet.snr, " dBFS"},
                    {"SINAD (full scale)", r->datasheet.sinad, " dBFS"},
                    {"noise density", r->datasheet.noiseDensity, " dBFS/Hz"},
                    {"worst other spur", r->datasheet.spurLevel, " dBc"},
                    {"worst other spur", r->datasheet.spurLevelFs, " dBFS"},
                    {"worst other spur at", r->datasheet.spurFrequency, " Hz"}};
        for (const auto &row : rows)
            std::printf("  %-22s %s%s\n", row.label, qPrintable(formatNumber(row.value)),
                        row.unit);
        for (int h = 0; h < s.harmonics; ++h)
            std::printf("  harmonic %-13d %s dB at bin %s\n", h + 2,
                        qPrintable(formatNumber(r->harmonicLevels[h])),
                        qPrintable(formatNumber(r->harmonicBins[h])));
    }
}

QJsonObject blockJson(const BlockSnapshot &block, const AnalysisOptions &s)
{
    QJsonArray channels;
    for (int k = 0; k < block.channels.totalCount(); ++k) {
        if (const ChannelRecord *r = block.channelRecord(k))
            channels.append(channelJson(*r, s.harmonics, block.firstFile().voltageRangeMv));
    }
    QJsonObject o;
    o["file"] = s.files.first();
    o["sampleRate"] = jsonNumber(block.sampleRate());
    o["fftSize"] = int(block.spectrum.fftSize);
    o["window"] = s.window;
    if (s.filter)
        o["filterUnsettled"] = double(block.filterUnsettled);
    o["channels"] = channels;
    return o;
}

} // namespace

int analyzeCommand(const QStringList &args)
{
    CommandLine cl(args, analysisValuedOptions(), analysisFlags());
    AnalysisOptions s;
    readAnalysisOptions(cl, QStringLiteral("analyze"), s);
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    if (const int status = analyseRecord(s, block); status != ExitOk)
        return status;
    if (s.json)
        printJson(blockJson(*block, s));
    else
        printText(*block, s);
    return ExitOk;
}
