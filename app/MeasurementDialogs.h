#pragma once
// The distribution, device table and intermodulation dialogs as the window runs them: created
// once, shown on demand with the configuration in use, and joined to the data cycle at their
// stages.
#include "app/BlockFollower.h"

#include <QObject>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class AdcDistribDlg;
class DevParamsDlg;
class IntermodDistDlg;
class QWidget;

class MeasurementDialogs : public QObject {
    Q_OBJECT
public:
    explicit MeasurementDialogs(QWidget *window);
    ~MeasurementDialogs() override;

    AdcDistribDlg *adcDistrib() const { return m_pAdcDistribDlg; }
    DevParamsDlg *devParams() const { return m_pDevParamsDlg; }
    IntermodDistDlg *intermod() const { return m_pIntermodDistDlg; }

    // Each dialog reads its settings from the configuration in use when it opens.
    void showAdcDistrib(const QString &sConfigPath);
    void showDevParams(const QString &sConfigPath);
    void showIntermod();

    // The distribution is shown and measures over the whole record.
    bool wantsWholeRecord() const;
    // Every start and stop of acquisition.
    void setRunning(bool isRunning);
    // Where each dialog follows the cycle.
    std::vector<std::pair<BlockFollower::Stage, BlockFollower *>> followers() const;

signals:
    void signalStart();   // the device table's start button
    void signalAllData(); // the distribution's whole-record wish may have changed

private:
    class Follower;
    // The last block the cycle handed over, so that a dialog opened between blocks (acquisition
    // stopped) shows it at once.
    struct LastBlock {
        BlockSnapshotPtr block;
        int channel = 0;
        int visibleWidth = 0;
    };
    void remember(const BlockContext &context);
    enum { IntermodFollower, DistribFollower, TableFollower }; // the order they are made in
    LastBlock m_last;
    AdcDistribDlg *m_pAdcDistribDlg = nullptr;
    DevParamsDlg *m_pDevParamsDlg = nullptr;
    IntermodDistDlg *m_pIntermodDistDlg = nullptr;
    std::vector<std::pair<BlockFollower::Stage, std::unique_ptr<Follower>>> m_followers;
};
