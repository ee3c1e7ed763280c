#include "panels/OrmaOscPanel.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

#include <qwt_scale_widget.h>

#include "panels/ChooserItems.h"
#include "panels/ComboBoxInc.h"
#include "panels/OrmaSlider.h"
#include "panels/PanelNumbers.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaScaleDraw.h"

namespace {

const int kInitialWidthIndex = 7; // 1024 samples

QString timeUnitText(int code)
{
    // The final "c" of the time units is a Latin letter, as the instrument has always shown it.
    switch (code) {
    case DimSamples: return QStringLiteral("(отсчеты)");
    case DimMicroseconds: return QStringLiteral("(мкc)");
    case DimMilliseconds: return QStringLiteral("(мc)");
    case DimSeconds: return QStringLiteral("(c)");
    default: return QString();
    }
}

QString amplitudeTitle(int code)
{
    switch (code) {
    case DimMillivolts: return QStringLiteral("Амплитуда(мВ)");
    case DimVolts: return QStringLiteral("Амплитуда(В)");
    default: return QStringLiteral("Амплитуда(EMP)");
    }
}

} // namespace

OrmaOscPanel::OrmaOscPanel(QWidget *parent)
    : OrmaPanel(parent)
{
    m_pDynParamFrame->show();
    m_pCyclesFrame->show();
    m_pMinMaxWidget->show();
    setWrappingGroup(m_pMinMaxWidget);
    setTitles(QStringLiteral("Время"), timeUnitText(DimSamples));
    setVerticalTitle(amplitudeTitle(DimCodes));

    setSampleRate(101000);
    setInputRange(5000);
    setBits(12);

    m_pPlot->slotSetScaleX(0, 1023, 128, true);
    m_pPlot->slotSetScaleY(2048, true);
    m_pSlider->setRange(0, 1024, 128);
    m_pSlider->slotSetStep(1024);

    for (Transforms *t : {static_cast<Transforms *>(&m_timeTransforms), static_cast<Transforms *>(&m_sliderTransforms)})
        t->setType(DimSamples);
    m_amplTransforms.setType(DimCodes);
    m_amplTransformsMod.setType(DimCodes);
    setConverters(&m_timeTransforms, &m_amplTransformsMod, &m_sliderTransforms);
    xScaleDraw()->setTransforms(&m_timeTransforms);
    yScaleDraw()->setTransforms(&m_amplTransforms);
    fillWidthChooser();
    m_pScaleXCmbBox->setCurrentIndex(kInitialWidthIndex);
    xScaleDraw()->setPrecision(0);
    sliderScaleDraw()->setPrecision(0);
}

// --- x: window width and position ------------------------------------------------------------

void OrmaOscPanel::fillWidthChooser()
{
    const QSignalBlocker blocker(m_pScaleXCmbBox);
    const int index = m_pScaleXCmbBox->currentIndex();
    m_pScaleXCmbBox->clear();
    m_pScaleXCmbBox->setItems(oscWidthItems(m_timeTransforms, m_timeType == DimSamples));
    m_pScaleXCmbBox->setCurrentIndex(index);
}

void OrmaOscPanel::slotScaleX(QString)
{
    int index = std::max(0, m_pScaleXCmbBox->currentIndex());
    const int chosen = index;
    if (m_recordLength > 0)
        while (index < oscWidthCount - 1 && uint32_t(oscWidth(index)) > m_recordLength)
            ++index;
    if (index != chosen) {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(index);
    } else {
        m_chosenWidthIndex = chosen; // a width the record cut down is not the user's choice
    }
    const double w = oscWidth(index);

    double start = viewStart();
    if (m_recordLength < start)
        start = 0;
    double end = start + w - 1;
    // The last sample of the record is recordLength - 1: the window ends there at the latest.
    if (m_recordLength > 0 && end > m_recordLength - 1.0 && m_pPlot->hasCurves()) {
        end = m_recordLength - 1.0;
        start = std::max(0.0, end - (w - 1));
        m_pSlider->setValue(start, true);
    }
    m_pPlot->slotSetScaleX(start, end, w / 8, false);
    m_pSlider->slotSetStep(end - start + 1);
    emit signalScaleXChanged();
}

void OrmaOscPanel::setSliderRange(double min, double max)
{
    m_pSlider->setRange(min, max, max * 0.125);
}

void OrmaOscPanel::setRecordLength(uint32_t n)
{
    if (n == m_recordLength)
        return;
    m_recordLength = n;
    // The slider first, so that the window clamped below can be shown on it.
    setSliderRange(0, n);
    {
        const QSignalBlocker blocker(m_pScaleXCmbBox);
        m_pScaleXCmbBox->setCurrentIndex(-1);
    }
    // A longer record gets back the width the user chose, not one a shorter record forced.
    m_pScaleXCmbBox->setCurrentIndex(std::max(0, m_chosenWidthIndex));
}

void OrmaOscPanel::setSampleRate(double hz)
{
    if (hz == m_sampleRate)
        return;
    m_timeTransforms.setSampleRate(hz);
    m_sliderTransforms.setSampleRate(hz);
    m_sampleRate = hz;
    xScaleDraw()->invalidateCache();
    sliderScaleDraw()->invalidateCache();
    m_pPlot->axisWidget(QwtPlot::xBottom)->update();
    m_pSlider->refreshUnits();
    fillWidthChooser();
}

// --- y: amplitude range and units ---------------------------------------------------------------

void OrmaOscPanel::fillAmplitudeChooser()
{
    const QSignalBlocker blocker(m_pScaleYCmbBox);
    const int index = m_pScaleYCmbBox->currentIndex();
    m_pScaleYCmbBox->clear();
    m_pScaleYCmbBox->setItems(amplitudeItems(m_amplTransforms, m_bits));
    m_pScaleYCmbBox->setCurrentIndex(std::max(0, index));
}

// A new range or resolution: the chooser is rebuilt and the view goes to full scale.
void OrmaOscPanel::applyAmplitudeScale()
{
    if (m_bits < 3)
        return;
    fillAmplitudeChooser();
    {
        const QSignalBlocker blocker(m_pScaleYCmbBox);
        m_pScaleYCmbBox->setCurrentIndex(0);
    }
    yScaleDraw()->invalidateCache();
    m_pPlot->slotSetScaleY(std::ldexp(1.0, m_bits - 1), false);
    m_pPlot->replot();
    m_pPlot->updateAxes();
}

void OrmaOscPanel::setInputRange(double mv)
{
    if (mv == m_range)
        return;
    m_amplTransforms.setRange(uint32_t(std::max(0.0, mv)));
    m_amplTransformsMod.setRange(uint32_t(std::max(0.0, mv)));
    m_range = mv;
    applyAmplitudeScale();
}

void OrmaOscPanel::setBits(int n)
{
    if (n == m_bits)
        return;
    m_amplTransforms.setBits(uint8_t(n));
    m_amplTransformsMod.setBits(uint8_t(n));
    m_bits = n;
    applyAmplitudeScale();
}

void OrmaOscPanel::slotScaleY(QString sScale)
{
    m_pPlot->clearAccumulation();
    bool ok = false;
    const double shown = sScale.mid(1).toDouble(&ok);
    // A cleared chooser names no range.
    if (!ok || shown <= 0)
        return;
    m_pPlot->slotSetScaleY(m_amplTransforms.fromUnits(shown), true);
}

double OrmaOscPanel::convertAmplitude(double value, int fromType, int toType) const
{
    AmplTransforms t;
    t.setBits(uint8_t(m_bits));
    t.setRange(uint32_t(std::max(0.0, m_range)));
    t.setType(fromType);
    const double codes = t.fromUnits(value);
    t.setType(toType);
    return t.toUnits(codes);
}

void OrmaOscPanel::setDimensions(uint8_t timeType, uint8_t amplType)
{
    if (timeType != m_timeType) {
        m_timeTransforms.setType(timeType);
        m_sliderTransforms.setType(timeType);
        const bool samples = timeType == DimSamples;
        m_pSlider->setIntegerMode(samples);
        xScaleDraw()->setPrecision(samples ? 0 : 3);
        sliderScaleDraw()->setPrecision(samples ? 0 : 3);
        const QString unit = timeUnitText(timeType);
        if (!unit.isEmpty())
            setTitles(QStringLiteral("Время"), unit);
    }
    if (amplType != m_amplType) {
        m_amplTransforms.setType(amplType);
        m_amplTransformsMod.setType(amplType);
        yScaleDraw()->invalidateCache();
        // Rebuilt from the codes: converting the shown, rounded texts would drift.
        fillAmplitudeChooser();
        setVerticalTitle(amplitudeTitle(amplType));
    }
    m_timeType = timeType;
    m_amplType = amplType;
    applyFactorRule();
    fillWidthChooser();
    m_pSlider->refreshUnits();
    m_pPlot->updateLayout();
}

void OrmaOscPanel::setGainMode(bool on)
{
    m_gainMode = on;
    applyFactorRule();
}

// ADC codes are what the converter delivered: never scaled by a channel's gain.
void OrmaOscPanel::applyFactorRule()
{
    m_pPlot->setApplyFactor(m_gainMode && m_amplType != DimCodes);
}

void OrmaOscPanel::chooseWidthIndex(int index) { m_pScaleXCmbBox->setCurrentIndex(index); }

void OrmaOscPanel::setFrameCount(int count) { m_pCyclesEdit->setText(QString::number(count)); }

void OrmaOscPanel::setMinMax(double max, double min)
{
    const double f = m_gainMode && m_amplType != DimCodes ? m_pPlot->channelFactor(currentChannel()) : 1.0;
    showTrimmed(m_pMaxEdit, m_amplTransformsMod.toUnitsGain(f * max));
    showTrimmed(m_pMinEdit, m_amplTransformsMod.toUnitsGain(f * min));
}
