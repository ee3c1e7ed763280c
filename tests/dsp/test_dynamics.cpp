// Dynamic figures on hand-made spectra, where every bin's role is known in advance.
#include "dsp/Dynamics.h"
#include "dsp/Scan.h"
#include "dsp/SpectrumEngine.h"
#include "dsp/Windows.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

DynamicsResult measure(const std::vector<double> &s, double toneBin, int n, bool isComplex = false,
                       int width = 5, double exclusionHz = 0, const BinSummary *summary = nullptr)
{
    DynamicsInputs in;
    in.spectrum = s.data();
    in.sampleRate = 1024.0;
    in.fftSize = isComplex ? int(s.size()) : int(s.size()) * 2;
    in.toneFrequency = toneBin * in.sampleRate / in.fftSize;
    in.harmonicCount = n;
    in.exclusionHz = exclusionHz;
    in.isComplex = isComplex;
    in.mainLobeWidth = width;
    in.summary = summary;
    return measureDynamics(in);
}

double db(double ratio) { return 10 * std::log10(ratio); }

} // namespace

class TestDynamics : public QObject {
    Q_OBJECT
private slots:
    void pureToneHasNoDistortionOrNoise()
    {
        std::vector<double> s(512, 0.0);
        s[100] = 2.0;
        const DynamicsResult f = measure(s, 100, 6);
        QCOMPARE(f.measured, true);
        QCOMPARE(f.signalPower, 2.0);
        QCOMPARE(f.thd, -200.0);
        QCOMPARE(f.snr, 200.0);
        QCOMPARE(f.sinad, 200.0);
    }

    // N = 1024 real, tone at bin 100, six harmonics: the 6th (600) folds to 424, and since the
    // 7th lies past Nyquist the bands are walked in position order 200 300 324 400 424 500.
    void harmonicsFoldAndAreWalkedInPositionOrder()
    {
        const double floor = 1e-10;
        std::vector<double> s(512, floor);
        s[100] = 1.0;
        const double power[6] = {1e-4, 2e-5, 3e-6, 4e-7, 5e-8, 6e-9}; // harmonics 2..7
        const int position[6] = {200, 300, 400, 500, 424, 324};
        for (int k = 0; k < 6; ++k)
            s[position[k]] = power[k];
        const DynamicsResult f = measure(s, 100, 6);
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(f.harmonicBins[k], double(position[k]));
            QVERIFY(std::fabs(f.harmonicLevels[k] - db(1.0 / power[k])) < 1e-9);
        }
        // Each band is the harmonic bin and ten floor bins; the signal is the tone and six.
        double harmonics = 0;
        for (double p : power)
            harmonics += p + 10 * floor;
        QVERIFY(std::fabs(f.thd - db(harmonics / (1.0 + 6 * floor))) < 1e-9);
        // Everything outside the bands is floor, so the noise is the floor times M.
        QVERIFY(std::fabs(f.snr - db((1.0 + 6 * floor) / (floor * 512))) < 1e-6);
    }

    void exclusionBandIsAtLeastTheDcGuard()
    {
        std::vector<double> s(512, 1e-9);
        s[200] = 1.0;
        s[203] = 1e-3; // inside P +- 3 for a Hann window (width 5), so not a spur
        s[260] = 1e-5;
        QVERIFY(std::fabs(measure(s, 200, 0, false, 5, 0.0).sfdr - 50) < 1e-9);
        s[204] = 1e-4;
        QVERIFY(std::fabs(measure(s, 200, 0, false, 5, 0.0).sfdr - 40) < 1e-9);
        // An exclusion of 5 bins in hertz (Fs = 1024 Hz, N = 1024) hides the spur at +4.
        QVERIFY(std::fabs(measure(s, 200, 0, false, 5, 5.0).sfdr - 50) < 1e-9);
    }

    void complexSpurSearchSkipsBothEnds()
    {
        std::vector<double> s(1024, 1e-9);
        s[300] = 1.0;
        s[1022] = 1e-2; // within the top DC guard of 3 bins
        s[1020] = 1e-6;
        QVERIFY(std::fabs(measure(s, 300, 0, true).sfdr - 60) < 1e-9);
    }

    // Noise that sits between the fundamental band and the next harmonic band is not counted:
    // the gap walk ends where the fundamental band begins.
    void noiseGapEndsAtFundamentalBand()
    {
        const double floor = 1e-8;
        std::vector<double> s(512, floor);
        s[300] = 1.0;
        s[424] = 1e-4; // 2nd harmonic, 600 folded
        s[124] = 1e-4; // 3rd harmonic, 900 folded
        const double clean = measure(s, 300, 2).snr;
        for (int j = 310; j < 415; ++j)
            s[j] = 1e-3;
        QCOMPARE(measure(s, 300, 2).snr, clean);
    }

    // The noise floor is followed along the spectrum: a floor of 1e-6 below bin 256 and 3e-6
    // above holds 256e-6 + 768e-6 in all. The bins the tone's guard hides (eight main lobes of
    // 5 bins: 60..140) count at the density around them, not at the spectrum's mean, which
    // would read a filtered record's noise low.
    void noiseFollowsItsDensity()
    {
        std::vector<double> s(512, 1e-6);
        std::fill(s.begin() + 256, s.end(), 3e-6);
        std::fill(s.begin() + 60, s.begin() + 141, 0.0);
        s[100] = 1.0;
        s[3] = 5.0e-2; // DC region: neither noise nor signal
        const DynamicsResult f = measure(s, 100, 0);
        QVERIFY2(std::fabs(f.snr - db(1.0 / 1.024e-3)) < 1e-9, qPrintable(QString::number(f.snr)));
    }

    // The chunk summary is only a shortcut: figures must not change with it, whatever the tone,
    // the spectrum length (chunk remainders) or the exclusion.
    void summaryGivesSameFigures()
    {
        std::mt19937 gen(5);
        std::exponential_distribution<double> noise(1e6);
        for (int m : {100, 512, 1000, 4096}) {
            for (double tone : {3.2, 64.0, 0.37 * m, m - 2.0}) {
                std::vector<double> s(m);
                for (auto &v : s)
                    v = noise(gen);
                s[long(tone)] = 1.0;
                s[(long(tone) * 2) % m] = 1e-3;
                std::vector<double> sums(BinSummary::chunkCount(m)), maxima(sums.size());
                BinSummary summary{s.data(), m, sums.data(), maxima.data()};
                summary.build();
                for (bool isComplex : {false, true}) {
                    for (double exclusion : {0.0, 300.0}) {
                        const DynamicsResult a = measure(s, tone, 6, isComplex, 7, exclusion);
                        const DynamicsResult b = measure(s, tone, 6, isComplex, 7, exclusion, &summary);
                        QCOMPARE(b.sfdr, a.sfdr);
                        QCOMPARE(b.datasheet.spurFrequency, a.datasheet.spurFrequency);
                        QVERIFY(std::fabs(a.snr - b.snr) < 1e-9);
                        QVERIFY(std::fabs(a.thd - b.thd) < 1e-9);
                        QVERIFY(std::fabs(a.sinad - b.sinad) < 1e-9);
                        QVERIFY(std::fabs(a.totalPower / b.totalPower - 1) < 1e-12);
                    }
                }
            }
        }
    }

    void quantisedSineMatchesPhysics_data()
    {
        QTest::addColumn<int>("fftSize");
        QTest::addColumn<int>("bits");
        QTest::newRow("N 1024, 14 bits") << 1024 << 14;
        QTest::newRow("N 8192, 12 bits") << 8192 << 12;
        QTest::newRow("N 8192, 16 bits") << 8192 << 16;
        QTest::newRow("N 65536, 16 bits") << 65536 << 16;
    }

    // An ideal B-bit converter's error is q^2/12 over the whole band: SNR = SINAD =
    // 10 log10((A^2 / 2) / (1 / 12)) codes, 6.02 B + 1.76 dB at full scale, within 0.1 dB over
    // 100 blocks with the default window; SINAD never reads better than SNR. The tone sits at
    // the golden section of the band, far from any ratio to the rate that would fold the
    // quantisation error onto its harmonics; phase, the fraction of a bin and the amplitude's
    // last code vary from block to block.
    void quantisedSineMatchesPhysics()
    {
        QFETCH(int, fftSize);
        QFETCH(int, bits);
        const int blocks = 100;
        std::mt19937 gen(11);
        std::uniform_real_distribution<double> unit(0, 1);
        SpectrumEngine engine;
        SpectrumSettings settings;
        settings.fftSize = uint32_t(fftSize);
        const double fullScale = std::ldexp(1.0, bits - 1);
        std::vector<double> x(static_cast<size_t>(fftSize));
        double snr = 0, sinad = 0, physics = 0;
        for (int b = 0; b < blocks; ++b) {
            const double a = fullScale - 1 - unit(gen);
            const double cycles = fftSize * (3 - std::sqrt(5.0)) / 4 + unit(gen);
            const double phase = 2 * M_PI * unit(gen);
            for (int i = 0; i < fftSize; ++i)
                x[size_t(i)] = std::round(a * std::sin(2 * M_PI * cycles * i / fftSize + phase));
            SpectrumMeasurements m;
            engine.beginBlock(settings, 1, false);
            engine.analyseSamples(0, x.data(), nullptr, fullScale, 1000, 1e6, m);
            engine.endBlock();
            QVERIFY2(m.sinad <= m.snr, qPrintable(QString("SINAD %1 > SNR %2").arg(m.sinad).arg(m.snr)));
            QVERIFY(std::fabs(m.enob - (m.sinad - 1.76) / 6.02) < 1e-12);
            snr += m.snr / blocks;
            sinad += m.sinad / blocks;
            physics += db(6 * a * a) / blocks;
        }
        QVERIFY2(std::fabs(snr - physics) < 0.1, qPrintable(QString("SNR %1 dB off").arg(snr - physics)));
        QVERIFY2(std::fabs(sinad - physics) < 0.1, qPrintable(QString("SINAD %1 dB off").arg(sinad - physics)));
    }

    void fullScaleFiguresMatchPhysics_data()
    {
        QTest::addColumn<bool>("isComplex");
        QTest::addColumn<double>("sigma");
        QTest::addColumn<int>("window");
        QTest::newRow("real, sigma 1, Kaiser") << false << 1.0 << int(WindowKaiser);
        QTest::newRow("real, sigma 0.3, Blackman-Harris 7") << false << 0.3 << int(WindowBlackmanHarris7);
        QTest::newRow("I/Q, sigma 1, Kaiser") << true << 1.0 << int(WindowKaiser);
    }

    // A tone at half the full-scale amplitude (-6.02 dBFS) in white noise of sigma codes (on I
    // and on Q): SNR in dBFS is SNR in dBc plus 6.02 dB, and the noise density is the noise
    // power over the full-scale tone's, spread over fs/2 (fs for I/Q). A spur planted at -90
    // dBc at a known frequency is the worst non-harmonic one, although a second harmonic at -70
    // dBc is larger.
    void fullScaleFiguresMatchPhysics()
    {
        QFETCH(bool, isComplex);
        QFETCH(double, sigma);
        QFETCH(int, window);
        // Long enough that the noise in the spur's few bins moves its level by < 0.1 dB.
        const int n = 262144;
        const double fs = 1e6, fullScale = 32767, a = fullScale / 2;
        const double tone = 0.1234567 * fs, spur = 0.3141593 * fs;
        const double spurAmplitude = a * std::pow(10.0, -90.0 / 20);
        const double secondAmplitude = a * std::pow(10.0, -70.0 / 20);
        std::mt19937 gen(3);
        std::normal_distribution<double> noise(0, sigma);
        std::vector<double> re(n), im(n);
        for (int i = 0; i < n; ++i) {
            const double w = 2 * M_PI * tone * i / fs, v = 2 * M_PI * spur * i / fs;
            re[size_t(i)] = a * std::cos(w) + secondAmplitude * std::cos(2 * w + 1) +
                            spurAmplitude * std::cos(v) + noise(gen);
            im[size_t(i)] = a * std::sin(w) + secondAmplitude * std::sin(2 * w + 1) +
                            spurAmplitude * std::sin(v) + noise(gen);
        }
        SpectrumEngine engine;
        SpectrumSettings settings;
        settings.fftSize = n;
        settings.windowType = uint8_t(window);
        settings.spectrumRange = 0;
        SpectrumMeasurements m;
        engine.beginBlock(settings, 1, isComplex);
        engine.analyseSamples(0, re.data(), isComplex ? im.data() : nullptr, fullScale, 1000, fs, m);
        engine.endBlock();
        const DatasheetFigures &d = m.datasheet;
        const double fullScaleDb = db(4.0); // 6.02 dB from the tone up to full scale
        // The spur is not a harmonic: it counts as noise.
        const double noisePower = isComplex ? 2 * sigma * sigma + spurAmplitude * spurAmplitude
                                            : sigma * sigma + spurAmplitude * spurAmplitude / 2;
        const double fullScalePower = isComplex ? fullScale * fullScale : fullScale * fullScale / 2;
        const double density = db(noisePower / fullScalePower) - db(isComplex ? fs : fs / 2);
        const struct {
            const char *figure;
            double measured, expected, tolerance;
        } checks[] = {{"SNR dBFS - dBc", d.snr - m.snr, fullScaleDb, 0.1},
                      {"SINAD dBFS - dBc", d.sinad - m.sinad, fullScaleDb, 0.1},
                      {"noise density", d.noiseDensity, density, 0.3},
                      {"spur dBc", d.spurLevel, -90, 0.2},
                      {"spur dBFS", d.spurLevelFs, -90 - fullScaleDb, 0.2},
                      {"spur frequency", d.spurFrequency, spur, 0.25 * fs / n}};
        for (const auto &c : checks)
            QVERIFY2(std::fabs(c.measured - c.expected) <= c.tolerance,
                     qPrintable(QString("%1: %2, expected %3").arg(c.figure).arg(c.measured, 0, 'g', 9)
                                    .arg(c.expected, 0, 'g', 9)));
    }

    void iqOffsetIsNeitherNoiseNorSpur_data()
    {
        QTest::addColumn<int>("range");
        QTest::newRow("from DC") << 0;
        QTest::newRow("centred") << 1;
    }

    // An I/Q tone at -6 dBFS with a -70 dBc second harmonic and a carrier leak (DC) at -30 dBc,
    // in white noise of 1 code on I and Q: SNR is the tone over the noise alone, THD the
    // harmonic and SFDR 70 dB, whichever way the spectrum is laid out.
    void iqOffsetIsNeitherNoiseNorSpur()
    {
        QFETCH(int, range);
        const int n = 65536;
        const double fs = 1e6, a = 16384, tone = -0.1234567 * fs;
        const double second = a * std::pow(10.0, -70.0 / 20), offset = a * std::pow(10.0, -30.0 / 20);
        std::mt19937 gen(5);
        std::normal_distribution<double> noise(0, 1);
        std::vector<double> re(n), im(n);
        for (int i = 0; i < n; ++i) {
            const double w = 2 * M_PI * tone * i / fs;
            re[size_t(i)] = a * std::cos(w) + second * std::cos(2 * w) + offset + noise(gen);
            im[size_t(i)] = a * std::sin(w) + second * std::sin(2 * w) + offset + noise(gen);
        }
        SpectrumEngine engine;
        SpectrumSettings settings;
        settings.fftSize = n;
        settings.spectrumRange = uint8_t(range);
        SpectrumMeasurements m;
        engine.beginBlock(settings, 1, true);
        engine.analyseSamples(0, re.data(), im.data(), 32767, 1000, fs, m);
        engine.endBlock();
        const struct {
            const char *figure;
            double measured, expected, tolerance;
        } checks[] = {{"tone", m.fundamentalFrequency, range == 1 ? tone : tone + fs, fs / n},
                      {"SNR", m.snr, db(a * a / 2), 0.3},
                      {"THD", m.thd, -70, 0.2},
                      {"SFDR", m.sfdr, 70, 0.3},
                      {"harmonic 2", m.harmonicLevels[0], 70, 0.5}};
        for (const auto &c : checks)
            QVERIFY2(std::fabs(c.measured - c.expected) <= c.tolerance,
                     qPrintable(QString("%1: %2, expected %3").arg(c.figure).arg(c.measured).arg(c.expected)));
    }

    // A spectrum that cannot be measured gives no figures at all, none left over from an
    // earlier one: a silent channel must not go on showing the last tone's SFDR or harmonics.
    void failuresLeaveEveryFigureAtZero()
    {
        std::vector<double> s(512, 0.0);
        for (int harmonics : {6, MaxHarmonics + 1}) {
            if (harmonics > MaxHarmonics)
                s[10] = 1; // measurable but for the count
            const DynamicsResult f = measure(s, 10, harmonics);
            QCOMPARE(f.measured, false);
            for (double v : {f.thd, f.snr, f.sinad, f.sfdr, f.enob, f.signalPower, f.totalPower})
                QCOMPARE(v, 0.0);
            QCOMPARE(*std::max_element(f.harmonicLevels, f.harmonicLevels + MaxHarmonics), 0.0);
            QCOMPARE(*std::max_element(f.harmonicBins, f.harmonicBins + MaxHarmonics), 0.0);
        }
    }

    // A tone frequency beyond the spectrum (a corrupt rate, say) must not read past it.
    void absurdToneFrequencyStaysInside()
    {
        std::vector<double> s(512, 1e-9);
        s[100] = 1.0;
        QCOMPARE(measure(s, 1e12, 6).measured, true);
        QCOMPARE(measure(s, -5e3, 6).measured, true);
        QCOMPARE(measure(s, std::nan(""), 6).measured, true);
    }
};

QTEST_GUILESS_MAIN(TestDynamics)
#include "test_dynamics.moc"
