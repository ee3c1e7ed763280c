// orma-tool shm-produce: a live producer over shared memory, block after block with the flag
// handshake, for watching the viewer without acquisition hardware.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordOptions.h"

#include "sources/live/ShmProducer.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

int shmProduceCommand(const QStringList &args)
{
    CommandLine cl(args, RecordOptions + QSet<QString>{"--blocks", "--period-ms"}, RecordFlags);
    const RecordRecipe recipe = recordRecipe(cl);
    if (!cl.has("--blocks") || !cl.has("--period-ms"))
        cl.fail(QStringLiteral("shm-produce needs --blocks and --period-ms"));
    if (cl.has("--no-postfix"))
        cl.fail(QStringLiteral("a live block carries its postfix"));
    const qint64 blocks = cl.integer("--blocks", 1, 1, INT32_MAX);
    const int period = int(cl.integer("--period-ms", 0, 0, 3600000));
    const QString name = cl.positional().value(0);
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        cl.fail(QStringLiteral("the region name must be a plain name without '/'"));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    ShmProducer producer(name, recipe);
    QString error;
    if (!producer.start(&error)) {
        reportError(error);
        return ExitRecord;
    }
    // Interrupted or not, the regions' names go away at the end.
    catchInterrupts();
    QElapsedTimer clock;
    clock.start();
    // Block 0 is on offer from the start; block b follows b periods later.
    for (qint64 b = 1; b < blocks && !interruptRequested(); ++b) {
        const qint64 next = b * period;
        while (!interruptRequested() && clock.elapsed() < next)
            QThread::msleep(uint32_t(std::min<qint64>(10, next - clock.elapsed())));
        // A viewer that is not back within the period misses this block.
        if (!interruptRequested())
            producer.publishBlock(period);
    }
    if (!interruptRequested() && !producer.waitTaken(std::max(period, 1000)))
        std::fprintf(stderr, "orma-tool: nobody took the last block of %s\n", qPrintable(name));
    std::printf("%llu blocks of %llu samples published as %s_blk0 (%llu skipped: the viewer was "
                "busy)\n",
                static_cast<unsigned long long>(producer.blocksPublished()),
                static_cast<unsigned long long>(recipe.params.sampleCount), qPrintable(name),
                static_cast<unsigned long long>(producer.blocksSkipped()));
    return ExitOk;
}
