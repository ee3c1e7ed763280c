#pragma once
// The I/Q trajectory of the vector diagram, drawn straight into an image of the canvas: a pass
// over the samples and the pixels they touch instead of a painter call per segment, so that a
// window of a million samples redraws at once.
#include "sources/measure/iq/IqSlice.h"

#include <qwt_plot_item.h>

#include <cstdint>
#include <memory>

// Where the samples land: pixel = (value - s1) * scale + p1 on each axis.
struct PixelMapping {
    double xs1 = 0.0, xScale = 1.0, xp1 = 0.0;
    double ys1 = 0.0, yScale = 1.0, yp1 = 0.0;
};

// Draws the polyline through (x[i], y[i]) into `pixels` (width x height, `stride` pixels a row)
// in `color`, one pixel wide, cut at the image's edges; NaN points are left out.
void rasterizeTrajectory(const double *x, const double *y, size_t n, const PixelMapping &map,
                         uint32_t *pixels, int width, int height, int stride, uint32_t color);

class VectorTrajectory : public QwtPlotItem {
public:
    VectorTrajectory();
    // Draws the slice's I against its Q; keeps it while it shows it.
    void setSlice(std::shared_ptr<const IqSlice> slice);
    size_t sampleCount() const { return m_slice ? m_slice->size() : 0; }
    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 6; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    std::shared_ptr<const IqSlice> m_slice;
};
