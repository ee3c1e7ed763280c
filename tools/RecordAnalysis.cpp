#include "RecordAnalysis.h"

#include "Commands.h"

#include <QFileInfo>
#include <QJsonObject>

#include <climits>
#include <cmath>
#include <type_traits>

namespace {

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

} // namespace

SpectrumSettings AnalysisOptions::spectrum() const
{
    SpectrumSettings analysis;
    analysis.fftSize = fftSize;
    analysis.windowType = uint8_t(window);
    analysis.sidelobeLevel = sidelobe;
    analysis.harmonicCount = harmonics;
    analysis.sfdrBandWidth = exclusion;
    analysis.averageCount = average;
    analysis.spectrumRange = range;
    return analysis;
}

QSet<QString> analysisValuedOptions()
{
    return {"--fft", "--window", "--sidelobe", "--harmonics", "--exclusion", "--average",
            "--range", "--position", "--filter", "--filter-ini", "--threads"};
}

QSet<QString> analysisFlags() { return {"--json", "--wait"}; }

void readAnalysisOptions(CommandLine &cl, const QString &command, AnalysisOptions &s)
{
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(command + QStringLiteral(" needs at least one record file"));
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
    s.threads = int(cl.integer("--threads", 0, 1, 64));
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
}

int analyseRecord(const AnalysisOptions &s, BlockSnapshotPtr &block,
                  const std::function<void(FileSource &)> &placeWindow)
{
    QString error;
    const int status = analyseRecordQuietly(s, block, error, placeWindow);
    if (status != ExitOk) {
        reportError(error);
        return status;
    }
    if (block->filterUnsettled)
        reportError(QStringLiteral("warning: %1: the filter has not settled on the block's first "
                                   "%2 samples (the record holds too few before the block)")
                        .arg(s.files.first())
                        .arg(block->filterUnsettled));
    return ExitOk;
}

int analyseRecordQuietly(const AnalysisOptions &s, BlockSnapshotPtr &block, QString &error,
                         const std::function<void(FileSource &)> &placeWindow)
{
    FileSource source;
    error = checkRecordFiles(s.files, s.wait);
    if (!error.isEmpty())
        return ExitRecord;
    openRecords(source, s.files);
    source.setPollInterval(s.wait ? 10 : 0);
    source.setWorkerThreads(s.threads);
    source.setSpectrumSettings(s.spectrum());
    source.setFilterParams(s.filterParams);
    source.setFilterEnabled(s.filter);
    if (placeWindow)
        placeWindow(source);
    else
        source.setPosition(s.position, 3 * uint64_t(s.fftSize));

    for (uint32_t k = 0; k < s.average; ++k) {
        runBlock(source, s.wait);
        error = blockError(source, s.files.first());
        if (!error.isEmpty())
            return ExitRecord;
        // Figures of an unfiltered record would pass for filtered ones.
        if (!source.lastBlock()->filterStatus.isEmpty()) {
            error = s.files.first() + QStringLiteral(": the filter cannot be applied: ") +
                    source.lastBlock()->filterStatus;
            return ExitUsage;
        }
    }
    block = source.lastBlock();
    return ExitOk;
}

int channelIndexOf(const BlockSnapshot &block, int number, QString &error)
{
    if (block.channels.totalCount() == 0) {
        error = QStringLiteral("the record has no channels");
        return -1;
    }
    if (number < 0)
        return 0;
    const int k = block.channels.indexOf(number);
    if (k < 0)
        error = QStringLiteral("--channel %1: the record has no such channel (it has %2)")
                    .arg(number)
                    .arg(block.channels.totalCount());
    return k;
}
