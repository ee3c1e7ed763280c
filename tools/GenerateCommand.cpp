// orma-tool generate and produce: records written as an acquisition program would write
// them, whole or growing block by block with the flag-file handshake.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordOptions.h"

#include "sources/record/RecordProducer.h"

#include <QThread>

#include <cstdio>

const QSet<QString> RecordOptions = {"--channels", "--samples", "--rate", "--bits", "--bytes",
                                     "--range", "--code", "--tone", "--noise",
                                     "--channel-delay"};
const QSet<QString> RecordFlags = {"--complex", "--no-postfix"};

namespace {

bool parseTone(const QString &text, RecordTone &tone)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    bool ok[3] = {true, true, true};
    tone.frequency = parts.at(0).toDouble(&ok[0]);
    tone.amplitude = parts.at(1).toDouble(&ok[1]);
    tone.phaseDeg = parts.size() == 3 ? parts.at(2).toDouble(&ok[2]) : 0.0;
    return ok[0] && ok[1] && ok[2];
}

} // namespace

RecordRecipe recordRecipe(CommandLine &cl)
{
    RecordRecipe recipe = defaultRecordRecipe();
    FileParams &p = recipe.params;
    p.isComplex = cl.has("--complex");
    p.channelCount = uint32_t(cl.integer("--channels", p.isComplex ? 2 : 1, 1, 1024));
    if (p.isComplex && p.channelCount % 2)
        cl.fail(QStringLiteral("a complex record needs an even number of channels (I/Q pairs)"));
    p.channelNumbers.resize(p.channelCount);
    for (uint32_t c = 0; c < p.channelCount; ++c)
        p.channelNumbers[c] = int(c);
    p.sampleCount = uint64_t(cl.integer("--samples", qint64(p.sampleCount), 8, qint64(1) << 31));
    p.sampleRate = cl.real("--rate", p.sampleRate, 1e-3, 1e12);
    p.bytesPerSample = uint8_t(cl.integer("--bytes", p.bytesPerSample, 1, 4));
    if (p.bytesPerSample == 3)
        cl.fail(QStringLiteral("--bytes must be 1, 2 or 4"));
    p.bitRange = uint8_t(cl.integer("--bits", 8 * p.bytesPerSample, 1, 8 * p.bytesPerSample));
    p.voltageRangeMv = int32_t(cl.real("--range", p.voltageRangeMv / 1000.0, 0.0, 2e6) * 1000.0);
    p.codeType = int32_t(cl.integer("--code", 0, 0, 2));
    recipe.noiseRms = cl.real("--noise", 0.0, 0.0, 1e9);
    recipe.channelDelay = cl.real("--channel-delay", 0.0, -1e6, 1e6);
    for (const QString &text : cl.values("--tone")) {
        RecordTone tone;
        if (!parseTone(text, tone))
            cl.fail(QStringLiteral("--tone takes FREQ:AMPLITUDE_CODES[:PHASE_DEG], not ") + text);
        recipe.tones.push_back(tone);
    }
    if (cl.positional().size() != 1)
        cl.fail(QStringLiteral("give exactly one output file"));
    return recipe;
}

int generateCommand(const QStringList &args)
{
    CommandLine cl(args, RecordOptions, RecordFlags);
    const RecordRecipe recipe = recordRecipe(cl);
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    QString error;
    const QString path = cl.positional().first();
    if (!writeRecordFile(path, recipe, !cl.has("--no-postfix"), &error)) {
        reportError(path + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    return ExitOk;
}

int produceCommand(const QStringList &args)
{
    CommandLine cl(args, RecordOptions + QSet<QString>{"--blocks", "--period-ms"}, RecordFlags);
    const RecordRecipe recipe = recordRecipe(cl);
    if (!cl.has("--blocks") || !cl.has("--period-ms"))
        cl.fail(QStringLiteral("produce needs --blocks and --period-ms"));
    if (cl.has("--no-postfix"))
        cl.fail(QStringLiteral("a live record carries its postfix"));
    const qint64 blocks = cl.integer("--blocks", 1, 1, INT32_MAX);
    const int period = int(cl.integer("--period-ms", 0, 0, 3600000));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    const QString path = cl.positional().first();
    RecordProducer producer(path, recipe);
    QString error;
    if (!producer.start(&error)) {
        reportError(path + QStringLiteral(": ") + error);
        return ExitRecord;
    }
    for (qint64 b = 0; b < blocks; ++b) {
        if (b > 0)
            QThread::msleep(uint32_t(period));
        if (!producer.appendBlock(&error)) {
            reportError(path + QStringLiteral(": ") + error);
            return ExitRecord;
        }
        producer.announce(period);
    }
    // Give a viewer one more period to take the last block.
    if (!producer.waitTaken(std::max(period, 1000)))
        std::fprintf(stderr, "orma-tool: nobody took the last block of %s\n", qPrintable(path));
    std::printf("%lld blocks of %llu samples written to %s\n", blocks,
                static_cast<unsigned long long>(recipe.params.sampleCount), qPrintable(path));
    return ExitOk;
}
