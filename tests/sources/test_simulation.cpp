// The generator: the sine formula with its per-block random phase, continuity from block to
// block, one or many output channels, noise, and the dialog's settings and conversions.
#include "SourceTestKit.h"

#include "sources/generator/SignalSimulation.h"
#include "sources/generator/Synthesis.h"
#include "sources/generator/SimulationSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

SimulationSettings oneTone(double frequency, double amplitude, double phase = 0)
{
    SimulationSettings s;
    s.rows[0].frequency = frequency;
    s.rows[0].amplitude = amplitude;
    s.rows[0].phase = phase;
    return s;
}

// What the generator must produce: floor(sin(k w + phi) (A - 1) + 0.5).
double expected(uint64_t k, double omega, double phase, double amplitude)
{
    return std::floor(std::sin(double(k) * omega + phase) * (amplitude - 1) + 0.5);
}

} // namespace

class SimulationTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsStayInTwelveBits()
    {
        SignalSimulation sim;
        applySimulation(sim, SimulationSettings());
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        QCOMPARE(sim.lastBlock()->channels.totalCount(), 1);
        QCOMPARE(sim.blockLength(), 1024u);
        const ChannelRecord *r = sim.channelRecord(0);
        QVERIFY(r->maximum <= 2047 && r->minimum >= -2047);
        QVERIFY(r->maximum > 2000 && r->minimum < -2000);
        QVERIFY(qAbs(r->fundamentalFrequency - 1000) < 5);
    }

    // New settings applied in a hold after a block was served, then that block acknowledged by
    // the cycle: the change must still reach the next block (it was lost, and the generator
    // then wrote the longer block into the shorter buffer).
    void aChangeAfterTheServedBlockIsNotLost()
    {
        SignalSimulation sim;
        SimulationSettings settings;
        applySimulation(sim, settings);
        QVERIFY(BlockWaiter(sim).fetch());
        QCOMPARE(sim.lastBlock()->sampleLength, 1024ull);
        {
            SourceHold hold(sim);
            settings.sampleCount = 8192;
            applySimulation(sim, settings);
        }
        sim.setParamsChanged(false); // the cycle done with the earlier block
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        const BlockSnapshotPtr block = sim.lastBlock();
        QCOMPARE(block->sampleLength, 8192ull);
        QVERIFY(block->channelSpectrum(0));
        QVERIFY(block->channelRecord(0)->shown);
    }

    // Each block continues 96 % of a block further, with a new random phase drawn by rand().
    void blocksFollowTheFormulaAndOverlap()
    {
        const double rate = 101000, frequency = rate / 4;
        SimulationSettings s = oneTone(frequency, 1000, 30);
        s.sampleCount = 1000;
        SignalSimulation sim;
        applySimulation(sim, s);
        BlockWaiter waiter(sim);
        std::srand(4242);
        const int r1 = std::rand(), r2 = std::rand();
        std::srand(4242);
        const double omega = M_PI / 2, phase = -30 * M_PI / 180;
        QVERIFY(waiter.fetch());
        for (uint64_t n = 0; n < 1000; ++n)
            QCOMPARE(sim.lastBlock()->channelSamples(0)[n], expected(n, omega, r1 * 2 * M_PI / 32767 + phase,
                                                        1000));
        QVERIFY(waiter.fetch());
        for (uint64_t n = 0; n < 1000; ++n)
            QCOMPARE(sim.lastBlock()->channelSamples(0)[n],
                     expected(960 + n, omega, r2 * 2 * M_PI / 32767 + phase, 1000));
    }

    // The tone kernel turns a phasor instead of calling sin per sample: over 10M samples it
    // stays within 1e-12 of the sine, and 2^30 samples into a record within what the long
    // double phase of the reference itself still resolves there.
    void toneKernelKeepsToTheSine()
    {
        const size_t n = 10'000'000;
        std::vector<double> out(n, 0.0);
        for (const auto &[first, tolerance] : {std::pair<uint64_t, double>{0, 1e-12}, {uint64_t(1) << 30, 1e-10}}) {
            const double omega = 2 * M_PI * 0.123456789, phase = 0.3;
            std::fill(out.begin(), out.end(), 0.0);
            addTone(out.data(), n, first, omega, phase, 1.0, false);
            double worst = 0;
            for (size_t i = 0; i < n; i += 7) // every 7th: all lanes and restart points
                worst = std::max(worst, std::abs(out[i] - double(std::sin(static_cast<long double>(first + i) * omega + phase))));
            QVERIFY2(worst < tolerance, qPrintable(QString::number(worst)));
        }
    }

    void manySignalsGiveOneChannelPerRow()
    {
        SimulationSettings s = oneTone(1000, 500);
        s.rows[3] = {true, 0, 300, 2500, 0};
        SignalSimulation sim;
        applySimulation(sim, s);
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        QCOMPARE(sim.lastBlock()->channels.numbers(), (QList<int>{0, 3}));
        QVERIFY(sim.channelRecord(1)->maximum <= 299 && sim.channelRecord(1)->maximum > 295);
        QVERIFY(qAbs(sim.channelRecord(1)->fundamentalFrequency - 2500) < 10);
    }

    void oneSignalSumsEveryRow()
    {
        SimulationSettings s = oneTone(1000, 1001);
        s.rows[1] = {true, 0, 1001, 1000, 180}; // the same tone in antiphase
        s.rows[2] = {true, 0, 0.5, 5000, 0};    // below one code: silent
        s.manySignals = false;
        SignalSimulation sim;
        applySimulation(sim, s);
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        QCOMPARE(sim.lastBlock()->channels.totalCount(), 1);
        QVERIFY(sim.channelRecord(0)->maximum <= 1 && sim.channelRecord(0)->minimum >= -1);
    }

    void noiseHasTheGivenRms()
    {
        SimulationSettings s = oneTone(1000, 0);
        s.rows[0].noiseAmplitude = 20;
        s.sampleCount = 65536;
        SignalSimulation sim;
        applySimulation(sim, s);
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        double sum = 0, sum2 = 0;
        for (int i = 0; i < 65536; ++i) {
            const double v = sim.lastBlock()->channelSamples(0)[i];
            QCOMPARE(v, std::round(v)); // whole codes
            sum += v;
            sum2 += v * v;
        }
        const double mean = sum / 65536, rms = std::sqrt(sum2 / 65536 - mean * mean);
        // 20 LSB Gaussian plus the 1/12 LSB^2 of rounding; 65536 samples give about 0.3 %.
        QVERIFY2(qAbs(rms - std::sqrt(400 + 1.0 / 12)) < 0.2, qPrintable(QString::number(rms)));
        QVERIFY(qAbs(mean) < 0.5);
    }

    void settingsRoundTripUnderTheirKeys()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("ORMA.ini");
        SimulationSettings loaded;
        loaded.load(ini); // nothing stored yet: the defaults
        QCOMPARE(loaded.sampleCount, 1024ull);
        QCOMPARE(loaded.sampleRate, 101000.0);
        QCOMPARE(loaded.voltageRangeMv, 5000);
        QCOMPARE(loaded.rows[0].amplitude, 2048.0);
        QVERIFY(loaded.rows[0].enabled && !loaded.rows[1].enabled);

        SimulationSettings s;
        s.rows[7] = {true, 3, 123.9, 4567.125, 45.5};
        s.sampleRate = 2.5e6;
        s.manySignals = false;
        s.save(ini);
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value("Simulation/Freq7").toDouble(), 4567.125);
        QCOMPARE(raw.value("Simulation/IsWhiteNoise7").toInt(), 3);
        QCOMPARE(raw.value("Simulation/IsManyMode").toInt(), 0);
        QCOMPARE(raw.value("Simulation/ChanNum7").toInt(), 7);
        SimulationSettings back;
        back.load(ini);
        QCOMPARE(back.rows[7].phase, 45.5);
        QCOMPARE(back.sampleRate, 2.5e6);

        // The record of a row truncates to whole codes, hertz and degrees.
        const ChannelRecord r = back.channelRecord(7);
        QCOMPARE(r.channelNumber, 7);
        QCOMPARE(r.amplitude, 123);
        QCOMPARE(r.frequency, 4567);
        QCOMPARE(r.phase, 45);
        QCOMPARE(back.fileParams().channelCount, 2u);
        QVERIFY(!back.fileParams().multiChannel);
    }

    void harmonicsPreset()
    {
        SimulationSettings s = oneTone(1500, 3000, 10);
        s.rows[4].noiseAmplitude = 9;
        s.applyHarmonicsPreset();
        QCOMPARE(s.enabledCount(), 16);
        QVERIFY(!s.manySignals);
        QCOMPARE(s.rows[0].amplitude, 3000.0);
        QCOMPARE(s.rows[15].frequency, 16 * 1500.0);
        QCOMPARE(s.rows[15].amplitude, 2.0);
        QCOMPARE(s.rows[3].phase, 90.0);
        QCOMPARE(s.rows[4].phase, 0.0);
        QCOMPARE(s.rows[4].noiseAmplitude, 0);
    }
};

QTEST_GUILESS_MAIN(SimulationTest)
#include "test_simulation.moc"
