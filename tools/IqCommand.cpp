// orma-tool iq: envelope, instantaneous frequency and phase of one I/Q pair of a complex
// record over a window, as the amplitude, frequency and phase view computes them.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "dsp/IqAnalysis.h"
#include "sources/record/FileSource.h"
#include "sources/measure/iq/IqSlice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <vector>

namespace {

struct IqSettings {
    QStringList files;
    int pair = 0;
    uint64_t position = 0;
    uint64_t length = 65536;
    bool series = false;
    bool json = false;
};

bool parse(const QStringList &args, IqSettings &s, QString &error)
{
    CommandLine cl(args, {"--pair", "--position", "--length"}, {"--series", "--json"});
    s.files = cl.positional();
    if (s.files.isEmpty())
        cl.fail(QStringLiteral("iq needs at least one record file"));
    s.pair = int(cl.integer("--pair", 0, 0, 511));
    s.position = uint64_t(cl.integer("--position", 0, 0, INT64_MAX));
    s.length = uint64_t(cl.integer("--length", qint64(s.length), 1, qint64(1) << 31));
    s.series = cl.has("--series");
    s.json = cl.has("--json");
    error = cl.error();
    return cl.ok();
}

struct IqFigures {
    std::vector<double> envelope, frequency, phase;
    SeriesStats envelopeStats, frequencyStats;
    double span = 0.0;
};

IqFigures figuresOf(const IqSlice &z)
{
    const size_t n = z.size();
    IqFigures f;
    f.envelope.resize(n);
    f.frequency.resize(n);
    f.phase.resize(n);
    iqEnvelope(z.re.data(), z.im.data(), n, 1.0, f.envelope.data());
    iqFrequency(z.re.data(), z.im.data(), n, z.sampleRate, f.frequency.data());
    iqPhase(z.re.data(), z.im.data(), n, f.phase.data());
    f.envelopeStats = seriesStats(f.envelope.data(), n);
    f.frequencyStats = seriesStats(f.frequency.data(), n);
    f.span = unwrappedSpan(f.phase.data(), n);
    return f;
}

QJsonArray jsonSeries(const std::vector<double> &v)
{
    QJsonArray a;
    for (double x : v)
        a.append(jsonNumber(x));
    return a;
}

void printJson(const IqSettings &s, const IqSlice &z, const IqFigures &f)
{
    QJsonObject envelope{{"min", jsonNumber(f.envelopeStats.min)},
                         {"max", jsonNumber(f.envelopeStats.max)},
                         {"mean", jsonNumber(f.envelopeStats.mean)},
                         {"rms", jsonNumber(f.envelopeStats.rms)}};
    QJsonObject frequency{{"min", jsonNumber(f.frequencyStats.min)},
                          {"max", jsonNumber(f.frequencyStats.max)},
                          {"mean", jsonNumber(f.frequencyStats.mean)},
                          {"deviation", jsonNumber(f.frequencyStats.deviation)}};
    QJsonObject phase{{"first", jsonNumber(f.phase.front())},
                      {"last", jsonNumber(f.phase.back())},
                      {"unwrappedSpan", jsonNumber(f.span)}};
    QJsonObject out{{"file", s.files.first()},
                    {"pair", s.pair},
                    {"sampleRate", jsonNumber(z.sampleRate)},
                    {"first", z.x.empty() ? QJsonValue() : QJsonValue(z.x.front())},
                    {"samples", double(z.size())},
                    {"envelope", envelope},
                    {"frequency", frequency},
                    {"phase", phase}};
    if (s.series) {
        out["series"] = QJsonObject{{"sample", jsonSeries(z.x)},
                                    {"envelope", jsonSeries(f.envelope)},
                                    {"frequency", jsonSeries(f.frequency)},
                                    {"phase", jsonSeries(f.phase)}};
    }
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Indented).constData(), stdout);
}

void printText(const IqSettings &s, const IqSlice &z, const IqFigures &f)
{
    // Each text lives to the end of the printf that uses it.
    auto n = [](double v) { return formatNumber(v).toUtf8(); };
    std::printf("%s: pair %d, %s Hz, %zu samples\n", qPrintable(s.files.join(QStringLiteral(", "))),
                s.pair, n(z.sampleRate).constData(), z.size());
    std::printf("  envelope   min %s  max %s  mean %s  RMS %s codes\n", n(f.envelopeStats.min).constData(),
                n(f.envelopeStats.max).constData(), n(f.envelopeStats.mean).constData(), n(f.envelopeStats.rms).constData());
    std::printf("  frequency  min %s  max %s  mean %s  deviation %s Hz\n", n(f.frequencyStats.min).constData(),
                n(f.frequencyStats.max).constData(), n(f.frequencyStats.mean).constData(), n(f.frequencyStats.deviation).constData());
    std::printf("  phase      first %s  last %s  unwrapped span %s deg\n", n(f.phase.front()).constData(),
                n(f.phase.back()).constData(), n(f.span).constData());
    if (!s.series)
        return;
    std::printf("  sample envelope frequency phase\n");
    for (size_t i = 0; i < z.size(); ++i)
        std::printf("  %.0f %s %s %s\n", z.x[i], n(f.envelope[i]).constData(), n(f.frequency[i]).constData(), n(f.phase[i]).constData());
}

} // namespace

int iqCommand(const QStringList &args)
{
    IqSettings s;
    QString error;
    if (!parse(args, s, error)) {
        reportError(error);
        return ExitUsage;
    }
    BlockSnapshotPtr block;
    const int status = readOneBlock(s.files, [&](FileSource &source) {
        source.setComputeSpectrum(false);
        source.setPosition(s.position, 3 * s.length);
    }, block);
    if (status != ExitOk)
        return status;
    if (positionBeyondRecord(s.files.first(), s.position, *block))
        return ExitRecord;
    if (!block->firstFile().isComplex) {
        reportError(s.files.first() + QStringLiteral(": the record is not complex (no I/Q pairs)"));
        return ExitRecord;
    }
    const IqSlice z = makeIqSlice(*block, 2 * s.pair, spanFromSample(*block, double(s.position), s.length));
    if (z.empty()) {
        reportError(s.files.first() + QStringLiteral(": no I/Q pair %1 at sample %2 (%3 channels)")
                                          .arg(s.pair)
                                          .arg(s.position)
                                          .arg(block->channels.totalCount()));
        return ExitRecord;
    }
    const IqFigures f = figuresOf(z);
    if (s.json)
        printJson(s, z, f);
    else
        printText(s, z, f);
    return ExitOk;
}
