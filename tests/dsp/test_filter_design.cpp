// Filter design against the physics of each family: FIR window levels and -6 dB edges, the
// impulse delay, overlap-add against a direct sum; IIR edges, ripple and attenuation bounds,
// stability, Bessel's flat delay; and, where Debian's liquid-dsp is installed, the same
// responses from an independent design.
#include "dsp/FirDesign.h"
#include "dsp/FirFilter.h"
#include "dsp/IirDesign.h"
#include "dsp/IirFilter.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#ifdef ORMA_HAVE_LIQUID
#include <complex.h>
#undef I
#include <liquid/liquid.h>
#endif

namespace {

using cd = std::complex<double>;

double db(double gain) { return 20.0 * std::log10(gain); }

// |H| of a FIR at f / fs, from its taps directly.
double firGain(const std::vector<double> &h, double f)
{
    cd sum = 0.0;
    for (size_t k = 0; k < h.size(); ++k)
        sum += h[k] * std::polar(1.0, -2.0 * M_PI * f * double(k));
    return std::abs(sum);
}

// Largest |H| over [from, to] (fractions of fs) on a fine grid.
template <typename Gain> double peakGain(Gain gain, double from, double to, int points = 4000)
{
    double peak = 0.0;
    for (int i = 0; i <= points; ++i)
        peak = std::max(peak, gain(from + (to - from) * i / points));
    return peak;
}

template <typename Gain> double lowestGain(Gain gain, double from, double to, int points = 4000)
{
    double low = 1e300;
    for (int i = 0; i <= points; ++i)
        low = std::min(low, gain(from + (to - from) * i / points));
    return low;
}

std::vector<double> fir(int band, double f1, double f2, int taps, int window, double beta = 0)
{
    std::vector<double> h(size_t(taps), NAN);
    if (designFir(band, 1.0, f1, f2, taps, window, beta, h.data()) != 0)
        h.clear();
    return h;
}

std::vector<Biquad> iir(int family, int band, int order, double f1, double f2 = 0,
                        double ripple = 0.5, double attenuation = 40)
{
    IirParams s;
    s.family = family;
    s.band = band;
    s.order = order;
    s.fs = 48000;
    s.f1 = f1;
    s.f2 = f2;
    s.rippleDb = ripple;
    s.attenuationDb = attenuation;
    std::vector<Biquad> sections;
    if (designIir(s, sections) != IirDesigned)
        sections.clear();
    return sections;
}

auto iirGainHz(const std::vector<Biquad> &s)
{
    return [&s](double hz) { return std::abs(cascadeResponse(s.data(), int(s.size()), hz / 48000)); };
}

std::vector<double> noise(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-1000, 1000);
    std::vector<double> x(n);
    for (double &v : x)
        v = u(gen);
    return x;
}

} // namespace

class FilterDesignTest : public QObject {
    Q_OBJECT
private slots:
    void firWindowLevels_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<double>("beta");
        QTest::addColumn<double>("levelDb");
        QTest::newRow("rectangular") << int(FirRectangular) << 0.0 << -21.0;
        QTest::newRow("triangular") << int(FirTriangular) << 0.0 << -25.0;
        QTest::newRow("Hann") << int(FirHann) << 0.0 << -44.0;
        QTest::newRow("Hamming") << int(FirHamming) << 0.0 << -53.0;
        QTest::newRow("Blackman") << int(FirBlackman) << 0.0 << -74.0;
        // Kaiser: A = beta / 0.1102 + 8.7 dB.
        QTest::newRow("Kaiser 6") << int(FirKaiser) << 6.0 << -(6 / 0.1102 + 8.7);
        QTest::newRow("Kaiser 9") << int(FirKaiser) << 9.0 << -(9 / 0.1102 + 8.7);
    }

    // Every band: unit gain where it passes, -6 dB at each edge, and past the first null the
    // window's side-lobe level in the stop band.
    void firWindowLevels()
    {
        QFETCH(int, window);
        QFETCH(double, beta);
        QFETCH(double, levelDb);
        const int taps = 201;
        const double f1 = 0.15, f2 = 0.3;
        // The levels are the textbook ones of a low-pass; a complement adds the other edge's
        // tail, and Kaiser's formula is a fit.
        const double tol = window == FirKaiser ? 2.0 : 1.0;
        // From the edge into the stop band (direction +1 or -1) to its first null, then the
        // highest ripple up to `end`.
        auto check = [&](const std::vector<double> &h, double edge, int direction, double end,
                         const char *what) {
            const double step = 1e-5 * direction;
            double f = edge;
            while (firGain(h, f + step) <= firGain(h, f) && (end - f) * direction > 0)
                f += step;
            const double from = std::min(f, end), to = std::max(f, end);
            const double peak = db(peakGain([&](double x) { return firGain(h, x); }, from, to));
            // Near the level, not far below it: the window named is the one applied.
            QVERIFY2(peak <= levelDb + tol && peak > levelDb - 8,
                     qPrintable(QString("%1 stop band %2 dB").arg(what).arg(peak)));
            QVERIFY2(std::fabs(f - edge) < 6.0 / taps, "no null near the edge");
        };
        const auto lp = fir(BandLowPass, f1, 0, taps, window, beta);
        QVERIFY(!lp.empty());
        double sum = 0;
        for (double v : lp)
            sum += v;
        QVERIFY(qAbs(sum - 1) < 1e-12);
        QVERIFY(qAbs(db(firGain(lp, f1)) + 6.02) < 0.3);
        check(lp, f1, +1, 0.5, "low-pass");

        const auto hp = fir(BandHighPass, f1, 0, taps, window, beta);
        QVERIFY(firGain(hp, 0) < 1e-12);
        QVERIFY(qAbs(db(firGain(hp, 0.5))) < 0.1);
        QVERIFY(qAbs(db(firGain(hp, f1)) + 6.02) < 0.3);
        check(hp, f1, -1, 0, "high-pass");

        const auto bp = fir(BandPass, f1, f2, taps, window, beta);
        QVERIFY(qAbs(db(firGain(bp, (f1 + f2) / 2))) < 0.2);
        QVERIFY(qAbs(db(firGain(bp, f1)) + 6.02) < 0.3 && qAbs(db(firGain(bp, f2)) + 6.02) < 0.3);
        check(bp, f1, -1, 0, "band-pass, below");
        check(bp, f2, +1, 0.5, "band-pass, above");

        const auto bs = fir(BandStop, f1, f2, taps, window, beta);
        QVERIFY(qAbs(firGain(bs, 0) - 1) < 1e-12);
        check(bs, f1, +1, (f1 + f2) / 2, "band-stop");
        check(bs, f2, -1, (f1 + f2) / 2, "band-stop");
    }

    // The delay is left in: a 21-tap low-pass passes a slow tone 10 samples late, an impulse
    // comes out centred 10 samples later, and only the first n outputs exist.
    void firDelayIsNotCompensated()
    {
        const auto h = fir(BandLowPass, 0.1, 0, 21, FirHamming);
        const size_t n = 400;
        std::vector<double> x(n, 0.0), y(n);
        x[100] = 1.0;
        FirFilter filter;
        QVERIFY(filter.setTaps(h.data(), 21));
        filter.filter(x.data(), n, y.data());
        const size_t peak = size_t(std::max_element(y.begin(), y.end()) - y.begin());
        QCOMPARE(peak, size_t(110));
        for (int k = 1; k <= 10; ++k)
            QCOMPARE(y[110 - k], y[110 + k]);
        for (size_t i = 0; i < n; ++i)
            x[i] = std::sin(2 * M_PI * 0.005 * double(i));
        filter.filter(x.data(), n, y.data());
        for (size_t i = 30; i < n; ++i)
            QVERIFY(qAbs(y[i] - x[i - 10]) < 2e-3);
        // The last input sample only reaches the first output of the dropped tail.
        std::vector<double> z = x;
        z[n - 1] += 1000;
        std::vector<double> yz(n);
        filter.filter(z.data(), n, yz.data());
        QVERIFY(qAbs(yz[n - 1] - y[n - 1] - 1000 * h[0]) < 1e-9);
    }

    void overlapAddEqualsDirect_data()
    {
        QTest::addColumn<int>("taps");
        QTest::addColumn<int>("n");
        QTest::newRow("127 taps") << 127 << 100000;
        QTest::newRow("1001 taps, block shorter") << 1001 << 300;
        QTest::newRow("4095 taps") << 4095 << 60000;
        QTest::newRow("4095 taps, one sample") << 4095 << 1;
    }

    void overlapAddEqualsDirect()
    {
        QFETCH(int, taps);
        QFETCH(int, n);
        const auto h = fir(BandPass, 0.1, 0.2, taps, FirKaiser, 8);
        const auto x = noise(size_t(n), unsigned(taps));
        FirFilter filter;
        QVERIFY(filter.setTaps(h.data(), taps));
        QVERIFY(filter.transformSize() >= 2 * taps); // long filters go through the transform
        std::vector<double> fast(static_cast<size_t>(n)), direct(static_cast<size_t>(n));
        filter.filter(x.data(), size_t(n), fast.data());
        firDirect(h.data(), taps, x.data(), size_t(n), direct.data());
        double scale = 0, error = 0;
        for (int i = 0; i < n; ++i) {
            scale = std::max(scale, std::fabs(direct[size_t(i)]));
            error = std::max(error, std::fabs(fast[size_t(i)] - direct[size_t(i)]));
        }
        QVERIFY2(error <= 1e-12 * std::max(scale, 1.0), qPrintable(QString::number(error / scale)));
        QCOMPARE(FirFilter::chooseTransformSize(7), 0); // a short filter is summed directly
        QCOMPARE(FirFilter::chooseTransformSize(1048575), 1 << 22); // the longest: 4M points
    }

    void firRejectsWhatCannotBeDesigned()
    {
        std::vector<double> h(9, 7.0);
        QCOMPARE(designFir(BandLowPass, 1, 0.2, 0, 8, FirHann, 0, h.data()), -1);   // even
        QCOMPARE(designFir(BandLowPass, 1, 0.2, 0, 1, FirHann, 0, h.data()), -1);   // one tap
        QCOMPARE(designFir(BandLowPass, 1, 0.0, 0, 9, FirHann, 0, h.data()), -1);
        QCOMPARE(designFir(BandLowPass, 1, 0.5, 0, 9, FirHann, 0, h.data()), -1);
        QCOMPARE(designFir(BandPass, 1, 0.3, 0.2, 9, FirHann, 0, h.data()), -1);
        QCOMPARE(designFir(BandStop, 1, 0.2, 0.2, 9, FirHann, 0, h.data()), -1);
        QCOMPARE(designFir(BandLowPass, 0, 0.2, 0, 9, FirHann, 0, h.data()), -1);
        QCOMPARE(designFir(BandLowPass, 1, 0.2, 0, 9, FirKaiser, -1, h.data()), -1);
        QCOMPARE(designFir(BandLowPass, 1, 0.2, 0, 9, 6, 0, h.data()), -1);
        QCOMPARE(h[0], 7.0); // nothing written
    }

    void butterworthEdges_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<int>("order");
        for (int band : {0, 1, 2, 3})
            for (int order : {1, 2, 5, 8, 20})
                QTest::addRow("band %d order %d", band, order) << band << order;
    }

    // -3.01 dB at every edge, 0 dB where the band passes, and the roll-off of N poles.
    void butterworthEdges()
    {
        QFETCH(int, band);
        QFETCH(int, order);
        const bool two = band >= 2;
        const auto s = iir(IirButterworth, band, order, two ? 4000 : 6000, two ? 9000 : 0);
        QVERIFY(!s.empty());
        auto g = iirGainHz(s);
        QVERIFY(qAbs(db(g(two ? 4000 : 6000)) + 3.0103) < 0.05);
        if (two)
            QVERIFY(qAbs(db(g(9000)) + 3.0103) < 0.05);
        if (band != 2) // DC, Nyquist, DC
            QVERIFY(qAbs(db(g(band == 1 ? 24000 : 0))) < 1e-9);
        // Maximally flat: never above 0 dB.
        QVERIFY(db(peakGain(g, 0, 24000)) < 1e-9);
        if (band == 0 && order >= 2) // an octave above the edge, prewarped: about 6N dB down
            QVERIFY(db(g(12000)) < -6.0 * order + 3);
    }

    void rippleAndAttenuation_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("band");
        QTest::addColumn<int>("order");
        for (int family : {int(IirChebyshev), int(IirInverseChebyshev), int(IirElliptic)})
            for (int band : {0, 1, 2, 3})
                for (int order : {1, 4, 7})
                    QTest::addRow("family %d band %d order %d", family, band, order)
                        << family << band << order;
    }

    // Chebyshev and elliptic: the pass band within [-Ap, 0], -Ap at the edge. Inverse
    // Chebyshev: -As at its edges and at least As down beyond them.
    void rippleAndAttenuation()
    {
        QFETCH(int, family);
        QFETCH(int, band);
        QFETCH(int, order);
        const double ap = 0.5, as = 45;
        const double f1 = band >= 2 ? 6000 : 8000, f2 = band >= 2 ? 10000 : 0;
        const auto s = iir(family, band, order, f1, f2, ap, as);
        QVERIFY(!s.empty());
        auto g = iirGainHz(s);
        // Pass and stop regions in Hz, from the edges inwards and outwards.
        std::vector<std::pair<double, double>> pass, stop;
        const double inner = 0.999, outer = 1.001;
        switch (band) {
        case 0: pass = {{0, f1 * inner}}; stop = {{f1 * outer, 24000}}; break;
        case 1: pass = {{f1 * outer, 24000}}; stop = {{0, f1 * inner}}; break;
        case 2: pass = {{f1 * outer, f2 * inner}}; stop = {{0, f1 * inner}, {f2 * outer, 24000}}; break;
        default: pass = {{0, f1 * inner}, {f2 * outer, 24000}}; stop = {{f1 * outer, f2 * inner}};
        }
        const double e1 = db(g(f1)), e2 = band >= 2 ? db(g(f2)) : e1;
        if (family != IirInverseChebyshev) {
            for (auto r : pass) {
                QVERIFY2(db(peakGain(g, r.first, r.second)) < 1e-6, "above 0 dB");
                QVERIFY2(db(lowestGain(g, r.first, r.second)) > -ap - 1e-6, "ripple above Ap");
            }
            QVERIFY(qAbs(e1 + ap) < 1e-3 && qAbs(e2 + ap) < 1e-3);
        } else {
            QVERIFY(qAbs(e1 + as) < 1e-3 && qAbs(e2 + as) < 1e-3);
            // Beyond the edges: nowhere less than As down.
            for (auto r : stop)
                QVERIFY2(db(peakGain(g, r.first, r.second)) < -as + 1e-3, "stop band above -As");
        }
    }

    // Elliptic stop band: it begins where the degree equation puts it, N K'(k)/K(k) =
    // K'(k1)/K(k1) with k1 = eps_p/eps_s (solved here with the arithmetic-geometric mean),
    // at the analog edge 1/k, and nothing rises above -As beyond.
    void ellipticStopBand()
    {
        auto K = [](double k) { // complete elliptic integral of the first kind
            double a = 1, b = std::sqrt(1 - k * k);
            for (int i = 0; i < 60 && std::fabs(a - b) > 1e-16 * a; ++i) {
                const double m = (a + b) / 2;
                b = std::sqrt(a * b);
                a = m;
            }
            return M_PI / (2 * a);
        };
        auto ratio = [&](double k) { return K(std::sqrt(1 - k * k)) / K(k); };
        const double ap = 0.5, as = 60, fc = 4000, fs = 48000;
        const double k1 = std::sqrt(std::pow(10, ap / 10) - 1) / std::sqrt(std::pow(10, as / 10) - 1);
        for (int order : {3, 4, 6}) {
            const auto s = iir(IirElliptic, 0, order, fc, 0, ap, as);
            QVERIFY(!s.empty());
            auto g = iirGainHz(s);
            double lo = 1e-6, hi = 1 - 1e-12; // ratio falls as k grows
            for (int i = 0; i < 200; ++i) {
                const double mid = (lo + hi) / 2;
                (ratio(mid) > ratio(k1) / order ? lo : hi) = mid;
            }
            const double stopHz = fs / M_PI * std::atan(std::tan(M_PI * fc / fs) / lo);
            QVERIFY2(qAbs(db(g(stopHz)) + as) < 0.01, qPrintable(QString("order %1: %2 dB at %3 Hz")
                                                                  .arg(order).arg(db(g(stopHz))).arg(stopHz)));
            QVERIFY(db(peakGain(g, stopHz, fs / 2, 20000)) < -as + 1e-3);
            QVERIFY(db(g(stopHz * 0.98)) > -as); // and not before
        }
    }

    // Bessel: -3.01 dB at the edge and a group delay flat across the pass band, much flatter
    // than Butterworth's.
    void besselFlatDelay()
    {
        const double fc = 480; // fs / 100: the bilinear warp is small there
        auto delayVariation = [&](int family) {
            const auto s = iir(family, 0, 6, fc);
            auto delay = [&](double hz) {
                const double d = 0.01;
                const cd ratio = cascadeResponse(s.data(), int(s.size()), (hz + d) / 48000) /
                                 cascadeResponse(s.data(), int(s.size()), (hz - d) / 48000);
                return -std::arg(ratio) / (2 * M_PI * 2 * d); // seconds
            };
            const double d0 = delay(1);
            double worst = 0;
            for (double hz = 1; hz <= fc / 2; hz += 2)
                worst = std::max(worst, std::fabs(delay(hz) / d0 - 1));
            return worst;
        };
        const auto b = iir(IirBessel, 0, 6, fc);
        QVERIFY(qAbs(db(iirGainHz(b)(fc)) + 3.0103) < 0.05);
        const double bessel = delayVariation(IirBessel), butter = delayVariation(IirButterworth);
        QVERIFY2(bessel < 0.005, qPrintable(QString::number(bessel)));
        QVERIFY(butter > 10 * bessel);
    }

    // Every family, band and order up to the limit: both poles of every section strictly
    // inside the unit circle, from the roots of the denominator themselves.
    void polesInsideUnitCircle()
    {
        for (int family = 0; family <= 4; ++family)
            for (int band = 0; band <= 3; ++band)
                for (int order = 1; order <= maxIirOrder(family); order += order < 10 ? 1 : 5) {
                    const auto s = iir(family, band, order, 200, band >= 2 ? 300 : 0, 0.1, 80);
                    QVERIFY2(!s.empty(), qPrintable(QString("family %1 band %2 order %3")
                                                       .arg(family).arg(band).arg(order)));
                    int poles = 0;
                    for (const Biquad &q : s) {
                        const cd disc = std::sqrt(cd(q.a1 * q.a1 - 4 * q.a2));
                        const cd r1 = (-q.a1 + disc) / 2.0, r2 = (-q.a1 - disc) / 2.0;
                        QVERIFY(std::abs(r1) < 1 && std::abs(r2) < 1);
                        poles += q.a2 != 0 ? 2 : 1;
                    }
                    QCOMPARE(poles, band >= 2 ? 2 * order : order);
                }
    }

    void iirRejectsWhatCannotBeDesigned()
    {
        auto result = [](int family, int band, int order, double f1, double f2, double ap,
                         double as) {
            IirParams s{family, band, order, 48000, f1, f2, ap, as};
            std::vector<Biquad> out;
            return designIir(s, out);
        };
        QCOMPARE(result(IirButterworth, 0, 0, 1000, 0, 1, 40), IirBadArguments);
        QCOMPARE(result(IirButterworth, 0, maxIirOrder(IirButterworth) + 1, 1000, 0, 1, 40), IirBadArguments);
        QCOMPARE(result(IirBessel, 0, maxIirOrder(IirBessel) + 1, 1000, 0, 1, 40), IirBadArguments);
        QCOMPARE(result(IirChebyshev, 0, 4, 1000, 0, 0, 40), IirBadArguments);
        QCOMPARE(result(IirInverseChebyshev, 0, 4, 1000, 0, 1, -3), IirBadArguments);
        QCOMPARE(result(IirElliptic, 0, 4, 1000, 0, 40, 40), IirBadArguments);
        QCOMPARE(result(IirButterworth, 0, 4, 0, 0, 1, 40), IirBadArguments);
        QCOMPARE(result(IirButterworth, 1, 4, 24000, 0, 1, 40), IirBadArguments);
        QCOMPARE(result(IirButterworth, 2, 4, 3000, 3000, 1, 40), IirBadArguments);
        QCOMPARE(result(IirButterworth, 3, 4, 3000, 25000, 1, 40), IirBadArguments);
        // Poles that double cannot keep inside the unit circle: refused, not returned.
        IirParams tiny{IirButterworth, 0, 40, 1e6, 0.001, 0, 1, 40};
        std::vector<Biquad> none;
        QCOMPARE(designIir(tiny, none), IirUnstable);
        QVERIFY(none.empty());
        // Butterworth takes no ripple: whatever the field holds is not its business.
        QCOMPARE(result(IirButterworth, 0, 4, 1000, 0, 0, 0), IirDesigned);
    }

    // From rest at every block: the same samples give the same output, bit for bit; a step
    // settles at the pass-band gain.
    void cascadeFromRest()
    {
        const auto s = iir(IirElliptic, 0, 6, 3000, 0, 0.5, 60);
        const auto x = noise(5000, 3);
        std::vector<double> y1(x.size()), y2(x.size()), inPlace = x;
        filterCascade(s.data(), int(s.size()), x.data(), x.size(), y1.data());
        filterCascade(s.data(), int(s.size()), x.data(), x.size(), y2.data());
        filterCascade(s.data(), int(s.size()), inPlace.data(), x.size(), inPlace.data());
        QVERIFY(y1 == y2);
        QVERIFY(y1 == inPlace);
        std::vector<double> step(20000, 1.0);
        filterCascade(s.data(), int(s.size()), step.data(), step.size(), step.data());
        QVERIFY(qAbs(step.back() - 1 / std::sqrt(std::pow(10, 0.05))) < 1e-9); // even order
    }

    // A pole at r gives h[n] = r^n, whose tail from n holds r^(2n) of the energy: -120 dB
    // after ceil(6 ln 10 / -ln r) samples; a limit cuts it.
    void settlingOfOnePole()
    {
        for (double r : {0.5, 0.9, 0.999, 0.9999}) {
            Biquad pole;
            pole.a1 = -r;
            const double expected = std::ceil(6 * std::log(10.0) / -std::log(r));
            const size_t n = iirSettlingLength(&pole, 1, size_t(1) << 20);
            QVERIFY2(std::abs(double(n) - expected) <= 1, qPrintable(QString::number(n)));
        }
        Biquad slow;
        slow.a1 = -0.99999;
        QCOMPARE(iirSettlingLength(&slow, 1, 1000), size_t(1000));
    }

    // An independent design (liquid-dsp, in single precision) gives the same pass band for the
    // families whose edge it defines as we do.
    void agreesWithLiquid()
    {
#ifndef ORMA_HAVE_LIQUID
        QSKIP("liquid-dsp is not installed");
#else
        const struct {
            int family;
            liquid_iirdes_filtertype liquid;
        } families[] = {{IirButterworth, LIQUID_IIRDES_BUTTER},
                        {IirChebyshev, LIQUID_IIRDES_CHEBY1},
                        {IirElliptic, LIQUID_IIRDES_ELLIP}};
        for (const auto &f : families) {
            // liquid maps bands digitally with an edge convention of its own: low- and
            // high-pass compare like for like.
            for (int band = 0; band <= 1; ++band) {
                const int order = 5;
                const double fs = 48000, f1 = 6000;
                const auto ours = iir(f.family, band, order, f1, 0, 0.5, 50);
                const auto type = band == 0 ? LIQUID_IIRDES_LOWPASS : LIQUID_IIRDES_HIGHPASS;
                const unsigned sections = (order + 1) / 2;
                std::vector<float> b(3 * sections), a(3 * sections);
                QCOMPARE(liquid_iirdes(f.liquid, type, LIQUID_IIRDES_SOS, unsigned(order),
                                       float(f1 / fs), 0.0f, 0.5f, 50.0f, b.data(), a.data()),
                         0);
                std::vector<Biquad> theirs(sections);
                for (unsigned i = 0; i < sections; ++i)
                    theirs[i] = {b[3 * i] / a[3 * i], b[3 * i + 1] / a[3 * i], b[3 * i + 2] / a[3 * i],
                                 a[3 * i + 1] / a[3 * i], a[3 * i + 2] / a[3 * i]};
                // The pass band up to the edge: its elliptic transition band differs a little,
                // its degree equation being solved to a coarser precision than ours.
                const double edgeGain =
                    0.999 * std::abs(cascadeResponse(ours.data(), int(ours.size()), f1 / fs));
                double worst = 0;
                for (int i = 1; i < 200; ++i) {
                    const double f = 0.5 * i / 200;
                    const double g1 = std::abs(cascadeResponse(ours.data(), int(ours.size()), f));
                    const double g2 = std::abs(cascadeResponse(theirs.data(), int(theirs.size()), f));
                    if (g1 >= edgeGain)
                        worst = std::max(worst, std::fabs(db(g1) - db(g2)));
                }
                QVERIFY2(worst < 0.005, qPrintable(QString("family %1 band %2: %3 dB")
                                                      .arg(f.family).arg(band).arg(worst)));
            }
        }
#endif
    }
};

QTEST_GUILESS_MAIN(FilterDesignTest)
#include "test_filter_design.moc"
