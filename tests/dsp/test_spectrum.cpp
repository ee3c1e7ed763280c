// The per-channel spectrum step against physics: known tones, quantisation, noise, I/Q,
// averaging, and the FFTW path against the built-in reference kernel.
#include "dsp/SpectrumEngine.h"
#include "dsp/ToneCentroid.h"
#include "dsp/Windows.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kRangeMv = 5000.0;

SpectrumSettings settings(uint32_t n, int window, uint32_t average = 1, int harmonics = 6)
{
    SpectrumSettings s;
    s.fftSize = n;
    s.windowType = uint8_t(window);
    s.sidelobeLevel = 120;
    s.averageCount = average;
    s.harmonicCount = harmonics;
    return s;
}

// x[t] = sum of amplitude * cos(2 pi f t / N + phase) in ADC codes.
struct Tone {
    double cycles, amplitude, phase;
};
std::vector<double> tones(int n, std::initializer_list<Tone> list, double noiseRms = 0,
                          bool quantise = false, unsigned seed = 3)
{
    std::mt19937 gen(seed);
    std::normal_distribution<double> gauss(0.0, noiseRms > 0 ? noiseRms : 1.0);
    std::vector<double> x(n, 0.0);
    for (int t = 0; t < n; ++t) {
        for (const Tone &tone : list)
            x[t] += tone.amplitude * std::cos(2 * M_PI * tone.cycles * t / n + tone.phase);
        if (noiseRms > 0)
            x[t] += gauss(gen);
        if (quantise)
            x[t] = std::round(x[t]);
    }
    return x;
}

SpectrumMeasurements analyse(SpectrumEngine &e, const SpectrumSettings &s,
                             const std::vector<double> &re, double fullScale,
                             const std::vector<double> *im = nullptr, double rate = 1e6)
{
    SpectrumMeasurements m;
    e.beginBlock(s, 1, im != nullptr);
    e.analyseSamples(0, re.data(), im ? im->data() : nullptr, fullScale, kRangeMv, rate, m);
    e.endBlock();
    return m;
}

double db(double ratio) { return 10 * std::log10(ratio); }

} // namespace

class TestSpectrum : public QObject {
    Q_OBJECT
private slots:
    void fullScaleSineGivesHalfRangeSquared()
    {
        const int n = 4096;
        const double fs = 32767;
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, WindowRectangular), tones(n, {{128, fs, 0.3}}), fs);
        const double volts = kRangeMv / 1000;
        QCOMPARE(m.peakBin, 128);
        QVERIFY(std::fabs(e.spectrum(0)[128] - volts * volts / 2) < 1e-9);
        QVERIFY(std::fabs(m.fundamentalRms - volts / std::sqrt(2.0)) < 1e-9);
        QVERIFY(std::fabs(m.totalRms - volts / std::sqrt(2.0)) < 1e-9);
        QVERIFY(std::fabs(m.fundamentalFrequency - 128 * 1e6 / n) < 1e-6);
    }

    void dcStaysInBinZeroUndoubled()
    {
        const int n = 1024;
        std::vector<double> x(n, 1000.0);
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, WindowRectangular), x, 10000);
        const double volts = 1000.0 / 10000 * kRangeMv / 1000;
        QCOMPARE(m.peakBin, 0);
        QVERIFY(std::fabs(e.spectrum(0)[0] - volts * volts) < 1e-12);
        QCOMPARE(m.fundamentalFrequency, 0.0);
        QCOMPARE(m.sfdr, 0.0);
    }

    // An ideally quantised sine: SNR = 6.02 B + 1.76 dB, ENOB = B. Coherent with the rectangular
    // window, and off-bin with the default seven-term window.
    void quantisedSineSnr_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("window");
        QTest::addColumn<double>("cycles");
        for (int bits : {8, 12, 16}) {
            QTest::addRow("%d bits coherent", bits) << bits << int(WindowRectangular) << 4099.0;
            QTest::addRow("%d bits windowed", bits) << bits << int(WindowBlackmanHarris7) << 4099.37;
        }
    }
    void quantisedSineSnr()
    {
        QFETCH(int, bits);
        QFETCH(int, window);
        QFETCH(double, cycles);
        const int n = 65536;
        const double amplitude = std::ldexp(1.0, bits - 1) - 1;
        const auto x = tones(n, {{cycles, amplitude, 0.1}}, 0, true);
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, window), x, amplitude);
        // The sine is one code short of 2^(B-1), which costs 20 log10(1 - 2^(1-B)) dB.
        const double ideal = 6.02 * bits + 1.76 + 20 * std::log10(amplitude / std::ldexp(1.0, bits - 1));
        QVERIFY2(std::fabs(m.snr - ideal) < 0.3, qPrintable(QString("snr %1 ideal %2").arg(m.snr).arg(ideal)));
        // The seven-term set, rounded to five decimals, leaks about -106 dB beyond its skirt,
        // which SINAD counts against the signal at 16 bits.
        const double sinadTolerance = bits == 16 && window != WindowRectangular ? 0.7 : 0.3;
        QVERIFY2(std::fabs(m.sinad - ideal) < sinadTolerance, qPrintable(QString("sinad %1").arg(m.sinad)));
        QVERIFY(std::fabs(m.enob - bits) < 0.12);
    }

    void knownHarmonicsGiveKnownThd()
    {
        const int n = 16384;
        const double a1 = 30000;
        const auto x = tones(n, {{1001, a1, 0}, {2002, a1 * 1e-2, 1.0}, {3003, a1 * 1e-3, 2.0}});
        for (int window : {int(WindowRectangular), int(WindowBlackmanHarris7), int(WindowHann)}) {
            SpectrumEngine e;
            const auto m = analyse(e, settings(n, window), x, 32767);
            QVERIFY2(std::fabs(m.thd - db(1e-4 + 1e-6)) < 0.05, qPrintable(QString::number(m.thd)));
            QVERIFY(std::fabs(m.harmonicLevels[0] - 40) < 0.05);
            QVERIFY(std::fabs(m.harmonicLevels[1] - 60) < 0.05);
            QCOMPARE(m.harmonicBins[0], 2002.0);
        }
    }

    // Six harmonics asked for are the 2nd to the 7th: energy in the 7th alone must be counted.
    void theLastRequestedHarmonicCounts()
    {
        const int n = 16384;
        const double a1 = 30000;
        const auto x = tones(n, {{1001, a1, 0}, {7007, a1 * 1e-3, 0.5}});
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, WindowBlackmanHarris7, 1, 6), x, 32767);
        QVERIFY2(std::fabs(m.thd - (-60)) < 0.05, qPrintable(QString::number(m.thd)));
        QVERIFY(std::fabs(m.harmonicLevels[5] - 60) < 0.05);
    }

    // A harmonic between bins is read at the nearest one: the 2nd of a tone at 1000.35 bins lies
    // at 2000.7, read at 2001 with about the scalloping of the fundamental read at 1000.
    void aHarmonicBetweenBinsIsReadAtTheNearest()
    {
        const int n = 16384;
        const double a1 = 30000;
        const auto x = tones(n, {{1000.35, a1, 0}, {2000.7, a1 * 1e-2, 1.0}});
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, WindowHann), x, 32767);
        QVERIFY(std::fabs(m.harmonicBins[0] - 2000.7) < 0.01);
        QVERIFY2(std::fabs(m.harmonicLevels[0] - 40) < 0.3, qPrintable(QString::number(m.harmonicLevels[0])));
    }

    void whiteNoiseGivesKnownSnr()
    {
        const int n = 65536;
        const double a = 20000, sigma = 20;
        const auto x = tones(n, {{5003.3, a, 0}}, sigma);
        SpectrumEngine e;
        const auto m = analyse(e, settings(n, WindowBlackmanHarris7), x, 32767);
        const double expected = db(a * a / 2 / (sigma * sigma));
        QVERIFY2(std::fabs(m.snr - expected) < 0.2, qPrintable(QString("%1 vs %2").arg(m.snr).arg(expected)));
        // Unit-mean-square windows keep the total power: the RMS equals the time-domain RMS.
        const double volts = kRangeMv / 1000 / 32767;
        const double rms = std::sqrt(a * a / 2 + sigma * sigma) * volts;
        QVERIFY(std::fabs(m.totalRms / rms - 1) < 0.01);
    }

    void complexToneCentredAndUncentred()
    {
        const int n = 1024;
        const double rate = 102400, a = 10000;
        std::vector<double> i(n), q(n);
        for (int t = 0; t < n; ++t) {
            i[t] = a * std::cos(2 * M_PI * (n / 4) * t / n);
            q[t] = a * std::sin(2 * M_PI * (n / 4) * t / n);
        }
        SpectrumEngine e;
        auto s = settings(n, WindowRectangular);
        auto m = analyse(e, s, i, 32767, &q, rate);
        QCOMPARE(m.peakBin, 3 * n / 4);
        QVERIFY(std::fabs(m.fundamentalFrequency - rate / 4) < 1e-6);
        // An I/Q tone of amplitude A has an RMS of A / sqrt(2) in each rail.
        QVERIFY(std::fabs(m.fundamentalRms - a * kRangeMv / 1000 / 32767 / std::sqrt(2.0)) < 1e-9);

        s.spectrumRange = 0;
        m = analyse(e, s, i, 32767, &q, rate);
        QCOMPARE(m.peakBin, n / 4);
        QVERIFY(std::fabs(m.fundamentalFrequency - rate / 4) < 1e-6);

        for (auto &v : q)
            v = -v; // negative frequency
        s.spectrumRange = 1;
        m = analyse(e, s, i, 32767, &q, rate);
        QCOMPARE(m.peakBin, n / 4);
        QVERIFY(std::fabs(m.fundamentalFrequency + rate / 4) < 1e-6);
    }

    // Exponential averaging over K = 4: n blocks after a step, 1 - (3/4)^n of it is covered.
    void averagingFollowsStepExponentially()
    {
        const int n = 256;
        SpectrumEngine e;
        const auto s = settings(n, WindowRectangular, 4);
        const auto low = tones(n, {{16, 1000, 0}}), high = tones(n, {{16, 3000, 0}});
        analyse(e, s, low, 32767);
        const double p0 = e.spectrum(0)[16];
        const double p1 = p0 * 9;
        for (int block = 1; block <= 6; ++block) {
            analyse(e, s, high, 32767);
            const double expected = p1 - (p1 - p0) * std::pow(0.75, block);
            QVERIFY(std::fabs(e.spectrum(0)[16] / expected - 1) < 1e-12);
        }
    }

    void rebuildsOnlyOnChange()
    {
        SpectrumEngine e;
        auto s = settings(1024, WindowHann);
        QVERIFY(e.beginBlock(s, 2, false));
        QVERIFY(!e.beginBlock(s, 2, false));
        s.harmonicCount = 3; // read per block, no rebuild
        QVERIFY(!e.beginBlock(s, 2, false));
        QVERIFY(e.beginBlock(s, 2, false, true));
        s.windowType = WindowKaiser;
        QVERIFY(e.beginBlock(s, 2, false));
        QVERIFY(e.beginBlock(s, 3, false));
        QVERIFY(e.beginBlock(s, 3, true));
        QCOMPARE(e.binCount(), 1024);
        s.fftSize = 1000;
        QVERIFY(!e.beginBlock(s, 3, true));
        QVERIFY(!e.isReady());
    }

    // A rebuild for another window or averaging keeps the transform and its plan; whatever
    // the engine went through before, a block gives what a fresh engine gives.
    void rebuildsKeepNoStaleState()
    {
        const int n = 4096;
        const auto x = tones(n, {{300.3, 20000, 0}, {601, 200, 1}}, 5);
        const auto y = tones(n, {{77, 9000, 0}}, 5); // same size, complex: another plan
        SpectrumEngine used;
        analyse(used, settings(n, WindowHann), x, 32767);
        analyse(used, settings(n, WindowKaiser, 3), x, 32767);
        analyse(used, settings(n, WindowHann), y, 32767, &y);
        const auto a = analyse(used, settings(n, WindowBlackmanHarris7), x, 32767);
        SpectrumEngine fresh;
        const auto b = analyse(fresh, settings(n, WindowBlackmanHarris7), x, 32767);
        for (int j = 0; j < n / 2; ++j)
            QVERIFY(std::fabs(used.spectrum(0)[j] - fresh.spectrum(0)[j]) <=
                    1e-12 * fresh.spectrum(0)[j] + 1e-300);
        QVERIFY(std::fabs(a.snr - b.snr) < 1e-9);
        QCOMPARE(a.peakBin, b.peakBin);
    }

    // Buffers replaced by a rebuild stay readable for one more block.
    void publishedSpectraNeverChange()
    {
        // A reader holding one block's spectra sees them unchanged while later blocks, a
        // rebuild included, are computed; released buffers are reused, not multiplied.
        const int n = 1024;
        const double fs = 32767;
        SpectrumEngine e;
        analyse(e, settings(n, WindowHann), tones(n, {{100, fs, 0}}), fs);
        const std::shared_ptr<const double[]> held = e.spectra();
        const std::vector<double> before(held.get(), held.get() + n / 2);
        for (int block = 0; block < 4; ++block)
            analyse(e, settings(n, WindowHann), tones(n, {{37.0 + block, fs, 0}}), fs);
        analyse(e, settings(4 * n, WindowHann), tones(4 * n, {{300, fs, 0}}), fs);
        QVERIFY(std::equal(before.begin(), before.end(), held.get()));
        QVERIFY(held.get() != e.spectra().get());

        std::vector<const double *> seen;
        for (int block = 0; block < 6; ++block) {
            analyse(e, settings(n, WindowHann), tones(n, {{50, fs, 0}}), fs);
            if (std::find(seen.begin(), seen.end(), e.spectrum(0)) == seen.end())
                seen.push_back(e.spectrum(0));
        }
        QVERIFY(seen.size() <= 2);
    }

    void unanalysedSlotsReadZero()
    {
        const int n = 256;
        const std::vector<double> x = tones(n, {{10, 1000, 0}});
        SpectrumEngine e;
        SpectrumMeasurements m;
        for (int block = 0; block < 3; ++block) {
            e.beginBlock(settings(n, WindowHann), 2, false);
            e.analyseSamples(block % 2, x.data(), nullptr, 32767, kRangeMv, 1e6, m);
            e.endBlock();
        }
        const double *other = e.spectrum(1);
        QVERIFY(std::all_of(other, other + n / 2, [](double v) { return v == 0.0; }));
        QVERIFY(e.spectrum(0)[10] > 0);
    }

    void readySpectrumIsUsedAsItIs()
    {
        const int n = 64;
        std::vector<ComplexD> values(n, ComplexD{0, 0});
        values[5] = {3.0 * n, 4.0 * n};
        SpectrumEngine e;
        SpectrumMeasurements m;
        e.beginBlock(settings(n, WindowHann), 1, true);
        e.analyseReadySpectrum(0, values.data(), 1000, 64, m);
        QCOMPARE(m.peakBin, 5 + n / 2);
        QCOMPARE(e.spectrum(0)[5 + n / 2], 25.0);
        QVERIFY(std::fabs(m.fundamentalFrequency - 5) < 1e-9); // bin 5 at 1 Hz per bin
    }

    void fftwMatchesReferenceKernel_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("isComplex");
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("average");
        // The smallest sizes leave the vector loops empty or one step long.
        for (int n : {2, 4, 8, 16, 32, 64, 1024, 65536})
            for (bool c : {false, true})
                QTest::addRow("%d %s", n, c ? "complex" : "real") << n << c << int(WindowBlackmanHarris7) << 1;
        QTest::newRow("4194304 real") << 4194304 << false << int(WindowBlackmanHarris7) << 1;
        QTest::newRow("chebyshev 4096") << 4096 << false << int(WindowChebyshev) << 1;
        QTest::newRow("averaged real") << 2048 << false << int(WindowHann) << 3;
        QTest::newRow("averaged complex") << 2048 << true << int(WindowHann) << 3;
    }
    void fftwMatchesReferenceKernel()
    {
        QFETCH(int, n);
        QFETCH(bool, isComplex);
        QFETCH(int, window);
        QFETCH(int, average);
        std::mt19937 gen(11);
        std::normal_distribution<double> d(0, 3000);
        std::vector<double> re(n), im(n);
        for (int t = 0; t < n; ++t) {
            re[t] = d(gen) + 5000 * std::sin(0.3 * t);
            im[t] = d(gen);
        }
        SpectrumEngine fast(SpectrumEngine::Backend::Fftw), reference(SpectrumEngine::Backend::Radix2);
        const auto s = settings(uint32_t(n), window, uint32_t(average));
        SpectrumMeasurements a, b;
        for (int block = 0; block < average; ++block) {
            std::rotate(re.begin(), re.begin() + 7 % n, re.end()); // a different block each time
            a = analyse(fast, s, re, 32767, isComplex ? &im : nullptr);
            b = analyse(reference, s, re, 32767, isComplex ? &im : nullptr);
        }
        for (int j = 0; j < fast.binCount(); ++j) {
            const double x = fast.spectrum(0)[j], y = reference.spectrum(0)[j];
            QVERIFY2(std::fabs(x - y) <= 1e-9 * std::max(std::fabs(y), 1e-300),
                     qPrintable(QString("bin %1: %2 vs %3").arg(j).arg(x).arg(y)));
        }
        QCOMPARE(a.peakBin, b.peakBin);
        QVERIFY(std::fabs(a.snr - b.snr) < 1e-6);
        QVERIFY(std::fabs(a.thd - b.thd) < 1e-6);
    }

    void centroidWrapsComplexAndClipsReal()
    {
        std::vector<double> s(16, 0.0);
        s[0] = 2;
        s[1] = 1;
        s[15] = 1;
        double c = -1, p = -1;
        QVERIFY(toneCentroid(s.data(), 16, 0.2, 5, true, c, p));
        QCOMPARE(p, 4.0);
        QCOMPARE(c, 0.0);
        s[15] = 3; // pulls the centroid below zero, which wraps to the top
        QVERIFY(toneCentroid(s.data(), 16, 0, 5, true, c, p));
        QVERIFY(std::fabs(c - (16 - 2.0 / 6)) < 1e-12);
        QVERIFY(toneCentroid(s.data(), 16, 0, 5, false, c, p));
        QCOMPARE(p, 3.0);
        QVERIFY(std::fabs(c - 1.0 / 3) < 1e-12);
        QVERIFY(!toneCentroid(s.data(), 16, 15.6, 5, false, c, p));
        QVERIFY(!toneCentroid(s.data(), 16, -0.6, 5, false, c, p));
    }
};

QTEST_GUILESS_MAIN(TestSpectrum)
#include "test_spectrum.moc"
