#pragma once
// The oscilloscope: the samples of every channel against the sample index, a window width
// chosen by powers of two, a symmetric amplitude range chosen by powers of two of ADC codes,
// both axes in the units picked in the settings, and the current channel's extremes.
#include <cstdint>

#include "panels/OrmaPanel.h"
#include "plot/Transforms.h"

class OrmaOscPanel : public OrmaPanel
{
    Q_OBJECT

public:
    explicit OrmaOscPanel(QWidget *parent = nullptr);

    // Samples per channel available; the window is kept inside them.
    void setRecordLength(uint32_t n);
    // The width index last chosen that the record did not have to cut down.
    int chosenWidthIndex() const { return m_chosenWidthIndex; }
    // Picks a width of the chooser as the user would.
    void chooseWidthIndex(int index);
    // The acquired blocks, in the cycle counter.
    void setFrameCount(int count);
    uint32_t recordLength() const { return m_recordLength; }
    void setSampleRate(double hz);
    double sampleRate() const { return m_sampleRate; }
    // Full-scale input range in millivolts and ADC resolution.
    void setInputRange(double mv);
    void setBits(int n);
    int bits() const { return m_bits; }
    // Dimension codes: time 3..6, amplitude 0..2.
    void setDimensions(uint8_t timeType, uint8_t amplType);
    uint8_t timeType() const { return m_timeType; }
    uint8_t amplType() const { return m_amplType; }
    // Refers the signal to the module input with the channels' gains (never for ADC codes).
    void setGainMode(bool on);
    bool gainMode() const { return m_gainMode; }
    // The current channel's extremes of the last block, in ADC codes.
    void setMinMax(double max, double min);
    double convertAmplitude(double value, int fromType, int toType) const;

public slots:
    void setSliderRange(double min, double max) override;
    void slotScaleX(QString sScale) override;
    void slotScaleY(QString sScale) override;

private:
    void fillWidthChooser();
    void fillAmplitudeChooser();
    void applyAmplitudeScale();
    void applyFactorRule();

    TimeTransforms m_timeTransforms;
    AmplTransforms m_amplTransforms;
    AmplTransformsMod m_amplTransformsMod;
    TimeTransforms m_sliderTransforms;
    uint8_t m_timeType = DimSamples;
    uint8_t m_amplType = DimCodes;
    double m_sampleRate = 0.0;
    double m_range = 0.0;
    int m_bits = 0;
    uint32_t m_recordLength = 0;
    int m_chosenWidthIndex = 7;
    bool m_gainMode = false;
};
