#include "plot/QwtPlotCurveEx.h"

#include <algorithm>
#include <cmath>

#include <QPaintEngine>
#include <QPainter>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>

#include "plot/Transforms.h"

namespace {

// With an opaque solid pen one pixel wide, aliased, on the raster engine and without scaling,
// the vertical segments of one column are exactly the pixels from its highest point to its
// lowest: one rectangle, which the engine fills many times faster than it steps a line.
bool paintsColumnsAsRects(const QPainter &painter)
{
    const QPen pen = painter.pen();
    const QPaintEngine *engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Raster && pen.style() == Qt::SolidLine
        && pen.brush().style() == Qt::SolidPattern && pen.color().alpha() == 255 && pen.widthF() <= 1.0
        && !painter.testRenderHint(QPainter::Antialiasing)
        && painter.compositionMode() == QPainter::CompositionMode_SourceOver
        && painter.transform().type() <= QTransform::TxTranslate
        && painter.transform().dx() == std::round(painter.transform().dx())
        && painter.transform().dy() == std::round(painter.transform().dy());
}

// Points sharing a column become one rectangle; the steps between columns stay lines, whose
// ends paint a lone point.
void drawColumnRects(QPainter *painter, const QPolygonF &points)
{
    QVector<QRect> columns;
    QVector<QLineF> steps;
    for (int i = 0; i < points.size();) {
        double top = points[i].y();
        double bottom = top;
        int j = i;
        for (; j + 1 < points.size() && points[j + 1].x() == points[i].x(); ++j) {
            top = std::min(top, points[j + 1].y());
            bottom = std::max(bottom, points[j + 1].y());
        }
        if (j > i) {
            const int row = int(pixelRound(top));
            columns += QRect(int(pixelRound(points[i].x())), row, 1, int(pixelRound(bottom)) - row + 1);
        }
        if (j + 1 < points.size())
            steps += QLineF(points[j], points[j + 1]);
        i = j + 1;
    }
    painter->drawLines(steps);
    const QColor color = painter->pen().color();
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawRects(columns);
    painter->restore();
}

} // namespace

QwtPlotCurveEx::QwtPlotCurveEx()
    : QwtPlotCurve(QString())
    , m_accumPixmap(1, 1)
{
    m_accumPixmap.fill(Qt::transparent);
}

void QwtPlotCurveEx::setAccumulate(bool on)
{
    if (on && !m_accumulate)
        clearAccumulation();
    m_accumulate = on;
}

void QwtPlotCurveEx::clearAccumulation()
{
    m_accumPixmap.fill(Qt::transparent);
}

void QwtPlotCurveEx::setCurveSamples(const double *x, const double *y, int count)
{
    m_xData = x;
    m_yData = y;
    m_layout = x ? xLayoutOf(x, count) : XLayout::Unordered;
    setRawSamples(x, y, count);
}

int QwtPlotCurveEx::sampleCount() const
{
    return m_xData ? int(dataSize()) : 0;
}

double QwtPlotCurveEx::referenceValue() const
{
    return m_referenceIndex >= 0 && m_referenceIndex < sampleCount() ? m_yData[m_referenceIndex] : 0.0;
}

double QwtPlotCurveEx::convert(double value, double reference) const
{
    if (m_transforms)
        value = m_transforms->toUnits(value, reference);
    if (m_applyFactor)
        value *= m_factor;
    return value;
}

double QwtPlotCurveEx::displayValue(double value) const
{
    return convert(value, referenceValue());
}

QPointF QwtPlotCurveEx::displayPoint(int index) const
{
    return QPointF(m_xData[index], displayValue(m_yData[index]));
}

int QwtPlotCurveEx::sampleNear(double x) const
{
    const int count = sampleCount();
    if (count == 0)
        return -1;
    if (!ascending()) {
        int best = 0;
        for (int i = 1; i < count; ++i)
            if (std::fabs(m_xData[i] - x) < std::fabs(m_xData[best] - x))
                best = i;
        return best;
    }
    const int above = int(std::lower_bound(m_xData, m_xData + count, x) - m_xData);
    if (above == 0)
        return 0;
    if (above == count)
        return count - 1;
    return x - m_xData[above - 1] <= m_xData[above] - x ? above - 1 : above;
}

QwtPlotCurveEx::Columns QwtPlotCurveEx::columnsOf(const QRectF &canvasRect)
{
    const int left = int(canvasRect.left());
    return {left, int(left + canvasRect.width() - 1)};
}

IndexRange QwtPlotCurveEx::visibleRange(const QwtScaleMap &xMap, const Columns &columns, int from, int to) const
{
    if (!ascending())
        return {from, to};
    const IndexRange r = coveringRange(m_xData + from, to - from + 1, xMap.invTransform(columns.left),
                                       xMap.invTransform(columns.right));
    return {r.first + from, r.last + from};
}

void QwtPlotCurveEx::appendSamples(QPolygonF &out, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                   int first, int last) const
{
    const double reference = referenceValue();
    for (int i = first; i <= last; ++i)
        out += QPointF(pixelRound(xMap.transform(m_xData[i])),
                       pixelRound(yMap.transform(convert(m_yData[i], reference))));
}

// Per pixel column: first, extremes in their order, last; each only when it adds a new value.
void QwtPlotCurveEx::appendDecimated(QPolygonF &out, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                     int first, int last, int width) const
{
    const int n = last - first + 1;
    const int samplesPerPixel = (n + width - 1) / width;
    // A little more than one column's worth, so that most columns are one run.
    const int chunk = int(std::ceil(samplesPerPixel + samplesPerPixel * 0.1));
    const double reference = referenceValue();
    const auto py = [&](double v) { return pixelRound(yMap.transform(convert(v, reference))); };

    for (int i = first; i <= last;) {
        const int k = sameColumnCount(m_xData + i, std::min(chunk, last - i + 1), xMap, m_layout);
        const RunExtremes e = scanRun(m_yData + i, k);
        const double px = pixelRound(xMap.transform(m_xData[i]));
        // A first sample equal to an extreme is that extreme's earliest one, so it leads anyway.
        // The last one follows the later extreme unless equal to it: the line to the next
        // column starts there.
        const double early = e.minFirst ? e.min : e.max;
        const double late = e.minFirst ? e.max : e.min;
        if (e.first != early)
            out += QPointF(px, py(e.first));
        out += QPointF(px, py(early));
        if (late != early)
            out += QPointF(px, py(late));
        if (e.last != late)
            out += QPointF(px, py(e.last));
        i += k;
    }
}

void QwtPlotCurveEx::buildPolyline(const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                                   int from, int to) const
{
    m_lastPolygon.resize(0);
    const Columns columns = columnsOf(canvasRect);
    const IndexRange range = visibleRange(xMap, columns, from, to);
    const int width = std::max(columns.width(), 1);
    if (range.count() <= 0)
        return;
    if (!ascending() || range.count() <= width)
        appendSamples(m_lastPolygon, xMap, yMap, range.first, range.last);
    else
        appendDecimated(m_lastPolygon, xMap, yMap, range.first, range.last, width);
}

void QwtPlotCurveEx::drawCurve(QPainter *painter, int style, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                               const QRectF &canvasRect, int from, int to) const
{
    const QSize pixmapSize(int(canvasRect.width()) + 2, int(canvasRect.height()) + 2);
    if (m_accumPixmap.size() != pixmapSize)
        m_accumPixmap = m_accumPixmap.scaled(pixmapSize);

    QPainter pixmapPainter;
    QPainter *target = painter;
    if (m_accumulate) {
        pixmapPainter.begin(&m_accumPixmap);
        pixmapPainter.setPen(painter->pen());
        pixmapPainter.setBrush(painter->brush());
        pixmapPainter.setRenderHints(painter->renderHints());
        target = &pixmapPainter;
    }

    if (style == Lines && m_xData) {
        buildPolyline(xMap, yMap, canvasRect, from, to);
        if (testPaintAttribute(ClipPolygons)) {
            const qreal margin = std::max<qreal>(1.0, target->pen().widthF());
            const QRectF clipRect = canvasRect.adjusted(-margin, -margin, margin, margin);
            const QPolygonF clipped = QwtClipper::clipPolygonF(clipRect, m_lastPolygon, false);
            // Clipped, the points are near the canvas, as whole pixel rectangles need.
            if (paintsColumnsAsRects(*target))
                drawColumnRects(target, clipped);
            else
                QwtPainter::drawPolyline(target, clipped);
        } else {
            QwtPainter::drawPolyline(target, m_lastPolygon);
        }
    } else {
        QwtPlotCurve::drawCurve(target, style, xMap, yMap, canvasRect, from, to);
    }

    if (m_accumulate) {
        pixmapPainter.end();
        painter->drawPixmap(0, 0, m_accumPixmap);
    }
}

void QwtPlotCurveEx::drawSymbols(QPainter *painter, const QwtSymbol &symbol, const QwtScaleMap &xMap,
                                 const QwtScaleMap &yMap, const QRectF &canvasRect, int from, int to) const
{
    if (!m_xData) {
        QwtPlotCurve::drawSymbols(painter, symbol, xMap, yMap, canvasRect, from, to);
        return;
    }
    const Columns columns = columnsOf(canvasRect);
    const IndexRange range = visibleRange(xMap, columns, from, to);
    // On a trace denser than the pixels marks would only fill a band.
    if (range.count() <= 0 || (ascending() && range.count() > std::max(columns.width(), 1)))
        return;
    QPolygonF points;
    points.reserve(range.count());
    appendSamples(points, xMap, yMap, range.first, range.last);
    symbol.drawSymbols(painter, points);
}
