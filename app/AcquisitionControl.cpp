#include "app/AcquisitionControl.h"

#include "app/Pacing.h"
#include "sources/record/FileSource.h"
#include "sources/SignalSource.h"
#include "sources/ThreadHandOff.h"

#include <QCoreApplication>
#include <QThread>

#include <malloc.h>

AcquisitionControl::AcquisitionControl(BlockDisplay &display, QObject *parent)
    : QObject(parent), m_display(display)
{
    m_tmStart.setSingleShot(false);
    connect(&m_tmStart, &QTimer::timeout, this, &AcquisitionControl::slotPacingTimeout);
}

AcquisitionControl::~AcquisitionControl()
{
    if (m_pSource)
        m_pSource->stopSource();
    waitForThread();
}

// --- the source ------------------------------------------------------------------------------

void AcquisitionControl::waitForThread()
{
    if (!m_pSource)
        return;
    while (m_pSource->isRunning())
        QThread::msleep(1);
}

void AcquisitionControl::hold(const std::function<void()> &change)
{
    if (!m_pSource) {
        change();
        return;
    }
    SourceHold hold(*m_pSource);
    change();
    m_bFirstAfterHold = true;
}

bool AcquisitionControl::shutDown()
{
    if (!m_pSource || !m_pSource->isRunning())
        return false;
    m_pSource->stopSource();
    waitForThread();
    return !m_bStopped;
}

void AcquisitionControl::install(int kind, std::unique_ptr<SignalSource> source)
{
    m_nKind = kind;
    m_pFileSource = nullptr;
    m_block.reset();
    m_pSource.reset();
    // The old source's buffers came from its thread's malloc arena, which keeps freed blocks
    // mapped: give them back, or every switch would leave the window a little larger.
    malloc_trim(0);
    m_pSource = std::move(source);
    m_pFileSource = qobject_cast<FileSource *>(m_pSource.get());
    if (m_pSource)
        connect(m_pSource.get(), &SignalSource::signalDataReady, this,
                &AcquisitionControl::slotBlockReady, Qt::QueuedConnection);
}

void AcquisitionControl::resumeAfterSwitch(bool wasRunning)
{
    if (m_bInProcessEvents)
        m_bStartPending = true;
    else if (wasRunning)
        emit startWanted();
}

// --- run state -------------------------------------------------------------------------------

void AcquisitionControl::waitForRequests()
{
    while (m_pSource && m_pSource->isRequestPending())
        QThread::msleep(1);
}

void AcquisitionControl::beginRun()
{
    m_bStopped = false;
    m_bFirstAfterHold = true;
}

void AcquisitionControl::markStopped()
{
    m_bStopped = true;
    m_tmStart.stop();
}

void AcquisitionControl::stopSource()
{
    if (m_pSource)
        m_pSource->stopSource();
}

void AcquisitionControl::requestFirstBlock()
{
    if (m_bInProcessEvents) {
        m_bRestartPending = true;
        return;
    }
    m_bRestartPending = false;
    requestFreshBlock();
}

// A request made while the thread is on its way out after a stop would be dropped with it:
// let the thread finish first, and never let an old stop end the new run.
void AcquisitionControl::requestFreshBlock()
{
    if (m_pSource->isStopRequested())
        waitForThread();
    if (!m_pSource->isRunning())
        m_pSource->setStopRequested(false);
    m_pSource->requestData();
}

void AcquisitionControl::requestBlockAtPosition()
{
    if (!m_pSource || !m_block || !m_block->channelSamples(0))
        return;
    if (m_bStopped || m_nSliderHeld > 0) {
        requestStoppedBlock();
    } else if (!m_pSource->waitingFlag()) {
        m_bRestartPending = true;
        hold([&] { m_pSource->setSkipWaitOnce(true); });
    }
}

void AcquisitionControl::requestStoppedBlock()
{
    if (!m_pSource)
        return;
    hold([&] { m_pSource->setSkipWaitOnce(true); });
    requestFreshBlock();
}

void AcquisitionControl::slotPacingTimeout()
{
    m_tmStart.stop();
    if (m_pSource)
        m_pSource->requestData();
}

void AcquisitionControl::pressHold()
{
    ++m_nSliderHeld;
    m_bSliderDown = true;
}

void AcquisitionControl::releaseHold()
{
    m_nSliderHeld = std::max(0, m_nSliderHeld - 1);
    m_bSliderDown = false;
    if (m_nSliderHeld == 0 && !m_bStopped && m_pSource) {
        m_tmStart.stop();
        m_pSource->requestData();
    }
}

// --- the cycle -------------------------------------------------------------------------------

bool AcquisitionControl::yieldAndCheck()
{
    m_bInProcessEvents = true;
    if (!m_bStopped && !m_bSliderDown)
        QCoreApplication::processEvents();
    m_bInProcessEvents = false;
    if (m_bRestartPending) {
        m_bRestartPending = false;
        m_tmStart.stop();
        if (m_pSource)
            m_pSource->requestData();
        return false;
    }
    if (m_bStartPending) {
        m_bStartPending = false;
        QTimer::singleShot(10, this, &AcquisitionControl::startWanted);
        return false;
    }
    return m_pSource && m_block; // a source switch meanwhile leaves no block to go on with
}

void AcquisitionControl::addFollower(BlockFollower::Stage stage, BlockFollower *follower)
{
    m_followers[stage].push_back(follower);
}

void AcquisitionControl::runFollowers(BlockFollower::Stage stage, BlockContext context)
{
    context.source = m_pSource.get();
    context.block = m_block;
    for (BlockFollower *follower : m_followers[stage])
        follower->followBlock(context);
}

bool AcquisitionControl::wholeRecordWanted() const
{
    for (const auto &stage : m_followers)
        for (const BlockFollower *follower : stage)
            if (follower->wantsWholeRecord())
                return true;
    return false;
}

void AcquisitionControl::slotBlockReady(const BlockSnapshotPtr &block)
{
    // A block queued by a source that has since been replaced is not this source's.
    takeOver(block.get()); // whoever sent it: a dropped block is freed here too
    if (!m_pSource || sender() != m_pSource.get() || !block)
        return;
    m_block = block;
    processBlock();
}

void AcquisitionControl::processBlock()
{
    if (!m_pSource || !m_block || m_pSource->isRequestPending())
        return;
    if (m_bRestartPending) {
        m_bRestartPending = false;
        m_tmStart.stop();
        m_pSource->requestData();
        return;
    }
    if (m_block->readStatus == -1) {
        m_display.stopAcquisition();
        if (!m_block->readFailure.isEmpty())
            m_display.reportReadFailure(m_block->readFailure);
        return;
    }
    m_tmFrame.start();
    // Nothing new while the producer has not offered a block; anything that changed the
    // channels, the window or the analysis is shown at once.
    if (!m_bFirstAfterHold && !m_pSource->waitEndedFlag() && !m_bStopped &&
        !m_pSource->windowChanged() && !m_bRefreshPending && !m_pSource->rereadFlag() &&
        !m_pSource->settingsChanged()) {
        m_tmStart.start(m_nPeriodMs);
        return;
    }
    m_bRefreshPending = false;
    if (!m_display.showBlock())
        return;
    if (m_nSliderHeld == 0)
        m_bFirstAfterHold = false;
    m_nLastCycleNs = m_tmFrame.nsecsElapsed();
    paceNextBlock();
}

void AcquisitionControl::paceNextBlock()
{
    const int delay = nextBlockDelay(m_nPeriodMs, int(m_tmFrame.elapsed()));
    if (m_bStopped) {
        m_pSource->stopSource();
    } else if (m_bSingleStart && (!m_pSource->traits().waitsForProducer || !m_pSource->waitingFlag())) {
        m_display.stopAcquisition();
    } else if (!m_pSource->traits().waitsForProducer) {
        m_tmStart.start(delay);
    } else {
        m_pSource->setPollInterval(delay);
        if (m_nSliderHeld == 0)
            slotPacingTimeout();
    }
}
