// orma-tool analyze: loads records through FileSource as the viewer does, runs K blocks
// through the same filter and spectrum path and prints every channel's dynamic figures.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "dsp/Windows.h"
#include "sources/FileSource.h"
#include "sources/FilterSettings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <climits>
#include <type_traits>
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
    bool filter = false;
    FilterParams filterParams = FilterSettings::defaults();
};

// "--filter key=value,...": the filter dialog's fields, from its defaults. Names of choices
// are the dialog's lists in order.
QString parseFilter(const QString &fields, FilterParams &p)
{
    static const QStringList types = {"fir", "iir"};
    static const QStringList functions = {"lowpass", "highpass", "bandpass", "bandstop"};
    static const QStringList firKinds = {"kaiser", "window"};
    static const QStringList windows = {"rectangular", "triangular", "hann", "hamming", "blackman"};
    static const QStringList families = {"butterworth", "chebyshev", "inverse-chebyshev",
                                         "elliptic", "bessel"};
    for (const QString &item : fields.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = item.section(QLatin1Char('='), 1).trimmed();
        auto choice = [&](const QStringList &names, auto &field) {
            const int i = names.indexOf(value.toLower());
            if (i < 0)
                return QStringLiteral("--filter %1=%2: expected one of %3")
                    .arg(key, value, names.join(QLatin1Char('|')));
            field = std::remove_reference_t<decltype(field)>(i);
            return QString();
        };
        bool ok = false;
        const double number = value.toDouble(&ok);
        auto real = [&](std::initializer_list<float *> fields) {
            if (!ok || !std::isfinite(number))
                return QStringLiteral("--filter %1=%2: expected a number").arg(key, value);
            for (float *f : fields)
                *f = float(number);
            return QString();
        };
        auto integer = [&](int32_t &field) {
            if (!ok || number != std::floor(number) || std::fabs(number) > INT32_MAX)
                return QStringLiteral("--filter %1=%2: expected an integer").arg(key, value);
            field = int32_t(number);
            return QString();
        };
        QString error;
        if (key == QLatin1String("type"))
            error = choice(types, p.filterType);
        else if (key == QLatin1String("function"))
            error = choice(functions, p.filterFunction);
        else if (key == QLatin1String("fir"))
            error = choice(firKinds, p.firFilter);
        else if (key == QLatin1String("window"))
            error = choice(windows, p.firWindow);
        else if (key == QLatin1String("iir"))
            error = choice(families, p.iirFilter);
        else if (key == QLatin1String("length"))
            error = integer(p.firLength);
        else if (key == QLatin1String("order"))
            error = integer(p.iirOrder);
        else if (key == QLatin1String("beta"))
            error = real({&p.firBetaKaiser});
        else if (key == QLatin1String("low"))
            error = real({&p.firLowFreq, &p.iirLowFreq});
        else if (key == QLatin1String("up"))
            error = real({&p.firUpFreq, &p.iirUpFreq});
        else if (key == QLatin1String("ripple"))
            error = real({&p.iirPulse});
        else if (key == QLatin1String("attenuation"))
            error = real({&p.iirDepresion});
        else
            error = QStringLiteral("--filter: unknown field %1").arg(key);
        if (!error.isEmpty())
            return error;
    }
    // As the dialog hands them over.
    if (p.firLength % 2 == 0 && p.firLength < INT32_MAX)
        ++p.firLength;
    p.filterId = filterIdOf(p);
    return QString();
}

bool parse(const QStringList &args, AnalyzeSettings &s, QString &error)
{
    CommandLine cl(args,
                   {"--fft", "--window", "--sidelobe", "--harmonics", "--exclusion", "--average",
                    "--range", "--position", "--filter", "--filter-ini"},
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
    if (cl.has("--filter") && cl.has("--filter-ini"))
        cl.fail(QStringLiteral("--filter and --filter-ini exclude each other"));
    if (cl.has("--filter-ini")) {
        const QString ini = cl.values("--filter-ini").last();
        if (!QFileInfo(ini).isFile())
            cl.fail(ini + QStringLiteral(": no such configuration file"));
        FilterSettings settings;
        settings.load(ini);
        s.filterParams = settings.params;
        s.filter = true;
    }
    if (cl.has("--filter")) {
        const QString filterError = parseFilter(cl.values("--filter").last(), s.filterParams);
        if (!filterError.isEmpty())
            cl.fail(filterError);
        s.filter = true;
    }
    error = cl.error();
    return cl.ok();
}

QJsonObject channelJson(const ChannelRecord &r, int harmonics)
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
            channels.append(channelJson(*r, s.harmonics));
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
    error = checkRecordFiles(s.files, s.wait);
    if (!error.isEmpty()) {
        reportError(error);
        return ExitRecord;
    }

    FileSource source;
    openRecords(source, s.files);
    source.setPollInterval(s.wait ? 10 : 0);
    SpectrumSettings analysis;
    analysis.fftSize = s.fftSize;
    analysis.windowType = uint8_t(s.window);
    analysis.sidelobeLevel = s.sidelobe;
    analysis.harmonicCount = s.harmonics;
    analysis.sfdrBandWidth = s.exclusion;
    analysis.averageCount = s.average;
    analysis.spectrumRange = s.range;
    source.setSpectrumSettings(analysis);
    source.setPosition(s.position, 3 * uint64_t(s.fftSize));
    source.setFilterParams(s.filterParams);
    source.setFilterEnabled(s.filter);

    for (uint32_t block = 0; block < s.average; ++block) {
        runBlock(source, s.wait);
        error = blockError(source, s.files.first());
        if (!error.isEmpty()) {
            reportError(error);
            return ExitRecord;
        }
        // Figures of an unfiltered record would pass for filtered ones.
        if (!source.lastBlock()->filterStatus.isEmpty()) {
            reportError(s.files.first() + QStringLiteral(": the filter cannot be applied: ") +
                        source.lastBlock()->filterStatus);
            return ExitUsage;
        }
    }
    const BlockSnapshotPtr block = source.lastBlock();
    if (s.json)
        printJson(*block, s);
    else
        printText(*block, s);
    return ExitOk;
}
