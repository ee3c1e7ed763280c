#pragma once
// A channel's curve. It draws the caller's arrays in place (never copied), converts values to
// display units while drawing, reduces dense records to a few points per pixel column without
// losing a peak, and can accumulate successive traces in a pixmap.
#include <QPixmap>
#include <QPolygonF>

#include <qwt_plot_curve.h>

#include "plot/CurveKernels.h"

class Transforms;

class QwtPlotCurveEx : public QwtPlotCurve
{
public:
    QwtPlotCurveEx();

    void setFactor(double factor) { m_factor = factor; }
    double factor() const { return m_factor; }
    void setApplyFactor(bool on) { m_applyFactor = on; }
    bool applyFactor() const { return m_applyFactor; }
    // Not owned; the converter must outlive the curve or be reset to null.
    void setTransforms(Transforms *transforms) { m_transforms = transforms; }
    Transforms *transforms() const { return m_transforms; }
    void setReferenceIndex(int index) { m_referenceIndex = index; }

    // Switching on starts from an empty pixmap; while on, earlier traces stay visible.
    void setAccumulate(bool on);
    bool accumulate() const { return m_accumulate; }
    void clearAccumulation();

    // Borrows the arrays: the caller keeps them alive and unchanged while they are shown.
    void setCurveSamples(const double *x, const double *y, int count);
    const double *xData() const { return m_xData; }
    const double *yData() const { return m_yData; }
    int sampleCount() const;

    // A stored value in display units: converted with the reference sample, then scaled
    // by the factor when that is switched on.
    double displayValue(double value) const;
    // Sample index in data x and display y.
    QPointF displayPoint(int index) const;
    // The y of the reference sample, 0 when the index lies outside the samples.
    double referenceValue() const;
    // Index of the sample nearest to data position x (ascending x), or -1 without samples.
    int sampleNear(double x) const;

    // The polyline of the last line drawing, in canvas pixels.
    const QPolygonF &lastPolygon() const { return m_lastPolygon; }

protected:
    void drawCurve(QPainter *painter, int style, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;
    // Marks sit on the converted values and only on the visible samples.
    void drawSymbols(QPainter *painter, const QwtSymbol &symbol, const QwtScaleMap &xMap,
                     const QwtScaleMap &yMap, const QRectF &canvasRect, int from, int to) const override;

private:
    struct Columns {
        int left;
        int right;
        int width() const { return right - left; }
    };
    static Columns columnsOf(const QRectF &canvasRect);
    IndexRange visibleRange(const QwtScaleMap &xMap, const Columns &columns, int from, int to) const;
    void buildPolyline(const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                       int from, int to) const;
    void appendSamples(QPolygonF &out, const QwtScaleMap &xMap, const QwtScaleMap &yMap, int first,
                       int last) const;
    void appendDecimated(QPolygonF &out, const QwtScaleMap &xMap, const QwtScaleMap &yMap, int first,
                         int last, int width) const;
    double convert(double value, double reference) const;
    bool ascending() const { return m_layout != XLayout::Unordered; }

    double m_factor = 1.0;
    bool m_applyFactor = false;
    Transforms *m_transforms = nullptr;
    int m_referenceIndex = 0;
    mutable QPixmap m_accumPixmap;
    bool m_accumulate = false;
    mutable QPolygonF m_lastPolygon;
    const double *m_xData = nullptr;
    const double *m_yData = nullptr;
    XLayout m_layout = XLayout::Unordered;
};
