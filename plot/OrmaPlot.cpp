#include "plot/OrmaPlot.h"

#include <algorithm>
#include <cmath>

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
// The layout header trips a Qt 5.15 deprecation inside Qwt itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <qwt_plot_layout.h>
#pragma GCC diagnostic pop
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_symbol.h>

#include "plot/ChangesStack.h"
#include "plot/OrmaMarker.h"
#include "plot/OrmaPanner.h"
#include "plot/OrmaZoomer.h"
#include "plot/QwtPlotCurveEx.h"
#include "plot/Transforms.h"

namespace {

const int kAxes[] = {QwtPlot::yLeft, QwtPlot::yRight, QwtPlot::xBottom, QwtPlot::xTop};

QwtPlotCurve *createLevelCurve(QwtPlot *plot)
{
    auto *curve = new QwtPlotCurve(QString());
    curve->setPen(QPen(Qt::white, 0, Qt::DashLine));
    curve->attach(plot);
    curve->hide();
    return curve;
}

QFont axisFontOf(QFont font)
{
    if (font.pointSize() > 2)
        font.setPointSize(font.pointSize() - 2);
    return font;
}

} // namespace

OrmaPlot::OrmaPlot(QWidget *parent)
    : QwtPlot(parent)
{
    setAutoReplot(false);
    if (auto *plotCanvas = qobject_cast<QwtPlotCanvas *>(canvas()))
        plotCanvas->setPaintAttribute(QwtPlotCanvas::BackingStore, true);
    const QFont axisFont = axisFontOf(parent ? parent->font() : font());
    for (int axis : kAxes)
        setAxisFont(axis, axisFont);
    axisScaleEngine(xBottom)->setAttribute(QwtScaleEngine::Floating, true);
    axisScaleEngine(xTop)->setAttribute(QwtScaleEngine::Floating, true);
    setCanvasBackground(QColor(0, 0, 20));
    plotLayout()->setAlignCanvasToScales(true);
    for (int axis : kAxes) {
        setAxisMaxMinor(axis, 0);
        setAxisMaxMajor(axis, 9);
    }

    m_zoomer = new OrmaZoomer(canvas());
    m_panner = new OrmaPanner(canvas());
    m_redMarker = new OrmaMarker(canvas());
    m_redMarker->setRubberBandPen(QPen(QColor(255, 0, 0, 254)));
    m_blueMarker = new OrmaMarker(canvas());
    m_blueMarker->setRubberBandPen(QPen(QColor(0, 0, 255, 254)));
    m_upperLevelCurve = createLevelCurve(this);
    m_lowerLevelCurve = createLevelCurve(this);
    m_positionLine = new QwtPlotMarker();
    m_positionLine->setLineStyle(QwtPlotMarker::VLine);
    m_positionLine->setLinePen(QPen(Qt::green, 0, Qt::SolidLine));
    m_positionLine->attach(this);
    // The analysed block's last sample: drawn like the first, dashed, while a length is given.
    m_windowEndLine = new QwtPlotMarker();
    m_windowEndLine->setLineStyle(QwtPlotMarker::VLine);
    m_windowEndLine->setLinePen(QPen(Qt::green, 0, Qt::DashLine));
    m_windowEndLine->setVisible(false);
    m_windowEndLine->attach(this);
    m_changes = new ChangesStack(canvas());
    setMinimumHeight(120);

    connect(this, &OrmaPlot::signalPlotChange, m_changes, &ChangesStack::slotAddChange);
    connect(m_panner, &OrmaPanner::signalMove, m_changes, &ChangesStack::slotAddChange);
    connect(m_zoomer, &OrmaZoomer::signalZoom, m_changes, &ChangesStack::slotAddChange);
    connect(m_panner, &OrmaPanner::move, this, &OrmaPlot::signalMoveCanvas, Qt::QueuedConnection);
    connect(m_zoomer, &OrmaZoomer::signalZoom, this, &OrmaPlot::signalZoomCanvas);
    for (OrmaMarker *m : {m_redMarker, m_blueMarker}) {
        connect(m, &OrmaMarker::signalMoveMarker, this, &OrmaPlot::signalMoveMarker);
        connect(m, &OrmaMarker::signalHideMarker, this, &OrmaPlot::signalHideMarker);
    }
    connect(m_panner, &OrmaPanner::signalMousePress, this, &OrmaPlot::signalMousePressPanner);
    connect(m_panner, &OrmaPanner::signalMouseRelease, this, &OrmaPlot::signalMouseReleasePanner);
}

OrmaPlot::~OrmaPlot()
{
    // The tools go first: the markers own plot items that the plot would otherwise delete
    // as attached items, and nothing may re-seat onto curves being deleted.
    delete m_redMarker;
    delete m_blueMarker;
    m_redMarker = m_blueMarker = nullptr;
    delete m_zoomer;
    delete m_panner;
    delete m_changes;
    deleteAllCurves();
}

// --- curves -------------------------------------------------------------------------------

QwtPlotCurveEx *OrmaPlot::createCurve(int channel, const QColor &color)
{
    auto *c = new QwtPlotCurveEx();
    c->setAccumulate(m_accumulate);
    c->setTransforms(m_valueTransforms);
    c->setPen(QPen(color, 0));
    c->setRenderHint(QwtPlotItem::RenderAntialiased, false);
    c->attach(this);
    m_curves.insert(channel, c);
    return c;
}

bool OrmaPlot::addCurve(int channel, const QColor &color, bool keepOthers)
{
    // Curves that left the map would still draw arrays their owner may free, so they go.
    if (!keepOthers) {
        for (QwtPlotCurveEx *old : m_curves.values(channel))
            discardCurve(old);
        m_curves.remove(channel);
    }
    applySampleMarks(createCurve(channel, color));
    return true;
}

void OrmaPlot::setCurveSamples(int channel, const QColor &color, const double *x, const double *y, int count,
                               std::shared_ptr<const void> owner)
{
    QwtPlotCurveEx *c = curve(channel);
    if (!c)
        c = createCurve(channel, color);
    else if (c->pen().color() != color)
        recolour(c, color);
    c->setCurveSamples(x, y, count);
    // The new arrays are in place before the old owner may free its own.
    std::swap(m_curveOwners[c], owner);
}

void OrmaPlot::recolour(QwtPlotCurveEx *c, const QColor &color) const
{
    QPen pen = c->pen();
    pen.setColor(color);
    c->setPen(pen);
    applySampleMarks(c);
}

void OrmaPlot::setChannelColor(int channel, const QColor &color)
{
    for (QwtPlotCurveEx *c : m_curves.values(channel))
        recolour(c, color);
}

QwtPlotCurveEx *OrmaPlot::curve(int channel) const
{
    const auto it = m_curves.constFind(channel);
    return it == m_curves.constEnd() ? nullptr : it.value();
}

QwtPlotCurveEx *OrmaPlot::firstCurve() const
{
    return m_curves.isEmpty() ? nullptr : m_curves.constBegin().value();
}

QwtPlotCurveEx *OrmaPlot::curveByColor(const QColor &color) const
{
    for (QwtPlotCurveEx *c : m_curves)
        if (c->pen().color() == color)
            return c;
    return nullptr;
}

QList<QColor> OrmaPlot::curveColors() const
{
    QList<QColor> colors;
    for (const QwtPlotCurveEx *c : m_curves)
        colors << c->pen().color();
    return colors;
}

double OrmaPlot::channelMin(int channel) const
{
    double lo = 0.0, hi = 0.0;
    if (const QwtPlotCurveEx *c = curve(channel))
        minMaxScan(c->yData(), c->sampleCount(), lo, hi);
    return lo;
}

double OrmaPlot::channelMax(int channel) const
{
    double lo = 0.0, hi = 0.0;
    if (const QwtPlotCurveEx *c = curve(channel))
        minMaxScan(c->yData(), c->sampleCount(), lo, hi);
    return hi;
}

double OrmaPlot::channelFactor(int channel) const
{
    const QwtPlotCurveEx *c = curve(channel);
    return c ? c->factor() : 1.0;
}

void OrmaPlot::raiseChannel(int channel, bool isReplot)
{
    for (QwtPlotCurveEx *c : m_curves.values(channel)) {
        c->detach();
        c->attach(this);
    }
    if (isReplot)
        replot();
}

void OrmaPlot::setCurrentChannel(int channel)
{
    m_currentChannel = channel;
    raiseChannel(channel, true);
}

void OrmaPlot::discardCurve(QwtPlotCurveEx *c)
{
    for (OrmaMarker *m : {m_redMarker, m_blueMarker})
        if (m && m->curve() == c)
            m->setCurve(nullptr);
    c->detach();
    m_curveOwners.erase(c);
    delete c;
}

void OrmaPlot::removeCurves(bool all)
{
    if (all) {
        deleteAllCurves();
        return;
    }
    QMultiMap<int, QwtPlotCurveEx *> kept;
    for (int channel : m_curves.uniqueKeys()) {
        const QList<QwtPlotCurveEx *> list = m_curves.values(channel);
        kept.insert(channel, list.first());
        for (int i = 1; i < list.size(); ++i)
            discardCurve(list[i]);
    }
    m_curves = kept;
    m_redMarker->setCurve(nullptr);
    m_blueMarker->setCurve(nullptr);
}

void OrmaPlot::deleteAllCurves()
{
    for (QwtPlotCurveEx *c : m_curves)
        discardCurve(c);
    m_curves.clear();
}

void OrmaPlot::setChannelFactor(int channel, double factor)
{
    for (QwtPlotCurveEx *c : m_curves.values(channel))
        c->setFactor(factor);
}

void OrmaPlot::setChannelReference(int channel, int index)
{
    for (QwtPlotCurveEx *c : m_curves.values(channel))
        c->setReferenceIndex(index);
}

void OrmaPlot::setApplyFactor(bool on)
{
    for (QwtPlotCurveEx *c : m_curves)
        c->setApplyFactor(on);
}

void OrmaPlot::setValueTransforms(Transforms *transforms)
{
    m_valueTransforms = transforms;
    for (QwtPlotCurveEx *c : m_curves)
        c->setTransforms(transforms);
}

void OrmaPlot::applySampleMarks(QwtPlotCurveEx *c) const
{
    if (!m_showSampleMarks) {
        c->setSymbol(nullptr);
        return;
    }
    const QPen pen = c->pen();
    c->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(pen.color()), pen, QSize(5, 5)));
}

void OrmaPlot::setShowSampleMarks(bool on)
{
    m_showSampleMarks = on;
    for (QwtPlotCurveEx *c : m_curves)
        applySampleMarks(c);
}

void OrmaPlot::setAccumulate(bool on)
{
    for (QwtPlotCurveEx *c : m_curves)
        c->setAccumulate(on);
    m_accumulate = on;
}

void OrmaPlot::clearAccumulation()
{
    for (QwtPlotCurveEx *c : m_curves)
        c->clearAccumulation();
}

void OrmaPlot::setChannelVisible(int channel, bool visible, bool isReplot)
{
    for (QwtPlotCurveEx *c : m_curves.values(channel))
        c->setVisible(visible);
    if (isReplot)
        replot();
}

void OrmaPlot::slotHideChannel(int nIdx, U08 isReplot)
{
    setChannelVisible(nIdx, false, isReplot);
}

void OrmaPlot::slotShowChannel(int nIdx, U08 isReplot)
{
    setChannelVisible(nIdx, true, isReplot);
}

// --- scales -------------------------------------------------------------------------------

bool OrmaPlot::axisMatches(int axis, double min, double max, double step) const
{
    const QwtScaleDiv &div = axisScaleDiv(axis);
    return div.lowerBound() == min && div.upperBound() == max && axisStepSize(axis) == step;
}

bool OrmaPlot::setAxisIfChanged(int axis, double min, double max, double step)
{
    if (axisMatches(axis, min, max, step))
        return false;
    setAxisScale(axis, min, max, step);
    return true;
}

void OrmaPlot::reportScaleX(double width)
{
    const QwtPlotCurveEx *c = firstCurve();
    if (c && c->dataSize() > 0)
        emit signalChangeScaleX(width);
}

void OrmaPlot::setAxisRange(int axis, double min, double max, double step)
{
    if ((axis == xBottom || axis == xTop) && axisMatches(axis, min, max, step))
        return;
    setAxisScale(axis, min, max, step);
    if (axis == xBottom)
        reportScaleX(max - min + 1);
}

void OrmaPlot::resetHistory(bool isReplot)
{
    m_zoomer->setZoomBase(false);
    m_changes->setZoomBase(isReplot);
}

void OrmaPlot::slotSetScaleX(REAL64 dMin, REAL64 dMax, REAL64 dStepSize, U08 isReplot)
{
    if (setAxisIfChanged(xBottom, dMin, dMax, dStepSize))
        reportScaleX(dMax - dMin + 1);
    setAxisIfChanged(xTop, dMin, dMax, dStepSize);
    updateAxes();

    // The right end of the window always gets a label. A regular tick within half a step of
    // it would print over that label, so it gives way.
    QList<double> ticks = axisScaleDiv(xBottom).ticks(QwtScaleDiv::MajorTick);
    const double step = dStepSize > 0 ? dStepSize : (ticks.size() >= 2 ? ticks[1] - ticks[0] : 0.0);
    if (!ticks.isEmpty() && ticks.last() != dMax && std::fabs(dMax - ticks.last()) <= step / 2)
        ticks.removeLast();
    if (ticks.isEmpty() || ticks.last() != dMax)
        ticks << dMax;
    const QwtScaleDiv div(dMin, dMax, QList<double>(), QList<double>(), ticks);
    setAxisScaleDiv(xBottom, div);
    setAxisScaleDiv(xTop, div);
    updateAxes();

    resetHistory(isReplot);
}

void OrmaPlot::slotSetScaleY(REAL64 dScale, U08 isReplot)
{
    for (int axis : {yLeft, yRight})
        setAxisScale(axis, -dScale, dScale, dScale * 2 * 0.25);
    updateAxes();
    resetHistory(isReplot);
}

void OrmaPlot::slotSetScaleY(double dMin, double dMax, double dStep)
{
    for (int axis : {yLeft, yRight})
        setAxisScale(axis, dMin, dMax, dStep);
    updateAxes();
    resetHistory(false);
    replot();
}

void OrmaPlot::slotMoveScaleX(double dStart)
{
    const QwtScaleDiv &div = axisScaleDiv(xBottom);
    if (div.lowerBound() == dStart)
        return;
    const double newEnd = dStart + (div.upperBound() - div.lowerBound());
    if (setAxisIfChanged(xBottom, dStart, newEnd, axisStepSize(xBottom)))
        reportScaleX(newEnd - dStart + 1);
    setAxisIfChanged(xTop, dStart, newEnd, axisStepSize(xTop));
    replot();
    emit signalMoveCanvas();
}

void OrmaPlot::autoScaleY()
{
    double lo = 0.0, hi = 0.0;
    int highestChannel = 0;
    bool any = false;
    for (int channel : m_curves.uniqueKeys()) {
        if (curve(channel)->sampleCount() == 0)
            continue;
        const double cMin = channelMin(channel);
        const double cMax = channelMax(channel);
        if (!any || cMin < lo)
            lo = cMin;
        if (!any || cMax > hi) {
            hi = cMax;
            highestChannel = channel;
        }
        any = true;
    }
    if (!any)
        return;
    if (m_valueTransforms) {
        const double reference = curve(highestChannel)->referenceValue();
        lo = m_valueTransforms->toUnits(lo, reference);
        hi = m_valueTransforms->toUnits(hi, reference);
    }
    // A constant signal would give an empty range, and no line at all.
    if (hi <= lo) {
        lo -= 1.0;
        hi += 1.0;
    }
    // The step is taken from the displayed range: a step in stored units means nothing on
    // an axis in decibels or volts.
    const unsigned range = unsigned(hi - lo);
    const double step = double(range / unsigned(std::max(m_yDivisions, 1)));
    for (int axis : {yLeft, yRight})
        setAxisScale(axis, lo, hi, step);
    replot();
}

// --- level lines and block boundary -------------------------------------------------------

void OrmaPlot::setLevelLines(double level)
{
    const QwtPlotCurveEx *c = firstCurve();
    if (!c || c->sampleCount() == 0)
        return;
    const double x0 = c->xData()[0];
    const double x1 = c->xData()[c->sampleCount() - 1];
    m_upperLevelCurve->setSamples(QVector<QPointF>{{x0, level}, {x1, level}});
    m_lowerLevelCurve->setSamples(QVector<QPointF>{{x0, -level}, {x1, -level}});
}

void OrmaPlot::showLevelLines()
{
    for (QwtPlotCurve *c : {m_upperLevelCurve, m_lowerLevelCurve}) {
        c->detach();
        c->attach(this);
        c->show();
    }
}

void OrmaPlot::setLevelLinesColor(const QColor &color)
{
    for (QwtPlotCurve *c : {m_upperLevelCurve, m_lowerLevelCurve}) {
        QPen pen = c->pen();
        pen.setColor(color);
        c->setPen(pen);
    }
}

void OrmaPlot::setPositionOffset(double offset)
{
    m_positionOffset = offset;
    const double start = axisScaleDiv(xBottom).lowerBound() + offset;
    for (QwtPlotMarker *line : {m_positionLine, m_windowEndLine}) {
        line->detach();
        line->setXValue(line == m_positionLine ? start : start + m_spectrumWindowLength);
        line->attach(this);
    }
}

void OrmaPlot::setSpectrumWindowLength(double length)
{
    m_spectrumWindowLength = length;
    m_windowEndLine->setVisible(length > 0);
    setPositionOffset(m_positionOffset);
}

void OrmaPlot::setPositionLineColor(const QColor &color)
{
    for (QwtPlotMarker *line : {m_positionLine, m_windowEndLine}) {
        QPen pen = line->linePen();
        pen.setColor(color);
        line->setLinePen(pen);
    }
}

void OrmaPlot::setPlotFont(const QFont &font)
{
    setFont(font);
    QFont axisFont = font;
    if (axisFont.pointSize() > 0 && axisFont.pointSize() < 10)
        axisFont.setPointSize(10);
    axisFont = axisFontOf(axisFont);
    for (int axis : kAxes)
        setAxisFont(axis, axisFont);
}

// --- tools --------------------------------------------------------------------------------

void OrmaPlot::setZoomerMode(int mode, bool on)
{
    if (on)
        m_panner->setEnabled(false);
    m_zoomer->setMode(mode);
    m_zoomer->setEnabled(on);
}

void OrmaPlot::setPannerMode(int mode, bool on)
{
    if (on)
        m_zoomer->setEnabled(false);
    m_panner->setMode(mode);
    m_panner->setEnabled(on);
}

void OrmaPlot::setZoomMode(bool on) { setZoomerMode(ModeBoth, on); }
void OrmaPlot::setHZoomMode(bool on) { setZoomerMode(ModeHorizontal, on); }
void OrmaPlot::setVZoomMode(bool on) { setZoomerMode(ModeVertical, on); }
void OrmaPlot::setMoveMode(bool on) { setPannerMode(ModeBoth, on); }
void OrmaPlot::setHMoveMode(bool on) { setPannerMode(ModeHorizontal, on); }
void OrmaPlot::setVMoveMode(bool on) { setPannerMode(ModeVertical, on); }

int OrmaPlot::zoomMode() const
{
    return m_zoomer->isEnabled() ? m_zoomer->mode() : -1;
}

void OrmaPlot::enableRedMarker(bool on) { m_redMarker->setEnabled(on); }
void OrmaPlot::enableBlueMarker(bool on) { m_blueMarker->setEnabled(on); }
bool OrmaPlot::isRedMarkerEnabled() const { return m_redMarker->isEnabled(); }
bool OrmaPlot::isBlueMarkerEnabled() const { return m_blueMarker->isEnabled(); }
bool OrmaPlot::isRedMarkerShown() const { return m_redMarker->isShown(); }
bool OrmaPlot::isBlueMarkerShown() const { return m_blueMarker->isShown(); }

QwtDoublePoint OrmaPlot::markerValue(bool blue) const
{
    return marker(blue)->value();
}

void OrmaPlot::hideMarkers()
{
    m_redMarker->hide();
    m_blueMarker->hide();
}

void OrmaPlot::setMarkersFollow(bool on)
{
    m_redMarker->setSnapToData(on);
    m_blueMarker->setSnapToData(on);
}

int OrmaPlot::undoStep()
{
    if (m_curves.isEmpty())
        return -1;
    m_changes->undoStep();
    return 0;
}

void OrmaPlot::undoAll()
{
    m_zoomer->zoom(0);
    m_changes->zoom(0);
}

void OrmaPlot::dropZoomHistory()
{
    m_zoomer->setZoomBase(false);
    m_changes->setZoomBase(false);
}

void OrmaPlot::replot()
{
    // The zoomer replots while this plot is still being built.
    for (OrmaMarker *m : {m_blueMarker, m_redMarker})
        if (m)
            m->reseat();
    QwtPlot::replot();
}
