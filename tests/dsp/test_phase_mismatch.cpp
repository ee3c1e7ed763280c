// Phase between two sampled tones against the delay that made them: a channel delayed by d
// seconds at f hertz lags by 360 f d degrees. Samples are whole ADC codes, as a converter gives.
#include "dsp/PhaseMismatch.h"

#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct Tone {
    double frequency = 10e3; // Hz
    double amplitude = 30000; // codes (peak)
    double delay = 0.0;       // s; positive: later than the reference
    double offset = 0.0;      // codes
    double phaseDeg = 0.0;
    double noise = 0.0;       // codes RMS
};

constexpr double Rate = 1e6;

std::vector<double> sampled(const Tone &t, size_t n, uint64_t seed = 1)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> gauss(0.0, t.noise > 0 ? t.noise : 1.0);
    std::vector<double> s(n);
    for (size_t i = 0; i < n; ++i) {
        const double time = double(i) / Rate - t.delay;
        double v = t.offset + t.amplitude * std::sin(2 * M_PI * t.frequency * time + t.phaseDeg * M_PI / 180);
        if (t.noise > 0)
            v += gauss(random);
        s[i] = std::nearbyint(v);
    }
    return s;
}

PhaseResult phaseOf(const Tone &reference, const Tone &other, size_t n = 65536)
{
    const std::vector<double> a = sampled(reference, n, 1), b = sampled(other, n, 2);
    return measurePhase(a.data(), b.data(), n);
}

// A tone that is not a whole number of samples per period, so that crossings fall everywhere
// between samples.
constexpr double OddHz = 10e3 * 1.0137;

} // namespace

class TestPhaseMismatch : public QObject {
    Q_OBJECT
private slots:
    void knownDelayGivesKnownPhase_data()
    {
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("degrees"); // lag of the other channel
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("tolerance");
        const double full16 = 32000, full24 = 8388607;
        QTest::newRow("1 us at 10 kHz") << 10e3 << full16 << 3.6 << 0.0 << 0.001;
        QTest::newRow("12.5 deg lag") << OddHz << full16 << 12.5 << 0.0 << 0.001;
        QTest::newRow("12.5 deg lead") << OddHz << full16 << -12.5 << 0.0 << 0.001;
        QTest::newRow("quarter period") << OddHz << full16 << 90.0 << 0.0 << 0.001;
        QTest::newRow("12.5 deg lag, DC 300") << OddHz << full16 << 12.5 << 300.0 << 0.001;
        QTest::newRow("12.5 deg lead, DC -300") << OddHz << full16 << -12.5 << -300.0 << 0.001;
        QTest::newRow("24-bit, 12.5 deg lag") << OddHz << full24 << 12.5 << 0.0 << 0.001;
        QTest::newRow("24-bit, DC 300") << OddHz << full24 << 12.5 << 300.0 << 0.001;
        QTest::newRow("170 deg lag") << OddHz << full16 << 170.0 << 0.0 << 0.001;
        QTest::newRow("fast tone, 3 samples a period") << Rate / 3.1 << full16 << 30.0 << 0.0 << 0.5;
    }

    void knownDelayGivesKnownPhase()
    {
        QFETCH(double, frequency);
        QFETCH(double, amplitude);
        QFETCH(double, degrees);
        QFETCH(double, offset);
        QFETCH(double, tolerance);
        Tone ref;
        ref.frequency = frequency;
        ref.amplitude = amplitude;
        Tone other = ref;
        other.delay = degrees / 360.0 / frequency;
        other.offset = offset;
        const PhaseResult r = phaseOf(ref, other);
        QVERIFY(r.ok());
        // Reference time minus other time: a later channel reads negative.
        QVERIFY2(std::abs(r.degrees + degrees) < tolerance,
                 qPrintable(QString("%1 instead of %2").arg(r.degrees, 0, 'f', 5).arg(-degrees)));
    }

    // Both channels offset, over a span that ends in the middle of a period: the plain mean
    // would be biased by the partial period, the mean over whole periods is not.
    void partialPeriodsAndCommonOffset()
    {
        Tone ref;
        ref.frequency = OddHz;
        ref.offset = 1200;
        Tone other = ref;
        other.delay = 12.5 / 360 / OddHz;
        const size_t n = size_t(10.3 * Rate / OddHz);
        const PhaseResult r = phaseOf(ref, other, n);
        QVERIFY(r.ok());
        QVERIFY2(std::abs(r.degrees + 12.5) < 0.02, qPrintable(QString::number(r.degrees)));
    }

    // White noise of 2 codes on a 1000-code tone: each crossing jitters by 2 / (A w) samples,
    // averaged over some 660 pairs.
    void noiseAveragesOut()
    {
        Tone ref;
        ref.frequency = OddHz;
        ref.amplitude = 1000;
        ref.noise = 2;
        Tone other = ref;
        other.delay = -40.0 / 360 / OddHz;
        const PhaseResult r = phaseOf(ref, other);
        QVERIFY(r.ok());
        QVERIFY2(std::abs(r.degrees - 40.0) < 0.05, qPrintable(QString::number(r.degrees)));
    }

    void lagOverFrequencyAndNoise_data()
    {
        QTest::addColumn<double>("fraction"); // of the sampling rate
        QTest::addColumn<double>("noise");    // codes RMS
        QTest::addColumn<double>("degrees");
        QTest::newRow("1e-4 fs, 3 LSB, 10 deg") << 1e-4 << 3.0 << 10.0;
        QTest::newRow("1e-4 fs, 4 LSB, -100 deg") << 1e-4 << 4.0 << -100.0;
        QTest::newRow("1e-2 fs, 4 LSB, 47.3 deg") << 1e-2 << 4.0 << 47.3;
        QTest::newRow("0.2 fs, no noise, 10 deg") << 0.2 << 0.0 << 10.0;
        QTest::newRow("0.2 fs, 4 LSB, 170 deg") << 0.2 << 4.0 << 170.0;
    }

    // A 14-bit tone of 8000 codes over 65536 samples: noise near the level must not add
    // crossings, and 5 samples a period must not bend them, to stay within 0.05 degrees.
    void lagOverFrequencyAndNoise()
    {
        QFETCH(double, fraction);
        QFETCH(double, noise);
        QFETCH(double, degrees);
        Tone ref;
        ref.frequency = fraction * Rate;
        ref.amplitude = 8000;
        ref.noise = noise;
        Tone other = ref;
        other.delay = degrees / 360.0 / ref.frequency;
        const PhaseResult r = phaseOf(ref, other);
        QVERIFY(r.ok());
        QVERIFY2(std::abs(r.degrees + degrees) < 0.05, qPrintable(QString::number(r.degrees)));
    }

    // Tones 1 % apart drift a period apart over 100 periods: no one phase, no "ok".
    void differentFrequenciesDoNotPair()
    {
        Tone ref;
        ref.frequency = OddHz;
        Tone other = ref;
        other.frequency = 1.01 * OddHz;
        const PhaseResult r = phaseOf(ref, other);
        QCOMPARE(r.status, PhaseStatus::Unpaired);
        QCOMPARE(r.degrees, PhaseUnpairedFailure);
    }

    void equalSignalsGiveZero()
    {
        Tone t;
        t.frequency = OddHz;
        const std::vector<double> s = sampled(t, 20000);
        const PhaseResult r = measurePhase(s.data(), s.data(), s.size());
        QVERIFY(r.ok());
        QCOMPARE(r.degrees, 0.0);
    }

    // Energy below half the reference's is not measured: amplitude 0.70 (energy 0.49) fails,
    // 0.72 (0.518) is measured, whichever of the two is the weaker.
    void energyBoundary()
    {
        Tone ref;
        ref.frequency = OddHz;
        Tone other = ref;
        other.delay = 1e-6;
        other.amplitude = 0.70 * ref.amplitude;
        PhaseResult r = phaseOf(ref, other);
        QCOMPARE(r.status, PhaseStatus::Energy);
        QCOMPARE(r.degrees, 360.0);
        r = phaseOf(other, ref);
        QCOMPARE(r.status, PhaseStatus::Energy);
        other.amplitude = 0.72 * ref.amplitude;
        QVERIFY(phaseOf(ref, other).ok());
        QVERIFY(phaseOf(other, ref).ok());
    }

    // A tone starting at its minimum crosses upwards a quarter period later: 4 times over 4.2
    // periods, 5 times over 5.2.
    void tooFewPeriods()
    {
        Tone t;
        t.phaseDeg = -90;
        const size_t four = size_t(4.2 * Rate / t.frequency), five = size_t(5.2 * Rate / t.frequency);
        PhaseResult r = phaseOf(t, t, four);
        QCOMPARE(r.status, PhaseStatus::FewReference);
        QCOMPARE(r.degrees, 900.0);
        QVERIFY(phaseOf(t, t, five).ok());

        // The other channel at a fifth of the frequency: 1 or 2 crossings, same energy.
        Tone slow = t;
        slow.frequency = t.frequency / 5;
        r = phaseOf(t, slow, size_t(8.5 * Rate / t.frequency));
        QCOMPARE(r.status, PhaseStatus::FewOther);
        QCOMPARE(r.degrees, 800.0);
    }

    // Nothing to measure is a failure value, never a read past the end or a division by 0.
    void degenerateInputs()
    {
        const std::vector<double> zeros(1000, 0.0), one{5.0};
        QCOMPARE(measurePhase(zeros.data(), zeros.data(), zeros.size()).degrees, 900.0);
        QCOMPARE(measurePhase(one.data(), one.data(), 1).degrees, 900.0);
        QCOMPARE(measurePhase(nullptr, nullptr, 0).degrees, 900.0);
        const std::vector<double> flat(1000, 1234.0);
        QCOMPARE(measurePhase(flat.data(), flat.data(), flat.size()).degrees, 900.0);
    }

    // The level the crossings are interpolated to is the channel's own: an offset alone
    // moves no crossing in time. The crossing half a sample into the record comes before any
    // sample below the level and is not counted.
    void crossingsOfOffsetTone()
    {
        Tone t;
        t.frequency = 12.5e3; // 80 samples a period, crossing at 0, 80, 160, ...
        t.amplitude = 1e6;
        t.offset = 300;
        t.phaseDeg = -360 * 0.5 / 80; // crossings half-way between samples: 0.5, 80.5, ...
        const std::vector<double> s = sampled(t, 8000);
        const ChannelCrossings c = channelCrossings(s.data(), s.size());
        QVERIFY(std::abs(c.level - 300) < 0.5);
        QCOMPARE(c.times.size(), size_t(99));
        for (size_t k = 0; k < c.times.size(); ++k)
            QVERIFY2(std::abs(c.times[k] - (80.5 + 80.0 * double(k))) < 1e-3, qPrintable(QString::number(c.times[k])));
        QVERIFY(std::abs(c.periodSamples() - 80.0) < 1e-6);
        // Energy about the level: n A^2 / 2.
        QVERIFY(std::abs(c.energy / (8000 * 0.5e12) - 1) < 1e-6);
    }
};

QTEST_GUILESS_MAIN(TestPhaseMismatch)
#include "test_phase_mismatch.moc"
