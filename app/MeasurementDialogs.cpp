#include "app/MeasurementDialogs.h"

#include "dialogs/AdcDistribDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"
#include "sources/SignalSource.h"

class MeasurementDialogs::Follower : public BlockFollower {
public:
    Follower(MeasurementDialogs &owner, std::function<void(const LastBlock &)> follow)
        : m_owner(owner), m_follow(std::move(follow))
    {
    }
    void followBlock(const BlockContext &context) override
    {
        if (!context.block)
            return;
        m_owner.remember(context);
        m_follow(m_owner.m_last);
    }
    void replay() const
    {
        if (m_owner.m_last.block)
            m_follow(m_owner.m_last);
    }

private:
    MeasurementDialogs &m_owner;
    std::function<void(const LastBlock &)> m_follow;
};

void MeasurementDialogs::remember(const BlockContext &context)
{
    m_last.block = context.block;
    m_last.channel = context.source ? context.source->currentChannel() : 0;
    m_last.visibleWidth = context.visibleWidth;
}

MeasurementDialogs::MeasurementDialogs(QWidget *window) : QObject(window)
{
    m_pAdcDistribDlg = new AdcDistribDlg(window);
    m_pDevParamsDlg = new DevParamsDlg(window);
    m_pIntermodDistDlg = new IntermodDistDlg(window);
    connect(m_pDevParamsDlg, &DevParamsDlg::signalStart, this, &MeasurementDialogs::signalStart);
    connect(m_pAdcDistribDlg, &AdcDistribDlg::signalAllData, this, &MeasurementDialogs::signalAllData);

    auto add = [this](BlockFollower::Stage stage, std::function<void(const LastBlock &)> follow) {
        m_followers.emplace_back(stage, std::make_unique<Follower>(*this, std::move(follow)));
    };
    add(BlockFollower::EveryBlock, [this](const LastBlock &b) {
        m_pIntermodDistDlg->followBlock(*b.block, b.channel);
    });
    add(BlockFollower::EveryBlock, [this](const LastBlock &b) {
        m_pAdcDistribDlg->followBlock(b.block, b.channel, uint64_t(std::max(b.visibleWidth, 0)));
    });
    add(BlockFollower::WhileVisible, [this](const LastBlock &b) {
        if (m_pDevParamsDlg->isVisible())
            m_pDevParamsDlg->followBlock(*b.block);
    });
}

MeasurementDialogs::~MeasurementDialogs() = default;

void MeasurementDialogs::showAdcDistrib(const QString &sConfigPath)
{
    if (!m_pAdcDistribDlg->isVisible())
        m_pAdcDistribDlg->setConfigPath(sConfigPath);
    m_pAdcDistribDlg->show();
    m_pAdcDistribDlg->raise();
    m_followers[DistribFollower].second->replay();
}

void MeasurementDialogs::showDevParams(const QString &sConfigPath)
{
    if (!m_pDevParamsDlg->isVisible())
        m_pDevParamsDlg->setConfigPath(sConfigPath);
    m_pDevParamsDlg->show();
    m_pDevParamsDlg->raise();
    m_followers[TableFollower].second->replay();
}

void MeasurementDialogs::showIntermod()
{
    m_pIntermodDistDlg->show();
    m_pIntermodDistDlg->raise();
    m_followers[IntermodFollower].second->replay();
}

bool MeasurementDialogs::wantsWholeRecord() const { return m_pAdcDistribDlg->wantsWholeRecord(); }

void MeasurementDialogs::setRunning(bool isRunning) { m_pDevParamsDlg->setRunning(isRunning); }

std::vector<std::pair<BlockFollower::Stage, BlockFollower *>> MeasurementDialogs::followers() const
{
    std::vector<std::pair<BlockFollower::Stage, BlockFollower *>> list;
    for (const auto &f : m_followers)
        list.emplace_back(f.first, f.second.get());
    return list;
}
