// The main window's channel search and plug-ins: the search's per-block test and its dialog,
// the plug-in menu, and the switch to a plug-in's copies and back.
#include "app/Orma.h"

#include "app/FindDlg.h"
#include "app/PluginsDlg.h"
#include "app/SourceKinds.h"
#include "panels/OrmaOscPanel.h"
#include "plot/OrmaPlot.h"
#include "sources/search/ChannelSearch.h"
#include "sources/record/FileSource.h"
#include "sources/SignalSource.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

// --- channel search --------------------------------------------------------------------------

void Orma::showFindDlg()
{
    m_pFindDlg->setConfigPath(m_session.configPath);
    m_pFindDlg->setImpedance(m_session.analyser.impedance);
    m_pFindDlg->setAvailableChannels(block() ? block()->channels.numbers() : QList<int>());
    m_pFindDlg->load();
    m_pFindDlg->exec();
    // What was saved holds, not what a cancelled dialog was left showing.
    m_pFindDlg->load();
}

void Orma::slotStartFind(bool isStart)
{
    if (isStart) {
        m_pFindDlg->setConfigPath(m_session.configPath);
        m_pFindDlg->load();
        if (m_pFindDlg->autoOpen())
            showFindDlg();
    }
    // On while the action is checked: a source that has no block yet is searched from its
    // first one, rather than the action showing a search that never runs.
    m_bFindActive = isStart;
}

bool Orma::searchStopsHere()
{
    if (!m_bFindActive || !block() || (isStopped() && !m_bScrolling))
        return false;
    // A record with a configuration of its own brings its own criteria.
    if (m_pFindDlg->configPath() != m_session.configPath) {
        m_pFindDlg->setConfigPath(m_session.configPath);
        m_pFindDlg->load();
    }
    const BlockSnapshot &b = *block();
    const QList<int> available = b.channels.numbers();
    m_pFindDlg->setAvailableChannels(available);
    const FindSettings settings = m_pFindDlg->settings();
    if (!settings.anyEnabled())
        return false;
    const QList<int> channels = settings.currentChannel ? QList<int>{m_pOrmaOscPanel->currentChannel()}
                                                        : settings.selectedChannels(available);
    SearchScope scope;
    scope.shownStart = uint64_t(std::max(0.0, std::floor(m_pOrmaOscPanel->viewStart())));
    scope.shownWidth = uint64_t(std::max(0, m_pOrmaOscPanel->windowWidth()));
    scope.impedance = m_session.analyser.impedance;
    // Volts as the oscilloscope's amplitude axis shows them, whatever unit it shows now, and
    // referred to the module input with the channel's gain when the traces are.
    const double voltsPerCode = m_pOrmaOscPanel->convertAmplitude(1.0, DimCodes, DimVolts);
    const bool gains = m_pOrmaOscPanel->gainMode() && m_pOrmaOscPanel->amplType() != DimCodes;
    std::vector<SearchMatch> matches;
    for (int channel : channels) {
        scope.channels = {channel};
        scope.voltsPerCode = voltsPerCode * (gains ? m_pOrmaOscPanel->plot()->channelFactor(channel) : 1.0);
        const std::vector<SearchMatch> found = searchBlock(b, settings, scope);
        matches.insert(matches.end(), found.begin(), found.end());
    }
    if (matches.empty())
        return false;
    stopAcquisition();
    m_bScrolling = false;
    m_pActionStart->setEnabled(true);
    m_pLeftButton->setChecked(false);
    m_pRightButton->setChecked(false);
    if (!settings.currentChannel) {
        // After the cycle: the report waits for the user, the cycle should not.
        const QString report = searchReport(matches);
        QTimer::singleShot(0, this, [this, report] {
            QMessageBox::information(this, QStringLiteral("Поиск остановлен"), report);
        });
    }
    return true;
}

// --- plug-ins --------------------------------------------------------------------------------

std::unique_ptr<QSettings> Orma::openPluginStore() const
{
    return std::make_unique<QSettings>(kNativeOrganisation, kNativeApplication);
}

QAction *Orma::addPluginAction(const PluginRecord &plugin)
{
    auto *action = new QAction(plugin.name, this);
    action->setObjectName(QStringLiteral("m_pPlugin%1").arg(plugin.id));
    action->setCheckable(true);
    m_pTransformMenu->insertAction(m_pPluginsAction, action);
    connect(action, &QAction::triggered, this, &Orma::slotStartPlugin);
    m_lPluginActions << action;
    return action;
}

void Orma::buildPluginMenu()
{
    m_lPlugins = loadPlugins(*openPluginStore());
    for (const PluginRecord &plugin : m_lPlugins)
        addPluginAction(plugin);
}

void Orma::slotShowPluginsDlg()
{
    auto store = openPluginStore();
    PluginsDlg dialog(*store, m_lPlugins, this);
    dialog.setFont(font());
    dialog.exec();
    // The dialog wrote the store as it went; the menu follows its list, whatever the answer.
    QList<PluginRecord> edited = dialog.plugins();
    for (int i = m_lPlugins.size() - 1; i >= 0; --i) {
        const auto kept = std::find_if(edited.begin(), edited.end(),
                                       [&](const PluginRecord &p) { return p.id == m_lPlugins.at(i).id; });
        if (kept == edited.end()) {
            delete m_lPluginActions.takeAt(i);
            m_lPlugins.removeAt(i);
            continue;
        }
        m_lPlugins[i].name = kept->name;
        m_lPlugins[i].path = kept->path;
        m_lPluginActions.at(i)->setText(kept->name);
        edited.erase(kept);
    }
    for (const PluginRecord &plugin : edited) {
        m_lPlugins << plugin;
        addPluginAction(plugin);
    }
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

void Orma::slotStartPlugin()
{
    startPlugin(qobject_cast<QAction *>(sender()));
}

void Orma::rerunPlugin()
{
    if (!m_pPluginRerun || !block() || !block()->channelSamples(0))
        return;
    QAction *action = m_pPluginRerun;
    m_pPluginRerun = nullptr;
    // Not from inside the cycle: the start waits for the plug-in's copies.
    QTimer::singleShot(0, this, [this, action] {
        if (!m_lPluginActions.contains(action) || action->isChecked())
            return;
        action->setChecked(true);
        startPlugin(action);
    });
}

void Orma::startPlugin(QAction *action)
{
    const int index = m_lPluginActions.indexOf(action);
    if (index < 0)
        return;
    if (!action->isChecked()) {
        m_pluginLauncher.stop(); // its end restores the record's own files
        return;
    }
    // A plug-in works on a record file whose samples have been read.
    if (sourceKind() != KindFile || !fileSource() || m_session.loadedFiles.isEmpty() || !block() ||
        !block()->channelSamples(0)) {
        action->setChecked(false);
        return;
    }
    const PluginRecord &plugin = m_lPlugins.at(index);
    QString message;
    // A running plug-in is killed first; its end unchecks its entry.
    if (!m_pluginLauncher.start(plugin.name, plugin.path, m_session.loadedFiles, message)) {
        action->setChecked(false);
        QMessageBox::critical(this, QStringLiteral("ORMA"), message);
        return;
    }
    m_lPlugins[index].running = true;
    m_pPluginAction = action;
    showRecordFiles(m_pluginLauncher.modifiedFiles());
}

void Orma::slotFinishPlugin()
{
    if (!m_pPluginAction)
        return;
    showRecordFiles(m_session.loadedFiles);
    m_pPluginAction->setChecked(false);
    m_pPluginAction = nullptr;
    for (PluginRecord &plugin : m_lPlugins)
        plugin.running = false;
}
