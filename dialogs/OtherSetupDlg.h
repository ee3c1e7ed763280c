#pragma once
// "Другие настройки": display options of the oscilloscope (sample marks, trace accumulation,
// spectra in oscilloscope mode, visible channels). Edits a copy; the main window applies them.
#include "sources/settings/OtherSettings.h"
#include "sources/ui/SettingsDlg.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

class OtherSetupDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit OtherSetupDlg(QWidget *parent = nullptr);

    void setSettings(const OtherSettings &settings);
    OtherSettings settings() const;

private:
    QComboBox *m_pMaxChanCmbBox = nullptr;
    QCheckBox *m_pTikSamplesCheck = nullptr;
    QCheckBox *m_pMarkerSamplesCheck = nullptr;
    QCheckBox *m_pAccumInfCheck = nullptr;
    QSpinBox *m_pAccumCountSpin = nullptr;
    QCheckBox *m_pSpectrEnableCheck = nullptr;
};
