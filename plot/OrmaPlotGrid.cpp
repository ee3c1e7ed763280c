#include "plot/OrmaPlotGrid.h"

#include <cmath>

#include <QPainter>

#include <qwt_painter.h>
#include <qwt_plot.h>
#include <qwt_scale_map.h>

namespace {

// The step the axis was given, or for an automatic scale the spacing of its major ticks.
double majorStep(const QwtPlot *plot, int axis)
{
    const double step = plot->axisStepSize(axis);
    if (step > 0.0)
        return step;
    const QList<double> ticks = plot->axisScaleDiv(axis).ticks(QwtScaleDiv::MajorTick);
    return ticks.size() >= 2 ? std::fabs(ticks[1] - ticks[0]) : 0.0;
}

} // namespace

void OrmaPlotGrid::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect) const
{
    QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
    const QwtPlot *owner = plot();
    if (!m_showSampleTicks || !owner)
        return;
    const double step = majorStep(owner, QwtPlot::xBottom);
    if (step <= 0.0 || step > sampleTickMaxStep)
        return;

    double first = std::ceil(xMap.invTransform(canvasRect.left()));
    double last = std::ceil(xMap.invTransform(canvasRect.left() + canvasRect.width()));
    if (first > last)
        std::swap(first, last);
    painter->save();
    painter->setPen(majorPen());
    for (double x = first; x <= last; x += 1.0) {
        // Rounded as the library aligns its own grid lines, so the two coincide.
        const double px = qRound(xMap.transform(x));
        QwtPainter::drawLine(painter, px, canvasRect.top(), px, canvasRect.bottom());
    }
    painter->restore();
}
