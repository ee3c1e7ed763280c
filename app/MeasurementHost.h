#pragma once
// The window's measurements: a menu entry for each row of measure::entries(), its dialog from
// views::make, joined to the data cycle at the row's stage. The host opens a dialog with what
// the window passes and shows it the block on screen at once, forwards the run state and the
// configuration to every dialog, and turns their wishes into the window's start, stop and
// whole-record read. Why a shown dialog withholds a figure is repeated on the window's status
// line.
#include "dialogs/MeasurementView.h"
#include "sources/measure/Registry.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class AcquisitionControl;
class ElidedLabel;
class QAction;
class QDialog;
class QWidget;

class MeasurementHost : public QObject {
    Q_OBJECT
public:
    // The dialogs and menu entries are the window's children; `setup` is what a dialog opening
    // now is given.
    MeasurementHost(QWidget *window, AcquisitionControl &acquisition,
                    std::function<ViewSetup()> setup);
    // Deletes the dialogs, which save their settings as they close, without letting them reach
    // the host or the window any more.
    ~MeasurementHost() override;

    // The entries of one menu, in the table's order.
    QList<QAction *> actions(measure::Menu menu) const;
    void setConfigPath(const QString &sPath);
    // Every start and stop of acquisition.
    void setRunning(bool isRunning);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // A dialog asks to start (true) or stop acquisition, and it is not so now.
    void runWanted(bool run);
    // A dialog's whole-record wish may have changed.
    void wholeRecordChanged();

private:
    struct Measurement {
        const measure::Entry *entry;
        QAction *action;
        QDialog *dialog;
        MeasurementView *view;
        QString reason; // why the dialog withholds a figure now
    };
    class StageFollower;
    void open(const Measurement &m);
    // Opens, after the cycle, the dialogs asked for before the record's first block told
    // whether it is complex.
    void openWaiting();
    // The status line's text from the reasons of the dialogs shown.
    void showReasons();

    QWidget *m_pWindow;
    std::function<ViewSetup()> m_setup;
    std::vector<Measurement> m_measurements;
    std::vector<std::unique_ptr<StageFollower>> m_followers;
    bool m_bRunning = false;
    std::vector<QAction *> m_waiting;
    ElidedLabel *m_pReasonLabel = nullptr; // in the window's status bar, when it has one
};
