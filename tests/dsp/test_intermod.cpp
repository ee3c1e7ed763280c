// Two-tone intermodulation through the real spectrum step: a polynomial nonlinearity gives the
// IM levels its Taylor terms predict, injected products of known level read back exactly, and
// the tone search follows its valley rules; products beyond the band are read where sampling
// aliases them, and figures whose groups overlap or lack a second tone are withheld.
#include "dsp/Intermod.h"
#include "dsp/SpectrumEngine.h"
#include "dsp/Windows.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int N = 16384;
constexpr double FullScale = 32767.0;

struct Spectrum {
    std::vector<double> bins;
    int width = 0;
};

// The block through the program's spectrum step (Blackman-Harris 7, real or I/Q).
Spectrum spectrumOf(const std::vector<double> &re, const std::vector<double> *im = nullptr,
                    uint8_t range = 1)
{
    SpectrumEngine engine;
    SpectrumSettings s;
    s.fftSize = N;
    s.windowType = WindowBlackmanHarris7;
    s.spectrumRange = range;
    SpectrumMeasurements m;
    engine.beginBlock(s, 1, im != nullptr);
    engine.analyseSamples(0, re.data(), im ? im->data() : nullptr, FullScale, 1000.0, 1e6, m);
    engine.endBlock();
    const double *p = engine.spectrum(0);
    return {std::vector<double>(p, p + engine.binCount()), engine.mainLobeWidth()};
}

// Samples of f(t), t = 0 ... N-1.
std::vector<double> samples(const std::function<double(double)> &f)
{
    std::vector<double> x(N);
    for (int t = 0; t < N; ++t)
        x[size_t(t)] = f(t);
    return x;
}

double cosine(double cycles, double t, double phase = 0.0)
{
    return std::cos(2 * M_PI * cycles * t / N + phase);
}

} // namespace

class IntermodTest : public QObject {
    Q_OBJECT
private slots:
    // y = x + k2 x^2 + k3 x^3 on two tones of amplitude A: the difference tone has k2 A^2, each
    // third-order product 3/4 k3 A^3, and each fundamental grows to A' = A + 9/4 k3 A^3. A
    // product below 0 Hz is a tone at its mirror frequency, one beyond the folding frequency
    // (8192 cycles) is sampled as its alias: both count in full.
    void polynomialNonlinearity_data()
    {
        QTest::addColumn<double>("k2");
        QTest::addColumn<double>("k3");
        QTest::addColumn<double>("f1");
        QTest::addColumn<double>("f2");
        QTest::newRow("mild") << 0.01 << 0.003 << 1000.3 << 1230.7;
        QTest::newRow("strong") << 0.1 << 0.05 << 1000.3 << 1230.7;
        QTest::newRow("third order only") << 0.0 << 0.02 << 1000.3 << 1230.7;
        QTest::newRow("2 f1 - f2 below 0 Hz") << 0.0 << 0.02 << 1000.3 << 2600.9;
        QTest::newRow("2 f2 - f1 beyond folding") << 0.01 << 0.02 << 7000.3 << 7700.6;
    }
    void polynomialNonlinearity()
    {
        QFETCH(double, k2);
        QFETCH(double, k3);
        QFETCH(double, f1);
        QFETCH(double, f2);
        const double a = 0.4; // in units of full scale
        const auto x = samples([&](double t) {
            const double v = a * cosine(f1, t) + a * cosine(f2, t, 1.0);
            return FullScale * (v + k2 * v * v + k3 * v * v * v);
        });
        const Spectrum s = spectrumOf(x);
        const ImdResult r = measureImd(s.bins.data(), int(s.bins.size()), s.width);
        QVERIFY(std::fabs(r.tone1.centroid - f1) < 0.05 || std::fabs(r.tone1.centroid - f2) < 0.05);
        QVERIFY(std::fabs(r.difference.position - (f2 - f1)) < 0.05);
        const double grown = a + 9.0 / 4.0 * k3 * a * a * a;
        const double imd3 = 20 * std::log10(0.75 * k3 * a * a * a / grown);
        QVERIFY2(std::fabs(r.imd3 - imd3) < 0.05,
                 qPrintable(QString("IMD3 %1, expected %2").arg(r.imd3).arg(imd3)));
        if (k2 > 0) {
            const double imd2 = 20 * std::log10(k2 * a * a / grown);
            QVERIFY2(std::fabs(r.imd2 - imd2) < 0.05,
                     qPrintable(QString("IMD2 %1, expected %2").arg(r.imd2).arg(imd2)));
        }
    }

    // Third-order products of amplitude c beside tones of amplitude A: 20 log10(c / A).
    void injectedProducts_data()
    {
        QTest::addColumn<double>("f1");
        QTest::addColumn<double>("f2");
        QTest::newRow("on bin") << 2000.0 << 2400.0;
        QTest::newRow("off bin") << 2000.37 << 2400.81;
    }
    void injectedProducts()
    {
        QFETCH(double, f1);
        QFETCH(double, f2);
        const double a = 0.3, c = 0.003;
        const auto x = samples([&](double t) {
            return FullScale * (a * cosine(f1, t) + a * cosine(f2, t, 2.0)
                                + c * cosine(2 * f2 - f1, t, 0.5) + c * cosine(2 * f1 - f2, t, 1.5));
        });
        const Spectrum s = spectrumOf(x);
        const ImdResult r = measureImd(s.bins.data(), int(s.bins.size()), s.width);
        const double expected = 20 * std::log10(c / a);
        QVERIFY2(std::fabs(r.imd3 - expected) < 0.01,
                 qPrintable(QString("IMD3 %1, expected %2").arg(r.imd3).arg(expected)));
    }

    // An I/Q record: tones at negative and positive frequencies; the products are placed at
    // signed frequencies, not at differences of stored bins.
    void complexUsesSignedBins()
    {
        const double a = 0.3, c = 0.003;
        const double f1 = -1500.2, f2 = 900.6; // cycles per block, signed
        const double pa = 2 * f2 - f1, pb = 2 * f1 - f2;
        const auto phasor = [&](double t, bool imag) {
            double v = 0.0;
            for (auto [f, amp] : {std::pair{f1, a}, {f2, a}, {pa, c}, {pb, c}})
                v += amp * (imag ? std::sin(2 * M_PI * f * t / N) : cosine(f, t));
            return FullScale * v;
        };
        const auto re = samples([&](double t) { return phasor(t, false); });
        const auto im = samples([&](double t) { return phasor(t, true); });
        for (uint8_t range : {uint8_t(1), uint8_t(0)}) {
            const Spectrum s = spectrumOf(re, &im, range);
            const SpectrumLayout layout{true, range == 1};
            const int m = int(s.bins.size());
            const ImdResult r = measureImd(s.bins.data(), m, s.width, layout);
            QVERIFY(std::fabs(layout.signedBin(r.upper.position, m) - pa) < 0.05);
            QVERIFY(std::fabs(layout.signedBin(r.lower.position, m) - pb) < 0.05);
            QVERIFY2(std::fabs(r.imd3 - 20 * std::log10(c / a)) < 0.01,
                     qPrintable(QString("range %1: IMD3 %2").arg(range).arg(r.imd3)));
        }
    }

    // Rectangular window, tones on bins 100 and 110 of a 1024-point real spectrum: products at
    // 10, 120 and 90.
    void productPositions()
    {
        std::vector<double> s(512, 0.0);
        s[100] = 1.0;
        s[110] = 1.0;
        s[10] = 1e-4;
        s[120] = 1e-6;
        s[90] = 1e-6;
        const ImdResult r = measureImd(s.data(), 512, 1);
        QCOMPARE(r.tone1.bin, 100);
        QCOMPARE(r.tone2.bin, 110);
        QCOMPARE(r.difference.position, 10.0);
        QCOMPARE(r.upper.position, 120.0);
        QCOMPARE(r.lower.position, 90.0);
        QVERIFY(std::fabs(r.imd2 - 10 * std::log10(2e-4 / 2)) < 1e-9);
        QVERIFY(std::fabs(r.imd3 - 10 * std::log10(2e-6 / 2)) < 1e-9);
    }

    // A product beyond the last bin is read at its alias, mirrored about the folding frequency.
    void productBeyondLastBin()
    {
        std::vector<double> s(512, 0.0);
        s[300] = 1.0;
        s[500] = 1.0;
        s[100] = 1e-5; // 2*300 - 500
        s[324] = 1e-5; // 2*500 - 300 = 700, mirrored about 512
        const ImdResult r = measureImd(s.data(), 512, 1);
        QCOMPARE(r.upper.position, 324.0);
        QVERIFY(std::fabs(r.imd3 - 10 * std::log10(2e-5 / 2)) < 1e-9);
    }

    // Tones (cycles, amplitude) in white noise (rms, full scale): which figures are withheld,
    // and by how much the FFT must grow to separate groups (0: none does).
    void withheldFigures_data()
    {
        QTest::addColumn<QList<QPointF>>("tones");
        QTest::addColumn<double>("noise");
        QTest::addColumn<int>("withheld2");
        QTest::addColumn<int>("withheld3");
        QTest::addColumn<int>("lengthFactor");
        const int none = int(ImdWithheld::None), unresolved = int(ImdWithheld::Unresolved),
                  lonely = int(ImdWithheld::NoSecondTone);
        // 10.2 bins apart, under the 15 of the window's main lobe; twice the length clears it.
        QTest::newRow("tones closer than the window")
            << QList<QPointF>{{1000.3, 0.3}, {1010.5, 0.3}} << 0.0 << unresolved << unresolved << 2;
        QTest::newRow("one tone in noise") << QList<QPointF>{{1000.3, 0.3}} << 1e-4 << lonely
                                           << lonely << 1;
        // Some 30 dB over the noise its 15 bins hold.
        QTest::newRow("weak second tone clear of noise")
            << QList<QPointF>{{1000.3, 0.3}, {2300.7, 1.5e-4}} << 1e-4 << none << none << 1;
        // f2 = 2 f1: the difference product falls on tone 1 at any length.
        QTest::newRow("difference on a tone")
            << QList<QPointF>{{1000.3, 0.3}, {2000.6, 0.3}} << 0.0 << unresolved << none << 0;
    }
    void withheldFigures()
    {
        QFETCH(QList<QPointF>, tones);
        QFETCH(double, noise);
        QFETCH(int, withheld2);
        QFETCH(int, withheld3);
        QFETCH(int, lengthFactor);
        std::mt19937 random(7);
        std::normal_distribution<double> gauss(0.0, noise);
        const auto x = samples([&](double t) {
            double v = noise > 0 ? gauss(random) : 0.0;
            for (const QPointF &tone : tones)
                v += tone.y() * cosine(tone.x(), t);
            return FullScale * v;
        });
        const Spectrum s = spectrumOf(x);
        const ImdResult r = measureImd(s.bins.data(), int(s.bins.size()), s.width);
        QCOMPARE(int(r.imd2Verdict.withheld), withheld2);
        QCOMPARE(int(r.imd3Verdict.withheld), withheld3);
        QCOMPARE(std::isnan(r.imd2), withheld2 != int(ImdWithheld::None));
        QCOMPARE(std::isnan(r.imd3), withheld3 != int(ImdWithheld::None));
        const ImdVerdict &v = r.imd2Verdict.shown() ? r.imd3Verdict : r.imd2Verdict;
        QCOMPARE(v.lengthFactor, lengthFactor);
    }

    // One tone falling away to both ends: both candidates are value 0 at bin 0.
    void singleTone()
    {
        std::vector<double> s(64);
        for (int i = 0; i < 64; ++i)
            s[size_t(i)] = 1.0 / (1.0 + std::abs(i - 20));
        const ImdResult r = measureImd(s.data(), 64, 1);
        QCOMPARE(r.tone1.bin, 20);
        QCOMPARE(r.tone2.bin, 0);
    }

    // No tone power: the figures are undefined, not -inf or a division by zero.
    void silence()
    {
        std::vector<double> s(256, 0.0);
        const ImdResult r = measureImd(s.data(), 256, 5);
        QVERIFY(std::isnan(r.imd2));
        QVERIFY(std::isnan(r.imd3));
        QVERIFY(std::isnan(measureImd(nullptr, 0, 5).imd2));
    }
};

QTEST_APPLESS_MAIN(IntermodTest)
#include "test_intermod.moc"
