// orma-tool analyze: loads records through FileSource as the viewer does, runs K blocks
// through the same spectrum path and prints every channel's dynamic figures.
#include "CommandLine.h"
#include "Commands.h"

#include "dsp/Windows.h"
#include "RecordBlock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace {

struct AnalyzeSettings {
    QStringList files;
    uint32_t fftSize = 1024;
    int window = WindowBlackmanHarris7;
    double sidelobe = 120.0;
    int harmonics = 6;
    uint32_t exclusion = 0;
    uint32_t average = 1;
    uint8_t range = 1; // centred
    uint64_t position = 0;
    bool json = false;
    bool wait = false;
};

bool parse(const QStringList &args, AnalyzeSettings &s, QString &error)
{
    CommandLine cl(args,
                   {"--fft", "--window", "--sidelobe", "--harmonics", "--exclusion", "--average",
                    "--range", "--position"},
                   {"--json", "--wait"});
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(QStringLiteral("analyze needs at least one record file"));
    const qint64 fft = cl.integer("--fft", s.fftSize, 2, qint64(1) << 23);
    if (fft & (fft - 1))
        cl.fail(QStringLiteral("--fft must be a power of two"));
    s.fftSize = uint32_t(fft);
    s.window = int(cl.integer("--window", s.window, 0, WindowTypeCount - 1));
    s.sidelobe = cl.real("--sidelobe", s.sidelobe, 1.0, 1000.0);
    s.harmonics = int(cl.integer("--harmonics", s.harmonics, 0, MaxHarmonics));
    s.exclusion = uint32_t(cl.integer("--exclusion", 0, 0, INT32_MAX));
    s.average = uint32_t(cl.integer("--average", 1, 1, 100000));
    s.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    if (cl.has("--range")) {
        const QString range = cl.values("--range").last();
        if (range != QLatin1String("full") && range != QLatin1String("centred"))
            cl.fail(QStringLiteral("--range must be full or centred"));
        s.range = range == QLatin1String("centred") ? 1 : 0;
    }
    s.json = cl.has("--json");
    s.wait = cl.has("--wait");
    error = cl.error();
    return cl.ok();
}

QString formatNumber(double v)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("nan") : v > 0 ? QStringLiteral("inf")
                                                             : QStringLiteral("-inf");
    QString text = QString::number(v, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QJsonValue jsonNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

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
    o["harmonicLevels"] = levels;
    o["harmonicBins"] = bins;
    return o;
}

void printText(const BlockSnapshot &block, const AnalyzeSettings &s)
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
                    {"ENOB", r->enob, ""}};
        for (const auto &row : rows)
            std::printf("  %-22s %s%s\n", row.label, qPrintable(formatNumber(row.value)),
                        row.unit);
        for (int h = 0; h < s.harmonics; ++h)
            std::printf("  harmonic %-13d %s dB at bin %s\n", h + 2,
                        qPrintable(formatNumber(r->harmonicLevels[h])),
                        qPrintable(formatNumber(r->harmonicBins[h])));
    }
}

void printJson(const BlockSnapshot &block, const AnalyzeSettings &s)
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
    o["channels"] = channels;
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}

} // namespace

int analyzeCommand(const QStringList &args)
{
    AnalyzeSettings s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    RecordRequest request;
    request.files = s.files;
    request.analysis.fftSize = s.fftSize;
    request.analysis.windowType = uint8_t(s.window);
    request.analysis.sidelobeLevel = s.sidelobe;
    request.analysis.harmonicCount = s.harmonics;
    request.analysis.sfdrBandWidth = s.exclusion;
    request.analysis.averageCount = s.average;
    request.analysis.spectrumRange = s.range;
    request.position = s.position;
    request.blocks = s.average;
    request.wait = s.wait;
    BlockSnapshotPtr block;
    const int status = readRecordBlock(request, block);
    if (status != ExitOk)
        return status;
    if (s.json)
        printJson(*block, s);
    else
        printText(*block, s);
    return ExitOk;
}
