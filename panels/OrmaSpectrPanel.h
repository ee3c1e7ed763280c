#pragma once
// The spectrum analyser: every shown channel's power spectrum as the source computed it, the
// frequency axis in bins, hertz or kilohertz (optionally logarithmic), the power axis in one
// of six units, the dynamic figures, a level and a frequency read-out, the sample rate and
// numbered marks on the harmonics.
#include <cstdint>
#include <vector>

#include "panels/ChooserItems.h"
#include "panels/OrmaPanel.h"
#include "plot/Transforms.h"

class QwtPlotMarker;
struct BlockSnapshot;

class OrmaSpectrPanel : public OrmaPanel
{
    Q_OBJECT

public:
    explicit OrmaSpectrPanel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // Transform size N: the axis shows N/2 bins of a real record, N of a complex one.
    void setFftSize(uint32_t n);
    uint32_t fftSize() const { return m_fftSize; }
    uint32_t previousFftSize() const { return m_previousFftSize; }
    void setComplex(bool flag);
    bool isComplex() const { return m_complexSignal; }
    void setSampleRate(double hz);
    double sampleRate() const { return m_sampleRate; }
    // Complex records: axis from -Fd/2 to +Fd/2, and shifted by a frequency.
    void setCentred(bool flag);
    void setShift(double hz);
    double shift() const { return m_frequencyShift; }
    void setImpedance(unsigned ohms);
    // The converter's input range, the full scale of dBFS.
    void setInputRange(int32_t rangeMv);
    void setLogFrequency(bool flag);
    bool isLogFrequency() const { return m_logFrequency; }
    // Lower end (Hz) of the logarithmic axis.
    void setLowFrequency(double hz);
    // Frequency code 12 bins, 13 Hz, 14 kHz; power code 2 V, 8 dB, 9 dB/max, 10 dBm, 11 dBuV,
    // 17 dBFS.
    void setDimensions(uint8_t freqCode, uint8_t powerCode);
    uint8_t freqDimension() const { return m_freqDimension; }
    uint8_t powerDimension() const { return m_powerDimension; }
    // The power unit and the harmonic count as their choosers show them, and picking them by
    // that text (the configuration keeps the texts).
    QString powerUnitText() const;
    void choosePowerUnit(const QString &text);
    QString harmonicText() const;
    void chooseHarmonic(const QString &text);
    // Limits of the power axis, in the current power unit.
    void setMaxPower(double v);
    void setMinPower(double v);
    double maxPower() const { return m_maxPower; }
    double minPower() const { return m_minPower; }

    double convertFrequency(double value, int fromCode, int toCode) const;
    void showFrequency(double hz);
    // Numbered marks on harmonics 2, 3, ... of the current channel (positions in bins).
    void showHarmonics(bool show, const double *positions, int count);
    const std::vector<QwtPlotMarker *> &harmonicMarks() const { return m_harmonicMarks; }
    // The level and frequency read-outs for a channel of a delivered block, for the tone at
    // markerBin (-1: the fundamental), as the harmonic and unit choosers ask.
    void showPowerReadout(const BlockSnapshot &block, int channelNumber, int markerBin, bool referToInput,
                          bool isSimulation);

    PowerTransforms &powerTransforms() { return m_powerTransforms; }

signals:
    void signalHideMarker();

public slots:
    void setSliderRange(double min, double max) override;
    void slotScaleX(QString sScale) override;
    void slotScaleY(QString sScale) override;

private:
    // Bins of the axis: N for complex records, N/2 for real ones.
    unsigned binCount() const;
    void fillSpanChooser();
    void resetView();
    void refreshFrequencyScales();
    void applyLogAxis();
    void setPowerAxis(double lower, double upper);
    void fillPowerChooser(PowerSpanSteps steps = PowerSpanSteps::Tenths);

    FreqTransforms m_freqTransforms;
    FreqTransforms m_sliderFreqTransforms;
    PowerTransforms m_powerTransforms;
    uint8_t m_freqDimension = 255;
    uint8_t m_powerDimension = 255;
    double m_sampleRate = -1.0;
    uint32_t m_fftSize = 0;
    uint32_t m_previousFftSize = 0;
    bool m_complexSignal = false;
    bool m_logFrequency = false;
    double m_lowFrequency = 0.0;
    double m_maxPower = -10101.0;
    double m_minPower = -10101.0;
    double m_frequencyShift = 0.0;
    std::vector<QwtPlotMarker *> m_harmonicMarks;
};
