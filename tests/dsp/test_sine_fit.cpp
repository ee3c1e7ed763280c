// The four-parameter sine fit against what physics predicts: an ideal quantiser's effective bits,
// the SINAD of quantisation plus white noise, the SNR that sampling jitter leaves and where its
// residual lies against the phase, the frequency a long record pins down; records without a
// usable tone are refused; the residual's views place a sticky code and a harmonic.
#include "dsp/SineFit.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

// An incoherent tone: no whole number of periods in any record used here.
constexpr double Cycles = 0.0618034;

// Samples of f(n) for n = 0 ... count-1.
std::vector<double> record(size_t count, const std::function<double(double)> &f)
{
    std::vector<double> x(count);
    for (size_t n = 0; n < count; ++n)
        x[n] = f(double(n));
    return x;
}

// A B-bit two's complement quantiser: rounds and clips to its codes.
double quantise(double v, int bits)
{
    const double top = std::ldexp(1.0, bits - 1);
    return std::clamp(std::round(v), -top, top - 1);
}

enum class Disturbance { Jitter, Gain, Additive };

} // namespace

Q_DECLARE_METATYPE(Disturbance)
Q_DECLARE_METATYPE(SineFitStatus)
Q_DECLARE_METATYPE(std::vector<double>)

class SineFitTest : public QObject {
    Q_OBJECT
private slots:
    void idealQuantiser_data()
    {
        QTest::addColumn<int>("bits");
        for (int b = 8; b <= 16; ++b)
            QTest::addRow("%d bits", b) << b;
    }

    // Only the quantiser's own Q^2/12 is left: ENOB equals the bits.
    void idealQuantiser()
    {
        QFETCH(int, bits);
        const double a = std::ldexp(1.0, bits - 1) - 1;
        const auto x = record(1 << 18, [&](double n) { return quantise(a * std::sin(2 * M_PI * Cycles * n + 0.3), bits); });
        const SineFit f = fitSine(x.data(), x.size(), std::ldexp(1.0, bits));
        QVERIFY(f.ok());
        QVERIFY2(std::abs(f.enob - bits) < 0.05, qPrintable(QString::number(f.enob)));
    }

    void whiteNoise_data()
    {
        QTest::addColumn<double>("sigma");
        for (double s : {0.1, 0.5, 1.0, 3.0, 20.0})
            QTest::addRow("sigma %g LSB", s) << s;
    }

    // Noise added before a 12-bit quantiser: SINAD = (A^2/2) / (Q^2/12 + sigma^2).
    void whiteNoise()
    {
        QFETCH(double, sigma);
        std::mt19937 gen(7);
        std::normal_distribution<double> noise(0, sigma);
        const double a = 2000;
        const auto x = record(1 << 18, [&](double n) { return quantise(a * std::cos(2 * M_PI * Cycles * n) + noise(gen), 12); });
        const SineFit f = fitSine(x.data(), x.size(), 4096);
        QVERIFY(f.ok());
        const double expected = 10 * std::log10(a * a / 2 / (1.0 / 12 + sigma * sigma));
        QVERIFY2(std::abs(f.sinad - expected) < 0.1, qPrintable(QString("%1 vs %2").arg(f.sinad).arg(expected)));
    }

    void phaseSplit_data()
    {
        QTest::addColumn<Disturbance>("kind");
        QTest::addColumn<double>("cycles");
        QTest::addColumn<double>("sigma"); // samples of time, or a share of the amplitude
        QTest::newRow("jitter, slow tone") << Disturbance::Jitter << 0.0123 << 1e-3;
        QTest::newRow("jitter, fast tone") << Disturbance::Jitter << 0.31 << 1e-4;
        QTest::newRow("jitter, 38 dB") << Disturbance::Jitter << 0.2 << 1e-2;
        QTest::newRow("gain noise") << Disturbance::Gain << 0.0123 << 1e-4;
        QTest::newRow("additive noise") << Disturbance::Additive << 0.0123 << 1e-3;
    }

    // Jitter of sigma_t on a tone f leaves SNR = -20 log10(2 pi f sigma_t), all of it where the
    // signal is steepest; noise on the gain leaves (sigma^2 / 2) where the signal peaks; additive
    // noise is the same at every phase and must not read as either.
    void phaseSplit()
    {
        QFETCH(Disturbance, kind);
        QFETCH(double, cycles);
        QFETCH(double, sigma);
        std::mt19937 gen(11);
        std::normal_distribution<double> noise(0, sigma);
        const double w = 2 * M_PI * cycles;
        const auto x = record(1 << 18, [&](double n) {
            switch (kind) {
            case Disturbance::Jitter: return std::sin(w * (n + noise(gen)));
            case Disturbance::Gain: return (1 + noise(gen)) * std::sin(w * n);
            case Disturbance::Additive: break;
            }
            return std::sin(w * n) + noise(gen);
        });
        const SineFit f = fitSine(x.data(), x.size(), 0);
        QVERIFY(f.ok());
        const double expected = kind == Disturbance::Jitter ? -20 * std::log10(w * sigma)
                                : kind == Disturbance::Gain ? -20 * std::log10(sigma)
                                                            : -20 * std::log10(std::sqrt(2.0) * sigma);
        QVERIFY2(std::abs(f.sinad - expected) < 0.3, qPrintable(QString("%1 vs %2").arg(f.sinad).arg(expected)));
        const PhaseResidual p = residualByPhase(x.data(), x.size(), f);
        if (kind == Disturbance::Additive) {
            QCOMPARE(p.slopeRms, 0.0);
            QCOMPARE(p.signalRms, 0.0);
            QVERIFY(std::abs(p.additiveRms / f.residualRms - 1) < 0.01);
            return;
        }
        const bool jitter = kind == Disturbance::Jitter;
        const double wanted = jitter ? p.slopeRms : p.signalRms, other = jitter ? p.signalRms : p.slopeRms;
        QVERIFY(wanted > 0.95 * f.residualRms);
        QVERIFY(other < 0.05 * f.residualRms);
        QVERIFY(p.additiveRms < 0.2 * f.residualRms);
        const double read = jitter ? p.jitterSamples : p.relativeNoise;
        QVERIFY2(std::abs(read / sigma - 1) < 0.05, qPrintable(QString::number(read)));
    }

    void longRecord_data()
    {
        QTest::addColumn<double>("cycles");
        QTest::newRow("700 periods") << 0.000701;
        QTest::newRow("mid band") << 0.0123456789;
        QTest::newRow("near Nyquist") << 0.4876543;
    }

    // 10^6 quantised samples with noise pin the frequency to 1e-7, and amplitude, phase and
    // offset come out as generated.
    void longRecord()
    {
        QFETCH(double, cycles);
        std::mt19937 gen(3);
        std::normal_distribution<double> noise(0, 0.5);
        const double a = 1500, phase = 1.1, offset = 100.3;
        const auto x = record(1000000, [&](double n) { return quantise(a * std::cos(2 * M_PI * cycles * n + phase) + offset + noise(gen), 12); });
        const SineFit f = fitSine(x.data(), x.size(), 4096);
        QVERIFY(f.ok());
        QVERIFY2(std::abs(f.cyclesPerSample() / cycles - 1) < 1e-7, qPrintable(QString::number(f.cyclesPerSample(), 'g', 12)));
        QVERIFY(std::abs(f.amplitude / a - 1) < 1e-4);
        QVERIFY(std::abs(f.phase - phase) < 1e-3);
        QVERIFY(std::abs(f.offset - offset) < 1e-2);
    }

    void refused_data()
    {
        QTest::addColumn<std::vector<double>>("samples");
        QTest::addColumn<SineFitStatus>("status");
        std::mt19937 gen(5);
        std::normal_distribution<double> noise(0, 10);
        QTest::newRow("white noise") << record(65536, [&](double) { return noise(gen); }) << SineFitStatus::NoTone;
        QTest::newRow("constant") << record(65536, [](double) { return 512.0; }) << SineFitStatus::NoTone;
        QTest::newRow("ten samples") << record(10, [](double n) { return std::sin(n); }) << SineFitStatus::TooShort;
        QTest::newRow("one period") << record(65536, [](double n) { return 100 * std::sin(2 * M_PI * n / 65536); })
                                    << SineFitStatus::FewPeriods;
        QTest::newRow("at Nyquist") << record(65536, [](double n) { return 100 * std::cos(M_PI * n); })
                                    << SineFitStatus::NearNyquist;
    }

    void refused()
    {
        QFETCH(std::vector<double>, samples);
        QFETCH(SineFitStatus, status);
        const SineFit f = fitSine(samples.data(), samples.size(), 4096);
        QCOMPARE(sineFitStatusName(f.status), sineFitStatusName(status));
        QVERIFY(residualByCode(samples.data(), samples.size(), f).empty());
    }

    // A 10-bit converter whose code 37 reads as 38: inputs at level 37 read one code high, the
    // levels away from the peaks stay near zero.
    void stickyCodeByCode()
    {
        const double a = 511;
        auto x = record(1 << 18, [&](double n) { return quantise(a * std::sin(2 * M_PI * Cycles * n), 10); });
        for (double &v : x)
            v = v == 37 ? 38 : v;
        const SineFit f = fitSine(x.data(), x.size(), 1024);
        QVERIFY(f.ok());
        for (const CodeResidual &c : residualByCode(x.data(), x.size(), f)) {
            const double expected = c.code == 37 ? 1.0 : 0.0;
            if (std::abs(c.code) < 0.9 * a)
                QVERIFY2(std::abs(c.mean - expected) < 0.05, qPrintable(QString("code %1: %2").arg(c.code).arg(c.mean)));
        }
    }

    // A third harmonic 60 dB down is the residual spectrum's highest bin, at 3 f.
    void harmonicInResidualSpectrum()
    {
        const double w = 2 * M_PI * Cycles;
        const auto x = record(1 << 18, [&](double n) { return 1000 * std::sin(w * n) + std::sin(3 * w * n); });
        const SineFit f = fitSine(x.data(), x.size(), 0);
        QVERIFY(f.ok());
        const ResidualSpectrum s = residualSpectrum(x.data(), x.size(), f);
        const auto top = std::max_element(s.dbc.begin(), s.dbc.end()) - s.dbc.begin();
        QVERIFY(std::abs(double(top) - 3 * Cycles * s.size) < 2);
    }
};

QTEST_APPLESS_MAIN(SineFitTest)
#include "test_sine_fit.moc"
