#pragma once
// The main window: owns the one active signal source, the oscilloscope and spectrum panels and
// the dialogs; drives acquisition block by block, loads records and keeps the configuration.
#include "app/AcquisitionControl.h"
#include "app/BlockFollower.h"
#include "app/MainConfig.h"
#include "app/Session.h"
#include "sources/BlockSnapshot.h"

#include <QElapsedTimer>
#include <QFont>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QAction;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class QToolButton;
class QwtPlotGrid;
class ChannelSearchControl;
class ElidedLabel;
class ExportControl;
class FileSource;
class FilterFollower;
class FiltersDlg;
class LegendItemWidget;
class OrmaOscPanel;
class OrmaPanel;
class OrmaPlotGrid;
class OrmaSpectrPanel;
class OscSpectrDlg;
class OtherSetupDlg;
class MeasurementHost;
class PalletDlg;
class PluginControl;
class RecordPositionReadout;
class SignalSimulationDlg;
class SignalSource;
struct ViewSetup;

class Orma : public QMainWindow, private BlockDisplay {
    Q_OBJECT
public:
    explicit Orma(QWidget *parent = nullptr);
    ~Orma() override;

    // Loads a record file as "-r", the open dialog and the recent-files menu do.
    void loadFile(const QString &sFile);
    // Evaluates the arguments after the program path ("-r" file, "-sm" name, "-j").
    void applyCommandLine(const QStringList &arguments);
    // Joins a dialog to the data cycle at the given stage.
    void addBlockFollower(BlockFollower::Stage stage, BlockFollower *follower);

    SignalSource *source() const { return m_acq.source(); }
    // The block the window shows; null before the first of the current source.
    const BlockSnapshotPtr &block() const { return m_acq.block(); }
    OrmaOscPanel *oscPanel() const { return m_pOrmaOscPanel; }
    OrmaSpectrPanel *spectrPanel() const { return m_pOrmaSpectrPanel; }
    bool isStopped() const { return m_acq.isStopped(); }
    int sourceKind() const { return m_acq.kind(); }
    const QStringList &recentFiles() const { return m_session.config.recentFiles; }
    QString configPath() const { return m_session.configPath; }
    // Duration of the last complete data cycle (the E of the pacing), nanoseconds.
    qint64 lastCycleNs() const { return m_acq.lastCycleNs(); }
    MeasurementHost *measurements() const { return m_pMeasurements.get(); }
    PluginControl &plugins() const { return *m_pPlugins; }

public slots:
    void slotAutoScale();
    void slotUndo();
    void slotUndoAll();
    void slotAction(bool isEnable);
    void slotStart();
    void slotStop();
    void slotShowOscSpectrDlg();
    void slotSpectrParams();
    void slotCurrentChanChange(int nChan);
    void slotMarkerPosChange(double dPos);
    void slotShowOscAction(bool isShow);
    void slotShowSpectrAction(bool isShow);
    void slotShowOscSpectrAction(bool isShow);
    void slotShowPalletDlg();
    void slotShowFileParamsDlg();
    void slotShowOtherSetupDlg();
    void slotShowFontDlg();
    void slotAboutAction();
    void slotShowNetworkSettings();
    // A live source's message (what it waits for, what went wrong) beside the acquisition state.
    void slotSourceMessage(QString sText);
    void slotFileOpenAction();
    void slotFileAddDelAction();
    void slotExit();
    void slotChangeMode(bool isFlg);
    void slotMoveCanvas();
    void slotHideMarker();
    void slotClickRecentFile();
    void slotDeltaInc();
    void slotDeltaDec();
    void slotLeftRight();
    void slotPercentChanged(int nPercent);
    void slotAccumulation(bool isAccumulation);
    void slotAddRemoveFile(int nCmd, QString sFile);
    void slotSliderPress();
    void slotSliderRelease();
    void slotActiveOrmaPanel();
    void slotScrolling();
    void slotAllDataEnable();
    void slotSaveConfig();
    void slotSingleStartToggled(bool isOn);
    void slotSaveXWidth();
    void slotShowFiltrationDlg();
    void slotFiltrationEnable(bool isFlg);
    void slotUpdateFiltrParams();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // A file dropped onto the window is opened as a record.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct ActionRow;
    // construction
    void buildActions();
    // An action the table built, by its object name.
    QAction *tableAction(const char *name) const;
    QList<QAction *> tableActions(std::initializer_list<const char *> names) const;
    void assignShortcuts();
    void buildMenus();
    void buildToolBars();
    void buildCentralWidget();
    // display and tools
    void showPanelsView(int nView, QAction *sender, bool isShow);
    void rebuildTitle();
    QString sourceTitle();
    void applyPlotTool(QAction *tool, bool isOn);
    QAction *checkedPlotTool() const;
    void applyFonts();
    void refreshReadout();
    OrmaPanel *activePanel() const;
    // The channel search, the plug-ins and the exports, each given what it reads of the window.
    void buildControls();
    // The record set the file source reads: the record's own files or a plug-in's copies.
    void showRecordFiles(const QStringList &files);
    // acquisition: the window's side of the cycle
    bool showBlock() override;
    void stopAcquisition() override;
    void reportReadFailure(const QString &message) override;
    FileSource *fileSource() const { return m_acq.fileSource(); }
    void setStatus(const QString &sText, const QColor &color);
    // What the user should know about the record being read (empty: nothing); a warning
    // stands out from the acquisition state until it is taken back.
    void setNote(const QString &sText, bool isWarning = false);
    void refreshNote();
    void rebuildChannels();
    void clearChannels();
    void refreshCurves();
    void relayoutSpectrum();
    void setAxisRanges();
    void showAnalysedBlock(const BlockSnapshot &b);
    void applyChannelScaling(const BlockSnapshot &b);
    void requestBlockAtPosition();
    void allocateSourceWindow();
    void prepareSourceRead();
    void runFollowers(BlockFollower::Stage stage);
    void applyAnalyserSettings();
    void applyOtherSettings();
    void applyPalette();
    // The oscilloscope's window as the measurement dialogs follow it.
    ScopeWindow scopeWindow() const;
    // What a measurement dialog opening now is given.
    ViewSetup viewSetup() const;
    void shiftLegend(int nDelta);
    QColor channelColor(int channel) const;
    // files and configuration
    void addRecentFile(const QString &sFile);
    void rebuildRecentMenu();
    void readConfig();
    void applyConfig();
    void saveConfig();
    void refreshChannelSelectors();
    // The filter dialog's parameters and the on/off state to the current source.
    void applyFilterToSource();

    // source
    AcquisitionControl m_acq{*this};
    QAction *m_pModeAction = nullptr;
    QMap<int, QAction *> m_mModeActions;
    QString m_sMapName;
    ElidedLabel *m_pSourceMessage = nullptr;

    // state
    Session m_session;
    int m_nPanelsView = 2;
    bool m_bStartAfterLoad = false;
    bool m_bFirstLoad = true;
    bool m_bInterpolation = false;
    bool m_bAccumulation = false;
    int m_nAccumFrames = 0;
    int m_nFrameCount = 0;
    int m_nMarkerPos = -1;
    QList<int> m_lShownChannels;

    QTimer m_tmScroll;
    bool m_bScrolling = false;
    double m_dScrollStep = 0;
    double m_dScrollMin = 0;
    double m_dScrollMax = 0;
    bool m_bNarrow = false;
    bool m_bZeroRateWarned = false;
    QAction *m_pToolAction = nullptr;
    QAction *m_pSpaceAction = nullptr;
    bool m_bSpaceHeld = false;
    QFont m_font{"Verdana", 10};

    ElidedLabel *m_pStateLabel = nullptr;
    ElidedLabel *m_pNoteLabel = nullptr;

    // panels and the bottom strip
    OrmaOscPanel *m_pOrmaOscPanel = nullptr;
    OrmaSpectrPanel *m_pOrmaSpectrPanel = nullptr;
    QFrame *m_pLegendFrame = nullptr;
    QHBoxLayout *m_pLegendLayout = nullptr;
    QList<LegendItemWidget *> m_lLegendItems;
    QWidget *m_pDeltaWidget = nullptr;
    QLineEdit *m_pDeltaEdit = nullptr;
    QToolButton *m_pDeltaIncButton = nullptr;
    QToolButton *m_pDeltaDecButton = nullptr;
    QToolButton *m_pLeftButton = nullptr;
    QToolButton *m_pRightButton = nullptr;
    QSpinBox *m_pPercentSpin = nullptr;
    RecordPositionReadout *m_pPositionReadout = nullptr;

    // dialogs created once
    FiltersDlg *m_pFiltersDlg = nullptr;
    std::unique_ptr<FilterFollower> m_pFilterFollower;
    SignalSimulationDlg *m_pSignalSimulationDlg = nullptr;
    PalletDlg *m_pPalletDlg = nullptr;
    OscSpectrDlg *m_pOscSpectrDlg = nullptr;
    OtherSetupDlg *m_pOtherSetupDlg = nullptr;
    // After m_acq, so that it goes first: m_acq keeps its followers but calls none as it ends.
    std::unique_ptr<MeasurementHost> m_pMeasurements;
    std::unique_ptr<ChannelSearchControl> m_pSearch;
    std::unique_ptr<PluginControl> m_pPlugins;
    std::unique_ptr<ExportControl> m_pExport;

    // menus, tool bars, and the actions the window reads or changes after building them
    QMenu *m_pRecentFilesMenu = nullptr;
    QMenu *m_pSimulationMenu = nullptr;
    QMenu *m_pFindMenu = nullptr;
    QList<QAction *> m_lRecentActions;

    QAction *m_pMoveAction = nullptr;
    QAction *m_pVMoveAction = nullptr;
    QAction *m_pHMoveAction = nullptr;
    QAction *m_pZoomAction = nullptr;
    QAction *m_pVZoomAction = nullptr;
    QAction *m_pHZoomAction = nullptr;
    QAction *m_pBlueMarkerAction = nullptr;
    QAction *m_pRedMarkerAction = nullptr;
    QAction *m_pActionStart = nullptr;
    QAction *m_pSimulationAction = nullptr;
    QAction *m_pSigFileAction = nullptr;
    QAction *m_pFileMapAction = nullptr;
    QAction *m_pFileParamsAction = nullptr;
    QAction *m_pOscAction = nullptr;
    QAction *m_pSpectrAction = nullptr;
    QAction *m_pOscSpectrAction = nullptr;
    QAction *m_pActionAccumulation = nullptr;
    QAction *m_pFiltrationEnableAction = nullptr;
    QAction *m_pSingleStartAction = nullptr;
    QList<QAction *> m_lPlotTools;
    OrmaPlotGrid *m_pOscGrid = nullptr;
    QwtPlotGrid *m_pSpectrGrid = nullptr;
};
