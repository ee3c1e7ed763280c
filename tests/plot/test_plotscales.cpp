// Scale slots, their tick lists and signals, curve bookkeeping and axis labels.
#include <QtTest>

#include <QSignalSpy>
#include <QVector>

#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_symbol.h>

#include "plot/OrmaMarker.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaPlotGrid.h"
#include "plot/OrmaScaleDraw.h"
#include "plot/QwtPlotCurveEx.h"
#include "plot/Transforms.h"
#include "tests/plot/PlotHarness.h"

namespace {

QList<double> majorTicks(const OrmaPlot &plot, int axis)
{
    return plot.axisScaleDiv(axis).ticks(QwtScaleDiv::MajorTick);
}

QVector<double> ramp(int n, double start = 0.0)
{
    QVector<double> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = start + i;
    return v;
}

} // namespace

class TestPlotScales : public QObject
{
    Q_OBJECT

private slots:
    void rightEndOfTheWindowIsAlwaysTicked()
    {
        OrmaPlot plot;
        plot.slotSetScaleX(0, 500, 10);
        QList<double> expected;
        for (int v = 0; v <= 500; v += 10)
            expected << v;
        QCOMPARE(majorTicks(plot, QwtPlot::xBottom), expected);
        QCOMPARE(majorTicks(plot, QwtPlot::xTop), expected);

        plot.slotSetScaleX(0, 505, 10);
        const QList<double> ticks = majorTicks(plot, QwtPlot::xBottom);
        QCOMPARE(ticks.last(), 505.0);
        QCOMPARE(ticks.count(505.0), 1);
        QVERIFY(ticks.contains(490.0));
        // 500 would print on top of 505.
        QVERIFY(!ticks.contains(500.0));
        QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 10.0);

        // A window whose end is far from the last regular tick keeps that tick.
        plot.slotSetScaleX(0, 1023, 128);
        QVERIFY(majorTicks(plot, QwtPlot::xBottom).contains(896.0));
        QCOMPARE(majorTicks(plot, QwtPlot::xBottom).last(), 1023.0);
    }

    void symmetricYScale()
    {
        OrmaPlot plot;
        plot.slotSetScaleY(50);
        for (int axis : {QwtPlot::yLeft, QwtPlot::yRight}) {
            QCOMPARE(harness::lower(plot, axis), -50.0);
            QCOMPARE(harness::upper(plot, axis), 50.0);
            QCOMPARE(plot.axisStepSize(axis), 25.0);
        }
        plot.updateAxes();
        QCOMPARE(majorTicks(plot, QwtPlot::yLeft), (QList<double>{-50, -25, 0, 25, 50}));
    }

    void movingTheWindowSignals()
    {
        OrmaPlot plot;
        plot.slotSetScaleX(100, 199, 10);
        QSignalSpy moved(&plot, &OrmaPlot::signalMoveCanvas);
        QSignalSpy width(&plot, &OrmaPlot::signalChangeScaleX);

        plot.slotMoveScaleX(100);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(width.count(), 0);

        // No curves: the axes move, no width is reported.
        plot.slotMoveScaleX(150);
        QCOMPARE(harness::lower(plot, QwtPlot::xBottom), 150.0);
        QCOMPARE(harness::upper(plot, QwtPlot::xTop), 249.0);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(width.count(), 0);

        const QVector<double> x = ramp(1000), y(1000, 0.0);
        plot.setCurveSamples(0, Qt::green, x.constData(), y.constData(), x.size());
        plot.slotMoveScaleX(400);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(width.count(), 1);
        QCOMPARE(width.first().first().toDouble(), 100.0);
        QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 10.0);

        // setAxisRange on an x axis already there stays silent.
        plot.setAxisRange(QwtPlot::xBottom, 400, 499, 10);
        QCOMPARE(width.count(), 1);
        plot.setAxisRange(QwtPlot::xBottom, 0, 255, 32);
        QCOMPARE(width.count(), 2);
        QCOMPARE(width.last().first().toDouble(), 256.0);
    }

    void curvesPerChannel()
    {
        OrmaPlot plot;
        const QVector<double> x = ramp(10), y(10, 1.0);
        plot.addCurve(2, Qt::red, true);
        plot.addCurve(2, Qt::green, true);
        plot.addCurve(2, Qt::yellow, true);
        plot.addCurve(5, Qt::cyan, true);
        QCOMPARE(plot.curves().count(2), 3);
        QwtPlotCurveEx *first = plot.curve(2);
        plot.setCurveSamples(2, Qt::yellow, x.constData(), y.constData(), x.size());
        QCOMPARE(first->sampleCount(), 10);
        QCOMPARE(first->pen().color(), QColor(Qt::yellow)); // the newest is the channel's curve
        // Samples in another colour recolour the channel's curve (a new palette), only that one.
        plot.setCurveSamples(2, Qt::white, x.constData(), y.constData(), x.size());
        QCOMPARE(first->pen().color(), QColor(Qt::white));
        plot.setCurveSamples(2, Qt::yellow, x.constData(), y.constData(), x.size());
        QCOMPARE(plot.curveColors().size(), 4);
        QVERIFY(plot.curveByColor(Qt::green));
        QVERIFY(!plot.curveByColor(Qt::blue));
        plot.redMarker()->setCurve(first);

        plot.removeCurves(false);
        QCOMPARE(plot.curves().count(2), 1);
        QCOMPARE(plot.curve(2), first);
        QCOMPARE(plot.curves().count(5), 1);
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2 + 2); // plus the level lines
        QVERIFY(!plot.redMarker()->curve());

        // A replacement curve takes the channel over; the old one is gone from the canvas too.
        plot.addCurve(5, Qt::magenta, false);
        QCOMPARE(plot.curves().count(5), 1);
        QCOMPARE(plot.curve(5)->pen().color(), QColor(Qt::magenta));
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2 + 2);

        plot.blueMarker()->setCurve(plot.curve(5));
        plot.deleteAllCurves();
        QVERIFY(!plot.blueMarker()->curve());
        QVERIFY(!plot.hasCurves());
        QCOMPARE(plot.channelFactor(5), 1.0);
        plot.replot();
    }

    void sampleMarksFollowTheSwitch()
    {
        OrmaPlot plot;
        plot.addCurve(0, Qt::green, true);
        QVERIFY(!plot.curve(0)->symbol());
        plot.setShowSampleMarks(true);
        QCOMPARE(plot.curve(0)->symbol()->size(), QSize(5, 5));
        QCOMPARE(plot.curve(0)->symbol()->brush().color(), QColor(Qt::green));
        plot.addCurve(1, Qt::red, true);
        QVERIFY(plot.curve(1)->symbol());
    }

    void autoScaleFitsAllChannels()
    {
        OrmaPlot plot;
        const QVector<double> x = ramp(4), a = {-300, 10, 20, 100}, b = {0, 500, 7, -100};
        plot.setCurveSamples(0, Qt::green, x.constData(), a.constData(), 4);
        plot.setCurveSamples(1, Qt::red, x.constData(), b.constData(), 4);
        QCOMPARE(plot.channelMin(0), -300.0);
        QCOMPARE(plot.channelMax(1), 500.0);
        plot.autoScaleY();
        QCOMPARE(harness::lower(plot, QwtPlot::yLeft), -300.0);
        QCOMPARE(harness::upper(plot, QwtPlot::yRight), 500.0);
        QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), 200.0);

        // Spectra in decibels: range and step of the displayed values.
        const QVector<double> power = {0.01, 1.0, 0.1, 0.001};
        PowerTransforms db;
        db.setType(DimDecibels);
        plot.deleteAllCurves();
        plot.setValueTransforms(&db);
        plot.setCurveSamples(0, Qt::green, x.constData(), power.constData(), 4);
        plot.autoScaleY();
        QCOMPARE(harness::lower(plot, QwtPlot::yLeft), -30.0);
        QCOMPARE(harness::upper(plot, QwtPlot::yLeft), 0.0);
        QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), 7.0);

        // A constant signal still gets a range to be drawn in.
        const QVector<double> flat(4, 0.5);
        plot.setCurveSamples(0, Qt::green, x.constData(), flat.constData(), 4);
        plot.autoScaleY();
        QVERIFY(harness::upper(plot, QwtPlot::yLeft) > harness::lower(plot, QwtPlot::yLeft));
    }

    void levelLinesSpanTheRecord()
    {
        OrmaPlot plot;
        const QVector<double> x = ramp(100, 1000), y(100, 0.0);
        plot.setCurveSamples(3, Qt::green, x.constData(), y.constData(), 100);
        plot.setLevelLines(2048);
        const QwtPlotCurve *up = plot.upperLevelCurve();
        QCOMPARE(up->sample(0), QPointF(1000, 2048));
        QCOMPARE(up->sample(1), QPointF(1099, 2048));
        QCOMPARE(plot.lowerLevelCurve()->sample(1), QPointF(1099, -2048));
        QVERIFY(!up->isVisible());
        plot.showLevelLines();
        QVERIFY(up->isVisible());
        plot.slotSetScaleX(1000, 1099, 10);
        plot.setPositionOffset(25);
        QCOMPARE(plot.positionLine()->xValue(), 1025.0);
    }

    void labelsWithoutTrailingZeros()
    {
        OrmaScaleDraw draw;
        QCOMPARE(draw.label(0.250).text(), QString("0.25"));
        QCOMPARE(draw.label(2.0).text(), QString("2"));
        QCOMPARE(draw.label(-1.5).text(), QString("-1.5"));
        QCOMPARE(draw.label(120).text(), QString("120"));
        QCOMPARE(draw.label(-0.0001).text(), QString("0"));
        draw.setPrecision(2);
        QCOMPARE(draw.label(1.0 / 3).text(), QString("0.33"));
        AmplTransforms volts;
        volts.setType(DimVolts);
        draw.setTransforms(&volts);
        draw.setPrecision(3);
        QCOMPARE(draw.label(16384).text(), QString("2.5"));
        QCOMPARE(trimmedNumber(1000.0, 3), QString("1000"));
    }

    // Zoomed in to 32 samples a division or less, every sample position gets a grid line.
    void sampleTicksWhenZoomedIn()
    {
        OrmaPlot plot;
        plot.enableAxis(QwtPlot::yLeft, false);
        auto *grid = new OrmaPlotGrid();
        const QColor gridColor(117, 117, 117);
        grid->setMajorPen(QPen(gridColor, 0));
        grid->enableY(false);
        grid->setShowSampleTicks(true);
        grid->attach(&plot);
        plot.slotSetScaleX(0, 16, 4);
        harness::show(plot, QSize(400, 200));
        QImage image = plot.canvas()->grab().toImage();
        const int row = plot.canvas()->height() / 2;
        for (int x = 1; x < 16; ++x)
            QCOMPARE(QColor(image.pixel(harness::pixelOf(plot, x, 0).x(), row)), gridColor);

        plot.slotSetScaleX(0, 640, 64);
        image = plot.canvas()->grab().toImage();
        QVERIFY(QColor(image.pixel(harness::pixelOf(plot, 1, 0).x(), row)) != gridColor);
    }
};

QTEST_MAIN(TestPlotScales)
#include "test_plotscales.moc"
