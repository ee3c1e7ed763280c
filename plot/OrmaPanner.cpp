#include "plot/OrmaPanner.h"

#include <algorithm>

#include <QMouseEvent>

#include <qwt_plot.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include "plot/AxisOps.h"
#include "plot/CurveKernels.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"

double clampedPixelShift(double pLower, double pUpper, double shift, double pLimLo, double pLimHi)
{
    if (pLower > pUpper)
        std::swap(pLower, pUpper);
    if (pLimLo > pLimHi)
        std::swap(pLimLo, pLimHi);
    const double span = pUpper - pLower;
    if (span >= pLimHi - pLimLo)
        return 0.0;
    // The content moves by shift, so the view's start moves by -shift.
    const double start = std::min(std::max(pLower - shift, pLimLo), pLimHi - span);
    return pLower - start;
}

OrmaPanner::OrmaPanner(QWidget *canvas)
    : QwtPlotPanner(canvas)
{
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
        setAxisEnabled(axis, true);
    setEnabled(false);
}

OrmaPlot *OrmaPanner::ormaPlot() const
{
    return qobject_cast<OrmaPlot *>(const_cast<OrmaPanner *>(this)->plot());
}

void OrmaPanner::setEnabled(bool on)
{
    QwtPlotPanner::setEnabled(on);
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (on)
        shape = m_mode == 1 ? Qt::SizeHorCursor : m_mode == 2 ? Qt::SizeVerCursor : Qt::SizeAllCursor;
    canvas()->setCursor(shape);
}

void OrmaPanner::widgetMousePressEvent(QMouseEvent *event)
{
    const OrmaPlot *owner = ormaPlot();
    if (event->button() != Qt::LeftButton || !owner || !owner->hasCurves())
        return;
    m_dragging = true;
    m_lastPos = event->pos();
    emit signalMousePress();
}

double OrmaPanner::limitedShift(int axis, double shift, double limLo, double limHi) const
{
    if (!(limHi > limLo))
        return shift;
    const QwtPlot *owner = plot();
    const QwtScaleMap map = owner->canvasMap(axis);
    const QwtScaleDiv &div = owner->axisScaleDiv(axis);
    return clampedPixelShift(map.transform(div.lowerBound()), map.transform(div.upperBound()), shift,
                             map.transform(limLo), map.transform(limHi));
}

void OrmaPanner::widgetMouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint delta = event->pos() - m_lastPos;
    double dx = (m_mode & 1) ? delta.x() : 0;
    double dy = (m_mode & 2) ? delta.y() : 0;

    double limX0 = m_panLimits.left();
    double limX1 = m_panLimits.right();
    if (m_panLimits.width() <= 0) {
        // Without explicit limits the view stays on the samples of the curves.
        limX0 = limX1 = 0.0;
        bool any = false;
        for (const QwtPlotCurveEx *c : ormaPlot()->curves()) {
            const int count = c->sampleCount();
            if (count == 0)
                continue;
            const double a = c->xData()[0];
            const double b = c->xData()[count - 1];
            limX0 = any ? std::min(limX0, std::min(a, b)) : std::min(a, b);
            limX1 = any ? std::max(limX1, std::max(a, b)) : std::max(a, b);
            any = true;
        }
    }
    dx = limitedShift(QwtPlot::xBottom, dx, limX0, limX1);
    if (m_panLimits.height() > 0)
        dy = limitedShift(QwtPlot::yLeft, dy, m_panLimits.top(), m_panLimits.bottom());

    shiftCanvas(dx, dy);
    m_lastPos = event->pos();
    emit move();
}

void OrmaPanner::moveCanvas(int dx, int dy)
{
    shiftCanvas(dx, dy);
}

void OrmaPanner::shiftCanvas(double dx, double dy)
{
    QwtPlot *owner = plot();
    if (!owner || (dx == 0 && dy == 0))
        return;
    const bool autoReplot = owner->autoReplot();
    owner->setAutoReplot(false);
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
        const double d = (axis == QwtPlot::xBottom || axis == QwtPlot::xTop) ? dx : dy;
        if (d == 0)
            continue;
        const QwtScaleMap map = owner->canvasMap(axis);
        const QwtScaleDiv &div = owner->axisScaleDiv(axis);
        owner->setAxisScale(axis, map.invTransform(map.transform(div.lowerBound()) - d),
                            map.invTransform(map.transform(div.upperBound()) - d), owner->axisStepSize(axis));
    }
    owner->setAutoReplot(autoReplot);
    owner->replot();
}

void OrmaPanner::snapXToSamples(OrmaPlot *owner)
{
    for (int axis : {QwtPlot::xBottom, QwtPlot::xTop}) {
        const QwtScaleDiv &div = owner->axisScaleDiv(axis);
        owner->setAxisScale(axis, roundToSample(div.lowerBound()), roundToSample(div.upperBound()),
                            owner->axisStepSize(axis));
    }
    owner->updateAxes();
    owner->replot();
}

void OrmaPanner::widgetMouseReleaseEvent(QMouseEvent *)
{
    OrmaPlot *owner = ormaPlot();
    // A release without a drag of ours (another button, or no curves at the press) moved nothing.
    if (!owner || !owner->hasCurves() || !m_dragging)
        return;
    snapXToSamples(owner);
    m_dragging = false;
    emit move();
    emit signalMove();
    emit signalMouseRelease();
}
