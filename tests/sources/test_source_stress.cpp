// The worker thread under load: thousands of requests, settings changed inside holds taken
// while blocks are in flight, buffers read between blocks, and sources destroyed while they
// wait for a producer. Run under ThreadSanitizer as well.
#include "SourceTestKit.h"

#include "sources/record/FileSource.h"
#include "sources/record/RecordProducer.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// The checks the GUI would make on a delivered block: whatever a hold changed meanwhile, a
// snapshot agrees with itself (its spectra have the bins of its N, its samples its length).
// Empty when it does, else what disagrees.
QString blockProblem(const BlockSnapshot &block)
{
    const double *spectrum = block.channelSpectrum(0);
    const double *samples = block.channelSamples(0);
    if (!spectrum || !samples)
        return QStringLiteral("no spectrum or no samples (status %1)").arg(block.readStatus);
    if (block.binCount != int(block.fftSize / 2))
        return QStringLiteral("%1 bins for N = %2").arg(block.binCount).arg(block.fftSize);
    for (int j = 0; j < block.binCount; j += 7) {
        if (!std::isfinite(spectrum[j]) || spectrum[j] < 0)
            return QStringLiteral("bin %1 holds %2").arg(j).arg(spectrum[j]);
    }
    const uint64_t last = block.sampleLength - 1;
    if (block.sampleLength < block.fftSize || !std::isfinite(samples[last]))
        return QStringLiteral("%1 samples for N = %2").arg(block.sampleLength).arg(block.fftSize);
    if (block.index[last] != double(block.window.windowStart + last))
        return QStringLiteral("index ends at %1, window starts at %2")
            .arg(block.index[last]).arg(block.window.windowStart);
    return QString();
}

// Requests `count` blocks; every `holdEvery`-th request changes settings in a hold taken while
// the block may still be in flight.
void hammer(SignalSource &source, int count, int holdEvery,
            const std::function<void(SignalSource &, int)> &change)
{
    BlockWaiter waiter(source);
    int served = 0;
    for (int i = 0; i < count; ++i) {
        source.requestData();
        if (i % holdEvery == 0) {
            SourceHold hold(source);
            change(source, i);
        }
        QVERIFY2(waiter.waitFor(served + 1, 20000),
                 qPrintable(QStringLiteral("request %1 was not served").arg(i)));
        served = waiter.count();
        source.setParamsChanged(false);
        source.setWindowChanged(false);
        source.setSettingsChanged(false);
        const QString problem = blockProblem(*source.lastBlock());
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("block %1: %2").arg(i).arg(problem)));
    }
    QTest::qWait(20);
    QCOMPARE(waiter.count(), count);
}

} // namespace

class SourceStressTest : public QObject {
    Q_OBJECT
private slots:
    void generatorUnderHolds()
    {
        SignalSimulation sim;
        SimulationSettings s;
        s.sampleCount = 4096;
        s.rows[1] = {true, 2, 700, 3000, 0};
        applySimulation(sim, s);
        const uint32_t sizes[] = {256, 1024, 512, 2048};
        hammer(sim, 3000, 3, [&](SignalSource &source, int i) {
            source.setFftSize(sizes[(i / 3) % 4]);
            SpectrumSettings analysis = source.spectrumSettings();
            analysis.windowType = uint8_t(i % 11);
            analysis.averageCount = uint32_t(1 + i % 4);
            source.setSpectrumSettings(analysis);
            if (i % 30 == 0) { // new generator parameters now and then
                s.rows[1].frequency = 1000 + i;
                applySimulation(static_cast<SignalSimulation &>(source), s);
            }
        });
    }

    void fileSourceUnderHolds()
    {
        QTemporaryDir dir;
        RecordRecipe recipe = defaultRecordRecipe();
        recipe.params = layout16(4, 200000);
        recipe.tones = {{5000, 10000, 0}};
        QVERIFY(writeRecordFile(dir.filePath("big.bin"), recipe, true));
        FileSource source;
        source.setFileName(dir.filePath("big.bin"));
        source.setPollInterval(0);
        hammer(source, 1500, 2, [](SignalSource &s, int i) {
            s.setPosition(uint64_t(i) * 997 % 210000, 3000 + uint64_t(i % 5) * 1000);
            s.setFftSize(i % 4 ? 1024 : 256);
            s.setAllDataMode(i % 50 == 0);
        });
    }

    void destroyedWhileWaiting()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath("waiting.bin");
        RecordProducer producer(record, defaultRecordRecipe());
        QVERIFY(producer.start());
        QVERIFY(producer.appendBlock());
        for (int round = 0; round < 20; ++round) {
            auto *source = new FileSource;
            source->setFileName(record);
            source->setPollInterval(round % 3);
            BlockWaiter waiter(*source);
            QVERIFY(waiter.fetch());   // answers "taken"
            source->requestData();     // parks: no block is offered
            if (round % 2)
                QTRY_VERIFY(source->waitingFlag());
            QElapsedTimer timer;
            timer.start();
            delete source;
            QVERIFY(timer.elapsed() < 2000);
            FlagFile flag;
            flag.setPath(producer.flagPath());
            FlagWord word;
            QVERIFY(flag.read(word));
            QCOMPARE(word.state, FlagIdle); // the viewer leaves the flag idle
        }
    }
};

QTEST_GUILESS_MAIN(SourceStressTest)
#include "test_source_stress.moc"
