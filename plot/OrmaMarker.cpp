#include "plot/OrmaMarker.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>

#include <qwt_picker_machine.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_map.h>

#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"

OrmaMarker::OrmaMarker(QWidget *canvas)
    : QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, CrossRubberBand, AlwaysOff, canvas)
    , m_markerItem(new QwtPlotMarker())
{
    setStateMachine(new QwtPickerDragPointMachine());
    m_markerItem->setLineStyle(QwtPlotMarker::Cross);
    setEnabled(false);
}

OrmaMarker::~OrmaMarker()
{
    delete m_markerItem;
}

OrmaPlot *OrmaMarker::ormaPlot() const
{
    return qobject_cast<OrmaPlot *>(const_cast<OrmaMarker *>(this)->plot());
}

void OrmaMarker::setRubberBandPen(const QPen &pen)
{
    QwtPlotPicker::setRubberBandPen(pen);
    m_markerItem->setLinePen(pen);
}

QwtDoublePoint OrmaMarker::value() const
{
    return m_markerItem->value();
}

void OrmaMarker::setValue(const QwtDoublePoint &point)
{
    m_freePoint = point;
    m_markerItem->setValue(point);
    if (m_curve && m_snapToData) {
        const int index = m_curve->sampleNear(point.x());
        if (index >= 0)
            m_sampleIndex = index;
    }
}

void OrmaMarker::hide()
{
    m_markerItem->detach();
    if (QwtPlot *p = plot())
        p->replot();
    m_shown = false;
    emit signalHideMarker();
}

void OrmaMarker::reseat()
{
    if (!m_curve || !m_snapToData)
        return;
    const int count = m_curve->sampleCount();
    if (count == 0)
        return;
    // A shorter block than the last one must not leave the index behind its end.
    m_sampleIndex = std::min(std::max(m_sampleIndex, 0), count - 1);
    m_markerItem->setValue(m_curve->displayPoint(m_sampleIndex));
}

void OrmaMarker::place(const QwtDoublePoint &point)
{
    QwtDoublePoint p = point;
    m_markerItem->setValue(p);
    if (OrmaPlot *owner = ormaPlot()) {
        m_markerItem->attach(owner);
        owner->replot();
    }
    emit signalMoveMarker(p);
}

void OrmaMarker::widgetMousePressEvent(QMouseEvent *event)
{
    QwtPlotPicker::widgetMousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        hide();
    } else if (event->button() == Qt::LeftButton) {
        m_shown = true;
        m_dragging = true;
        // Off the canvas while its picture is taken for the trace search.
        m_markerItem->detach();
        if (QwtPlot *p = plot())
            p->replot();
    }
}

void OrmaMarker::widgetMouseReleaseEvent(QMouseEvent *event)
{
    QwtPlotPicker::widgetMouseReleaseEvent(event);
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_snapToData) {
        snapTo(event->pos());
    } else {
        m_freePoint = invTransform(event->pos());
        place(m_freePoint);
    }
}

bool OrmaMarker::isCurveColor(QRgb pixel) const
{
    for (const QColor &c : m_curveColors)
        if (qRed(pixel) == c.red() && qGreen(pixel) == c.green() && qBlue(pixel) == c.blue())
            return true;
    return false;
}

void OrmaMarker::considerPixel(int x, int y, const QPoint &pos)
{
    if (!m_canvasImage.valid(x, y))
        return;
    const QRgb pixel = m_canvasImage.pixel(x, y);
    if (!isCurveColor(pixel))
        return;
    const double distance = std::hypot(double(x - pos.x()), double(y - pos.y()));
    if (m_bestDistance < 0 || distance < m_bestDistance) {
        m_bestDistance = distance;
        m_bestPixel = QPoint(x, y);
        m_foundColor = QColor(pixel);
        m_found = true;
    }
}

bool OrmaMarker::findTracePixel(const QPoint &pos)
{
    m_found = false;
    m_bestDistance = -1.0;
    considerPixel(pos.x(), pos.y(), pos);
    const QRect area = m_canvasImage.rect();
    const int maxRing = std::max({pos.x() - area.left(), area.right() - pos.x(), pos.y() - area.top(),
                                  area.bottom() - pos.y()});
    for (int r = 1; !m_found && r <= maxRing; ++r) {
        for (int dx = -r; dx <= r; ++dx) {
            considerPixel(pos.x() + dx, pos.y() - r, pos);
            considerPixel(pos.x() + dx, pos.y() + r, pos);
        }
        for (int dy = -r + 1; dy <= r - 1; ++dy) {
            considerPixel(pos.x() - r, pos.y() + dy, pos);
            considerPixel(pos.x() + r, pos.y() + dy, pos);
        }
    }
    return m_found;
}

// Among the samples drawn in the columns column-1 .. column+1 (and the neighbours around them,
// for a trace zoomed in so far that no sample falls there), the one nearest to pos on screen.
int OrmaMarker::nearestSample(const QwtPlotCurveEx *c, int column, const QPoint &pos) const
{
    const QwtPlot *owner = plot();
    const QwtScaleMap xMap = owner->canvasMap(xAxis());
    const QwtScaleMap yMap = owner->canvasMap(yAxis());
    double lo = xMap.invTransform(column - 1);
    double hi = xMap.invTransform(column + 1);
    if (lo > hi)
        std::swap(lo, hi);
    const IndexRange range = coveringRange(c->xData(), c->sampleCount(), std::floor(lo), hi);
    if (range.count() <= 0)
        return c->sampleNear(lo);

    int best = range.first;
    double bestDistance = -1.0;
    for (int i = range.first; i <= range.last; ++i) {
        const QPointF p = c->displayPoint(i);
        const double d = std::hypot(xMap.transform(p.x()) - pos.x(), yMap.transform(p.y()) - pos.y());
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void OrmaMarker::snapTo(const QPoint &pos)
{
    OrmaPlot *owner = ormaPlot();
    if (!owner)
        return;
    m_canvasImage = owner->canvas()->grab().toImage();
    m_curveColors = owner->curveColors();
    if (!m_curve)
        m_curve = owner->curve(owner->currentChannel());
    m_pressPixel = pos;

    if (findTracePixel(pos))
        if (QwtPlotCurveEx *hit = owner->curveByColor(m_foundColor))
            m_curve = hit;
    // No trace on the canvas and no curve to fall back on: the marker stays where it was put.
    if (!m_curve || m_curve->sampleCount() == 0) {
        m_freePoint = invTransform(pos);
        place(m_freePoint);
        return;
    }
    m_sampleIndex = nearestSample(m_curve, m_found ? m_bestPixel.x() : pos.x(), pos);
    place(m_curve->displayPoint(m_sampleIndex));
}

void OrmaMarker::moveToSample(int index)
{
    m_sampleIndex = std::min(std::max(index, 0), m_curve->sampleCount() - 1);
    place(m_curve->displayPoint(m_sampleIndex));
}

void OrmaMarker::widgetKeyPressEvent(QKeyEvent *event)
{
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default:
        QwtPlotPicker::widgetKeyPressEvent(event);
        return;
    }
    if (!m_shown)
        return;
    if (m_snapToData) {
        if (dx != 0 && m_curve && m_curve->sampleCount() > 0)
            moveToSample(m_sampleIndex + dx);
        return;
    }
    const QPoint pixel = transform(m_markerItem->value()) + QPoint(dx, dy);
    m_freePoint = invTransform(pixel);
    place(m_freePoint);
}
