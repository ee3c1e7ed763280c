#pragma once
// "Параметры фильтрации": the FIR or IIR filter every channel passes through while filtering
// is on. Modeless and live: every change is announced at once, and the main window hands the
// parameters to the source; the "Filtration/" keys are saved when the dialog is closed.
#include "sources/settings/FilterParams.h"

#include <QDialog>

class QCloseEvent;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

class FiltersDlg : public QDialog {
    Q_OBJECT
public:
    enum Tab { FirTab = 0, IirTab = 1 };

    explicit FiltersDlg(QWidget *parent = nullptr);

    // The configuration load() reads and a close writes.
    void setConfigPath(const QString &sPath) { m_sConfigPath = sPath; }
    void load();
    void save() const;
    // Hz; the filter is checked against it, and the export designs at it.
    void setSampleRate(double dRate);
    // Why the last block was left unfiltered; empty when it was filtered.
    void setBlockStatus(const QString &sStatus);

    void setFilterParams(const FilterParams &params);
    // The widgets as a parameter block: an even length raised to odd, filterId derived.
    FilterParams filterParams() const;

signals:
    void signalParamsChange();

public slots:
    // Filtering switched on (non-zero) or off.
    void slotEnableChange(int nIdx);
    void slotFilterTypeChange(int nIdx);
    void slotEnableWidgets();
    void slotWriteExcel();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QWidget *buildFirTab();
    QWidget *buildIirTab();
    void connectChanges();
    void paramsChanged();
    void showStatus();
    void labelIirEdges();

    QComboBox *m_pFilterTypeCmbBox = nullptr;
    QComboBox *m_pFilterFunctionCmbBox = nullptr;
    QTabWidget *tabWidget = nullptr;
    QWidget *m_pFirTab = nullptr;
    QWidget *m_pIirTab = nullptr;
    QComboBox *m_pFirFilterCmbBox = nullptr;
    QComboBox *m_pFirWindowCmbBox = nullptr;
    QSpinBox *m_pFirLengthSpin = nullptr;
    QDoubleSpinBox *m_pFirBetaKaiserSpin = nullptr;
    QDoubleSpinBox *m_pFirLowFreqSpin = nullptr;
    QDoubleSpinBox *m_pFirUpFreqSpin = nullptr;
    QComboBox *m_pIirFilterCmbBox = nullptr;
    QSpinBox *m_pIirOrderSpin = nullptr;
    QDoubleSpinBox *m_pIirLowFreqSpin = nullptr;
    QDoubleSpinBox *m_pIirUpFreqSpin = nullptr;
    QDoubleSpinBox *m_pIirPulseSpin = nullptr;
    QDoubleSpinBox *m_pIirDepresionSpin = nullptr;
    QPushButton *m_pWriteExcelButton = nullptr;
    QLabel *m_pStatusLabel = nullptr;
    QLabel *m_pSwitchNoteLabel = nullptr;
    QLabel *m_pIirLowFreqLabel = nullptr;
    QLabel *m_pIirUpFreqLabel = nullptr;

    QString m_sConfigPath;
    double m_dSampleRate = 0.0;
    QString m_sBlockStatus;
    bool m_isFilling = false;
};
