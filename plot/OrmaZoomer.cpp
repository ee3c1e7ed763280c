#include "plot/OrmaZoomer.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include <qwt_picker_machine.h>
#include <qwt_scale_div.h>

#include "plot/AxisOps.h"
#include "plot/CurveKernels.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"

// --- band -----------------------------------------------------------------------------------

ZoomerRect::ZoomerRect(QWidget *canvas)
    : QWidget(canvas)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void ZoomerRect::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ZoomerRect::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(m_color);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

// --- window arithmetic --------------------------------------------------------------------

SampleWindow zoomedSampleWindow(double lower, double upper, double firstX, double lastX, int majorTicks)
{
    double start = roundToSample(lower);
    double end = roundToSample(upper);
    if (start == end) {
        end += 1.0;
        if (majorTicks == 3)
            start -= 1.0;
    }
    start = std::max(start, firstX);
    end = std::min(end, lastX);
    // A band beside the data would leave an empty or inverted window: keep one sample step
    // at the nearer end of the data instead.
    if (end - start < 1.0) {
        if (start + 1.0 <= lastX) {
            end = start + 1.0;
        } else {
            end = lastX;
            start = std::max(firstX, lastX - 1.0);
        }
    }
    const double step = std::max(1.0, std::trunc((end - start) / 8.0));
    return {start, end, step};
}

int evenZoomFactor(double ratio)
{
    const double whole = std::floor(ratio);
    int k = int(ratio - whole > 0.4 ? whole + 1.0 : whole);
    if (k <= 1)
        return 1;
    return k % 2 ? k + 1 : k;
}

// --- zoomer ---------------------------------------------------------------------------------

OrmaZoomer::OrmaZoomer(QWidget *canvas)
    : QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, canvas, true)
    , m_band(new ZoomerRect(canvas))
{
    setStateMachine(new QwtPickerDragRectMachine());
    setTrackerMode(AlwaysOff);
    setRubberBand(NoRubberBand);
    setRubberBandPen(QPen(Qt::black));
    setResizeMode(KeepSize);
    setEnabled(false);
}

OrmaZoomer::~OrmaZoomer()
{
    delete m_band;
}

OrmaPlot *OrmaZoomer::ormaPlot() const
{
    return qobject_cast<OrmaPlot *>(const_cast<OrmaZoomer *>(this)->plot());
}

// A one-direction zoom selects the whole extent of the other direction.
QPolygon OrmaZoomer::adjustedPoints(const QPolygon &points) const
{
    if (points.size() < 2 || m_mode == OrmaPlot::ModeBoth)
        return points;
    QPolygon adjusted = points;
    const QRect area = pickArea().boundingRect().toRect();
    const int last = adjusted.size() - 1;
    if (m_mode == OrmaPlot::ModeHorizontal) {
        adjusted[0].setY(area.top());
        adjusted[last].setY(area.bottom());
    } else {
        adjusted[0].setX(area.left());
        adjusted[last].setX(area.right());
    }
    return adjusted;
}

void OrmaZoomer::begin()
{
    QwtPlotZoomer::begin();
    m_bandStarted = isActive();
}

void OrmaZoomer::rescale()
{
    QwtPlot *owner = plot();
    if (!owner || zoomRect() == scaleRect())
        return;
    setAxesToRect(owner, zoomRect(), xAxis(), yAxis(), zoomsX(), zoomsY());
}

void OrmaZoomer::widgetMouseMoveEvent(QMouseEvent *event)
{
    QwtPlotZoomer::widgetMouseMoveEvent(event);
    const OrmaPlot *owner = ormaPlot();
    const QPolygon points = selection();
    if (!owner || !owner->hasCurves() || !m_bandStarted || points.size() < 2)
        return;
    const QColor bg = owner->canvasBackground().color();
    m_band->setColor(QColor(255 - bg.red(), 255 - bg.green(), 255 - bg.blue()));
    m_band->setGeometry(QRect(points.first(), points.last()).normalized());
    m_band->show();
    m_band->raise();
}

bool OrmaZoomer::end(bool ok)
{
    const bool zoomed = QwtPlotZoomer::end(ok);
    // Also reached when a selection is aborted.
    m_band->hide();
    m_bandStarted = false;
    return zoomed;
}

void OrmaZoomer::widgetMouseReleaseEvent(QMouseEvent *event)
{
    OrmaPlot *owner = ormaPlot();
    if (!owner || !owner->hasCurves()) {
        // Nothing to zoom into; the open selection is dropped so the next press starts afresh.
        reset();
        return;
    }
    // Zooming out is the undo history's job.
    if (mouseMatch(MouseSelect2, event) || mouseMatch(MouseSelect3, event) || mouseMatch(MouseSelect6, event))
        return;

    const QRectF before = scaleRect();
    const double oldYStep = owner->axisStepSize(yAxis());
    QwtPlotZoomer::widgetMouseReleaseEvent(event);
    // A click or a band too small to zoom changes nothing and records nothing.
    if (scaleRect() == before)
        return;

    if (zoomsX())
        snapXToSamples(owner);
    if (zoomsY())
        scaleYStep(owner, before.height(), oldYStep);
    owner->updateAxes();
    emit signalZoom();
}

void OrmaZoomer::snapXToSamples(OrmaPlot *owner)
{
    const QwtPlotCurveEx *c = owner->firstCurve();
    const int count = c ? c->sampleCount() : 0;
    if (count == 0)
        return;
    const QwtScaleDiv &div = owner->axisScaleDiv(QwtPlot::xBottom);
    const SampleWindow w = zoomedSampleWindow(div.lowerBound(), div.upperBound(), c->xData()[0],
                                              c->xData()[count - 1], div.ticks(QwtScaleDiv::MajorTick).size());
    owner->setAxisRange(QwtPlot::xBottom, w.start, w.end, w.step);
    owner->setAxisRange(QwtPlot::xTop, w.start, w.end, w.step);
}

void OrmaZoomer::scaleYStep(OrmaPlot *owner, double oldRange, double oldStep)
{
    const QwtScaleDiv &div = owner->axisScaleDiv(yAxis());
    const double newRange = std::fabs(div.upperBound() - div.lowerBound());
    if (newRange <= 0.0)
        return;
    const int k = evenZoomFactor(oldRange / newRange);
    if (k == 1)
        return;
    const double lower = div.lowerBound();
    const double upper = div.upperBound();
    const double step = std::ceil(oldStep / k);
    owner->setAxisScale(QwtPlot::yLeft, lower, upper, step);
    owner->setAxisScale(QwtPlot::yRight, lower, upper, step);
}
