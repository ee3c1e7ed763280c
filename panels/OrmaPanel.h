#pragma once
// The framed display panel: a plot with its axis title, a position slider, scale choosers
// for both axes, undo and show-all buttons, marker read-outs, measurement fields that the
// oscilloscope and the spectrum analyser show or hide, and a legend of channel items. It turns
// widget events into a few signals for the main window and keeps slider, choosers and
// read-outs in step with the plot. The subclasses supply the units of the axes.
#include <QMap>
#include <QWidget>

#include "dsp/Dynamics.h"
#include "panels/OrmaPanelForm.h"
#include "plot/OrmaTypes.h"

class LegendItemWidget;
class OrmaScaleDraw;
class Transforms;

class OrmaPanel : public QWidget, protected Ui::OrmaPanel
{
    Q_OBJECT

public:
    explicit OrmaPanel(QWidget *parent = nullptr);

    OrmaPlot *plot() const { return m_pPlot; }
    OrmaSlider *slider() const { return m_pSlider; }

    void setTitles(const QString &xTitle, const QString &xUnit);
    void setVerticalTitle(const QString &text);
    // The axis titles as shown: the horizontal one with its unit.
    QString horizontalAxisText() const;
    QString verticalAxisText() const;
    // The SFDR, THD+N, SNR, THD and ENOB fields.
    void setDynParamsShown(bool on);
    void setActive(bool on);
    bool isActive() const;

    // Each with two decimals.
    void setDynParams(double sfdr, double thdn, double snr, double thd, double enob);
    // The full-scale figures as tool tips of the SNR and THD+N fields, the worst non-harmonic
    // spur as that of SFDR.
    void setDatasheetFigures(const DatasheetFigures &d);
    // Three decimals; none once the whole part has more than five characters.
    void setPowerValue(double x);
    // Empties the figures of a block (frame count, extremes, measurements, level and
    // frequency), for a window that has no block of its record yet.
    void clearReadouts();

    // Switching a marker tool on makes that marker the one the read-outs follow.
    void enableRedMarkerTool(bool on);
    void enableBlueMarkerTool(bool on);
    bool isRedMarkerToolEnabled() const;
    bool isBlueMarkerToolEnabled() const;
    bool isBlueCurrent() const { return m_blueIsCurrent; }

    // Bounds of the visible x range, in stored units (samples or bins).
    double viewStart() const;
    double viewEnd() const;
    int windowWidth() const;

    // The item stays the caller's; its show and hide requests go to the plot.
    void addLegendItem(int channel, LegendItemWidget *item);
    void removeLegendItem(LegendItemWidget *item);
    const QMap<int, LegendItemWidget *> &legendItems() const { return m_legend; }
    int currentChannel() const { return m_currentChannel; }

    void setPanelFont(const QFont &font);
    // +1 zooms in around the centre of the view, -1 out.
    void zoomX(int direction);
    void showAll();
    // Back to where the zoom and pan history started (the window's "Отменить все изменения").
    void undoAll();

    void setMoveMode(bool on);
    void setHMoveMode(bool on);
    void setVMoveMode(bool on);
    void setZoomMode(bool on);
    void setHZoomMode(bool on);
    void setVZoomMode(bool on);

signals:
    void signalMoveCanvas();
    void signalCurrentChanChange(int idx);
    void signalMarkerPosChange(double pos);
    void signalDimChanged();
    void signalRightButton();
    // Ctrl + right click: the window's menu of what can be done with the panel.
    void signalContextMenu(const QPoint &globalPos);
    void signalAutoScale();
    void signalMousePress();
    void signalMouseRelease();
    void signalActive();
    void signalScaleXChanged();

public slots:
    virtual void setSliderRange(double min, double max) = 0;
    virtual void slotScaleX(QString sScale) = 0;
    virtual void slotScaleY(QString sScale) = 0;
    void slotSetCurrentChan(int nIdx);
    void slotReplot();
    // One step back in the zoom and pan history (also the window's "Отменить").
    void slotUndo();

protected slots:
    void slotUpdateSliderValue();
    void slotZoomCanvas();

private slots:
    void slotMoveMarker(QwtDoublePoint &point);
    void slotHideMarker();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A group of read-outs in the row above the plot that moves to a row of its own under it
    // while the row has no room for every field at its full width, rather than being cut.
    void setWrappingGroup(QWidget *group);
    // The plot shows samples or bins of a block (not just empty curves).
    bool plotHasData() const;
    // Refreshes the marker read-outs from the plot's markers.
    void updateMarkerReadouts();
    OrmaScaleDraw *xScaleDraw() const { return m_xScaleDraw; }
    OrmaScaleDraw *yScaleDraw() const { return m_yScaleDraw; }
    OrmaScaleDraw *sliderScaleDraw() const { return m_sliderScaleDraw; }
    // Converters of the x read-out and axis end, the y read-out and the slider; not owned.
    void setConverters(Transforms *x, Transforms *y, Transforms *slider);

private:
    // The slider and the read window follow a view the history brought back.
    void followUndo();
    bool labelEvent(QLabel *label, QEvent *event);
    bool plotEvent(QEvent *event);
    void placeWrappingGroup();
    QString readoutText(double value, Transforms *t) const;
    QwtDoublePoint markerPosition(bool blue) const;

    QMap<int, LegendItemWidget *> m_legend;
    int m_currentChannel = -1;
    bool m_blueIsCurrent = false;
    bool m_diffX = false;
    bool m_diffY = false;
    // Owned by the axes and the slider they are set on.
    OrmaScaleDraw *m_xScaleDraw = nullptr;
    OrmaScaleDraw *m_yScaleDraw = nullptr;
    OrmaScaleDraw *m_sliderScaleDraw = nullptr;
    Transforms *m_xTransforms = nullptr;
    Transforms *m_yTransforms = nullptr;
    Transforms *m_sliderTransforms = nullptr;
    QWidget *m_pWrapGroup = nullptr;
    int m_wrapIndex = 0;             // its place in the top row
    QHBoxLayout *m_pWrapRow = nullptr; // its own row, empty while it shares the top one
};
