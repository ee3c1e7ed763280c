#pragma once
// "Параметры файла чтения": the record parameters used when a record has no postfix or when
// the user overrides it, shown in kHz and V.
#include "sources/record/FileParamsSettings.h"
#include "sources/ui/SettingsDlg.h"

#include <QSpinBox>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

// Bytes per stored sample: the readers know 1, 2 and 4, so the arrows step 1, 2, 4 and a typed
// 3 is refused.
class SampleWidthSpin : public QSpinBox {
    Q_OBJECT
public:
    explicit SampleWidthSpin(QWidget *parent = nullptr);
    void stepBy(int nSteps) override;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
};

class FileParamsDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit FileParamsDlg(QWidget *parent = nullptr);

    void setSettings(const FileParamsSettings &settings);
    // The parameters as entered; the user's choice of their use stays the one handed in while
    // a record forces them (see presetForRecord()).
    FileParamsSettings settings() const;
    // Shows a record's parameters.
    void setFileParams(const FileParams &params);
    // The user parameters are to be in force, by the user's choice or forced by the record.
    bool isChangeChecked() const;
    // Prepares the dialog for the current record before it is shown: unless the user
    // parameters are ticked it shows the record's own; a record without postfix makes them
    // mandatory (ticked and locked), except in the generator, where they are only locked if ticked.
    void presetForRecord(const FileParams &current, bool isPostfixKnown, bool isSimulation);

public slots:
    void slotChanged(bool isChecked);
    void slotChanNumChange(int nCount);
    void slotComplexChange(bool isComplex);

private slots:
    void slotBytesPerSampleChange(int nBytes);

private:
    QCheckBox *m_pChangeCheck = nullptr;
    QDoubleSpinBox *m_pSampleRateSpin = nullptr;
    SampleWidthSpin *m_pBytesPerSamplesSpin = nullptr;
    QSpinBox *m_pChanNumSpin = nullptr;
    QSpinBox *m_pBitRangeSpin = nullptr;
    QDoubleSpinBox *m_pVoltageRangeSpin = nullptr;
    QCheckBox *m_pComplecCheckBox = nullptr;
    QComboBox *m_pConvertCodeCmbBox = nullptr;
    bool m_isUseChosen = false; // the user's choice while the record forces the tick
};
