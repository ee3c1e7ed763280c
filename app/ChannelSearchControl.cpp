#include "app/ChannelSearchControl.h"

#include "app/FindDlg.h"
#include "panels/OrmaOscPanel.h"
#include "plot/OrmaPlot.h"
#include "sources/search/ChannelSearch.h"

#include <QAction>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cmath>

ChannelSearchControl::ChannelSearchControl(QWidget *window, const OrmaOscPanel &scope,
                                           std::function<SearchView()> view)
    : m_pWindow(window), m_scope(scope), m_view(std::move(view))
{
    m_pAction = new QAction(QIcon(":/Orma/Resources/find.png"), "Поиск", window);
    m_pAction->setObjectName("m_pFindAction");
    m_pAction->setCheckable(true);
    connect(m_pAction, &QAction::toggled, this, &ChannelSearchControl::setActive);
    m_pDialog = new FindDlg(window);
}

void ChannelSearchControl::showCriteria()
{
    const SearchView view = m_view();
    m_pDialog->setConfigPath(view.configPath);
    m_pDialog->setImpedance(view.impedance);
    m_pDialog->setAvailableChannels(view.block ? view.block->channels.numbers() : QList<int>());
    m_pDialog->load();
    m_pDialog->exec();
    // What was saved holds, not what a cancelled dialog was left showing.
    m_pDialog->load();
}

void ChannelSearchControl::setActive(bool isOn)
{
    if (isOn) {
        m_pDialog->setConfigPath(m_view().configPath);
        m_pDialog->load();
        if (m_pDialog->autoOpen())
            showCriteria();
    }
    // On while the action is checked: a source that has no block yet is searched from its
    // first one, rather than the action showing a search that never runs.
    m_bActive = isOn;
}

void ChannelSearchControl::testShownBlock()
{
    if (!m_bActive)
        return;
    const SearchView view = m_view();
    if (!view.block)
        return;
    // A record with a configuration of its own brings its own criteria.
    if (m_pDialog->configPath() != view.configPath) {
        m_pDialog->setConfigPath(view.configPath);
        m_pDialog->load();
    }
    const BlockSnapshot &b = *view.block;
    const QList<int> available = b.channels.numbers();
    m_pDialog->setAvailableChannels(available);
    const FindSettings settings = m_pDialog->settings();
    if (!settings.anyEnabled())
        return;
    const QList<int> channels = settings.currentChannel ? QList<int>{m_scope.currentChannel()}
                                                        : settings.selectedChannels(available);
    SearchScope scope;
    scope.shownStart = uint64_t(std::max(0.0, std::floor(m_scope.viewStart())));
    scope.shownWidth = uint64_t(std::max(0, m_scope.windowWidth()));
    scope.impedance = view.impedance;
    // Volts as the oscilloscope's amplitude axis shows them, whatever unit it shows now, and
    // referred to the module input with the channel's gain when the traces are.
    const double voltsPerCode = m_scope.convertAmplitude(1.0, DimCodes, DimVolts);
    const bool gains = m_scope.gainMode() && m_scope.amplType() != DimCodes;
    std::vector<SearchMatch> matches;
    for (int channel : channels) {
        scope.channels = {channel};
        scope.voltsPerCode = voltsPerCode * (gains ? m_scope.plot()->channelFactor(channel) : 1.0);
        const std::vector<SearchMatch> found = searchBlock(b, settings, scope);
        matches.insert(matches.end(), found.begin(), found.end());
    }
    if (matches.empty())
        return;
    const QString report = searchReport(matches);
    emit stopWanted(report);
    if (!settings.currentChannel) {
        // After the cycle: the report waits for the user, the cycle should not.
        QTimer::singleShot(0, m_pWindow, [window = m_pWindow, report] {
            QMessageBox::information(window, QStringLiteral("Поиск остановлен"), report);
        });
    }
}
