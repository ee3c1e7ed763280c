// The radix-2 kernel against the definition of the DFT and its physical identities.
#include "dsp/Fft.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {

struct Transform {
    std::vector<ComplexD> twiddles;
    std::vector<int32_t> bitReverse;
    explicit Transform(int n) : twiddles(n / 2), bitReverse(n)
    {
        fftTables(n, twiddles.data(), bitReverse.data());
    }
    // X[k] in natural order.
    std::vector<std::complex<double>> operator()(std::vector<ComplexD> data) const
    {
        const int n = int(bitReverse.size());
        fftInPlace(data.data(), twiddles.data(), n);
        std::vector<std::complex<double>> out(n);
        for (int k = 0; k < n; ++k)
            out[k] = {data[bitReverse[k]].re, data[bitReverse[k]].im};
        return out;
    }
};

std::vector<ComplexD> noise(int n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<double> d;
    std::vector<ComplexD> x(n);
    for (auto &v : x)
        v = {d(gen), d(gen)};
    return x;
}

} // namespace

class TestFft : public QObject {
    Q_OBJECT
private slots:
    void matchesDirectDft()
    {
        for (int n : {2, 8, 64, 256}) {
            const auto x = noise(n, 1);
            const auto X = Transform(n)(x);
            for (int k = 0; k < n; ++k) {
                std::complex<double> sum = 0;
                for (int t = 0; t < n; ++t)
                    sum += std::complex<double>(x[t].re, x[t].im) *
                           std::polar(1.0, -2 * M_PI * double(k) * t / n);
                QVERIFY2(std::abs(sum - X[k]) < 1e-9 * n, qPrintable(QString("n=%1 k=%2").arg(n).arg(k)));
            }
        }
    }

    void parseval()
    {
        for (int n : {16, 1024, 65536}) {
            const auto x = noise(n, 7);
            const auto X = Transform(n)(x);
            double time = 0, freq = 0;
            for (int i = 0; i < n; ++i) {
                time += x[i].re * x[i].re + x[i].im * x[i].im;
                freq += std::norm(X[i]);
            }
            QVERIFY(std::fabs(freq / n - time) < 1e-10 * time);
        }
    }

    void impulseIsFlat()
    {
        const int n = 512;
        std::vector<ComplexD> x(n, ComplexD{0, 0});
        x[0].re = 1;
        for (const auto &v : Transform(n)(x))
            QVERIFY(std::abs(v - 1.0) < 1e-12);
    }

    void exponentialLandsInOneBin()
    {
        const int n = 1024;
        for (int k0 : {0, 1, 37, 511, 1023}) {
            std::vector<ComplexD> x(n);
            for (int t = 0; t < n; ++t)
                x[t] = {std::cos(2 * M_PI * k0 * t / n), std::sin(2 * M_PI * k0 * t / n)};
            const auto X = Transform(n)(x);
            for (int k = 0; k < n; ++k)
                QVERIFY(std::abs(X[k] - (k == k0 ? double(n) : 0.0)) < 1e-9);
        }
    }

    void tablesRefuseBadSizes()
    {
        std::vector<ComplexD> tw(8);
        std::vector<int32_t> rev(16);
        QCOMPARE(fftTables(12, tw.data(), rev.data()), -1);
        QCOMPARE(fftTables(1, tw.data(), rev.data()), -1);
        QCOMPARE(fftTables(16, tw.data(), rev.data()), 0);
        QCOMPARE(rev[1], 8);
        QCOMPARE(rev[6], 6);
    }

    void powerSpectrumPeakRules()
    {
        std::vector<ComplexD> data = {{0, 0}, {1, 1}, {0, 0}, {-1, 1}};
        std::vector<double> out(4);
        int peak = 0;
        powerSpectrum(out.data(), data.data(), nullptr, 4, peak);
        QCOMPARE(out, (std::vector<double>{0, 2, 0, 2}));
        QCOMPARE(peak, 1); // equal maxima: the lowest bin wins

        std::vector<ComplexD> zeros(4, ComplexD{0, 0});
        peak = 0;
        powerSpectrum(out.data(), zeros.data(), nullptr, 4, peak);
        QCOMPARE(peak, 0);

        const int32_t rev[4] = {0, 2, 1, 3};
        peak = 0;
        powerSpectrum(out.data(), data.data(), rev, 4, peak);
        QCOMPARE(out, (std::vector<double>{0, 0, 2, 2}));
        QCOMPARE(peak, 2);

        powerSpectrum(nullptr, data.data(), nullptr, 4, peak); // must not crash
    }
};

QTEST_GUILESS_MAIN(TestFft)
#include "test_fft.moc"
