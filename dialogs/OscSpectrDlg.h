#pragma once
// "Параметры": units and scales of the oscilloscope and spectrum panels, the FFT size,
// averaging and window, the power axis and the parameters of the ADC quality measurement.
// Edits a copy of the analyser settings; the main window takes them back after OK.
#include "sources/settings/AnalyserSettings.h"
#include "sources/ui/SettingsDlg.h"

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

class OscSpectrDlg : public SettingsDlg {
    Q_OBJECT
public:
    enum Tab { OscTab = 0, SpectrTab = 1 };

    explicit OscSpectrDlg(QWidget *parent = nullptr);

    void setSettings(const AnalyserSettings &settings);
    AnalyserSettings settings() const;

    void setCurrentTab(int nTab);
    // The main window offers the spectrum page only while channel 0 has data.
    void setSpectrumPageEnabled(bool isEnabled);
    // Disabled while the source delivers ready spectra instead of samples.
    void setFftSizeEnabled(bool isEnabled);
    // Selects the listed size for n; a size between two entries takes the lower one.
    void setFftSize(uint32_t nSize);
    // Samples per channel of the current record, 0 when the record does not say.
    void setSampleCount(uint64_t nCount) { m_nSampleCount = nCount; }
    // The oscilloscope's interpolation, a state of the main window rather than a stored setting.
    bool isInterpolation() const;
    void setInterpolation(bool isOn);
    void setAccumulation(bool isOn);

public slots:
    void slotWindowTypeChange(const QString &sStr);
    void slotFftSizeChange();

protected:
    // The power limits must make a drawable axis; the typed fields must hold whole values.
    bool isAcceptable() override;

private:
    QWidget *buildOscPage();
    QWidget *buildSpectrPage();
    QWidget *buildFftGroup();
    QWidget *buildFreqGroup();
    QWidget *buildPowerGroup();
    QWidget *buildQualityGroup();
    uint32_t fftSize() const;
    // Empty when the power limits may be applied, else the warning that refuses them.
    QString powerLimitsProblem() const;
    // The first of the three typed fields whose text its validator does not accept.
    QLineEdit *badEdit() const;

    uint64_t m_nSampleCount = 0;

    QTabWidget *m_pTabWidget = nullptr;
    QComboBox *m_pXDimensionCmbBox = nullptr;
    QSpinBox *m_pTimeOutSpin = nullptr;
    QComboBox *m_pYDimensionCmbBox = nullptr;
    QComboBox *m_pGainCmbBox = nullptr;
    QCheckBox *m_pInterpolationCheck = nullptr;
    QCheckBox *m_pAccumulationCheck = nullptr;

    QComboBox *m_pFftSizeCmbBox = nullptr;
    QSpinBox *m_pAverageCountSpin = nullptr;
    QComboBox *m_pWindowTypeBox = nullptr;
    QSpinBox *m_pSidelobeLevelSpin = nullptr;
    QComboBox *m_pFreqDimensionCmbBox = nullptr;
    QComboBox *m_pSpectrRangeCmbBox = nullptr;
    QCheckBox *m_pFreqShiftCheck = nullptr;
    QCheckBox *m_pDbCheck = nullptr;
    QLineEdit *m_pLowFreqEdit = nullptr;
    QComboBox *m_pPowDimensionCmbBox = nullptr;
    QComboBox *m_pImpedanceCmbBox = nullptr;
    QDoubleSpinBox *m_pMaxPowerSpin = nullptr;
    QDoubleSpinBox *m_pMinPowerSpin = nullptr;
    QCheckBox *m_pHarmonicCheck = nullptr;
    QLineEdit *m_pHarmEdit = nullptr;
    QLineEdit *m_pSfdrBandWidthEdit = nullptr;
};
