#include "app/Orma.h"

#include "app/AboutDlg.h"
#include "app/ChannelSearchControl.h"
#include "app/ExportControl.h"
#include "app/MeasurementHost.h"
#include "app/PluginControl.h"
#include "app/RecordPositionReadout.h"
#include "app/ReportControl.h"
#include "app/FilterFollower.h"
#include "dialogs/FiltersDlg.h"
#include "sources/settings/IniFile.h"
#include "app/SourceKinds.h"
#include "dialogs/OscSpectrDlg.h"
#include "dialogs/OtherSetupDlg.h"
#include "dialogs/PalletDlg.h"
#include "panels/ElidedLabel.h"
#include "panels/LegendItemWidget.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaPlotGrid.h"
#include "sources/record/FileSource.h"
#include "sources/ui/NetworkSettingsDlg.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/ui/SignalSimulationDlg.h"
#include "sources/generator/SimulationSettings.h"
#include "sources/SignalSource.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <mutex>

#include <qwt_plot_grid.h>

namespace {

constexpr int kNarrowWidth = 1069;

const char *const kViewTitles[3] = {"ОСЦИЛЛОГРАФ - ", "АНАЛИЗАТОР СПЕКТРА - ",
                                    "ОСЦИЛЛОГРАФ + АНАЛИЗАТОР СПЕКТРА - "};

QPen gridPen()
{
    QPen pen{QColor()};
    pen.setWidth(0);
    pen.setStyle(Qt::DotLine);
    return pen;
}

} // namespace

Orma::Orma(QWidget *parent)
    : QMainWindow(parent), m_session(applicationConfigPath(QCoreApplication::applicationDirPath()))
{
    m_pMeasurements = std::make_unique<MeasurementHost>(this, m_acq, [this] { return viewSetup(); });
    buildCentralWidget();
    buildActions();
    assignShortcuts();
    buildControls();
    buildMenus();
    buildToolBars();
    installEventFilter(this);
    statusBar()->setObjectName("pstatusBar");
    statusBar()->setAutoFillBackground(true);
    // The acquisition state and the note about the record stay when a status tip passes.
    m_pStateLabel = new ElidedLabel(statusBar());
    m_pStateLabel->setObjectName("m_pStateLabel");
    statusBar()->addPermanentWidget(m_pStateLabel);
    // Long texts are cut to the bar's width, whole in their tool tips, rather than pushing
    // the state off the window.
    m_pNoteLabel = new ElidedLabel(statusBar());
    m_pNoteLabel->setObjectName("m_pNoteLabel");
    statusBar()->addWidget(m_pNoteLabel, 1);
    m_pSourceMessage = new ElidedLabel(statusBar());
    m_pSourceMessage->setObjectName("m_pSourceMessage");
    statusBar()->addPermanentWidget(m_pSourceMessage);
    setStatus("Остановка сбора", QColor(255, 0, 0));
    resize(719, 465);
    setIconSize(QSize(20, 22));
    setWindowIcon(QIcon(":/Orma/Resources/orma.png"));
    setAcceptDrops(true);

    connect(&m_acq, &AcquisitionControl::startWanted, this, &Orma::slotStart);
    connect(&m_tmScroll, &QTimer::timeout, this, &Orma::slotScrolling);

    m_pFiltersDlg = new FiltersDlg(this);
    connect(m_pFiltersDlg, &FiltersDlg::signalParamsChange, this, &Orma::slotUpdateFiltrParams);
    auto *filterStatus = new QLabel;
    filterStatus->setObjectName("m_pFilterStatusLabel");
    statusBar()->addPermanentWidget(filterStatus);
    m_pFilterFollower = std::make_unique<FilterFollower>(*m_pFiltersDlg, *filterStatus);
    addBlockFollower(BlockFollower::EveryBlock, m_pFilterFollower.get());
    m_pSignalSimulationDlg = new SignalSimulationDlg(this);
    m_pPalletDlg = new PalletDlg(this);
    m_pOscSpectrDlg = new OscSpectrDlg(this);
    m_pOtherSetupDlg = new OtherSetupDlg(this);
    connect(m_pMeasurements.get(), &MeasurementHost::runWanted, this, [this](bool run) {
        if (run)
            slotStart();
        else
            stopAcquisition();
    });
    // The generator has no record to take whole.
    connect(m_pMeasurements.get(), &MeasurementHost::wholeRecordChanged, this, [this] {
        if (!m_pSimulationAction->isChecked())
            slotAllDataEnable();
    });
    connect(m_pOscAction, &QAction::toggled, this, &Orma::slotShowOscAction);
    connect(m_pSpectrAction, &QAction::toggled, this, &Orma::slotShowSpectrAction);
    connect(m_pOscSpectrAction, &QAction::toggled, this, &Orma::slotShowOscSpectrAction);

    for (int i = 0; i < kSourceKindCount; ++i) {
        const SourceKindInfo &kind = sourceKinds()[i];
        QAction *action = m_mModeActions.value(kind.kind);
        action->setEnabled(kind.create != nullptr);
        connect(action, &QAction::toggled, this, &Orma::slotChangeMode);
    }

    m_pOscGrid = new OrmaPlotGrid;
    m_pOscGrid->setPen(gridPen());
    m_pOscGrid->attach(m_pOrmaOscPanel->plot());
    m_pSpectrGrid = new QwtPlotGrid;
    m_pSpectrGrid->setPen(gridPen());
    m_pSpectrGrid->attach(m_pOrmaSpectrPanel->plot());

    readConfig();
    applyConfig();

    m_pSimulationMenu->installEventFilter(this);
    m_pFindMenu->installEventFilter(this);

    for (OrmaPanel *panel : {static_cast<OrmaPanel *>(m_pOrmaOscPanel),
                             static_cast<OrmaPanel *>(m_pOrmaSpectrPanel)}) {
        connect(panel, &OrmaPanel::signalRightButton, this, &Orma::slotShowOscSpectrDlg);
        connect(panel, &OrmaPanel::signalAutoScale, this, &Orma::slotAutoScale);
        connect(panel, &OrmaPanel::signalMousePress, this, &Orma::slotSliderPress,
                Qt::QueuedConnection);
        connect(panel, &OrmaPanel::signalMouseRelease, this, &Orma::slotSliderRelease,
                Qt::QueuedConnection);
        connect(panel, &OrmaPanel::signalActive, this, &Orma::slotActiveOrmaPanel);
    }
    connect(m_pOrmaOscPanel, &OrmaPanel::signalMoveCanvas, this, &Orma::slotMoveCanvas,
            Qt::QueuedConnection);
    connect(m_pOrmaOscPanel, &OrmaPanel::signalScaleXChanged, this, &Orma::slotSaveXWidth);
    connect(m_pOrmaSpectrPanel, &OrmaPanel::signalCurrentChanChange, this,
            &Orma::slotCurrentChanChange);
    connect(m_pOrmaSpectrPanel, &OrmaPanel::signalMarkerPosChange, this,
            &Orma::slotMarkerPosChange);
    connect(m_pOrmaSpectrPanel, &OrmaSpectrPanel::signalHideMarker, this, &Orma::slotHideMarker);
    connect(m_pOrmaSpectrPanel, &OrmaPanel::signalDimChanged, this, &Orma::slotSpectrParams);

    // No fixed minimum size: the layouts keep the window's minimum up to date as fonts change
    // and read-outs wrap into rows of their own; a size fixed here went stale, and sliders
    // then ran over the plots' axes.
    applyCommandLine(QCoreApplication::arguments().mid(1));
}

Orma::~Orma() = default;

void Orma::buildControls()
{
    m_pSearch = std::make_unique<ChannelSearchControl>(this, *m_pOrmaOscPanel, [this] {
        return SearchView{block(), m_session.configPath, m_session.analyser.impedance};
    });
    connect(m_pSearch.get(), &ChannelSearchControl::stopWanted, this, [this](const QString &report) {
        stopAcquisition();
        // Why it stopped stays in view until the next start, with or without the report box.
        setStatus("Поиск остановлен: " + QString(report).replace('\n', "; "), QColor(255, 0, 0));
        m_bScrolling = false;
        m_pActionStart->setEnabled(true);
        m_pLeftButton->setChecked(false);
        m_pRightButton->setChecked(false);
    });
    m_pPlugins = std::make_unique<PluginControl>(
        this,
        [this] {
            return PluginSubject{m_session.loadedFiles, sourceKind() == KindFile && fileSource(),
                                 block() && block()->channelSamples(0)};
        },
        [this](const QStringList &files) { showRecordFiles(files); });
    m_pExport = std::make_unique<ExportControl>(this, *m_pOrmaOscPanel, *m_pOrmaSpectrPanel,
                                                tableAction("m_pActionOscSpectr"),
                                                [this] { return ExportView{activePanel(), block()}; });
    for (OrmaPanel *panel : {static_cast<OrmaPanel *>(m_pOrmaOscPanel),
                             static_cast<OrmaPanel *>(m_pOrmaSpectrPanel)})
        connect(panel, &OrmaPanel::signalContextMenu, m_pExport.get(),
                [this, panel](const QPoint &at) { m_pExport->showPanelMenu(panel, at); });
}

// One row per action: the member it lands in (none for an action that is only placed in menus
// and tool bars, which find it by its object name), its object name, text, icon (a name under
// ":/Orma/Resources/" or a full resource path), whether it is checkable, and what it calls.
struct Orma::ActionRow {
    QAction *Orma::*member;
    const char *name;
    const char *text;
    const char *icon;
    bool checkable;
    void (Orma::*onTrigger)() = nullptr;
    void (Orma::*onTriggerChecked)(bool) = nullptr;
    void (Orma::*onToggle)(bool) = nullptr;
    bool queued = false;
};

void Orma::buildActions()
{
    static const ActionRow kActions[] = {
        {&Orma::m_pMoveAction, "m_pMoveAction", "Переместить", "move.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pVMoveAction, "m_pVMoveAction", "Вертикальное перемещение", "vmove.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pHMoveAction, "m_pHMoveAction", "Горизонтальное перемещение", "hmove.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pZoomAction, "m_pZoomAction", "Увеличение", "zoom.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pVZoomAction, "m_pVZoomAction", "Вертикальное увеличение", "vzoom.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pHZoomAction, "m_pHZoomAction", "Горизонтальное увеличение", "hzoom.png", true, nullptr, &Orma::slotAction},
        {nullptr, "m_pUndoAction", "Отменить", ":/OrmaPlotSample/Resources/undo.png", false, &Orma::slotUndo},
        {nullptr, "m_pUndoAllAction", "Отменить все изменения", ":/OrmaPlotSample/Resources/undoall.png", false, &Orma::slotUndoAll},
        {&Orma::m_pBlueMarkerAction, "m_pBlueMarkerAction", "Синий маркер", "bluemarker.png", true, nullptr, &Orma::slotAction},
        {&Orma::m_pRedMarkerAction, "m_pRedMarkerAction", "Красный маркер", "redmarker.png", true, nullptr, &Orma::slotAction},
        {nullptr, "m_pActionOscSpectr", "Осциллограф и Анализатор...", "advancedsettings.png", false, &Orma::slotShowOscSpectrDlg},
        {&Orma::m_pActionStart, "m_pActionStart", "Старт", "play.png", false, &Orma::slotStart},
        {&Orma::m_pSimulationAction, "m_pSimulationAction", "Имитация сигнала", "", true},
        {&Orma::m_pSigFileAction, "m_pSigFileAction", "Сигнал из файла", "", true},
        {nullptr, "m_pPalletAction", "Палитра...", "", false, &Orma::slotShowPalletDlg},
        {nullptr, "m_pFileOpenAction", "Открыть...", "", false, &Orma::slotFileOpenAction, nullptr, nullptr, true},
        {nullptr, "m_pExitAction", "Выход", "", false, &Orma::slotExit},
        {&Orma::m_pFileParamsAction, "m_pFileParamsAction", "Атрибуты...", "", false, &Orma::slotShowFileParamsDlg},
        {&Orma::m_pOscAction, "m_pOscAction", "Осциллограф", "", true},
        {&Orma::m_pSpectrAction, "m_pSpectrAction", "Анализатор спектра", "", true},
        {&Orma::m_pOscSpectrAction, "m_pOscSpectrAction", "Осциллограф+Анализатор", "", true},
        {&Orma::m_pActionAccumulation, "m_pActionAccumulation", "Накопление", "accumulation.png", true, nullptr, &Orma::slotAccumulation},
        {nullptr, "m_pFileAddDelAction", "Добавить/Удалить...", "", false, &Orma::slotFileAddDelAction},
        {nullptr, "m_pFiltrationAction", "Фильтрация...", "", false, &Orma::slotShowFiltrationDlg},
        {&Orma::m_pFiltrationEnableAction, "m_pFiltrationEnableAction", "Включить фильтрацию", "filter_en.png", true, nullptr, nullptr, &Orma::slotFiltrationEnable},
        {nullptr, "m_pFontAction", "Шрифт...", "", false, &Orma::slotShowFontDlg},
        {nullptr, "m_pAboutAction", "О программе...", "", false, &Orma::slotAboutAction},
        {nullptr, "m_pOtherAction", "Прочее...", "", false, &Orma::slotShowOtherSetupDlg},
        {nullptr, "m_pSaveConfigAction", "Сохранить конфигурацию", "saveconfig.png", false, &Orma::slotSaveConfig},
        {&Orma::m_pSingleStartAction, "m_pSingleStartAction", "Однократный сбор", "", true, nullptr, nullptr, &Orma::slotSingleStartToggled},
        {&Orma::m_pFileMapAction, "m_pFileMapAction", "Разделяемая память", "", true},
        {nullptr, "m_pNetAction", "Сеть", "", true},
        {nullptr, "m_pNetworkSettingsAction", "Сеть...", "", false, &Orma::slotShowNetworkSettings},
    };

    for (const ActionRow &row : kActions) {
        auto *action = new QAction(QString::fromUtf8(row.text), this);
        action->setObjectName(row.name);
        const QString icon = QString::fromUtf8(row.icon);
        if (!icon.isEmpty())
            action->setIcon(QIcon(icon.startsWith(':') ? icon : ":/Orma/Resources/" + icon));
        action->setCheckable(row.checkable);
        const Qt::ConnectionType type = row.queued ? Qt::QueuedConnection : Qt::AutoConnection;
        if (row.onTrigger)
            connect(action, &QAction::triggered, this, row.onTrigger, type);
        if (row.onTriggerChecked)
            connect(action, &QAction::triggered, this, row.onTriggerChecked, type);
        if (row.onToggle)
            connect(action, &QAction::toggled, this, row.onToggle, type);
        if (row.member)
            this->*row.member = action;
    }
    m_pActionAccumulation->setToolTip("Накопление");

    m_mModeActions = {{KindFile, m_pSigFileAction},
                      {KindSimulation, m_pSimulationAction},
                      {KindSharedMemory, m_pFileMapAction},
                      {KindNetwork, tableAction("m_pNetAction")}};
    m_lPlotTools = {m_pMoveAction, m_pVMoveAction, m_pHMoveAction, m_pZoomAction,
                    m_pVZoomAction, m_pHZoomAction, m_pBlueMarkerAction, m_pRedMarkerAction};
}

QAction *Orma::tableAction(const char *name) const
{
    auto *action = findChild<QAction *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    if (!action)
        qFatal("The action table has no action %s", name);
    return action;
}

QList<QAction *> Orma::tableActions(std::initializer_list<const char *> names) const
{
    QList<QAction *> actions;
    for (const char *name : names)
        actions << tableAction(name);
    return actions;
}

// The usual keys of a bench instrument's viewer; the menus show them beside their entries.
void Orma::assignShortcuts()
{
    const struct {
        const char *action;
        QKeySequence keys;
    } shortcuts[] = {
        {"m_pFileOpenAction", QKeySequence::Open},
        {"m_pSaveConfigAction", QKeySequence::Save},
        {"m_pActionStart", QKeySequence(Qt::Key_F5)},
        {"m_pSingleStartAction", QKeySequence(Qt::Key_F6)},
        {"m_pExitAction", QKeySequence::Quit},
        {"m_pZoomAction", QKeySequence::ZoomIn},
        {"m_pUndoAction", QKeySequence::Undo},
        {"m_pUndoAllAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
    };
    for (const auto &s : shortcuts)
        tableAction(s.action)->setShortcut(s.keys);
    // In no menu or tool bar, the undo actions' keys work only from the window's own list.
    addActions(tableActions({"m_pUndoAction", "m_pUndoAllAction"}));
}

void Orma::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu("&Файл");
    file->addActions(tableActions({"m_pFileOpenAction", "m_pFileAddDelAction", "m_pFileParamsAction"}));
    m_pRecentFilesMenu = file->addMenu("Последние открытые файлы");
    m_pRecentFilesMenu->setObjectName("m_pRecentFilesMenu");
    file->addSeparator();
    m_pExport->addToMenu(file);
    // The window owns the entry's control as its child.
    (new ReportControl(this, [this] {
        return ReportView{block(), sourceKind() == KindFile ? m_session.loadedFiles.value(0) : QString(),
                          m_session.configPath};
    }))->addToMenu(file);
    file->addSeparator();
    file->addAction(tableAction("m_pExitAction"));

    QMenu *mode = bar->addMenu("&Режим");
    mode->setObjectName("m_pModeMenu");
    mode->addAction(tableAction("m_pSingleStartAction"));
    mode->addSeparator();
    mode->addActions(tableActions({"m_pSigFileAction", "m_pSimulationAction", "m_pFileMapAction",
                                   "m_pNetAction"}));

    bar->addMenu("&Вид")->addActions(
        tableActions({"m_pOscAction", "m_pSpectrAction", "m_pOscSpectrAction"}));

    QMenu *settings = bar->addMenu("&Настройки");
    settings->addActions(tableActions({"m_pActionOscSpectr", "m_pPalletAction", "m_pFontAction",
                                       "m_pNetworkSettingsAction", "m_pOtherAction"}));
    settings->addSeparator();
    settings->addAction(tableAction("m_pSaveConfigAction"));

    m_pSimulationMenu = bar->addMenu("&Имитатор!");
    m_pSimulationMenu->setObjectName("m_pSimulationMenu");
    m_pSimulationMenu->setTearOffEnabled(false);
    m_pSimulationMenu->setSeparatorsCollapsible(false);
    m_pFindMenu = bar->addMenu("&Поиск!");
    m_pFindMenu->setObjectName("m_pFindMenu");

    QMenu *transform = bar->addMenu("Пр&еобразование");
    transform->setObjectName("m_pTransformMenu");
    transform->addAction(tableAction("m_pFiltrationAction"));
    transform->addActions(m_pMeasurements->actions(measure::Menu::Transform));
    transform->addSeparator();
    m_pPlugins->addToMenu(transform);

    bar->addMenu("Из&мерения")->addActions(m_pMeasurements->actions(measure::Menu::Measurements));

    bar->addMenu("&Справка")->addAction(tableAction("m_pAboutAction"));
}

void Orma::buildToolBars()
{
    auto toolBar = [this](const char *name) {
        QToolBar *bar = QMainWindow::addToolBar(name);
        bar->setObjectName(name);
        return bar;
    };
    toolBar("toolBar_4")->addAction(tableAction("m_pSaveConfigAction"));

    QToolBar *tools = toolBar("toolBar");
    tools->addActions(tableActions({"m_pMoveAction", "m_pVMoveAction", "m_pHMoveAction"}));
    tools->addSeparator();
    tools->addActions(tableActions({"m_pZoomAction", "m_pVZoomAction", "m_pHZoomAction"}));
    tools->addSeparator();
    tools->addActions(tableActions({"m_pBlueMarkerAction", "m_pRedMarkerAction"}));

    toolBar("toolBar_2")->addAction(tableAction("m_pActionStart"));

    QToolBar *modes = toolBar("toolBar_3");
    modes->addAction(tableAction("m_pActionAccumulation"));
    modes->addAction(m_pSearch->action());
    modes->addActions(tableActions({"m_pActionOscSpectr", "m_pFiltrationEnableAction"}));
}

void Orma::buildCentralWidget()
{
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    m_pOrmaOscPanel = new OrmaOscPanel(central);
    m_pOrmaOscPanel->setObjectName("m_pOrmaOscPanel");
    m_pOrmaSpectrPanel = new OrmaSpectrPanel(central);
    m_pOrmaSpectrPanel->setObjectName("m_pOrmaSpectrPanel");
    layout->addWidget(m_pOrmaOscPanel, 1);
    layout->addWidget(m_pOrmaSpectrPanel, 1);

    auto *strip = new QHBoxLayout;
    m_pLegendFrame = new QFrame;
    m_pLegendFrame->setObjectName("m_pLegendFrame");
    m_pLegendLayout = new QHBoxLayout(m_pLegendFrame);
    m_pLegendLayout->setContentsMargins(0, 0, 0, 0);
    m_pLegendLayout->setSpacing(2);
    m_pLegendLayout->addStretch();
    strip->addWidget(m_pLegendFrame, 1);

    m_pDeltaWidget = new QWidget;
    m_pDeltaWidget->setObjectName("m_pDeltaWidget");
    auto *delta = new QHBoxLayout(m_pDeltaWidget);
    delta->setContentsMargins(0, 0, 0, 0);
    m_pDeltaEdit = new QLineEdit("2");
    m_pDeltaEdit->setObjectName("m_pDeltaEdit");
    m_pDeltaEdit->setMaxLength(3);
    m_pDeltaEdit->setValidator(new QIntValidator(0, 100, m_pDeltaEdit));
    m_pDeltaEdit->setFixedWidth(36);
    auto makeButton = [](const char *name, const QString &icon, const QString &text) {
        auto *button = new QToolButton;
        button->setObjectName(name);
        button->setFixedSize(30, 30);
        if (icon.isEmpty())
            button->setText(text);
        else
            button->setIcon(QIcon(icon));
        return button;
    };
    m_pDeltaIncButton = makeButton("m_pDeltaIncButton", ":/Orma/Resources/plus.png", "");
    m_pDeltaDecButton = makeButton("m_pDeltaDecButton", ":/Orma/Resources/munus.png", "");
    delta->addWidget(m_pDeltaEdit);
    delta->addWidget(m_pDeltaIncButton);
    delta->addWidget(m_pDeltaDecButton);
    m_pDeltaWidget->hide();
    strip->addWidget(m_pDeltaWidget);
    connect(m_pDeltaIncButton, &QToolButton::clicked, this, &Orma::slotDeltaInc);
    connect(m_pDeltaDecButton, &QToolButton::clicked, this, &Orma::slotDeltaDec);

    auto *scroll = new QFrame;
    scroll->setObjectName("m_pScrollFrame");
    auto *scrollLayout = new QHBoxLayout(scroll);
    scrollLayout->setContentsMargins(0, 0, 0, 0);
    m_pPositionReadout = new RecordPositionReadout(*m_pOrmaOscPanel, scroll);
    scrollLayout->addWidget(m_pPositionReadout);
    addBlockFollower(BlockFollower::WhileVisible, m_pPositionReadout);
    scrollLayout->addSpacing(8);
    scrollLayout->addWidget(new QLabel("Прокрутка"));
    m_pLeftButton = makeButton("m_pLeftButton", "", "<<");
    m_pRightButton = makeButton("m_pRightButton", "", ">>");
    for (QToolButton *button : {m_pLeftButton, m_pRightButton}) {
        button->setCheckable(true);
        button->setEnabled(false);
        scrollLayout->addWidget(button);
        connect(button, &QToolButton::clicked, this, &Orma::slotLeftRight);
    }
    m_pPercentSpin = new QSpinBox;
    m_pPercentSpin->setObjectName("m_pPercentSpin");
    m_pPercentSpin->setRange(1, 100);
    m_pPercentSpin->setValue(100);
    m_pPercentSpin->setSuffix("%");
    scrollLayout->addWidget(m_pPercentSpin);
    connect(m_pPercentSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &Orma::slotPercentChanged);
    strip->addWidget(scroll);
    layout->addLayout(strip);
    setCentralWidget(central);
}

// --- display modes, title, tools ------------------------------------------------------------

void Orma::showPanelsView(int nView, QAction *sender, bool isShow)
{
    if (!isShow) {
        // The three actions act as radio items: the active one cannot be unchecked.
        if (m_nPanelsView == nView) {
            QSignalBlocker block(sender);
            sender->setChecked(true);
        }
        return;
    }
    m_nPanelsView = nView;
    rebuildTitle();
    for (QAction *other : {m_pOscAction, m_pSpectrAction, m_pOscSpectrAction}) {
        if (other != sender) {
            QSignalBlocker block(other);
            other->setChecked(false);
        }
    }
    m_pOrmaOscPanel->setVisible(nView != 1);
    m_pOrmaSpectrPanel->setVisible(nView != 0);
    m_pOrmaSpectrPanel->setDynParamsShown(nView == 1);
    if (source())
        source()->setComputeSpectrum(nView != 0 || m_session.other.isSpectrEnable);
    m_session.writeKey("", "PanelsView", nView);
}

void Orma::slotShowOscAction(bool isShow) { showPanelsView(0, m_pOscAction, isShow); }
void Orma::slotShowSpectrAction(bool isShow) { showPanelsView(1, m_pSpectrAction, isShow); }
void Orma::slotShowOscSpectrAction(bool isShow) { showPanelsView(2, m_pOscSpectrAction, isShow); }

QString Orma::sourceTitle()
{
    switch (sourceKind()) {
    case KindFile: {
        QString name = fileSource() ? fileSource()->firstFileName() : QString();
        if (name.isEmpty() && fileSource() && !m_session.config.recentFiles.isEmpty()) {
            name = m_session.config.recentFiles.first();
            fileSource()->setFileName(name);
        }
        return "Сигнал из файла - " + name;
    }
    case KindSimulation:
        return "Имитатор сигналов";
    case KindSharedMemory:
        return "Сигнал из разделяемой памяти - " + m_sMapName;
    default:
        return QStringLiteral("Сигнал из сети - %1 : %2 : %3")
            .arg(m_session.network.address)
            .arg(m_session.network.port)
            .arg(m_session.network.fileName);
    }
}

void Orma::rebuildTitle()
{
    if (!source())
        return;
    setWindowTitle(QString(kViewTitles[qBound(0, m_nPanelsView, 2)]) + sourceTitle());
}

OrmaPanel *Orma::activePanel() const
{
    if (m_pOrmaOscPanel->isActive())
        return m_pOrmaOscPanel;
    if (m_pOrmaSpectrPanel->isActive())
        return m_pOrmaSpectrPanel;
    return nullptr;
}

void Orma::applyPlotTool(QAction *tool, bool isOn)
{
    const bool spectrOn = isOn && !m_session.analyser.isDb;
    auto apply = [&](OrmaPanel *panel, bool on) {
        if (tool == m_pMoveAction)
            panel->setMoveMode(on);
        else if (tool == m_pVMoveAction)
            panel->setVMoveMode(on);
        else if (tool == m_pHMoveAction)
            panel->setHMoveMode(on);
        else if (tool == m_pZoomAction)
            panel->setZoomMode(on);
        else if (tool == m_pVZoomAction)
            panel->setVZoomMode(on);
        else if (tool == m_pHZoomAction)
            panel->setHZoomMode(on);
        else if (tool == m_pRedMarkerAction)
            panel->enableRedMarkerTool(on);
        else if (tool == m_pBlueMarkerAction)
            panel->enableBlueMarkerTool(on);
    };
    apply(m_pOrmaOscPanel, isOn);
    apply(m_pOrmaSpectrPanel, spectrOn);
}

void Orma::slotAction(bool isEnable)
{
    auto *sender = qobject_cast<QAction *>(QObject::sender());
    if (!sender)
        return;
    if (isEnable && m_pToolAction && m_pToolAction != sender) {
        QSignalBlocker block(m_pToolAction);
        m_pToolAction->setChecked(false);
        applyPlotTool(m_pToolAction, false);
    }
    m_pToolAction = isEnable ? sender : nullptr;
    applyPlotTool(sender, isEnable);
    if (sender == m_pRedMarkerAction || sender == m_pBlueMarkerAction) {
        if (isEnable)
            m_nMarkerPos = int(m_pOrmaSpectrPanel->plot()->markerValue(sender == m_pBlueMarkerAction).x());
        else if (!m_pRedMarkerAction->isChecked() && !m_pBlueMarkerAction->isChecked())
            m_nMarkerPos = -1;
    }
    refreshReadout();
}

QAction *Orma::checkedPlotTool() const
{
    for (QAction *tool : m_lPlotTools)
        if (tool->isChecked())
            return tool;
    return nullptr;
}

void Orma::slotAutoScale()
{
    if (auto *panel = qobject_cast<OrmaPanel *>(sender()))
        panel->showAll();
}

// The panel the user works in, or the oscilloscope when neither has been clicked yet.
void Orma::slotUndo()
{
    OrmaPanel *panel = activePanel();
    (panel ? panel : m_pOrmaOscPanel)->slotUndo();
}

void Orma::slotUndoAll()
{
    OrmaPanel *panel = activePanel();
    (panel ? panel : m_pOrmaOscPanel)->undoAll();
}

void Orma::slotActiveOrmaPanel()
{
    OrmaPanel *other = sender() == m_pOrmaOscPanel ? static_cast<OrmaPanel *>(m_pOrmaSpectrPanel)
                                                   : m_pOrmaOscPanel;
    other->setActive(false);
}

bool Orma::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_pSimulationMenu || watched == m_pFindMenu)) {
        menuBar()->clearFocus();
        if (watched == m_pSimulationMenu && m_pSimulationMenu->isEnabled()) {
            m_pSignalSimulationDlg->setSettings(m_session.simulation);
            auto *simulation = qobject_cast<SignalSimulation *>(source());
            if (m_pSignalSimulationDlg->exec() == QDialog::Accepted) {
                m_session.simulation = m_pSignalSimulationDlg->settings();
                m_session.simulation.save(m_session.configPath);
                if (simulation)
                    m_acq.hold([&] { applySimulation(*simulation, m_session.simulation); });
            }
        } else if (watched == m_pFindMenu) {
            m_pSearch->showCriteria();
        }
        return true;
    }
    if (watched == this && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        OrmaPanel *panel = activePanel();
        if (!panel)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (event->type() == QEvent::KeyPress && key->modifiers() == Qt::ControlModifier) {
            if (key->key() == Qt::Key_Equal)
                panel->zoomX(1);
            else if (key->key() == Qt::Key_Minus)
                panel->zoomX(-1);
            else if (key->key() == Qt::Key_0)
                panel->showAll();
            else
                return false;
            return true;
        }
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress && !m_bSpaceHeld) {
                m_bSpaceHeld = true;
                m_pSpaceAction = checkedPlotTool();
                if (!m_pMoveAction->isChecked())
                    m_pMoveAction->trigger();
            } else if (event->type() == QEvent::KeyRelease && m_bSpaceHeld) {
                m_bSpaceHeld = false;
                if (m_pSpaceAction && m_pSpaceAction != m_pMoveAction)
                    m_pSpaceAction->trigger();
                else if (!m_pSpaceAction && m_pMoveAction->isChecked())
                    m_pMoveAction->trigger();
                m_pSpaceAction = nullptr;
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- fonts and size --------------------------------------------------------------------------

void Orma::applyFonts()
{
    QFont font = m_font;
    if (m_bNarrow)
        font.setPointSize(qMax(1, font.pointSize() - 2));
    setFont(font);
    if (!m_bNarrow) {
        QFont normal = font;
        normal.setWeight(QFont::Normal);
        menuBar()->setFont(normal);
        for (QMenu *menu : menuBar()->findChildren<QMenu *>())
            menu->setFont(normal);
        for (QDialog *dialog : findChildren<QDialog *>())
            dialog->setFont(normal);
    }
    QFont bold = font;
    bold.setWeight(75);
    m_pOrmaOscPanel->setPanelFont(bold);
    m_pOrmaSpectrPanel->setPanelFont(bold);
    for (LegendItemWidget *item : m_lLegendItems)
        item->setFont(bold);
}

void Orma::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int w = width();
    const bool narrow = w < kNarrowWidth ? true : (w > kNarrowWidth ? false : m_bNarrow);
    if (narrow != m_bNarrow) {
        m_bNarrow = narrow;
        applyFonts();
    }
    // A maximised window keeps the size it will return to.
    if (isMaximized() || isFullScreen())
        return;
    m_session.writeKey("", "WindowWidth", QString::number(w));
    m_session.writeKey("", "WindowHeight", QString::number(height()));
}

void Orma::closeEvent(QCloseEvent *event)
{
    hide();
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top != this)
            top->close();
    stopAcquisition();
    m_acq.waitForThread();
    saveConfig();
    event->accept();
}

void Orma::slotExit()
{
    close();
    QCoreApplication::exit(0);
}

void Orma::slotSourceMessage(QString sText)
{
    if (sender() == source())
        m_pSourceMessage->setText(sText);
}

void Orma::setStatus(const QString &sText, const QColor &color)
{
    QPalette palette = statusBar()->palette();
    palette.setColor(QPalette::Window, color);
    statusBar()->setPalette(palette);
    m_pStateLabel->setText(sText);
}

void Orma::setNote(const QString &sText, bool isWarning)
{
    m_pNoteLabel->setText(sText);
    // Amber, not the state's red or green: the record needs a look, acquisition is not at fault.
    m_pNoteLabel->setStyleSheet(isWarning && !sText.isEmpty()
                                    ? "QLabel { background: #ffc83d; color: black; font-weight: bold; "
                                      "padding: 0 4px; }"
                                    : QString());
}

void Orma::slotShowFontDlg()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_font, this);
    if (!ok)
        return;
    m_font = font;
    applyFonts();
}

void Orma::slotAboutAction()
{
    AboutDlg dialog(this);
    dialog.exec();
}
