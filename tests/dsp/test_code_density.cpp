// The code-density test against converters whose transition levels are known: a sine sampled
// at phases advancing by the golden fraction of a cycle (so that the phases fill the period
// evenly, as a long incoherent record does) goes through an explicit threshold table, and the
// measured DNL and INL must be those the table was built with.
#include "dsp/CodeDensity.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// Threshold error of transition k (between bins k - 1 and k), LSB, for a converter of `bins`
// codes; k runs 1 ... bins - 1.
using ThresholdError = std::function<double(int k, int bins)>;

struct Converter {
    int bits = 10;
    std::vector<double> t; // t[k]: transition into bin k, in bin units; t[0] unused

    Converter(int b, const ThresholdError &error) : bits(b), t(size_t(1) << b)
    {
        const int bins = int(t.size());
        for (int k = 1; k < bins; ++k)
            t[size_t(k)] = k - 0.5 + (error ? error(k, bins) : 0.0);
    }
    int bins() const { return int(t.size()); }
    double width(int k) const { return t[size_t(k + 1)] - t[size_t(k)]; }
    // End-point INL of transition k against the line through the first and last ones.
    double endPointInl(int k) const
    {
        const double first = t[1], last = t.back();
        const double lsb = (last - first) / (bins() - 2);
        return (t[size_t(k)] - first) / lsb - (k - 1);
    }
};

// The histogram of n samples of offset + amplitude sin, in bin units of the converter.
CodeHistogram sineHistogram(const Converter &adc, double amplitude, double offset, size_t n)
{
    CodeHistogram h;
    resetHistogram(h, adc.bits);
    const double golden = (std::sqrt(5.0) - 1.0) / 2.0;
    double phase = 0.1234;
    for (size_t i = 0; i < n; ++i) {
        const double x = offset + amplitude * std::sin(2 * M_PI * phase);
        phase += golden;
        phase -= std::floor(phase);
        const auto bin = std::upper_bound(adc.t.begin() + 1, adc.t.end(), x) - adc.t.begin() - 1;
        ++h.counts[size_t(bin)];
    }
    h.counted = n;
    return h;
}

ThresholdError bow(double b)
{
    return [b](int k, int bins) {
        const double u = 2.0 * (k - 1) / (bins - 2) - 1.0; // -1 at the first transition, 1 at the last
        return b * (1.0 - u * u);
    };
}

ThresholdError alternating(double d)
{
    return [d](int k, int) { return k % 2 ? d / 2 : -d / 2; };
}

double largestMagnitude(const std::vector<double> &v)
{
    double m = 0.0;
    for (double x : v)
        if (std::isfinite(x))
            m = std::max(m, std::fabs(x));
    return m;
}

} // namespace

Q_DECLARE_METATYPE(ThresholdError)

class CodeDensityTest : public QObject {
    Q_OBJECT
private slots:
    // Every interior code's DNL and end-point INL are the converter's own, and the largest
    // magnitudes are what the table was built with.
    void knownConverters_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<ThresholdError>("error");
        QTest::addColumn<double>("overdrive"); // codes beyond each end; negative: short of them
        QTest::addColumn<double>("centre");    // sine centre, codes from mid-scale
        QTest::addColumn<double>("maxDnl");
        QTest::addColumn<double>("maxInl");   // end-point
        QTest::addColumn<double>("maxInlBf"); // best-fit
        QTest::addColumn<double>("tolerance");
        // Ideal converters; above 12 bits the sine covers 1200 codes of the range, which keeps
        // the record short while every code it crosses is measured alike.
        for (int bits : {8, 10, 12})
            QTest::addRow("ideal %d bits", bits) << bits << ThresholdError() << 2.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.02;
        for (int bits : {14, 16})
            QTest::addRow("ideal %d bits, part of the range", bits)
                << bits << ThresholdError() << -((1 << (bits - 1)) - 600.0) << 137.3 << 0.0 << 0.0 << 0.0 << 0.02;
        // A parabolic bow of B LSB at mid-scale: end-point INL B, best-fit INL 2B/3 at the ends
        // (the line's offset is the bow's mean, 2B/3).
        QTest::addRow("bow +1.5 LSB") << 10 << bow(1.5) << 3.0 << 0.0 << 0.0 << 1.5 << 1.0 << 0.05;
        QTest::addRow("bow -0.8 LSB") << 10 << bow(-0.8) << 3.0 << 0.0 << 0.0 << -0.8 << 0.8 * 2 / 3 << 0.05;
        // Code widths 1 - d and 1 + d in turn: DNL +-d.
        QTest::addRow("alternating 0.3") << 10 << alternating(0.3) << 2.0 << 0.0 << 0.3 << -0.3 << 0.15 << 0.02;
        QTest::addRow("alternating 0.6, 12 bits") << 12 << alternating(0.6) << 4.0 << 0.0 << 0.6 << -0.6 << 0.3 << 0.02;
    }
    void knownConverters()
    {
        QFETCH(int, bits);
        QFETCH(ThresholdError, error);
        QFETCH(double, overdrive);
        QFETCH(double, centre);
        QFETCH(double, maxDnl);
        QFETCH(double, maxInl);
        QFETCH(double, maxInlBf);
        QFETCH(double, tolerance);
        const Converter adc(bits, error);
        const double half = 1 << (bits - 1);
        const double amplitude = half + overdrive;
        // About 200 samples in the least hit code, at the sine's centre.
        const size_t n = size_t(200 * M_PI * amplitude);
        const CodeHistogram h = sineHistogram(adc, amplitude, half - 0.5 + centre, n);
        const CodeDensity d = analyseCodeDensity(h);
        QVERIFY(d.defined());
        QCOMPARE(d.clippedLow, overdrive > 0);
        QCOMPARE(d.clippedHigh, overdrive > 0);
        QVERIFY(d.missingCodes.empty());
        QVERIFY(std::fabs(d.amplitude - amplitude) < 0.5);
        QVERIFY(std::fabs(d.offset - (centre - 0.5)) < 0.5);
        double dnlError = 0.0, inlError = 0.0;
        for (int bin = h.half() + d.firstCode + 1; bin < h.half() + d.lastCode; ++bin) {
            dnlError = std::max(dnlError, std::fabs(d.dnl[size_t(bin)] - (adc.width(bin) - 1.0)));
            if (overdrive > 0) // the end-point line is the converter's own only when both ends are crossed
                inlError = std::max(inlError, std::fabs(d.inlEndPoint[size_t(bin)] - adc.endPointInl(bin)));
        }
        QVERIFY2(dnlError <= 0.02, qPrintable(QString::number(dnlError)));
        QVERIFY2(inlError <= tolerance, qPrintable(QString::number(inlError)));
        QVERIFY2(std::fabs(std::fabs(d.maxDnl) - maxDnl) <= 0.02, qPrintable(QString::number(d.maxDnl)));
        QVERIFY2(std::fabs(d.maxInlEndPoint - maxInl) <= tolerance, qPrintable(QString::number(d.maxInlEndPoint)));
        QVERIFY2(std::fabs(std::fabs(d.maxInlBestFit) - maxInlBf) <= tolerance,
                 qPrintable(QString::number(d.maxInlBestFit)));
        QCOMPARE(largestMagnitude(d.dnl), std::fabs(d.maxDnl));
    }

    // A code that never appears has DNL -1 and is listed; its neighbours took its width.
    void missingCode()
    {
        const int missing = 300;
        const Converter adc(10, [missing](int k, int) { return k == missing ? 0.5 : k == missing + 1 ? -0.5 : 0.0; });
        const CodeDensity d = analyseCodeDensity(sineHistogram(adc, 514.0, 511.5, 400000));
        QVERIFY(d.defined());
        QCOMPARE(d.missingCodes, std::vector<int>{missing - 512});
        QCOMPARE(d.dnl[missing], -1.0);
        QCOMPARE(d.maxDnl, -1.0);
        QCOMPARE(d.maxDnlCode, missing - 512);
        QVERIFY(std::fabs(d.dnl[missing - 1] - 0.5) <= 0.02);
        QVERIFY(std::fabs(d.dnl[missing + 1] - 0.5) <= 0.02);
    }

    // Overdriving a converter with a bow and uneven codes by 1 to 5 codes measures the same
    // interior codes alike.
    void overdrive()
    {
        const ThresholdError bowed = bow(0.7), uneven = alternating(0.2);
        const Converter adc(10, [&](int k, int bins) { return bowed(k, bins) + uneven(k, bins); });
        std::vector<CodeDensity> runs;
        for (double over : {1.0, 2.0, 3.0, 4.0, 5.0})
            runs.push_back(analyseCodeDensity(sineHistogram(adc, 512.0 + over, 511.5, 700000)));
        for (const CodeDensity &d : runs) {
            QVERIFY(d.clippedLow && d.clippedHigh);
            for (size_t bin = 1; bin + 1 < d.dnl.size() - 1; ++bin) {
                QVERIFY2(std::fabs(d.dnl[bin] - runs[0].dnl[bin]) <= 0.02, qPrintable(QString::number(bin)));
                QVERIFY(std::fabs(d.inlEndPoint[bin] - runs[0].inlEndPoint[bin]) <= 0.02);
                QVERIFY(std::fabs(d.inlBestFit[bin] - runs[0].inlBestFit[bin]) <= 0.02);
            }
        }
    }

    // The samples a full-scale 12-bit sine needs for 0.1 LSB at 95 %: pi 2^11 1.96^2 / 0.01;
    // a record of fewer is flagged.
    void samplesNeeded()
    {
        QVERIFY(std::fabs(codeDensitySamplesNeeded(2048, 0.1, 0.95) / (M_PI * 2048 * 1.959964 * 1.959964 / 0.01) - 1)
                < 1e-5);
        QVERIFY(std::fabs(codeDensitySamplesNeeded(2048, 0.2, 0.99) / (M_PI * 2048 * 2.575829 * 2.575829 / 0.04) - 1)
                < 1e-5);
        const Converter adc(12, nullptr);
        const CodeDensity shortRecord = analyseCodeDensity(sineHistogram(adc, 2050, 2047.5, 1000000));
        QVERIFY(shortRecord.tooFewSamples);
        const CodeDensity coarse = analyseCodeDensity(sineHistogram(adc, 2050, 2047.5, 1000000), {0.2, 0.95});
        QVERIFY(!coarse.tooFewSamples);
    }

    // Inputs the test cannot measure say why instead of giving numbers.
    void refusals()
    {
        const Converter adc(8, nullptr);
        QCOMPARE(analyseCodeDensity(sineHistogram(adc, 0.2, 100.0, 1000)).reason, CodeDensityReason::TooFewCodes);
        QCOMPARE(analyseCodeDensity(sineHistogram(adc, 0.0, 0.0, 0)).reason, CodeDensityReason::NoSamples);
        QCOMPARE(analyseCodeDensity(sineHistogram(adc, 100, 127.5, 1000), {0.0, 0.95}).reason,
                 CodeDensityReason::BadOptions);
    }
};

QTEST_APPLESS_MAIN(CodeDensityTest)
#include "test_code_density.moc"
