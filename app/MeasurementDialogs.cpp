#include "app/MeasurementDialogs.h"

#include "dialogs/AdcDistribDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"
#include "sources/SignalSource.h"

class MeasurementDialogs::Follower : public BlockFollower {
public:
    explicit Follower(std::function<void(const BlockContext &)> follow) : m_follow(std::move(follow)) {}
    void followBlock(const BlockContext &context) override
    {
        if (context.block)
            m_follow(context);
    }

private:
    std::function<void(const BlockContext &)> m_follow;
};

namespace {

int currentChannel(const BlockContext &context)
{
    return context.source ? context.source->currentChannel() : 0;
}

} // namespace

MeasurementDialogs::MeasurementDialogs(QWidget *window) : QObject(window)
{
    m_pAdcDistribDlg = new AdcDistribDlg(window);
    m_pDevParamsDlg = new DevParamsDlg(window);
    m_pIntermodDistDlg = new IntermodDistDlg(window);
    connect(m_pDevParamsDlg, &DevParamsDlg::signalStart, this, &MeasurementDialogs::signalStart);
    connect(m_pAdcDistribDlg, &AdcDistribDlg::signalAllData, this, &MeasurementDialogs::signalAllData);

    auto add = [this](BlockFollower::Stage stage, std::function<void(const BlockContext &)> follow) {
        m_followers.emplace_back(stage, std::make_unique<Follower>(std::move(follow)));
    };
    add(BlockFollower::EveryBlock, [this](const BlockContext &c) {
        m_pIntermodDistDlg->followBlock(*c.block, currentChannel(c));
    });
    add(BlockFollower::EveryBlock, [this](const BlockContext &c) {
        m_pAdcDistribDlg->followBlock(c.block, currentChannel(c), uint64_t(std::max(c.visibleWidth, 0)));
    });
    add(BlockFollower::WhileVisible, [this](const BlockContext &c) {
        if (m_pDevParamsDlg->isVisible())
            m_pDevParamsDlg->followBlock(*c.block);
    });
}

MeasurementDialogs::~MeasurementDialogs() = default;

void MeasurementDialogs::showAdcDistrib(const QString &sConfigPath)
{
    if (!m_pAdcDistribDlg->isVisible())
        m_pAdcDistribDlg->setConfigPath(sConfigPath);
    m_pAdcDistribDlg->show();
    m_pAdcDistribDlg->raise();
}

void MeasurementDialogs::showDevParams(const QString &sConfigPath)
{
    if (!m_pDevParamsDlg->isVisible())
        m_pDevParamsDlg->setConfigPath(sConfigPath);
    m_pDevParamsDlg->show();
    m_pDevParamsDlg->raise();
}

void MeasurementDialogs::showIntermod()
{
    m_pIntermodDistDlg->show();
    m_pIntermodDistDlg->raise();
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
