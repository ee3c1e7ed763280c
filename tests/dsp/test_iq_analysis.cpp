// Envelope, instantaneous frequency and phase of complex signals whose values are known in
// closed form, and the vector diagram's marker read-outs.
#include "dsp/IqAnalysis.h"
#include "dsp/VectorReadout.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr double Rate = 1e6;

struct Iq {
    std::vector<double> re, im;
    size_t size() const { return re.size(); }
};

// z[n] = a(n) exp(j phi(n)).
Iq complexSignal(size_t n, const std::function<double(double)> &amplitude,
                 const std::function<double(double)> &phase)
{
    Iq z;
    for (size_t i = 0; i < n; ++i) {
        const double a = amplitude(double(i)), p = phase(double(i));
        z.re.push_back(a * std::cos(p));
        z.im.push_back(a * std::sin(p));
    }
    return z;
}

Iq tone(size_t n, double hz, double amplitude = 1000)
{
    return complexSignal(n, [=](double) { return amplitude; },
                         [=](double i) { return 2 * M_PI * hz / Rate * i; });
}

// A converter's codes of a tone: A cos and A sin rounded to whole codes, so that a part is
// exactly 0 wherever the tone crosses an axis.
Iq convertedTone(size_t n, double hz, double amplitude)
{
    Iq z = tone(n, hz, amplitude);
    for (size_t i = 0; i < n; ++i) {
        z.re[i] = std::round(z.re[i]);
        z.im[i] = std::round(z.im[i]);
    }
    return z;
}

std::vector<double> frequencyOf(const Iq &z)
{
    std::vector<double> f(z.size());
    iqFrequency(z.re.data(), z.im.data(), z.size(), Rate, f.data());
    return f;
}

double degrees(double rad) { return rad * 180 / M_PI; }

} // namespace

class TestIqAnalysis : public QObject {
    Q_OBJECT
private slots:
    void complexToneAtPlusMinusFifthOfRate_data()
    {
        QTest::addColumn<double>("hz");
        QTest::newRow("+0.2 fs") << 0.2 * Rate;
        QTest::newRow("-0.2 fs") << -0.2 * Rate;
        QTest::newRow("+0.05 fs") << 0.05 * Rate;
        QTest::newRow("-0.45 fs") << -0.45 * Rate;
    }

    // Flat envelope, constant frequency f (the sign included), phase rising by 360 f / fs per
    // sample, wrapped into (-180, 180].
    void complexToneAtPlusMinusFifthOfRate()
    {
        QFETCH(double, hz);
        const size_t n = 4096;
        const Iq z = tone(n, hz, 1000);
        std::vector<double> env(n), ph(n);
        iqEnvelope(z.re.data(), z.im.data(), n, 2.0, env.data());
        const std::vector<double> f = frequencyOf(z);
        iqPhase(z.re.data(), z.im.data(), n, ph.data());
        for (size_t i = 0; i < n; ++i) {
            QVERIFY(std::abs(env[i] - 2000) < 1e-9);
            QVERIFY2(std::abs(f[i] - hz) < 1e-6 * Rate, qPrintable(QString("%1 at %2").arg(f[i]).arg(i)));
            QVERIFY(ph[i] > -180 && ph[i] <= 180);
            const double expected = std::remainder(360 * hz / Rate * double(i), 360.0);
            QVERIFY(std::abs(std::remainder(ph[i] - expected, 360.0)) < 1e-9);
        }
        QVERIFY(std::abs(unwrappedSpan(ph.data(), n) - 360 * hz / Rate * double(n - 1)) < 1e-6);
        const SeriesStats s = seriesStats(f.data(), n);
        QVERIFY(std::abs(s.mean - hz) < 1e-6 * Rate);
        QVERIFY(s.deviation < 1e-6 * Rate);
    }

    // A linear chirp from -100 kHz to +100 kHz: phase 2 pi (f0 i + k i^2 / 2) / fs, instantaneous
    // frequency f0 + k i. The centred phase step is exact for a quadratic phase.
    void linearChirp()
    {
        const size_t n = 20000;
        const double f0 = -100e3, k = 200e3 / double(n);
        const Iq z = complexSignal(n, [](double) { return 3000.0; },
                                   [=](double i) { return 2 * M_PI * (f0 * i + k * i * i / 2) / Rate; });
        const std::vector<double> f = frequencyOf(z);
        for (size_t i = 1; i + 1 < n; ++i)
            QVERIFY2(std::abs(f[i] - (f0 + k * double(i))) < 1e-3,
                     qPrintable(QString("%1 Hz off at %2").arg(f[i] - (f0 + k * double(i))).arg(i)));
        QCOMPARE(f[0], f[1]);
        QCOMPARE(f[n - 1], f[n - 2]);
    }

    // AM with m = 0.5 on a 100 kHz carrier: the envelope is A (1 + m cos wm t) exactly, the
    // frequency stays the carrier's.
    void amplitudeModulation()
    {
        const size_t n = 10000;
        const double a = 2000, m = 0.5, fm = 1e3, fc = 100e3;
        auto envelope = [=](double i) { return a * (1 + m * std::cos(2 * M_PI * fm / Rate * i)); };
        const Iq z = complexSignal(n, envelope, [=](double i) { return 2 * M_PI * fc / Rate * i; });
        std::vector<double> env(n);
        iqEnvelope(z.re.data(), z.im.data(), n, 1.0, env.data());
        for (size_t i = 0; i < n; ++i)
            QVERIFY(std::abs(env[i] - envelope(double(i))) < 1e-9);
        const SeriesStats s = seriesStats(env.data(), n);
        QVERIFY(std::abs(s.max - 3000) < 1e-6);
        QVERIFY(std::abs(s.min - 1000) < 1e-3);
        QVERIFY(std::abs(s.mean - 2000) < 1e-6); // 10 whole modulation periods
        QVERIFY(std::abs(s.rms - a * std::sqrt(1 + m * m / 2)) < 1e-6);
        const std::vector<double> f = frequencyOf(z);
        for (size_t i = 0; i < n; ++i)
            QVERIFY(std::abs(f[i] - fc) < 1e-6);
    }

    // A sample at the origin has no phase step: its frequency is 0; neighbours stay finite.
    void zeroSampleAndShortSeries()
    {
        Iq z = tone(16, 0.1 * Rate);
        z.re[7] = z.im[7] = 0;
        const std::vector<double> f = frequencyOf(z);
        QCOMPARE(f[7], 0.0);
        for (double v : f)
            QVERIFY(std::isfinite(v));

        const Iq two = tone(2, -0.1 * Rate);
        const std::vector<double> f2 = frequencyOf(two);
        QVERIFY(std::abs(f2[0] + 0.1 * Rate) < 1e-6 && f2[1] == f2[0]);
        const Iq one = tone(1, 0.1 * Rate);
        QCOMPARE(frequencyOf(one)[0], 0.0);
        QCOMPARE(seriesStats(nullptr, 0).rms, 0.0);
        QCOMPARE(unwrappedSpan(nullptr, 0), 0.0);
    }

    void convertedToneFrequency_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<std::vector<int>>("dropouts");
        QTest::newRow("fs/4: every sample on an axis") << 0.25 * Rate << std::vector<int>{};
        QTest::newRow("fs/8: every other sample on an axis") << 0.125 * Rate << std::vector<int>{};
        QTest::newRow("-0.2 fs") << -0.2 * Rate << std::vector<int>{};
        QTest::newRow("200 kHz, one sample at the origin") << 200e3 << std::vector<int>{40};
        QTest::newRow("-100 kHz, two samples at the origin") << -100e3 << std::vector<int>{40, 41};
        QTest::newRow("fs/4, the first sample at the origin") << 0.25 * Rate << std::vector<int>{0};
    }

    // Whole codes of amplitude 1000: a part that is 0 is no origin, and a sample at the origin
    // (both parts 0: a dropped sample) leaves its neighbours at the tone's frequency, bridged
    // across it, while it reads 0 itself. Rounding moves the phase by at most 0.5 / A rad.
    void convertedToneFrequency()
    {
        QFETCH(double, hz);
        QFETCH(std::vector<int>, dropouts);
        const double amplitude = 1000;
        Iq z = convertedTone(100, hz, amplitude);
        for (int i : dropouts)
            z.re[size_t(i)] = z.im[size_t(i)] = 0;
        const std::vector<double> f = frequencyOf(z);
        const double tolerance = Rate / (2 * M_PI) / amplitude;
        for (size_t i = 0; i < f.size(); ++i) {
            // The ends repeat their neighbours, dropped or not.
            const bool inner = i > 0 && i + 1 < f.size();
            const bool dropped = std::find(dropouts.begin(), dropouts.end(), int(i)) != dropouts.end();
            const double expected = dropped && inner ? 0.0 : hz;
            QVERIFY2(std::abs(f[i] - expected) <= tolerance,
                     qPrintable(QString("%1 Hz at %2, not %3").arg(f[i]).arg(i).arg(expected)));
        }
    }

    // Marker at I = 0, Q = 100: amplitude 100, phase 90 degrees or pi / 2.
    void vectorPolarReadout()
    {
        VectorReadoutStyle style;
        VectorReadout r = vectorReadout({0, 100}, {100, 0}, style);
        QCOMPARE(r.red[0], 100.0);
        QCOMPARE(r.red[1], 90.0);
        QCOMPARE(r.blue[1], 0.0);
        QCOMPARE(r.delta[0], 0.0);
        QCOMPARE(r.delta[1], 90.0);
        style.radians = true;
        r = vectorReadout({0, 100}, {-30, -40}, style);
        QVERIFY(std::abs(r.red[1] - M_PI / 2) < 1e-12);
        QCOMPARE(r.blue[0], 50.0);
        QCOMPARE(r.delta[0], 50.0);
        // -126.87 deg to 90 deg: 216.87 apart one way, 143.13 the other.
        QVERIFY(std::abs(degrees(r.delta[1]) - (90 + degrees(std::atan2(40, 30)))) < 1e-9);
    }

    // Either side of the negative I axis (+170 and -170 degrees) the markers are 20 degrees
    // apart, never 340.
    void vectorPhaseDifferenceWraps()
    {
        const auto at = [](double deg) {
            return VectorPoint{100 * std::cos(deg * M_PI / 180), 100 * std::sin(deg * M_PI / 180)};
        };
        VectorReadoutStyle style;
        VectorReadout r = vectorReadout(at(170), at(-170), style);
        QVERIFY(std::abs(r.delta[1] - 20) < 1e-9);
        r = vectorReadout(at(-90), at(90), style);
        QVERIFY(std::abs(r.delta[1] - 180) < 1e-9);
        r = vectorReadout(at(10), at(-10), style);
        QVERIFY(std::abs(r.delta[1] - 20) < 1e-9);
        style.radians = true;
        r = vectorReadout(at(170), at(-170), style);
        QVERIFY(std::abs(r.delta[1] - 20 * M_PI / 180) < 1e-12);
    }

    // Rectangular read-outs: as they are, or truncated to whole ADC codes (12.7 reads 12,
    // -12.7 reads -12).
    void vectorRectangularReadout()
    {
        VectorReadoutStyle style;
        style.rectangular = true;
        VectorReadout r = vectorReadout({12.7, -3.25}, {-12.7, 4.5}, style);
        QCOMPARE(r.red[0], 12.7);
        QCOMPARE(r.red[1], -3.25);
        QCOMPARE(r.delta[1], 7.75);
        style.wholeCodes = true;
        r = vectorReadout({12.7, -3.25}, {-12.7, 4.5}, style);
        QCOMPARE(r.red[0], 12.0);
        QCOMPARE(r.blue[0], -12.0);
        QCOMPARE(r.red[1], -3.0);
        QCOMPARE(r.delta[0], 24.0);
        QCOMPARE(r.delta[1], 7.0);
    }
};

QTEST_GUILESS_MAIN(TestIqAnalysis)
#include "test_iq_analysis.moc"
