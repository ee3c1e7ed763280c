#pragma once
// "Распределение отсчетов АЦП": the histogram of the current channel's codes and, for a sine
// input, its comparison with the sine's ideal distribution (differential and integral
// nonlinearity), and the code-density test's DNL and INL per code in LSB. Counting runs in the background on the delivered block itself, which nothing
// changes any more; the dialog sets its widgets when the result comes back.
#include "dialogs/LatestTask.h"
#include "dialogs/MeasurementView.h"
#include "plot/OrmaTypes.h"
#include "sources/measure/histogram/HistogramJob.h"
#include "sources/settings/MeasurementSettings.h"

#include <QDialog>

class OrmaMarker;
class OrmaPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class AdcDistribDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit AdcDistribDlg(QWidget *parent = nullptr);
    ~AdcDistribDlg() override;

    // Reads the settings from the file, and saves them there whenever the dialog is closed.
    void setConfigPath(const QString &sPath) override;
    void setSettings(const AdcDistribSettings &settings);
    AdcDistribSettings settings() const;

    // The data cycle's block, while the dialog is shown: its current channel over the
    // oscilloscope's span.
    void followBlock(const MeasurementContext &context) override;
    // The dialog is shown and measures over the whole record.
    bool wantsWholeRecord() const override;
    // The last result shown.
    std::shared_ptr<const DistributionResult> result() const { return m_result; }
    bool isComputing() const { return m_task.isBusy(); }

signals:
    void signalReplot();

public slots:
    void slotReplot();
    void slotMarkerEnable(bool isChecked);
    void slotMoveMarker(QwtDoublePoint &point);
    void slotDataTypeChange(int nIdx);
    void slotDimXChange(int nIdx);
    void slotDimYChange(int nIdx);
    void slotHideMarker();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildWidgets();
    void recompute();
    void showResult(std::shared_ptr<const DistributionResult> result);
    void refreshFigures();
    // The code-density test's figures: largest DNL and INL, missing codes.
    void refreshCodeDensity();
    void refreshMarkers();
    // A figure's field: its text, or blank with the reason as its tool tip.
    static void showFigure(QLineEdit *edit, const QString &text, const QString &reason = QString());
    // The reason label: why the figures are withheld or what they stand for.
    void refreshReason();
    // Puts the clicked marker on the code under the click rather than on the curve point
    // nearest on screen, which may lie far away on a steep histogram.
    void seatClickedMarker();
    QString codeText(double x) const;
    // The code under a marker's data x.
    int codeAt(double x) const;
    void saveSettings() const;

    QString m_sConfigPath;
    BlockSnapshotPtr m_block;
    int m_nChannel = 0;
    uint64_t m_nVisibleWidth = 0;
    std::shared_ptr<const DistributionResult> m_result;
    OrmaMarker *m_pClickedMarker = nullptr; // the marker a click is placing, until it is seated
    double m_dClickedX = 0.0;
    LatestTask<DistributionRequest, DistributionResult> m_task;

    OrmaPlot *m_pAdcPlot = nullptr;
    QComboBox *m_pAllDataCmbBox = nullptr;
    QComboBox *m_pXDimCmbBox = nullptr;
    QComboBox *m_pYDimCmbBox = nullptr;
    QComboBox *m_pDataTypeCmbBox = nullptr;
    QCheckBox *m_pSinCheck = nullptr;
    QCheckBox *m_pShowIdealCheck = nullptr;
    QLineEdit *m_pMeanNonLinearEdit = nullptr;
    QLineEdit *m_pDiffNonLinearEdit = nullptr;
    QLineEdit *m_pOffsetZeroEdit = nullptr;
    QLineEdit *m_pSumEdit = nullptr;
    QLineEdit *m_pMaxDnlEdit = nullptr;
    QLineEdit *m_pMaxInlEdit = nullptr;
    QLineEdit *m_pMaxInlFitEdit = nullptr;
    QLineEdit *m_pMissingCodesEdit = nullptr;
    QRadioButton *m_pRedRadio = nullptr;
    QRadioButton *m_pBlueRadio = nullptr;
    QLineEdit *m_pRedXEdit = nullptr;
    QLineEdit *m_pRedYEdit = nullptr;
    QLineEdit *m_pBlueXEdit = nullptr;
    QLineEdit *m_pBlueYEdit = nullptr;
    QLineEdit *m_pDeltaXEdit = nullptr;
    QLineEdit *m_pDeltaYEdit = nullptr;
    QLabel *m_pStatusLabel = nullptr;
    QLabel *m_pReasonLabel = nullptr;
};
