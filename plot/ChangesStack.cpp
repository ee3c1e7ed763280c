#include "plot/ChangesStack.h"

#include <cmath>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include "plot/AxisOps.h"
#include "plot/OrmaPlot.h"

ChangesStack::ChangesStack(QWidget *canvas)
    : QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, canvas, true)
{
    setEnabled(false);
}

void ChangesStack::slotAddChange()
{
    QStack<QRectF> stack = zoomStack();
    stack.resize(int(zoomRectIndex()) + 1);
    stack.push(scaleRect());
    setZoomStack(stack, stack.size() - 1);
}

void ChangesStack::rescale()
{
    QwtPlot *owner = plot();
    if (!owner || zoomRect() == scaleRect())
        return;
    setAxesToRect(owner, zoomRect(), xAxis(), yAxis(), true, true);
}

void ChangesStack::setZoomBase(bool doReplot)
{
    QwtPlotZoomer::setZoomBase(doReplot);
    if (const QwtPlot *owner = plot())
        for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
            m_baseSteps[axis] = owner->axisStepSize(axis);
}

void ChangesStack::zoom(int offset)
{
    QwtPlot *owner = plot();
    if (offset != 0 || !owner) {
        QwtPlotZoomer::zoom(offset);
        return;
    }
    // Back at the base the ticks are those of the base, not of the deepest zoom.
    const QRectF r = zoomBase();
    for (int axis : {QwtPlot::xBottom, QwtPlot::xTop})
        owner->setAxisScale(axis, r.left(), r.right(), m_baseSteps[axis]);
    for (int axis : {QwtPlot::yLeft, QwtPlot::yRight})
        owner->setAxisScale(axis, r.top(), r.bottom(), m_baseSteps[axis]);
    QStack<QRectF> base;
    base.push(r);
    setZoomStack(base, 0);
    owner->replot();
}

void ChangesStack::undoStep()
{
    QStack<QRectF> stack = zoomStack();
    stack.resize(int(zoomRectIndex()) + 1);
    OrmaPlot *owner = qobject_cast<OrmaPlot *>(plot());
    if (stack.size() <= 1 || !owner)
        return;
    stack.pop();
    const QRectF r = stack.top();

    const double xStep = double(unsigned((r.width() + 1) / owner->xDivisions()));
    unsigned yStep = unsigned(r.height() / owner->yDivisions());
    if (yStep == 0)
        yStep = 1;
    for (int axis : {QwtPlot::xBottom, QwtPlot::xTop})
        owner->setAxisScale(axis, r.left(), r.left() + r.width(), xStep);
    for (int axis : {QwtPlot::yLeft, QwtPlot::yRight})
        owner->setAxisScale(axis, r.top(), r.top() + r.height(), double(yStep));
    owner->updateAxes();
    setZoomStack(stack, stack.size() - 1);
    owner->replot();
}
