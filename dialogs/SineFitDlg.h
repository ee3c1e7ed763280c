#pragma once
// The four-parameter sine fit of one channel on every block while the dialog is shown, in the
// thread pool: the fitted tone, SINAD and ENOB beside the spectrum's, the residual's split by
// phase, and a plot of the residual by code, by phase or as a spectrum. Works on the
// oscilloscope window or on the whole block.
#include "dialogs/LatestTask.h"
#include "dialogs/MeasurementView.h"
#include "sources/measure/sinefit/SineFitJob.h"

#include <QDialog>

class OrmaPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class RunButton;

class SineFitDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit SineFitDlg(QWidget *parent = nullptr);
    // Waits for the fit in flight: it must not outlive what it reports to.
    ~SineFitDlg() override;

    void setConfigPath(const QString &sPath) override { m_sConfigPath = sPath; }
    bool prepare(const ViewSetup &setup) override;
    void followBlock(const MeasurementContext &context) override;
    void setRunning(bool isRunning) override;
    bool wantsWholeRecord() const override;
    bool isMeasuring() const { return m_task.isBusy(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Request {
        BlockSnapshotPtr block;
        int channel = -1;
        SampleSpan span;
        SineFitView view = SineFitView::ByCode;
    };
    struct Outcome {
        SineFitJob job;
        SineFit fit;
        SineFitCurves curves;
        SineFitView view = SineFitView::ByCode;
    };
    void offerChannels(const MeasurementContext &context);
    static Outcome measure(const Request &request);
    void showOutcome(const Outcome &outcome);
    void remeasure();

    QString m_sConfigPath;
    QComboBox *m_pChanCmbBox = nullptr;
    QComboBox *m_pViewCmbBox = nullptr;
    QLineEdit *m_pFreqEdit = nullptr, *m_pAmplEdit = nullptr, *m_pPhaseEdit = nullptr, *m_pOffsetEdit = nullptr;
    QLineEdit *m_pResidualEdit = nullptr, *m_pSinadEdit = nullptr, *m_pEnobEdit = nullptr;
    QLineEdit *m_pFftSinadEdit = nullptr, *m_pFftEnobEdit = nullptr;
    QLineEdit *m_pAdditiveEdit = nullptr, *m_pSignalEdit = nullptr, *m_pSlopeEdit = nullptr, *m_pJitterEdit = nullptr;
    QCheckBox *m_pWinCheck = nullptr;
    RunButton *m_pStartButton = nullptr;
    QLabel *m_pReasonLabel = nullptr;
    OrmaPlot *m_pPlot = nullptr;
    std::shared_ptr<const Outcome> m_shown; // what the plot's curves point into
    MeasurementContext m_last;              // the block followed last, for a change of view

    // Last, so that it waits for its task before the fields its result reaches go.
    LatestTask<Request, Outcome> m_task;
};
