#pragma once
// "Параметры имитации сигналов": the generator's 16 components, block layout and noise.
// The widgets show the settings in the user's units (kHz, volts); the main window takes the
// edited copy from settings() after OK.
#include "sources/ui/SettingsDlg.h"
#include "sources/generator/SimulationSettings.h"

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class SignalSimulationDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit SignalSimulationDlg(QWidget *parent = nullptr);

    // The dialog's values, converted to the stored units (Hz, mV, whole codes for noise).
    SimulationSettings settings() const;
    void setSettings(const SimulationSettings &settings);
    int enabledCount() const { return m_nEnabledCount; }

public slots:
    void slotChannelToggled(bool isOn);
    void slotHarmButton();

private:
    struct Row {
        QCheckBox *check = nullptr;
        QDoubleSpinBox *ampl = nullptr;
        QDoubleSpinBox *freq = nullptr;
        QDoubleSpinBox *phase = nullptr;
    };
    void enableRow(const Row &row, bool isOn);
    void countEnabled();

    std::array<Row, SimulationSettings::RowCount> m_rows;
    SimulationSettings m_shown; // what the dialog has no widget for comes back unchanged
    QLineEdit *m_pNumSamplesEdit = nullptr;
    QDoubleSpinBox *m_pSamplFreqSpin = nullptr;
    QDoubleSpinBox *m_pRangeSpin = nullptr;
    QSpinBox *m_pAdcCapacitySpin = nullptr;
    QCheckBox *m_pComplexSignalCheck = nullptr;
    QComboBox *m_pSignalsNumberCombo = nullptr;
    QCheckBox *m_pWhiteNoiseCheck = nullptr;
    QSpinBox *m_pWhiteNoiseAmplSpin = nullptr;
    QPushButton *m_pHarmonicButton = nullptr;
    int m_nEnabledCount = 0;
};
