#include "RecordAnalysis.h"

#include "Commands.h"

#include <QJsonObject>


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
            "--range", "--position"};
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
    if (cl.has("--range")) {
        const QString range = cl.values("--range").last();
        if (range != QLatin1String("full") && range != QLatin1String("centred"))
            cl.fail(QStringLiteral("--range must be full or centred"));
        s.range = range == QLatin1String("centred") ? 1 : 0;
    }
    s.json = cl.has("--json");
    s.wait = cl.has("--wait");
}

int analyseRecord(FileSource &source, const AnalysisOptions &s,
                  const std::function<void(FileSource &)> &placeWindow)
{
    QString error = checkRecordFiles(s.files, s.wait);
    if (!error.isEmpty()) {
        reportError(error);
        return ExitRecord;
    }
    openRecords(source, s.files);
    source.setPollInterval(s.wait ? 10 : 0);
    source.setSpectrumSettings(s.spectrum());
    if (placeWindow)
        placeWindow(source);
    else
        source.setPosition(s.position, 3 * uint64_t(s.fftSize));

    for (uint32_t block = 0; block < s.average; ++block) {
        runBlock(source, s.wait);
        error = blockError(source, s.files.first());
        if (!error.isEmpty()) {
            reportError(error);
            return ExitRecord;
        }
    }
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
