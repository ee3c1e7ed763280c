// Windows checked against their known spectral shape: unit mean square, first null, highest
// side lobe, and the share of a tone's power that the main-lobe group collects.
#include "dsp/Fft.h"
#include "dsp/HalfWindow.h"
#include "dsp/Windows.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

std::vector<double> window(int code, int n, double level = 90)
{
    std::vector<double> w(n), scratch(n);
    buildWindow(code, w.data(), n, level, scratch.data());
    return w;
}

// Power response of the window on a grid of 1/zoom bin, from a zero-padded transform.
std::vector<double> response(const std::vector<double> &w, int zoom)
{
    const int n = int(w.size()) * zoom;
    std::vector<ComplexD> data(n, ComplexD{0, 0}), tw(n / 2);
    std::vector<int32_t> rev(n);
    for (size_t i = 0; i < w.size(); ++i)
        data[i].re = w[i];
    fftTables(n, tw.data(), rev.data());
    fftInPlace(data.data(), tw.data(), n);
    std::vector<double> p(n / 2);
    int peak = 0;
    powerSpectrum(p.data(), data.data(), rev.data(), n / 2, peak);
    return p;
}

struct Shape {
    double firstNullBins;
    double highestSidelobeDb;
};

Shape measureShape(const std::vector<double> &w, int zoom)
{
    const std::vector<double> p = response(w, zoom);
    // The first null is the first local minimum 50 dB down: a flat top ripples before it.
    size_t j = 1;
    while (j + 1 < p.size() && !(p[j] < p[j - 1] && p[j] <= p[j + 1] && p[j] < 1e-5 * p[0]))
        ++j;
    double highest = 0;
    for (size_t k = j; k < p.size() / 2; ++k)
        highest = std::max(highest, p[k]);
    return {double(j) / zoom, 10 * std::log10(highest / p[0])};
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void unitMeanSquare_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("n");
        for (int code = 0; code < WindowTypeCount; ++code)
            for (int n : {16, 1000, 4096})
                QTest::addRow("%s/%d", windowLabel(code), n) << code << n;
    }
    void unitMeanSquare()
    {
        QFETCH(int, code);
        QFETCH(int, n);
        const auto w = window(code, n);
        double sum = 0;
        for (double v : w)
            sum += v * v;
        QVERIFY(std::fabs(sum - n) < 1e-9 * n);
    }

    void hannOfFourIsNormalisedExactly()
    {
        const auto w = window(WindowHann, 4);
        const double s = std::sqrt(8.0 / 3.0);
        QCOMPARE(w[0], 0.0);
        QVERIFY(std::fabs(w[1] - s / 2) < 1e-15);
        QVERIFY(std::fabs(w[2] - s) < 1e-15);
        QVERIFY(std::fabs(w[3] - s / 2) < 1e-15);
    }

    // Null positions and side lobes of the classic windows as tabulated in the literature.
    void spectralShape_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("nullBins");
        QTest::addColumn<double>("sidelobeDb");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("rectangular") << int(WindowRectangular) << 1.0 << -13.26 << 0.1;
        QTest::newRow("hann") << int(WindowHann) << 2.0 << -31.47 << 0.1;
        QTest::newRow("hamming") << int(WindowHamming) << 2.0 << -42.7 << 0.5;
        QTest::newRow("blackman") << int(WindowBlackman) << 3.0 << -58.1 << 0.3;
        QTest::newRow("exact blackman") << int(WindowExactBlackman) << 3.0 << -68.2 << 1.0;
        QTest::newRow("3-term blackman-harris") << int(WindowBlackmanHarris3) << 3.0 << -70.83 << 0.1;
        QTest::newRow("4-term blackman-harris") << int(WindowBlackmanHarris4) << 4.0 << -92.0 << 1.0;
        QTest::newRow("flat top") << int(WindowFlatTop) << 5.0 << -93.0 << 1.5;
    }
    void spectralShape()
    {
        QFETCH(int, code);
        QFETCH(double, nullBins);
        QFETCH(double, sidelobeDb);
        QFETCH(double, tolerance);
        const Shape s = measureShape(window(code, 256), 64);
        QVERIFY2(std::fabs(s.firstNullBins - nullBins) <= 0.05,
                 qPrintable(QString::number(s.firstNullBins)));
        QVERIFY2(std::fabs(s.highestSidelobeDb - sidelobeDb) <= tolerance,
                 qPrintable(QString::number(s.highestSidelobeDb)));
    }

    // The seven-term set is built for very deep side lobes; rounded to five decimals it still
    // keeps them beyond 100 dB, and the rounding moves the first null just below 7 bins.
    void sevenTermIsDeep()
    {
        const Shape s = measureShape(window(WindowBlackmanHarris7, 256), 64);
        QVERIFY(s.firstNullBins > 6 && s.firstNullBins <= 7);
        QVERIFY2(s.highestSidelobeDb < -100, qPrintable(QString::number(s.highestSidelobeDb)));
    }

    // Dolph-Chebyshev is equiripple: every side lobe sits at the requested level.
    void chebyshevSidelobesAtLevel()
    {
        for (int n : {64, 4096}) {
            for (double level : {60.0, 100.0}) {
                const Shape s = measureShape(window(WindowChebyshev, n, level), n == 64 ? 64 : 8);
                QVERIFY2(std::fabs(s.highestSidelobeDb + level) < 1.5,
                         qPrintable(QString("%1 %2: %3").arg(n).arg(level).arg(s.highestSidelobeDb)));
            }
        }
    }

    void chebyshevOddLengthSymmetricWithHalvedEnds()
    {
        const int n = 33;
        std::vector<double> w(n), scratch(n);
        buildWindow(WindowChebyshev, w.data(), n, 80, scratch.data());
        for (int i = 0; i < n; ++i)
            QVERIFY(std::fabs(w[i] - w[n - 1 - i]) < 1e-12);
        // The ends are half of what the smooth taper predicts from their neighbours.
        QVERIFY(w[0] < w[1] / 1.5);
        QVERIFY(w[16] >= *std::max_element(w.begin(), w.end()) - 1e-12);
    }

    void kaiserMatchesBesselDefinition()
    {
        // 100 weights leave a part batch after the first 64.
        for (const auto &[level, n] : {std::pair{0.0, 64}, {90.0, 64}, {90.0, 100}}) {
            const auto w = window(WindowKaiser, n, level);
            const double beta = level / 10 + 1; // 0 dB still gives beta 1, not a rectangle
            // Relative to the centre weight, whose raw value is I0(beta) / I0(beta) = 1.
            for (int i = 0; i < n; ++i) {
                const double b = 1.0 - 2.0 * i / n;
                const double expected = std::cyl_bessel_i(0.0, beta * std::sqrt(1 - b * b)) /
                                        std::cyl_bessel_i(0.0, beta);
                QVERIFY(std::fabs(w[i] / w[n / 2] - expected) < 1e-9);
            }
        }
    }

    // The cosine-sum windows against their closed form, over lengths that end in a part batch
    // and reach well past the first entries of the coarse cosine table.
    void cosineSumsMatchClosedForm()
    {
        const struct {
            int code;
            std::vector<double> a;
        } sums[] = {{WindowHann, {0.5, 0.5}},
                    {WindowBlackman, {0.42, 0.5, 0.08}},
                    {WindowFlatTop, {0.215578948, 0.41663158, 0.277263158, 0.083578947, 0.006947368}}};
        for (const auto &sum : sums) {
            for (int n : {100, 4097, 65536}) {
                const auto w = window(sum.code, n);
                std::vector<double> expected(n);
                double squares = 0;
                for (int i = 0; i < n; ++i) {
                    for (size_t t = 0; t < sum.a.size(); ++t)
                        expected[i] += (t % 2 ? -1 : 1) * sum.a[t] * std::cos(2 * M_PI * t * i / n);
                    squares += expected[i] * expected[i];
                }
                const double factor = std::sqrt(n / squares);
                double worst = 0;
                for (int i = 0; i < n; ++i)
                    worst = std::max(worst, std::fabs(w[i] - expected[i] * factor));
                QVERIFY2(worst < 1e-13, qPrintable(QString("code %1, n %2: %3").arg(sum.code).arg(n).arg(worst)));
            }
        }
    }

    void unknownCodeLeavesBufferAlone()
    {
        std::vector<double> w(8, 7.0);
        QCOMPARE(buildWindow(11, w.data(), 8, 0), -1);
        QCOMPARE(buildWindow(-1, w.data(), 8, 0), -1);
        QCOMPARE(w, std::vector<double>(8, 7.0));
    }

    // The engine keeps half of each window; the half must give back every weight, for the
    // periodic and the symmetric windows alike, odd lengths and unknown codes included.
    void halfWindowGivesEveryWeight()
    {
        for (int n : {2, 3, 8, 1000, 1024, 4097}) {
            for (int code = -1; code <= WindowTypeCount; ++code) {
                const auto full = code >= 0 && code < WindowTypeCount ? window(code, n, 120)
                                                                      : std::vector<double>(n, 1.0);
                HalfWindow half;
                half.build(code, size_t(n), 120);
                QCOMPARE(half.size(), size_t(n));
                size_t next = 0;
                double worst = 0;
                half.forEach([&](size_t k, double w) {
                    QCOMPARE(k, next++);
                    worst = std::max(worst, std::fabs(w - full[k]));
                });
                QCOMPARE(next, size_t(n));
                // The pair layout the fills use covers every index once, with its own weight.
                const HalfWindow::Pairs p = half.pairs();
                std::vector<int> seen(n, 0);
                auto visit = [&](size_t k, double w) {
                    QVERIFY(k < size_t(n));
                    ++seen[k];
                    worst = std::max(worst, std::fabs(w - full[k]));
                };
                for (size_t k = 0; k < p.split; ++k) {
                    visit(k, p.half[k]);
                    if (k >= p.pairFrom && k < p.pairTo)
                        visit(p.mirror - k, p.half[k]);
                }
                QCOMPARE(seen, std::vector<int>(n, 1));
                QVERIFY2(worst < 1e-12, qPrintable(QString("code %1, n %2: %3").arg(code).arg(n).arg(worst)));
            }
        }
    }

    void mainLobeWidthTable()
    {
        QCOMPARE(windowMainLobeWidth(WindowHann, 0), 5);
        QCOMPARE(windowMainLobeWidth(WindowBlackmanHarris4, 0), 7);
        QCOMPARE(windowMainLobeWidth(WindowBlackmanHarris7, 0), 15);
        QCOMPARE(windowMainLobeWidth(WindowKaiser, 50), 5);
        QCOMPARE(windowMainLobeWidth(WindowKaiser, 50.0001), 7);
        QCOMPARE(windowMainLobeWidth(WindowChebyshev, 120), 9);
        QCOMPARE(windowMainLobeWidth(WindowChebyshev, 120.5), 11);
        QCOMPARE(windowMainLobeWidth(WindowFlatTop, 200), 7);
        QCOMPARE(windowMainLobeWidth(99, 0), 7);
    }

    // The group of mainLobeWidth bins must collect the whole tone wherever it falls between
    // bins, or tone power and frequency read-outs would depend on the tone's offset.
    void mainLobeGroupCollectsTone()
    {
        const int n = 1024;
        for (int code = 0; code < WindowTypeCount; ++code) {
            if (code == WindowRectangular)
                continue; // no window: leakage is the point of it
            const double level = 90;
            const auto w = window(code, n, level);
            const int width = windowMainLobeWidth(code, level);
            const auto p = response(w, 16); // tone offsets of 1/16 bin
            double worst = 1;
            for (int offset = 0; offset < 16; ++offset) {
                double inGroup = 0, total = 0;
                for (int bin = -n / 4; bin < n / 4; ++bin) {
                    const long k = std::labs(long(bin) * 16 - offset);
                    if (size_t(k) >= p.size())
                        continue;
                    total += p[k];
                    if (std::abs(bin - (offset >= 8 ? 1 : 0)) <= width / 2)
                        inGroup += p[k];
                }
                worst = std::min(worst, inGroup / total);
            }
            QVERIFY2(worst > 0.998, qPrintable(QString("%1: %2").arg(windowLabel(code)).arg(worst)));
        }
    }
};

QTEST_GUILESS_MAIN(TestWindows)
#include "test_windows.moc"
