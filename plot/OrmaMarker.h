#pragma once
// A data marker (the plot has a red and a blue one). A left click puts it on the sample of
// the nearest trace, found by the trace's colour on the canvas; arrow keys step it along the
// samples; a right click hides it. In free mode it stays where it is put.
#include <QColor>
#include <QImage>
#include <QList>

#include <qwt_plot_picker.h>

#include "plot/OrmaTypes.h"

class QwtPlotMarker;
class QwtPlotCurveEx;
class OrmaPlot;

class OrmaMarker : public QwtPlotPicker
{
    Q_OBJECT

public:
    explicit OrmaMarker(QWidget *canvas);
    ~OrmaMarker() override;

    // Colours both the rubber band and the marker lines.
    void setRubberBandPen(const QPen &pen);
    void setSnapToData(bool on) { m_snapToData = on; }
    bool isShown() const { return m_shown; }
    // Position in data x and display y.
    QwtDoublePoint value() const;
    void setValue(const QwtDoublePoint &point);
    void hide();
    void setCurve(QwtPlotCurveEx *curve) { m_curve = curve; }
    QwtPlotCurveEx *curve() const { return m_curve; }
    int sampleIndex() const { return m_sampleIndex; }
    // Follows the sample after new data: its x and converted y.
    void reseat();

signals:
    void signalMoveMarker(QwtDoublePoint &point);
    void signalHideMarker();

protected:
    void widgetMousePressEvent(QMouseEvent *event) override;
    void widgetMouseReleaseEvent(QMouseEvent *event) override;
    void widgetKeyPressEvent(QKeyEvent *event) override;

private:
    OrmaPlot *ormaPlot() const;
    void snapTo(const QPoint &pos);
    bool isCurveColor(QRgb pixel) const;
    void considerPixel(int x, int y, const QPoint &pos);
    // Nearest pixel of any trace colour, searched in growing square rings around pos.
    bool findTracePixel(const QPoint &pos);
    int nearestSample(const QwtPlotCurveEx *curve, int column, const QPoint &pos) const;
    void moveToSample(int index);
    void place(const QwtDoublePoint &point);

    QwtPlotMarker *m_markerItem;
    QwtPlotCurveEx *m_curve = nullptr;
    int m_sampleIndex = 0;
    bool m_dragging = false;
    bool m_shown = false;
    QwtDoublePoint m_freePoint;
    bool m_snapToData = true;
    QImage m_canvasImage;
    QList<QColor> m_curveColors;
    double m_bestDistance = -1.0;
    QPoint m_bestPixel;
    QPoint m_pressPixel;
    QColor m_foundColor;
    bool m_found = false;
};
