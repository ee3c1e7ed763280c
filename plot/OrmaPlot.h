#pragma once
// The plot of every panel and plotting dialog: curves keyed by channel number, drawn from the
// caller's arrays, with full-scale lines, a block-boundary line, two data markers, a rubber-band
// zoomer, a drag panner and an undo history of the visible ranges.
#include <QList>
#include <QMultiMap>

#include <map>
#include <memory>

#include <qwt_plot.h>

#include "plot/OrmaTypes.h"

class QwtPlotCurve;
class QwtPlotMarker;
class QwtPlotCurveEx;
class OrmaZoomer;
class OrmaPanner;
class OrmaMarker;
class ChangesStack;
class Transforms;

class OrmaPlot : public QwtPlot
{
    Q_OBJECT

public:
    // Mode codes of the zoomer and the panner.
    enum ToolMode { ModeHorizontal = 1, ModeVertical = 2, ModeBoth = 3 };

    explicit OrmaPlot(QWidget *parent = nullptr);
    ~OrmaPlot() override;

    // --- curves -------------------------------------------------------------------------
    // A new curve for the channel; with keepOthers false the channel's earlier curves are
    // removed first. Returns true.
    bool addCurve(int channel, const QColor &color, bool keepOthers);
    // Hands the arrays to the channel's curve, creating the curve when needed; the curve keeps
    // `owner` (what holds the arrays) alive for as long as it draws them.
    void setCurveSamples(int channel, const QColor &color, const double *x, const double *y, int count,
                         std::shared_ptr<const void> owner = nullptr);
    // Recolours every curve of the channel (its pen and sample marks).
    void setChannelColor(int channel, const QColor &color);
    // The channel's curve (the first the map finds for it), or null.
    QwtPlotCurveEx *curve(int channel) const;
    QwtPlotCurveEx *curveByColor(const QColor &color) const;
    QList<QColor> curveColors() const;
    const QMultiMap<int, QwtPlotCurveEx *> &curves() const { return m_curves; }
    bool hasCurves() const { return !m_curves.isEmpty(); }
    // The first curve in map order, or null.
    QwtPlotCurveEx *firstCurve() const;
    // Smallest / largest stored y of the channel's curve; 0 without samples.
    double channelMin(int channel) const;
    double channelMax(int channel) const;
    double channelFactor(int channel) const;

    void setCurrentChannel(int channel);
    void raiseChannel(int channel, bool isReplot);
    int currentChannel() const { return m_currentChannel; }

    // all: delete every curve; otherwise keep the channel's curve of every channel.
    void removeCurves(bool all);
    void deleteAllCurves();

    void setChannelFactor(int channel, double factor);
    void setChannelReference(int channel, int index);
    void setApplyFactor(bool on);
    void setValueTransforms(Transforms *transforms);
    void setShowSampleMarks(bool on);
    void setAccumulate(bool on);
    bool accumulate() const { return m_accumulate; }
    void clearAccumulation();

    // --- scales -------------------------------------------------------------------------
    // An x axis already at exactly these values is left alone. A change of the x-bottom axis
    // reports the new width (max - min + 1) through signalChangeScaleX when curves hold data.
    void setAxisRange(int axis, double min, double max, double step);
    // y axes to the range of all channels, in display units.
    void autoScaleY();
    int xDivisions() const { return m_xDivisions; }
    int yDivisions() const { return m_yDivisions; }
    void setYDivisions(int divisions) { m_yDivisions = divisions; }

    // --- full-scale lines and block boundary ------------------------------------------
    void setLevelLines(double level);
    void showLevelLines();
    void setLevelLinesColor(const QColor &color);
    void setPositionOffset(double offset);
    // Samples from the analysed block's first to its last (N - 1); 0 hides the end line.
    void setSpectrumWindowLength(double length);
    void setPositionLineColor(const QColor &color);

    void setPlotFont(const QFont &font);

    // --- tools ----------------------------------------------------------------------------
    void setZoomMode(bool on);
    void setHZoomMode(bool on);
    void setVZoomMode(bool on);
    void setMoveMode(bool on);
    void setHMoveMode(bool on);
    void setVMoveMode(bool on);
    // The zoomer's mode while it is enabled, else -1.
    int zoomMode() const;
    void enableRedMarker(bool on);
    void enableBlueMarker(bool on);
    bool isRedMarkerEnabled() const;
    bool isBlueMarkerEnabled() const;
    bool isRedMarkerShown() const;
    bool isBlueMarkerShown() const;
    QwtDoublePoint markerValue(bool blue) const;
    void hideMarkers();
    // true: markers snap to samples and follow them; false: they stay where they were put.
    void setMarkersFollow(bool on);
    // -1 without curves, else one step back in the history and 0.
    int undoStep();
    // Back to the range of the last explicit scale setting.
    void undoAll();
    // Forgets the zoom and change history: the visible range becomes the base.
    void dropZoomHistory();

    OrmaZoomer *zoomer() const { return m_zoomer; }
    OrmaPanner *panner() const { return m_panner; }
    OrmaMarker *redMarker() const { return m_redMarker; }
    OrmaMarker *blueMarker() const { return m_blueMarker; }
    ChangesStack *changes() const { return m_changes; }
    QwtPlotCurve *upperLevelCurve() const { return m_upperLevelCurve; }
    QwtPlotCurve *lowerLevelCurve() const { return m_lowerLevelCurve; }
    QwtPlotMarker *positionLine() const { return m_positionLine; }
    QwtPlotMarker *windowEndLine() const { return m_windowEndLine; }

signals:
    // Emitted by owners that change the scales outside the tools, to record the change.
    void signalPlotChange();
    void signalMoveCanvas();
    void signalZoomCanvas();
    void signalMoveMarker(QwtDoublePoint &point);
    void signalHideMarker();
    void signalChangeScaleX(double dWidth);
    void signalMousePressPanner();
    void signalMouseReleasePanner();

public slots:
    void slotHideChannel(int nIdx, U08 isReplot = true);
    void slotShowChannel(int nIdx, U08 isReplot = true);
    void slotSetScaleX(REAL64 dMin, REAL64 dMax, REAL64 dStepSize = 0, U08 isReplot = true);
    void slotSetScaleY(REAL64 dScale, U08 isReplot = true);
    void slotSetScaleY(double dMin, double dMax, double dStep);
    void slotMoveScaleX(double dStart);
    // Re-seats both markers on their samples, then redraws.
    void replot() override;

private:
    QwtPlotCurveEx *createCurve(int channel, const QColor &color);
    void applySampleMarks(QwtPlotCurveEx *curve) const;
    void recolour(QwtPlotCurveEx *c, const QColor &color) const;
    // Detaches and deletes; markers sitting on it forget it.
    void discardCurve(QwtPlotCurveEx *curve);
    void setChannelVisible(int channel, bool visible, bool isReplot);
    bool axisMatches(int axis, double min, double max, double step) const;
    bool setAxisIfChanged(int axis, double min, double max, double step);
    void reportScaleX(double width);
    // The current scales become the start of the undo history.
    void resetHistory(bool isReplot);
    void setZoomerMode(int mode, bool on);
    void setPannerMode(int mode, bool on);
    OrmaMarker *marker(bool blue) const { return blue ? m_blueMarker : m_redMarker; }

    OrmaZoomer *m_zoomer = nullptr;
    OrmaPanner *m_panner = nullptr;
    OrmaMarker *m_redMarker = nullptr;
    OrmaMarker *m_blueMarker = nullptr;
    QwtPlotCurve *m_upperLevelCurve = nullptr;
    QwtPlotCurve *m_lowerLevelCurve = nullptr;
    QwtPlotMarker *m_positionLine = nullptr;
    double m_positionOffset = 0.0;
    QwtPlotMarker *m_windowEndLine = nullptr;
    double m_spectrumWindowLength = 0.0;
    ChangesStack *m_changes = nullptr;
    QMultiMap<int, QwtPlotCurveEx *> m_curves;
    // What keeps each curve's arrays alive (a delivered block), dropped with the curve.
    std::map<const QwtPlotCurveEx *, std::shared_ptr<const void>> m_curveOwners;
    int m_xDivisions = 8;
    int m_yDivisions = 4;
    int m_currentChannel = -1;
    Transforms *m_valueTransforms = nullptr;
    bool m_showSampleMarks = false;
    bool m_accumulate = false;
};
