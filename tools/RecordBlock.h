#pragma once
// Reading a record as the viewer does, for the commands that work on its blocks: FileSource
// loads the files, the spectrum path runs, and every failure is reported with the exit status
// the command returns.
#include "sources/BlockSnapshot.h"

#include <QStringList>

struct RecordRequest {
    QStringList files;        // the main file first, then the additional ones
    SpectrumSettings analysis;
    uint64_t position = 0;    // first displayed sample
    uint64_t length = 0;      // samples the block must hold from position on (3·N are read at least)
    uint32_t blocks = 1;      // blocks to run (averaging needs several)
    bool wait = false;        // take each block from a live producer through the flag file
};

// ExitOk with the last block in `block`, else the exit status after reporting the failure.
int readRecordBlock(const RecordRequest &request, BlockSnapshotPtr &block);
