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

namespace {

// A line between two pixels inside the image, both ends included: integer steps along the
// longer axis, so that the short segments of a dense trajectory cost a few additions each.
void drawInsideLine(int x0, int y0, int x1, int y1, uint32_t *pixels, int stride, uint32_t color)
{
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const ptrdiff_t sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -stride : stride;
    // Bresenham along the longer axis, a step across it where the error says so.
    const bool alongX = dx >= dy;
    const int major = alongX ? dx : dy, minor = alongX ? dy : dx;
    const ptrdiff_t majorStep = alongX ? sx : sy, minorStep = alongX ? sy : sx;
    uint32_t *p = pixels + ptrdiff_t(y0) * stride + x0;
    *p = color;
    int error = major / 2;
    for (int k = 0; k < major; ++k) {
        p += majorStep;
        error -= minor;
        if (error < 0) {
            error += major;
            p += minorStep;
        }
        *p = color;
    }
}

} // namespace

void rasterizeTrajectory(const double *x, const double *y, size_t n, const PixelMapping &m,
                         uint32_t *pixels, int width, int height, int stride, uint32_t color)
{
    constexpr int ShortStep = 4;
    if (n == 0 || width <= 0 || height <= 0)
        return;
    // A point rounds to a pixel of the image when it lies in [0, w - 0.5) x [0, h - 0.5); a
    // segment between two such points needs no clipping.
    const double right = width - 0.5, bottom = height - 0.5;
    double fx0 = 0.0, fy0 = 0.0;
    int ix0 = 0, iy0 = 0;
    bool inside0 = false, finite0 = false;
    for (size_t i = 0; i < n; ++i) {
        const double fx = (x[i] - m.xs1) * m.xScale + m.xp1, fy = (y[i] - m.ys1) * m.yScale + m.yp1;
        const bool inside = fx >= 0.0 && fx < right && fy >= 0.0 && fy < bottom;
        const bool finite = inside || (std::isfinite(fx) && std::isfinite(fy));
        if (inside) {
            const int ix = int(fx + 0.5), iy = int(fy + 0.5);
            const int dx = ix - ix0, dy = iy - iy0;
            if (!inside0) {
                pixels[size_t(iy) * size_t(stride) + size_t(ix)] = color;
            } else if (std::max(std::abs(dx), std::abs(dy)) <= ShortStep) {
                // Most steps of a dense trajectory are this short: four points at quarters of
                // the step, in 16.16 fixed point, cover its pixels without a branch.
                const int fx16 = (ix0 << 16) + 0x8000, fy16 = (iy0 << 16) + 0x8000;
                for (int k = 1; k <= ShortStep; ++k) {
                    const int px = (fx16 + k * (dx << 14)) >> 16, py = (fy16 + k * (dy << 14)) >> 16;
                    pixels[size_t(py) * size_t(stride) + size_t(px)] = color;
                }
            } else {
                drawInsideLine(ix0, iy0, ix, iy, pixels, stride, color);
            }
            ix0 = ix;
            iy0 = iy;
        }
        // A segment with an end off the image is cut at its edges; NaN breaks the line.
        if (i > 0 && finite && finite0 && !(inside && inside0))
            drawLine(fx0, fy0, fx, fy, pixels, width, height, stride, color);
        fx0 = fx;
        fy0 = fy;
        inside0 = inside;
        finite0 = finite;
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
