#pragma once
// Drag panning that follows the mouse live, never leaves the pan limits and ends with the
// x range on whole samples.
#include <QPoint>
#include <QRectF>

#include <qwt_plot_panner.h>

class OrmaPlot;

class OrmaPanner : public QwtPlotPanner
{
    Q_OBJECT

public:
    explicit OrmaPanner(QWidget *canvas);

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }
    // Also shows the drag cursor of the mode while on.
    void setEnabled(bool on);
    // In data coordinates. An axis whose limit has no extent is limited to the x range of the
    // curves (x) or not at all (y).
    void setPanLimits(const QRectF &rect) { m_panLimits = rect; }
    QRectF panLimits() const { return m_panLimits; }

signals:
    void signalMove();
    void move();
    void signalMousePress();
    void signalMouseRelease();

protected slots:
    void moveCanvas(int dx, int dy) override;

protected:
    void widgetMousePressEvent(QMouseEvent *event) override;
    void widgetMouseMoveEvent(QMouseEvent *event) override;
    void widgetMouseReleaseEvent(QMouseEvent *event) override;

private:
    OrmaPlot *ormaPlot() const;
    // Pixel shift of the content along an axis, cut so that the view stays inside [limLo, limHi].
    double limitedShift(int axis, double shift, double limLo, double limHi) const;
    void shiftCanvas(double dx, double dy);
    void snapXToSamples(OrmaPlot *plot);

    QPoint m_lastPos;
    int m_mode = 3;
    QRectF m_panLimits;
    bool m_dragging = false;
};

// Pixel shift of the content (positive: content moves towards larger pixels) that keeps the view
// [p(lower), p(upper)] inside the limit pixels [pLimLo, pLimHi]. A view as wide as the limits
// or wider does not move.
double clampedPixelShift(double pLower, double pUpper, double shift, double pLimLo, double pLimHi);
