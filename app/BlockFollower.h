#pragma once
// A part of the window that follows the acquisition: the data cycle hands it each delivered
// block at its stage. The measurement host, the filter's status and the position read-out join
// the cycle by implementing this, so that none of them means editing the cycle itself.
#include "sources/BlockSnapshot.h"
#include "sources/SampleSpan.h"

class SignalSource;

struct BlockContext {
    SignalSource *source = nullptr; // to ask for modes (whole record); never for data
    BlockSnapshotPtr block;         // the delivered block: what a follower reads or copies
    ScopeWindow scope;      // the oscilloscope's first and last sample, width and channel
};

class BlockFollower {
public:
    enum Stage {
        EveryBlock,   // before the panels get the block (background measurements)
        WhileVisible, // after the panels are replotted (tables and I/Q views)
        StageCount
    };
    virtual ~BlockFollower() = default;
    virtual void followBlock(const BlockContext &context) = 0;
    // The follower measures the whole record: the source reads all of it while any does.
    virtual bool wantsWholeRecord() const { return false; }
};
