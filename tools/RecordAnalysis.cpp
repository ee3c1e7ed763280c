#include "RecordAnalysis.h"

#include "Commands.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

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

namespace {

// One block, as the viewer's data cycle asks for it.
void runBlock(FileSource &source, bool wait)
{
    QEventLoop loop;
    QObject::connect(&source, &SignalSource::signalDataReady, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    if (!wait)
        source.interruptWait(); // never wait for a producer unless asked
    source.requestData();
    loop.exec();
    // What the data cycle does once it has reacted to the block.
    source.setParamsChanged(false);
    source.setWindowChanged(false);
    source.setSettingsChanged(false);
}

// Problems that are known before anything is read: the engine itself would wait for them.
QString checkFiles(const AnalysisOptions &s)
{
    for (const QString &file : s.files) {
        const QFileInfo info(file);
        if (!info.isFile())
            return file + QStringLiteral(": no such record file");
        if (!info.isReadable())
            return file + QStringLiteral(": the record file cannot be read");
        if (info.size() == 0 && !s.wait)
            return file + QStringLiteral(": the record holds no samples");
    }
    return QString();
}

} // namespace

int analyseRecord(FileSource &source, const AnalysisOptions &s,
                  const std::function<void(FileSource &)> &placeWindow)
{
    const QString error = checkFiles(s);
    if (!error.isEmpty()) {
        reportError(error);
        return ExitRecord;
    }
    source.setFileName(s.files.first());
    for (int i = 1; i < s.files.size(); ++i)
        source.addFile(s.files.at(i));
    source.setPollInterval(s.wait ? 10 : 0);
    source.setSpectrumSettings(s.spectrum());
    if (placeWindow)
        placeWindow(source);
    else
        source.setPosition(s.position, 3 * uint64_t(s.fftSize));

    for (uint32_t block = 0; block < s.average; ++block) {
        runBlock(source, s.wait);
        const QString first = s.files.first();
        if (source.readError()) {
            reportError(first + (source.postfixKnown()
                                     ? QStringLiteral(": the postfix has errors")
                                     : QStringLiteral(": the record has no postfix")));
            return ExitRecord;
        }
        if (source.readStatus() == -1) {
            reportError(first + QStringLiteral(": the record cannot be read"));
            return ExitRecord;
        }
        if (source.fileParams().sampleCount == 0 && !source.lastBlock()->channelSpectrum(0)) {
            reportError(first + QStringLiteral(": the record holds no samples"));
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

QString formatNumber(double v, int decimals)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("nan") : v > 0 ? QStringLiteral("inf")
                                                             : QStringLiteral("-inf");
    QString text = QString::number(v, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QJsonValue jsonNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

void printJson(const QJsonObject &o)
{
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}
