#pragma once
// Rubber-band zoom in one or both directions. The x range ends on whole samples and the
// y tick step shrinks by an even factor; zooming back is the undo history's job.
#include <QColor>
#include <QPointer>
#include <QWidget>

#include <qwt_plot_zoomer.h>

class OrmaPlot;

// The band drawn while selecting: a one-pixel outline, see-through for the mouse.
class ZoomerRect : public QWidget
{
    Q_OBJECT

public:
    explicit ZoomerRect(QWidget *canvas);
    void setColor(const QColor &color);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::white;
};

class OrmaZoomer : public QwtPlotZoomer
{
    Q_OBJECT

public:
    explicit OrmaZoomer(QWidget *canvas);
    ~OrmaZoomer() override;

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }
    const ZoomerRect *band() const { return m_band; }

signals:
    void signalZoom();

protected:
    QPolygon adjustedPoints(const QPolygon &points) const override;
    void begin() override;
    bool end(bool ok = true) override;
    void rescale() override;
    void widgetMouseMoveEvent(QMouseEvent *event) override;
    void widgetMouseReleaseEvent(QMouseEvent *event) override;

private:
    OrmaPlot *ormaPlot() const;
    bool zoomsX() const { return m_mode & 1; }
    bool zoomsY() const { return m_mode & 2; }
    void snapXToSamples(OrmaPlot *plot);
    void scaleYStep(OrmaPlot *plot, double oldRange, double oldStep);

    int m_mode = 3;
    bool m_bandStarted = false;
    QPointer<ZoomerRect> m_band;
};

struct SampleWindow {
    double start;
    double end;
    double step;
};
// The x window after a zoom: ends rounded to whole samples and kept on the data, at least
// one sample wide, with about eight whole-sample divisions.
SampleWindow zoomedSampleWindow(double lower, double upper, double firstX, double lastX, int majorTicks);
// Integral zoom factor of a range ratio (fraction above 0.4 rounds up), made even.
int evenZoomFactor(double ratio);
