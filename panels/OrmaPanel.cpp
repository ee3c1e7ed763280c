#include "panels/OrmaPanel.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QToolButton>

#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>

#include "panels/ComboBoxInc.h"
#include "panels/LegendItemWidget.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaTitle.h"
#include "panels/PanelNumbers.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaScaleDraw.h"
#include "plot/QwtPlotCurveEx.h"
#include "plot/Transforms.h"

namespace {

const int kActiveLine = 2;
const int kInactiveLine = 1;

QFont reducedFont(QFont font, int minimumPoints)
{
    if (font.pointSize() > 0) {
        font.setPointSize(std::max(font.pointSize(), minimumPoints));
        if (font.pointSize() > 2)
            font.setPointSize(font.pointSize() - 2);
    }
    return font;
}

} // namespace

OrmaPanel::OrmaPanel(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);
    m_pSlider->setFont(reducedFont(font(), 0));

    for (QWidget *w : {static_cast<QWidget *>(m_pCyclesFrame), m_pMinMaxWidget, static_cast<QWidget *>(m_pDynParamFrame),
                       static_cast<QWidget *>(m_pValueEdit), static_cast<QWidget *>(m_pPowerFrame), m_pSampleFreqWidget})
        w->hide();
    m_pPowerSpacer->changeSize(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_pMarkerXLabel->installEventFilter(this);
    m_pMarkerYLabel->installEventFilter(this);
    m_pPlot->installEventFilter(this);
    m_pVerticalTitle->setAlignment(2);

    m_pPlot->slotSetScaleX(0, 500, 10, true);
    m_pPlot->slotSetScaleY(50, true);
    m_pSlider->setRange(0, 500, 100);

    m_xScaleDraw = new OrmaScaleDraw();
    m_yScaleDraw = new OrmaScaleDraw();
    m_sliderScaleDraw = new OrmaScaleDraw();
    m_pPlot->setAxisScaleDraw(QwtPlot::xBottom, m_xScaleDraw);
    m_pPlot->setAxisScaleDraw(QwtPlot::yLeft, m_yScaleDraw);
    m_pSlider->setScaleDraw(m_sliderScaleDraw);

    connect(m_pSlider, &OrmaSlider::signalValueChanged, m_pPlot, &OrmaPlot::slotMoveScaleX, Qt::QueuedConnection);
    connect(m_pPlot, &OrmaPlot::signalMoveCanvas, this, &OrmaPanel::slotUpdateSliderValue);
    connect(m_pPlot, &OrmaPlot::signalMoveCanvas, this, &OrmaPanel::signalMoveCanvas);
    connect(m_pPlot, &OrmaPlot::signalZoomCanvas, this, &OrmaPanel::slotUpdateSliderValue);
    connect(m_pPlot, &OrmaPlot::signalZoomCanvas, this, &OrmaPanel::slotZoomCanvas);
    connect(m_pPlot, &OrmaPlot::signalZoomCanvas, this, &OrmaPanel::signalMoveCanvas);
    connect(m_pScaleXCmbBox, &ComboBoxInc::currentIndexChanged, this, &OrmaPanel::slotScaleX);
    connect(m_pScaleXCmbBox, &ComboBoxInc::currentIndexChanged, this, &OrmaPanel::signalMoveCanvas);
    connect(m_pScaleYCmbBox, &ComboBoxInc::currentIndexChanged, this, &OrmaPanel::slotScaleY);
    connect(m_pPlot, &OrmaPlot::signalMoveMarker, this, &OrmaPanel::slotMoveMarker);
    connect(m_pPlot, &OrmaPlot::signalHideMarker, this, &OrmaPanel::slotHideMarker);
    connect(m_pPlot, &OrmaPlot::signalChangeScaleX, m_pSlider, &OrmaSlider::slotSetStep);
    connect(m_pDimCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &OrmaPanel::signalDimChanged);
    connect(m_pHarmCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &OrmaPanel::signalDimChanged);
    connect(m_pAutoScaleButton, &QToolButton::clicked, this, &OrmaPanel::signalAutoScale);
    connect(m_pUndoButton, &QToolButton::clicked, this, &OrmaPanel::slotUndo);
    connect(m_pSlider, &OrmaSlider::signalMousePress, this, &OrmaPanel::signalMousePress);
    connect(m_pSlider, &OrmaSlider::signalMouseRelease, this, &OrmaPanel::signalMouseRelease);
    connect(m_pPlot, &OrmaPlot::signalMousePressPanner, this, &OrmaPanel::signalMousePress);
    connect(m_pPlot, &OrmaPlot::signalMouseReleasePanner, this, &OrmaPanel::signalMouseRelease);
}

void OrmaPanel::setConverters(Transforms *x, Transforms *y, Transforms *slider)
{
    m_xTransforms = x;
    m_yTransforms = y;
    m_sliderTransforms = slider;
    m_sliderScaleDraw->setTransforms(slider);
    m_pSlider->setTransforms(slider);
}

// --- titles, frame, measurement fields ---------------------------------------------------

void OrmaPanel::setTitles(const QString &xTitle, const QString &xUnit)
{
    m_pHorizontalTitle->setText(xTitle);
    m_pHorizontalDimension->setText(xUnit);
}

QString OrmaPanel::horizontalAxisText() const
{
    return (m_pHorizontalTitle->text() + ' ' + m_pHorizontalDimension->text()).trimmed();
}

QString OrmaPanel::verticalAxisText() const { return m_pVerticalTitle->title().text(); }

void OrmaPanel::setDynParamsShown(bool on) { m_pDynParamFrame->setVisible(on); }

void OrmaPanel::setVerticalTitle(const QString &text)
{
    m_pVerticalTitle->setTitle(text);
    m_pVerticalTitle->updateGeometry();
    m_pVerticalTitle->update();
}

void OrmaPanel::setActive(bool on)
{
    m_pFrame->setLineWidth(on ? kActiveLine : kInactiveLine);
}

bool OrmaPanel::isActive() const
{
    return m_pFrame->lineWidth() == kActiveLine;
}

void OrmaPanel::setDynParams(double sfdr, double thdn, double snr, double thd, double enob)
{
    const std::pair<QLineEdit *, double> fields[] = {
        {m_pSfdrEdit, sfdr}, {m_pThdnEdit, thdn}, {m_pSnrEdit, snr}, {m_pThdEdit, thd}, {m_pEnbEdit, enob}};
    for (const auto &f : fields)
        showReadout(f.first, QString::number(f.second, 'f', 2));
}

void OrmaPanel::setDatasheetFigures(const DatasheetFigures &d)
{
    // NaN: the record gives no range, so there is no full scale to refer to.
    const auto dB = [](double v, int decimals = 2) {
        return std::isfinite(v) ? QString::number(v, 'f', decimals) : QStringLiteral("—");
    };
    m_pSnrEdit->setToolTip(QStringLiteral("SNR от полной шкалы: %1 дБFS\nСпектральная плотность "
                                          "шума: %2 дБFS/Гц")
                               .arg(dB(d.snr), dB(d.noiseDensity)));
    m_pThdnEdit->setToolTip(QStringLiteral("SINAD от полной шкалы: %1 дБFS").arg(dB(d.sinad)));
    m_pSfdrEdit->setToolTip(QStringLiteral("Худшая негармоническая помеха: %1 дБc (%2 дБFS) на %3 Гц")
                                .arg(dB(d.spurLevel), dB(d.spurLevelFs), dB(d.spurFrequency, 1)));
}

void OrmaPanel::clearReadouts()
{
    for (QLineEdit *edit : {m_pCyclesEdit, m_pMinEdit, m_pMaxEdit, m_pSfdrEdit, m_pThdnEdit, m_pSnrEdit,
                            m_pThdEdit, m_pEnbEdit, m_pPowerEdit, m_pValueEdit})
        edit->clear();
    for (QLineEdit *edit : {m_pSfdrEdit, m_pThdnEdit, m_pSnrEdit})
        edit->setToolTip(QString());
}

void OrmaPanel::setPowerValue(double x)
{
    const int wholeDigits = QString::number(std::trunc(x), 'f', 0).size();
    showReadout(m_pPowerEdit, fittedNumber(x, wholeDigits > 5 ? 0 : 3, m_pPowerEdit->maxLength(), false));
}

// --- markers -------------------------------------------------------------------------------

void OrmaPanel::enableRedMarkerTool(bool on)
{
    m_pPlot->enableRedMarker(on);
    if (on) {
        m_blueIsCurrent = false;
        updateMarkerReadouts();
    }
}

void OrmaPanel::enableBlueMarkerTool(bool on)
{
    m_pPlot->enableBlueMarker(on);
    if (on) {
        m_blueIsCurrent = true;
        updateMarkerReadouts();
    }
}

bool OrmaPanel::isRedMarkerToolEnabled() const { return m_pPlot->isRedMarkerEnabled(); }
bool OrmaPanel::isBlueMarkerToolEnabled() const { return m_pPlot->isBlueMarkerEnabled(); }

QwtDoublePoint OrmaPanel::markerPosition(bool blue) const
{
    const bool shown = blue ? m_pPlot->isBlueMarkerShown() : m_pPlot->isRedMarkerShown();
    return shown ? m_pPlot->markerValue(blue) : QwtDoublePoint();
}

QString OrmaPanel::readoutText(double value, Transforms *t) const
{
    return trimmedNumber(t ? t->toUnits(value, 0.0) : value, 3);
}

void OrmaPanel::updateMarkerReadouts()
{
    const QwtDoublePoint red = markerPosition(false);
    const QwtDoublePoint blue = markerPosition(true);
    const auto x = [this](double v) { return m_xTransforms ? m_xTransforms->toUnits(v, 0.0) : v; };
    const auto y = [this](double v) { return m_yTransforms ? m_yTransforms->toUnits(v, 0.0) : v; };
    const QwtDoublePoint current = m_blueIsCurrent ? blue : red;
    const double xValue = m_diffX ? std::fabs(x(blue.x()) - x(red.x())) : x(current.x());
    const double yValue = m_diffY ? std::fabs(y(blue.y()) - y(red.y())) : y(current.y());
    showReadout(m_pMarkerXEdit, trimmedNumber(xValue, 3));
    showReadout(m_pMarkerYEdit, trimmedNumber(yValue, 3));
}

void OrmaPanel::slotMoveMarker(QwtDoublePoint &point)
{
    updateMarkerReadouts();
    emit signalMarkerPosChange(point.x());
}

void OrmaPanel::slotHideMarker()
{
    updateMarkerReadouts();
}

// --- events --------------------------------------------------------------------------------

void OrmaPanel::setWrappingGroup(QWidget *group)
{
    m_pWrapGroup = group;
    m_wrapIndex = m_pTopLayout->indexOf(group);
    m_pWrapRow = new QHBoxLayout();
    m_pWrapRow->addStretch();
    m_pFrameLayout->insertLayout(m_pFrameLayout->indexOf(m_pTopLayout) + 1, m_pWrapRow);
    m_pFrame->installEventFilter(this);
    group->installEventFilter(this);
}

void OrmaPanel::placeWrappingGroup()
{
    const QMargins margins = m_pFrameLayout->contentsMargins();
    const int available = m_pFrame->contentsRect().width() - margins.left() - margins.right();
    const bool shared = m_pTopLayout->indexOf(m_pWrapGroup) >= 0;
    const int group = m_pWrapGroup->sizeHint().width() + m_pTopLayout->spacing();
    const int others = m_pTopLayout->sizeHint().width() - (shared ? group : 0);
    const bool fits = others + group <= available;
    if (fits == shared)
        return;
    if (fits) {
        m_pWrapRow->removeWidget(m_pWrapGroup);
        m_pTopLayout->insertWidget(m_wrapIndex, m_pWrapGroup);
    } else {
        m_pTopLayout->removeWidget(m_pWrapGroup);
        m_pWrapRow->insertWidget(0, m_pWrapGroup);
    }
}

bool OrmaPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (m_pWrapGroup && ((watched == m_pFrame && event->type() == QEvent::Resize) ||
                         (watched == m_pWrapGroup && event->type() == QEvent::Show)))
        placeWrappingGroup();
    if (watched == m_pMarkerXLabel || watched == m_pMarkerYLabel)
        return labelEvent(static_cast<QLabel *>(watched), event);
    if (watched == m_pPlot)
        return plotEvent(event);
    return QWidget::eventFilter(watched, event);
}

bool OrmaPanel::labelEvent(QLabel *label, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        const bool isX = label == m_pMarkerXLabel;
        bool &diff = isX ? m_diffX : m_diffY;
        diff = !diff;
        label->setText(isX ? (diff ? QStringLiteral("dx=") : QStringLiteral("x="))
                           : (diff ? QStringLiteral("dy=") : QStringLiteral("y=")));
        updateMarkerReadouts();
    }
    return true;
}

bool OrmaPanel::plotEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton)
            return true;
        // A plain right click keeps opening the settings, as it always has.
        if (mouse->modifiers() & Qt::ControlModifier)
            emit signalContextMenu(mouse->globalPos());
        else
            emit signalRightButton();
        return true;
    }
    case QEvent::MouseButtonPress:
        emit signalActive();
        setActive(true);
        return true;
    default:
        return false;
    }
}

// --- legend and current channel ----------------------------------------------------------

void OrmaPanel::addLegendItem(int channel, LegendItemWidget *item)
{
    m_legend.insert(channel, item);
    OrmaPlot *plot = m_pPlot;
    connect(item, &LegendItemWidget::signalShow, plot, [plot](int n) { plot->slotShowChannel(n); });
    connect(item, &LegendItemWidget::signalHide, plot, [plot](int n) { plot->slotHideChannel(n); });
}

void OrmaPanel::removeLegendItem(LegendItemWidget *item)
{
    for (auto it = m_legend.begin(); it != m_legend.end();) {
        if (it.value() == item)
            it = m_legend.erase(it);
        else
            ++it;
    }
    disconnect(item, nullptr, m_pPlot, nullptr);
}

void OrmaPanel::slotSetCurrentChan(int nIdx)
{
    if (nIdx == m_currentChannel)
        return;
    if (LegendItemWidget *old = m_legend.value(m_currentChannel))
        old->setCurrent(false);
    if (nIdx == -1) {
        m_currentChannel = -1;
        return;
    }
    if (LegendItemWidget *item = m_legend.value(nIdx))
        item->setCurrent(true);
    m_currentChannel = nIdx;
    showReadout(m_pChanEdit, QString::number(nIdx));
    m_pPlot->setCurrentChannel(nIdx);
    emit signalCurrentChanChange(nIdx);
}

// --- view ----------------------------------------------------------------------------------

double OrmaPanel::viewStart() const { return m_pPlot->axisScaleDiv(QwtPlot::xBottom).lowerBound(); }
double OrmaPanel::viewEnd() const { return m_pPlot->axisScaleDiv(QwtPlot::xBottom).upperBound(); }
int OrmaPanel::windowWidth() const { return int(viewEnd() - viewStart() + 1); }

bool OrmaPanel::plotHasData() const
{
    const QwtPlotCurveEx *c = m_pPlot->firstCurve();
    return c && c->sampleCount() > 0;
}

void OrmaPanel::slotUpdateSliderValue()
{
    m_pSlider->setValue(viewStart(), true);
}

void OrmaPanel::slotZoomCanvas()
{
    const int mode = m_pPlot->zoomMode();
    if (mode <= 0)
        return;
    if (mode & OrmaPlot::ModeHorizontal) {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(-1);
    }
    if (mode & OrmaPlot::ModeVertical) {
        const QSignalBlocker blocker(m_pScaleYCmbBox);
        m_pScaleYCmbBox->setCurrentIndex(-1);
    }
}

void OrmaPanel::slotUndo()
{
    if (m_pPlot->undoStep() == 0)
        followUndo();
}

void OrmaPanel::undoAll()
{
    if (!m_pPlot->hasCurves())
        return;
    m_pPlot->undoAll();
    followUndo();
}

void OrmaPanel::followUndo()
{
    m_pSlider->setValue(viewStart(), true);
    emit signalMoveCanvas();
}

void OrmaPanel::slotReplot()
{
    // The last label of the x axis sits on the right end of the window: half of its width
    // must fit beside the canvas.
    const QString last = readoutText(m_pSlider->maximum(), m_xTransforms);
    QwtScaleWidget *axis = m_pPlot->axisWidget(QwtPlot::xBottom);
    int start = 0, end = 0;
    axis->getMinBorderDist(start, end);
    axis->setMinBorderDist(start, QFontMetrics(m_pPlot->font()).horizontalAdvance(last) / 2);
    m_pPlot->replot();
    updateMarkerReadouts();
}

void OrmaPanel::zoomX(int direction)
{
    {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(-1);
    }
    double lower = viewStart();
    double upper = viewEnd();
    const double range = upper - lower;
    double step = m_pPlot->axisStepSize(QwtPlot::xBottom);
    if (direction > 0) {
        // Below one sample or bin there is nothing more to see.
        if (range / 2 < 1.0)
            return;
        step = std::max(1.0, step / 2);
        lower += 0.25 * direction * range;
        upper -= 0.25 * direction * range;
    } else {
        if (lower <= m_pSlider->minimum() && upper >= m_pSlider->maximum())
            return;
        step *= 2;
        lower += 0.5 * direction * range;
        upper -= 0.5 * direction * range;
    }
    lower = std::max(lower, m_pSlider->minimum());
    upper = std::min(upper, m_pSlider->maximum());
    m_pPlot->setAxisRange(QwtPlot::xBottom, lower, upper, step);
    m_pPlot->setAxisRange(QwtPlot::xTop, lower, upper, step);
    m_pPlot->replot();
    slotUpdateSliderValue();
}

void OrmaPanel::showAll()
{
    m_pScaleXCmbBox->setCurrentIndex(0);
    // Back to the base first: going there afterwards would take the y range back as well.
    m_pPlot->undoAll();
    m_pPlot->autoScaleY();
    // An undo step from a later zoom comes back to this view.
    emit m_pPlot->signalPlotChange();
    {
        const QSignalBlocker blocker(m_pScaleYCmbBox);
        m_pScaleYCmbBox->setCurrentIndex(-1);
    }
    m_pSlider->setValue(viewStart(), true);
}

void OrmaPanel::setPanelFont(const QFont &font)
{
    setFont(font);
    m_pScaleXCmbBox->setFont(font);
    m_pScaleYCmbBox->setFont(font);
    m_pPlot->setPlotFont(font);
    m_pSlider->setFont(reducedFont(font, 10));
}

// --- plot tools ------------------------------------------------------------------------------

void OrmaPanel::setMoveMode(bool on) { m_pPlot->setMoveMode(on); }
void OrmaPanel::setHMoveMode(bool on) { m_pPlot->setHMoveMode(on); }
void OrmaPanel::setVMoveMode(bool on) { m_pPlot->setVMoveMode(on); }
void OrmaPanel::setZoomMode(bool on) { m_pPlot->setZoomMode(on); }
void OrmaPanel::setHZoomMode(bool on) { m_pPlot->setHZoomMode(on); }
void OrmaPanel::setVZoomMode(bool on) { m_pPlot->setVZoomMode(on); }
