// The window's side of the data cycle: what each block does to the panels, the legend and the
// read-outs, and the start, stop and source switch as the user sees them.
#include "app/Orma.h"
#include "app/ChannelSearchControl.h"
#include "app/MeasurementHost.h"
#include "app/PluginControl.h"

#include "sources/settings/IniFile.h"
#include "app/SourceKinds.h"
#include "dialogs/FiltersDlg.h"
#include "panels/ElidedLabel.h"
#include "panels/LegendItemWidget.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "panels/PowerReadout.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaPlotGrid.h"
#include "sources/record/FileSource.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <cmath>

void Orma::stopAcquisition()
{
    slotStop();
    m_acq.stopSource();
}

void Orma::reportReadFailure(const QString &message)
{
    QMessageBox::critical(this, "ORMA", message);
}

void Orma::addBlockFollower(BlockFollower::Stage stage, BlockFollower *follower)
{
    m_acq.addFollower(stage, follower);
}

void Orma::runFollowers(BlockFollower::Stage stage)
{
    BlockContext context;
    context.scope = scopeWindow();
    m_acq.runFollowers(stage, context);
}

ScopeWindow Orma::scopeWindow() const
{
    ScopeWindow scope;
    scope.firstSample = m_pOrmaOscPanel->viewStart();
    scope.lastSample = m_pOrmaOscPanel->viewEnd();
    scope.width = m_pOrmaOscPanel->windowWidth();
    scope.currentChannel = m_pOrmaOscPanel->currentChannel();
    return scope;
}

ViewSetup Orma::viewSetup() const
{
    ViewSetup setup;
    setup.shown.block = block();
    setup.shown.scope = scopeWindow();
    setup.shown.channel = source() ? source()->currentChannel() : 0;
    setup.timeUnit = m_session.analyser.timeDimension;
    setup.amplitudeUnit = m_session.analyser.amplDimension;
    // The gain mode scales the oscilloscope's channels, raw codes excepted.
    if (m_pOrmaOscPanel->gainMode() && m_pOrmaOscPanel->amplType() != DimCodes)
        setup.amplScale = m_pOrmaOscPanel->plot()->channelFactor(m_pOrmaOscPanel->currentChannel());
    return setup;
}

// --- source switch ---------------------------------------------------------------------------

void Orma::slotChangeMode(bool isFlg)
{
    Q_UNUSED(isFlg);
    auto *sender = qobject_cast<QAction *>(QObject::sender());
    if (!sender)
        return;
    // The kind already active stays as it is, running or not: only its check mark returns.
    if (sender == m_pModeAction) {
        QSignalBlocker block(sender);
        sender->setChecked(true);
        return;
    }
    const bool wasRunning = m_acq.shutDown();
    if (!isStopped())
        slotStart();
    const int kind = m_mModeActions.key(sender);
    const SourceKindInfo *info = sourceKindInfo(kind);
    if (!info || !info->create) {
        QSignalBlocker block(sender);
        sender->setChecked(false);
        return;
    }
    m_pModeAction = sender;
    std::vector<std::unique_ptr<QSignalBlocker>> blocks;
    for (QAction *action : m_mModeActions)
        blocks.push_back(std::make_unique<QSignalBlocker>(action));
    clearChannels();
    m_pSourceMessage->clear();
    m_acq.install(kind, info->create({m_sMapName, m_session.network}));
    setNote(QString());
    // What a live source runs into (a missing region, a server that fails) goes to the status bar.
    connect(source(), &SignalSource::signalAddText, this, &Orma::slotSourceMessage);

    for (QAction *action : m_mModeActions)
        action->setChecked(action == sender);
    m_pFileParamsAction->setEnabled(fileSource() != nullptr);
    m_session.writeKey("", "Mode", kind);
    writeIniValue(m_session.appConfigPath, "", "Mode", kind);
    m_session.config.mode = kind;
    rebuildTitle();
    source()->setComputeSpectrum(m_nPanelsView != 0 || m_session.other.isSpectrEnable);
    applyFilterToSource();
    blocks.clear();
    m_acq.resumeAfterSwitch(wasRunning);
}

// --- start and stop --------------------------------------------------------------------------

void Orma::allocateSourceWindow()
{
    const uint64_t position = uint64_t(std::max(0.0, m_pOrmaOscPanel->viewStart()));
    const uint64_t width = uint64_t(std::max(1, m_pOrmaOscPanel->windowWidth()));
    // In a hold: the window is clamped to the record's length, which the worker rewrites as it
    // reads the record's description.
    m_acq.hold([&] { source()->setPosition(position, 3 * width); });
}

// What any read takes from the window, a start's or a stopped window's single block: the
// user's parameters for a record without a description, the channel on screen, the analysis.
void Orma::prepareSourceRead()
{
    m_acq.hold([&] {
        if (FileSource *file = fileSource()) {
            file->setUserFileParams(m_session.fileParams.fileParams());
            file->setUseUserParams(m_session.fileParams.useUserParams);
            if (sourceKind() == KindFile && !m_session.config.recentFiles.isEmpty() &&
                file->firstFileName().isEmpty())
                file->setFileName(m_session.config.recentFiles.first());
        }
        if (m_pOrmaOscPanel->currentChannel() != -1)
            source()->setCurrentChannel(m_pOrmaOscPanel->currentChannel());
    });
    applyAnalyserSettings();
}

void Orma::slotStart()
{
    if (!source())
        return;
    if (!isStopped()) {
        stopAcquisition();
        return;
    }
    m_acq.waitForRequests();
    m_bZeroRateWarned = false;
    m_pOrmaOscPanel->plot()->clearAccumulation();
    m_pActionStart->setIcon(QIcon(":/Orma/Resources/stop.png"));
    m_pActionStart->setToolTip("Стоп");
    m_pActionStart->setText("Стоп");
    m_pLeftButton->setEnabled(false);
    m_pRightButton->setEnabled(false);
    m_pOrmaOscPanel->plot()->dropZoomHistory();
    m_pOrmaSpectrPanel->plot()->dropZoomHistory();
    m_acq.hold([&] {
        auto *simulation = qobject_cast<SignalSimulation *>(source());
        if (m_pSimulationAction->isChecked() && simulation) {
            applySimulation(*simulation, m_session.simulation);
        } else {
            m_pSimulationMenu->setEnabled(false);
        }
    });
    prepareSourceRead();
    m_acq.beginRun();
    m_nFrameCount = 0;
    m_pOrmaOscPanel->plot()->replot();
    if (!m_pSimulationAction->isChecked())
        slotAllDataEnable();
    if (!m_pSingleStartAction->isChecked())
        source()->interruptWait();
    allocateSourceWindow();
    m_acq.requestFirstBlock();
    setStatus("Сбор данных", QColor(0, 255, 0));
    refreshNote();
    m_pMeasurements->setRunning(true);
}

void Orma::slotStop()
{
    m_pActionStart->setIcon(QIcon(":/Orma/Resources/play.png"));
    m_pActionStart->setToolTip("Старт");
    m_pActionStart->setText("Старт");
    m_acq.markStopped();
    m_pSimulationMenu->setEnabled(true);
    m_pLeftButton->setEnabled(true);
    m_pRightButton->setEnabled(true);
    setStatus("Остановка сбора", QColor(255, 0, 0));
    m_pMeasurements->setRunning(false);
}

// --- the data cycle --------------------------------------------------------------------------

void Orma::rebuildChannels()
{
    const FileParams &params = block()->fileOfChannel(source()->currentChannel());
    m_pOrmaOscPanel->setRecordLength(uint32_t(std::min<uint64_t>(params.sampleCount, UINT32_MAX)));
    m_pOrmaOscPanel->setSampleRate(params.sampleRate);
    m_pOrmaOscPanel->setInputRange(params.voltageRangeMv);
    m_pOrmaOscPanel->setBits(params.bitRange);
    m_pOrmaSpectrPanel->setSampleRate(params.sampleRate);
    m_pOrmaSpectrPanel->setInputRange(block()->firstFile().voltageRangeMv);
    m_pOrmaSpectrPanel->setComplex(params.isComplex);
    m_pOrmaSpectrPanel->setFftSize(block()->spectrum.fftSize);
    m_pOrmaSpectrPanel->setCentred(block()->spectrum.spectrumRange == 1);

    const QList<int> channels = block()->channels.numbers();
    if (channels == m_lShownChannels)
        return;
    clearChannels();
    m_lShownChannels = channels;
    const int visible = std::min<int>(channels.size(), m_session.other.maxChannelCount);
    for (int i = 0; i < channels.size(); ++i) {
        const int channel = channels.at(i);
        const QColor color = channelColor(channel);
        m_pOrmaOscPanel->plot()->addCurve(channel, color, true);
        m_pOrmaSpectrPanel->plot()->addCurve(channel, color, true);
        if (i >= visible)
            continue;
        auto *item = new LegendItemWidget(m_pLegendFrame);
        item->setChannel(channel);
        item->setColor(color);
        m_pLegendLayout->insertWidget(m_lLegendItems.size(), item);
        m_lLegendItems.append(item);
        m_pOrmaOscPanel->addLegendItem(channel, item);
        m_pOrmaSpectrPanel->addLegendItem(channel, item);
        connect(item, &LegendItemWidget::signalSelect, m_pOrmaOscPanel, &OrmaOscPanel::slotSetCurrentChan);
        connect(item, &LegendItemWidget::signalSelect, m_pOrmaSpectrPanel, &OrmaSpectrPanel::slotSetCurrentChan);
    }
    m_pDeltaWidget->setVisible(channels.size() > visible);
    applyFonts();
    if (!channels.isEmpty()) {
        const int current = channels.contains(source()->currentChannel()) ? source()->currentChannel()
                                                                            : channels.first();
        m_pOrmaOscPanel->slotSetCurrentChan(current);
        m_pOrmaSpectrPanel->slotSetCurrentChan(current);
    }
}

QColor Orma::channelColor(int channel) const
{
    return QColor::fromRgb(m_session.palette.channelColor(channel));
}

// Curves take their colour with the samples of every block; the legend follows here.
// A new channel set starts from fresh curves (each dropping the block it held).
void Orma::clearChannels()
{
    m_lShownChannels.clear();
    m_pOrmaOscPanel->plot()->deleteAllCurves();
    m_pOrmaSpectrPanel->plot()->deleteAllCurves();
    for (LegendItemWidget *item : m_lLegendItems) {
        m_pOrmaOscPanel->removeLegendItem(item);
        m_pOrmaSpectrPanel->removeLegendItem(item);
        delete item;
    }
    m_lLegendItems.clear();
}

void Orma::refreshCurves()
{
    for (int channel : m_lShownChannels) {
        m_pOrmaOscPanel->plot()->setChannelColor(channel, channelColor(channel));
        m_pOrmaSpectrPanel->plot()->setChannelColor(channel, channelColor(channel));
    }
    for (LegendItemWidget *item : m_lLegendItems)
        item->setColor(channelColor(item->channel()));
}

void Orma::relayoutSpectrum()
{
    m_pOrmaSpectrPanel->setFftSize(block()->spectrum.fftSize);
    m_pOrmaSpectrPanel->setCentred(block()->spectrum.spectrumRange == 1);
}

// The block-boundary lines mark the analysed block's first and last sample in the oscilloscope
// view; a source whose block is its whole buffer has nothing to mark.
void Orma::showAnalysedBlock(const BlockSnapshot &b)
{
    OrmaPlot *plot = m_pOrmaOscPanel->plot();
    const std::optional<double> start = b.analysedStart();
    if (!source()->traits().readsWindows || !start) {
        plot->setSpectrumWindowLength(0);
        return;
    }
    plot->setSpectrumWindowLength(double(b.fftSize) - 1);
    plot->setPositionOffset(*start - plot->axisScaleDiv(QwtPlot::xBottom).lowerBound());
}

// Per-channel factors that refer the signal to the module input ("к входу модуля": divided by
// the channel's gain; the panel applies them only then, and never to ADC codes), and the
// frequency shift of the current channel's record.
void Orma::applyChannelScaling(const BlockSnapshot &b)
{
    const bool gains = source()->traits().hasRecordGains;
    for (int channel : m_lShownChannels)
        m_pOrmaOscPanel->plot()->setChannelFactor(channel, gains ? 1.0 / channelGain(b, channel) : 1.0);
    const double shift = m_session.analyser.isFreqShift && gains
        ? b.channelEntry(m_pOrmaOscPanel->currentChannel(), &FileParams::shiftFrequencies, 0.0)
        : 0.0;
    m_pOrmaSpectrPanel->setShift(shift);
}

// The full-scale lines of the oscilloscope; the visible windows stay the user's.
void Orma::setAxisRanges()
{
    const FileParams &params = block()->fileOfChannel(source()->currentChannel());
    m_pOrmaOscPanel->plot()->setLevelLines(fullScaleCode(params.bitRange));
}

bool Orma::showBlock()
{
    const BlockSnapshotPtr &blockPtr = m_acq.block();
    SignalSource *src = source();
    if (fileSource() && fileSource()->readError()) {
        stopAcquisition();
        const QString why = blockPtr->postfixProblem;
        QMessageBox::warning(this, "ORMA", "\nСуффикс файла данных содержит ошибки!" +
                                               (why.isEmpty() ? QString() : "\n" + why));
        return false;
    }
    const FileParams &params = blockPtr->fileOfChannel(src->currentChannel());
    if (params.sampleRate == 0) {
        m_pOrmaSpectrPanel->setSampleRate(0);
        if (!m_bZeroRateWarned) {
            m_bZeroRateWarned = true;
            QMessageBox::warning(this, "ORMA", "\nЧастота дискретизации равна 0.");
        }
    }
    if (src->rereadFlag()) {
        src->setParamsChanged(false);
        rebuildChannels();
    }
    if (src->windowChanged()) {
        src->setWindowChanged(false);
        refreshCurves();
    }
    if (src->settingsChanged()) {
        src->setSettingsChanged(false);
        relayoutSpectrum();
    }
    runFollowers(BlockFollower::EveryBlock);

    // The curves hold the block they draw until the next one replaces it.
    const BlockSnapshot &b = *blockPtr;
    const double *index = b.index.get();
    const int length = b.curveLength();
    for (int k = 0; k < m_lShownChannels.size(); ++k) {
        const int channel = m_lShownChannels.at(k);
        const QColor color = channelColor(channel);
        if (const double *samples = b.channelSamples(k))
            m_pOrmaOscPanel->plot()->setCurveSamples(channel, color, index, samples, length, blockPtr);
        if (const double *spectrum = b.channelSpectrum(k)) {
            OrmaPlot *plot = m_pOrmaSpectrPanel->plot();
            plot->setCurveSamples(channel, color, b.binAxis.get(), spectrum, b.binCount, blockPtr);
            // "dB/max" is relative to the channel's strongest bin.
            if (const ChannelRecord *record = b.channelRecord(k))
                plot->setChannelReference(channel, record->peakBin);
        }
    }
    if (!m_acq.yieldAndCheck())
        return false;

    m_pOrmaSpectrPanel->setLowFrequency(m_session.analyser.lowFreqHz);
    setAxisRanges();
    showAnalysedBlock(b);
    applyChannelScaling(b);
    if (const ChannelRecord *record = block()->recordOfChannel(m_pOrmaOscPanel->currentChannel())) {
        m_pOrmaOscPanel->setMinMax(record->maximum, record->minimum);
        m_pOrmaSpectrPanel->showHarmonics(m_session.analyser.isShowHarmonic, record->harmonicBins,
                                          m_session.analyser.harmonicCount);
    }
    if (!m_acq.isFirstAfterHold()) {
        m_pOrmaOscPanel->setFrameCount(m_nFrameCount++);
        if (m_bAccumulation) {
            if (m_session.other.isAccumInf) {
                m_nAccumFrames = 0;
            } else if (++m_nAccumFrames > m_session.other.accumCount) {
                m_nAccumFrames = 1;
                m_pOrmaOscPanel->plot()->clearAccumulation();
            }
        }
    }
    if (!m_acq.yieldAndCheck())
        return false;
    m_pOrmaOscPanel->slotReplot();
    if (!m_acq.yieldAndCheck())
        return false;
    m_pOrmaSpectrPanel->slotReplot();
    if (!m_acq.yieldAndCheck())
        return false;
    runFollowers(BlockFollower::WhileVisible);
    slotSpectrParams();
    refreshNote();
    // A stopped window that does not scroll shows its block again: nothing new to search.
    if (!isStopped() || m_bScrolling)
        m_pSearch->testShownBlock();
    m_pPlugins->blockShown();
    if (m_bScrolling)
        QTimer::singleShot(1, this, &Orma::slotScrolling);
    return true;
}

// An empty record keeps the window waiting for a producer, and one without a description is
// read with the user's parameters: both look like a failure unless the user is told.
void Orma::refreshNote()
{
    FileSource *file = sourceKind() == KindFile ? fileSource() : nullptr;
    if (!file || file->firstFileName().isEmpty()) {
        setNote(QString());
    } else if (QFileInfo(file->firstFileName()).size() == 0) {
        setNote("Файл " + QFileInfo(file->firstFileName()).fileName() +
                " пока не содержит отсчетов: ожидание данных от программы сбора");
    } else if (!file->postfixKnown()) {
        setNote("Файл без описания: читается с параметрами \"Параметры файла чтения\"", true);
    } else if (file->foreignGapsFilled()) {
        setNote("В файле нет частоты дискретизации или разрядности: они взяты из \"Параметры файла "
                "чтения\" (Файл - Атрибуты...)", true);
    } else {
        setNote(QString());
    }
}

// --- read-outs -------------------------------------------------------------------------------

void Orma::slotSpectrParams()
{
    if (!block())
        return;
    if (const ChannelRecord *r = block()->recordOfChannel(m_pOrmaOscPanel->currentChannel())) {
        for (OrmaPanel *panel : {static_cast<OrmaPanel *>(m_pOrmaOscPanel),
                                 static_cast<OrmaPanel *>(m_pOrmaSpectrPanel)}) {
            panel->setDynParams(r->sfdr, r->sinad, r->snr, r->thd, r->enob);
            panel->setDatasheetFigures(r->datasheet);
        }
    }
    refreshReadout();
}

void Orma::refreshReadout()
{
    if (!source() || !block() || !block()->channelSamples(0))
        return;
    m_pOrmaSpectrPanel->showPowerReadout(*block(), m_pOrmaOscPanel->currentChannel(),
                                         m_nMarkerPos, m_session.analyser.gainIndex == 1,
                                         !source()->traits().hasRecordGains);
}

void Orma::slotCurrentChanChange(int nChan)
{
    if (!source())
        return;
    source()->setCurrentChannel(nChan);
    m_pOrmaOscPanel->slotSetCurrentChan(nChan);
    if (block()) {
        m_pOrmaOscPanel->setSampleRate(block()->sampleRate());
        m_pOrmaSpectrPanel->setSampleRate(block()->sampleRate());
    }
}

void Orma::slotMarkerPosChange(double dPos)
{
    m_nMarkerPos = int(dPos);
    refreshReadout();
}

void Orma::slotHideMarker()
{
    m_nMarkerPos = -1;
    refreshReadout();
}

// --- scrolling, slider holds, canvas drags ---------------------------------------------------

void Orma::slotLeftRight()
{
    auto *button = qobject_cast<QToolButton *>(sender());
    if (!button)
        return;
    m_tmScroll.stop();
    m_pActionStart->setEnabled(false);
    if (button->isChecked()) {
        QToolButton *other = button == m_pLeftButton ? m_pRightButton : m_pLeftButton;
        other->setChecked(false);
        OrmaSlider *slider = m_pOrmaOscPanel->slider();
        m_dScrollMax = slider->maximum() - m_pOrmaOscPanel->windowWidth();
        m_dScrollMin = slider->minimum();
        m_dScrollStep = m_pPercentSpin->value() / 100.0 * m_pOrmaOscPanel->windowWidth();
        if (button == m_pLeftButton)
            m_dScrollStep = -m_dScrollStep;
        m_bScrolling = true;
        slotScrolling();
    } else {
        m_pActionStart->setEnabled(true);
        m_bScrolling = false;
    }
}

void Orma::slotScrolling()
{
    OrmaSlider *slider = m_pOrmaOscPanel->slider();
    double v = slider->value() + m_dScrollStep;
    if (v < m_dScrollMin || v > m_dScrollMax) {
        v = v < m_dScrollMin ? m_dScrollMin : m_dScrollMax;
        m_bScrolling = false;
    }
    slider->setValue(v, false);
    if (!m_bScrolling) {
        m_pActionStart->setEnabled(true);
        m_pLeftButton->setChecked(false);
        m_pRightButton->setChecked(false);
    }
}

void Orma::slotPercentChanged(int nPercent)
{
    m_session.config.scrollPercent = nPercent;
    m_session.writeKey("", "ScrollPercent", nPercent);
}

void Orma::slotSliderPress()
{
    m_acq.pressHold();
}

void Orma::slotSliderRelease()
{
    m_acq.releaseHold();
}

void Orma::requestBlockAtPosition()
{
    if (m_pOrmaOscPanel->plot()->hasCurves())
        m_acq.requestBlockAtPosition();
}

void Orma::slotMoveCanvas()
{
    OrmaPlot *plot = m_pOrmaOscPanel->plot();
    plot->clearAccumulation();
    if (!plot->hasCurves() || !source() || !block())
        return;
    disconnect(m_pOrmaOscPanel, &OrmaPanel::signalMoveCanvas, this, &Orma::slotMoveCanvas);
    auto reconnect = [&] {
        connect(m_pOrmaOscPanel, &OrmaPanel::signalMoveCanvas, this, &Orma::slotMoveCanvas,
                Qt::QueuedConnection);
    };
    const double lo = std::floor(m_pOrmaOscPanel->viewStart());
    double hi = std::ceil(m_pOrmaOscPanel->viewEnd());
    const uint64_t count = block()->fileOfChannel(source()->currentChannel()).sampleCount;
    if (double(count) <= hi)
        hi = double(count) - 1;
    if (lo < 0) {
        reconnect();
        m_pOrmaOscPanel->slider()->setValue(0, false);
        return;
    }
    m_acq.hold([&] { source()->setPosition(uint64_t(lo), uint64_t(3 * (hi - lo + 1))); });
    reconnect();
    m_acq.refreshNext();
    requestBlockAtPosition();
}

void Orma::slotAccumulation(bool isAccumulation)
{
    m_bAccumulation = isAccumulation;
    m_pOrmaOscPanel->plot()->setAccumulate(isAccumulation);
    if (isAccumulation) {
        m_pOrmaOscPanel->plot()->clearAccumulation();
        for (QAction *marker : {m_pRedMarkerAction, m_pBlueMarkerAction}) {
            if (marker->isChecked())
                marker->trigger();
            marker->setEnabled(false);
        }
    } else {
        m_pOrmaOscPanel->plot()->dropZoomHistory();
        m_pRedMarkerAction->setEnabled(true);
        m_pBlueMarkerAction->setEnabled(true);
    }
    m_session.writeKey("", "IsAccumulation", isAccumulation ? 1 : 0);
}

void Orma::slotAllDataEnable()
{
    const bool wanted = m_acq.wholeRecordWanted();
    if (!source() || source()->allDataMode() == wanted)
        return;
    m_acq.hold([&] { source()->setAllDataMode(wanted); });
    allocateSourceWindow();
}

// --- settings pushed into the panels and the source --------------------------------------------

void Orma::applyAnalyserSettings()
{
    const AnalyserSettings &a = m_session.analyser;
    m_acq.setPeriod(a.timeout);
    m_pOrmaOscPanel->setDimensions(uint8_t(a.timeDimension), uint8_t(a.amplDimension));
    m_pOrmaOscPanel->setGainMode(a.gainIndex == 1);
    m_pOrmaSpectrPanel->setImpedance(unsigned(a.impedance));
    m_pOrmaSpectrPanel->setDimensions(uint8_t(a.freqDimension), uint8_t(a.powerDimension));
    m_pOrmaSpectrPanel->setMaxPower(a.maxPower);
    m_pOrmaSpectrPanel->setMinPower(a.minPower);
    m_pOrmaSpectrPanel->setCentred(a.spectrRange == 1);
    m_pOrmaSpectrPanel->setLogFrequency(a.isDb);
    m_pOrmaSpectrPanel->setLowFrequency(a.lowFreqHz);
    if (!source())
        return;
    m_acq.hold([&] {
        SpectrumSettings analysis;
        analysis.fftSize = a.fftSize;
        analysis.averageCount = uint32_t(a.averageCount);
        analysis.windowType = uint8_t(a.windowType);
        analysis.sidelobeLevel = a.sidelobeLevel;
        analysis.harmonicCount = a.harmonicCount;
        analysis.sfdrBandWidth = uint32_t(a.sfdrBandWidth);
        analysis.spectrumRange = uint8_t(a.spectrRange);
        source()->setSpectrumSettings(analysis);
    });
}

void Orma::applyOtherSettings()
{
    m_pOscGrid->setShowSampleTicks(m_session.other.isTikSamples);
    m_pOrmaOscPanel->plot()->setShowSampleMarks(m_session.other.isMarkerSamples);
    if (source())
        source()->setComputeSpectrum(m_nPanelsView != 0 || m_session.other.isSpectrEnable);
}

void Orma::applyPalette()
{
    for (OrmaPlot *plot : {m_pOrmaOscPanel->plot(), m_pOrmaSpectrPanel->plot()}) {
        plot->setCanvasBackground(QColor::fromRgb(m_session.palette.display));
        plot->setLevelLinesColor(QColor::fromRgb(m_session.palette.scale));
        plot->setPositionLineColor(QColor::fromRgb(m_session.palette.fft));
    }
    for (QwtPlotGrid *grid : {static_cast<QwtPlotGrid *>(m_pOscGrid), m_pSpectrGrid}) {
        QPen pen = grid->majorPen();
        pen.setColor(QColor::fromRgb(m_session.palette.net));
        grid->setPen(pen);
    }
    refreshCurves();
}

// Moves every legend item by nDelta channels, skipping items whose target does not exist or
// is already shown by another item.
void Orma::shiftLegend(int nDelta)
{
    QList<int> shown;
    for (LegendItemWidget *item : m_lLegendItems)
        shown.append(item->channel());
    for (LegendItemWidget *item : m_lLegendItems) {
        const int target = item->channel() + nDelta;
        if (!m_lShownChannels.contains(target) || shown.contains(target))
            continue;
        shown.removeOne(item->channel());
        shown.append(target);
        m_pOrmaOscPanel->removeLegendItem(item);
        m_pOrmaSpectrPanel->removeLegendItem(item);
        item->setChannel(target);
        item->setColor(channelColor(target));
        m_pOrmaOscPanel->addLegendItem(target, item);
        m_pOrmaSpectrPanel->addLegendItem(target, item);
    }
}

// --- filtering -------------------------------------------------------------------------------

void Orma::applyFilterToSource()
{
    // No hold: the source takes both under its own lock, and the worker keeps the copy it took
    // at the start of a block for the whole block.
    if (!source())
        return;
    source()->setFilterParams(m_pFiltersDlg->filterParams());
    source()->setFilterEnabled(m_pFiltrationEnableAction->isChecked());
}

void Orma::slotShowFiltrationDlg()
{
    // A dialog already open keeps its edits; the keys are written when it closes.
    if (!m_pFiltersDlg->isVisible()) {
        m_pFiltersDlg->setConfigPath(m_session.configPath);
        m_pFiltersDlg->load();
        m_pFiltersDlg->slotEnableChange(m_pFiltrationEnableAction->isChecked());
    }
    if (block())
        m_pFiltersDlg->setSampleRate(block()->sampleRate());
    m_pFiltersDlg->show();
    m_pFiltersDlg->raise();
    m_pFiltersDlg->activateWindow();
}

void Orma::slotFiltrationEnable(bool isFlg)
{
    m_pFiltrationEnableAction->setText(isFlg ? "Выключить фильтрацию" : "Включить фильтрацию");
    applyFilterToSource();
    m_pFiltersDlg->slotEnableChange(isFlg);
    // A stopped window shows its block again, filtered or not; a running one gets the next.
    if (isStopped() && source())
        requestBlockAtPosition();
}

void Orma::slotUpdateFiltrParams()
{
    applyFilterToSource();
    // A stopped window shows the block at its position again, filtered anew.
    if (isStopped() && source() && m_pFiltrationEnableAction->isChecked())
        requestBlockAtPosition();
}
