// The kernels under the curve drawing, against naive loops: the extremes scans, the search for
// the samples of one pixel column, and the decimated polyline's column extremes. Everything
// runs on the vector path this processor takes; CTest runs it once more on the plain loops.
#include <QtTest>

#include <QImage>
#include <QMap>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <random>

#include <qwt_scale_map.h>
#include <qwt_transform.h>

#include "plot/CurveKernels.h"
#include "plot/QwtPlotCurveEx.h"

namespace {

// levels > 0: whole values in [-levels, levels], so that extremes repeat; 0: continuous.
QVector<double> randomValues(std::mt19937 &gen, int n, int levels)
{
    QVector<double> v(n);
    std::uniform_int_distribution<int> level(-levels, levels);
    std::normal_distribution<double> noise(0.0, 1000.0);
    for (double &d : v)
        d = levels > 0 ? level(gen) : noise(gen);
    return v;
}

// x with dense clusters between sparse stretches: some columns hold many times the average.
QVector<double> clusteredX(std::mt19937 &gen, int n, double x0)
{
    QVector<double> x(n);
    std::uniform_real_distribution<double> step(0.01, 1.0);
    double at = x0;
    for (int i = 0; i < n; ++i) {
        at += (i / 997) % 3 == 0 ? step(gen) * 0.02 : step(gen);
        x[i] = at;
    }
    return x;
}

QVector<double> unitGrid(int n, double x0)
{
    QVector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = x0 + i;
    return x;
}

// Row span of the samples (or of the drawn points) in each column.
using Spans = QMap<int, QPair<double, double>>;

void widen(Spans &spans, int column, double row)
{
    auto it = spans.find(column);
    if (it == spans.end())
        spans.insert(column, qMakePair(row, row));
    else
        *it = qMakePair(std::min(it->first, row), std::max(it->second, row));
}

} // namespace

class TestCurveKernels : public QObject
{
    Q_OBJECT

private slots:
    void scansMatchNaiveLoops()
    {
        const double rising[] = {3, 1, 1, 9, 9, 4};
        const RunExtremes e = scanRun(rising, 6);
        QCOMPARE(e.first, 3.0);
        QCOMPARE(e.last, 4.0);
        QCOMPARE(e.min, 1.0);
        QCOMPARE(e.max, 9.0);
        QVERIFY(e.minFirst);
        const double falling[] = {5, 9, 2, 9, 2};
        QVERIFY(!scanRun(falling, 5).minFirst);

        // Lengths around every block size of the vector loops and odd column lengths, at
        // unaligned starts; ties decide the order by the earliest occurrence.
        std::mt19937 gen(3);
        QVector<int> lengths;
        for (int n = 1; n <= 100; ++n)
            lengths << n;
        lengths << 127 << 1001 << 4097 << 6251;
        for (int levels : {4, 0})
            for (int n : lengths)
                for (int offset = 0; offset < 4; ++offset)
                    for (int trial = 0; trial < 4; ++trial) {
                        const QVector<double> v = randomValues(gen, n + offset, levels);
                        const double *y = v.constData() + offset;
                        const auto lo = std::min_element(y, y + n);
                        const auto hi = std::max_element(y, y + n);
                        const RunExtremes got = scanRun(y, n);
                        QCOMPARE(got.min, *lo);
                        QCOMPARE(got.max, *hi);
                        QCOMPARE(got.first, y[0]);
                        QCOMPARE(got.last, y[n - 1]);
                        QCOMPARE(got.minFirst, lo <= hi);
                        double scanLo = 0, scanHi = 0;
                        minMaxScan(y, n, scanLo, scanHi);
                        QCOMPARE(scanLo, *lo);
                        QCOMPARE(scanHi, *hi);
                    }
    }

    // The autoscale reads these: no values leave the bounds alone, and a NaN sample (a gap in
    // the record) must not swallow the extremes, in the vector blocks or in the tail.
    void minMaxScanEdgeCases()
    {
        double lo = 7, hi = 8;
        minMaxScan(nullptr, 0, lo, hi);
        QCOMPARE(lo, 7.0);
        QCOMPARE(hi, 8.0);
        for (int n : {5, 40, 101})
            for (int gap = 1; gap < n; ++gap) { // every lane of every block, and the tail
                QVector<double> v(n);
                for (int i = 0; i < n; ++i)
                    v[i] = (i * 37) % 11 - 5.0;
                v[gap] = std::nan("");
                double wantLo = HUGE_VAL, wantHi = -HUGE_VAL;
                for (int i = 0; i < n; ++i)
                    if (i != gap) {
                        wantLo = std::min(wantLo, v[i]);
                        wantHi = std::max(wantHi, v[i]);
                    }
                minMaxScan(v.constData(), n, lo, hi);
                QCOMPARE(lo, wantLo);
                QCOMPARE(hi, wantHi);
            }
        const double leading[] = {std::nan(""), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
        minMaxScan(leading, 18, lo, hi);
        QVERIFY(std::isnan(lo) && std::isnan(hi));
    }

    // The column search against mapping every sample, on both layouts it tells apart and on
    // maps that are inverted, start left of the canvas, or are not linear.
    void columnRunsMatchMapping_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("map");
        const char *layouts[] = {"unit grid", "clustered"};
        const char *maps[] = {"linear", "inverted", "negative pixels", "logarithmic"};
        for (int l = 0; l < 2; ++l)
            for (int m = 0; m < 4; ++m)
                QTest::addRow("%s, %s", layouts[l], maps[m]) << l << m;
    }

    void columnRunsMatchMapping()
    {
        QFETCH(int, layout);
        QFETCH(int, map);
        std::mt19937 gen(11);
        const int n = 50001;
        const double x0 = map == 3 ? 1.0 : -777.0; // the log scale needs positive x
        const QVector<double> x = layout == 0 ? unitGrid(n, x0) : clusteredX(gen, n, x0);
        const double *data = x.constData();
        const XLayout expected = layout == 0 ? XLayout::UnitGrid : XLayout::Ascending;
        QCOMPARE(xLayoutOf(data, n), expected);
        QwtScaleMap xMap;
        if (map == 3)
            xMap.setTransformation(new QwtLogTransform());
        xMap.setScaleInterval(x.first(), x.last());
        if (map == 1)
            xMap.setPaintInterval(396, 0);
        else if (map == 2)
            xMap.setPaintInterval(-300, 96);
        else
            xMap.setPaintInterval(0, 396);
        const auto column = [&](int i) { return pixelRound(xMap.transform(data[i])); };
        for (int chunk : {7, 150, n}) {
            for (int i = 0; i < n;) {
                const int span = std::min(chunk, n - i);
                const int k = sameColumnCount(data + i, span, xMap, expected);
                QVERIFY(k >= 1 && k <= span);
                QCOMPARE(column(i + k - 1), column(i));
                if (k < span)
                    QVERIFY(column(i + k) != column(i));
                i += k;
            }
        }
    }

    // The decimated polyline reaches in every column exactly the rows of the samples in it,
    // starts each column on its first sample's row and leaves it on its last one's, for odd
    // record lengths, tie-rich and continuous values, and columns that take several runs.
    void decimatedColumnsMatchNaive_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("clustered");
        QTest::addColumn<int>("levels");
        for (int n : {100003, 30001})
            for (bool clustered : {false, true})
                for (int levels : {3, 0})
                    QTest::addRow("%d %s %s", n, clustered ? "clustered" : "unit grid",
                                  levels ? "ties" : "continuous")
                        << n << clustered << levels;
    }

    void decimatedColumnsMatchNaive()
    {
        QFETCH(int, n);
        QFETCH(bool, clustered);
        QFETCH(int, levels);
        std::mt19937 gen(n + levels);
        const QVector<double> x = clustered ? clusteredX(gen, n, -250.0) : unitGrid(n, 0.0);
        const QVector<double> y = randomValues(gen, n, levels);
        QwtPlotCurveEx curve;
        curve.setPen(QPen(Qt::green, 0));
        curve.setCurveSamples(x.constData(), y.constData(), n);

        const int width = 397, height = 301;
        QwtScaleMap xMap, yMap;
        // A zoom into the middle: the range search and the decimation work together.
        const double x0 = x[n / 7], x1 = x[n - n / 5];
        xMap.setScaleInterval(x0, x1);
        xMap.setPaintInterval(0, width - 1);
        const double top = levels ? levels : 4000.0;
        yMap.setScaleInterval(-top, top);
        yMap.setPaintInterval(height - 1, 0);
        QImage image(width, height, QImage::Format_RGB32);
        QPainter painter(&image);
        curve.draw(&painter, xMap, yMap, QRectF(0, 0, width, height));
        const QPolygonF &drawn = curve.lastPolygon();
        QVERIFY(drawn.size() > width);

        Spans expected;
        QMap<int, double> firstRow, lastRow;
        const IndexRange visible =
            coveringRange(x.constData(), n, xMap.invTransform(0), xMap.invTransform(width - 1));
        for (int i = visible.first; i <= visible.last; ++i) {
            const int c = int(pixelRound(xMap.transform(x[i])));
            const double row = pixelRound(yMap.transform(y[i]));
            widen(expected, c, row);
            if (!firstRow.contains(c))
                firstRow.insert(c, row);
            lastRow[c] = row;
        }
        Spans got;
        for (int p = 0; p < drawn.size(); ++p) {
            const int c = int(drawn[p].x());
            widen(got, c, drawn[p].y());
            if (p == 0 || int(drawn[p - 1].x()) != c)
                QCOMPARE(drawn[p].y(), firstRow.value(c));
            if (p + 1 == drawn.size() || int(drawn[p + 1].x()) != c)
                QCOMPARE(drawn[p].y(), lastRow.value(c));
        }
        QCOMPARE(got, expected);
    }

    void visibleRangeAndRoundings()
    {
        std::mt19937 gen(17);
        std::uniform_real_distribution<double> any(-5000.0, 5000.0);
        QVector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -2.5, 0.49999999999999994, -0.49999999999999994,
                                  4503599627370495.5, -4503599627370497.0, 1e300, -HUGE_VAL};
        for (int i = 0; i < 1000; ++i) {
            values << any(gen);
            values << std::round(any(gen)) + 0.5;
        }
        for (double v : values) {
            const double got = pixelRound(v);
            QVERIFY2(got == std::round(v) && std::signbit(got) == std::signbit(v),
                     qPrintable(QString::number(v, 'g', 17)));
        }
        QVERIFY(std::isnan(pixelRound(std::nan(""))));

        QCOMPARE(roundToSample(20.5), 20.0);
        QCOMPARE(roundToSample(20.51), 21.0);
        QCOMPARE(roundToSample(-0.7), -1.0);
        const double xs[] = {0, 1, 2, 3, 4, 5, 6, 7};
        const IndexRange inside = coveringRange(xs, 8, 2.5, 4.5);
        QCOMPARE(inside.first, 2);
        QCOMPARE(inside.last, 5);
        QVERIFY(coveringRange(xs, 8, 8.5, 9.0).count() <= 0);
        QCOMPARE(coveringRange(xs, 8, 3.2, 3.8).count(), 2); // between two samples
    }
};

QTEST_MAIN(TestCurveKernels)
#include "test_curvekernels.moc"
