#pragma once
// The phase of channels 2, 3 and 4 against channel 1, measured on every block in the thread
// pool while the dialog is shown; the periods of all four; thresholds that stop acquisition
// when a phase leaves its window. Works on the oscilloscope window or on the whole block.
#include "sources/BlockSnapshot.h"
#include "dialogs/LatestTask.h"
#include "dialogs/MeasurementView.h"
#include "sources/measure/phase/PhaseMisJob.h"
#include "sources/settings/PhaseMisSettings.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class RunButton;

class PhaseMisDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit PhaseMisDlg(QWidget *parent = nullptr);
    // Waits for the measurement in flight: it must not outlive what it reports to.
    ~PhaseMisDlg() override;

    void setConfigPath(const QString &sPath) override;
    void loadSettings();
    void saveSettings() const;
    void setSettings(const PhaseMisSettings &settings);
    PhaseMisSettings settings() const;

    // The channels the choosers offer; each keeps its channel when it is still offered, else
    // chooser i takes the i-th channel (none when there are fewer).
    void setChannelNumbers(const QList<int> &numbers);
    // Opens only on a block with samples, offering its channels.
    bool prepare(const ViewSetup &setup) override;
    // Starts a measurement of the block when shown: the window's W samples from its first, or
    // the whole buffer. One measurement runs at a time; the newest block waits for it.
    void followBlock(const MeasurementContext &context) override;
    // The main window's acquisition state, which the start button shows.
    void setRunning(bool isRunning) override;
    bool isAcquisitionRunning() const;
    // Shown and measuring the whole record: the source should read all of it.
    bool wantsWholeRecord() const override;
    // The last measurement shown; empty before the first.
    const std::optional<PhaseMisOutcome> &lastOutcome() const { return m_outcome; }
    bool isMeasuring() const { return m_task.isBusy(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Request {
        BlockSnapshotPtr block;
        std::array<int, PhaseMisJob::ChannelCount> channels;
        SampleSpan span;
    };
    static PhaseMisOutcome measure(const Request &request);
    void showOutcome(const PhaseMisOutcome &outcome);
    void refreshFields();
    // Phase of channel c (1..3) in the unit of the phase chooser.
    double phaseInUnit(size_t c) const;
    bool thresholdCrossed() const;

    QString m_sConfigPath;
    QComboBox *m_pChanCmbBox[PhaseMisJob::ChannelCount] = {};
    QLineEdit *m_pPeriodEdit[PhaseMisJob::ChannelCount] = {};
    QComboBox *m_pPerDimCmbBox = nullptr;
    QLineEdit *m_pPhaseMisEdit[PhaseMisSettings::OtherChannels] = {};
    QComboBox *m_pPhaseMisDimCmbBox = nullptr;
    QCheckBox *m_pLowCheck[PhaseMisSettings::OtherChannels] = {};
    QLineEdit *m_pLowEdit[PhaseMisSettings::OtherChannels] = {};
    QCheckBox *m_pHiCheck[PhaseMisSettings::OtherChannels] = {};
    QLineEdit *m_pHiEdit[PhaseMisSettings::OtherChannels] = {};
    QCheckBox *m_pWinCheck = nullptr;
    RunButton *m_pStartButton = nullptr;
    QLabel *m_pReasonLabel = nullptr; // why figures are blank or failure values, in Russian

    std::optional<PhaseMisOutcome> m_outcome;
    // Last, so that it waits for its task before the fields its result reaches go.
    LatestTask<Request, PhaseMisOutcome> m_task;
};
