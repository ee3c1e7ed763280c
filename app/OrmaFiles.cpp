// Record files, recent files, the command line, the configuration and the settings dialogs
// of the main window.
#include "app/Orma.h"

#include "sources/IniFile.h"
#include "app/SourceKinds.h"
#include "dialogs/OscSpectrDlg.h"
#include "dialogs/OtherSetupDlg.h"
#include "dialogs/PalletDlg.h"
#include "panels/ComboBoxInc.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"
#include "sources/ui/FileParamsDlg.h"
#include "sources/FileSource.h"
#include "sources/ui/LoadedFilesDlg.h"
#include "sources/ui/NetworkSettingsDlg.h"

#include <QComboBox>
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
    if (!m_bStopped) {
        m_bStartAfterLoad = true;
        stopAcquisition();
    } else if (m_pSource && m_pSource->isRunning()) {
        m_pSource->stopSource();
    }
    waitForSourceThread();
    if (!QFile::exists(sFile)) {
        m_pSimulationAction->setChecked(true);
        rebuildTitle();
        return;
    }
    const QFileInfo info(sFile);
    QDir::setCurrent(info.absolutePath());
    if (!m_bFirstLoad)
        saveConfig();
    m_bFirstLoad = false;
    const QString recordConfig = info.absolutePath() + "/ORMA6.ini";
    m_sConfigPath = QFile::exists(recordConfig) ? recordConfig : m_sAppConfigPath;

    m_lLoadedFiles.clear();
    if (m_pFileSource)
        m_pFileSource->keepFirstFileOnly();
    m_config.additionalFiles.clear();
    readConfig();
    applyConfig();
    m_lLoadedFiles = m_config.additionalFiles;
    m_lLoadedFiles.prepend(info.absoluteFilePath());
    addRecentFile(info.absoluteFilePath());
    m_tmStart.stop();

    for (const QString &file : m_lLoadedFiles) {
        if (!QFile::exists(file)) {
            QMessageBox::critical(this, "ORMA", "Файл " + file + " не найден!");
            m_pSimulationAction->setChecked(true);
            return;
        }
    }
    m_pSigFileAction->setChecked(true);
    if (!m_pFileSource)
        return;
    m_pFileSource->setFileName(info.absoluteFilePath());
    for (int i = 1; i < m_lLoadedFiles.size(); ++i)
        m_pFileSource->addFile(m_lLoadedFiles.at(i));
    m_pSimulationAction->setChecked(false);
    rebuildTitle();
    m_bStopped = true;
    m_lShownChannels.clear();
    m_pOrmaOscPanel->slider()->setValue(0, true);
    if (m_bStartAfterLoad) {
        m_bStartAfterLoad = false;
        slotStart();
    }
}

void Orma::slotFileOpenAction()
{
    const QString file =
        QFileDialog::getOpenFileName(this, "Файл чтения сигнала", "./", "(*.bin)");
    if (file.isEmpty())
        return;
    m_pSigFileAction->setChecked(true);
    loadFile(file);
}

void Orma::addRecentFile(const QString &sFile)
{
    ::addRecentFile(m_config.recentFiles, sFile);
    rebuildRecentMenu();
    saveRecentFiles(m_sAppConfigPath, m_config.recentFiles);
}

void Orma::rebuildRecentMenu()
{
    m_pRecentFilesMenu->clear();
    qDeleteAll(m_lRecentActions);
    m_lRecentActions.clear();
    for (const QString &file : m_config.recentFiles) {
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
            rebuildTitle();
            slotStart();
        }
        return;
    }
    if (m_nMode == KindFile && !m_config.recentFiles.isEmpty()) {
        loadFile(m_config.recentFiles.first());
    } else if (m_bStartAfterLoad && m_nMode != KindFile) {
        // A source with nothing to load (the generator) starts at once.
        m_bStartAfterLoad = false;
        slotStart();
    }
}

void Orma::slotFileAddDelAction()
{
    if (m_lLoadedFiles.isEmpty())
        return;
    LoadedFilesDlg dialog(this);
    dialog.setFiles(m_lLoadedFiles);
    connect(&dialog, &LoadedFilesDlg::signalAddRemoveFile, this, &Orma::slotAddRemoveFile);
    dialog.exec();
}

void Orma::slotAddRemoveFile(int nCmd, QString sFile)
{
    if (!m_pFileSource)
        return;
    holdSource([&] {
        if (nCmd == 0) {
            m_pFileSource->addFile(sFile);
            m_lLoadedFiles.append(sFile);
        } else {
            m_pFileSource->removeFile(sFile);
            m_lLoadedFiles.removeAll(sFile);
        }
        m_config.additionalFiles = m_lLoadedFiles.mid(1);
        saveAdditionalFiles(m_sConfigPath, m_config.additionalFiles);
        if (!m_pSingleStartAction->isChecked())
            m_pSource->interruptWait();
        m_pSource->setParamsChanged(true);
        m_pSource->setWindowChanged(true);
    });
    refreshChannelSelectors();
}

void Orma::refreshChannelSelectors()
{
    m_lShownChannels.clear();
    if (m_bStopped && m_pSource)
        requestBlockAtPosition();
}

// --- configuration ---------------------------------------------------------------------------

void Orma::writeKey(const QString &sGroup, const QString &sKey, const QVariant &value)
{
    writeIniValue(sGroup == "RecentFiles" ? m_sAppConfigPath : m_sConfigPath, sGroup, sKey, value);
}

void Orma::readConfig()
{
    readMainConfig(m_sAppConfigPath, m_sConfigPath, m_config);
    if (!m_config.toolBarState.isEmpty())
        restoreState(m_config.toolBarState, 0);
    m_font = m_config.font;
    m_nPanelsView = m_config.panelsView;
}

void Orma::applyConfig()
{
    m_pOrmaOscPanel->m_pScaleXCmbBox->setCurrentIndex(m_config.xWidth);
    {
        QSignalBlocker block(m_pFiltrationEnableAction);
        m_pFiltrationEnableAction->setChecked(m_config.onFiltration);
    }
    m_pOrmaSpectrPanel->m_pDimCmbBox->setCurrentIndex(
        m_pOrmaSpectrPanel->m_pDimCmbBox->findText(m_config.dimension, Qt::MatchFixedString));
    m_pOrmaSpectrPanel->m_pHarmCmbBox->setCurrentIndex(
        m_pOrmaSpectrPanel->m_pHarmCmbBox->findText(m_config.harmonic, Qt::MatchFixedString));
    m_simulation.load(m_sConfigPath);
    m_fileParams.load(m_sConfigPath);
    m_other.load(m_sConfigPath);
    m_network.load(m_sAppConfigPath);
    {
        QSignalBlocker block(m_pPercentSpin);
        m_pPercentSpin->setValue(m_config.scrollPercent);
    }
    rebuildRecentMenu();
    saveRecentFiles(m_sAppConfigPath, m_config.recentFiles);
    resize(m_config.windowWidth, m_config.windowHeight);
    move(m_config.windowPosX, m_config.windowPosY);
    if (m_config.windowState)
        setWindowState(Qt::WindowStates(*m_config.windowState));
    QAction *views[3] = {m_pOscAction, m_pSpectrAction, m_pOscSpectrAction};
    QAction *view = views[qBound(0, m_config.panelsView, 2)];
    if (view->isChecked())
        showPanelsView(m_config.panelsView, view, true);
    else
        view->setChecked(true);
    m_palette.load(m_sConfigPath);
    m_analyser.load(m_sConfigPath);
    if (m_pToolAction)
        applyPlotTool(m_pToolAction, true);
    m_bAccumulation = m_config.isAccumulation;
    m_pOrmaOscPanel->plot()->setAccumulate(m_bAccumulation);
    {
        QSignalBlocker block(m_pActionAccumulation);
        m_pActionAccumulation->setChecked(m_bAccumulation);
    }
    {
        QSignalBlocker block(m_pSingleStartAction);
        m_pSingleStartAction->setChecked(m_config.singleStart);
    }
    applyPalette();
    applyAnalyserSettings();
    applyOtherSettings();
    applyFonts();
    if (m_config.mode == 0)
        m_config.mode = KindSimulation;
    QAction *kind = m_mModeActions.value(m_config.mode);
    if (!kind || !kind->isEnabled())
        kind = m_pSimulationAction;
    kind->setChecked(true);
}

void Orma::saveConfig()
{
    m_config.toolBarState = saveState(0);
    m_config.font = m_font;
    m_config.mode = m_nMode;
    m_config.isMaximized = isMaximized();
    if (!m_config.isMaximized) {
        m_config.windowWidth = geometry().width();
        m_config.windowHeight = geometry().height();
        m_config.windowPosX = pos().x();
        m_config.windowPosY = pos().y();
    }
    m_config.windowState = int(windowState());
    m_config.panelsView = m_nPanelsView;
    m_config.scrollPercent = m_pPercentSpin->value();
    m_config.xWidth = m_pOrmaOscPanel->m_pScaleXCmbBox->currentIndex();
    m_config.isInterpolation = m_bInterpolation;
    m_config.isAccumulation = m_bAccumulation;
    m_config.dimension = m_pOrmaSpectrPanel->m_pDimCmbBox->currentText();
    m_config.harmonic = m_pOrmaSpectrPanel->m_pHarmCmbBox->currentText();
    m_config.fftSize = m_block ? m_block->spectrum.fftSize : m_analyser.fftSize;
    m_config.onFiltration = m_pFiltrationEnableAction->isChecked();
    m_config.singleStart = m_pSingleStartAction->isChecked();
    m_config.additionalFiles = m_lLoadedFiles.mid(1);
    saveMainConfig(m_sAppConfigPath, m_sConfigPath, m_config);
}

void Orma::slotSaveConfig()
{
    if (m_pSigFileAction->isChecked() && m_pFileSource && !m_pFileSource->firstFileName().isEmpty()) {
        const QString target = QFileInfo(m_pFileSource->firstFileName()).absolutePath() + "/ORMA6.ini";
        if (target != m_sConfigPath)
            QFile::copy(m_sConfigPath, target);
        m_sConfigPath = target;
    } else {
        m_sConfigPath = m_sAppConfigPath;
    }
    saveConfig();
}

void Orma::slotSingleStartToggled(bool isOn)
{
    writeKey("", "SingleStart", isOn ? "1" : "0");
}

void Orma::slotSaveXWidth()
{
    const int index = m_pOrmaOscPanel->m_pScaleXCmbBox->currentIndex();
    writeKey("OscPanel", "XWidth", index < 0 ? 7 : index);
}

// --- settings dialogs ------------------------------------------------------------------------

void Orma::slotShowOscSpectrDlg()
{
    auto *panel = qobject_cast<OrmaPanel *>(sender());
    if (panel && (panel->plot()->zoomMode() >= 0 || panel->isRedMarkerToolEnabled() ||
                  panel->isBlueMarkerToolEnabled()))
        return;
    m_pOscSpectrDlg->setCurrentTab(panel == m_pOrmaSpectrPanel ? 1 : 0);
    m_pOscSpectrDlg->setSettings(m_analyser);
    m_pOscSpectrDlg->setInterpolation(m_bInterpolation);
    m_pOscSpectrDlg->setAccumulation(m_bAccumulation);
    const FileParams params =
        m_block ? m_block->fileOfChannel(m_pSource->currentChannel()) : FileParams();
    m_pOscSpectrDlg->setSampleCount(params.sampleCount);
    m_pOscSpectrDlg->setFftSize(m_block ? m_block->spectrum.fftSize : 1024);
    m_pOscSpectrDlg->setSpectrumPageEnabled(m_block && m_block->channelSamples(0));
    if (m_pOscSpectrDlg->exec() != QDialog::Accepted)
        return;
    m_analyser = m_pOscSpectrDlg->settings();
    m_analyser.save(m_sConfigPath);
    m_bInterpolation = m_pOscSpectrDlg->isInterpolation();
    applyAnalyserSettings();
    if (m_pToolAction)
        applyPlotTool(m_pToolAction, true);
    m_bRefreshPending = true;
    if (m_bStopped)
        requestBlockAtPosition();
}

void Orma::slotShowPalletDlg()
{
    m_pPalletDlg->setSettings(m_palette);
    if (m_pPalletDlg->exec() != QDialog::Accepted)
        return;
    m_palette = m_pPalletDlg->settings();
    m_palette.save(m_sConfigPath);
    applyPalette();
    m_pOrmaOscPanel->slotReplot();
    m_pOrmaSpectrPanel->slotReplot();
}

void Orma::slotShowOtherSetupDlg()
{
    m_pOtherSetupDlg->setSettings(m_other);
    if (m_pOtherSetupDlg->exec() != QDialog::Accepted)
        return;
    m_other = m_pOtherSetupDlg->settings();
    m_other.save(m_sConfigPath);
    applyOtherSettings();
    m_lShownChannels.clear(); // the number of visible channels may have changed
    applyFonts();
    m_pOrmaOscPanel->slotReplot();
    m_pOrmaSpectrPanel->slotReplot();
}

void Orma::slotShowFileParamsDlg()
{
    if (!m_pFileSource)
        return;
    FileParamsDlg dialog(this);
    dialog.setSettings(m_fileParams);
    const FileParams current =
        m_block ? m_block->fileOfChannel(m_pSource->currentChannel()) : FileParams();
    dialog.presetForRecord(current, m_pFileSource->postfixKnown(), false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_fileParams = dialog.settings();
    m_fileParams.save(m_sConfigPath);
    holdSource([&] {
        m_pFileSource->setUserFileParams(m_fileParams.fileParams());
        m_pFileSource->setUseUserParams(dialog.isChangeChecked());
        m_pSource->setParamsChanged(true);
        m_pSource->setWindowChanged(true);
    });
    refreshChannelSelectors();
}

void Orma::slotShowNetworkSettings()
{
    NetworkSettingsDlg dialog(this);
    dialog.setSettings(m_network);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_network = dialog.settings();
    m_network.save(m_sAppConfigPath);
    if (m_nMode == KindNetwork)
        rebuildTitle();
}

void Orma::slotLegendChanged(QString sText)
{
    Q_UNUSED(sText);
    m_lShownChannels.clear();
    refreshChannelSelectors();
}

void Orma::slotDeltaInc() { shiftLegend(m_pDeltaEdit->text().toInt()); }
void Orma::slotDeltaDec() { shiftLegend(-m_pDeltaEdit->text().toInt()); }
