#pragma once
// "Другие настройки": display options of the oscilloscope (sample marks, trace accumulation,
// spectra in oscilloscope mode, visible channels). Stores them only; the main window applies them.
#include "sources/ui/SettingsDlg.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

class OtherSetupDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit OtherSetupDlg(QWidget *parent = nullptr);

    void load() override;
    void save() const override;

    int maxChannelCount() const;
    bool isTikSamples() const;
    bool isMarkerSamples() const;
    bool isAccumInf() const;
    int accumCount() const;
    bool isSpectrEnable() const;

private:
    QComboBox *m_pMaxChanCmbBox = nullptr;
    QCheckBox *m_pTikSamplesCheck = nullptr;
    QCheckBox *m_pMarkerSamplesCheck = nullptr;
    QCheckBox *m_pAccumInfCheck = nullptr;
    QSpinBox *m_pAccumCountSpin = nullptr;
    QCheckBox *m_pSpectrEnableCheck = nullptr;
};
