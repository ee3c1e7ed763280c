#include "plot/AxisOps.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

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

double roundStep(double span, int divisions)
{
    const double raw = span / std::max(1, divisions);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    double best = decade;
    for (const double mantissa : {2.0, 5.0, 10.0})
        if (std::abs(std::log(mantissa * decade / raw)) < std::abs(std::log(best / raw)))
            best = mantissa * decade;
    return best;
}
