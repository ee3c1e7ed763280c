// The measurement dialogs of the window that follow the data cycle: phase mismatch on every
// block, the amplitude / frequency / phase view and the vector diagram while shown.
#include "app/Orma.h"

#include "dialogs/AmplPhaseDlg.h"
#include "dialogs/PhaseMisDlg.h"
#include "dialogs/VectorDiagramDlg.h"
#include "panels/OrmaOscPanel.h"
#include "plot/OrmaPlot.h"

#include <QMessageBox>

namespace {

// A dialog in the cycle: gets each block with the oscilloscope's window.
template <typename Dialog> class DialogFollower : public BlockFollower {
public:
    explicit DialogFollower(Dialog *dialog) : m_dialog(dialog) {}
    void followBlock(const BlockContext &context) override { m_dialog->followBlock(context.block, context.scope); }

private:
    Dialog *m_dialog;
};

class PhaseMisFollower : public DialogFollower<PhaseMisDlg> {
public:
    explicit PhaseMisFollower(PhaseMisDlg *dialog) : DialogFollower(dialog), m_dialog(dialog) {}
    bool wantsWholeRecord() const override { return m_dialog->wantsWholeRecord(); }

private:
    PhaseMisDlg *m_dialog;
};

} // namespace

void Orma::buildMeasureDialogs()
{
    m_pPhaseMisDlg = new PhaseMisDlg(this);
    m_pAmplPhaseDlg = new AmplPhaseDlg(this);
    m_pVectorDiagramDlg = new VectorDiagramDlg(this);
    // A start from the dialog while running would be a stop; its stop halts the source too.
    connect(m_pPhaseMisDlg, &PhaseMisDlg::signalStart, this, [this] {
        if (isStopped())
            slotStart();
    });
    connect(m_pPhaseMisDlg, &PhaseMisDlg::signalStop, this, [this] {
        if (!isStopped())
            stopAcquisition();
    });
    connect(m_pPhaseMisDlg, &PhaseMisDlg::signalAllData, this, &Orma::slotAllDataEnable);

    auto phase = std::make_unique<PhaseMisFollower>(m_pPhaseMisDlg);
    auto ampl = std::make_unique<DialogFollower<AmplPhaseDlg>>(m_pAmplPhaseDlg);
    auto vector = std::make_unique<DialogFollower<VectorDiagramDlg>>(m_pVectorDiagramDlg);
    addBlockFollower(BlockFollower::EveryBlock, phase.get());
    addBlockFollower(BlockFollower::WhileVisible, vector.get());
    addBlockFollower(BlockFollower::WhileVisible, ampl.get());
    m_measureFollowers.push_back(std::move(phase));
    m_measureFollowers.push_back(std::move(ampl));
    m_measureFollowers.push_back(std::move(vector));
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

void Orma::loadMeasureSettings()
{
    m_pPhaseMisDlg->setConfigPath(m_session.configPath);
    m_pPhaseMisDlg->loadSettings();
    m_pAmplPhaseDlg->setConfigPath(m_session.configPath);
    m_pVectorDiagramDlg->setConfigPath(m_session.configPath);
}

void Orma::slotShowPhaseMisDlg()
{
    if (!block() || !block()->channelSamples(0))
        return;
    m_pPhaseMisDlg->setChannelNumbers(block()->channels.numbers());
    m_pPhaseMisDlg->setAcquisitionRunning(!isStopped());
    m_pPhaseMisDlg->show();
    m_pPhaseMisDlg->raise();
    // Measured at once, not only from the next block on.
    m_pPhaseMisDlg->followBlock(block(), scopeWindow());
}

bool Orma::refuseRealData()
{
    if (block() && block()->firstFile().isComplex)
        return false;
    QMessageBox::information(this, "ORMA", "Этот режим только для комплексных сигналов!");
    return true;
}

void Orma::slotShowAmplPhaseDlg()
{
    if (refuseRealData() || !block()->channelSamples(0))
        return;
    const int channel = m_pOrmaOscPanel->currentChannel();
    m_pAmplPhaseDlg->loadSettings();
    m_pAmplPhaseDlg->setTimeUnit(m_session.analyser.timeDimension);
    m_pAmplPhaseDlg->setAmplitudeUnit(m_session.analyser.amplDimension);
    m_pAmplPhaseDlg->setAmplScale(m_pOrmaOscPanel->gainMode() && m_pOrmaOscPanel->amplType() != DimCodes
                                      ? m_pOrmaOscPanel->plot()->channelFactor(channel)
                                      : 1.0);
    m_pAmplPhaseDlg->show();
    m_pAmplPhaseDlg->raise();
    m_pAmplPhaseDlg->followBlock(block(), scopeWindow());
}

void Orma::slotShowVectorDiagramDlg()
{
    if (refuseRealData())
        return;
    m_pVectorDiagramDlg->loadSettings();
    m_pVectorDiagramDlg->setAmplitudeUnit(m_session.analyser.amplDimension);
    m_pVectorDiagramDlg->show();
    m_pVectorDiagramDlg->raise();
    m_pVectorDiagramDlg->followBlock(block(), scopeWindow());
}
