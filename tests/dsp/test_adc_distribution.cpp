// Code histograms against the arcsine law: an ideal quantiser's sine gives DNL and the relative
// bin error near zero, widened and missing codes show as the DNL physics predicts, the offset
// is the input's, and inputs that defeat the model give no numbers rather than NaN curves.
#include "dsp/AdcDistribution.h"

#include <QtTest>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

// Weyl sampling: phases n*alpha mod 1 with alpha irrational fill a period uniformly, the
// histogram of an incoherently sampled long record.
std::vector<double> weylSine(size_t n, double amplitude, double offset,
                             double (*quantise)(double) = [](double x) { return std::round(x); })
{
    const double alpha = (std::sqrt(5.0) - 1.0) / 2.0;
    std::vector<double> x(n);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        x[i] = quantise(offset + amplitude * std::sin(2 * M_PI * phase));
        phase += alpha;
        phase -= std::floor(phase);
    }
    return x;
}

CodeHistogram histogramOf(const std::vector<double> &x, int bits)
{
    CodeHistogram h;
    if (!resetHistogram(h, bits))
        qFatal("bit range refused");
    countCodes(h, x.data(), x.size());
    return h;
}

// Largest |DNL| over the codes strictly inside the sine's span (the end codes hold a sliver).
double interiorDnl(const CodeHistogram &h, const CodeDistribution &d)
{
    double worst = 0.0;
    for (int bin = d.firstBin + 1; bin < d.lastBin; ++bin)
        worst = std::max(worst, std::fabs(dnlAtCode(h, d, h.codeOfBin(bin))));
    return worst;
}

constexpr size_t Samples = 4000000;

} // namespace

class AdcDistributionTest : public QObject {
    Q_OBJECT
private slots:
    // 8 bits: 257 bins for codes -128 ... 128; a 12-bit record 4097.
    void binLayout()
    {
        CodeHistogram h;
        QVERIFY(resetHistogram(h, 8));
        QCOMPARE(h.binCount(), 257);
        QCOMPARE(h.codeOfBin(0), -128);
        QCOMPARE(h.codeOfBin(256), 128);
        QVERIFY(resetHistogram(h, 12));
        QCOMPARE(h.binCount(), 4097);
        QVERIFY(!resetHistogram(h, 25));
        QVERIFY(!resetHistogram(h, 0));
        QCOMPARE(h.binCount(), 4097); // a refused range leaves the histogram as it was
    }

    // The ideal quantiser: every interior code has the arcsine share of the samples. Measured at
    // 4M samples: worst interior |DNL| 0.006 and INL 0.0004, left by the amplitude estimate,
    // whose RMS includes the quantisation noise.
    void idealQuantiserFollowsArcsine()
    {
        const CodeHistogram h = histogramOf(weylSine(Samples, 127.0, 0.0), 8);
        const CodeDistribution d = analyseDistribution(h);
        QVERIFY(d.defined);
        QCOMPARE(h.counted, uint64_t(Samples));
        QCOMPARE(h.clamped(), uint64_t(0));
        QVERIFY(std::fabs(d.meanCode) < 1e-3);
        // RMS of the quantised sine includes the quantisation noise: a^2/2 + 1/12.
        QVERIFY(std::fabs(d.amplitude - std::sqrt(127.0 * 127.0 + 1.0 / 6.0)) < 0.01);
        QCOMPARE(h.codeOfBin(d.firstBin), -127);
        QCOMPARE(h.codeOfBin(d.lastBin), 127);
        const double dnl = interiorDnl(h, d);
        QVERIFY2(dnl < 0.01, qPrintable(QString::number(dnl)));
        QVERIFY2(d.inl < 0.002, qPrintable(QString::number(d.inl)));
        // The ideal shares of a sine sum to one period.
        QVERIFY(std::fabs(std::accumulate(d.ideal.begin(), d.ideal.end(), 0.0) - 1.0) < 1e-12);
    }

    // A code whose transition levels lie half an LSB apart further than the others holds 1.5
    // times its share; its upper neighbour loses the half LSB and holds half its share.
    void widenedCode()
    {
        const auto quantise = [](double x) {
            // Code 10 covers [9.5, 11.0): its upper edge moved up by half an LSB into code 11.
            if (x >= 9.5 && x < 11.0)
                return 10.0;
            return std::round(x);
        };
        const CodeHistogram h = histogramOf(weylSine(Samples, 120.0, 0.0, quantise), 8);
        const CodeDistribution d = analyseDistribution(h);
        QVERIFY(std::fabs(dnlAtCode(h, d, 10) - 0.5) < 0.02);
        QVERIFY(std::fabs(dnlAtCode(h, d, 11) + 0.5) < 0.02);
        QVERIFY(std::fabs(dnlAtCode(h, d, 9)) < 0.02);
    }

    void missingCode()
    {
        const auto quantise = [](double x) {
            const double c = std::round(x);
            return c == -37.0 ? (x < -37.0 ? -38.0 : -36.0) : c;
        };
        const CodeHistogram h = histogramOf(weylSine(Samples, 120.0, 0.0, quantise), 8);
        const CodeDistribution d = analyseDistribution(h);
        QCOMPARE(h.counts[size_t(-37 + h.half())], uint64_t(0));
        QCOMPARE(dnlAtCode(h, d, -37), -1.0);
        QVERIFY(std::fabs(dnlAtCode(h, d, -38) - 0.5) < 0.02);
        QVERIFY(std::fabs(dnlAtCode(h, d, -36) - 0.5) < 0.02);
    }

    // INL is the mean over the sine's codes of the relative bin error |DNL|: a defect adds the
    // |DNL| of its codes, known from the moved transition levels, divided by the 241 codes of a
    // 120-code sine, to what the ideal quantiser leaves.
    void inlOfKnownDefects()
    {
        struct Defect {
            const char *name;
            double (*quantise)(double);
            double addedDnl; // sum of |DNL| over the codes the defect changes
        };
        const Defect defects[] = {
            // Code -37 missing: its LSB goes half to each neighbour (1 + 0.5 + 0.5).
            {"missing code", [](double x) { const double c = std::round(x); return c == -37.0 ? (x < -37.0 ? -38.0 : -36.0) : c; }, 2.0},
            // Code 10 half an LSB wider, code 11 half an LSB narrower (0.5 + 0.5).
            {"widened code", [](double x) { return x >= 9.5 && x < 11.0 ? 10.0 : std::round(x); }, 1.0},
        };
        const double ideal = analyseDistribution(histogramOf(weylSine(Samples, 120.0, 0.0), 8)).inl;
        for (const Defect &defect : defects) {
            const double inl = analyseDistribution(histogramOf(weylSine(Samples, 120.0, 0.0, defect.quantise), 8)).inl;
            const double added = (inl - ideal) * 241.0;
            QVERIFY2(std::fabs(added - defect.addedDnl) < 0.01,
                     qPrintable(QStringLiteral("%1: %2").arg(defect.name).arg(added)));
        }
    }

    // A known offset moves the mean and the ideal curve with it, not the nonlinearity.
    void knownOffset()
    {
        const CodeHistogram h = histogramOf(weylSine(Samples, 80.0, 23.0), 8);
        const CodeDistribution d = analyseDistribution(h);
        QVERIFY(std::fabs(d.meanCode - 23.0) < 1e-3);
        QCOMPARE(h.codeOfBin(d.firstBin), 23 - 80);
        QCOMPARE(h.codeOfBin(d.lastBin), 23 + 80);
        QVERIFY(d.inl < 0.01);
        // 23 codes of an 8-bit converter over a 1000 mV range: 23 * 1000 / 128 mV.
        QCOMPARE(codeToMillivolts(d.meanCode, 8, 1000.0), d.meanCode * 1000.0 / 128.0);
    }

    // Counts, relative to the peak, relative to the samples counted.
    void scalings()
    {
        const CodeHistogram h = histogramOf(weylSine(100000, 50.0, 0.0), 8);
        const auto counts = scaleHistogram(h, HistogramScale::Counts);
        const auto peak = scaleHistogram(h, HistogramScale::RelativeToMax);
        const auto total = scaleHistogram(h, HistogramScale::RelativeToTotal);
        QCOMPARE(std::accumulate(counts.begin(), counts.end(), 0.0), 100000.0);
        QCOMPARE(*std::max_element(peak.begin(), peak.end()), 1.0);
        QVERIFY(std::fabs(std::accumulate(total.begin(), total.end(), 0.0) - 1.0) < 1e-12);
        // The sum between markers includes both ends, in either order, clamped to the bins.
        QCOMPARE(sumBetweenCodes(h, counts, 1000, -1000), 100000.0);
        QCOMPARE(sumBetweenCodes(h, counts, 3, 3), counts[size_t(3 + h.half())]);
        QCOMPARE(sumBetweenCodes(h, counts, 4, 2),
                 counts[130] + counts[131] + counts[132]);
    }

    // Over-driven or filtered samples beyond the codes go to the end bins, counted, never out of
    // bounds; a clipped sine still gives numbers.
    void clippedInputStaysInBounds()
    {
        const CodeHistogram h = histogramOf(weylSine(200000, 300.0, 0.0), 8);
        QCOMPARE(h.counted, uint64_t(200000));
        QVERIFY(h.clampedLow > 0 && h.clampedHigh > 0);
        QVERIFY(h.counts.front() >= h.clampedLow);
        QVERIFY(h.counts.back() >= h.clampedHigh);
        const CodeDistribution d = analyseDistribution(h);
        QVERIFY(d.defined);
        QVERIFY(std::isfinite(d.inl));
        for (double v : d.ideal)
            QVERIFY(std::isfinite(v));
    }

    // A constant input, an amplitude below one code or no samples leave the model undefined: no
    // ideal curve and NaN figures, never NaN in a curve.
    void undefinedModel()
    {
        for (double amplitude : {0.0, 0.3}) {
            const CodeHistogram h = histogramOf(weylSine(10000, amplitude, 5.0), 8);
            const CodeDistribution d = analyseDistribution(h);
            QVERIFY(!d.defined);
            QVERIFY(d.ideal.empty());
            QVERIFY(std::isnan(d.inl));
            QVERIFY(std::isnan(dnlAtCode(h, d, 5)));
            QCOMPARE(d.meanCode, 5.0);
        }
        CodeHistogram empty;
        QVERIFY(resetHistogram(empty, 8));
        QVERIFY(!analyseDistribution(empty).defined);
        for (auto scale : {HistogramScale::RelativeToMax, HistogramScale::RelativeToTotal})
            for (double v : scaleHistogram(empty, scale))
                QCOMPARE(v, 0.0);
    }

    // NaN samples land in no bin; truncation toward zero as the codes are counted; values too
    // large for any integer are clamped like the rest. A histogram reset after an earlier,
    // wider one starts from empty bins.
    void oddSamples()
    {
        CodeHistogram h;
        QVERIFY(resetHistogram(h, 8));
        const auto earlier = weylSine(1000, 100.0, 0.0);
        countCodes(h, earlier.data(), earlier.size());
        QVERIFY(resetHistogram(h, 4)); // codes -8 ... 8
        const double x[] = {NAN, 8.7, 8.0, -8.0, -8.2, 0.9, -0.9, INFINITY, -INFINITY, 1e300, -1e19, -8.9};
        countCodes(h, x, 12);
        QCOMPARE(h.binCount(), 17);
        QCOMPARE(h.rejected, uint64_t(1));
        QCOMPARE(h.counted, uint64_t(11));
        QCOMPARE(h.clampedHigh, uint64_t(2)); // +inf, 1e300; 8.7 truncates into code 8
        QCOMPARE(h.clampedLow, uint64_t(4));  // -8.2, -inf, -1e19, -8.9
        QCOMPARE(h.counts[16], uint64_t(4));
        QCOMPARE(h.counts[0], uint64_t(5));
        QCOMPARE(h.counts[8], uint64_t(1));   // 0.9 - 8 + 8 = 8.9 -> code 0
        QCOMPARE(h.counts[7], uint64_t(1));   // -0.9 -> 7.1 -> code -1
    }

    // A record long enough to be counted four samples at a time, the odd samples among its
    // groups and a tail that is not a whole group, counts as its samples do one by one.
    void longRecordCountsAsItsSamples()
    {
        auto x = weylSine(16 * 257 * 4 + 3, 100.0, 0.0);
        for (size_t i = 5; i < x.size(); i += 997)
            x[i] = (i / 997) % 3 == 0 ? NAN : (i / 997) % 3 == 1 ? 1e6 : -1e6;
        CodeHistogram whole, single;
        QVERIFY(resetHistogram(whole, 8) && resetHistogram(single, 8));
        countCodes(whole, x.data(), x.size());
        for (const double &v : x)
            countCodes(single, &v, 1);
        QVERIFY(whole.counts == single.counts);
        QCOMPARE(whole.rejected, single.rejected);
        QCOMPARE(whole.clampedLow, single.clampedLow);
        QCOMPARE(whole.clampedHigh, single.clampedHigh);
    }

    void spans()
    {
        QCOMPARE(histogramSpan(1000, 100, 300).count, uint64_t(300));
        QCOMPARE(histogramSpan(1000, 900, 300).count, uint64_t(100));
        QCOMPARE(histogramSpan(1000, 1200, 300).count, uint64_t(0));
        QCOMPARE(histogramSpan(1000, 0, UINT64_MAX).count, uint64_t(1000));
    }
};

QTEST_APPLESS_MAIN(AdcDistributionTest)
#include "test_adc_distribution.moc"
