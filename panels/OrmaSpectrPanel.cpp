#include "panels/OrmaSpectrPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpacerItem>

#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_symbol.h>

#include <algorithm>
#include <cmath>

#include "panels/ChooserItems.h"
#include "panels/ComboBoxInc.h"
#include "panels/OrmaSlider.h"
#include "panels/PanelNumbers.h"
#include "panels/PowerReadout.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaScaleDraw.h"
#include "plot/QwtPlotCurveEx.h"

namespace {

const double kUnsetPower = -10101.0;
const double kNoLowFrequencyBins = 0.001;

QString frequencyUnitText(int code)
{
    switch (code) {
    case DimNone: return QStringLiteral("(bin)");
    case DimHertz: return QStringLiteral("(Гц)");
    case DimKilohertz: return QStringLiteral("(кГц)");
    default: return QString();
    }
}

QString powerTitle(int code)
{
    switch (code) {
    case DimVolts: return QStringLiteral("Мощность(В)");
    case DimDecibels: return QStringLiteral("Мощность(дБ)");
    case DimDbm: return QStringLiteral("Мощность(дБм)");
    case DimDbMicrovolt: return QStringLiteral("Мощность(дБмкВ)");
    case DimDbfs: return QStringLiteral("Мощность(дБFS)");
    default: return QStringLiteral("Мощность(дБ/макс)");
    }
}

QwtScaleEngine *frequencyEngine(bool logarithmic)
{
    QwtScaleEngine *engine = logarithmic ? static_cast<QwtScaleEngine *>(new QwtLogScaleEngine(10))
                                         : new QwtLinearScaleEngine();
    engine->setAttribute(QwtScaleEngine::Floating, true);
    return engine;
}

} // namespace

OrmaSpectrPanel::OrmaSpectrPanel(QWidget *parent, Qt::WindowFlags flags)
    : OrmaPanel(parent)
{
    if (flags)
        setWindowFlags(flags);
    m_pBottomLayout->removeWidget(m_pDynParamFrame);
    m_pTopLayout->insertWidget(1, m_pDynParamFrame);
    m_pDynParamFrame->setFrameShape(QFrame::Box);
    setWrappingGroup(m_pDynParamFrame);
    for (QWidget *w : {static_cast<QWidget *>(m_pDynParamFrame), static_cast<QWidget *>(m_pValueEdit),
                       static_cast<QWidget *>(m_pPowerFrame), m_pSampleFreqWidget})
        w->show();
    m_pPowerSpacer->changeSize(23, 10, QSizePolicy::Fixed, QSizePolicy::Minimum);
    // The boundary of the analysed block belongs to the oscilloscope's time axis.
    m_pPlot->positionLine()->hide();

    setMaxPower(0);
    setMinPower(-120);
    setTitles(QStringLiteral("Частота"), QStringLiteral("кГц"));
    setVerticalTitle(powerTitle(DimDecibelsRelative));
    m_complexSignal = false;
    setFftSize(1024);

    // The plot draws the curves in power units, so the marker's y arrives converted: only x
    // needs a converter for the read-outs.
    setConverters(&m_sliderFreqTransforms, nullptr, &m_sliderFreqTransforms);
    xScaleDraw()->setTransforms(&m_freqTransforms);
    m_pPlot->setValueTransforms(&m_powerTransforms);
    setSampleRate(101000);
    // The units the titles above name.
    setDimensions(DimKilohertz, DimDecibelsRelative);

    connect(m_pPlot, &OrmaPlot::signalHideMarker, this, &OrmaSpectrPanel::signalHideMarker);
}

unsigned OrmaSpectrPanel::binCount() const
{
    return m_complexSignal ? m_fftSize : m_fftSize / 2;
}

// --- frequency axis ---------------------------------------------------------------------------

void OrmaSpectrPanel::fillSpanChooser()
{
    const QSignalBlocker blocker(m_pScaleXCmbBox);
    m_pScaleXCmbBox->clear();
    m_pScaleXCmbBox->setItems(spanItems(binCount()));
}

void OrmaSpectrPanel::setFftSize(uint32_t n)
{
    if (n == m_fftSize || n < 2)
        return;
    m_freqTransforms.setFftSize(n);
    m_sliderFreqTransforms.setFftSize(n);
    m_previousFftSize = m_fftSize ? m_fftSize : n;
    m_fftSize = n;
    fillSpanChooser();
    setSliderRange(0, binCount());
    {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(1);
    }
    m_pScaleXCmbBox->setCurrentIndex(0);
    refreshFrequencyScales();
}

// The whole frequency range, after anything that changes what a bin means.
void OrmaSpectrPanel::resetView()
{
    const double bins = binCount();
    setSliderRange(0, bins);
    m_pSlider->slotSetStep(bins);
    m_pSlider->setValue(0, true);
    m_pPlot->slotSetScaleX(0, bins - 1, bins / 8, false);
    fillSpanChooser();
    {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(0);
    }
    m_freqTransforms.setShiftFlag(m_complexSignal);
    m_sliderFreqTransforms.setShiftFlag(m_complexSignal);
    if (m_logFrequency)
        applyLogAxis();
    refreshFrequencyScales();
}

void OrmaSpectrPanel::refreshFrequencyScales()
{
    xScaleDraw()->invalidateCache();
    sliderScaleDraw()->invalidateCache();
    m_pSlider->refreshUnits();
    m_pPlot->updateAxes();
    m_pPlot->axisWidget(QwtPlot::xBottom)->update();
}

void OrmaSpectrPanel::setComplex(bool flag)
{
    if (flag == m_complexSignal)
        return;
    m_complexSignal = flag;
    resetView();
}

void OrmaSpectrPanel::setSampleRate(double hz)
{
    showTrimmed(m_pSampleRateEdit, hz / 1000);
    // A rate of zero makes every frequency meaningless: the field says so in red.
    QPalette p = m_pSampleRateEdit->palette();
    p.setColor(QPalette::Base, hz != 0 ? QColor(236, 233, 216) : QColor(255, 0, 0));
    m_pSampleRateEdit->setPalette(p);
    if (hz == m_sampleRate)
        return;
    m_freqTransforms.setSampleRate(hz);
    m_sliderFreqTransforms.setSampleRate(hz);
    m_sampleRate = hz;
    resetView();
}

void OrmaSpectrPanel::setCentred(bool flag)
{
    m_freqTransforms.setCentred(flag);
    m_sliderFreqTransforms.setCentred(flag);
    refreshFrequencyScales();
}

void OrmaSpectrPanel::setShift(double hz)
{
    if (hz == m_frequencyShift)
        return;
    m_frequencyShift = hz;
    m_freqTransforms.setOffset(hz);
    m_sliderFreqTransforms.setOffset(hz);
    refreshFrequencyScales();
}

void OrmaSpectrPanel::setImpedance(unsigned ohms)
{
    m_powerTransforms.setImpedance(ohms);
}

void OrmaSpectrPanel::setInputRange(int32_t rangeMv)
{
    if (rangeMv == m_powerTransforms.range())
        return;
    m_powerTransforms.setRange(rangeMv);
    if (m_powerDimension == DimDbfs)
        m_pPlot->replot();
}

void OrmaSpectrPanel::setLogFrequency(bool flag)
{
    if (flag == m_logFrequency)
        return;
    m_logFrequency = flag;
    m_pPlot->setAxisScaleEngine(QwtPlot::xBottom, frequencyEngine(flag));
    // A logarithmic axis cannot start at bin 0, a linear one starts from the whole range.
    if (flag)
        applyLogAxis();
    else
        resetView();
}

void OrmaSpectrPanel::setLowFrequency(double hz)
{
    m_lowFrequency = hz;
    if (m_logFrequency)
        applyLogAxis();
}

void OrmaSpectrPanel::applyLogAxis()
{
    double lower = m_sampleRate > 0 ? m_fftSize * m_lowFrequency / m_sampleRate : 0.0;
    if (!(lower > 0))
        lower = kNoLowFrequencyBins;
    m_pPlot->setAxisMaxMajor(QwtPlot::xBottom, 8);
    m_pPlot->setAxisMaxMinor(QwtPlot::xBottom, 0);
    m_pPlot->setAxisScale(QwtPlot::xBottom, lower, binCount(), 0.5);
    m_pPlot->replot();
}

void OrmaSpectrPanel::setSliderRange(double min, double max)
{
    m_pSlider->setRange(min, max, (max - min) / 8);
    m_pSlider->update();
}

void OrmaSpectrPanel::slotScaleX(QString sScale)
{
    const double span = spanValue(sScale);
    // Spans of bins mean nothing on a logarithmic axis.
    if (!(span > 0) || m_logFrequency)
        return;
    const double bins = binCount();
    double lower = viewStart();
    if (lower > bins)
        lower = 0;
    double upper = lower + span - 1;
    if (upper > bins - 1 && plotHasData()) {
        upper = bins - 1;
        lower = std::max(0.0, upper - (span - 1));
        m_pSlider->setValue(lower, true);
    }
    m_pPlot->slotSetScaleX(lower, upper, span / 8, true);
    m_pSlider->slotSetStep(upper - lower + 1);
    emit signalScaleXChanged();
}

// --- units and power axis --------------------------------------------------------------------

QString OrmaSpectrPanel::powerUnitText() const { return m_pDimCmbBox->currentText(); }

void OrmaSpectrPanel::choosePowerUnit(const QString &text)
{
    m_pDimCmbBox->setCurrentIndex(m_pDimCmbBox->findText(text, Qt::MatchFixedString));
}

QString OrmaSpectrPanel::harmonicText() const { return m_pHarmCmbBox->currentText(); }

void OrmaSpectrPanel::chooseHarmonic(const QString &text)
{
    m_pHarmCmbBox->setCurrentIndex(m_pHarmCmbBox->findText(text, Qt::MatchFixedString));
}

void OrmaSpectrPanel::setDimensions(uint8_t freqCode, uint8_t powerCode)
{
    if (freqCode != m_freqDimension) {
        m_freqTransforms.setType(freqCode);
        m_sliderFreqTransforms.setType(freqCode);
        m_pSlider->setIntegerMode(freqCode == DimNone);
        if (freqCode == DimNone)
            m_pSlider->setValue(m_pSlider->value(), true);
        setTitles(QStringLiteral("Частота"), frequencyUnitText(freqCode));
        refreshFrequencyScales();
    }
    const bool powerChanged = powerCode != m_powerDimension;
    m_freqDimension = freqCode;
    m_powerDimension = powerCode;
    if (powerChanged) {
        m_powerTransforms.setType(powerCode);
        fillPowerChooser(PowerSpanSteps::Units);
        setVerticalTitle(powerTitle(powerCode));
    }
    m_pPlot->replot();
}

void OrmaSpectrPanel::fillPowerChooser(PowerSpanSteps steps)
{
    const bool limitsSet = m_maxPower != kUnsetPower && m_minPower != kUnsetPower;
    const QwtScaleDiv &div = m_pPlot->axisScaleDiv(QwtPlot::yLeft);
    const double span = limitsSet ? m_maxPower - m_minPower : div.upperBound() - div.lowerBound();
    const QSignalBlocker blocker(m_pScaleYCmbBox);
    m_pScaleYCmbBox->clear();
    m_pScaleYCmbBox->setItems(powerSpanItems(span, m_powerDimension, steps));
    m_pScaleYCmbBox->setCurrentIndex(0);
}

void OrmaSpectrPanel::setPowerAxis(double lower, double upper)
{
    m_pPlot->slotSetScaleY(lower, upper, powerStep(upper - lower));
}

void OrmaSpectrPanel::setMaxPower(double v)
{
    if (v == m_maxPower)
        return;
    m_maxPower = v;
    setPowerAxis(m_pPlot->axisScaleDiv(QwtPlot::yLeft).lowerBound(), v);
    fillPowerChooser();
}

void OrmaSpectrPanel::setMinPower(double v)
{
    if (v == m_minPower)
        return;
    m_minPower = v;
    setPowerAxis(v, m_pPlot->axisScaleDiv(QwtPlot::yLeft).upperBound());
    fillPowerChooser();
}

void OrmaSpectrPanel::slotScaleY(QString sScale)
{
    bool ok = false;
    const double value = sScale.toDouble(&ok);
    if (!ok || !(value > 0))
        return;
    double upper = m_pPlot->axisScaleDiv(QwtPlot::yLeft).upperBound();
    double lower = upper - value;
    if (lower < m_minPower) {
        upper = value + m_minPower;
        lower = m_minPower;
    }
    setPowerAxis(lower, upper);
}

// --- read-outs and harmonic marks --------------------------------------------------------------

double OrmaSpectrPanel::convertFrequency(double value, int fromCode, int toCode) const
{
    FreqTransforms t = m_freqTransforms;
    t.setType(fromCode);
    const double bins = t.fromUnits(value);
    t.setType(toCode);
    return t.toUnits(bins);
}

void OrmaSpectrPanel::showFrequency(double hz)
{
    showTrimmed(m_pValueEdit, convertFrequency(hz, DimHertz, m_freqDimension));
}

void OrmaSpectrPanel::showHarmonics(bool show, const double *positions, int count)
{
    if (!show || m_complexSignal || !positions || count <= 0) {
        for (QwtPlotMarker *mark : m_harmonicMarks)
            mark->hide();
        return;
    }
    const QwtPlotCurveEx *curve = m_pPlot->curve(m_pPlot->currentChannel());
    if (!curve || curve->sampleCount() == 0)
        return;
    if (int(m_harmonicMarks.size()) != count) {
        for (QwtPlotMarker *mark : m_harmonicMarks)
            delete mark;
        m_harmonicMarks.clear();
        for (int i = 0; i < count; ++i) {
            auto *mark = new QwtPlotMarker();
            mark->setLineStyle(QwtPlotMarker::NoLine);
            mark->setLabelAlignment(Qt::AlignCenter | Qt::AlignTop);
            mark->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::green), QPen(Qt::green), QSize(4, 4)));
            mark->attach(m_pPlot);
            m_harmonicMarks.push_back(mark);
        }
    }
    const QColor background = m_pPlot->canvasBackground().color();
    const QColor inverse(255 - background.red(), 255 - background.green(), 255 - background.blue());
    const int lastBin = int(m_fftSize / 2) - 1;
    for (int i = 0; i < count; ++i) {
        QwtPlotMarker *mark = m_harmonicMarks[size_t(i)];
        const int x = std::min(int(roundToWhole(positions[i])), lastBin);
        if (x < 0 || x >= curve->sampleCount()) {
            mark->hide();
            continue;
        }
        mark->setValue(double(x), curve->displayValue(curve->yData()[x]));
        QwtText label(QString::asprintf("%d", i + 2));
        label.setFont(QFont(QStringLiteral("Helvetica"), 10, QFont::Bold));
        label.setColor(inverse);
        mark->setLabel(label);
        mark->show();
    }
}

void OrmaSpectrPanel::showPowerReadout(const BlockSnapshot &block, int channelNumber, int markerBin,
                                       bool referToInput, bool isSimulation)
{
    PowerRequest request;
    request.channelNumber = channelNumber;
    request.markerBin = markerBin;
    request.mode = PowerMode(std::max(0, m_pHarmCmbBox->currentIndex()));
    request.unit = m_pDimCmbBox->currentText();
    request.band = readoutBand(m_pPlot->isRedMarkerShown(), m_pPlot->markerValue(false).x(),
                               m_pPlot->isBlueMarkerShown(), m_pPlot->markerValue(true).x(), viewStart(), viewEnd());
    request.referToInput = referToInput;
    request.isSimulation = isSimulation;
    request.impedanceOhms = m_powerTransforms.impedance();
    const std::optional<PowerReading> reading = readPower(block, request);
    if (!reading) {
        showReadout(m_pPowerEdit, QString());
        showReadout(m_pValueEdit, QString());
        return;
    }
    setPowerValue(reading->value);
    showFrequency(reading->frequency);
}
