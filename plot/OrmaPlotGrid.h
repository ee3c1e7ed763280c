#pragma once
// Grid that, zoomed in far enough, also draws a line at every sample position.
#include <qwt_plot_grid.h>

class OrmaPlotGrid : public QwtPlotGrid
{
public:
    void setShowSampleTicks(bool on) { m_showSampleTicks = on; }

    // Sample lines appear at an x step of 32 samples per division or less.
    static constexpr double sampleTickMaxStep = 32.0;

    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    bool m_showSampleTicks = false;
};
