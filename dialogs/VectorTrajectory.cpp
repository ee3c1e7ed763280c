#include "dialogs/VectorTrajectory.h"

#include <QImage>
#include <QPainter>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace {

// Liang-Barsky: cuts the segment to [0, w) x [0, h); false when nothing of it is inside.
bool clipSegment(double &x0, double &y0, double &x1, double &y1, double w, double h)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0, w - 1 - x0, y0, h - 1 - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = x0 + t0 * dx;
    y0 = y0 + t0 * dy;
    return true;
}

void drawLine(double x0, double y0, double x1, double y1, uint32_t *pixels, int width, int height,
              int stride, uint32_t color)
{
    if (!clipSegment(x0, y0, x1, y1, width, height))
        return;
    const int steps = int(std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0))));
    const double sx = steps ? (x1 - x0) / steps : 0.0, sy = steps ? (y1 - y0) / steps : 0.0;
    for (int k = 0; k <= steps; ++k) {
        const int px = int(x0 + sx * k + 0.5), py = int(y0 + sy * k + 0.5);
        if (px >= 0 && px < width && py >= 0 && py < height)
            pixels[size_t(py) * size_t(stride) + size_t(px)] = color;
    }
}

} // namespace

void rasterizeTrajectory(const double *x, const double *y, size_t n, const PixelMapping &m,
                         uint32_t *pixels, int width, int height, int stride, uint32_t color)
{
    if (n == 0)
        return;
    const double w = width, h = height;
    double x0 = (x[0] - m.xs1) * m.xScale + m.xp1, y0 = (y[0] - m.ys1) * m.yScale + m.yp1;
    drawLine(x0, y0, x0, y0, pixels, width, height, stride, color);
    for (size_t i = 1; i < n; ++i) {
        const double x1 = (x[i] - m.xs1) * m.xScale + m.xp1, y1 = (y[i] - m.ys1) * m.yScale + m.yp1;
        // Most steps of a dense trajectory stay within a pixel of the last: no line to draw.
        if (std::abs(x1 - x0) < 1.0 && std::abs(y1 - y0) < 1.0 && x1 >= 0.0 && x1 < w - 0.5 && y1 >= 0.0 &&
            y1 < h - 0.5)
            pixels[int(y1 + 0.5) * stride + int(x1 + 0.5)] = color;
        else
            drawLine(x0, y0, x1, y1, pixels, width, height, stride, color);
        x0 = x1;
        y0 = y1;
    }
}

VectorTrajectory::VectorTrajectory()
{
    setZ(20.0); // above the grid and the axis cross
    setItemAttribute(QwtPlotItem::AutoScale, false);
}

void VectorTrajectory::setSlice(std::shared_ptr<const IqSlice> slice)
{
    m_slice = std::move(slice);
    itemChanged();
}

void VectorTrajectory::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                            const QRectF &canvasRect) const
{
    const size_t n = sampleCount();
    const QRect area = canvasRect.toAlignedRect();
    if (n == 0 || area.isEmpty() || xMap.sDist() == 0.0 || yMap.sDist() == 0.0)
        return;
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    PixelMapping m;
    m.xs1 = xMap.s1();
    m.xScale = (xMap.p2() - xMap.p1()) / (xMap.s2() - xMap.s1());
    m.xp1 = xMap.p1() - area.left();
    m.ys1 = yMap.s1();
    m.yScale = (yMap.p2() - yMap.p1()) / (yMap.s2() - yMap.s1());
    m.yp1 = yMap.p1() - area.top();
    rasterizeTrajectory(m_slice->re.data(), m_slice->im.data(), n, m, reinterpret_cast<uint32_t *>(image.bits()),
                        image.width(), image.height(), image.bytesPerLine() / 4, 0xFF000000u);
    painter->drawImage(area.topLeft(), image);
}
