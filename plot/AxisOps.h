#pragma once
// Axis operations shared by the zoomer, the panner and the undo history.
#include <QRectF>

class QwtPlot;

// Puts the x and/or y axis onto the rectangle's ranges, keeping each axis' step size and
// direction, with one replot at the end.
void setAxesToRect(QwtPlot *plot, const QRectF &rect, int xAxis, int yAxis, bool doX, bool doY);

// Sets an axis to [lower, upper] keeping its step size.
void setAxisKeepingStep(QwtPlot *plot, int axis, double lower, double upper);

// The step of 1, 2 or 5 times a power of ten that divides `span` into about `divisions`
// parts: ticks that read as round numbers. A span that is not positive gives 1.
double roundStep(double span, int divisions);
