// The curve's line drawer: dense records keep every peak with a few points per pixel column,
// sparse ones get one vertex per sample, values are drawn in display units.
#include <QtTest>

#include <QImage>
#include <QMap>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <random>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>

#include "plot/QwtPlotCurveEx.h"
#include "plot/Transforms.h"

namespace {

const QColor kTrace(0, 255, 0);
const QColor kBackground(0, 0, 20);

struct Canvas {
    QRectF rect;
    QwtScaleMap xMap;
    QwtScaleMap yMap;

    Canvas(int width, int height, double x0, double x1, double y0, double y1)
        : rect(0, 0, width, height)
    {
        xMap.setScaleInterval(x0, x1);
        xMap.setPaintInterval(0, width - 1);
        yMap.setScaleInterval(y0, y1);
        yMap.setPaintInterval(height - 1, 0);
    }

    QImage draw(const QwtPlotCurveEx &curve) const
    {
        QImage image(rect.size().toSize(), QImage::Format_RGB32);
        image.fill(kBackground);
        QPainter painter(&image);
        curve.draw(&painter, xMap, yMap, rect);
        return image;
    }

    int column(double x) const { return int(std::round(xMap.transform(x))); }
    int row(double y) const { return int(std::round(yMap.transform(y))); }
};

struct Record {
    QVector<double> x;
    QVector<double> y;

    explicit Record(int n)
        : x(n)
        , y(n)
    {
        for (int i = 0; i < n; ++i) {
            x[i] = i;
            y[i] = 1000.0 * std::sin(i * 0.0007) + 37.0 * std::sin(i * 1.9);
        }
    }
};

void setup(QwtPlotCurveEx &curve, const Record &r)
{
    curve.setPen(QPen(kTrace, 0));
    curve.setCurveSamples(r.x.constData(), r.y.constData(), r.x.size());
}

bool isTrace(const QImage &image, int x, int y)
{
    return image.valid(x, y) && QColor(image.pixel(x, y)) == kTrace;
}

} // namespace

class TestPlotCurve : public QObject
{
    Q_OBJECT

private slots:
    // 1,000,000 samples on 400 columns: the drawn polyline spans, column by column, exactly the
    // rows of the samples that fall into the column, with at most four points a column.
    void denseRecordKeepsEveryExtreme()
    {
        Record r(1000000);
        const int spike = 500123;
        r.y[spike] = 4000.0;
        r.y[spike + 170000] = -4000.0;
        QwtPlotCurveEx curve;
        setup(curve, r);
        const Canvas canvas(400, 300, 0, r.x.size() - 1, -5000, 5000);
        const QImage image = canvas.draw(curve);

        QMap<int, QPair<int, int>> expected; // column -> (top row, bottom row)
        for (int i = 0; i < r.x.size(); ++i) {
            const int c = canvas.column(r.x[i]);
            const int row = canvas.row(r.y[i]);
            auto it = expected.find(c);
            if (it == expected.end())
                expected.insert(c, qMakePair(row, row));
            else
                *it = qMakePair(std::min(it->first, row), std::max(it->second, row));
        }
        QMap<int, QPair<int, int>> drawn;
        QMap<int, int> pointsPerColumn;
        for (const QPointF &p : curve.lastPolygon()) {
            const int c = int(p.x());
            const int row = int(p.y());
            ++pointsPerColumn[c];
            auto it = drawn.find(c);
            if (it == drawn.end())
                drawn.insert(c, qMakePair(row, row));
            else
                *it = qMakePair(std::min(it->first, row), std::max(it->second, row));
        }
        QCOMPARE(drawn, expected);
        for (int count : pointsPerColumn)
            QVERIFY(count <= 4);

        // Both one-sample spikes reach the image.
        QVERIFY(isTrace(image, canvas.column(spike), canvas.row(4000.0)));
        QVERIFY(isTrace(image, canvas.column(spike + 170000), canvas.row(-4000.0)));
    }

    // A thin solid pen paints each column as one rectangle, exactly the pixels of the
    // polyline's segments each drawn on its own (a polyline itself overshoots some turns by a
    // pixel and skips others). Dense and sparse records, values far beyond the canvas.
    void columnRectsPaintTheSegments_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("range");
        QTest::newRow("dense") << 200001 << 5000.0;
        QTest::newRow("dense, clipped") << 200001 << 300.0;
        QTest::newRow("sparse") << 151 << 1500.0;
    }

    void columnRectsPaintTheSegments()
    {
        QFETCH(int, n);
        QFETCH(double, range);
        Record r(n);
        std::mt19937 gen(5);
        std::uniform_real_distribution<double> jitter(-600, 600);
        for (double &v : r.y)
            v += jitter(gen);
        QwtPlotCurveEx curve;
        setup(curve, r);
        const Canvas canvas(401, 300, 0, n - 1, -range, range);
        const QImage drawn = canvas.draw(curve);

        const QPolygonF clipped =
            QwtClipper::clipPolygonF(canvas.rect.adjusted(-1, -1, 1, 1), curve.lastPolygon(), false);
        QImage segments(drawn.size(), QImage::Format_RGB32);
        segments.fill(kBackground);
        QPainter painter(&segments);
        painter.setPen(QPen(kTrace, 0));
        for (int i = 0; i + 1 < clipped.size(); ++i)
            painter.drawLine(clipped[i], clipped[i + 1]);
        painter.end();
        QCOMPARE(drawn, segments);

        // Pens a rectangle does not stand for get the polyline as it was.
        QPen wide(kTrace, 3);
        QPen dashed(kTrace, 0, Qt::DashLine);
        for (const QPen &pen : {wide, dashed}) {
            curve.setPen(pen);
            const QImage image = canvas.draw(curve);
            QImage expected(image.size(), QImage::Format_RGB32);
            expected.fill(kBackground);
            QPainter reference(&expected);
            reference.setPen(pen);
            const qreal margin = std::max<qreal>(1.0, pen.widthF());
            const QRectF clipRect = canvas.rect.adjusted(-margin, -margin, margin, margin);
            QwtPainter::drawPolyline(&reference, QwtClipper::clipPolygonF(clipRect, curve.lastPolygon(), false));
            reference.end();
            QCOMPARE(image, expected);
        }
    }

    // Zoomed into 1,000 of the samples only those (and one beyond each edge) are drawn.
    void onlyTheVisibleRangeIsDrawn()
    {
        const Record r(1000000);
        QwtPlotCurveEx curve;
        setup(curve, r);
        const Canvas canvas(400, 300, 300000, 300999, -2000, 2000);
        canvas.draw(curve);
        const QPolygonF &poly = curve.lastPolygon();
        QVERIFY(!poly.isEmpty());
        QVERIFY(poly.size() <= 4 * 400);
        QVERIFY(poly.boundingRect().left() >= canvas.column(299999));
        QVERIFY(poly.boundingRect().right() <= canvas.column(301000));
    }

    // Fewer samples than columns: one vertex per sample, marks 5 x 5 around each when on.
    void sparseRecordOneVertexPerSample()
    {
        const int n = 50;
        QVector<double> x(n), y(n, 0.0);
        for (int i = 0; i < n; ++i)
            x[i] = i;
        QwtPlotCurveEx curve;
        curve.setPen(QPen(kTrace, 0));
        curve.setCurveSamples(x.constData(), y.constData(), n);
        const Canvas canvas(400, 100, 0, n - 1, -10, 10);
        QImage image = canvas.draw(curve);
        QCOMPARE(curve.lastPolygon().size(), n);
        for (int i = 0; i < n; ++i)
            QCOMPARE(curve.lastPolygon()[i], QPointF(canvas.column(i), canvas.row(0)));
        // Without marks the line is one pixel high.
        QVERIFY(!isTrace(image, canvas.column(10), canvas.row(0) - 2));

        curve.setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(kTrace), QPen(kTrace), QSize(5, 5)));
        image = canvas.draw(curve);
        const int row = canvas.row(0);
        for (int i = 1; i < n - 1; ++i) {
            const int c = canvas.column(i);
            QVERIFY(isTrace(image, c, row - 2));
            QVERIFY(isTrace(image, c, row + 2));
            QVERIFY(isTrace(image, c - 1, row - 1));
            // Half way between two samples there is only the line.
            const int mid = (c + canvas.column(i + 1)) / 2;
            QVERIFY(!isTrace(image, mid, row - 2));
        }
    }

    // Values go through the converter (reference sample included) and the channel factor.
    void drawsDisplayUnits()
    {
        QVector<double> x = {0, 1, 2, 3}, y = {16384, -16384, 32768, 0};
        AmplTransforms mv;
        mv.setType(DimMillivolts); // 16 bit, 5000 mV
        QwtPlotCurveEx curve;
        curve.setCurveSamples(x.constData(), y.constData(), x.size());
        curve.setTransforms(&mv);
        const Canvas canvas(400, 201, 0, 3, -5000, 5000);
        canvas.draw(curve);
        QCOMPARE(curve.lastPolygon()[0].y(), double(canvas.row(2500)));
        QCOMPARE(curve.lastPolygon()[1].y(), double(canvas.row(-2500)));
        curve.setFactor(0.5);
        curve.setApplyFactor(true);
        canvas.draw(curve);
        QCOMPARE(curve.lastPolygon()[2].y(), double(canvas.row(2500)));
        QCOMPARE(curve.displayPoint(0), QPointF(0, 1250));

        // Relative decibels against the reference sample: the reference itself is 0 dB.
        QVector<double> p = {1.0, 0.01, 100.0};
        PowerTransforms db;
        db.setType(DimDecibelsRelative);
        QwtPlotCurveEx spectrum;
        spectrum.setCurveSamples(x.constData(), p.constData(), p.size());
        spectrum.setTransforms(&db);
        spectrum.setReferenceIndex(2);
        QCOMPARE(spectrum.displayValue(100.0), 0.0);
        QCOMPARE(spectrum.displayValue(1.0), -20.0);
        spectrum.setReferenceIndex(50); // beyond the samples: no reference, no crash
        QVERIFY(!std::isnan(spectrum.displayValue(1.0)));
    }

    // A trajectory (x not ascending, as in an I/Q diagram) is drawn point by point.
    void trajectoryIsNotDecimated()
    {
        const int n = 2000;
        QVector<double> x(n), y(n);
        for (int i = 0; i < n; ++i) {
            x[i] = 1000 * std::cos(i * 0.01);
            y[i] = 1000 * std::sin(i * 0.01);
        }
        QwtPlotCurveEx curve;
        curve.setCurveSamples(x.constData(), y.constData(), n);
        const Canvas canvas(200, 200, -1000, 1000, -1000, 1000);
        canvas.draw(curve);
        QCOMPARE(curve.lastPolygon().size(), n);
    }

    // Accumulated traces stay until cleared.
    void accumulationKeepsEarlierTraces()
    {
        QVector<double> x = {0, 1, 2, 3}, high(4, 50.0), low(4, -50.0);
        QwtPlotCurveEx curve;
        curve.setPen(QPen(kTrace, 0));
        curve.setAccumulate(true);
        const Canvas canvas(100, 100, 0, 3, -100, 100);
        curve.setCurveSamples(x.constData(), high.constData(), 4);
        canvas.draw(curve);
        curve.setCurveSamples(x.constData(), low.constData(), 4);
        QImage image = canvas.draw(curve);
        QVERIFY(isTrace(image, 50, canvas.row(50)));
        QVERIFY(isTrace(image, 50, canvas.row(-50)));

        curve.clearAccumulation();
        image = canvas.draw(curve);
        QVERIFY(!isTrace(image, 50, canvas.row(50)));
        QVERIFY(isTrace(image, 50, canvas.row(-50)));

        curve.setAccumulate(false);
        curve.setCurveSamples(x.constData(), high.constData(), 4);
        image = canvas.draw(curve);
        QVERIFY(!isTrace(image, 50, canvas.row(-50)));
    }
};

QTEST_MAIN(TestPlotCurve)
#include "test_plotcurve.moc"
