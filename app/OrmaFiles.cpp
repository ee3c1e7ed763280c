// Record files, recent files, the command line, the configuration and the settings dialogs
// of the main window.
#include "app/Orma.h"
#include "app/MeasurementHost.h"
#include "app/PluginControl.h"

#include "sources/settings/IniFile.h"
#include "app/SourceKinds.h"
#include "dialogs/FiltersDlg.h"
#include "dialogs/OscSpectrDlg.h"
#include "dialogs/OtherSetupDlg.h"
#include "dialogs/PalletDlg.h"
#include "panels/ComboBoxInc.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"
#include "sources/ui/FileParamsDlg.h"
#include "sources/foreign/ForeignReader.h"
#include "sources/live/FileMapSource.h"
#include "sources/record/FileSource.h"
#include "sources/live/NetSource.h"
#include "sources/ui/LoadedFilesDlg.h"
#include "sources/ui/NetworkSettingsDlg.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QLineEdit>
#include <QSpinBox>

// --- files -----------------------------------------------------------------------------------

void Orma::loadFile(const QString &sFile)
{
    // A plug-in's copy belongs to the record it was made from: it ends here, and runs again on
    // the new record once acquisition restarts there.
    const int plugin = m_pPlugins->endForNewRecord();
    if (!isStopped()) {
        m_bStartAfterLoad = true;
        stopAcquisition();
    } else {
        m_acq.shutDown();
    }
    m_acq.waitForThread();
    if (!QFile::exists(sFile)) {
        // Not a choice of the generator: the user is told, then shown it.
        QMessageBox::critical(this, "ORMA", "Файл " + sFile + " не найден!");
        m_pSimulationAction->setChecked(true);
        rebuildTitle();
        return;
    }
    const QFileInfo info(sFile);
    QDir::setCurrent(info.absolutePath());
    if (!m_bFirstLoad)
        saveConfig();
    m_bFirstLoad = false;
    m_session.useConfigOfFolder(info.absolutePath());

    m_session.loadedFiles.clear();
    if (fileSource())
        fileSource()->keepFirstFileOnly();
    m_session.config.additionalFiles.clear();
    readConfig();
    applyConfig();
    // A capture in another format brings the parameters it lacks, remembered for it.
    if (isForeignFile(sFile))
        m_session.fileParams.loadForFile(m_session.appConfigPath, info.absoluteFilePath());
    m_session.loadedFiles = m_session.config.additionalFiles;
    m_session.loadedFiles.prepend(info.absoluteFilePath());
    addRecentFile(info.absoluteFilePath());
    m_acq.markStopped();

    for (const QString &file : m_session.loadedFiles) {
        if (!QFile::exists(file)) {
            QMessageBox::critical(this, "ORMA", "Файл " + file + " не найден!");
            m_pSimulationAction->setChecked(true);
            return;
        }
    }
    m_pSigFileAction->setChecked(true);
    if (!fileSource())
        return;
    m_acq.hold([&] {
        fileSource()->setFileName(info.absoluteFilePath());
        for (int i = 1; i < m_session.loadedFiles.size(); ++i)
            fileSource()->addFile(m_session.loadedFiles.at(i));
        // Described word for word like the last one or not, it is another record: its
        // channels are set up anew from its first block.
        source()->setParamsChanged(true);
    });
    m_pSimulationAction->setChecked(false);
    rebuildTitle();
    // Stopped, with the scroll buttons free: the record's first block is on screen.
    slotStop();
    // Nothing of the last record stays on screen under the new record's name.
    clearChannels();
    m_acq.forgetBlock();
    m_pOrmaOscPanel->clearReadouts();
    m_pOrmaSpectrPanel->clearReadouts();
    m_pOrmaOscPanel->slider()->setValue(0, true);
    setNote(QString());
    if (m_bStartAfterLoad) {
        m_bStartAfterLoad = false;
        slotStart();
        m_pPlugins->rerunOnNewRecord(plugin);
    } else if (info.size() > 0) {
        // Stopped, the record's first block is read and shown; an empty record would keep the
        // request waiting for its producer, so it shows nothing until it is started.
        prepareSourceRead();
        allocateSourceWindow();
        m_acq.requestStoppedBlock();
    } else {
        refreshNote();
    }
}

void Orma::slotFileOpenAction()
{
    const QString file =
        QFileDialog::getOpenFileName(this, "Файл чтения сигнала", "./",
                                     "Записи АЦП (*.bin);;" + foreignFileFilters() +
                                         ";;Все файлы (*)");
    if (file.isEmpty())
        return;
    m_pSigFileAction->setChecked(true);
    loadFile(file);
}

// The first local file of a drag: what a drop would open.
static QString droppedFile(const QMimeData *mime)
{
    for (const QUrl &url : mime ? mime->urls() : QList<QUrl>())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            return url.toLocalFile();
    return QString();
}

void Orma::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Orma::dropEvent(QDropEvent *event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    m_pSigFileAction->setChecked(true);
    loadFile(file);
}

void Orma::addRecentFile(const QString &sFile)
{
    m_session.addRecentFile(sFile);
    rebuildRecentMenu();
}

void Orma::rebuildRecentMenu()
{
    m_pRecentFilesMenu->clear();
    qDeleteAll(m_lRecentActions);
    m_lRecentActions.clear();
    for (const QString &file : m_session.config.recentFiles) {
        auto *action = new QAction(file, this);
        connect(action, &QAction::triggered, this, &Orma::slotClickRecentFile, Qt::QueuedConnection);
        m_pRecentFilesMenu->addAction(action);
        m_lRecentActions.append(action);
    }
}

void Orma::slotClickRecentFile()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    const QString file = action->text();
    if (!QFile::exists(file)) {
        QMessageBox::information(this, "ORMA", "Файл " + file + " не существует.");
        return;
    }
    m_pSigFileAction->setChecked(true);
    loadFile(file);
}

void Orma::applyCommandLine(const QStringList &arguments)
{
    if (arguments.contains("-j"))
        m_bStartAfterLoad = true;
    if (arguments.size() >= 2 && arguments.at(0) == "-r") {
        m_pSigFileAction->setChecked(true);
        loadFile(arguments.at(1));
        return;
    }
    if (arguments.size() >= 2 && arguments.at(0) == "-sm") {
        m_sMapName = arguments.at(1);
        if (m_pFileMapAction->isEnabled()) {
            m_pFileMapAction->setChecked(true);
            // Already the configured kind: the source exists, without the name.
            if (auto *map = qobject_cast<FileMapSource *>(source()))
                map->setFileName(m_sMapName);
            rebuildTitle();
            slotStart();
        }
        return;
    }
    if (sourceKind() == KindFile && !m_session.config.recentFiles.isEmpty()) {
        loadFile(m_session.config.recentFiles.first());
    } else if (m_bStartAfterLoad && sourceKind() != KindFile) {
        // A source with nothing to load (the generator) starts at once.
        m_bStartAfterLoad = false;
        slotStart();
    }
}

void Orma::slotFileAddDelAction()
{
    if (m_session.loadedFiles.isEmpty())
        return;
    LoadedFilesDlg dialog(this);
    dialog.setFiles(m_session.loadedFiles);
    connect(&dialog, &LoadedFilesDlg::signalAddRemoveFile, this, &Orma::slotAddRemoveFile);
    dialog.exec();
}

void Orma::slotAddRemoveFile(int nCmd, QString sFile)
{
    if (!fileSource())
        return;
    m_acq.hold([&] {
        if (nCmd == 0) {
            fileSource()->addFile(sFile);
            m_session.loadedFiles.append(sFile);
        } else {
            fileSource()->removeFile(sFile);
            m_session.loadedFiles.removeAll(sFile);
        }
        m_session.config.additionalFiles = m_session.loadedFiles.mid(1);
        saveAdditionalFiles(m_session.configPath, m_session.config.additionalFiles);
        if (!m_pSingleStartAction->isChecked())
            source()->interruptWait();
        source()->setParamsChanged(true);
        source()->setWindowChanged(true);
    });
    refreshChannelSelectors();
}

void Orma::showRecordFiles(const QStringList &files)
{
    if (!fileSource() || files.isEmpty())
        return;
    m_acq.hold([&] {
        fileSource()->keepFirstFileOnly();
        fileSource()->setFileName(files.first());
        for (int i = 1; i < files.size(); ++i)
            fileSource()->addFile(files.at(i));
        source()->setParamsChanged(true);
    });
    refreshChannelSelectors();
}

void Orma::refreshChannelSelectors()
{
    m_lShownChannels.clear();
    if (isStopped() && source())
        requestBlockAtPosition();
}

// --- configuration ---------------------------------------------------------------------------

void Orma::readConfig()
{
    readMainConfig(m_session.appConfigPath, m_session.configPath, m_session.config);
    if (!m_session.config.toolBarState.isEmpty())
        restoreState(m_session.config.toolBarState, 0);
    m_font = m_session.config.font;
    m_nPanelsView = m_session.config.panelsView;
}

void Orma::applyConfig()
{
    m_pOrmaOscPanel->chooseWidthIndex(m_session.config.xWidth);
    {
        QSignalBlocker block(m_pFiltrationEnableAction);
        m_pFiltrationEnableAction->setChecked(m_session.config.onFiltration);
        m_pFiltrationEnableAction->setText(m_session.config.onFiltration ? "Выключить фильтрацию"
                                                                          : "Включить фильтрацию");
    }
    m_pFiltersDlg->setConfigPath(m_session.configPath);
    m_pFiltersDlg->load();
    m_pFiltersDlg->slotEnableChange(m_session.config.onFiltration);
    m_pOrmaSpectrPanel->choosePowerUnit(m_session.config.dimension);
    m_pOrmaSpectrPanel->chooseHarmonic(m_session.config.harmonic);
    m_session.loadStores();
    m_pMeasurements->setConfigPath(m_session.configPath);
    {
        QSignalBlocker block(m_pPercentSpin);
        m_pPercentSpin->setValue(m_session.config.scrollPercent);
    }
    rebuildRecentMenu();
    saveRecentFiles(m_session.appConfigPath, m_session.config.recentFiles);
    resize(m_session.config.windowWidth, m_session.config.windowHeight);
    move(m_session.config.windowPosX, m_session.config.windowPosY);
    if (m_session.config.windowState)
        setWindowState(Qt::WindowStates(*m_session.config.windowState));
    QAction *views[3] = {m_pOscAction, m_pSpectrAction, m_pOscSpectrAction};
    QAction *view = views[qBound(0, m_session.config.panelsView, 2)];
    if (view->isChecked())
        showPanelsView(m_session.config.panelsView, view, true);
    else
        view->setChecked(true);
    if (m_pToolAction)
        applyPlotTool(m_pToolAction, true);
    m_bAccumulation = m_session.config.isAccumulation;
    m_pOrmaOscPanel->plot()->setAccumulate(m_bAccumulation);
    {
        QSignalBlocker block(m_pActionAccumulation);
        m_pActionAccumulation->setChecked(m_bAccumulation);
    }
    {
        QSignalBlocker block(m_pSingleStartAction);
        m_pSingleStartAction->setChecked(m_session.config.singleStart);
    }
    m_acq.setSingleStart(m_session.config.singleStart);
    applyPalette();
    applyAnalyserSettings();
    applyOtherSettings();
    applyFonts();
    if (m_session.config.mode == 0)
        m_session.config.mode = KindSimulation;
    QAction *kind = m_mModeActions.value(m_session.config.mode);
    if (!kind || !kind->isEnabled())
        kind = m_pSimulationAction;
    kind->setChecked(true);
}

void Orma::saveConfig()
{
    m_session.config.toolBarState = saveState(0);
    m_session.config.font = m_font;
    m_session.config.mode = sourceKind();
    m_session.config.isMaximized = isMaximized();
    if (!m_session.config.isMaximized) {
        m_session.config.windowWidth = geometry().width();
        m_session.config.windowHeight = geometry().height();
        m_session.config.windowPosX = pos().x();
        m_session.config.windowPosY = pos().y();
    }
    m_session.config.windowState = int(windowState());
    m_session.config.panelsView = m_nPanelsView;
    m_session.config.scrollPercent = m_pPercentSpin->value();
    m_session.config.xWidth = m_pOrmaOscPanel->chosenWidthIndex();
    m_session.config.isInterpolation = m_bInterpolation;
    m_session.config.isAccumulation = m_bAccumulation;
    m_session.config.dimension = m_pOrmaSpectrPanel->powerUnitText();
    m_session.config.harmonic = m_pOrmaSpectrPanel->harmonicText();
    m_session.config.fftSize = block() ? block()->spectrum.fftSize : m_session.analyser.fftSize;
    m_session.config.onFiltration = m_pFiltrationEnableAction->isChecked();
    m_session.config.singleStart = m_pSingleStartAction->isChecked();
    m_session.config.additionalFiles = m_session.loadedFiles.mid(1);
    saveMainConfig(m_session.appConfigPath, m_session.configPath, m_session.config);
}

void Orma::slotSaveConfig()
{
    if (m_pSigFileAction->isChecked() && fileSource() && !fileSource()->firstFileName().isEmpty()) {
        const QString record = fileSource()->firstFileName();
        if (!m_session.keepConfigBeside(record)) {
            QMessageBox::warning(this, "ORMA",
                                 "Не удалось создать конфигурацию рядом с записью: папка \"" +
                                     QFileInfo(record).absolutePath() + "\" недоступна для записи.");
            return;
        }
    } else {
        m_session.useApplicationConfig();
    }
    saveConfig();
}

void Orma::slotSingleStartToggled(bool isOn)
{
    m_acq.setSingleStart(isOn);
    m_session.writeKey("", "SingleStart", isOn ? "1" : "0");
}

void Orma::slotSaveXWidth()
{
    m_session.writeKey("OscPanel", "XWidth", m_pOrmaOscPanel->chosenWidthIndex());
}

// --- settings dialogs ------------------------------------------------------------------------

void Orma::slotShowOscSpectrDlg()
{
    auto *panel = qobject_cast<OrmaPanel *>(sender());
    if (panel && (panel->plot()->zoomMode() >= 0 || panel->isRedMarkerToolEnabled() ||
                  panel->isBlueMarkerToolEnabled()))
        return;
    m_pOscSpectrDlg->setCurrentTab(panel == m_pOrmaSpectrPanel ? 1 : 0);
    m_pOscSpectrDlg->setSettings(m_session.analyser);
    m_pOscSpectrDlg->setInterpolation(m_bInterpolation);
    m_pOscSpectrDlg->setAccumulation(m_bAccumulation);
    const FileParams params =
        block() ? block()->fileOfChannel(source()->currentChannel()) : FileParams();
    m_pOscSpectrDlg->setSampleCount(params.sampleCount);
    m_pOscSpectrDlg->setFftSize(block() ? block()->spectrum.fftSize : 1024);
    m_pOscSpectrDlg->setSpectrumPageEnabled(block() && block()->channelSamples(0));
    // A record of ready spectra was transformed with its own size.
    m_pOscSpectrDlg->setFftSizeEnabled(!(block() && block()->readySpectra));
    if (m_pOscSpectrDlg->exec() != QDialog::Accepted)
        return;
    m_session.analyser = m_pOscSpectrDlg->settings();
    m_session.analyser.save(m_session.configPath);
    m_bInterpolation = m_pOscSpectrDlg->isInterpolation();
    applyAnalyserSettings();
    if (m_pToolAction)
        applyPlotTool(m_pToolAction, true);
    m_acq.refreshNext();
    if (isStopped())
        requestBlockAtPosition();
}

void Orma::slotShowPalletDlg()
{
    m_pPalletDlg->setSettings(m_session.palette);
    if (m_pPalletDlg->exec() != QDialog::Accepted)
        return;
    m_session.palette = m_pPalletDlg->settings();
    m_session.palette.save(m_session.configPath);
    applyPalette();
    m_pOrmaOscPanel->slotReplot();
    m_pOrmaSpectrPanel->slotReplot();
}

void Orma::slotShowOtherSetupDlg()
{
    m_pOtherSetupDlg->setSettings(m_session.other);
    if (m_pOtherSetupDlg->exec() != QDialog::Accepted)
        return;
    m_session.other = m_pOtherSetupDlg->settings();
    m_session.other.save(m_session.configPath);
    applyOtherSettings();
    m_lShownChannels.clear(); // the number of visible channels may have changed
    applyFonts();
    m_pOrmaOscPanel->slotReplot();
    m_pOrmaSpectrPanel->slotReplot();
}

void Orma::slotShowFileParamsDlg()
{
    if (!fileSource())
        return;
    FileParamsDlg dialog(this);
    dialog.setSettings(m_session.fileParams);
    const FileParams current =
        block() ? block()->fileOfChannel(source()->currentChannel()) : FileParams();
    // A capture in another format takes what it lacks from the dialog, as a record without
    // a postfix does, but keeps it for itself alone.
    const QString record = fileSource()->firstFileName();
    const bool foreign = isForeignFile(record);
    dialog.presetForRecord(current, fileSource()->postfixKnown() && !foreign, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_session.fileParams = dialog.settings();
    if (foreign)
        m_session.fileParams.saveForFile(m_session.appConfigPath, QFileInfo(record).absoluteFilePath());
    else
        m_session.fileParams.save(m_session.configPath);
    m_acq.hold([&] {
        fileSource()->setUserFileParams(m_session.fileParams.fileParams());
        fileSource()->setUseUserParams(dialog.isChangeChecked());
        source()->setParamsChanged(true);
        source()->setWindowChanged(true);
    });
    refreshChannelSelectors();
}

void Orma::slotShowNetworkSettings()
{
    NetworkSettingsDlg dialog(this);
    dialog.setSettings(m_session.network);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_session.network = dialog.settings();
    m_session.network.save(m_session.appConfigPath);
    auto *net = qobject_cast<NetSource *>(source());
    if (!net)
        return;
    // The connection is the source thread's: it ends before the server changes.
    const bool wasRunning = m_acq.shutDown();
    if (!isStopped())
        slotStart();
    net->setServerAddress(m_session.network.address);
    net->setServerPort(int(m_session.network.port));
    net->setFileName(m_session.network.fileName);
    rebuildTitle();
    m_acq.resumeAfterSwitch(wasRunning);
}

void Orma::slotDeltaInc() { shiftLegend(m_pDeltaEdit->text().toInt()); }
void Orma::slotDeltaDec() { shiftLegend(-m_pDeltaEdit->text().toInt()); }
