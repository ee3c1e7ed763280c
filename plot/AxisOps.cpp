#include "plot/AxisOps.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

void setAxisKeepingStep(QwtPlot *plot, int axis, double lower, double upper)
{
    if (!plot->axisScaleDiv(axis).isIncreasing())
        std::swap(lower, upper);
    plot->setAxisScale(axis, lower, upper, plot->axisStepSize(axis));
}

void setAxesToRect(QwtPlot *plot, const QRectF &rect, int xAxis, int yAxis, bool doX, bool doY)
{
    const bool autoReplot = plot->autoReplot();
    plot->setAutoReplot(false);
    if (doX)
        setAxisKeepingStep(plot, xAxis, rect.left(), rect.right());
    if (doY)
        setAxisKeepingStep(plot, yAxis, rect.top(), rect.bottom());
    plot->setAutoReplot(autoReplot);
    plot->replot();
}
