// Markers, zoomer, panner and undo driven by synthetic mouse and key events on the canvas.
#include <QtTest>

#include <QSignalSpy>
#include <QVector>

#include <qwt_scale_div.h>

#include "plot/OrmaMarker.h"
#include "plot/OrmaPanner.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaZoomer.h"
#include "plot/QwtPlotCurveEx.h"
#include "tests/plot/PlotHarness.h"

using harness::lower;
using harness::pixelOf;
using harness::upper;

namespace {

// Two flat traces, +20 (green, channel 0) and -20 (yellow, channel 1), on samples start ...
struct Scene {
    QVector<double> x, high, low;
    OrmaPlot plot;

    explicit Scene(int n = 100, double start = 1000)
        : x(n)
        , high(n, 20.0)
        , low(n, -20.0)
    {
        for (int i = 0; i < n; ++i)
            x[i] = start + i;
        plot.setCurveSamples(0, Qt::green, x.constData(), high.constData(), n);
        plot.setCurveSamples(1, Qt::yellow, x.constData(), low.constData(), n);
        plot.slotSetScaleX(start, start + 99, 10);
        plot.slotSetScaleY(50);
    }
    QWidget *canvas() { return plot.canvas(); }
    QPoint at(double dx, double dy) const { return pixelOf(plot, dx, dy); }
};

} // namespace

class TestPlotTools : public QObject
{
    Q_OBJECT

private slots:
    void markerSnapsToTheNearestTrace()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        s.plot.enableRedMarker(true);
        QList<QPointF> moved;
        connect(&s.plot, &OrmaPlot::signalMoveMarker, this, [&moved](QwtDoublePoint &p) { moved << p; });

        harness::click(s.canvas(), s.at(1040.3, 13));
        QVERIFY(s.plot.isRedMarkerShown());
        QCOMPARE(s.plot.redMarker()->curve(), s.plot.curve(0));
        QCOMPARE(s.plot.redMarker()->sampleIndex(), 40);
        QCOMPARE(s.plot.markerValue(false), QPointF(1040, 20));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.first(), QPointF(1040, 20));

        harness::click(s.canvas(), s.at(1060, -12));
        QCOMPARE(s.plot.redMarker()->curve(), s.plot.curve(1));
        QCOMPARE(s.plot.markerValue(false), QPointF(1060, -20));

        // Far from both traces the rings grow until the nearer one is met.
        harness::click(s.canvas(), s.at(1070, 47));
        QCOMPARE(s.plot.markerValue(false), QPointF(1070, 20));
        QVERIFY(!s.plot.isBlueMarkerShown());
    }

    void arrowKeysStepAlongTheSamples()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        s.plot.enableBlueMarker(true);
        harness::click(s.canvas(), s.at(1097, 18));
        QCOMPARE(s.plot.markerValue(true).x(), 1097.0);
        QTest::keyClick(s.canvas(), Qt::Key_Right);
        QTest::keyClick(s.canvas(), Qt::Key_Right);
        QCOMPARE(s.plot.markerValue(true).x(), 1099.0);
        QTest::keyClick(s.canvas(), Qt::Key_Right);
        QCOMPARE(s.plot.markerValue(true).x(), 1099.0);
        QCOMPARE(s.plot.blueMarker()->sampleIndex(), 99);
        QTest::keyClick(s.canvas(), Qt::Key_Left);
        QCOMPARE(s.plot.markerValue(true), QPointF(1098, 20));

        // The marker follows its sample when the data change.
        s.high[98] = 35;
        s.plot.replot();
        QCOMPARE(s.plot.markerValue(true), QPointF(1098, 35));
        // A shorter block pulls the marker back onto its last sample.
        s.plot.setCurveSamples(0, Qt::green, s.x.constData(), s.high.constData(), 50);
        s.plot.replot();
        QCOMPARE(s.plot.markerValue(true), QPointF(1049, 20));

        QSignalSpy hidden(&s.plot, &OrmaPlot::signalHideMarker);
        harness::click(s.canvas(), s.at(1020, 0), Qt::RightButton);
        QVERIFY(!s.plot.isBlueMarkerShown());
        QCOMPARE(hidden.count(), 1);
        // Hidden markers ignore the keys.
        QTest::keyClick(s.canvas(), Qt::Key_Left);
        QCOMPARE(s.plot.markerValue(true).x(), 1049.0);
    }

    void freeMarkerStaysWherePut()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        s.plot.setMarkersFollow(false);
        s.plot.enableRedMarker(true);
        const QPoint p = s.at(1033.3, 7.5);
        harness::click(s.canvas(), p);
        const QPointF v = s.plot.markerValue(false);
        QCOMPARE(pixelOf(s.plot, v.x(), v.y()), p);
        QTest::keyClick(s.canvas(), Qt::Key_Up);
        const QPointF up = s.plot.markerValue(false);
        QCOMPARE(pixelOf(s.plot, up.x(), up.y()), p + QPoint(0, -1));
        s.plot.replot();
        QCOMPARE(s.plot.markerValue(false), up);
    }

    void horizontalZoomEndsOnWholeSamples()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        s.plot.setHZoomMode(true);
        QCOMPARE(s.plot.zoomMode(), 1);
        QSignalSpy zoomed(&s.plot, &OrmaPlot::signalZoomCanvas);
        harness::drag(s.canvas(), s.at(1010.3, 30), s.at(1020.7, 10));
        for (int axis : {QwtPlot::xBottom, QwtPlot::xTop}) {
            QCOMPARE(lower(s.plot, axis), 1010.0);
            QCOMPARE(upper(s.plot, axis), 1021.0);
            QCOMPARE(s.plot.axisStepSize(axis), 1.0);
        }
        QCOMPARE(lower(s.plot, QwtPlot::yLeft), -50.0);
        QCOMPARE(upper(s.plot, QwtPlot::yLeft), 50.0);
        QCOMPARE(zoomed.count(), 1);
        QVERIFY(!s.plot.zoomer()->band()->isVisible());

        // The library's zoom-out buttons do nothing; going back is undo's job.
        for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton})
            harness::click(s.canvas(), s.at(1015, 0), b);
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1010.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1021.0);
        // A plain click is no zoom and no history entry.
        harness::click(s.canvas(), s.at(1015, 0));
        QCOMPARE(zoomed.count(), 1);

        QCOMPARE(s.plot.undoStep(), 0);
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::xBottom), 12.0); // (99 + 1) / 8
    }

    void verticalZoomUsesAnEvenFactor()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        s.plot.setVZoomMode(true);
        harness::drag(s.canvas(), s.at(1050, 30), s.at(1060, -3.3));
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
        const double range = upper(s.plot, QwtPlot::yLeft) - lower(s.plot, QwtPlot::yLeft);
        QVERIFY(std::fabs(range - 33.3) < 0.5);
        // 100 / 33.3 is about 3, made even: the step of 25 becomes ceil(25 / 4).
        QCOMPARE(s.plot.axisStepSize(QwtPlot::yLeft), 7.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::yRight), 7.0);
    }

    void zoomWindowArithmetic()
    {
        SampleWindow w = zoomedSampleWindow(10.3, 20.7, 0, 99, 9);
        QCOMPARE(w.start, 10.0);
        QCOMPARE(w.end, 21.0);
        QCOMPARE(w.step, 1.0);
        w = zoomedSampleWindow(-30, 500, 0, 99, 9); // clipped to the data
        QCOMPARE(w.start, 0.0);
        QCOMPARE(w.end, 99.0);
        QCOMPARE(w.step, 12.0);
        w = zoomedSampleWindow(40.2, 40.4, 0, 99, 3); // one sample: one wider each way
        QCOMPARE(w.start, 39.0);
        QCOMPARE(w.end, 41.0);
        w = zoomedSampleWindow(120, 130, 0, 99, 9); // beside the data
        QVERIFY(w.start < w.end && w.end <= 99.0);
        QCOMPARE(evenZoomFactor(3.0), 4);
        QCOMPARE(evenZoomFactor(2.3), 2);
        QCOMPARE(evenZoomFactor(2.5), 4);
        QCOMPARE(evenZoomFactor(1.3), 1);
        QCOMPARE(evenZoomFactor(0.2), 1);
    }

    void zoomWithoutCurvesDoesNothing()
    {
        OrmaPlot plot;
        plot.slotSetScaleX(0, 99, 10);
        harness::show(plot, QSize(600, 400));
        plot.setZoomMode(true);
        QSignalSpy zoomed(&plot, &OrmaPlot::signalZoomCanvas);
        harness::drag(plot.canvas(), pixelOf(plot, 10, 500), pixelOf(plot, 20, 600));
        QCOMPARE(upper(plot, QwtPlot::xBottom), 99.0);
        QCOMPARE(zoomed.count(), 0);
        QCOMPARE(plot.undoStep(), -1);
    }

    // Dragged far to the right, the view stops exactly at the first sample; dragged again
    // it does not move.
    void panStopsAtItsLimit()
    {
        Scene s(1000, 1000);
        s.plot.slotSetScaleX(1100, 1199, 10);
        harness::show(s.plot, QSize(600, 400));
        s.plot.setHMoveMode(true);
        QSignalSpy released(&s.plot, &OrmaPlot::signalMouseReleasePanner);
        const int y = s.canvas()->height() / 2;
        harness::drag(s.canvas(), QPoint(10, y), QPoint(s.canvas()->width() + 200, y));
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
        QCOMPARE(lower(s.plot, QwtPlot::xTop), 1000.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::xBottom), 10.0);
        QCOMPARE(lower(s.plot, QwtPlot::yLeft), -50.0); // horizontal mode
        QCOMPARE(released.count(), 1);

        harness::drag(s.canvas(), QPoint(100, y), QPoint(300, y));
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);

        // A leftward drag moves by the dragged samples, on whole samples.
        const QPoint from = s.at(1050, 0), to = s.at(1040, 0);
        harness::drag(s.canvas(), from, to);
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1010.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1109.0);

        // Each pan is one step of the history.
        s.plot.undoStep();
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
    }

    // With explicit limits (the I/Q square) a full view cannot move, a zoomed one stops on
    // the edge of the square.
    void panInsideExplicitLimits()
    {
        Scene s(100, 0);
        OrmaPlot &plot = s.plot;
        plot.panner()->setPanLimits(QRectF(-8192, -8192, 16384, 16384));
        plot.slotSetScaleX(-8192, 8192, 2048);
        plot.slotSetScaleY(-8192, 8192, 2048);
        harness::show(plot, QSize(600, 400));
        plot.setMoveMode(true);
        harness::drag(s.canvas(), QPoint(100, 100), QPoint(300, 250));
        QCOMPARE(lower(plot, QwtPlot::xBottom), -8192.0);
        QCOMPARE(upper(plot, QwtPlot::yLeft), 8192.0);

        plot.slotSetScaleX(-4096, 4096, 2048);
        plot.slotSetScaleY(-4096, 4096, 2048);
        harness::drag(s.canvas(), QPoint(100, 100), QPoint(100 + 2 * s.canvas()->width(), 100 - 2 * s.canvas()->height()));
        QCOMPARE(lower(plot, QwtPlot::xBottom), -8192.0);
        QCOMPARE(upper(plot, QwtPlot::xBottom), 0.0);
        QCOMPARE(lower(plot, QwtPlot::yLeft), -8192.0);
        QCOMPARE(upper(plot, QwtPlot::yLeft), 0.0);
        QCOMPARE(clampedPixelShift(100, 200, 30, 90, 400), 10.0);
        QCOMPARE(clampedPixelShift(100, 200, -30, 0, 220), -20.0);
        QCOMPARE(clampedPixelShift(0, 300, 5, 10, 290), 0.0);
    }

    void undoHistory()
    {
        Scene s;
        harness::show(s.plot, QSize(600, 400));
        // One entry: nothing changes, the step included.
        QCOMPARE(s.plot.undoStep(), 0);
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::xBottom), 10.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::yLeft), 25.0);

        s.plot.setZoomMode(true);
        harness::drag(s.canvas(), s.at(1010, 40), s.at(1060, -40));
        harness::drag(s.canvas(), s.at(1020, 30), s.at(1030, -30));
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1030.0);
        s.plot.undoAll();
        QCOMPARE(lower(s.plot, QwtPlot::xBottom), 1000.0);
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::xBottom), 10.0);
        QCOMPARE(upper(s.plot, QwtPlot::yLeft), 50.0);
        QCOMPARE(s.plot.axisStepSize(QwtPlot::yLeft), 25.0);
        // The history restarted at the base.
        s.plot.undoStep();
        QCOMPARE(upper(s.plot, QwtPlot::xBottom), 1099.0);
    }
};

QTEST_MAIN(TestPlotTools)
#include "test_plottools.moc"
