#pragma once
// Acquisition control: owns the one active source and the block the window shows, and decides
// when the next block is asked for. The window draws; this class keeps the request/hold
// protocol, the pacing timer, the run state and the followers, so that neither has to know the
// other's details.
#include "app/BlockFollower.h"
#include "sources/BlockSnapshot.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class FileSource;
class SignalSource;

// What the window does with a block the control has let through.
class BlockDisplay {
public:
    virtual ~BlockDisplay() = default;
    // Shows the current block; returns false when the cycle ended early (a yield found a
    // restart, a start or a source switch), so that no next block is paced from it.
    virtual bool showBlock() = 0;
    // Acquisition has to end now (a failed read, a single start done): the window's stop.
    virtual void stopAcquisition() = 0;
    // After the stop of a failed read that the source explained.
    virtual void reportReadFailure(const QString &message) = 0;
};

class AcquisitionControl : public QObject {
    Q_OBJECT
public:
    explicit AcquisitionControl(BlockDisplay &display, QObject *parent = nullptr);
    ~AcquisitionControl() override;

    SignalSource *source() const { return m_pSource.get(); }
    FileSource *fileSource() const { return m_pFileSource; }
    int kind() const { return m_nKind; }
    const BlockSnapshotPtr &block() const { return m_block; }
    bool isStopped() const { return m_bStopped; }
    qint64 lastCycleNs() const { return m_nLastCycleNs; }

    // --- the source ---
    // Ends the running thread; returns whether acquisition was running.
    bool shutDown();
    // Drops the old source and its block and installs the new one of the given kind.
    void install(int kind, std::unique_ptr<SignalSource> source);
    // After a switch: start again at once, or when the cycle's yield is over.
    void resumeAfterSwitch(bool wasRunning);
    // Runs a change of the source's settings while its worker is held between blocks.
    void hold(const std::function<void()> &change);
    void waitForThread();

    // --- run state ---
    void setPeriod(int periodMs) { m_nPeriodMs = periodMs; }
    void setSingleStart(bool isSingle) { m_bSingleStart = isSingle; }
    void waitForRequests();
    void beginRun();
    void markStopped();
    // The window's stop, then the worker's.
    void stopSource();
    // Asks for the first block of a run (deferred while the cycle yields).
    void requestFirstBlock();
    // Asks for a block at the window's new position, running or not.
    void requestBlockAtPosition();
    // Asks a stopped window's source for the one block at its position, shown without a start.
    void requestStoppedBlock();
    // Another record replaces the one read: its block is no longer the window's.
    void forgetBlock() { m_block.reset(); }
    // The next block shows even if the producer offered nothing new.
    void refreshNext() { m_bRefreshPending = true; }
    bool isFirstAfterHold() const { return m_bFirstAfterHold; }

    // --- the pointer on a slider or canvas holds the next request back ---
    void pressHold();
    void releaseHold();

    // --- the cycle ---
    // Lets queued events run between the cycle's steps; false when the cycle must end.
    bool yieldAndCheck();
    void addFollower(BlockFollower::Stage stage, BlockFollower *follower);
    void runFollowers(BlockFollower::Stage stage, BlockContext context);
    bool wholeRecordWanted() const;
    // The cycle for the current block (a block delivered, or a refresh of the same one).
    void processBlock();

signals:
    // A start asked for while the cycle yielded: the window runs its start.
    void startWanted();

private slots:
    // By reference: the block is taken over (for the sanitizer's view) before it is copied.
    void slotBlockReady(const BlockSnapshotPtr &block);
    void slotPacingTimeout();

private:
    void requestFreshBlock();
    void paceNextBlock();

    BlockDisplay &m_display;
    std::unique_ptr<SignalSource> m_pSource;
    FileSource *m_pFileSource = nullptr;
    int m_nKind = 0;
    BlockSnapshotPtr m_block;

    QTimer m_tmStart;
    QElapsedTimer m_tmFrame;
    qint64 m_nLastCycleNs = 0;
    int m_nPeriodMs = 1000;
    bool m_bSingleStart = false;
    bool m_bStopped = true;
    bool m_bInProcessEvents = false;
    bool m_bRestartPending = false;
    bool m_bStartPending = false;
    bool m_bRefreshPending = false;
    bool m_bFirstAfterHold = true;
    int m_nSliderHeld = 0;
    bool m_bSliderDown = false;

    std::vector<BlockFollower *> m_followers[BlockFollower::StageCount];
};
